#include "CvRaster.h"
#include "ImageModifier/ImageModifierDepthComposite.h"
#include "ParameterObject.h"
#include "SimpleException.h"
#include "TestSupport.h"

#include <vector>

namespace
{
using RasterMap = ImageModifierBase::RasterMap;
using ParameterMap = ImageModifierBase::ParameterMap;
using Composite = ImageModifierDepthComposite;

struct LayerSetting
{
    QString sOrder;
    bool bEnabled = true;
    float fDepth = 1.0f;
    QString sEmbossing = QStringLiteral("POSITIVE");
    float fDepthScale = 1.0f;
    float fCutoffLow = 0.0f;
    float fCutoffHigh = 0.0f;
};

ParameterMap parameters(const QString& sSurface, const std::vector<LayerSetting>& vLayers)
{
    std::vector<QString> vOrder;
    std::vector<bool> vEnabled;
    std::vector<F32> vDepth;
    std::vector<QString> vEmbossing;
    std::vector<F32> vDepthScale;
    std::vector<F32> vCutoffLow;
    std::vector<F32> vCutoffHigh;
    for (const LayerSetting& layer : vLayers)
    {
        vOrder.push_back(layer.sOrder);
        vEnabled.push_back(layer.bEnabled);
        vDepth.push_back(layer.fDepth);
        vEmbossing.push_back(layer.sEmbossing);
        vDepthScale.push_back(layer.fDepthScale);
        vCutoffLow.push_back(layer.fCutoffLow);
        vCutoffHigh.push_back(layer.fCutoffHigh);
    }
    registerParameterMetaTypes();
    return {{Composite::SURFACE_IDENTIFIER, sSurface},
            {Composite::ORDER, QVariant::fromValue(vOrder)},
            {Composite::ENABLED, QVariant::fromValue(vEnabled)},
            {Composite::DEPTH, QVariant::fromValue(vDepth)},
            {Composite::EMBOSSING, QVariant::fromValue(vEmbossing)},
            {Composite::DEPTH_SCALE, QVariant::fromValue(vDepthScale)},
            {Composite::CUTOFF_LOW, QVariant::fromValue(vCutoffLow)},
            {Composite::CUTOFF_HIGH, QVariant::fromValue(vCutoffHigh)}};
}

// A 5 by 5 surface of height 2 (its frame 1, to see it zeroed), two
// decorations with a few raised elements, and the output.
class DepthCompositeTest : public ::testing::Test
{
protected:
    DepthCompositeTest()
        : modifier(MODIFIER_DEPTH_COMPOSITE)
        , surface(5, 5)
        , decorationA(5, 5)
        , decorationB(5, 5)
        , output(5, 5)
    {
        surface.fill(2.0f);
        for (unsigned int i = 0; i < 5; ++i)
        {
            surface.set(i, 0, 1.0f);
            surface.set(i, 4, 1.0f);
            surface.set(0, i, 1.0f);
            surface.set(4, i, 1.0f);
        }
        decorationA.fill(0.0f);
        decorationA.set(2, 2, 4.0f);
        decorationA.set(1, 2, 2.0f);
        decorationB.fill(0.0f);
        decorationB.set(2, 2, 4.0f);
        output.fill(-5.0f);
    }

    bool run(const ParameterMap& mapParameters)
    {
        modifier.setParameters(mapParameters);
        RasterMap outputs{{"IMAGE_DEPTH_COMPOSITE", &output}};
        return modifier.process(RasterMap{{"FRONT/IMAGE_BEVEL", &surface},
                                          {"DECORATION_A/IMAGE_BEVEL", &decorationA},
                                          {"DECORATION_B/IMAGE_BEVEL", &decorationB}},
                                outputs);
    }

    // The output with (2, 2) and (1, 2) replaced; everything else is the
    // surface's inner height 2 inside a frame of 0.
    void expectInner(float fCentre, float fLeft)
    {
        for (unsigned int y = 0; y < 5; ++y)
        {
            for (unsigned int x = 0; x < 5; ++x)
            {
                float fExpected = (x == 0 || y == 0 || x == 4 || y == 4) ? 0.0f : 2.0f;
                if (y == 2 && x == 2)
                {
                    fExpected = fCentre;
                }
                if (y == 2 && x == 1)
                {
                    fExpected = fLeft;
                }
                EXPECT_FLOAT_EQ(output.at(x, y), fExpected) << x << "," << y;
            }
        }
    }

    Composite modifier;
    Raster2d<float> surface;
    Raster2d<float> decorationA;
    Raster2d<float> decorationB;
    Raster2d<float> output;
};
} // namespace

