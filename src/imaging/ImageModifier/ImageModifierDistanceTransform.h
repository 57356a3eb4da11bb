#pragma once

#include "ImageModifierBase.h"

inline const QString MODIFIER_DISTANCE_TRANSFORM = QStringLiteral("MODIFIER_DISTANCE_TRANSFORM");

// Distance in pixels from each element of an 8-bit raster to its nearest zero
// element (0 on zero elements), in the 3 x 3 approximation of the Euclidean
// distance. Input 8-bit, output float of the same size. No parameters.
class ImageModifierDistanceTransform : public ImageModifierBase
{
public:
    explicit ImageModifierDistanceTransform(const QString& sName);

    bool process(Raster2dBase* pInput, Raster2dBase* pOutput) override;
};
