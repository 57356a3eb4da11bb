#include "CvRaster.h"
#include "Identifiers.h"
#include "ImageModifier/ImageModifierSurfaceGradient.h"
#include "ImageModifier/ImageModifierSurfaceGradientSmooth.h"
#include "SimpleException.h"
#include "TestSupport.h"

#include <random>

namespace
{
using RasterMap = ImageModifierBase::RasterMap;

// Sets element (x, y) to f(x, y).
template <typename F>
void fillWith(Raster2d<float>& raster, F f)
{
    for (unsigned int y = 0; y < raster.getHeight(); ++y)
    {
        for (unsigned int x = 0; x < raster.getWidth(); ++x)
        {
            raster.set(x, y, float(f(x, y)));
        }
    }
}
} // namespace

TEST(ImageModifierSurfaceGradientTest, RampGivesCentralDifferencesAndFlatBorders)
{
    ImageModifierSurfaceGradient modifier(MODIFIER_SURFACE_GRADIENT);
    // Rises by 1 per column and by 3 per row.
    Raster2d<float> heights(5, 4);
    fillWith(heights, [](unsigned x, unsigned y) { return 10.0 + x + 3.0 * y; });
    Raster2d<float> gradientX(5, 4);
    Raster2d<float> gradientY(5, 4);
    RasterMap outputs{{"A/" + GRADIENT_Y, &gradientY}, {"B/" + GRADIENT_X, &gradientX}};
    ASSERT_TRUE(modifier.process(RasterMap{{"IMAGE_BEVEL", &heights}}, outputs));
    for (unsigned int y = 0; y < 4; ++y)
    {
        for (unsigned int x = 0; x < 5; ++x)
        {
            const bool bInnerColumn = x > 0 && x < 4;
            const bool bInnerRow = y > 0 && y < 3;
            EXPECT_EQ(gradientX.at(x, y), bInnerColumn ? 2.0f : 0.0f) << x << "," << y;
            EXPECT_EQ(gradientY.at(x, y), bInnerRow ? 6.0f : 0.0f) << x << "," << y;
        }
    }
}

TEST(ImageModifierSurfaceGradientTest, RefusesWrongRastersWithOneErrorLine)
{
    LogCapture log;
    ImageModifierSurfaceGradient modifier(MODIFIER_SURFACE_GRADIENT);
    Raster2d<float> heights(4, 4);
    heights.fill(1.0f);
    Raster2d<float> gradientX(4, 4);
    Raster2d<float> gradientY(4, 4);
    Raster2d<float> smallY(4, 3);
    Raster2d<unsigned char> bytes(4, 4);
    gradientX.fill(-7.0f);

    RasterMap outputs{{GRADIENT_X, &gradientX}, {GRADIENT_Y, &smallY}};
    EXPECT_FALSE(modifier.process(RasterMap{{"H", &heights}}, outputs));
    RasterMap byteInput{{"H", &bytes}};
    RasterMap sameSize{{GRADIENT_X, &gradientX}, {GRADIENT_Y, &gradientY}};
    EXPECT_FALSE(modifier.process(byteInput, sameSize));
    RasterMap noY{{GRADIENT_X, &gradientX}, {"OTHER", &gradientY}};
    EXPECT_FALSE(modifier.process(RasterMap{{"H", &heights}}, noY));

    const QStringList lines = log.lines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith("ERROR: ImageModifier\\ImageModifierSurfaceGradient::"));
    EXPECT_TRUE(lines[0].endsWith(": Size of input and output are not identical"));
    EXPECT_TRUE(lines[1].endsWith(": Input raster could not be processed"));
    EXPECT_TRUE(lines[2].endsWith(": Output raster could not be processed"));
    // Nothing was written.
    EXPECT_EQ(gradientX.at(2, 2), -7.0f);

    EXPECT_ASSERTION(modifier.process(RasterMap{}, sameSize),
                     "mapInputRasters.size() == 1 && mapOutputRasters.size() == 2");
}

TEST(ImageModifierSurfaceGradientSmoothTest, DefaultIsBoxMeanWithMirroredBorders)
{
    ImageModifierSurfaceGradientSmooth modifier(MODIFIER_SURFACE_GRADIENT_SMOOTH);
    const auto defaults = modifier.getDefaultParameters();
    ASSERT_EQ(defaults.size(), 1u);
    EXPECT_EQ(defaults.at(ImageModifierSurfaceGradientSmooth::ADVANCED_SMOOTHING), QVariant(false));

    // Mirrored without repeating the edge pixel: the corner's window sees a
    // spike next to it twice, and a spike in the corner itself only once.
    Raster2d<float> inputX(4, 3);
    fillWith(inputX, [](unsigned x, unsigned y) { return x == 1 && y == 0 ? 9.0 : 0.0; });
    Raster2d<float> inputY(4, 3);
    fillWith(inputY, [](unsigned x, unsigned y) { return x == 3 && y == 2 ? 18.0 : 0.0; });
    Raster2d<float> outputX(4, 3);
    Raster2d<float> outputY(4, 3);
    RasterMap outputs{{GRADIENT_X, &outputX}, {GRADIENT_Y, &outputY}};

    const float expectedX[3][4] = {{2, 1, 1, 0}, {2, 1, 1, 0}, {0, 0, 0, 0}};
    const float expectedY[3][4] = {{0, 0, 0, 0}, {0, 0, 2, 2}, {0, 0, 2, 2}};
    for (const auto& parameters : {ImageModifierBase::ParameterMap{},
                                   ImageModifierBase::ParameterMap{{"ADVANCED_SMOOTHING", false}}})
    {
        modifier.setParameters(parameters);
        outputX.fill(-1.0f);
        outputY.fill(-1.0f);
        ASSERT_TRUE(modifier.process(RasterMap{{"in/" + GRADIENT_Y, &inputY}, {"in/" + GRADIENT_X, &inputX}}, outputs));
        for (unsigned int y = 0; y < 3; ++y)
        {
            for (unsigned int x = 0; x < 4; ++x)
            {
                EXPECT_FLOAT_EQ(outputX.at(x, y), expectedX[y][x]) << x << "," << y;
                EXPECT_FLOAT_EQ(outputY.at(x, y), expectedY[y][x]) << x << "," << y;
            }
        }
    }
}

