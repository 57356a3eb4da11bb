#include "ImageModifierGeometricTransformation.h"

#include "CvRaster.h"
#include "SimpleException.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

ImageModifierGeometricTransformation::ImageModifierGeometricTransformation(const QString& sName)
    : ImageModifierBase(sName)
{
}

ImageModifierBase::ParameterMap ImageModifierGeometricTransformation::getDefaultParameters() const
{
    return {{ANGLE, QVariant(int(0))},
            {SCALE_X, QVariant(int(1))},
            {SCALE_Y, QVariant(int(1))},
            {TRANSLATE_X, QVariant(0.0)},
            {TRANSLATE_Y, QVariant(0.0)},
            {SCALE_VALUES, QVariant(false)},
            {USE_OUTPUT_SIZE, QVariant(false)},
            {USE_BLACK_BORDER, QVariant(false)}};
}

bool ImageModifierGeometricTransformation::getOutputSize(const Raster2dBase* pInput, const Raster2dBase* pOutput,
                                                         unsigned int& nWidth, unsigned int& nHeight)
{
    bool bKeepSize = false;
    bool bUseOutputSize = false;
    getValue(KEEP_SIZE, bKeepSize);
    getValue(USE_OUTPUT_SIZE, bUseOutputSize);
    const Raster2dBase* pMeasured = (bUseOutputSize && pOutput != nullptr) ? pOutput : pInput;
    if (pMeasured == nullptr)
    {
        return false;
    }
    if (bKeepSize)
    {
        nWidth = pMeasured->getWidth();
        nHeight = pMeasured->getHeight();
    }
    else
    {
        nWidth = std::max(pMeasured->getWidth(), pMeasured->getHeight());
        nHeight = nWidth;
    }
    return true;
}

bool ImageModifierGeometricTransformation::getTransformationMatrix(cv::Mat& matrix, unsigned int nInputWidth,
                                                                   unsigned int nInputHeight,
                                                                   unsigned int nOutputWidth,
                                                                   unsigned int nOutputHeight) const
{
    int nAngle = 0;
    double dScaleX = 1.0;
    double dScaleY = 1.0;
    double dTranslateX = 0.0;
    double dTranslateY = 0.0;
    getValue(ANGLE, nAngle);
    getValue(SCALE_X, dScaleX);
    getValue(SCALE_Y, dScaleY);
    getValue(TRANSLATE_X, dTranslateX);
    getValue(TRANSLATE_Y, dTranslateY);

    // The angle goes through this ten-place pi, so 90 degrees has a cosine
    // of about 4.49e-11 rather than 0; stored transformations rely on it.
    const double dRadians = double(nAngle) * 3.1415926535 / 180.0;
    const double c = std::cos(dRadians);
    const double s = std::sin(dRadians);
    const double k = std::sqrt(double(std::uint64_t(nOutputWidth) * std::uint64_t(nOutputHeight)));

    cv::Mat toOrigin = cv::Mat::eye(3, 3, CV_64F);
    toOrigin.at<double>(0, 2) = -0.5 * double(nInputWidth);
    toOrigin.at<double>(1, 2) = -0.5 * double(nInputHeight);
    cv::Mat scale = cv::Mat::eye(3, 3, CV_64F);
    scale.at<double>(0, 0) = dScaleX;
    scale.at<double>(1, 1) = dScaleY;
    cv::Mat rotation = cv::Mat::eye(3, 3, CV_64F);
    rotation.at<double>(0, 0) = c;
    rotation.at<double>(0, 1) = s;
    rotation.at<double>(1, 0) = -s;
    rotation.at<double>(1, 1) = c;
    cv::Mat toCentre = cv::Mat::eye(3, 3, CV_64F);
    toCentre.at<double>(0, 2) = 0.5 * double(nOutputWidth);
    toCentre.at<double>(1, 2) = 0.5 * double(nOutputHeight);
    cv::Mat shift = cv::Mat::eye(3, 3, CV_64F);
    shift.at<double>(0, 2) = dTranslateX * k;
    shift.at<double>(1, 2) = dTranslateY * k;

    matrix = shift * toCentre * rotation * scale * toOrigin;
    return true;
}

unsigned char ImageModifierGeometricTransformation::getBorderValue(const Raster2d<unsigned char>*) const
{
    bool bBlack = false;
    getValue(USE_BLACK_BORDER, bBlack);
    return bBlack ? 0 : 255;
}

