#include "ImageModifier/ImageModifierHeightHistogram.h"
#include "ImageModifier/ImageModifierHeightProfileRender.h"
#include "ImageModifier/ImageModifierSliceRender.h"
#include "support/ModifierTestSupport.h"

#include <limits>
#include <memory>
#include <vector>

namespace
{
using Bytes = std::vector<unsigned char>;
const float NaN = std::numeric_limits<float>::quiet_NaN();
const float INF = std::numeric_limits<float>::infinity();

// Sizes the chart by the modifier's own rule, then draws it.
std::unique_ptr<Raster2d<unsigned char>> chart(ImageModifierBase& modifier, Raster2d<float>& input)
{
    unsigned int nWidth = 0;
    unsigned int nHeight = 0;
    EXPECT_TRUE(modifier.getOutputSize(&input, nullptr, nWidth, nHeight));
    auto pChart = std::make_unique<Raster2d<unsigned char>>(nWidth, nHeight);
    pChart->fill(77);
    EXPECT_TRUE(modifier.process(&input, pChart.get()));
    return pChart;
}

ImageModifierBase::ParameterMap slice(const QString& sOrientation, double dPosition)
{
    return {{ImageModifierSliceRender::ORIENTATION, sOrientation}, {ImageModifierSliceRender::POSITION, dPosition}};
}

std::vector<float> histogram(Raster2d<unsigned char>& drawing, bool bKeepEmptySpaces)
{
    ImageModifierHeightHistogram modifier(MODIFIER_HEIGHT_HISTOGRAM);
    modifier.setParameters({{ImageModifierHeightHistogram::KEEP_EMPTY_SPACES, bKeepEmptySpaces}});
    Raster2d<float> profile(drawing.getWidth(), 1);
    profile.fill(-1);
    EXPECT_TRUE(modifier.process(&drawing, &profile));
    return elements(profile);
}

void expectNear(const std::vector<float>& actual, const std::vector<float>& expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i)
    {
        EXPECT_NEAR(actual[i], expected[i], 1e-4) << "at " << i; // thirds from the 3-neighbour mean
    }
}
} // namespace

TEST(SliceRenderTest, RowOrColumnBecomesAnAreaChartAsHighAsTheRastersMaximum)
{
    ImageModifierSliceRender modifier(MODIFIER_SLICE_RENDER);
    modifier.setParameters(modifier.getDefaultParameters()); // HORIZONTAL at 0.5: row 1 of 3
    Raster2d<float> input(5, 3);
    setElements<float>(input, {0, 0, 0, 0, 0, 3, 2.5f, 0.5f, 1, 4, 0, 0, 0, 0, 0});
    // v lights levels 1..v; level 0 (bottom row) and the last column stay black.
    EXPECT_EQ(elements(*chart(modifier, input)), (Bytes{255, 0, 0, 0, 0, //
                                                       255, 255, 0, 0, 0, //
                                                       255, 255, 0, 255, 0, //
                                                       0, 0, 0, 0, 0}));

    // VERTICAL at 0.5 on a raster 4 wide cuts column 1; the height comes from
    // the whole raster's maximum (2), not the slice's.
    Raster2d<float> columns(4, 3);
    setElements<float>(columns, {0, 1, 0, 0, 2, 0, 2, 2, 0, 1, 0, 0});
    modifier.setParameters(slice(ImageModifierSliceRender::VERTICAL, 0.5));
    EXPECT_EQ(elements(*chart(modifier, columns)), (Bytes{255, 0, 0, 0, 0, 0}));
    modifier.setParameters(slice(ImageModifierSliceRender::VERTICAL, 1.0));
    EXPECT_EQ(elements(*chart(modifier, columns)), (Bytes{0, 255, 0, 0, 0, 0}));

    // Heights below 1 (and NaN, passed over) give one black row.
    Raster2d<float> low(3, 2);
    setElements<float>(low, {0.9f, 0.2f, -5, NaN, 0.5f, 0});
    modifier.setParameters(modifier.getDefaultParameters());
    EXPECT_EQ(elements(*chart(modifier, low)), (Bytes{0, 0, 0}));
}

