#include "ImageModifierSliceRender.h"

#include "CvRaster.h"
#include "SimpleException.h"

#include <opencv2/core.hpp>

#include <cmath>

ImageModifierSliceRender::ImageModifierSliceRender(const QString& sName)
    : ImageModifierBase(sName)
{
}

ImageModifierBase::ParameterMap ImageModifierSliceRender::getDefaultParameters() const
{
    return {{ORIENTATION, HORIZONTAL}, {POSITION, 0.5}};
}

float ImageModifierSliceRender::getMaximum(const Raster2d<float>& raster)
{
    // cv::minMaxLoc gives no defined answer for not-a-number elements; this
    // comparison passes them over.
    const float* pData = raster.getData();
    float fMaximum = 0.0f;
    for (unsigned int i = 0; i < raster.getSize(); ++i)
    {
        if (pData[i] > fMaximum)
        {
            fMaximum = pData[i];
        }
    }
    return fMaximum;
}

bool ImageModifierSliceRender::getOutputSize(const Raster2dBase* pInput, const Raster2dBase*, unsigned int& nWidth,
                                             unsigned int& nHeight)
{
    const Raster2d<float>* pRaster2dInput = as<float>(pInput);
    QString sOrientation;
    if (pRaster2dInput == NULL || !getValue(ORIENTATION, sOrientation))
    {
        return false;
    }
    // Refused here, before the caller allocates a chart of that height.
    const float fMaximum = getMaximum(*pRaster2dInput);
    if (!std::isfinite(fMaximum) || fMaximum >= float(MAXIMUM_CHART_HEIGHT))
    {
        return false;
    }
    nWidth = (sOrientation == HORIZONTAL) ? pRaster2dInput->getWidth() : pRaster2dInput->getHeight();
    nHeight = static_cast<unsigned int>(fMaximum);
    if (nHeight == 0)
    {
        nHeight = 1;
    }
    return true;
}

bool ImageModifierSliceRender::process(Raster2dBase* pInput, Raster2dBase* pOutput)
{
    QString sOrientation;
    double dPosition = 0.0;
    if (!getValue(ORIENTATION, sOrientation) || !getValue(POSITION, dPosition))
    {
        return false;
    }
    // Written so that a not-a-number position is refused too.
    if (!(dPosition >= 0.0 && dPosition <= 1.0) || sOrientation.isEmpty())
    {
        return false;
    }
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
    // The chart is written row by row over the output's memory: a raster of
    // another size would be overrun or left partly stale.
    if (pRaster2dOutput->getWidth() != nWidth || pRaster2dOutput->getHeight() != nHeight)
    {
        return fail(LOG_LOCATION, MESSAGE_OUTPUT_SIZE);
    }
    MOLDENA_ASSERT(nHeight < 65536);

    const cv::Mat matInput = cvHeader(*pRaster2dInput);
    cv::Mat matSlice;
    if (sOrientation == HORIZONTAL)
    {
        const int nRow = int((pRaster2dInput->getHeight() - 1) * dPosition);
        matInput.row(nRow).copyTo(matSlice);
    }
    else
    {
        const int nColumn = int((pRaster2dInput->getWidth() - 1) * dPosition);
        matInput.col(nColumn).copyTo(matSlice);
        matSlice = matSlice.reshape(1, 1);
    }

    cv::Mat matOutput = cvHeader(*pRaster2dOutput);
    matOutput.setTo(cv::Scalar(0));
    if (nWidth < 2)
    {
        return true;
    }
    // The last column stays black; so does the bottom row (level 0).
    const cv::Mat matValues = matSlice.colRange(0, int(nWidth) - 1);
    for (unsigned int y = 0; y + 1 < nHeight; ++y)
    {
        const float fLevel = float(nHeight - 1 - y);
        cv::Mat matRow = matOutput.row(int(y)).colRange(0, int(nWidth) - 1);
        // 255 where the value is not below the level; not-a-number stays 0.
        cv::compare(matValues, cv::Scalar(fLevel), matRow, cv::CMP_GE);
    }
    return true;
}
