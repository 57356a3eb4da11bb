#pragma once

#include "ImageModifierBase.h"

inline const QString MODIFIER_EQUALIZE = QStringLiteral("MODIFIER_EQUALIZE");

// Shading correction with contrast stretch of an 8-bit raster: each element
// is divided by its local mean (a box window of about half the shorter side)
// and the result stretched to the full range 0..255.
// Input and output are two different 8-bit rasters of the same size (the
// input is read again after the output was written).
// False without a log line when the switch is off, when the shorter side is 1
// (no window) or when the corrected result is uniform; in the last case the
// output holds the unstretched correction and the caller keeps its input.
class ImageModifierEqualize : public ImageModifierBase
{
public:
    // Switch, default false.
    static inline const QString MODIFIER_EQUALIZE_ENABLED = QStringLiteral("MODIFIER_EQUALIZE_ENABLED");

    explicit ImageModifierEqualize(const QString& sName);

    bool process(Raster2dBase* pInput, Raster2dBase* pOutput) override;
    ParameterMap getDefaultParameters() const override;
};
