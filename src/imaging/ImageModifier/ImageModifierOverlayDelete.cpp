#include "ImageModifierOverlayDelete.h"

#include "CvRaster.h"
#include "PaintRasterRoles.h"
#include "SimpleException.h"

#include <QDateTime>

ImageModifierOverlayDelete::ImageModifierOverlayDelete(const QString& sName)
    : ImageModifierBase(sName)
    , m_nLastTimeStamp(QDateTime::currentMSecsSinceEpoch())
{
}

ImageModifierBase::ParameterMap ImageModifierOverlayDelete::getDefaultParameters() const
{
    ParameterMap mapParameters;
    mapParameters[ENABLED] = QVariant(false);
    mapParameters[TIMESTAMP] = QVariant(qint64(QDateTime::currentMSecsSinceEpoch()));
    return mapParameters;
}

bool ImageModifierOverlayDelete::process(const RasterMap& mapInputRasters, RasterMap& mapOutputRasters)
{
    MOLDENA_ASSERT(mapInputRasters.size() == 2 && mapOutputRasters.size() == 2);

    const PaintRasterRoles inputs(mapInputRasters);
    if (!inputs.pOverlay || !inputs.pMask)
    {
        return fail(LOG_LOCATION, MESSAGE_INPUT_RASTER);
    }
    const PaintRasterRoles outputs(mapOutputRasters);
    if (!outputs.pOverlay || !outputs.pMask)
    {
        return fail(LOG_LOCATION, MESSAGE_OUTPUT_RASTER);
    }

    quint64 nTimeStamp = 0;
    bool bEnabled = false;
    if (!getValue(TIMESTAMP, nTimeStamp) || !getValue(ENABLED, bEnabled))
    {
        return fail(LOG_LOCATION, MESSAGE_PARAMETERS_NOT_SET);
    }
    if (!bEnabled || nTimeStamp <= quint64(m_nLastTimeStamp))
    {
        return false;
    }
    // The request is used up from here on, even when the sizes do not fit.
    m_nLastTimeStamp = qint64(nTimeStamp);

    if (!allSameSize({inputs.pOverlay, inputs.pMask, outputs.pOverlay, outputs.pMask}))
    {
        return fail(LOG_LOCATION, MESSAGE_SIZE_NOT_IDENTICAL);
    }

    cvHeader(*outputs.pOverlay).setTo(cv::Scalar(255));
    cvHeader(*outputs.pMask).setTo(cv::Scalar(0));
    return true;
}
