#pragma once

#include "ImageModifierBase.h"

inline const QString MODIFIER_BLUR = QStringLiteral("MODIFIER_BLUR");

// Mean of a square window of an 8-bit raster (box filter, borders
// reflected), into an 8-bit output of the same size.
class ImageModifierBlur : public ImageModifierBase
{
public:
    // Strength in thousandths of sqrt(width x height), int, default 0:
    // n = integer part of sqrt(S) x SIZE / 1000, and the window is n, or n + 1
    // when n is even (window k, odd, at most twice the longer side plus one (larger: refused)).
    // n below 2 does nothing (false, no log line).
    static inline const QString SIZE = QStringLiteral("SIZE");

    explicit ImageModifierBlur(const QString& sName);

    bool process(Raster2dBase* pInput, Raster2dBase* pOutput) override;
    ParameterMap getDefaultParameters() const override;
};
