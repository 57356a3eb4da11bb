#include "ImageModifierDilate.h"

#include <opencv2/imgproc.hpp>

ImageModifierDilate::ImageModifierDilate(const QString& sName)
    : ImageModifierMorphologyBase(sName)
{
}

bool ImageModifierDilate::process(Raster2dBase* pInput, Raster2dBase* pOutput)
{
    return processPasses(LOG_LOCATION, pInput, pOutput, cv::dilate);
}
