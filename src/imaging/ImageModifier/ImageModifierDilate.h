#pragma once

#include "ImageModifierMorphologyBase.h"

inline const QString MODIFIER_DILATE = QStringLiteral("MODIFIER_DILATE");

// Grows bright regions of an 8-bit raster (maximum over a 3 x 3 square,
// repeated) into an 8-bit output of the same size; see
// ImageModifierMorphologyBase for the strength ITERATIONS.
class ImageModifierDilate : public ImageModifierMorphologyBase
{
public:
    explicit ImageModifierDilate(const QString& sName);

    bool process(Raster2dBase* pInput, Raster2dBase* pOutput) override;
};
