#pragma once

#include "ImageModifierBase.h"

inline const QString MODIFIER_DILATE = QStringLiteral("MODIFIER_DILATE");

// Grows bright regions of an 8-bit raster (maximum over a 3 x 3 square,
// repeated) into an 8-bit output of the same size. The area outside the
// raster never takes part.
class ImageModifierDilate : public ImageModifierBase
{
public:
    // Strength in thousandths of sqrt(width x height), int, default 0: the
    // number of passes is the integer part of sqrt(S) x ITERATIONS / 1000.
    // 0 does nothing (false, no log line); negative values are refused.
    static inline const QString ITERATIONS = QStringLiteral("ITERATIONS");

    explicit ImageModifierDilate(const QString& sName);

    bool process(Raster2dBase* pInput, Raster2dBase* pOutput) override;
    ParameterMap getDefaultParameters() const override;
};
