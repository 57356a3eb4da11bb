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
    Raster2d<unsigned char>* pIn = nullptr;
    Raster2d<unsigned char>* pOut = nullptr;
    if (!castRasters(LOG_LOCATION, pInput, pOutput, pIn, pOut) || !checkSameSize(LOG_LOCATION, pIn, pOut))
    {
        return false;
    }
    // On 8 bits the bitwise complement is exactly 255 - v.
    cv::Mat output = cvHeader(*pOut);
    cv::bitwise_not(cvHeader(*pIn), output);
    return true;
}
