#include "ImageModifier/ImageModifierHeightHistogram.h"
#include "ImageModifier/ImageModifierHeightProfileRender.h"
#include "ImageModifier/ImageModifierSliceRender.h"
#include "support/ModifierTestSupport.h"

#include <limits>
#include <vector>

namespace
{
template <typename T>
std::unique_ptr<Raster2d<T>> makeRaster(unsigned int nWidth, unsigned int nHeight, const std::vector<T>& values)
{
    EXPECT_EQ(values.size(), std::size_t(nWidth) * nHeight);
    auto pRaster = std::make_unique<Raster2d<T>>(nWidth, nHeight);
    for (unsigned int i = 0; i < pRaster->getSize() && i < values.size(); ++i)
    {
        pRaster->getData()[i] = values[i];
    }
    return pRaster;
}


using Bytes = std::vector<unsigned char>;

// Sizes the chart by the modifier's own rule and renders it.
std::unique_ptr<Raster2d<unsigned char>> renderSlice(ImageModifierSliceRender& modifier, Raster2d<float>& input)
{
    unsigned int nWidth = 0;
    unsigned int nHeight = 0;
    EXPECT_TRUE(modifier.getOutputSize(&input, nullptr, nWidth, nHeight));
    auto pChart = std::make_unique<Raster2d<unsigned char>>(nWidth, nHeight);
    pChart->fill(77);
    EXPECT_TRUE(modifier.process(&input, pChart.get()));
    return pChart;
}
} // namespace

TEST(SliceRenderTest, HorizontalSliceOfMiddleRowBecomesAreaChart)
{
    // Row 1 is cut; its largest value (4, last column) sets the chart height.
    auto pInput = makeRaster<float>(5, 3, {0, 0, 0, 0, 0, //
                                           3, 2.5f, 0.5f, 1, 4, //
                                           0, 0, 0, 0, 0});
    ImageModifierSliceRender modifier;
    modifier.setParameters(modifier.getDefaultParameters());
    auto pChart = renderSlice(modifier, *pInput);
    ASSERT_EQ(pChart->getWidth(), 5u);
    ASSERT_EQ(pChart->getHeight(), 4u);
    // A value v lights levels 1..v; level 0 (bottom row) and the last column stay black.
    EXPECT_EQ(elements(*pChart), (Bytes{255, 0, 0, 0, 0, //
                                        255, 255, 0, 0, 0, //
                                        255, 255, 0, 255, 0, //
                                        0, 0, 0, 0, 0}));
}

TEST(SliceRenderTest, VerticalSliceTakesColumnAndHeightOfWholeRaster)
{
    // Position 0.5 on a raster 4 wide cuts column 1 = (2, 0, 1).
    auto pInput = makeRaster<float>(4, 3, {0, 2, 0, 0, //
                                           2, 0, 2, 2, //
                                           0, 1, 0, 0});
    ImageModifierSliceRender modifier;
    modifier.setParameters({{ImageModifierSliceRender::ORIENTATION, ImageModifierSliceRender::VERTICAL},
                            {ImageModifierSliceRender::POSITION, 0.5}});
    auto pChart = renderSlice(modifier, *pInput);
    ASSERT_EQ(pChart->getWidth(), 3u);
    ASSERT_EQ(pChart->getHeight(), 2u);
    EXPECT_EQ(elements(*pChart), (Bytes{255, 0, 0, 0, 0, 0}));

    // Position 1 cuts the last column (0, 2, 0).
    modifier.setParameters({{ImageModifierSliceRender::ORIENTATION, ImageModifierSliceRender::VERTICAL},
                            {ImageModifierSliceRender::POSITION, 1.0}});
    pChart = renderSlice(modifier, *pInput);
    EXPECT_EQ(elements(*pChart), (Bytes{0, 255, 0, 0, 0, 0}));
}

TEST(SliceRenderTest, LowHeightsGiveOneBlackRow)
{
    auto pInput = makeRaster<float>(3, 2, {0.9f, 0.2f, -5, std::numeric_limits<float>::quiet_NaN(), 0.5f, 0});
    ImageModifierSliceRender modifier;
    modifier.setParameters(modifier.getDefaultParameters());
    auto pChart = renderSlice(modifier, *pInput);
    ASSERT_EQ(pChart->getHeight(), 1u);
    EXPECT_EQ(elements(*pChart), (Bytes{0, 0, 0}));
}

