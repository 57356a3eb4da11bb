#pragma once

#include "ImageModifierPaintBase.h"

inline const QString MODIFIER_OVERLAY_DELETE = QStringLiteral("MODIFIER_OVERLAY_DELETE");

// Removes all paint: writes an overlay of 255 and a mask of 0 into the output
// overlay and mask (8-bit, keys containing "OVERLAY" / "MASK", same size as
// the inputs, made by the caller). Acts only when "ENABLED" is true and its
// "TIMESTAMP" is newer than the last deletion of this object; otherwise it
// returns false without a log line.
class ImageModifierOverlayDelete : public ImageModifierPaintBase
{
public:
    static inline const QString ENABLED = QStringLiteral("ENABLED");
    static inline const QString TIMESTAMP = QStringLiteral("TIMESTAMP");

    explicit ImageModifierOverlayDelete(const QString& sName);

    // Throws unless there are two inputs and two outputs.
    bool process(const RasterMap& mapInputRasters, RasterMap& mapOutputRasters) override;
    ParameterMap getDefaultParameters() const override;
};
