#pragma once

#include "ImageModifierBase.h"

inline const QString MODIFIER_FLIP = QStringLiteral("MODIFIER_FLIP");

// Mirrors an 8-bit raster into an 8-bit output of the same size.
class ImageModifierFlip : public ImageModifierBase
{
public:
    // Bools, defaults false: VERTICAL reverses the rows (top and bottom),
    // HORIZONTAL the columns (left and right). Neither set: false, no log line.
    static inline const QString VERTICAL = QStringLiteral("VERTICAL");
    static inline const QString HORIZONTAL = QStringLiteral("HORIZONTAL");

    explicit ImageModifierFlip(const QString& sName);

    bool process(Raster2dBase* pInput, Raster2dBase* pOutput) override;
    ParameterMap getDefaultParameters() const override;
};