TEST(SliceRenderTest, UnusableParametersFailWithoutLogLine)
{
    LogCapture log;
    auto pInput = makeRaster<float>(2, 2, {1, 1, 1, 1});
    Raster2d<unsigned char> chart(2, 1);
    chart.fill(9);
    ImageModifierSliceRender modifier;
    for (const auto& parameters : std::vector<ImageModifierBase::ParameterMap>{
             {{ImageModifierSliceRender::ORIENTATION, "HORIZONTAL"}, {ImageModifierSliceRender::POSITION, 1.5}},
             {{ImageModifierSliceRender::ORIENTATION, "HORIZONTAL"}, {ImageModifierSliceRender::POSITION, -0.1}},
             {{ImageModifierSliceRender::ORIENTATION, "HORIZONTAL"},
              {ImageModifierSliceRender::POSITION, std::numeric_limits<double>::quiet_NaN()}},
             {{ImageModifierSliceRender::ORIENTATION, ""}, {ImageModifierSliceRender::POSITION, 0.5}},
             {{ImageModifierSliceRender::POSITION, 0.5}}})
    {
        modifier.setParameters(parameters);
        EXPECT_FALSE(modifier.process(pInput.get(), &chart));
    }
    EXPECT_EQ(elements(chart), (Bytes{9, 9}));
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST(SliceRenderTest, WrongRastersAreRefusedWithOneErrorEach)
{
    LogCapture log;
    ImageModifierSliceRender modifier;
    modifier.setParameters(modifier.getDefaultParameters());
    auto pInput = makeRaster<float>(3, 3, {0, 0, 0, 2, 2, 2, 0, 0, 0});
    Raster2d<unsigned char> bytes(3, 2);
    Raster2d<float> floats(3, 2);
    bytes.fill(9);
    EXPECT_FALSE(modifier.process(&bytes, &bytes));
    EXPECT_FALSE(modifier.process(pInput.get(), &floats));
    // Of the right type but not of the chart's size (3 by 2): nothing written.
    Raster2d<unsigned char> wrongSize(3, 3);
    wrongSize.fill(9);
    EXPECT_FALSE(modifier.process(pInput.get(), &wrongSize));
    EXPECT_EQ(elements(wrongSize), Bytes(9, 9));
    const QStringList lines = log.lines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].endsWith(": Input raster could not be processed"));
    EXPECT_TRUE(lines[1].endsWith(": Output raster could not be processed"));
    EXPECT_TRUE(lines[2].endsWith(": Size of output image is invalid"));
    EXPECT_EQ(log.count("ERROR"), 3);
}

TEST(SliceRenderTest, OutputSizeRefusesTallOrInfiniteCharts)
{
    ImageModifierSliceRender modifier;
    modifier.setParameters(modifier.getDefaultParameters());
    unsigned int nWidth = 7;
    unsigned int nHeight = 7;
    auto pTall = makeRaster<float>(2, 1, {70000, 1});
    EXPECT_FALSE(modifier.getOutputSize(pTall.get(), nullptr, nWidth, nHeight));
    auto pInfinite = makeRaster<float>(2, 1, {std::numeric_limits<float>::infinity(), 1});
    EXPECT_FALSE(modifier.getOutputSize(pInfinite.get(), nullptr, nWidth, nHeight));
    EXPECT_EQ(nWidth, 7u);
    EXPECT_EQ(nHeight, 7u);
    // process asks the same rule, so such a raster never reaches the chart.
    Raster2d<unsigned char> chart(2, 1);
    EXPECT_ASSERTION(modifier.process(pTall.get(), &chart), "bSizeOk");

    // The largest chart still accepted.
    auto pHighest = makeRaster<float>(2, 1, {65535.9f, 1});
    EXPECT_TRUE(modifier.getOutputSize(pHighest.get(), nullptr, nWidth, nHeight));
    EXPECT_EQ(nHeight, 65535u);
    // A non-float input or an unreadable orientation has no size.
    Raster2d<unsigned char> bytes(2, 1);
    EXPECT_FALSE(modifier.getOutputSize(&bytes, nullptr, nWidth, nHeight));
    modifier.setParameters({});
    EXPECT_FALSE(modifier.getOutputSize(pHighest.get(), nullptr, nWidth, nHeight));
}