TEST_F(DepthCompositeTest, WithoutLayersTheOutputIsTheSurfaceInAFrameOfZeros)
{
    EXPECT_TRUE(modifier.getDefaultParameters().empty());
    ASSERT_TRUE(run(parameters("FRONT", {})));
    // The frame of 1 held the composite minimum; it is zeroed last.
    expectInner(2.0f, 2.0f);

    LayerSetting disabled;
    disabled.sOrder = "DECORATION_A";
    disabled.bEnabled = false;
    output.fill(-5.0f);
    ASSERT_TRUE(run(parameters("FRONT", {disabled})));
    expectInner(2.0f, 2.0f);
}

TEST_F(DepthCompositeTest, RaisingLayersLiftAboveTheComposite)
{
    // Composite 1..2 on 25 elements: offset (5 + 2) * 1; a positive layer
    // puts its highest value at offset + minimum = 8.
    LayerSetting positive;
    positive.sOrder = "DECORATION_A";
    ASSERT_TRUE(run(parameters("FRONT", {positive})));
    expectInner(8.0f, 6.0f);

    LayerSetting negative = positive;
    negative.sEmbossing = "NEGATIVE";
    ASSERT_TRUE(run(parameters("FRONT", {negative})));
    expectInner(4.0f, 6.0f);

    // Only the exact upper-case word inverts.
    LayerSetting lowerCase = positive;
    lowerCase.sEmbossing = "negative";
    ASSERT_TRUE(run(parameters("FRONT", {lowerCase})));
    expectInner(8.0f, 6.0f);

    // Depth 0 on a composite whose minimum is 0 cannot raise anything.
    surface.set(3, 3, 0.0f);
    LayerSetting flat = positive;
    flat.fDepth = 0.0f;
    ASSERT_TRUE(run(parameters("FRONT", {flat})));
    EXPECT_EQ(output.at(3, 3), 0.0f);
    EXPECT_EQ(output.at(2, 2), 2.0f);
    EXPECT_EQ(output.at(1, 2), 2.0f);
}

TEST_F(DepthCompositeTest, CarvingLayersLowerAndCutThrough)
{
    // Offset (4 - 0 + 1 + 2) * -0.5 = -3.5; positive candidates
    // -1.5 + 4 - v: the highest value cuts through to 0.
    LayerSetting carve;
    carve.sOrder = "DECORATION_A";
    carve.fDepth = -0.5f;
    ASSERT_TRUE(run(parameters("FRONT", {carve})));
    expectInner(0.0f, 0.5f);

    // Negative: -1.5 + v; 2.5 is above the composite and so changes nothing.
    carve.sEmbossing = "NEGATIVE";
    ASSERT_TRUE(run(parameters("FRONT", {carve})));
    expectInner(2.0f, 0.5f);
}

TEST_F(DepthCompositeTest, LayersApplyFromLastToFirst)
{
    LayerSetting raise;
    raise.sOrder = "DECORATION_A";
    LayerSetting carve;
    carve.sOrder = "DECORATION_B";
    carve.fDepth = -0.5f;

    // The carving layer comes first and cuts (2, 2) through; the raising
    // layer cannot give that element a height again, and starts from the
    // new minimum 0: (1, 2) becomes 7 + 0 + 2 - 4 = 5.
    ASSERT_TRUE(run(parameters("FRONT", {raise, carve})));
    expectInner(0.0f, 5.0f);

    // The raising layer comes first: (2, 2) rises to 8, (1, 2) to 6; the
    // carving layer then works relative to a maximum of 8: offset
    // (4 + 1 + 8) * -0.5 = -6.5, candidate -6.5 + 8 + 4 - 4 = 1.5.
    ASSERT_TRUE(run(parameters("FRONT", {carve, raise})));
    expectInner(1.5f, 6.0f);
}

TEST_F(DepthCompositeTest, CutOffsRemoveTheEndsOfTheLayerRange)
{
    float fLow = 0.0f;
    float fHigh = 0.0f;
    Composite::getCutBounds(0.0f, 4.0f, 2.0f, 0.25f, 0.25f, fLow, fHigh);
    EXPECT_EQ(fLow, 2.0f);
    EXPECT_EQ(fHigh, 6.0f);
    EXPECT_EQ(Composite::getCutValue(0.5f, 0.0f, 4.0f, 2.0f, 0.25f, 0.25f), 0.0f);
    EXPECT_EQ(Composite::getCutValue(1.0f, 0.0f, 4.0f, 2.0f, 0.25f, 0.25f), 2.0f);
    EXPECT_EQ(Composite::getCutValue(3.0f, 0.0f, 4.0f, 2.0f, 0.25f, 0.25f), 6.0f);
    EXPECT_EQ(Composite::getCutValue(3.5f, 0.0f, 4.0f, 2.0f, 0.25f, 0.25f), 0.0f);

    // The top half of layer A (its value 4) is cut away: (2, 2) keeps the
    // surface, (1, 2) with the value 2 = H stays: 7 + 1 + 2 - 2 = 8.
    LayerSetting layer;
    layer.sOrder = "DECORATION_A";
    layer.fCutoffHigh = 0.5f;
    ASSERT_TRUE(run(parameters("FRONT", {layer})));
    expectInner(2.0f, 8.0f);
}

