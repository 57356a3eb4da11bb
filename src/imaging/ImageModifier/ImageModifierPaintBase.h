#pragma once

#include "ImageModifierBase.h"
#include "PaintRasterRoles.h"

#include <QtGlobal>

// The shared part of the paint modifiers (pen, bucket, overlay delete): the
// paint rasters of both maps and the rule that a request, identified by its
// time stamp (ms since the epoch), acts only once. Runs on one pool thread at
// a time.
class ImageModifierPaintBase : public ImageModifierBase
{
protected:
    // The last request taken starts as the construction time.
    explicit ImageModifierPaintBase(const QString& sName);

    // Logs MESSAGE_INPUT_RASTER (else MESSAGE_OUTPUT_RASTER) at sLocation, the
    // caller's LOG_LOCATION, and returns false when the inputs (else the
    // outputs) lack the overlay or the mask, or the canvas when bWithCanvas.
    static bool checkPaintRasters(const QString& sLocation, const PaintRasterRoles& inputs,
                                  const PaintRasterRoles& outputs, bool bWithCanvas);

    // Takes up the request stamped nTimeStamp: false when it is not newer than
    // the last request taken, else true and it becomes the last one.
    bool takeTimeStamp(quint64 nTimeStamp);

private:
    qint64 m_nLastTimeStamp;
};
