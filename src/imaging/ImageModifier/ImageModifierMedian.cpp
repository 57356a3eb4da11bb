#include "ImageModifierMedian.h"

#include "CvRaster.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>

ImageModifierMedian::ImageModifierMedian(const QString& sName)
    : ImageModifierWindowBase(sName)
{
}

bool ImageModifierMedian::process(Raster2dBase* pInput, Raster2dBase* pOutput)
{
    Raster2d<unsigned char>* pIn = nullptr;
    Raster2d<unsigned char>* pOut = nullptr;
    int nSide = 0;
    if (!prepareWindow(LOG_LOCATION, pInput, pOutput, pIn, pOut, nSide))
    {
        return false;
    }
    // The library's median takes at most 255.
    const int nWindow = std::min(nSide, 255);
    if (!sameSize(pIn, pOut))
    {
        return fail(LOG_LOCATION, MESSAGE_SIZE_NOT_IDENTICAL);
    }
    cv::Mat output = cvHeader(*pOut);
    cv::medianBlur(cvHeader(*pIn), output, nWindow);
    return true;
}
