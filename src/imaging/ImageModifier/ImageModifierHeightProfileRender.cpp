#include "ImageModifierHeightProfileRender.h"

#include "CvRaster.h"
#include "ImageModifierSliceRender.h"
#include "SimpleException.h"

#include <opencv2/core.hpp>

#include <cmath>

ImageModifierHeightProfileRender::ImageModifierHeightProfileRender(const QString& sName)
    : ImageModifierBase(sName)
{
}

bool ImageModifierHeightProfileRender::getOutputSize(const Raster2dBase* pInput, const Raster2dBase*,
                                                     unsigned int& nWidth, unsigned int& nHeight)
{
    const Raster2d<float>* pRaster2dInput = as<float>(pInput);
    if (pRaster2dInput == NULL)
    {
        return false;
    }
    // Refused here, before the caller allocates a chart of that height.
    const float fMaximum = ImageModifierSliceRender::getMaximum(*pRaster2dInput);
    if (!std::isfinite(fMaximum) || fMaximum >= float(ImageModifierSliceRender::MAXIMUM_CHART_HEIGHT))
    {
        return false;
    }
    nWidth = pRaster2dInput->getWidth();
    // A raster cannot have 0 rows: a blank profile is drawn as one white row.
    nHeight = static_cast<unsigned int>(fMaximum);
    if (nHeight == 0)
    {
        nHeight = 1;
    }
    return true;
}

bool ImageModifierHeightProfileRender::process(Raster2dBase* pInput, Raster2dBase* pOutput)
{
    Raster2d<float>* pRaster2dInput = nullptr;
    Raster2d<unsigned char>* pRaster2dOutput = nullptr;
    if (!castRasters(LOG_LOCATION, pInput, pOutput, pRaster2dInput, pRaster2dOutput))
    {
        return false;
    }
    unsigned int nWidth = 0;
    unsigned int nHeight = 0;
    const bool bSizeOk = getOutputSize(pInput, pOutput, nWidth, nHeight);
    MOLDENA_ASSERT(bSizeOk);
    MOLDENA_ASSERT(nWidth == pRaster2dOutput->getWidth());
    MOLDENA_ASSERT(nHeight == pRaster2dOutput->getHeight());
    MOLDENA_ASSERT(pRaster2dInput->getWidth() == pRaster2dOutput->getWidth());
    MOLDENA_ASSERT(nHeight < 65536);

    cv::Mat matOutput = cvHeader(*pRaster2dOutput);
    matOutput.setTo(cv::Scalar(255));
    if (nWidth < 2)
    {
        return true;
    }
    const cv::Mat matValues = cvHeader(*pRaster2dInput).row(0).colRange(0, int(nWidth) - 1);
    cv::Mat matReached;
    for (unsigned int y = 0; y < nHeight; ++y)
    {
        // Levels are whole numbers from nHeight (top row) down to 1, so "the
        // value truncated reaches the level" is "the value reaches the level".
        const float fLevel = float(nHeight - y);
        cv::compare(matValues, cv::Scalar(fLevel), matReached, cv::CMP_GE);
        cv::Mat matRow = matOutput.row(int(y)).colRange(0, int(nWidth) - 1);
        cv::bitwise_not(matReached, matRow);
    }
    return true;
}
