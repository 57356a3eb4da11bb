#pragma once

#include "ImageModifierBase.h"

inline const QString MODIFIER_THRESHOLD = QStringLiteral("MODIFIER_THRESHOLD");

// Binarisation of an 8-bit raster: elements strictly greater than the
// threshold become 255, all others 0. Input and output are two 8-bit rasters
// of the same size.
class ImageModifierThreshold : public ImageModifierBase
{
public:
    // Gray level, int, default 128.
    static inline const QString THRESHOLD = QStringLiteral("THRESHOLD");
    // Switch, default true: false does nothing and reports false (no log line).
    static inline const QString MODIFIER_THRESHOLD_ENABLED = QStringLiteral("MODIFIER_THRESHOLD_ENABLED");

    explicit ImageModifierThreshold(const QString& sName);

    bool process(Raster2dBase* pInput, Raster2dBase* pOutput) override;
    ParameterMap getDefaultParameters() const override;
};