float ImageModifierGeometricTransformation::getBorderValue(const Raster2d<float>*) const
{
    bool bBlack = false;
    getValue(USE_BLACK_BORDER, bBlack);
    return bBlack ? 0.0f : std::numeric_limits<float>::max();
}

bool ImageModifierGeometricTransformation::process(Raster2dBase* pInput, Raster2dBase* pOutput)
{
    Raster2d<unsigned char>* pInBytes = as<unsigned char>(pInput);
    Raster2d<float>* pInFloats = as<float>(pInput);
    if (pInBytes == nullptr && pInFloats == nullptr)
    {
        return fail(LOG_LOCATION, MESSAGE_INPUT_RASTER);
    }
    Raster2d<unsigned char>* pOutBytes = as<unsigned char>(pOutput);
    Raster2d<float>* pOutFloats = as<float>(pOutput);
    // Each element type only into its own kind: an 8-bit warp into a float
    // header would make OpenCV allocate a buffer of its own and the output
    // would stay untouched.
    if ((pInFloats != nullptr && pOutFloats == nullptr) || (pInBytes != nullptr && pOutBytes == nullptr))
    {
        return fail(LOG_LOCATION, MESSAGE_OUTPUT_RASTER);
    }
    unsigned int nWidth = 0;
    unsigned int nHeight = 0;
    if (!getOutputSize(pInput, pOutput, nWidth, nHeight))
    {
        return fail(LOG_LOCATION, MESSAGE_CALCULATE_OUTPUT_SIZE);
    }
    if (pOutput->getWidth() != nWidth || pOutput->getHeight() != nHeight)
    {
        return fail(LOG_LOCATION, MESSAGE_OUTPUT_SIZE);
    }
    bool bScaleValues = false;
    double dScaleX = 1.0;
    double dScaleY = 1.0;
    MOLDENA_ASSERT(getValue(MODIFIER_GEOMETRIC_TRANSFORMATION_PARAMETER_SCALE_VALUES, bScaleValues));
    MOLDENA_ASSERT(getValue(MODIFIER_GEOMETRIC_TRANSFORMATION_PARAMETER_SCALE_X, dScaleX));
    MOLDENA_ASSERT(getValue(MODIFIER_GEOMETRIC_TRANSFORMATION_PARAMETER_SCALE_Y, dScaleY));
    const double dMeanScale = (dScaleY + dScaleX) * 0.5;

    cv::Mat input = pInBytes ? cvHeader(*pInBytes) : cvHeader(*pInFloats);
    cv::Mat output = pOutBytes ? cvHeader(*pOutBytes) : cvHeader(*pOutFloats);
    const double dBorder = pInBytes ? double(getBorderValue(pInBytes)) : double(getBorderValue(pInFloats));
    cv::Mat matrix;
    const bool bTransformOk = getTransformationMatrix(matrix, pInput->getWidth(), pInput->getHeight(), nWidth, nHeight);
    MOLDENA_ASSERT(bTransformOk);

    // The warp cannot work in place: read from a copy when both are one raster.
    const cv::Mat source = (pInput == pOutput) ? input.clone() : input;
    cv::warpPerspective(source, output, matrix, output.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT,
                        cv::Scalar(dBorder, 0, 0, 0));

    if (bScaleValues)
    {
        if (pOutBytes != nullptr)
        {
            // Products limited to 0..255 (a negative mean scale would give
            // negative values), then truncated.
            cv::Mat table(1, 256, CV_8UC1);
            for (int e = 0; e < 256; ++e)
            {
                const double dValue = std::min(double(e) * dMeanScale, 255.0);
                table.at<unsigned char>(e) = dValue > 0.0 ? static_cast<unsigned char>(dValue) : 0;
            }
            cv::LUT(output, table, output);
        }
        else
        {
            const double dLowest = double(std::numeric_limits<float>::lowest());
            float* pValue = pOutFloats->getData();
            float* const pEnd = pValue + pOutFloats->getSize();
            for (; pValue != pEnd; ++pValue)
            {
                // The lower limit only keeps the conversion to float defined.
                const double dValue = std::max(double(*pValue) * dMeanScale, dLowest);
                *pValue = static_cast<float>(dValue > 65535.0 ? 65535.0 : dValue);
            }
        }
    }
    return true;
}
