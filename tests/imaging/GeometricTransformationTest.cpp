#include "CvRaster.h"
#include "ImageModifier/ImageModifierGeometricTransformation.h"
#include "support/ModifierTestSupport.h"

#include <limits>

namespace
{
using Transformation = ImageModifierGeometricTransformation;

// The defaults with some values replaced or added.
ImageModifierBase::ParameterMap with(std::initializer_list<std::pair<const QString, QVariant>> changes)
{
    ImageModifierBase::ParameterMap parameters = Transformation(MODIFIER_GEOMETRIC_TRANSFORMATION).getDefaultParameters();
    for (const auto& change : changes)
    {
        parameters[change.first] = change.second;
    }
    return parameters;
}

const float FLOAT_MAX = std::numeric_limits<float>::max();
} // namespace

TEST(GeometricTransformationTest, DefaultsWithKeptSizeCopyTheInput)
{
    Transformation modifier(MODIFIER_GEOMETRIC_TRANSFORMATION);
    const ImageModifierBase::ParameterMap defaults = modifier.getDefaultParameters();
    EXPECT_EQ(defaults.size(), 8u);
    EXPECT_EQ(defaults.count("KEEP_SIZE"), 0u);
    EXPECT_EQ(defaults.at("SCALE_X").typeId(), QMetaType::Int);
    EXPECT_EQ(defaults.at("TRANSLATE_Y").typeId(), QMetaType::Double);

    modifier.setParameters(with({{Transformation::KEEP_SIZE, true}}));
    cv::Mat matrix;
    EXPECT_TRUE(modifier.getTransformationMatrix(matrix, 5, 3, 5, 3));
    EXPECT_EQ(cv::norm(matrix, cv::Mat::eye(3, 3, CV_64F), cv::NORM_INF), 0.0);

    Raster2d<unsigned char> input(5, 3);
    setElements<unsigned char>(input, {1, 2, 3, 4, 5, 60, 70, 80, 90, 100, 11, 12, 13, 14, 250});
    Raster2d<unsigned char> output(5, 3);
    EXPECT_TRUE(modifier.process(&input, &output));
    EXPECT_EQ(elements(output), elements(input));

    Raster2d<float> floatInput(2, 3);
    setElements<float>(floatInput, {-1.5f, 0.25f, 1000.0f, 7.0f, 0.0f, 3.0f});
    Raster2d<float> floatOutput(2, 3);
    EXPECT_TRUE(modifier.process(&floatInput, &floatOutput));
    EXPECT_EQ(elements(floatOutput), elements(floatInput));

    // The same raster as input and output.
    EXPECT_TRUE(modifier.process(&input, &input));
    EXPECT_EQ(elements(input), elements(output));
}

TEST(GeometricTransformationTest, OutputSizeRule)
{
    Transformation modifier(MODIFIER_GEOMETRIC_TRANSFORMATION);
    Raster2d<unsigned char> input(20, 10);
    Raster2d<unsigned char> given(30, 12);
    unsigned int nWidth = 0, nHeight = 0;
    modifier.setParameters(with({}));
    EXPECT_TRUE(modifier.getOutputSize(&input, &given, nWidth, nHeight));
    EXPECT_EQ(nWidth, 20u);
    EXPECT_EQ(nHeight, 20u);
    modifier.setParameters(with({{Transformation::USE_OUTPUT_SIZE, true}}));
    EXPECT_TRUE(modifier.getOutputSize(&input, nullptr, nWidth, nHeight));
    EXPECT_EQ(nWidth, 20u);
    EXPECT_TRUE(modifier.getOutputSize(&input, &given, nWidth, nHeight));
    EXPECT_EQ(nWidth, 30u);
    EXPECT_EQ(nHeight, 30u);
    modifier.setParameters(with({{Transformation::USE_OUTPUT_SIZE, true}, {Transformation::KEEP_SIZE, true}}));
    EXPECT_TRUE(modifier.getOutputSize(&input, &given, nWidth, nHeight));
    EXPECT_EQ(nWidth, 30u);
    EXPECT_EQ(nHeight, 12u);

    // The rule asks for 30 x 30, so the 30 x 12 raster is refused untouched.
    LogCapture log;
    modifier.setParameters(with({{Transformation::USE_OUTPUT_SIZE, true}}));
    given.fill(4);
    EXPECT_FALSE(modifier.process(&input, &given));
    expectOneError(log, "ImageModifierGeometricTransformation", "Size of output image is invalid");
    EXPECT_EQ(elements(given), std::vector<unsigned char>(360, 4));
}

