#include "ImageModifierDepthComposite.h"

#include "CvRaster.h"
#include "SimpleException.h"

#include <cmath>

namespace
{
// The lower and upper value a layer keeps, before scaling.
void getKeptRange(float fMin, float fMax, float fCutoffLow, float fCutoffHigh, float& fKeepLow, float& fKeepHigh)
{
    const float fRange = fMax - fMin;
    fKeepLow = fMin + fCutoffLow * fRange;
    fKeepHigh = fMax - fCutoffHigh * fRange;
}

inline float cutValue(float fValue, float fKeepLow, float fKeepHigh, float fDepthScale)
{
    return (fValue < fKeepLow || fValue > fKeepHigh) ? 0.0f : fValue * fDepthScale;
}
} // namespace

ImageModifierDepthComposite::ImageModifierDepthComposite(const QString& sName)
    : ImageModifierBase(sName)
{
}

void ImageModifierDepthComposite::getMinMax(const Raster2d<float>& raster, float& fMin, float& fMax)
{
    double dMin = 0.0;
    double dMax = 0.0;
    cv::minMaxIdx(cvHeader(raster), &dMin, &dMax);
    fMin = float(dMin);
    fMax = float(dMax);
}

void ImageModifierDepthComposite::getCutBounds(float fMin, float fMax, float fDepthScale, float fCutoffLow,
                                               float fCutoffHigh, float& fLow, float& fHigh)
{
    float fKeepLow = 0.0f;
    float fKeepHigh = 0.0f;
    getKeptRange(fMin, fMax, fCutoffLow, fCutoffHigh, fKeepLow, fKeepHigh);
    fLow = fKeepLow * fDepthScale;
    fHigh = fKeepHigh * fDepthScale;
}

float ImageModifierDepthComposite::getCutValue(float fValue, float fMin, float fMax, float fDepthScale,
                                               float fCutoffLow, float fCutoffHigh)
{
    float fKeepLow = 0.0f;
    float fKeepHigh = 0.0f;
    getKeptRange(fMin, fMax, fCutoffLow, fCutoffHigh, fKeepLow, fKeepHigh);
    return cutValue(fValue, fKeepLow, fKeepHigh, fDepthScale);
}

bool ImageModifierDepthComposite::process(const RasterMap& mapInputRasters, RasterMap& mapOutputRasters)
{
    MOLDENA_ASSERT(mapInputRasters.size() >= 1 && mapOutputRasters.size() == 1);

    QString sSurfaceIdentifier;
    if (!getValue(SURFACE_IDENTIFIER, sSurfaceIdentifier))
    {
        return fail(LOG_LOCATION, MESSAGE_PARAMETERS_NOT_SET);
    }

    const Raster2d<float>* pSurface = nullptr;
    std::map<QString, const Raster2d<float>*> mapDecorations;
    for (const auto& entry : mapInputRasters)
    {
        const Raster2d<float>* pRaster = as<float>(entry.second);
        if (!pRaster)
        {
            return fail(LOG_LOCATION, MESSAGE_INPUT_RASTER);
        }
        if (entry.first.contains(sSurfaceIdentifier))
        {
            pSurface = pRaster;
        }
        else
        {
            mapDecorations[entry.first] = pRaster;
        }
    }
    // Without a surface there is nothing to compose onto.
    if (!pSurface)
    {
        return fail(LOG_LOCATION, MESSAGE_INPUT_RASTER);
    }

    Raster2d<float>* pOutput = as<float>(mapOutputRasters.begin()->second);
    if (!pOutput)
    {
        return fail(LOG_LOCATION, MESSAGE_OUTPUT_RASTER);
    }
    for (const auto& decoration : mapDecorations)
    {
        if (!sameSize(decoration.second, pOutput))
        {
            return fail(LOG_LOCATION, MESSAGE_SIZE_NOT_IDENTICAL);
        }
    }
    if (!sameSize(pSurface, pOutput))
    {
        return fail(LOG_LOCATION, MESSAGE_SIZE_NOT_IDENTICAL);
    }

    std::vector<QString> vOrder;
    std::vector<bool> vEnabled;
    if (!getValue(ORDER, vOrder) || !getValue(ENABLED, vEnabled))
    {
        return fail(LOG_LOCATION, MESSAGE_PARAMETERS_NOT_SET);
    }

    std::vector<const Raster2d<float>*> vLayerRasters;
    vLayerRasters.reserve(vOrder.size());
    for (const QString& sOrder : vOrder)
    {
        const Raster2d<float>* pLayer = nullptr;
        for (const auto& decoration : mapDecorations)
        {
            if (decoration.first.contains(sOrder))
            {
                pLayer = decoration.second;
                break;
            }
        }
        if (!pLayer)
        {
            return fail(LOG_LOCATION, MESSAGE_PARAMETERS_NOT_SET);
        }
        vLayerRasters.push_back(pLayer);
    }

    std::vector<F32> vDepth;
    std::vector<QString> vEmbossing;
    std::vector<F32> vDepthScale;
    std::vector<F32> vCutoffLow;
    std::vector<F32> vCutoffHigh;
    if (!getValue(DEPTH, vDepth) || !getValue(EMBOSSING, vEmbossing) || !getValue(DEPTH_SCALE, vDepthScale) ||
        !getValue(CUTOFF_LOW, vCutoffLow) || !getValue(CUTOFF_HIGH, vCutoffHigh))
    {
        return fail(LOG_LOCATION, MESSAGE_PARAMETERS_NOT_SET);
    }
    const std::size_t nLayers = vLayerRasters.size();
    if (vDepth.size() != nLayers || vEmbossing.size() != nLayers || vEnabled.size() != nLayers ||
        vDepthScale.size() != vDepth.size() || vCutoffLow.size() != vDepth.size() ||
        vCutoffHigh.size() != vDepth.size())
    {
        return fail(LOG_LOCATION, MESSAGE_PARAMETERS_NOT_SET);
    }

    cv::Mat composite = cvHeader(*pOutput);
    if (pSurface != pOutput)
    {
        cvHeader(*pSurface).copyTo(composite);
    }

    for (std::size_t n = nLayers; n-- > 0;)
    {
        if (!vEnabled[n])
        {
            continue;
        }
        const Layer layer{vLayerRasters[n], vDepth[n],   vEmbossing[n] == NEGATIVE,
                          vDepthScale[n],   vCutoffLow[n], vCutoffHigh[n]};
        applyLayer(layer, *pOutput);
    }

    const int nRows = composite.rows;
    const int nCols = composite.cols;
    composite.row(0).setTo(0.0f);
    composite.row(nRows - 1).setTo(0.0f);
    composite.col(0).setTo(0.0f);
    composite.col(nCols - 1).setTo(0.0f);
    return true;
}

