#include "ImageModifierDepthScale.h"

#include "CvRaster.h"

#include <opencv2/core.hpp>

ImageModifierDepthScale::ImageModifierDepthScale(const QString& sName)
    : ImageModifierBase(sName)
{
}

ImageModifierBase::ParameterMap ImageModifierDepthScale::getDefaultParameters() const
{
    return {{SIZE, QVariant(1.0)}};
}

bool ImageModifierDepthScale::process(Raster2dBase* pInput, Raster2dBase* pOutput)
{
    double dFactor = 1.0;
    if (!getValue(SIZE, dFactor))
    {
        return false;
    }
    // Written so that NaN is refused as well.
    if (!(dFactor >= 0.0))
    {
        return false;
    }
    Raster2d<float>* pIn = nullptr;
    Raster2d<float>* pOut = nullptr;
    if (!castRasters(LOG_LOCATION, pInput, pOutput, pIn, pOut) || !checkSameSize(LOG_LOCATION, pIn, pOut))
    {
        return false;
    }
    // The factor is rounded to float once; OpenCV then forms float products.
    const float fFactor = static_cast<float>(dFactor);
    cv::Mat output = cvHeader(*pOut);
    cvHeader(*pIn).convertTo(output, CV_32F, double(fFactor));
    return true;
}
