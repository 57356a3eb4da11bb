#pragma once

#include "ImageModifierBase.h"

inline const QString MODIFIER_OVERLAY_COMPOSITE = QStringLiteral("MODIFIER_OVERLAY_COMPOSITE");

// Lays the paint over the canvas: reads canvas, overlay and mask (8-bit;
// keys containing "OVERLAY" / "MASK" name the paint layers) and writes the
// one output raster, of the same size, made by the caller:
// output = (canvas AND NOT mask) OR (overlay AND mask), bytewise.
// With "ENABLED" false it returns false without a log line (paint hidden).
class ImageModifierOverlayComposite : public ImageModifierBase
{
public:
    static inline const QString ENABLED = QStringLiteral("ENABLED");

    explicit ImageModifierOverlayComposite(const QString& sName);

    // Throws unless there are three inputs and one output.
    bool process(const RasterMap& mapInputRasters, RasterMap& mapOutputRasters) override;
    ParameterMap getDefaultParameters() const override;
};