TEST(GeometricTransformationTest, SquareOutputCentresThePicture)
{
    Transformation modifier(MODIFIER_GEOMETRIC_TRANSFORMATION);
    modifier.setParameters(with({}));
    Raster2d<unsigned char> input(20, 10);
    input.fill(100);
    Raster2d<unsigned char> output(20, 20);
    ASSERT_TRUE(modifier.process(&input, &output));
    for (unsigned int y = 0; y < 20; ++y)
    {
        const int nExpected = (y >= 5 && y < 15) ? 100 : 255;
        for (unsigned int x = 0; x < 20; ++x)
        {
            ASSERT_EQ(output.at(x, y), nExpected) << x << "," << y;
        }
    }
    // Black border and the float border value.
    modifier.setParameters(with({{Transformation::USE_BLACK_BORDER, true}}));
    ASSERT_TRUE(modifier.process(&input, &output));
    EXPECT_EQ(output.at(3, 2), 0);
    EXPECT_EQ(output.at(3, 10), 100);

    Raster2d<float> floatInput(20, 10);
    floatInput.fill(1.0f);
    Raster2d<float> floatOutput(20, 20);
    modifier.setParameters(with({}));
    ASSERT_TRUE(modifier.process(&floatInput, &floatOutput));
    EXPECT_EQ(floatOutput.at(0, 0), FLOAT_MAX);
    EXPECT_EQ(floatOutput.at(10, 10), 1.0f);
    modifier.setParameters(with({{Transformation::SCALE_VALUES, true}}));
    ASSERT_TRUE(modifier.process(&floatInput, &floatOutput));
    EXPECT_EQ(floatOutput.at(0, 19), 65535.0f);
    EXPECT_EQ(floatOutput.at(10, 10), 1.0f);
}

TEST(GeometricTransformationTest, TranslationAndRotation)
{
    Transformation modifier(MODIFIER_GEOMETRIC_TRANSFORMATION);
    Raster2d<unsigned char> input(10, 10);
    for (unsigned int y = 0; y < 10; ++y)
    {
        for (unsigned int x = 0; x < 10; ++x)
        {
            input.set(x, y, static_cast<unsigned char>(10 * x + y));
        }
    }
    // Half the 10-pixel mean side: 5 pixels to the right.
    modifier.setParameters(with({{Transformation::TRANSLATE_X, 0.5}, {Transformation::USE_BLACK_BORDER, true}}));
    Raster2d<unsigned char> output(10, 10);
    ASSERT_TRUE(modifier.process(&input, &output));
    for (unsigned int y = 0; y < 10; ++y)
    {
        for (unsigned int x = 0; x < 10; ++x)
        {
            ASSERT_EQ(output.at(x, y), x < 5 ? 0 : input.at(x - 5, y)) << x << "," << y;
        }
    }

    // 90 degrees: a point right of the centre lands above it.
    Raster2d<unsigned char> spot(10, 10);
    spot.fill(0);
    spot.set(8, 5, 255);
    modifier.setParameters(with({{Transformation::ANGLE, 90}, {Transformation::USE_BLACK_BORDER, true}}));
    cv::Mat matrix;
    modifier.getTransformationMatrix(matrix, 10, 10, 10, 10);
    EXPECT_NEAR(matrix.at<double>(0, 0), 4.49e-11, 1e-12);
    EXPECT_GT(matrix.at<double>(0, 0), 0.0);
    EXPECT_NEAR(matrix.at<double>(0, 1), 1.0, 1e-12);
    ASSERT_TRUE(modifier.process(&spot, &output));
    EXPECT_EQ(output.at(5, 2), 255);
    EXPECT_EQ(output.at(8, 5), 0);
    EXPECT_EQ(cv::countNonZero(cvHeader(output)), 1);
}

