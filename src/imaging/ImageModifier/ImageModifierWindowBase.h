#pragma once

#include "ImageModifierBase.h"

// The shared part of the square-window filters of an 8-bit raster into an
// 8-bit output of the same size (blur, median): the window side from the
// strength "SIZE".
class ImageModifierWindowBase : public ImageModifierBase
{
public:
    // Strength in thousandths of sqrt(width x height), int, default 0:
    // n = integer part of sqrt(S) x SIZE / 1000, and the window is n, or n + 1
    // when n is even; each filter sets its own upper limit. n below 2 does
    // nothing (false, no log line).
    static inline const QString SIZE = QStringLiteral("SIZE");

    ParameterMap getDefaultParameters() const override;

protected:
    explicit ImageModifierWindowBase(const QString& sName);

    // Both rasters as 8-bit and the odd window side. False when a refusal was
    // logged at sLocation (the calling filter's LOG_LOCATION) or when the
    // window is too small to do anything.
    bool prepareWindow(const QString& sLocation, Raster2dBase* pInput, Raster2dBase* pOutput,
                       Raster2d<unsigned char>*& pIn, Raster2d<unsigned char>*& pOut, int& nSide);
};