namespace
{
// The profile of a drawing, sized by the modifier's own rule.
std::vector<float> histogramOf(Raster2d<unsigned char>& drawing, bool bKeepEmptySpaces)
{
    ImageModifierHeightHistogram modifier;
    modifier.setParameters({{ImageModifierHeightHistogram::KEEP_EMPTY_SPACES, bKeepEmptySpaces}});
    unsigned int nWidth = 0;
    unsigned int nHeight = 0;
    EXPECT_TRUE(modifier.getOutputSize(&drawing, nullptr, nWidth, nHeight));
    EXPECT_EQ(nWidth, drawing.getWidth());
    EXPECT_EQ(nHeight, 1u);
    Raster2d<float> profile(nWidth, nHeight);
    profile.fill(-1);
    EXPECT_TRUE(modifier.process(&drawing, &profile));
    return elements(profile);
}

void expectNear(const std::vector<float>& actual, const std::vector<float>& expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i)
    {
        // Thirds from the three-neighbour mean.
        EXPECT_NEAR(actual[i], expected[i], 1e-4) << "at " << i;
    }
}
} // namespace

TEST(HeightHistogramTest, DrawnProfileIsLiftedTrimmedStretchedAndSmoothed)
{
    // Column heights 2, 3, 0, 0; white margin under the drawing 1.
    auto pDrawing = makeRaster<unsigned char>(4, 4, {255, 255, 255, 255, //
                                                     255, 0, 255, 255, //
                                                     0, 0, 255, 255, //
                                                     255, 255, 255, 255});
    expectNear(histogramOf(*pDrawing, false), {1.0f, 4.0f / 3, 5.0f / 3, 2.0f});
    expectNear(histogramOf(*pDrawing, true), {5.0f / 3, 1.0f, 2.0f / 3, 0.0f});
}

TEST(HeightHistogramTest, LeadingEmptyColumnsAreCutAndMarginOfZeroIsTheBaseLine)
{
    // Column 1 reaches the bottom edge (margin 0), column 2 stands on a margin
    // of 1: the base line is 0, so heights stay 3 and 2 (and are not lowered
    // by 1). Column 0 is empty and cut off.
    auto pDrawing = makeRaster<unsigned char>(3, 3, {255, 0, 255, //
                                                     255, 0, 0, //
                                                     255, 0, 255});
    // Trimmed (3, 2) stretched over 3 columns: 3, floor(3 * 1/3 + 2 * 2/3) = 2, 2;
    // then the three-neighbour mean with mirrored ends.
    expectNear(histogramOf(*pDrawing, false), {(2 + 3 + 2) / 3.0f, (3 + 2 + 2) / 3.0f, 2.0f});

    // The other way round: margin 1 first, then margin 0.
    auto pMirrored = makeRaster<unsigned char>(3, 3, {255, 255, 0, //
                                                      255, 0, 0, //
                                                      255, 255, 0});
    // Trimmed (2, 3) stretched: 2, floor(3 * 1/3 + 2 * 2/3) = 2, 3.
    expectNear(histogramOf(*pMirrored, false), {2.0f, (2 + 2 + 3) / 3.0f, (2 + 3 + 2) / 3.0f});
}

TEST(HeightHistogramTest, BlankOrSingleColumnDrawingsGiveZeroProfile)
{
    Raster2d<unsigned char> blank(4, 3);
    blank.fill(255);
    EXPECT_EQ(histogramOf(blank, false), std::vector<float>(4, 0.0f));
    EXPECT_EQ(histogramOf(blank, true), std::vector<float>(4, 0.0f));

    auto pOneColumn = makeRaster<unsigned char>(3, 2, {255, 0, 255, 255, 0, 255});
    EXPECT_EQ(histogramOf(*pOneColumn, false), std::vector<float>(3, 0.0f));
    // Keeping the empty spaces, the drawn column runs on to the last one:
    // trimmed (2, 0) stretched to 2, floor(2 * 2/3) = 0, 0, smoothed.
    expectNear(histogramOf(*pOneColumn, true), {2.0f / 3, 2.0f / 3, 0.0f});
}

TEST(HeightHistogramTest, WrongRastersAndParametersAreRefused)
{
    LogCapture log;
    ImageModifierHeightHistogram modifier;
    modifier.setParameters(modifier.getDefaultParameters());
    Raster2d<unsigned char> drawing(3, 2);
    drawing.fill(0);
    Raster2d<float> floats(3, 1);
    Raster2d<float> wrongSize(3, 2);
    wrongSize.fill(7);
    EXPECT_FALSE(modifier.process(&floats, &floats));
    EXPECT_FALSE(modifier.process(&drawing, &drawing));
    EXPECT_FALSE(modifier.process(&drawing, &wrongSize));
    EXPECT_EQ(elements(wrongSize), std::vector<float>(6, 7.0f));
    const QStringList lines = log.lines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].endsWith(": Input raster could not be processed"));
    EXPECT_TRUE(lines[1].endsWith(": Output raster could not be processed"));
    EXPECT_TRUE(lines[2].endsWith(": Size of output image is invalid"));

    modifier.setParameters({});
    floats.fill(7);
    EXPECT_FALSE(modifier.process(&drawing, &floats));
    EXPECT_EQ(elements(floats), std::vector<float>(3, 7.0f));
    EXPECT_EQ(log.lines().size(), 3);
}