TEST(SliceRenderTest, RefusesParametersSilentlyAndRastersWithOneError)
{
    LogCapture log;
    ImageModifierSliceRender modifier(MODIFIER_SLICE_RENDER);
    Raster2d<float> input(3, 3);
    setElements<float>(input, {0, 0, 0, 2, 2, 2, 0, 0, 0});
    Raster2d<unsigned char> output(3, 2);
    output.fill(9);
    for (const auto& parameters : {slice("HORIZONTAL", 1.5), slice("HORIZONTAL", -0.1), slice("HORIZONTAL", NaN),
                                   slice("", 0.5), ImageModifierBase::ParameterMap{}})
    {
        modifier.setParameters(parameters);
        EXPECT_FALSE(modifier.process(&input, &output));
    }
    EXPECT_TRUE(log.lines().isEmpty());

    modifier.setParameters(modifier.getDefaultParameters());
    Raster2d<float> floats(3, 2);
    EXPECT_FALSE(modifier.process(&output, &output));
    EXPECT_FALSE(modifier.process(&input, &floats));
    // The right type but not the chart's 3 by 2: nothing is written.
    Raster2d<unsigned char> wrongSize(3, 3);
    wrongSize.fill(9);
    EXPECT_FALSE(modifier.process(&input, &wrongSize));
    EXPECT_EQ(elements(wrongSize), Bytes(9, 9));
    EXPECT_EQ(elements(output), Bytes(6, 9));
    const QStringList lines = log.lines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith("ERROR: ImageModifier\\ImageModifierSliceRender::"));
    EXPECT_TRUE(lines[0].endsWith(": Input raster could not be processed"));
    EXPECT_TRUE(lines[1].endsWith(": Output raster could not be processed"));
    EXPECT_TRUE(lines[2].endsWith(": Size of output image is invalid"));
}

TEST(SliceRenderTest, TallOrInfiniteChartsHaveNoSize)
{
    ImageModifierSliceRender modifier(MODIFIER_SLICE_RENDER);
    modifier.setParameters(modifier.getDefaultParameters());
    unsigned int nWidth = 7;
    unsigned int nHeight = 7;
    Raster2d<float> input(2, 1);
    for (float fMaximum : {70000.0f, INF})
    {
        setElements<float>(input, {fMaximum, 1});
        EXPECT_FALSE(modifier.getOutputSize(&input, nullptr, nWidth, nHeight));
    }
    EXPECT_EQ(nHeight, 7u);
    Raster2d<unsigned char> output(2, 1);
    EXPECT_ASSERTION(modifier.process(&input, &output), "bSizeOk");

    setElements<float>(input, {65535.9f, 1});
    EXPECT_TRUE(modifier.getOutputSize(&input, nullptr, nWidth, nHeight));
    EXPECT_EQ(nHeight, 65535u);
    EXPECT_FALSE(modifier.getOutputSize(&output, nullptr, nWidth, nHeight));
    modifier.setParameters({});
    EXPECT_FALSE(modifier.getOutputSize(&input, nullptr, nWidth, nHeight));
}

TEST(HeightHistogramTest, DrawnProfileIsLiftedTrimmedStretchedAndSmoothed)
{
    // Column heights 2, 3, 0, 0; white margin under the drawing 1.
    Raster2d<unsigned char> drawing(4, 4);
    setElements<unsigned char>(drawing, {255, 255, 255, 255, 255, 0, 255, 255, 0, 0, 255, 255, 255, 255, 255, 255});
    expectNear(histogram(drawing, false), {1.0f, 4.0f / 3, 5.0f / 3, 2.0f});
    expectNear(histogram(drawing, true), {5.0f / 3, 1.0f, 2.0f / 3, 0.0f});

    // Column 0 is empty and cut off. Column 1 reaches the bottom (margin 0),
    // column 2 stands on a margin of 1: the base line is 0, heights stay 3, 2,
    // stretched to 3, 2, 2 and smoothed with mirrored ends.
    Raster2d<unsigned char> onBottom(3, 3);
    setElements<unsigned char>(onBottom, {255, 0, 255, 255, 0, 0, 255, 0, 255});
    expectNear(histogram(onBottom, false), {7.0f / 3, 7.0f / 3, 2.0f});
}

