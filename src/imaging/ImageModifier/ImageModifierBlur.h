#pragma once

#include "ImageModifierWindowBase.h"

inline const QString MODIFIER_BLUR = QStringLiteral("MODIFIER_BLUR");

// Mean of a square window of an 8-bit raster (box filter, borders
// reflected), into an 8-bit output of the same size. A window from "SIZE"
// wider than twice the longer side plus one is refused.
class ImageModifierBlur : public ImageModifierWindowBase
{
public:
    explicit ImageModifierBlur(const QString& sName);

    bool process(Raster2dBase* pInput, Raster2dBase* pOutput) override;
};
