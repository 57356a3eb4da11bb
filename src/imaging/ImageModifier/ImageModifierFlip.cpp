#include "ImageModifierFlip.h"

#include "CvRaster.h"

#include <opencv2/core.hpp>

ImageModifierFlip::ImageModifierFlip(const QString& sName)
    : ImageModifierBase(sName)
{
}

ImageModifierBase::ParameterMap ImageModifierFlip::getDefaultParameters() const
{
    return {{VERTICAL, QVariant(false)}, {HORIZONTAL, QVariant(false)}};
}

bool ImageModifierFlip::process(Raster2dBase* pInput, Raster2dBase* pOutput)
{
    Raster2d<unsigned char>* pIn = nullptr;
    Raster2d<unsigned char>* pOut = nullptr;
    if (!castRasters(LOG_LOCATION, pInput, pOutput, pIn, pOut))
    {
        return false;
    }
    bool bVertical = false;
    bool bHorizontal = false;
    if (!getValue(VERTICAL, bVertical) || !getValue(HORIZONTAL, bHorizontal))
    {
        return fail(LOG_LOCATION, MESSAGE_PARAMETERS_NOT_SET);
    }
    if (!sameSize(pIn, pOut))
    {
        return fail(LOG_LOCATION, MESSAGE_SIZE_NOT_IDENTICAL);
    }
    int nFlipCode = 0;
    if (bVertical && bHorizontal)
    {
        nFlipCode = -1;
    }
    else if (bVertical)
    {
        nFlipCode = 0;
    }
    else if (bHorizontal)
    {
        nFlipCode = 1;
    }
    else
    {
        return false;
    }
    cv::Mat output = cvHeader(*pOut);
    cv::flip(cvHeader(*pIn), output, nFlipCode);
    return true;
}
