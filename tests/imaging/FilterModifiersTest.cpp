#include "ImageModifier/ImageModifierDepthScale.h"
#include "ImageModifier/ImageModifierDistanceTransform.h"
#include "ImageModifier/ImageModifierEqualize.h"
#include "ImageModifier/ImageModifierFlip.h"
#include "ImageModifier/ImageModifierInvert.h"
#include "ImageModifier/ImageModifierThreshold.h"
#include "support/ModifierTestSupport.h"

TEST(FilterModifiersTest, InvertComplementsBytes)
{
    ImageModifierInvert modifier(MODIFIER_INVERT);
    EXPECT_EQ(modifier.getDefaultParameters(), (ImageModifierBase::ParameterMap{{"INVERT", false}}));
    modifier.setParameters({{ImageModifierInvert::INVERT, true}});
    Raster2d<unsigned char> input(3, 2);
    setElements<unsigned char>(input, {0, 255, 100, 1, 128, 254});
    Raster2d<unsigned char> output(3, 2);
    EXPECT_TRUE(modifier.process(&input, &output));
    EXPECT_EQ(elements(output), (std::vector<unsigned char>{255, 0, 155, 254, 127, 1}));
}

TEST(FilterModifiersTest, InvertSwitchComesBeforeEveryCheck)
{
    Raster2d<float> floats(3, 2);
    Raster2d<unsigned char> output(3, 2);
    output.fill(7);
    {
        LogCapture log;
        ImageModifierInvert modifier(MODIFIER_INVERT);
        modifier.setParameters(modifier.getDefaultParameters());
        EXPECT_FALSE(modifier.process(&floats, &output));
        ImageModifierInvert unset(MODIFIER_INVERT);
        EXPECT_FALSE(unset.process(&floats, nullptr));
        EXPECT_TRUE(log.lines().isEmpty());
        EXPECT_EQ(elements(output), std::vector<unsigned char>(6, 7));
    }
    // Switched on, the same float raster is refused.
    LogCapture log;
    ImageModifierInvert modifier(MODIFIER_INVERT);
    modifier.setParameters({{ImageModifierInvert::INVERT, true}});
    EXPECT_FALSE(modifier.process(&floats, &output));
    expectOneError(log, "ImageModifierInvert", "Input raster could not be processed");
}

