#include "CvRaster.h"
#include "ImageModifier/ImageModifierBlur.h"
#include "ImageModifier/ImageModifierDilate.h"
#include "ImageModifier/ImageModifierErode.h"
#include "ImageModifier/ImageModifierMedian.h"
#include "support/ModifierTestSupport.h"

#include <memory>

namespace
{
// A 1000 x 1000 raster, black but for full-width white stripes of the
// given thickness starting at the given rows.
std::unique_ptr<Raster2d<unsigned char>> stripes(std::initializer_list<std::pair<unsigned int, unsigned int>> rows)
{
    auto pRaster = std::make_unique<Raster2d<unsigned char>>(1000, 1000);
    pRaster->fill(0);
    for (const auto& stripe : rows)
    {
        std::fill(pRaster->getData() + stripe.first * 1000, pRaster->getData() + (stripe.first + stripe.second) * 1000,
                  255);
    }
    return pRaster;
}

// A 1000 x 1000 raster: columns below 500 are 0, the others the value.
std::unique_ptr<Raster2d<unsigned char>> step(unsigned char value)
{
    auto pRaster = std::make_unique<Raster2d<unsigned char>>(1000, 1000);
    cv::Mat mat = cvHeader(*pRaster);
    mat.setTo(0);
    mat.colRange(500, 1000).setTo(value);
    return pRaster;
}

// Number of white rows through column 500 inside [nFrom, nTo).
int whiteRows(const Raster2d<unsigned char>& raster, unsigned int nFrom, unsigned int nTo)
{
    int n = 0;
    for (unsigned int y = nFrom; y < nTo; ++y)
    {
        n += raster.at(500, y) == 255 ? 1 : 0;
    }
    return n;
}
} // namespace

TEST(MorphologyModifiersTest, DilateGrowsBySqrtScaledPasses)
{
    ImageModifierDilate modifier(MODIFIER_DILATE);
    EXPECT_EQ(modifier.getDefaultParameters(), (ImageModifierBase::ParameterMap{{"ITERATIONS", 0}}));
    Raster2d<unsigned char> input(100, 60);
    input.fill(0);
    input.set(50, 30, 200);
    Raster2d<unsigned char> output(100, 60);

    // sqrt(6000) = 77.5: 13 thousandths give one pass, 26 give two.
    modifier.setParameters({{ImageModifierDilate::ITERATIONS, 13}});
    ASSERT_TRUE(modifier.process(&input, &output));
    EXPECT_EQ(cv::countNonZero(cvHeader(output)), 9);
    EXPECT_EQ(output.at(49, 29), 200);
    EXPECT_EQ(output.at(51, 31), 200);
    modifier.setParameters({{ImageModifierDilate::ITERATIONS, 26}});
    ASSERT_TRUE(modifier.process(&input, &output));
    EXPECT_EQ(cv::countNonZero(cvHeader(output)), 25);
    EXPECT_EQ(output.at(48, 32), 200);

    // 1 thousandth: no pass, a copy, and true.
    modifier.setParameters({{ImageModifierDilate::ITERATIONS, 1}});
    output.fill(7);
    ASSERT_TRUE(modifier.process(&input, &output));
    EXPECT_EQ(elements(output), elements(input));

    // A strength far beyond the raster fills it with the maximum.
    modifier.setParameters({{ImageModifierDilate::ITERATIONS, 2000000000}});
    ASSERT_TRUE(modifier.process(&input, &output));
    EXPECT_EQ(cv::countNonZero(cvHeader(output) == 200), 6000);
}

