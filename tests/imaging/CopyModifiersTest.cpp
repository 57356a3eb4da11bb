#include "ImageModifier/ImageModifierClone.h"
#include "ImageModifier/ImageModifierResize.h"
#include "support/ModifierTestSupport.h"

#include <limits>

namespace
{
struct SizeCase
{
    unsigned int nPixels;
    unsigned int nInWidth;
    unsigned int nInHeight;
    unsigned int nOutWidth;
    unsigned int nOutHeight;
};

ImageModifierResize resizeTo(unsigned int nPixels, bool bScaleValues = false)
{
    ImageModifierResize modifier(MODIFIER_RESIZE);
    modifier.setParameters({{ImageModifierResize::PIXELS, nPixels}, {ImageModifierResize::SCALE_VALUES, bScaleValues}});
    return modifier;
}
} // namespace

TEST(CopyModifiersTest, CloneCopiesElementsAndRegionOfInterest)
{
    ImageModifierClone clone("clone");
    EXPECT_TRUE(clone.getDefaultParameters().empty());

    Raster2d<unsigned char> input(3, 2);
    setElements<unsigned char>(input, {1, 2, 3, 4, 5, 6});
    input.setRoi(QRectF(0.25, 0.5, 0.5, 0.25));
    Raster2d<unsigned char> output(3, 2);
    output.fill(0);
    EXPECT_TRUE(clone.process(&input, &output));
    EXPECT_EQ(elements(output), (std::vector<unsigned char>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(output.getRoi(), QRectF(0.25, 0.5, 0.5, 0.25));
    EXPECT_EQ(elements(input), (std::vector<unsigned char>{1, 2, 3, 4, 5, 6}));

    Raster2d<float> floatInput(2, 3);
    setElements<float>(floatInput, {0.5f, -1.0f, 1e30f, 7.0f, 0.0f, 3.25f});
    Raster2d<float> floatOutput(2, 3);
    floatOutput.fill(9.0f);
    EXPECT_TRUE(clone.process(&floatInput, &floatOutput));
    EXPECT_EQ(elements(floatOutput), elements(floatInput));
    EXPECT_EQ(floatOutput.getRoi(), QRectF(0, 0, 1, 1));
}

TEST(CopyModifiersTest, CloneRefusesMismatchedRasters)
{
    ImageModifierClone clone("clone");
    Raster2d<unsigned char> input(10, 10);
    input.fill(7);
    Raster2d<unsigned char> taller(10, 11);
    taller.fill(1);
    {
        LogCapture log;
        EXPECT_FALSE(clone.process(&input, &taller));
        expectOneError(log, "ImageModifierClone", "Size of output image is invalid");
        EXPECT_EQ(taller.at(0, 0), 1);
    }
    Raster2d<float> floats(10, 10);
    floats.fill(2.0f);
    floats.setRoi(QRectF(0.5, 0.5, 0.5, 0.5));
    {
        LogCapture log;
        input.setRoi(QRectF(0, 0, 0.5, 0.5));
        EXPECT_FALSE(clone.process(&input, &floats));
        expectOneError(log, "ImageModifierClone", "Raster type is invalid");
        EXPECT_EQ(floats.at(3, 3), 2.0f);
        EXPECT_EQ(floats.getRoi(), QRectF(0.5, 0.5, 0.5, 0.5));
    }
    {
        LogCapture log;
        EXPECT_FALSE(clone.process(nullptr, &input));
        expectOneError(log, "ImageModifierClone", "Input raster could not be processed");
    }
    {
        LogCapture log;
        EXPECT_FALSE(clone.process(&input, nullptr));
        expectOneError(log, "ImageModifierClone", "Output raster could not be processed");
    }
}

TEST(CopyModifiersTest, ResizeOutputSizeKeepsAspectWithinBudget)
{
    const SizeCase cases[] = {
        {16384, 1000, 500, 181, 90}, {16384, 640, 480, 147, 110}, {16384, 1, 1, 128, 128}, {262144, 200, 200, 512, 512},
        {16384, 500, 1000, 90, 181},
    };
    for (const SizeCase& c : cases)
    {
        ImageModifierResize modifier = resizeTo(c.nPixels);
        Raster2d<unsigned char> input(c.nInWidth, c.nInHeight);
        unsigned int nWidth = 0;
        unsigned int nHeight = 0;
        EXPECT_TRUE(modifier.getOutputSize(&input, nullptr, nWidth, nHeight));
        EXPECT_EQ(nWidth, c.nOutWidth) << c.nInWidth << "x" << c.nInHeight;
        EXPECT_EQ(nHeight, c.nOutHeight) << c.nInWidth << "x" << c.nInHeight;
        EXPECT_LE(std::uint64_t(nWidth) * nHeight, c.nPixels);
    }

    // The defaults are 16384 pixels, stored as an int, without value scaling.
    ImageModifierResize modifier(MODIFIER_RESIZE);
    const ImageModifierBase::ParameterMap defaults = modifier.getDefaultParameters();
    ASSERT_EQ(defaults.size(), 2u);
    EXPECT_EQ(defaults.at("PIXELS").typeId(), QMetaType::Int);
    EXPECT_EQ(defaults.at("PIXELS").toInt(), 16384);
    EXPECT_EQ(defaults.at("SCALE_VALUES"), QVariant(false));
    EXPECT_EQ(modifier.getName(), "MODIFIER_RESIZE");
}

TEST(CopyModifiersTest, ResizeRefusesMissingZeroAndTooSmallBudgets)
{
    Raster2d<unsigned char> input(4, 1);
    unsigned int nWidth = 0;
    unsigned int nHeight = 0;
    {
        LogCapture log;
        ImageModifierResize modifier(MODIFIER_RESIZE);
        EXPECT_FALSE(modifier.getOutputSize(&input, nullptr, nWidth, nHeight));
        expectOneError(log, "ImageModifierResize", "Parameters were not set correctly");
    }
    {
        LogCapture log;
        ImageModifierResize modifier = resizeTo(0);
        EXPECT_FALSE(modifier.getOutputSize(&input, nullptr, nWidth, nHeight));
        expectOneError(log, "ImageModifierResize", "Parameters are invalid");
    }
    {
        // 1 pixel at aspect 4 would be 2 x 0.5: the height truncates to 0.
        LogCapture log;
        ImageModifierResize modifier = resizeTo(1);
        EXPECT_FALSE(modifier.getOutputSize(&input, nullptr, nWidth, nHeight));
        expectOneError(log, "ImageModifierResize", "Parameters are invalid");
    }
    {
        LogCapture log;
        ImageModifierResize modifier = resizeTo(100);
        EXPECT_FALSE(modifier.getOutputSize(nullptr, nullptr, nWidth, nHeight));
        EXPECT_TRUE(log.lines().isEmpty());
    }
    EXPECT_EQ(nWidth, 0u);
    EXPECT_EQ(nHeight, 0u);
    {
        // Called directly, process reports the size failure after the cause.
        LogCapture log;
        ImageModifierResize modifier = resizeTo(0);
        Raster2d<unsigned char> output(2, 2);
        EXPECT_FALSE(modifier.process(&input, &output));
        const QStringList lines = log.lines();
        ASSERT_EQ(lines.size(), 2);
        EXPECT_TRUE(lines[0].endsWith(": Parameters are invalid"));
        EXPECT_TRUE(lines[1].startsWith("ERROR: ImageModifier\\ImageModifierResize::"));
        EXPECT_TRUE(lines[1].endsWith(": Could not calculate output image size"));
    }
}

TEST(CopyModifiersTest, ResizeAveragesAreasOfNonSquareRasters)
{
    // 8 x 4 into 4 x 2: each output element is the mean of a 2 x 2 block.
    Raster2d<unsigned char> input(8, 4);
    for (unsigned int y = 0; y < 4; ++y)
    {
        for (unsigned int x = 0; x < 8; ++x)
        {
            input.set(x, y, static_cast<unsigned char>(10 * (x / 2) + 100 * (y / 2) + (x % 2) * 2));
        }
    }
    ImageModifierResize modifier = resizeTo(8);
    Raster2d<unsigned char> output(4, 2);
    EXPECT_TRUE(modifier.process(&input, &output));
    EXPECT_EQ(elements(output), (std::vector<unsigned char>{1, 11, 21, 31, 101, 111, 121, 131}));

    Raster2d<float> floatInput(4, 2);
    setElements<float>(floatInput, {1.0f, 3.0f, 10.0f, 20.0f, 5.0f, 7.0f, 30.0f, 40.0f});
    ImageModifierResize floatModifier = resizeTo(2);
    Raster2d<float> floatOutput(2, 1);
    EXPECT_TRUE(floatModifier.process(&floatInput, &floatOutput));
    EXPECT_FLOAT_EQ(floatOutput.at(0, 0), 4.0f);
    EXPECT_FLOAT_EQ(floatOutput.at(1, 0), 25.0f);
}

TEST(CopyModifiersTest, ResizeScalesValuesWithTheWidthFactor)
{
    // Width doubled: 100 becomes 200, 200 is limited to 255.
    Raster2d<unsigned char> input(2, 1);
    setElements<unsigned char>(input, {100, 100});
    Raster2d<unsigned char> output(4, 2);
    ImageModifierResize modifier = resizeTo(8, true);
    EXPECT_TRUE(modifier.process(&input, &output));
    EXPECT_EQ(elements(output), std::vector<unsigned char>(8, 200));
    input.fill(200);
    EXPECT_TRUE(modifier.process(&input, &output));
    EXPECT_EQ(elements(output), std::vector<unsigned char>(8, 255));

    // Width halved: 3 becomes 1 (1.5 truncated, not rounded).
    Raster2d<unsigned char> large(4, 2);
    large.fill(3);
    Raster2d<unsigned char> small(2, 1);
    ImageModifierResize halve = resizeTo(2, true);
    EXPECT_TRUE(halve.process(&large, &small));
    EXPECT_EQ(elements(small), (std::vector<unsigned char>{1, 1}));

    Raster2d<float> floatInput(2, 1);
    floatInput.fill(1.5f);
    Raster2d<float> floatOutput(4, 2);
    EXPECT_TRUE(modifier.process(&floatInput, &floatOutput));
    EXPECT_EQ(elements(floatOutput), std::vector<float>(8, 3.0f));
    // The float product is limited to the largest finite float.
    floatInput.fill(std::numeric_limits<float>::max());
    EXPECT_TRUE(modifier.process(&floatInput, &floatOutput));
    EXPECT_EQ(elements(floatOutput), std::vector<float>(8, std::numeric_limits<float>::max()));

    // Without the flag the values stay.
    ImageModifierResize plain = resizeTo(8, false);
    input.fill(100);
    EXPECT_TRUE(plain.process(&input, &output));
    EXPECT_EQ(elements(output), std::vector<unsigned char>(8, 100));
}

TEST(CopyModifiersTest, ResizeRefusesWrongOutputs)
{
    ImageModifierResize modifier = resizeTo(8);
    Raster2d<unsigned char> input(8, 4);
    input.fill(50);
    {
        LogCapture log;
        Raster2d<unsigned char> output(4, 3);
        output.fill(9);
        EXPECT_FALSE(modifier.process(&input, &output));
        expectOneError(log, "ImageModifierResize", "Size of output image is invalid");
        EXPECT_EQ(elements(output), std::vector<unsigned char>(12, 9));
    }
    {
        LogCapture log;
        Raster2d<float> output(4, 2);
        output.fill(9.0f);
        EXPECT_FALSE(modifier.process(&input, &output));
        expectOneError(log, "ImageModifierResize", "Raster type is invalid");
        EXPECT_EQ(elements(output), std::vector<float>(8, 9.0f));
    }
    {
        LogCapture log;
        EXPECT_FALSE(modifier.process(&input, nullptr));
        expectOneError(log, "ImageModifierResize", "Output raster could not be processed");
    }
}
