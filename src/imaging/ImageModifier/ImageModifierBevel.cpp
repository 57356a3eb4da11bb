#include "ImageModifierBevel.h"

#include "CvRaster.h"
#include "SimpleException.h"

#include <opencv2/core.hpp>

#include <cmath>
#include <limits>

ImageModifierBevel::ImageModifierBevel(const QString& sName)
    : ImageModifierBase(sName)
{
}

bool ImageModifierBevel::process(const RasterMap& mapInputRasters, RasterMap& mapOutputRasters)
{
    MOLDENA_ASSERT(mapInputRasters.size() >= 2 && mapOutputRasters.size() == 1);

    QString sShapeName;
    QString sProfileName;
    if (!getValue(MODIFIER_BEVEL_PARAMETER_IMAGE_NAME_SHAPE, sShapeName) ||
        !getValue(MODIFIER_BEVEL_PARAMETER_IMAGE_NAME_PROFILE, sProfileName))
    {
        return fail(LOG_LOCATION, MESSAGE_PARAMETERS_NOT_SET);
    }

    const QString sBasReliefName = sShapeName + BAS_RELIEF;
    const Raster2d<float>* pShape = NULL;
    const Raster2d<float>* pProfile = NULL;
    const Raster2d<unsigned char>* pBasRelief = NULL;
    for (const auto& entry : mapInputRasters)
    {
        if (entry.first.contains(sProfileName))
        {
            pProfile = as<float>(entry.second);
        }
        else if (entry.first.contains(sBasReliefName))
        {
            pBasRelief = as<unsigned char>(entry.second);
        }
        else if (entry.first.contains(sShapeName))
        {
            pShape = as<float>(entry.second);
        }
    }
    if (pShape == NULL || pProfile == NULL)
    {
        return fail(LOG_LOCATION, MESSAGE_INPUT_RASTER);
    }
    Raster2d<float>* pOutput = as<float>(mapOutputRasters.begin()->second);
    if (pOutput == NULL)
    {
        return fail(LOG_LOCATION, MESSAGE_OUTPUT_RASTER);
    }
    if (!sameSize(pShape, pOutput))
    {
        return fail(LOG_LOCATION, MESSAGE_SIZE_NOT_IDENTICAL);
    }

    const float* pShapeData = pShape->getData();
    const unsigned int nSize = pShape->getSize();
    // Comparisons pass not-a-number elements over; the maximum is never negative.
    float fShapeMin = std::numeric_limits<float>::infinity();
    float fShapeMax = 0.0f;
    bool bInsideShape = false;
    for (unsigned int i = 0; i < nSize; ++i)
    {
        if (pShapeData[i] < fShapeMin)
        {
            fShapeMin = pShapeData[i];
        }
        if (pShapeData[i] > fShapeMax)
        {
            fShapeMax = pShapeData[i];
        }
        bInsideShape = bInsideShape || pShapeData[i] != 0.0f;
    }
    const unsigned int nLastColumn = pProfile->getWidth() - 1;
    const float fFactor = float(nLastColumn) / (fShapeMax - fShapeMin);
    if (pBasRelief != NULL && !sameSize(pBasRelief, pOutput))
    {
        return fail(LOG_LOCATION, MESSAGE_SIZE_NOT_IDENTICAL);
    }
    // Profile heights are divided by the factor: 0, infinity or not-a-number
    // would put infinite or undefined heights into the surface. An empty shape
    // or a bas-relief never reads the profile and needs no factor.
    if (pBasRelief == NULL && bInsideShape && (!std::isfinite(fFactor) || fFactor == 0.0f))
    {
        return fail(LOG_LOCATION, MESSAGE_INPUT_RASTER);
    }

    float* pHeights = pOutput->getData();
    const unsigned char* pBasReliefData = pBasRelief ? pBasRelief->getData() : NULL;
    for (unsigned int i = 0; i < nSize; ++i)
    {
        const float s = pShapeData[i];
        if (s == 0.0f)
        {
            pHeights[i] = 0.0f;
        }
        else if (pBasReliefData != NULL)
        {
            pHeights[i] = float(pBasReliefData[i]);
        }
        else
        {
            float t = s * fFactor;
            // Negative (and not-a-number) shape values map to the first
            // column; converting them to an unsigned index is undefined.
            if (!(t > 0.0f))
            {
                t = 0.0f;
            }
            const float fl = std::floor(t);
            const float ce = std::ceil(t);
            const float wLow = 1.0f - (t - fl);
            const float wHigh = 1.0f - wLow;
            // Values beyond the last column (a shape minimum above 0) use it.
            const unsigned int iLow = fl < float(nLastColumn) ? static_cast<unsigned int>(fl) : nLastColumn;
            const unsigned int iHigh = ce < float(nLastColumn) ? static_cast<unsigned int>(ce) : nLastColumn;
            const double v = double(pProfile->at(iLow, 0)) * wLow + double(pProfile->at(iHigh, 0)) * wHigh;
            pHeights[i] = float(std::floor(v / fFactor + 0.5));
        }
    }

    // The frame is 0: the mesh closes the surface there.
    cv::Mat matHeights = cvHeader(*pOutput);
    matHeights.row(0).setTo(cv::Scalar(0));
    matHeights.row(matHeights.rows - 1).setTo(cv::Scalar(0));
    matHeights.col(0).setTo(cv::Scalar(0));
    matHeights.col(matHeights.cols - 1).setTo(cv::Scalar(0));
    return true;
}
