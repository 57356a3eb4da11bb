#pragma once

#include "ImageModifierMorphologyBase.h"

inline const QString MODIFIER_ERODE = QStringLiteral("MODIFIER_ERODE");

// Shrinks bright regions of an 8-bit raster (minimum over a 3 x 3 square,
// repeated) into an 8-bit output of the same size; see
// ImageModifierMorphologyBase for the strength ITERATIONS.
class ImageModifierErode : public ImageModifierMorphologyBase
{
public:
    explicit ImageModifierErode(const QString& sName);

    bool process(Raster2dBase* pInput, Raster2dBase* pOutput) override;
};
