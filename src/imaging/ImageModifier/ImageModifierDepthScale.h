#pragma once

#include "ImageModifierBase.h"

inline const QString MODIFIER_DEPTH_SCALE = QStringLiteral("MODIFIER_DEPTH_SCALE");

// Multiplies every element of a float raster by a factor (float product).
// Input and output are float rasters of the same size; they may be the same.
class ImageModifierDepthScale : public ImageModifierBase
{
public:
    // The factor, read as double, default 1.0. Missing or negative: false
    // without a log line; 0 is accepted.
    static inline const QString SIZE = QStringLiteral("SIZE");

    explicit ImageModifierDepthScale(const QString& sName);

    bool process(Raster2dBase* pInput, Raster2dBase* pOutput) override;
    ParameterMap getDefaultParameters() const override;
};
