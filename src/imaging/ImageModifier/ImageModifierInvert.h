#pragma once

#include "ImageModifierBase.h"

inline const QString MODIFIER_INVERT = QStringLiteral("MODIFIER_INVERT");

// 8-bit negative: each output element is 255 minus the input element.
// Input and output are two 8-bit rasters of the same size.
class ImageModifierInvert : public ImageModifierBase
{
public:
    // Switch, default false: false does nothing and reports false, without a
    // log line and before any raster is looked at.
    static inline const QString INVERT = QStringLiteral("INVERT");

    explicit ImageModifierInvert(const QString& sName);

    bool process(Raster2dBase* pInput, Raster2dBase* pOutput) override;
    ParameterMap getDefaultParameters() const override;
};
