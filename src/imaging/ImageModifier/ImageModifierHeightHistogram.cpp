#include "ImageModifierHeightHistogram.h"

#include "CvRaster.h"
#include "SimpleException.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{
// Heights at or below this count as empty columns.
const float EMPTY_HEIGHT = 0.00001f;
} // namespace

ImageModifierHeightHistogram::ImageModifierHeightHistogram(const QString& sName)
    : ImageModifierBase(sName)
{
}

ImageModifierBase::ParameterMap ImageModifierHeightHistogram::getDefaultParameters() const
{
    return {{KEEP_EMPTY_SPACES, false}};
}

bool ImageModifierHeightHistogram::getOutputSize(const Raster2dBase* pInput, const Raster2dBase*,
                                                 unsigned int& nWidth, unsigned int& nHeight)
{
    MOLDENA_ASSERT(pInput != NULL);
    nWidth = pInput->getWidth();
    nHeight = 1;
    return true;
}

bool ImageModifierHeightHistogram::process(Raster2dBase* pInput, Raster2dBase* pOutput)
{
    Raster2d<unsigned char>* pRaster2dInput = nullptr;
    Raster2d<float>* pRaster2dOutput = nullptr;
    if (!castRasters(LOG_LOCATION, pInput, pOutput, pRaster2dInput, pRaster2dOutput))
    {
        return false;
    }
    bool bKeepEmptySpaces = false;
    if (!getValue(KEEP_EMPTY_SPACES, bKeepEmptySpaces))
    {
        return false;
    }
    unsigned int nWidth = 0;
    unsigned int nHeight = 0;
    if (!getOutputSize(pInput, pOutput, nWidth, nHeight))
    {
        return fail(LOG_LOCATION, MESSAGE_CALCULATE_OUTPUT_SIZE);
    }
    if (pRaster2dOutput->getWidth() != nWidth || pRaster2dOutput->getHeight() != nHeight)
    {
        return fail(LOG_LOCATION, MESSAGE_OUTPUT_SIZE);
    }

    pRaster2dOutput->fill(0.0f);

    const unsigned int W = pRaster2dInput->getWidth();
    const unsigned int H = pRaster2dInput->getHeight();
    const unsigned char* pDrawing = pRaster2dInput->getData();

    // Height of the topmost black pixel above the bottom edge: H for the top
    // row, 1 for the bottom row, 0 for a column without black.
    std::vector<float> vHeights(W, 0.0f);
    for (unsigned int y = 0; y < H; ++y)
    {
        const unsigned char* pRow = pDrawing + std::size_t(y) * W;
        for (unsigned int x = 0; x < W; ++x)
        {
            if (pRow[x] == 0 && vHeights[x] < float(H - y))
            {
                vHeights[x] = float(H - y);
            }
        }
    }

    // Base line: the lowest white margin under any drawn column. A margin of
    // 0 (a column drawn down to the bottom edge) is a real value and wins.
    bool bBaseLineSet = false;
    float fBaseLine = 0.0f;
    for (unsigned int x = 0; x < W; ++x)
    {
        if (vHeights[x] < EMPTY_HEIGHT)
        {
            continue;
        }
        float fMargin = 0.0f;
        // The top row is never counted as margin.
        for (unsigned int y = H - 1; y >= 1; --y)
        {
            if (pDrawing[std::size_t(y) * W + x] != 255)
            {
                break;
            }
            fMargin = float(H - y);
        }
        if (!bBaseLineSet || fMargin < fBaseLine)
        {
            fBaseLine = fMargin;
            bBaseLineSet = true;
        }
    }

    for (float& fHeight : vHeights)
    {
        const float fLifted = fHeight - fBaseLine;
        fHeight = fLifted > 0.0f ? fLifted : 0.0f;
    }

    // Extent: leading empty columns are always cut off.
    unsigned int nStart = 0;
    for (unsigned int x = 0; x < W; ++x)
    {
        if (vHeights[x] > EMPTY_HEIGHT)
        {
            nStart = x;
            break;
        }
    }
    unsigned int nEnd = 0;
    if (bKeepEmptySpaces)
    {
        nEnd = W - 1;
    }
    else
    {
        bool bFound = false;
        for (unsigned int x = W; x-- > 0;)
        {
            if (vHeights[x] > EMPTY_HEIGHT)
            {
                nEnd = x;
                bFound = true;
                break;
            }
        }
        if (!bFound)
        {
            return true;
        }
    }
    if (nEnd <= nStart)
    {
        return true;
    }

    const unsigned int n = nEnd - nStart + 1;
    const float* pTrimmed = vHeights.data() + nStart;
    MOLDENA_ASSERT(pRaster2dOutput->getHeight() == 1);

    // Stretch the trimmed profile back to the drawing's width (linear
    // interpolation, whole numbers).
    float* pProfile = pRaster2dOutput->getData();
    const float fStep = float(n) / float(W);
    for (unsigned int x = 0; x < W; ++x)
    {
        const float p = float(x) * fStep;
        const float f = std::floor(p);
        const float c = std::ceil(p);
        const float w0 = 1.0f - (p - f);
        const float w1 = 1.0f - w0;
        const unsigned int nLow = std::min(static_cast<unsigned int>(f), n - 1);
        const unsigned int nHigh = std::min(static_cast<unsigned int>(c), n - 1);
        pProfile[x] = std::floor(pTrimmed[nHigh] * w1 + pTrimmed[nLow] * w0);
    }

    cv::Mat matProfile = cvHeader(*pRaster2dOutput);
    cv::blur(matProfile, matProfile, cv::Size(3, 3), cv::Point(-1, -1), cv::BORDER_DEFAULT);
    return true;
}