TEST(MorphologyModifiersTest, ErodeShrinksAndIgnoresTheOutside)
{
    ImageModifierErode modifier(MODIFIER_ERODE);
    Raster2d<unsigned char> input(100, 100);
    input.fill(0);
    cvHeader(input)(cv::Rect(10, 20, 5, 5)).setTo(255);
    Raster2d<unsigned char> output(100, 100);
    // sqrt(10000) = 100: 10 thousandths give one pass.
    modifier.setParameters({{ImageModifierErode::ITERATIONS, 10}});
    ASSERT_TRUE(modifier.process(&input, &output));
    EXPECT_EQ(cv::countNonZero(cvHeader(output)), 9);
    EXPECT_EQ(output.at(11, 21), 255);
    EXPECT_EQ(output.at(10, 20), 0);

    // White up to the edge stays white: the outside does not erode.
    input.fill(255);
    ASSERT_TRUE(modifier.process(&input, &output));
    EXPECT_EQ(cv::countNonZero(cvHeader(output) == 255), 10000);

    modifier.setParameters({{ImageModifierErode::ITERATIONS, 1}});
    input.set(0, 0, 3);
    ASSERT_TRUE(modifier.process(&input, &output));
    EXPECT_EQ(elements(output), elements(input));
}

TEST(MorphologyModifiersTest, MorphologyRefusals)
{
    Raster2d<unsigned char> input(10, 10);
    input.fill(5);
    Raster2d<unsigned char> output(10, 10);
    output.fill(1);
    ImageModifierDilate dilate(MODIFIER_DILATE);
    ImageModifierErode erode(MODIFIER_ERODE);
    ImageModifierBase* modifiers[] = {&dilate, &erode};
    const QString names[] = {"ImageModifierDilate", "ImageModifierErode"};
    for (int i = 0; i < 2; ++i)
    {
        ImageModifierBase& modifier = *modifiers[i];
        {
            LogCapture log;
            modifier.setParameters({{"ITERATIONS", 0}});
            EXPECT_FALSE(modifier.process(&input, &output));
            EXPECT_TRUE(log.lines().isEmpty());
        }
        {
            LogCapture log;
            modifier.setParameters({{"ITERATIONS", -500}});
            EXPECT_FALSE(modifier.process(&input, &output));
            expectOneError(log, names[i], "Parameters are invalid");
        }
        {
            LogCapture log;
            modifier.setParameters({});
            EXPECT_FALSE(modifier.process(&input, &output));
            expectOneError(log, names[i], "Parameters were not set correctly");
        }
        EXPECT_EQ(elements(output), std::vector<unsigned char>(100, 1));
    }
}

