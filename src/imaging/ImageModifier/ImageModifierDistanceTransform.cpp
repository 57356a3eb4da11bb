#include "ImageModifierDistanceTransform.h"

#include "CvRaster.h"

#include <opencv2/imgproc.hpp>

ImageModifierDistanceTransform::ImageModifierDistanceTransform(const QString& sName)
    : ImageModifierBase(sName)
{
}

bool ImageModifierDistanceTransform::process(Raster2dBase* pInput, Raster2dBase* pOutput)
{
    Raster2d<unsigned char>* pIn = nullptr;
    Raster2d<float>* pOut = nullptr;
    if (!castRasters(LOG_LOCATION, pInput, pOutput, pIn, pOut) || !checkSameSize(LOG_LOCATION, pIn, pOut))
    {
        return false;
    }
    cv::Mat output = cvHeader(*pOut);
    cv::distanceTransform(cvHeader(*pIn), output, cv::DIST_L2, cv::DIST_MASK_3);
    return true;
}
