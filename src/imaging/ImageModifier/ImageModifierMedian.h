#pragma once

#include "ImageModifierWindowBase.h"

inline const QString MODIFIER_MEDIAN = QStringLiteral("MODIFIER_MEDIAN");

// Median of a square window of an 8-bit raster, into an 8-bit output of the
// same size. The window from "SIZE" is limited to 255.
class ImageModifierMedian : public ImageModifierWindowBase
{
public:
    explicit ImageModifierMedian(const QString& sName);

    bool process(Raster2dBase* pInput, Raster2dBase* pOutput) override;
};