TEST(MorphologyModifiersTest, MedianWindowFollowsTheStrength)
{
    ImageModifierMedian modifier(MODIFIER_MEDIAN);
    EXPECT_EQ(modifier.getDefaultParameters(), (ImageModifierBase::ParameterMap{{"SIZE", 0}}));
    Raster2d<unsigned char> output(1000, 1000);

    // SIZE 10: n = 10, window 11; a stripe needs 6 rows to keep its middle.
    auto pInput = stripes({{100, 5}, {300, 6}});
    modifier.setParameters({{ImageModifierMedian::SIZE, 10}});
    ASSERT_TRUE(modifier.process(pInput.get(), &output));
    EXPECT_EQ(whiteRows(output, 90, 120), 0);
    EXPECT_GT(whiteRows(output, 290, 320), 0);

    // SIZE 2: window 3; 2 rows survive, 1 does not.
    pInput = stripes({{100, 1}, {300, 2}});
    modifier.setParameters({{ImageModifierMedian::SIZE, 2}});
    ASSERT_TRUE(modifier.process(pInput.get(), &output));
    EXPECT_EQ(whiteRows(output, 90, 120), 0);
    EXPECT_EQ(whiteRows(output, 290, 320), 2);

    // SIZE 300: n = 300, limited to a window of 255; 128 rows survive, 127 not.
    pInput = stripes({{100, 127}, {500, 128}});
    modifier.setParameters({{ImageModifierMedian::SIZE, 300}});
    ASSERT_TRUE(modifier.process(pInput.get(), &output));
    EXPECT_EQ(whiteRows(output, 0, 400), 0);
    EXPECT_GT(whiteRows(output, 500, 628), 0);

    // SIZE 1 (n = 1) and negative strengths do nothing.
    LogCapture log;
    output.fill(9);
    for (int nSize : {1, -5, 0})
    {
        modifier.setParameters({{ImageModifierMedian::SIZE, nSize}});
        EXPECT_FALSE(modifier.process(pInput.get(), &output));
    }
    EXPECT_EQ(cv::countNonZero(cvHeader(output) == 9), 1000000);
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST(MorphologyModifiersTest, BlurWindowFollowsTheStrength)
{
    ImageModifierBlur modifier(MODIFIER_BLUR);
    Raster2d<unsigned char> output(1000, 1000);

    // SIZE 10: window 11 across a step 0 | 242 at column 500: column x holds
    // 242 * (x - 494) / 11 = 22 * (x - 494) for x in 495..504.
    auto pInput = step(242);
    modifier.setParameters({{ImageModifierBlur::SIZE, 10}});
    ASSERT_TRUE(modifier.process(pInput.get(), &output));
    EXPECT_EQ(output.at(494, 400), 0);
    EXPECT_EQ(output.at(495, 400), 22);
    EXPECT_EQ(output.at(500, 400), 132);
    EXPECT_EQ(output.at(504, 400), 220);
    EXPECT_EQ(output.at(505, 400), 242);

    // SIZE 2: window 3.
    pInput = step(240);
    modifier.setParameters({{ImageModifierBlur::SIZE, 2}});
    ASSERT_TRUE(modifier.process(pInput.get(), &output));
    EXPECT_EQ(output.at(498, 7), 0);
    EXPECT_EQ(output.at(499, 7), 80);
    EXPECT_EQ(output.at(500, 7), 160);
    EXPECT_EQ(output.at(501, 7), 240);

    // SIZE 300: window 301, no limit at 255.
    pInput = step(255);
    modifier.setParameters({{ImageModifierBlur::SIZE, 300}});
    ASSERT_TRUE(modifier.process(pInput.get(), &output));
    EXPECT_EQ(output.at(349, 500), 0);
    EXPECT_GT(output.at(350, 500), 0);
    EXPECT_LT(output.at(649, 500), 255);
    EXPECT_EQ(output.at(650, 500), 255);
}

TEST(MorphologyModifiersTest, SmoothingRefusals)
{
    Raster2d<unsigned char> input(10, 10);
    input.fill(5);
    Raster2d<unsigned char> output(10, 10);
    output.fill(1);
    ImageModifierMedian median(MODIFIER_MEDIAN);
    ImageModifierBlur blur(MODIFIER_BLUR);
    ImageModifierBase* modifiers[] = {&median, &blur};
    const QString names[] = {"ImageModifierMedian", "ImageModifierBlur"};
    for (int i = 0; i < 2; ++i)
    {
        ImageModifierBase& modifier = *modifiers[i];
        {
            LogCapture log;
            modifier.setParameters({{"SIZE", "wide"}});
            EXPECT_FALSE(modifier.process(&input, &output));
            EXPECT_TRUE(log.lines().isEmpty()) << "text converts to 0";
            modifier.setParameters({{"SIZE", QVariant()}});
            EXPECT_FALSE(modifier.process(&input, &output));
            expectOneError(log, names[i], "Parameters were not set correctly");
        }
        EXPECT_EQ(elements(output), std::vector<unsigned char>(100, 1));
    }
    // A blur window wider than the raster's reflections is refused.
    LogCapture log;
    blur.setParameters({{"SIZE", 2200}});
    EXPECT_FALSE(blur.process(&input, &output));
    expectOneError(log, "ImageModifierBlur", "Parameters are invalid");
    blur.setParameters({{"SIZE", 2100}});
    EXPECT_TRUE(blur.process(&input, &output));
    EXPECT_EQ(elements(output), std::vector<unsigned char>(100, 5));
}