TEST(HeightHistogramTest, RefusalIsLoggedAtTheModifiersSource)
{
    LogCapture log;
    ImageModifierHeightHistogram modifier;
    Raster2d<float> floats(3, 1);
    EXPECT_FALSE(modifier.process(&floats, &floats));
    expectOneError(log, "ImageModifierHeightHistogram", "Input raster could not be processed");
}

namespace
{
std::unique_ptr<Raster2d<unsigned char>> renderProfile(Raster2d<float>& profile)
{
    ImageModifierHeightProfileRender modifier;
    modifier.setParameters(modifier.getDefaultParameters());
    unsigned int nWidth = 0;
    unsigned int nHeight = 0;
    EXPECT_TRUE(modifier.getOutputSize(&profile, nullptr, nWidth, nHeight));
    auto pChart = std::make_unique<Raster2d<unsigned char>>(nWidth, nHeight);
    pChart->fill(77);
    EXPECT_TRUE(modifier.process(&profile, pChart.get()));
    return pChart;
}
} // namespace

TEST(HeightProfileRenderTest, ProfileBecomesBlackAreaFromTheBottom)
{
    auto pProfile = makeRaster<float>(4, 1, {0, 1.5f, 3, 3});
    auto pChart = renderProfile(*pProfile);
    ASSERT_EQ(pChart->getWidth(), 4u);
    ASSERT_EQ(pChart->getHeight(), 3u);
    EXPECT_EQ(elements(*pChart), (Bytes{255, 255, 0, 255, //
                                        255, 255, 0, 255, //
                                        255, 0, 0, 255}));

    // Only the first row is drawn; 2.7 blackens two rows of four.
    auto pTwoRows = makeRaster<float>(3, 2, {2.7f, 0, 0, 0, 4, 0});
    pChart = renderProfile(*pTwoRows);
    ASSERT_EQ(pChart->getHeight(), 4u);
    EXPECT_EQ(elements(*pChart), (Bytes{255, 255, 255, 255, 255, 255, 0, 255, 255, 0, 255, 255}));
}

TEST(HeightProfileRenderTest, BlankProfileGivesOneWhiteRow)
{
    Raster2d<unsigned char> blank(4, 3);
    blank.fill(255);
    Raster2d<float> profile(4, 1);
    ImageModifierHeightHistogram histogram;
    histogram.setParameters(histogram.getDefaultParameters());
    ASSERT_TRUE(histogram.process(&blank, &profile));
    auto pChart = renderProfile(profile);
    ASSERT_EQ(pChart->getHeight(), 1u);
    EXPECT_EQ(elements(*pChart), Bytes(4, 255));
}

TEST(HeightProfileRenderTest, RefusesWrongRastersAndSizes)
{
    LogCapture log;
    ImageModifierHeightProfileRender modifier;
    auto pProfile = makeRaster<float>(3, 1, {1, 2, 0});
    Raster2d<unsigned char> bytes(3, 2);
    EXPECT_FALSE(modifier.process(&bytes, &bytes));
    Raster2d<float> floats(3, 2);
    EXPECT_FALSE(modifier.process(pProfile.get(), &floats));
    EXPECT_EQ(log.count("ERROR"), 2);

    Raster2d<unsigned char> wide(4, 2);
    EXPECT_ASSERTION(modifier.process(pProfile.get(), &wide), "nWidth == pRaster2dOutput->getWidth()");
    Raster2d<unsigned char> tall(3, 3);
    EXPECT_ASSERTION(modifier.process(pProfile.get(), &tall), "nHeight == pRaster2dOutput->getHeight()");

    unsigned int nWidth = 0;
    unsigned int nHeight = 0;
    EXPECT_FALSE(modifier.getOutputSize(&bytes, nullptr, nWidth, nHeight));
    auto pHuge = makeRaster<float>(2, 1, {1e9f, 0});
    EXPECT_FALSE(modifier.getOutputSize(pHuge.get(), nullptr, nWidth, nHeight));
    auto pInfinite = makeRaster<float>(2, 1, {std::numeric_limits<float>::infinity(), 0});
    EXPECT_FALSE(modifier.getOutputSize(pInfinite.get(), nullptr, nWidth, nHeight));
}
