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
    Raster2d<float>* pIn = as<float>(pInput);
    if (pIn == nullptr)
    {
        return fail(LOG_LOCATION, MESSAGE_INPUT_RASTER);
    }
    Raster2d<float>* pOut = as<float>(pOutput);
    if (pOut == nullptr)
    {
        return fail(LOG_LOCATION, MESSAGE_OUTPUT_RASTER);
    }
    if (!sameSize(pIn, pOut))
    {
        return fail(LOG_LOCATION, MESSAGE_SIZE_NOT_IDENTICAL);
    }
    // The factor is rounded to float once; OpenCV then forms float products.
    const float fFactor = static_cast<float>(dFactor);
    cv::Mat output = cvHeader(*pOut);
    cvHeader(*pIn).convertTo(output, CV_32F, double(fFactor));
    return true;
}
