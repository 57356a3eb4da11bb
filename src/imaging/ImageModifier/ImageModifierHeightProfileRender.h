#pragma once

#include "ImageModifierBase.h"

inline const QString MODIFIER_HEIGHT_PROFILE_RENDER = QStringLiteral("MODIFIER_HEIGHT_PROFILE_RENDER");

// Draws a one-row float profile (heights in pixels, not negative) as a
// black-on-white area chart (8-bit) as wide as the profile and as high as its
// largest value (at least 1 row, so a blank profile gives one white row). A
// value v blackens the bottom (v truncated) rows of its column; the last column
// stays white. Only the first row of the input is drawn. Pool thread only.
class ImageModifierHeightProfileRender : public ImageModifierBase
{
public:
    explicit ImageModifierHeightProfileRender(const QString& sName = MODIFIER_HEIGHT_PROFILE_RENDER);

    using ImageModifierBase::process;
    // pInput: Raster2d<float>; pOutput: Raster2d<unsigned char> of exactly the
    // size getOutputSize() gives (a mismatch is an assertion failure).
    bool process(Raster2dBase* pInput, Raster2dBase* pOutput) override;
    // The input's width by its maximum truncated, at least 1. False (nothing
    // allocated) for a non-float input or a maximum that is infinite or would
    // make a chart of 65536 rows or more.
    bool getOutputSize(const Raster2dBase* pInput, const Raster2dBase* pOutput, unsigned int& nWidth,
                       unsigned int& nHeight) override;
};
