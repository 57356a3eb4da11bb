#include "ImageModifierMorphologyBase.h"

#include "CvRaster.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

ImageModifierMorphologyBase::ImageModifierMorphologyBase(const QString& sName)
    : ImageModifierBase(sName)
{
}

ImageModifierBase::ParameterMap ImageModifierMorphologyBase::getDefaultParameters() const
{
    return {{ITERATIONS, QVariant(int(0))}};
}

bool ImageModifierMorphologyBase::processPasses(const QString& sLocation, Raster2dBase* pInput,
                                                Raster2dBase* pOutput, Operation operation)
{
    Raster2d<unsigned char>* pIn = nullptr;
    Raster2d<unsigned char>* pOut = nullptr;
    if (!castRasters(sLocation, pInput, pOutput, pIn, pOut))
    {
        return false;
    }
    int nIterations = 0;
    if (!getValue(ITERATIONS, nIterations))
    {
        return fail(sLocation, MESSAGE_PARAMETERS_NOT_SET);
    }
    if (nIterations == 0)
    {
        return false;
    }
    if (nIterations < 0)
    {
        return fail(sLocation, MESSAGE_PARAMETERS_INVALID);
    }
    // Passes beyond the raster's longer side change nothing more (every
    // element then sees the whole raster), so the count is limited there and
    // always fits the library's int arithmetic.
    const double dCount = std::sqrt(double(pIn->getSize())) * (double(nIterations) / 1000.0);
    const double dLongerSide = double(std::max(pIn->getWidth(), pIn->getHeight()));
    const int nCount = int(std::min(dCount, dLongerSide));
    if (!checkSameSize(sLocation, pIn, pOut))
    {
        return false;
    }
    // A count of 0 makes the library copy the input.
    cv::Mat output = cvHeader(*pOut);
    operation(cvHeader(*pIn), output, cv::Mat(), cv::Point(-1, -1), nCount, cv::BORDER_CONSTANT,
              cv::morphologyDefaultBorderValue());
    return true;
}
