#include "ImageModifierOverlayComposite.h"

#include "CvRaster.h"
#include "PaintRasterRoles.h"
#include "SimpleException.h"

#include <opencv2/core.hpp>

#include <cstring>

ImageModifierOverlayComposite::ImageModifierOverlayComposite(const QString& sName)
    : ImageModifierBase(sName)
{
}

ImageModifierBase::ParameterMap ImageModifierOverlayComposite::getDefaultParameters() const
{
    ParameterMap mapParameters;
    mapParameters[ENABLED] = QVariant(true);
    return mapParameters;
}

bool ImageModifierOverlayComposite::process(const RasterMap& mapInputRasters, RasterMap& mapOutputRasters)
{
    MOLDENA_ASSERT(mapInputRasters.size() == 3 && mapOutputRasters.size() == 1);

    bool bEnabled = false;
    if (!getValue(ENABLED, bEnabled))
    {
        return fail(LOG_LOCATION, MESSAGE_PARAMETERS_NOT_SET);
    }
    if (!bEnabled)
    {
        return false;
    }

    const PaintRasterRoles inputs(mapInputRasters);
    if (!inputs.pCanvas || !inputs.pOverlay || !inputs.pMask)
    {
        return fail(LOG_LOCATION, MESSAGE_INPUT_RASTER);
    }
    // The single output is the composed canvas whatever its key says.
    auto* pOutput = as<unsigned char>(mapOutputRasters.begin()->second);
    if (!pOutput)
    {
        return fail(LOG_LOCATION, MESSAGE_OUTPUT_RASTER);
    }

    if (!allSameSize({inputs.pCanvas, inputs.pOverlay, inputs.pMask, pOutput}))
    {
        return fail(LOG_LOCATION, MESSAGE_SIZE_NOT_IDENTICAL);
    }

    std::memcpy(pOutput->getData(), inputs.pCanvas->getData(), inputs.pCanvas->getByteSize());
    cv::Mat output = cvHeader(*pOutput);
    const cv::Mat overlay = cvHeader(*inputs.pOverlay);
    const cv::Mat mask = cvHeader(*inputs.pMask);

    cv::Mat notMask;
    cv::bitwise_not(mask, notMask);
    cv::bitwise_and(output, notMask, output);
    cv::Mat paint;
    cv::bitwise_and(overlay, mask, paint);
    cv::bitwise_or(output, paint, output);
    return true;
}
