#include "ImageModifier/ImageModifierCrop.h"
#include "ImageModifier/ImageModifierRoi.h"
#include "support/ModifierTestSupport.h"

#include <limits>

namespace
{
ImageModifierBase::ParameterMap edges(double dLeft, double dRight, double dTop, double dBottom)
{
    return {{ImageModifierRoi::LEFT, dLeft},
            {ImageModifierRoi::RIGHT, dRight},
            {ImageModifierRoi::TOP, dTop},
            {ImageModifierRoi::BOTTOM, dBottom}};
}

// Output size of the crop for a raster of nWidth x nHeight with this region.
bool cropSize(const QRectF& roi, unsigned int nWidth, unsigned int nHeight, unsigned int& nOutWidth,
              unsigned int& nOutHeight)
{
    ImageModifierCrop crop(MODIFIER_CROP);
    Raster2d<unsigned char> input(nWidth, nHeight);
    input.setRoi(roi);
    return crop.getOutputSize(&input, nullptr, nOutWidth, nOutHeight);
}
} // namespace

TEST(RegionModifiersTest, RoiSetsTheRegionAndLeavesElements)
{
    ImageModifierRoi modifier(MODIFIER_ROI);
    Raster2d<unsigned char> raster(4, 2);
    setElements<unsigned char>(raster, {1, 2, 3, 4, 5, 6, 7, 8});
    raster.setRoi(QRectF(0.5, 0.5, 0.5, 0.5));
    modifier.setParameters(modifier.getDefaultParameters());
    EXPECT_TRUE(modifier.process(&raster, &raster));
    EXPECT_EQ(raster.getRoi(), QRectF(0, 0, 1, 1));

    modifier.setParameters(edges(0.25, 0.75, 0.125, 0.875));
    EXPECT_TRUE(modifier.process(&raster, &raster));
    EXPECT_EQ(raster.getRoi(), QRectF(0.25, 0.125, 0.5, 0.75));
    EXPECT_EQ(elements(raster), (std::vector<unsigned char>{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST(RegionModifiersTest, RoiRefusesOtherRastersAndBadEdges)
{
    ImageModifierRoi modifier(MODIFIER_ROI);
    Raster2d<unsigned char> raster(4, 2);
    Raster2d<unsigned char> other(4, 2);
    const QRectF before(0.1, 0.2, 0.3, 0.4);
    raster.setRoi(before);
    other.setRoi(before);
    modifier.setParameters(edges(0.25, 0.75, 0.125, 0.875));
    {
        LogCapture log;
        EXPECT_FALSE(modifier.process(&raster, &other));
        expectOneError(log, "ImageModifierRoi", "This modifier requires pInput == pOutput");
    }
    const ImageModifierBase::ParameterMap invalid[] = {
        edges(0.75, 0.25, 0, 1),  edges(0, 1, 0.9, 0.1),   edges(-0.1, 0.5, 0, 1),
        edges(0.5, 1.5, 0, 1),    edges(0, 1, 0, 1.01),    edges(0.5, 0.5, 0, 1),
        edges(std::numeric_limits<double>::quiet_NaN(), 1, 0, 1),
    };
    for (const ImageModifierBase::ParameterMap& parameters : invalid)
    {
        LogCapture log;
        modifier.setParameters(parameters);
        EXPECT_FALSE(modifier.process(&raster, &raster));
        expectOneError(log, "ImageModifierRoi", "Parameters are invalid");
    }
    {
        LogCapture log;
        ImageModifierBase::ParameterMap parameters = edges(0, 1, 0, 1);
        parameters.erase(ImageModifierRoi::BOTTOM);
        modifier.setParameters(parameters);
        EXPECT_FALSE(modifier.process(&raster, &raster));
        expectOneError(log, "ImageModifierRoi", "Parameters were not set correctly");
        double dLeft = 9, dRight = 9, dTop = 9, dBottom = 9;
        EXPECT_FALSE(modifier.getMargins(dLeft, dRight, dTop, dBottom));
        EXPECT_EQ(dBottom, 0.0);
    }
    {
        LogCapture log;
        Raster2d<float> floats(4, 2);
        modifier.setParameters(modifier.getDefaultParameters());
        EXPECT_FALSE(modifier.process(&floats, &floats));
        expectOneError(log, "ImageModifierRoi", "Input raster could not be processed");
    }
    EXPECT_EQ(raster.getRoi(), before);
    EXPECT_EQ(other.getRoi(), before);
}

TEST(RegionModifiersTest, CropCopiesTheRegionRowByRow)
{
    Raster2d<unsigned char> input(100, 80);
    for (unsigned int y = 0; y < 80; ++y)
    {
        for (unsigned int x = 0; x < 100; ++x)
        {
            input.set(x, y, static_cast<unsigned char>((x + 3 * y) % 251));
        }
    }
    input.setRoi(QRectF(0.25, 0.125, 0.5, 0.75));
    ImageModifierCrop crop(MODIFIER_CROP);
    EXPECT_TRUE(crop.getDefaultParameters().empty());
    int nLeft = 0, nRight = 0, nTop = 0, nBottom = 0;
    EXPECT_TRUE(crop.calculateMargins(input.getRoi(), 100, 80, nLeft, nRight, nTop, nBottom));
    EXPECT_EQ(nLeft, 25);
    EXPECT_EQ(nRight, 25);
    EXPECT_EQ(nTop, 10);
    EXPECT_EQ(nBottom, 10);
    unsigned int nWidth = 0, nHeight = 0;
    ASSERT_TRUE(crop.getOutputSize(&input, nullptr, nWidth, nHeight));
    ASSERT_EQ(nWidth, 50u);
    ASSERT_EQ(nHeight, 60u);
    Raster2d<unsigned char> output(50, 60);
    EXPECT_TRUE(crop.process(&input, &output));
    for (unsigned int r = 0; r < 60; ++r)
    {
        for (unsigned int c = 0; c < 50; ++c)
        {
            ASSERT_EQ(output.at(c, r), input.at(25 + c, 10 + r)) << c << "," << r;
        }
    }
    EXPECT_EQ(output.getRoi(), QRectF(0, 0, 1, 1));
}

TEST(RegionModifiersTest, CropMarginsTruncate)
{
    unsigned int nWidth = 0, nHeight = 0;
    // 10 x (1 - 2/3) is a little above 3.33: margins 3 and 3.
    EXPECT_TRUE(cropSize(QRectF(1.0 / 3.0, 0, 1.0 / 3.0, 1), 10, 7, nWidth, nHeight));
    EXPECT_EQ(nWidth, 4u);
    EXPECT_EQ(nHeight, 7u);
    // 50 x (1 - 0.9) lies just below 5: margins 5 and 4.
    EXPECT_TRUE(cropSize(QRectF(0, 0.1, 1, 0.8), 9, 50, nWidth, nHeight));
    EXPECT_EQ(nWidth, 9u);
    EXPECT_EQ(nHeight, 41u);
    // A zero-wide region in the middle of an odd width keeps one column.
    EXPECT_TRUE(cropSize(QRectF(0.5, 0, 0, 1), 11, 3, nWidth, nHeight));
    EXPECT_EQ(nWidth, 1u);
    EXPECT_TRUE(cropSize(QRectF(0, 0, 1, 1), 13, 5, nWidth, nHeight));
    EXPECT_EQ(nWidth, 13u);
    EXPECT_EQ(nHeight, 5u);
}

TEST(RegionModifiersTest, CropRefusesEmptyAndOutsideRegions)
{
    const QRectF refused[] = {
        QRectF(0, 0, 0, 1),      QRectF(0, 0, 1, 0),    QRectF(-0.1, 0, 0.5, 1), QRectF(0.6, 0, 0.6, 1),
        QRectF(0, 0.5, 1, -0.2), QRectF(0, -2, 1, 1),   QRectF(0, 0, 1e300, 1),
        QRectF(std::numeric_limits<double>::quiet_NaN(), 0, 1, 1),
    };
    for (const QRectF& roi : refused)
    {
        unsigned int nWidth = 7, nHeight = 7;
        EXPECT_FALSE(cropSize(roi, 20, 10, nWidth, nHeight)) << roi.x() << " " << roi.width();
        EXPECT_EQ(nWidth, 7u);

        LogCapture log;
        ImageModifierCrop crop(MODIFIER_CROP);
        Raster2d<unsigned char> input(20, 10);
        input.fill(1);
        input.setRoi(roi);
        Raster2d<unsigned char> output(20, 10);
        output.fill(2);
        EXPECT_FALSE(crop.process(&input, &output));
        expectOneError(log, "ImageModifierCrop", "Could not calculate output image size");
        EXPECT_EQ(elements(output), std::vector<unsigned char>(200, 2));
    }
    ImageModifierCrop crop(MODIFIER_CROP);
    unsigned int nWidth = 0, nHeight = 0;
    EXPECT_FALSE(crop.getOutputSize(nullptr, nullptr, nWidth, nHeight));
}

TEST(RegionModifiersTest, CropRefusesWrongRasters)
{
    ImageModifierCrop crop(MODIFIER_CROP);
    Raster2d<unsigned char> input(20, 10);
    input.fill(1);
    input.setRoi(QRectF(0.5, 0, 0.5, 1));
    {
        LogCapture log;
        Raster2d<unsigned char> output(20, 10);
        output.fill(2);
        EXPECT_FALSE(crop.process(&input, &output));
        expectOneError(log, "ImageModifierCrop", "Size of output image is invalid");
        EXPECT_EQ(elements(output), std::vector<unsigned char>(200, 2));
    }
    {
        LogCapture log;
        Raster2d<float> output(10, 10);
        EXPECT_FALSE(crop.process(&input, &output));
        expectOneError(log, "ImageModifierCrop", "Output raster could not be processed");
    }
    {
        LogCapture log;
        Raster2d<float> floats(20, 10);
        Raster2d<unsigned char> output(10, 10);
        EXPECT_FALSE(crop.process(&floats, &output));
        expectOneError(log, "ImageModifierCrop", "Input raster could not be processed");
    }
}
