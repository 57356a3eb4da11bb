#include "ImageModifierMedian.h"

#include "CvRaster.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <climits>
#include <cmath>

ImageModifierMedian::ImageModifierMedian(const QString& sName)
    : ImageModifierBase(sName)
{
}

ImageModifierBase::ParameterMap ImageModifierMedian::getDefaultParameters() const
{
    return {{SIZE, QVariant(int(0))}};
}

bool ImageModifierMedian::process(Raster2dBase* pInput, Raster2dBase* pOutput)
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
