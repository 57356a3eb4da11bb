#include "Identifiers.h"
#include "ImageModifier/ImageModifierDepthRender.h"
#include "SimpleException.h"
#include "TestSupport.h"

#include <cmath>
#include <limits>
#include <vector>

namespace
{
using RasterMap = ImageModifierBase::RasterMap;

// One row of pixels: heights and slopes given per pixel.
struct Row
{
    explicit Row(const std::vector<float>& vHeights)
        : depth(unsigned(vHeights.size()), 1)
        , gradientX(unsigned(vHeights.size()), 1)
        , gradientY(unsigned(vHeights.size()), 1)
        , render(unsigned(vHeights.size()), 1)
    {
        for (unsigned int i = 0; i < vHeights.size(); ++i)
        {
            depth.set(i, 0, vHeights[i]);
        }
        gradientX.fill(0.0f);
        gradientY.fill(0.0f);
        render.fill(99);
    }

    bool process(ImageModifierDepthRender& modifier)
    {
        RasterMap outputs{{"IMAGE_DEPTH_RENDER", &render}};
        return modifier.process(
            RasterMap{{"IMAGE_BEVEL", &depth}, {"a/" + GRADIENT_X, &gradientX}, {"b/" + GRADIENT_Y, &gradientY}},
            outputs);
    }

    int at(unsigned int i) const { return render.at(i, 0); }

    Raster2d<float> depth;
    Raster2d<float> gradientX;
    Raster2d<float> gradientY;
    Raster2d<unsigned char> render;
};

ImageModifierBase::ParameterMap light(QList<double> direction)
{
    return {{ImageModifierDepthRender::LIGHT_DIRECTION, QVariant::fromValue(direction)}};
}
} // namespace

TEST(ImageModifierDepthRenderTest, FlatPixelsShowTheirHeight)
{
    ImageModifierDepthRender modifier(MODIFIER_DEPTH_RENDER);
    modifier.setParameters(modifier.getDefaultParameters());
    Row row({10.0f, 5.0f, 1.0f, 0.0f});
    // A pixel without surface stays black whatever its slopes.
    row.gradientX.set(3, 0, 5.0f);
    row.gradientY.set(3, 0, -5.0f);
    ASSERT_TRUE(row.process(modifier));
    EXPECT_EQ(row.at(0), 212);
    EXPECT_EQ(row.at(1), 127);
    EXPECT_EQ(row.at(2), 59);
    EXPECT_EQ(row.at(3), 0);
}

TEST(ImageModifierDepthRenderTest, SlopesFacingTheLightAreBrighter)
{
    ImageModifierDepthRender modifier(MODIFIER_DEPTH_RENDER);
    const auto defaults = modifier.getDefaultParameters();
    ASSERT_EQ(defaults.size(), 1u);
    EXPECT_EQ(defaults.at("LIGHT_DIRECTION").value<QList<double>>(), (QList<double>{1.0, 1.0}));
    modifier.setParameters(defaults);

    Row row({4.0f, 4.0f, 4.0f, 4.0f});
    row.gradientX.set(1, 0, 1.0f);
    row.gradientX.set(2, 0, -1.0f);
    row.gradientX.set(3, 0, 1.0f);
    row.gradientY.set(3, 0, 1.0f);
    ASSERT_TRUE(row.process(modifier));
    EXPECT_EQ(row.at(0), 212);
    EXPECT_EQ(row.at(1), 227);
    EXPECT_EQ(row.at(2), 197);
    EXPECT_EQ(row.at(3), 242);

    // Light along x only: the y slope no longer matters, and the light need
    // not be normalised.
    modifier.setParameters(light({3.0, 0.0}));
    ASSERT_TRUE(row.process(modifier));
    EXPECT_EQ(row.at(0), 212);
    EXPECT_EQ(row.at(1), 242);
    EXPECT_EQ(row.at(2), 182);
    EXPECT_EQ(row.at(3), 242);
}

