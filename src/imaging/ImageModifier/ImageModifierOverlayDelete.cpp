#include "ImageModifierOverlayDelete.h"

#include "CvRaster.h"
#include "SimpleException.h"

#include <QDateTime>

ImageModifierOverlayDelete::ImageModifierOverlayDelete(const QString& sName)
    : ImageModifierPaintBase(sName)
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
    const PaintRasterRoles outputs(mapOutputRasters);
    if (!checkPaintRasters(LOG_LOCATION, inputs, outputs, false))
    {
        return false;
    }

    quint64 nTimeStamp = 0;
    bool bEnabled = false;
    if (!getValue(TIMESTAMP, nTimeStamp) || !getValue(ENABLED, bEnabled))
    {
        return fail(LOG_LOCATION, MESSAGE_PARAMETERS_NOT_SET);
    }
    // A request taken is used up, even when the sizes do not fit.
    if (!bEnabled || !takeTimeStamp(nTimeStamp))
    {
        return false;
    }

    if (!allSameSize({inputs.pOverlay, inputs.pMask, outputs.pOverlay, outputs.pMask}))
    {
        return fail(LOG_LOCATION, MESSAGE_SIZE_NOT_IDENTICAL);
    }

    cvHeader(*outputs.pOverlay).setTo(cv::Scalar(255));
    cvHeader(*outputs.pMask).setTo(cv::Scalar(0));
    return true;
}