TEST(ImageModifierSurfaceGradientSmoothTest, AdvancedSmoothingKeepsStepsAndWorksInPlace)
{
    ImageModifierSurfaceGradientSmooth modifier(MODIFIER_SURFACE_GRADIENT_SMOOTH);
    modifier.setParameters({{ImageModifierSurfaceGradientSmooth::ADVANCED_SMOOTHING, true}});

    // A step of 10 is far beyond the colour sigma: the bilateral filter keeps
    // it (to float precision) where the box filter would smear it.
    Raster2d<float> step(8, 6);
    fillWith(step, [](unsigned x, unsigned) { return x < 4 ? 0.0 : 10.0; });
    // Small noise, well inside the colour sigma, is smoothed.
    std::mt19937 generator(7);
    Raster2d<float> noise(8, 6);
    fillWith(noise, [&](unsigned, unsigned) { return (generator() % 1000) / 1000.0; });
    Raster2d<float> noiseCopy(8, 6);
    cvHeader(noise).copyTo(cvHeader(noiseCopy));
    Raster2d<float> outputX(8, 6);
    Raster2d<float> outputY(8, 6);
    RasterMap outputs{{GRADIENT_X, &outputX}, {GRADIENT_Y, &outputY}};
    ASSERT_TRUE(modifier.process(RasterMap{{GRADIENT_X, &step}, {GRADIENT_Y, &noise}}, outputs));
    for (unsigned int y = 0; y < 6; ++y)
    {
        for (unsigned int x = 0; x < 8; ++x)
        {
            EXPECT_NEAR(outputX.at(x, y), x < 4 ? 0.0f : 10.0f, 1e-4f);
        }
    }
    cv::Scalar mean;
    cv::Scalar inputSpread;
    cv::Scalar outputSpread;
    cv::meanStdDev(cvHeader(noise), mean, inputSpread);
    cv::meanStdDev(cvHeader(outputY), mean, outputSpread);
    EXPECT_LT(outputSpread[0], 0.6 * inputSpread[0]);

    // The same rasters as inputs and outputs give the same result.
    RasterMap inPlace{{GRADIENT_X, &step}, {GRADIENT_Y, &noise}};
    ASSERT_TRUE(modifier.process(inPlace, inPlace));
    EXPECT_EQ(cv::norm(cvHeader(noise), cvHeader(outputY), cv::NORM_INF), 0.0);
    EXPECT_NE(cv::norm(cvHeader(noise), cvHeader(noiseCopy), cv::NORM_INF), 0.0);
}

TEST(ImageModifierSurfaceGradientSmoothTest, RefusesMissingRolesAndSizeMismatch)
{
    LogCapture log;
    ImageModifierSurfaceGradientSmooth modifier(MODIFIER_SURFACE_GRADIENT_SMOOTH);
    Raster2d<float> a(4, 4);
    Raster2d<float> b(4, 4);
    Raster2d<float> c(4, 4);
    Raster2d<float> d(5, 4);
    RasterMap goodOutputs{{GRADIENT_X, &c}, {GRADIENT_Y, &b}};
    EXPECT_FALSE(modifier.process(RasterMap{{GRADIENT_X, &a}, {"Z", &b}}, goodOutputs));
    RasterMap noYOutput{{GRADIENT_X, &c}, {"Z", &b}};
    EXPECT_FALSE(modifier.process(RasterMap{{GRADIENT_X, &a}, {GRADIENT_Y, &b}}, noYOutput));
    RasterMap wideOutputs{{GRADIENT_X, &c}, {GRADIENT_Y, &d}};
    EXPECT_FALSE(modifier.process(RasterMap{{GRADIENT_X, &a}, {GRADIENT_Y, &b}}, wideOutputs));
    const QStringList lines = log.lines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].endsWith(": Input raster could not be processed"));
    EXPECT_TRUE(lines[1].endsWith(": Output raster could not be processed"));
    EXPECT_TRUE(lines[2].endsWith(": Size of input and output are not identical"));
    EXPECT_ASSERTION(modifier.process(RasterMap{{GRADIENT_X, &a}}, goodOutputs),
                     "mapInputRasters.size() == 2 && mapOutputRasters.size() == 2");
}
