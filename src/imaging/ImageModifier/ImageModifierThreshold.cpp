#include "ImageModifierThreshold.h"

#include "CvRaster.h"

#include <opencv2/imgproc.hpp>

ImageModifierThreshold::ImageModifierThreshold(const QString& sName)
    : ImageModifierBase(sName)
{
}

ImageModifierBase::ParameterMap ImageModifierThreshold::getDefaultParameters() const
{
    return {{THRESHOLD, QVariant(int(128))}, {MODIFIER_THRESHOLD_ENABLED, QVariant(true)}};
}

bool ImageModifierThreshold::process(Raster2dBase* pInput, Raster2dBase* pOutput)
{
    Raster2d<unsigned char>* pIn = nullptr;
    Raster2d<unsigned char>* pOut = nullptr;
    if (!castRasters(LOG_LOCATION, pInput, pOutput, pIn, pOut))
    {
        return false;
    }
    int nThreshold = 0;
    if (!getValue(THRESHOLD, nThreshold))
    {
        return fail(LOG_LOCATION, MESSAGE_PARAMETERS_NOT_SET);
    }
    if (!sameSize(pIn, pOut))
    {
        return fail(LOG_LOCATION, MESSAGE_SIZE_NOT_IDENTICAL);
    }
    bool bEnabled = false;
    if (!getValue(MODIFIER_THRESHOLD_ENABLED, bEnabled) || !bEnabled)
    {
        return false;
    }
    cv::Mat output = cvHeader(*pOut);
    cv::threshold(cvHeader(*pIn), output, double(nThreshold), 255.0, cv::THRESH_BINARY);
    return true;
}