void ImageModifierDepthComposite::applyLayer(const Layer& layer, Raster2d<float>& composite)
{
    float fCompositeMin = 0.0f;
    float fCompositeMax = 0.0f;
    getMinMax(composite, fCompositeMin, fCompositeMax);

    float fLayerMin = 0.0f;
    float fLayerMax = 0.0f;
    getMinMax(*layer.pRaster, fLayerMin, fLayerMax);
    float fKeepLow = 0.0f;
    float fKeepHigh = 0.0f;
    getKeptRange(fLayerMin, fLayerMax, layer.fCutoffLow, layer.fCutoffHigh, fKeepLow, fKeepHigh);
    float fLow = 0.0f;
    float fHigh = 0.0f;
    getCutBounds(fLayerMin, fLayerMax, layer.fDepthScale, layer.fCutoffLow, layer.fCutoffHigh, fLow, fHigh);

    const unsigned int nSize = composite.getSize();
    // A raising layer is lifted above the whole composite by a margin that
    // grows with the raster's resolution; a carving one sinks by its own
    // value range.
    float fOffset = 0.0f;
    if (layer.fDepth >= 0.0f)
    {
        const float fRoot = float(std::sqrt(double(nSize)));
        fOffset = (fRoot + fCompositeMax) * layer.fDepth;
    }
    else
    {
        fOffset = (fHigh - fLow + 1.0f + fCompositeMax) * layer.fDepth;
    }

    const float* pLayer = layer.pRaster->getData();
    float* pComposite = composite.getData();
    if (fOffset >= 0.0f)
    {
        // Raising: only ever lifts an element.
        const float fBase = fOffset + fCompositeMin;
        for (unsigned int p = 0; p < nSize; ++p)
        {
            const float fCurrent = pComposite[p];
            const float fValue = cutValue(pLayer[p], fKeepLow, fKeepHigh, layer.fDepthScale);
            if (fCurrent == 0.0f || fValue == 0.0f)
            {
                continue;
            }
            const float fCandidate = layer.bNegative ? fBase - fValue : fBase + fValue - fHigh;
            if (fCandidate > 0.0f && fCandidate > fCurrent)
            {
                pComposite[p] = fCandidate;
            }
        }
    }
    else
    {
        // Carving: only ever lowers an element, down to 0 (cut through).
        const float fBase = fOffset + fCompositeMax;
        for (unsigned int p = 0; p < nSize; ++p)
        {
            const float fCurrent = pComposite[p];
            const float fValue = cutValue(pLayer[p], fKeepLow, fKeepHigh, layer.fDepthScale);
            if (fCurrent == 0.0f || fValue == 0.0f)
            {
                continue;
            }
            const float fCandidate = layer.bNegative ? fBase + fValue : fBase + fHigh - fValue;
            if (fCandidate <= 0.0f)
            {
                pComposite[p] = 0.0f;
            }
            else if (fCandidate < fCurrent)
            {
                pComposite[p] = fCandidate;
            }
        }
    }
}