TEST(ImageModifierDepthRenderTest, MalformedLightFailsSilently)
{
    LogCapture log;
    ImageModifierDepthRender modifier(MODIFIER_DEPTH_RENDER);
    Row row({1.0f, 2.0f});
    for (const auto& parameters : {light({1.0}), light({1.0, 1.0, 1.0}), ImageModifierBase::ParameterMap{},
                                   ImageModifierBase::ParameterMap{{"LIGHT_DIRECTION", 1.0}}})
    {
        EXPECT_FALSE(row.process(modifier));
        modifier.setParameters(parameters);
    }
    EXPECT_FALSE(row.process(modifier));
    EXPECT_EQ(row.at(0), 99);
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST(ImageModifierDepthRenderTest, RefusesWrongRasters)
{
    LogCapture log;
    ImageModifierDepthRender modifier(MODIFIER_DEPTH_RENDER);
    modifier.setParameters(modifier.getDefaultParameters());
    Raster2d<float> depth(3, 2);
    Raster2d<float> gradient(3, 2);
    Raster2d<float> narrowGradient(2, 2);
    Raster2d<unsigned char> render(3, 2);
    Raster2d<unsigned char> wideRender(4, 2);
    Raster2d<float> floatRender(3, 2);
    depth.fill(1.0f);
    gradient.fill(0.0f);
    narrowGradient.fill(0.0f);
    render.fill(7);

    RasterMap outputs{{"R", &render}};
    // Heights as bytes, so no float raster names the heights.
    EXPECT_FALSE(modifier.process(RasterMap{{"H", &render}, {GRADIENT_X, &gradient}, {GRADIENT_Y, &gradient}}, outputs));
    RasterMap floatOutputs{{"R", &floatRender}};
    EXPECT_FALSE(
        modifier.process(RasterMap{{"H", &depth}, {GRADIENT_X, &gradient}, {GRADIENT_Y, &gradient}}, floatOutputs));
    RasterMap wideOutputs{{"R", &wideRender}};
    EXPECT_FALSE(
        modifier.process(RasterMap{{"H", &depth}, {GRADIENT_X, &gradient}, {GRADIENT_Y, &gradient}}, wideOutputs));
    // Slopes that do not cover the heights would be read past their end.
    EXPECT_FALSE(
        modifier.process(RasterMap{{"H", &depth}, {GRADIENT_X, &gradient}, {GRADIENT_Y, &narrowGradient}}, outputs));
    EXPECT_EQ(render.at(0, 0), 7);

    const QStringList lines = log.lines();
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[0].startsWith("ERROR: ImageModifier\\ImageModifierDepthRender::"));
    EXPECT_TRUE(lines[0].endsWith(": Input raster could not be processed"));
    EXPECT_TRUE(lines[1].endsWith(": Output raster could not be processed"));
    EXPECT_TRUE(lines[2].endsWith(": Size of output image is invalid"));
    EXPECT_TRUE(lines[3].endsWith(": Size of input and output are not identical"));

    EXPECT_ASSERTION(modifier.process(RasterMap{{"H", &depth}, {GRADIENT_X, &gradient}}, outputs),
                     "mapInputRasters.size() == 3 && mapOutputRasters.size() == 1");
    EXPECT_ASSERTION(ImageModifierDepthRender::render(nullptr, &gradient, &gradient, &render, 1, 1),
                     "pRaster2dInputDepth");
    EXPECT_ASSERTION(ImageModifierDepthRender::render(&depth, &gradient, &gradient, nullptr, 1, 1),
                     "pRaster2dOutput");
    EXPECT_FALSE(ImageModifierDepthRender::render(&depth, &gradient, &narrowGradient, &render, 1, 1));
}

TEST(ImageModifierDepthRenderTest, OutOfRangeValuesAreLimitedToTheByteRange)
{
    const float fNaN = std::numeric_limits<float>::quiet_NaN();
    const float fInfinity = std::numeric_limits<float>::infinity();
    ImageModifierDepthRender modifier(MODIFIER_DEPTH_RENDER);
    modifier.setParameters(modifier.getDefaultParameters());

    // A negative height lies below the black of height 0 (it would wrap to
    // a bright 129 if stored modulo 256); not-a-number renders black.
    Row row({10.0f, -10.0f, fNaN, 20.0f});
    row.gradientX.set(0, 0, fNaN);
    // A steep slope cannot lift a maximal pixel beyond 255.
    row.gradientX.set(3, 0, 1e30f);
    row.gradientY.set(3, 0, 1e30f);
    ASSERT_TRUE(row.process(modifier));
    EXPECT_EQ(row.at(0), 0);
    EXPECT_EQ(row.at(1), 0);
    EXPECT_EQ(row.at(2), 0);
    EXPECT_EQ(row.at(3), 255);

    // No positive height: only the light term is left.
    Row negative({-1.0f, -2.0f});
    negative.gradientX.set(1, 0, 1.0f);
    ASSERT_TRUE(negative.process(modifier));
    EXPECT_EQ(negative.at(0), 42);
    EXPECT_EQ(negative.at(1), 57);

    // An infinite maximum leaves finite heights at the bottom of the range.
    Row infinite({fInfinity, 5.0f});
    ASSERT_TRUE(infinite.process(modifier));
    EXPECT_EQ(infinite.at(0), 0);
    EXPECT_EQ(infinite.at(1), 42);

    // A light of length 0 gives every slope the middle shade.
    modifier.setParameters(light({0.0, 0.0}));
    Row dark({4.0f, 4.0f});
    dark.gradientX.set(1, 0, 1.0f);
    ASSERT_TRUE(dark.process(modifier));
    EXPECT_EQ(dark.at(0), 212);
    EXPECT_EQ(dark.at(1), 212);
}
