#include "ImageModifierCrop.h"

#include "CvRaster.h"

#include <opencv2/core.hpp>

#include <limits>

namespace
{
// The product truncated toward zero, or false when it is NaN or beyond int.
bool toMargin(double dProduct, int& nMargin)
{
    if (!(dProduct > -double(std::numeric_limits<int>::max()) && dProduct < double(std::numeric_limits<int>::max())))
    {
        return false;
    }
    nMargin = static_cast<int>(dProduct);
    return true;
}
} // namespace

ImageModifierCrop::ImageModifierCrop(const QString& sName)
    : ImageModifierBase(sName)
{
}

bool ImageModifierCrop::calculateMargins(QRectF roi, unsigned int nWidth, unsigned int nHeight, int& nLeft,
                                         int& nRight, int& nTop, int& nBottom) const
{
    const double dW = double(nWidth);
    const double dH = double(nHeight);
    int nL = 0;
    int nR = 0;
    int nT = 0;
    int nB = 0;
    if (!toMargin(dW * roi.x(), nL) || !toMargin(dW * (1.0 - (roi.x() + roi.width())), nR) ||
        !toMargin(dH * roi.y(), nT) || !toMargin(dH * (1.0 - (roi.y() + roi.height())), nB))
    {
        return false;
    }
    nLeft = nL;
    nRight = nR;
    nTop = nT;
    nBottom = nB;
    return true;
}

bool ImageModifierCrop::getOutputSize(const Raster2dBase* pInput, const Raster2dBase*, unsigned int& nWidth,
                                      unsigned int& nHeight)
{
    if (pInput == nullptr)
    {
        return false;
    }
    int nLeft = 0;
    int nRight = 0;
    int nTop = 0;
    int nBottom = 0;
    if (!calculateMargins(pInput->getRoi(), pInput->getWidth(), pInput->getHeight(), nLeft, nRight, nTop, nBottom))
    {
        return false;
    }
    // A region reaching outside the raster would make the copy read outside
    // it; an empty one has nothing to copy.
    if (nLeft < 0 || nRight < 0 || nTop < 0 || nBottom < 0)
    {
        return false;
    }
    const long long nW = (long long)pInput->getWidth() - nLeft - nRight;
    const long long nH = (long long)pInput->getHeight() - nTop - nBottom;
    if (nW <= 0 || nH <= 0)
    {
        return false;
    }
    nWidth = static_cast<unsigned int>(nW);
    nHeight = static_cast<unsigned int>(nH);
    return true;
}

bool ImageModifierCrop::process(Raster2dBase* pInput, Raster2dBase* pOutput)
{
    Raster2d<unsigned char>* pIn = nullptr;
    Raster2d<unsigned char>* pOut = nullptr;
    if (!castRasters(LOG_LOCATION, pInput, pOutput, pIn, pOut))
    {
        return false;
    }
    unsigned int nWidth = 0;
    unsigned int nHeight = 0;
    int nLeft = 0;
    int nRight = 0;
    int nTop = 0;
    int nBottom = 0;
    if (!calculateMargins(pIn->getRoi(), pIn->getWidth(), pIn->getHeight(), nLeft, nRight, nTop, nBottom) ||
        !getOutputSize(pIn, pOut, nWidth, nHeight))
    {
        return fail(LOG_LOCATION, MESSAGE_CALCULATE_OUTPUT_SIZE);
    }
    if (pOut->getWidth() != nWidth || pOut->getHeight() != nHeight)
    {
        return fail(LOG_LOCATION, MESSAGE_OUTPUT_SIZE);
    }
    // The copied block must lie inside the input whatever size the virtual
    // size computation reported.
    if (nLeft < 0 || nTop < 0 || (unsigned long long)nLeft + nWidth > pIn->getWidth() ||
        (unsigned long long)nTop + nHeight > pIn->getHeight())
    {
        return fail(LOG_LOCATION, MESSAGE_CALCULATE_OUTPUT_SIZE);
    }
    const cv::Rect region(nLeft, nTop, int(nWidth), int(nHeight));
    cv::Mat output = cvHeader(*pOut);
    cvHeader(*pIn)(region).copyTo(output);
    return true;
}