TEST_F(DepthCompositeTest, RefusedCallsLeaveTheOutputUntouched)
{
    LogCapture log;
    LayerSetting layer;
    layer.sOrder = "DECORATION_A";
    ParameterMap good = parameters("FRONT", {layer});

    ParameterMap noSurfaceIdentifier = good;
    noSurfaceIdentifier.erase(Composite::SURFACE_IDENTIFIER);
    EXPECT_FALSE(run(noSurfaceIdentifier));
    LayerSetting unknown;
    unknown.sOrder = "DECORATION_C";
    EXPECT_FALSE(run(parameters("FRONT", {unknown})));
    ParameterMap shortDepth = good;
    shortDepth[Composite::DEPTH] = QVariant::fromValue(std::vector<F32>{});
    EXPECT_FALSE(run(shortDepth));
    ParameterMap shortCutoff = good;
    shortCutoff[Composite::CUTOFF_HIGH] = QVariant::fromValue(std::vector<F32>{0.0f, 0.0f});
    EXPECT_FALSE(run(shortCutoff));
    // An empty identifier makes every input the surface: nothing is left
    // for ORDER to name.
    EXPECT_FALSE(run(parameters("", {layer})));
    // No input is the surface: refused instead of composing onto nothing.
    EXPECT_FALSE(run(parameters("BACK", {layer})));
    EXPECT_EQ(output.at(2, 2), -5.0f);

    const QStringList lines = log.lines();
    ASSERT_EQ(lines.size(), 6);
    for (int i = 0; i < 5; ++i)
    {
        EXPECT_TRUE(lines[i].endsWith(": Parameters were not set correctly")) << lines[i].toStdString();
    }
    EXPECT_TRUE(lines[5].startsWith("ERROR: ImageModifier\\ImageModifierDepthComposite::"));
    EXPECT_TRUE(lines[5].endsWith(": Input raster could not be processed"));
}

TEST_F(DepthCompositeTest, RefusesWrongRasters)
{
    LogCapture log;
    modifier.setParameters(parameters("FRONT", {}));
    Raster2d<float> unusedWide(6, 5);
    Raster2d<unsigned char> bytes(5, 5);
    RasterMap outputs{{"OUT", &output}};
    EXPECT_FALSE(modifier.process(RasterMap{{"FRONT", &surface}, {"DECORATION_X", &unusedWide}}, outputs));
    EXPECT_FALSE(modifier.process(RasterMap{{"DECORATION_X", &bytes}, {"FRONT", &surface}}, outputs));
    RasterMap byteOutputs{{"OUT", &bytes}};
    EXPECT_FALSE(modifier.process(RasterMap{{"FRONT", &surface}}, byteOutputs));
    RasterMap wideOutputs{{"OUT", &unusedWide}};
    EXPECT_FALSE(modifier.process(RasterMap{{"FRONT", &surface}}, wideOutputs));
    EXPECT_EQ(output.at(2, 2), -5.0f);
    const QStringList lines = log.lines();
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[0].endsWith(": Size of input and output are not identical"));
    EXPECT_TRUE(lines[1].endsWith(": Input raster could not be processed"));
    EXPECT_TRUE(lines[2].endsWith(": Output raster could not be processed"));
    EXPECT_TRUE(lines[3].endsWith(": Size of input and output are not identical"));

    RasterMap two{{"A", &output}, {"B", &output}};
    EXPECT_ASSERTION(modifier.process(RasterMap{}, outputs),
                     "mapInputRasters.size() >= 1 && mapOutputRasters.size() == 1");
    EXPECT_ASSERTION(modifier.process(RasterMap{{"FRONT", &surface}}, two),
                     "mapInputRasters.size() >= 1 && mapOutputRasters.size() == 1");
}

TEST_F(DepthCompositeTest, SeveralSurfaceMatchesTakeTheLastAndTinyRastersKeepOnlyTheCentre)
{
    Raster2d<float> first(3, 3);
    Raster2d<float> last(3, 3);
    Raster2d<float> tiny(3, 3);
    first.fill(1.0f);
    last.fill(7.0f);
    modifier.setParameters(parameters("", {}));
    RasterMap outputs{{"OUT", &tiny}};
    ASSERT_TRUE(modifier.process(RasterMap{{"A", &first}, {"B", &last}}, outputs));
    for (unsigned int y = 0; y < 3; ++y)
    {
        for (unsigned int x = 0; x < 3; ++x)
        {
            EXPECT_EQ(tiny.at(x, y), x == 1 && y == 1 ? 7.0f : 0.0f);
        }
    }
}
