#include "ImageModifierResize.h"

#include "CvRaster.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <limits>

ImageModifierResize::ImageModifierResize(const QString& sName)
    : ImageModifierBase(sName)
{
}

ImageModifierBase::ParameterMap ImageModifierResize::getDefaultParameters() const
{
    return {{PIXELS, QVariant(int(16384))}, {SCALE_VALUES, QVariant(false)}};
}

bool ImageModifierResize::getOutputSize(const Raster2dBase* pInput, const Raster2dBase*, unsigned int& nWidth,
                                        unsigned int& nHeight)
{
    if (pInput == nullptr)
    {
        return false;
    }
    unsigned int nPixels = 0;
    if (!getValue(PIXELS, nPixels))
    {
        return fail(LOG_LOCATION, MESSAGE_PARAMETERS_NOT_SET);
    }
    if (nPixels == 0)
    {
        return fail(LOG_LOCATION, MESSAGE_PARAMETERS_INVALID);
    }
    const double dAspect = double(pInput->getWidth()) / double(pInput->getHeight());
    const double dSide = std::sqrt(double(nPixels) / dAspect);
    const double dWidth = dSide * dAspect;
    // A budget too small for this aspect ratio would give an empty side, one
    // too large for an extreme ratio a side beyond the raster's index range.
    const double dMax = double(std::numeric_limits<unsigned int>::max());
    if (dSide < 1.0 || dWidth < 1.0 || dSide > dMax || dWidth > dMax)
    {
        return fail(LOG_LOCATION, MESSAGE_PARAMETERS_INVALID);
    }
    nHeight = static_cast<unsigned int>(dSide);
    nWidth = static_cast<unsigned int>(dWidth);
    return true;
}

bool ImageModifierResize::process(Raster2dBase* pInput, Raster2dBase* pOutput)
{
    unsigned int nWidth = 0;
    unsigned int nHeight = 0;
    if (!getOutputSize(pInput, pOutput, nWidth, nHeight))
    {
        return fail(LOG_LOCATION, MESSAGE_CALCULATE_OUTPUT_SIZE);
    }
    if (pOutput == nullptr)
    {
        return fail(LOG_LOCATION, MESSAGE_OUTPUT_RASTER);
    }
    if (pOutput->getWidth() != nWidth || pOutput->getHeight() != nHeight)
    {
        return fail(LOG_LOCATION, MESSAGE_OUTPUT_SIZE);
    }
    bool bScaleValues = false;
    getValue(SCALE_VALUES, bScaleValues);
    const double dFactor = double(nWidth) / double(pInput->getWidth());

    if (as<unsigned char>(pInput) && as<unsigned char>(pOutput))
    {
        const cv::Mat input = cvHeader(*as<unsigned char>(pInput));
        cv::Mat output = cvHeader(*as<unsigned char>(pOutput));
        cv::resize(input, output, output.size(), 0, 0, cv::INTER_AREA);
        if (bScaleValues)
        {
            // Truncating (not rounding) table, applied by OpenCV in place.
            cv::Mat table(1, 256, CV_8UC1);
            for (int v = 0; v < 256; ++v)
            {
                table.at<unsigned char>(v) = static_cast<unsigned char>(std::min(double(v) * dFactor, 255.0));
            }
            cv::LUT(output, table, output);
        }
        return true;
    }
    if (as<float>(pInput) && as<float>(pOutput))
    {
        const cv::Mat input = cvHeader(*as<float>(pInput));
        cv::Mat output = cvHeader(*as<float>(pOutput));
        cv::resize(input, output, output.size(), 0, 0, cv::INTER_AREA);
        if (bScaleValues)
        {
            const float fFactor = static_cast<float>(dFactor);
            const float fMax = std::numeric_limits<float>::max();
            float* pValue = as<float>(pOutput)->getData();
            float* const pEnd = pValue + pOutput->getSize();
            for (; pValue != pEnd; ++pValue)
            {
                *pValue = std::min(*pValue * fFactor, fMax);
            }
        }
        return true;
    }
    return fail(LOG_LOCATION, MESSAGE_RASTER_TYPE);
}
