#include "ImageModifier/ImageModifierSliceRender.h"
#include "TestSupport.h"

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

template <typename T>
std::vector<T> elements(const Raster2d<T>& raster)
{
    return std::vector<T>(raster.getData(), raster.getData() + raster.getSize());
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
