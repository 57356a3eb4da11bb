#include "ImageModifierErode.h"

#include <opencv2/imgproc.hpp>

ImageModifierErode::ImageModifierErode(const QString& sName)
    : ImageModifierMorphologyBase(sName)
{
}

bool ImageModifierErode::process(Raster2dBase* pInput, Raster2dBase* pOutput)
{
    return processPasses(LOG_LOCATION, pInput, pOutput, cv::erode);
}