TEST(FilterModifiersTest, ThresholdIsStrictlyGreater)
{
    ImageModifierThreshold modifier(MODIFIER_THRESHOLD);
    const ImageModifierBase::ParameterMap defaults = modifier.getDefaultParameters();
    EXPECT_EQ(defaults.at("THRESHOLD"), QVariant(128));
    EXPECT_EQ(defaults.at("MODIFIER_THRESHOLD_ENABLED"), QVariant(true));
    modifier.setParameters(defaults);
    Raster2d<unsigned char> input(4, 1);
    setElements<unsigned char>(input, {0, 128, 129, 255});
    Raster2d<unsigned char> output(4, 1);
    EXPECT_TRUE(modifier.process(&input, &output));
    EXPECT_EQ(elements(output), (std::vector<unsigned char>{0, 0, 255, 255}));

    modifier.setParameters({{ImageModifierThreshold::THRESHOLD, 0},
                            {ImageModifierThreshold::MODIFIER_THRESHOLD_ENABLED, true}});
    EXPECT_TRUE(modifier.process(&input, &output));
    EXPECT_EQ(elements(output), (std::vector<unsigned char>{0, 255, 255, 255}));

    // Switched off: false, no log line, output as it was.
    LogCapture log;
    modifier.setParameters({{ImageModifierThreshold::THRESHOLD, 128},
                            {ImageModifierThreshold::MODIFIER_THRESHOLD_ENABLED, false}});
    output.fill(3);
    EXPECT_FALSE(modifier.process(&input, &output));
    EXPECT_EQ(elements(output), std::vector<unsigned char>(4, 3));
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST(FilterModifiersTest, ThresholdNeedsItsLevel)
{
    LogCapture log;
    Raster2d<unsigned char> input(4, 1);
    input.fill(200);
    Raster2d<unsigned char> output(4, 1);
    output.fill(3);
    ImageModifierThreshold modifier(MODIFIER_THRESHOLD);
    modifier.setParameters({{ImageModifierThreshold::MODIFIER_THRESHOLD_ENABLED, true}});
    EXPECT_FALSE(modifier.process(&input, &output));
    expectOneError(log, "ImageModifierThreshold", "Parameters were not set correctly");
    EXPECT_EQ(elements(output), std::vector<unsigned char>(4, 3));
}

TEST(FilterModifiersTest, EqualizeCorrectsShadingAndStretches)
{
    ImageModifierEqualize modifier(MODIFIER_EQUALIZE);
    EXPECT_EQ(modifier.getDefaultParameters().at("MODIFIER_EQUALIZE_ENABLED"), QVariant(false));
    modifier.setParameters({{ImageModifierEqualize::MODIFIER_EQUALIZE_ENABLED, true}});

    // 8 x 8: window 5. One bright element of 200 on a ground of 10: the 5 x 5
    // block around it has the mean 440 / 25 = 17.6, rounded to 18; the ground
    // 10 there corrects to 71, the spot to 255, the rest to 128. The stretch
    // maps 71 to 0 and 128 to 57 / 184 * 255 = 78.99, truncated to 78.
    Raster2d<unsigned char> input(8, 8);
    input.fill(10);
    input.set(4, 4, 200);
    Raster2d<unsigned char> output(8, 8);
    ASSERT_TRUE(modifier.process(&input, &output));
    for (unsigned int y = 0; y < 8; ++y)
    {
        for (unsigned int x = 0; x < 8; ++x)
        {
            const bool bNear = x >= 2 && x <= 6 && y >= 2 && y <= 6;
            const int nExpected = (x == 4 && y == 4) ? 255 : (bNear ? 0 : 78);
            EXPECT_EQ(output.at(x, y), nExpected) << x << "," << y;
        }
    }

    // 10 x 6: window 3 (k = 3). The 3 x 3 mean is 280 / 9 = 31.1, rounded to
    // 31; 10 / 31 * 128 = 41.3 gives 41; 128 stretches to 87 / 214 * 255 = 103.7.
    Raster2d<unsigned char> wide(10, 6);
    wide.fill(10);
    wide.set(5, 3, 200);
    Raster2d<unsigned char> wideOutput(10, 6);
    ASSERT_TRUE(modifier.process(&wide, &wideOutput));
    for (unsigned int y = 0; y < 6; ++y)
    {
        for (unsigned int x = 0; x < 10; ++x)
        {
            const bool bNear = x >= 4 && x <= 6 && y >= 2 && y <= 4;
            const int nExpected = (x == 5 && y == 3) ? 255 : (bNear ? 0 : 103);
            EXPECT_EQ(wideOutput.at(x, y), nExpected) << x << "," << y;
        }
    }
}

TEST(FilterModifiersTest, EqualizeReportsUniformResults)
{
    LogCapture log;
    ImageModifierEqualize modifier(MODIFIER_EQUALIZE);
    modifier.setParameters({{ImageModifierEqualize::MODIFIER_EQUALIZE_ENABLED, true}});
    Raster2d<unsigned char> output(8, 8);
    for (unsigned char value : {200, 0})
    {
        Raster2d<unsigned char> input(8, 8);
        input.fill(value);
        output.fill(1);
        EXPECT_FALSE(modifier.process(&input, &output));
        EXPECT_EQ(elements(output), std::vector<unsigned char>(64, 128));
    }
    // 3 x 3: window 1, every element is its own mean.
    Raster2d<unsigned char> small(3, 3);
    setElements<unsigned char>(small, {1, 50, 90, 3, 200, 7, 9, 0, 255});
    Raster2d<unsigned char> smallOutput(3, 3);
    EXPECT_FALSE(modifier.process(&small, &smallOutput));
    EXPECT_EQ(elements(smallOutput), std::vector<unsigned char>(9, 128));
    // Same raster in and out: the ratio is 1 everywhere.
    Raster2d<unsigned char> varied(8, 8);
    for (unsigned int i = 0; i < 64; ++i)
    {
        varied.getData()[i] = static_cast<unsigned char>(i * 3);
    }
    EXPECT_FALSE(modifier.process(&varied, &varied));
    EXPECT_EQ(elements(varied), std::vector<unsigned char>(64, 128));
    // One element thin: no window, nothing written.
    Raster2d<unsigned char> thin(5, 1);
    setElements<unsigned char>(thin, {1, 2, 3, 4, 5});
    Raster2d<unsigned char> thinOutput(5, 1);
    thinOutput.fill(9);
    EXPECT_FALSE(modifier.process(&thin, &thinOutput));
    EXPECT_EQ(elements(thinOutput), std::vector<unsigned char>(5, 9));
    // Switched off.
    modifier.setParameters(modifier.getDefaultParameters());
    output.fill(1);
    EXPECT_FALSE(modifier.process(&small, &smallOutput));
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST(FilterModifiersTest, DistanceTransformMeasuresToNearestZero)
{
    ImageModifierDistanceTransform modifier(MODIFIER_DISTANCE_TRANSFORM);
    EXPECT_TRUE(modifier.getDefaultParameters().empty());
    Raster2d<unsigned char> input(5, 3);
    input.fill(255);
    input.set(0, 0, 0);
    Raster2d<float> output(5, 3);
    ASSERT_TRUE(modifier.process(&input, &output));
    // The 3 x 3 mask: 0.955 per straight step, 1.3693 per diagonal step.
    EXPECT_EQ(output.at(0, 0), 0.0f);
    EXPECT_NEAR(output.at(1, 0), 0.955f, 1e-3);
    EXPECT_NEAR(output.at(4, 0), 4 * 0.955f, 1e-3);
    EXPECT_NEAR(output.at(1, 1), 1.3693f, 1e-3);
    EXPECT_NEAR(output.at(0, 2), 2 * 0.955f, 1e-3);
    EXPECT_NEAR(output.at(4, 2), 2 * 1.3693f + 2 * 0.955f, 1e-3);
    for (unsigned int x = 1; x < 5; ++x)
    {
        EXPECT_GT(output.at(x, 0), output.at(x - 1, 0));
    }
}

TEST(FilterModifiersTest, DepthScaleMultipliesByTheFactor)
{
    ImageModifierDepthScale modifier(MODIFIER_DEPTH_SCALE);
    EXPECT_EQ(modifier.getDefaultParameters(), (ImageModifierBase::ParameterMap{{"SIZE", 1.0}}));
    Raster2d<float> input(3, 2);
    setElements<float>(input, {0.0f, 1.5f, -2.0f, 100.0f, 0.1f, 3.0f});
    Raster2d<float> output(3, 2);

    modifier.setParameters(modifier.getDefaultParameters());
    EXPECT_TRUE(modifier.process(&input, &output));
    EXPECT_EQ(elements(output), elements(input));

    modifier.setParameters({{ImageModifierDepthScale::SIZE, 2.5}});
    EXPECT_TRUE(modifier.process(&input, &output));
    EXPECT_EQ(elements(output), (std::vector<float>{0.0f, 3.75f, -5.0f, 250.0f, 0.1f * 2.5f, 7.5f}));

    modifier.setParameters({{ImageModifierDepthScale::SIZE, 0}});
    EXPECT_TRUE(modifier.process(&input, &output));
    for (float value : elements(output))
    {
        EXPECT_EQ(value, 0.0f);
    }

    // In place.
    modifier.setParameters({{ImageModifierDepthScale::SIZE, 2.0}});
    EXPECT_TRUE(modifier.process(&input, &input));
    EXPECT_EQ(input.at(1, 0), 3.0f);
}

TEST(FilterModifiersTest, DepthScaleSilentlyRefusesMissingOrNegativeFactors)
{
    Raster2d<float> input(3, 2);
    input.fill(1.0f);
    Raster2d<float> output(3, 2);
    output.fill(9.0f);
    LogCapture log;
    ImageModifierDepthScale modifier(MODIFIER_DEPTH_SCALE);
    EXPECT_FALSE(modifier.process(&input, &output));
    modifier.setParameters({{ImageModifierDepthScale::SIZE, -1.0}});
    EXPECT_FALSE(modifier.process(&input, &output));
    EXPECT_TRUE(log.lines().isEmpty());
    EXPECT_EQ(elements(output), std::vector<float>(6, 9.0f));
}

TEST(FilterModifiersTest, FlipMirrorsRowsAndColumns)
{
    ImageModifierFlip modifier(MODIFIER_FLIP);
    EXPECT_EQ(modifier.getDefaultParameters(),
              (ImageModifierBase::ParameterMap{{"VERTICAL", false}, {"HORIZONTAL", false}}));
    Raster2d<unsigned char> input(3, 2);
    setElements<unsigned char>(input, {1, 2, 3, 4, 5, 6});
    Raster2d<unsigned char> output(3, 2);
    modifier.setParameters({{ImageModifierFlip::VERTICAL, true}, {ImageModifierFlip::HORIZONTAL, false}});
    EXPECT_TRUE(modifier.process(&input, &output));
    EXPECT_EQ(elements(output), (std::vector<unsigned char>{4, 5, 6, 1, 2, 3}));
    modifier.setParameters({{ImageModifierFlip::VERTICAL, false}, {ImageModifierFlip::HORIZONTAL, true}});
    EXPECT_TRUE(modifier.process(&input, &output));
    EXPECT_EQ(elements(output), (std::vector<unsigned char>{3, 2, 1, 6, 5, 4}));
    modifier.setParameters({{ImageModifierFlip::VERTICAL, true}, {ImageModifierFlip::HORIZONTAL, true}});
    EXPECT_TRUE(modifier.process(&input, &output));
    EXPECT_EQ(elements(output), (std::vector<unsigned char>{6, 5, 4, 3, 2, 1}));

    LogCapture log;
    modifier.setParameters(modifier.getDefaultParameters());
    output.fill(0);
    EXPECT_FALSE(modifier.process(&input, &output));
    EXPECT_EQ(elements(output), std::vector<unsigned char>(6, 0));
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST(FilterModifiersTest, FlipNeedsBothDirections)
{
    ImageModifierFlip modifier(MODIFIER_FLIP);
    Raster2d<unsigned char> input(3, 2);
    input.fill(1);
    Raster2d<unsigned char> output(3, 2);
    output.fill(0);
    LogCapture log;
    modifier.setParameters({{ImageModifierFlip::VERTICAL, true}});
    EXPECT_FALSE(modifier.process(&input, &output));
    expectOneError(log, "ImageModifierFlip", "Parameters were not set correctly");
    EXPECT_EQ(elements(output), std::vector<unsigned char>(6, 0));
}
