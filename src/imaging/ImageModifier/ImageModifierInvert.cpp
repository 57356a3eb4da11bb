#include "ImageModifierInvert.h"

#include "CvRaster.h"

#include <opencv2/core.hpp>

ImageModifierInvert::ImageModifierInvert(const QString& sName)
    : ImageModifierBase(sName)
{
}

ImageModifierBase::ParameterMap ImageModifierInvert::getDefaultParameters() const
{
    return {{INVERT, QVariant(false)}};
}

bool ImageModifierInvert::process(Raster2dBase* pInput, Raster2dBase* pOutput)
{
    bool bInvert = false;
    if (!getValue(INVERT, bInvert) || !bInvert)
    {
        return false;
    }
    Raster2d<unsigned char>* pIn = as<unsigned char>(pInput);
    if (pIn == nullptr)
    {
        return fail(LOG_LOCATION, MESSAGE_INPUT_RASTER);
    }
    Raster2d<unsigned char>* pOut = as<unsigned char>(pOutput);
    if (pOut == nullptr)
    {
        return fail(LOG_LOCATION, MESSAGE_OUTPUT_RASTER);
    }
    if (!sameSize(pIn, pOut))
    {
        return fail(LOG_LOCATION, MESSAGE_SIZE_NOT_IDENTICAL);
    }
    // On 8 bits the bitwise complement is exactly 255 - v.
    cv::Mat output = cvHeader(*pOut);
    cv::bitwise_not(cvHeader(*pIn), output);
    return true;
}
