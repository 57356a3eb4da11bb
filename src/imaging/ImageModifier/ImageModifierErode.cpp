#include "ImageModifierErode.h"

#include "CvRaster.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

ImageModifierErode::ImageModifierErode(const QString& sName)
    : ImageModifierBase(sName)
{
}

ImageModifierBase::ParameterMap ImageModifierErode::getDefaultParameters() const
{
    return {{ITERATIONS, QVariant(int(0))}};
}

bool ImageModifierErode::process(Raster2dBase* pInput, Raster2dBase* pOutput)
{
    Raster2d<unsigned char>* pIn = as<unsigned char>(pInput);
    if (pIn == nullptr)
    {
        return fail(LOG_LOCATION, MESSAGE_INPUT_RASTER);
    }
    Raster2d<unsigned char>* pOut = as<unsigned char>(pOutput);
    if (pOut == nullptr)
    {
        return fail(LOG_LOCATION, MESSAGE_OUTPUT_RASTER);
    }
    int nIterations = 0;
    if (!getValue(ITERATIONS, nIterations))
    {
        return fail(LOG_LOCATION, MESSAGE_PARAMETERS_NOT_SET);
    }
    if (nIterations == 0)
    {
        return false;
    }
    if (nIterations < 0)
    {
        return fail(LOG_LOCATION, MESSAGE_PARAMETERS_INVALID);
    }
    // Passes beyond the raster's longer side change nothing more (every
    // element then sees the whole raster), so the count is limited there and
    // always fits the library's int arithmetic.
    const double dCount = std::sqrt(double(pIn->getSize())) * (double(nIterations) / 1000.0);
    const double dLongerSide = double(std::max(pIn->getWidth(), pIn->getHeight()));
    const int nCount = int(std::min(dCount, dLongerSide));
    if (!sameSize(pIn, pOut))
    {
        return fail(LOG_LOCATION, MESSAGE_SIZE_NOT_IDENTICAL);
    }
    // A count of 0 makes the library copy the input.
    cv::Mat output = cvHeader(*pOut);
    cv::erode(cvHeader(*pIn), output, cv::Mat(), cv::Point(-1, -1), nCount, cv::BORDER_CONSTANT,
              cv::morphologyDefaultBorderValue());
    return true;
}