TEST(HeightHistogramTest, BlankOrSingleColumnDrawingsGiveZeroProfile)
{
    Raster2d<unsigned char> blank(4, 3);
    blank.fill(255);
    EXPECT_EQ(histogram(blank, false), std::vector<float>(4, 0.0f));
    EXPECT_EQ(histogram(blank, true), std::vector<float>(4, 0.0f));
    Raster2d<unsigned char> oneColumn(3, 2);
    setElements<unsigned char>(oneColumn, {255, 0, 255, 255, 0, 255});
    EXPECT_EQ(histogram(oneColumn, false), std::vector<float>(3, 0.0f));
    // Keeping empty spaces: trimmed (2, 0) stretched to 2, 0, 0, smoothed.
    expectNear(histogram(oneColumn, true), {2.0f / 3, 2.0f / 3, 0.0f});

    // Its render is one white row, not a chart of height 0.
    Raster2d<float> profile(4, 1);
    profile.fill(0);
    ImageModifierHeightProfileRender render(MODIFIER_HEIGHT_PROFILE_RENDER);
    EXPECT_EQ(elements(*chart(render, profile)), Bytes(4, 255));
}

TEST(HeightHistogramTest, RefusesWrongRastersAndParameters)
{
    LogCapture log;
    ImageModifierHeightHistogram modifier(MODIFIER_HEIGHT_HISTOGRAM);
    modifier.setParameters(modifier.getDefaultParameters());
    Raster2d<unsigned char> drawing(3, 2);
    drawing.fill(0);
    Raster2d<float> profile(3, 1);
    Raster2d<float> wrongSize(3, 2);
    profile.fill(7);
    wrongSize.fill(7);
    EXPECT_FALSE(modifier.process(&profile, &profile));
    EXPECT_FALSE(modifier.process(&drawing, &drawing));
    EXPECT_FALSE(modifier.process(&drawing, &wrongSize));
    modifier.setParameters({});
    EXPECT_FALSE(modifier.process(&drawing, &profile)); // no log line
    EXPECT_EQ(elements(wrongSize), std::vector<float>(6, 7.0f));
    EXPECT_EQ(elements(profile), std::vector<float>(3, 7.0f));
    const QStringList lines = log.lines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith("ERROR: ImageModifier\\ImageModifierHeightHistogram::"));
    EXPECT_TRUE(lines[0].endsWith(": Input raster could not be processed"));
    EXPECT_TRUE(lines[1].endsWith(": Output raster could not be processed"));
    EXPECT_TRUE(lines[2].endsWith(": Size of output image is invalid"));
}

TEST(HeightProfileRenderTest, FirstRowBecomesBlackAreaFromTheBottom)
{
    ImageModifierHeightProfileRender modifier(MODIFIER_HEIGHT_PROFILE_RENDER);
    Raster2d<float> profile(4, 1);
    setElements<float>(profile, {0, 1.5f, 3, 3});
    EXPECT_EQ(elements(*chart(modifier, profile)), (Bytes{255, 255, 0, 255, //
                                                         255, 255, 0, 255, //
                                                         255, 0, 0, 255}));
    // Only the first row is drawn, but the whole raster sets the height: 2.7
    // blackens two rows of four.
    Raster2d<float> twoRows(3, 2);
    setElements<float>(twoRows, {2.7f, NaN, 0, 0, 4, 0});
    EXPECT_EQ(elements(*chart(modifier, twoRows)), (Bytes{255, 255, 255, 255, 255, 255, 0, 255, 255, 0, 255, 255}));
}

TEST(HeightProfileRenderTest, RefusesWrongRastersAndSizes)
{
    LogCapture log;
    ImageModifierHeightProfileRender modifier(MODIFIER_HEIGHT_PROFILE_RENDER);
    Raster2d<float> profile(3, 1);
    setElements<float>(profile, {1, 2, 0});
    Raster2d<unsigned char> bytes(3, 2);
    Raster2d<float> floats(3, 2);
    EXPECT_FALSE(modifier.process(&bytes, &bytes));
    EXPECT_FALSE(modifier.process(&profile, &floats));
    EXPECT_EQ(log.count("ERROR"), 2);
    Raster2d<unsigned char> wide(4, 2);
    EXPECT_ASSERTION(modifier.process(&profile, &wide), "nWidth == pRaster2dOutput->getWidth()");
    Raster2d<unsigned char> tall(3, 3);
    EXPECT_ASSERTION(modifier.process(&profile, &tall), "nHeight == pRaster2dOutput->getHeight()");

    unsigned int nWidth = 0;
    unsigned int nHeight = 0;
    EXPECT_FALSE(modifier.getOutputSize(&bytes, nullptr, nWidth, nHeight));
    for (float fMaximum : {1e9f, INF})
    {
        setElements<float>(profile, {fMaximum, 0, 0});
        EXPECT_FALSE(modifier.getOutputSize(&profile, nullptr, nWidth, nHeight));
    }
}
