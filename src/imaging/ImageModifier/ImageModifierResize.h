#pragma once

#include "ImageModifierBase.h"

inline const QString MODIFIER_RESIZE = QStringLiteral("MODIFIER_RESIZE");

// Resamples a raster (8-bit or float, output of the input's type) to a pixel
// budget, keeping the aspect ratio; small inputs are enlarged, large ones
// reduced (area interpolation).
class ImageModifierResize : public ImageModifierBase
{
public:
    // Pixel budget of the output, unsigned; default 16384 (128 x 128).
    static inline const QString PIXELS = QStringLiteral("PIXELS");
    // When true the element values are multiplied by the width's change
    // factor, so heights keep their proportion to the raster; default false.
    static inline const QString SCALE_VALUES = QStringLiteral("SCALE_VALUES");

    explicit ImageModifierResize(const QString& sName);

    bool process(Raster2dBase* pInput, Raster2dBase* pOutput) override;
    // False (and an ERROR line) when PIXELS is missing, 0, or so small for
    // this aspect ratio that a side would be 0 pixels; false without a line
    // for a null input. The output raster is not looked at.
    bool getOutputSize(const Raster2dBase* pInput, const Raster2dBase* pOutput, unsigned int& nWidth,
                       unsigned int& nHeight) override;
    ParameterMap getDefaultParameters() const override;
};
