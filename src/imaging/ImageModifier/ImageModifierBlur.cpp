#include "ImageModifierBlur.h"

#include "CvRaster.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>

ImageModifierBlur::ImageModifierBlur(const QString& sName)
    : ImageModifierWindowBase(sName)
{
}

bool ImageModifierBlur::process(Raster2dBase* pInput, Raster2dBase* pOutput)
{
    Raster2d<unsigned char>* pIn = nullptr;
    Raster2d<unsigned char>* pOut = nullptr;
    int nSide = 0;
    if (!prepareWindow(LOG_LOCATION, pInput, pOutput, pIn, pOut, nSide))
    {
        return false;
    }
    // A wider window reaches past the raster's reflections on both sides; it
    // is refused rather than handed to border buffers as wide as the window.
    if (double(nSide) > 2.0 * double(std::max(pIn->getWidth(), pIn->getHeight())) + 1.0)
    {
        return fail(LOG_LOCATION, MESSAGE_PARAMETERS_INVALID);
    }
    const int nWindow = nSide;
    if (!sameSize(pIn, pOut))
    {
        return fail(LOG_LOCATION, MESSAGE_SIZE_NOT_IDENTICAL);
    }
    cv::Mat output = cvHeader(*pOut);
    cv::blur(cvHeader(*pIn), output, cv::Size(nWindow, nWindow), cv::Point(-1, -1), cv::BORDER_DEFAULT);
    return true;
}
