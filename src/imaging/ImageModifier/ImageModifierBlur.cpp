#include "ImageModifierBlur.h"

#include "CvRaster.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <climits>
#include <cmath>

ImageModifierBlur::ImageModifierBlur(const QString& sName)
    : ImageModifierBase(sName)
{
}

ImageModifierBase::ParameterMap ImageModifierBlur::getDefaultParameters() const
{
    return {{SIZE, QVariant(int(0))}};
}

bool ImageModifierBlur::process(Raster2dBase* pInput, Raster2dBase* pOutput)
{
    Raster2d<unsigned char>* pIn = nullptr;
    Raster2d<unsigned char>* pOut = nullptr;
    if (!castRasters(LOG_LOCATION, pInput, pOutput, pIn, pOut))
    {
        return false;
    }
    int nSize = 0;
    if (!getValue(SIZE, nSize))
    {
        return fail(LOG_LOCATION, MESSAGE_PARAMETERS_NOT_SET);
    }
    const double dStrength = std::sqrt(double(pIn->getSize())) * (double(nSize) / 1000.0);
    if (dStrength < 2.0)
    {
        return false;
    }
    // Kept within int so that the window arithmetic cannot overflow.
    const int n = int(std::min(dStrength, double(INT_MAX - 1)));
    const int nSide = (n % 2 == 1) ? n : n + 1;
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