TEST(GeometricTransformationTest, ScalesValuesByTheMeanFactor)
{
    Transformation modifier(MODIFIER_GEOMETRIC_TRANSFORMATION);
    modifier.setParameters(with({{Transformation::KEEP_SIZE, true},
                                 {Transformation::SCALE_VALUES, true},
                                 {Transformation::SCALE_X, 3},
                                 {Transformation::SCALE_Y, 1.0}}));
    // Magnified, a uniform input stays uniform and covers the output.
    Raster2d<unsigned char> input(6, 4);
    Raster2d<unsigned char> output(6, 4);
    input.fill(100);
    ASSERT_TRUE(modifier.process(&input, &output));
    EXPECT_EQ(elements(output), std::vector<unsigned char>(24, 200));
    input.fill(200);
    ASSERT_TRUE(modifier.process(&input, &output));
    EXPECT_EQ(elements(output), std::vector<unsigned char>(24, 255));

    Raster2d<float> floatInput(6, 4);
    Raster2d<float> floatOutput(6, 4);
    floatInput.fill(40000.0f);
    ASSERT_TRUE(modifier.process(&floatInput, &floatOutput));
    EXPECT_EQ(elements(floatOutput), std::vector<float>(24, 65535.0f));
    floatInput.fill(-10.0f);
    ASSERT_TRUE(modifier.process(&floatInput, &floatOutput));
    EXPECT_EQ(elements(floatOutput), std::vector<float>(24, -20.0f));

    // A negative mean scale gives negative products: 8 bits clamp them to 0.
    modifier.setParameters(with({{Transformation::KEEP_SIZE, true},
                                 {Transformation::SCALE_VALUES, true},
                                 {Transformation::SCALE_X, -3},
                                 {Transformation::SCALE_Y, 1}}));
    input.fill(100);
    ASSERT_TRUE(modifier.process(&input, &output));
    EXPECT_EQ(elements(output), std::vector<unsigned char>(24, 0));
}

TEST(GeometricTransformationTest, RefusesMismatchedKinds)
{
    Transformation modifier(MODIFIER_GEOMETRIC_TRANSFORMATION);
    modifier.setParameters(with({{Transformation::KEEP_SIZE, true}}));
    Raster2d<unsigned char> bytes(4, 4);
    bytes.fill(1);
    Raster2d<float> floats(4, 4);
    floats.fill(2.0f);
    {
        LogCapture log;
        EXPECT_FALSE(modifier.process(&bytes, &floats));
        expectOneError(log, "ImageModifierGeometricTransformation", "Output raster could not be processed");
        EXPECT_EQ(elements(floats), std::vector<float>(16, 2.0f));
    }
    {
        LogCapture log;
        EXPECT_FALSE(modifier.process(&floats, &bytes));
        expectOneError(log, "ImageModifierGeometricTransformation", "Output raster could not be processed");
        EXPECT_EQ(elements(bytes), std::vector<unsigned char>(16, 1));
    }
    {
        LogCapture log;
        EXPECT_FALSE(modifier.process(nullptr, &bytes));
        expectOneError(log, "ImageModifierGeometricTransformation", "Input raster could not be processed");
    }
}

TEST(GeometricTransformationTest, MissingScaleParametersThrow)
{
    Transformation modifier(MODIFIER_GEOMETRIC_TRANSFORMATION);
    Raster2d<unsigned char> input(4, 4);
    input.fill(1);
    Raster2d<unsigned char> output(4, 4);
    output.fill(9);
    ImageModifierBase::ParameterMap parameters = with({{Transformation::KEEP_SIZE, true}});
    parameters.erase(MODIFIER_GEOMETRIC_TRANSFORMATION_PARAMETER_SCALE_X);
    modifier.setParameters(parameters);
    EXPECT_ASSERTION(modifier.process(&input, &output),
                     "getValue(MODIFIER_GEOMETRIC_TRANSFORMATION_PARAMETER_SCALE_X, dScaleX)");
    parameters.erase(MODIFIER_GEOMETRIC_TRANSFORMATION_PARAMETER_SCALE_VALUES);
    modifier.setParameters(parameters);
    EXPECT_ASSERTION(modifier.process(&input, &output),
                     "getValue(MODIFIER_GEOMETRIC_TRANSFORMATION_PARAMETER_SCALE_VALUES, bScaleValues)");
    parameters = with({{Transformation::KEEP_SIZE, true}});
    parameters.erase(MODIFIER_GEOMETRIC_TRANSFORMATION_PARAMETER_SCALE_Y);
    modifier.setParameters(parameters);
    EXPECT_ASSERTION(modifier.process(&input, &output),
                     "getValue(MODIFIER_GEOMETRIC_TRANSFORMATION_PARAMETER_SCALE_Y, dScaleY)");
    EXPECT_EQ(elements(output), std::vector<unsigned char>(16, 9));
}
