#include "ImageModifierDistanceTransform.h"

#include "CvRaster.h"

#include <opencv2/imgproc.hpp>

ImageModifierDistanceTransform::ImageModifierDistanceTransform(const QString& sName)
    : ImageModifierBase(sName)
{
}

bool ImageModifierDistanceTransform::process(Raster2dBase* pInput, Raster2dBase* pOutput)
{
    Raster2d<unsigned char>* pIn = as<unsigned char>(pInput);
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
    cv::Mat output = cvHeader(*pOut);
    cv::distanceTransform(cvHeader(*pIn), output, cv::DIST_L2, cv::DIST_MASK_3);
    return true;
}
