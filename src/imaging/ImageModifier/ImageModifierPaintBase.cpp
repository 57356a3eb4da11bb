#include "ImageModifierPaintBase.h"

#include <QDateTime>

ImageModifierPaintBase::ImageModifierPaintBase(const QString& sName)
    : ImageModifierBase(sName)
    , m_nLastTimeStamp(QDateTime::currentMSecsSinceEpoch())
{
}

bool ImageModifierPaintBase::checkPaintRasters(const QString& sLocation, const PaintRasterRoles& inputs,
                                               const PaintRasterRoles& outputs, bool bWithCanvas)
{
    if ((bWithCanvas && !inputs.pCanvas) || !inputs.pOverlay || !inputs.pMask)
    {
        return fail(sLocation, MESSAGE_INPUT_RASTER);
    }
    if ((bWithCanvas && !outputs.pCanvas) || !outputs.pOverlay || !outputs.pMask)
    {
        return fail(sLocation, MESSAGE_OUTPUT_RASTER);
    }
    return true;
}

bool ImageModifierPaintBase::takeTimeStamp(quint64 nTimeStamp)
{
    if (nTimeStamp <= quint64(m_nLastTimeStamp))
    {
        return false;
    }
    m_nLastTimeStamp = qint64(nTimeStamp);
    return true;
}
