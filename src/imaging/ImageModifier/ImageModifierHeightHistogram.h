#pragma once

#include "ImageModifierBase.h"

inline const QString MODIFIER_HEIGHT_HISTOGRAM = QStringLiteral("MODIFIER_HEIGHT_HISTOGRAM");

// Turns a black-on-white drawing of a profile (8-bit, 0 black, 255 white) into
// a one-row float profile as wide as the drawing: for every column the height
// in pixels of its topmost black pixel above the drawing's lowest base line,
// trimmed to the drawn columns, stretched back to the drawing's width and
// smoothed over three neighbours. Never negative. Pool thread only.
class ImageModifierHeightHistogram : public ImageModifierBase
{
public:
    // bool: when true the profile runs to the drawing's last column, empty
    // columns at the end included; else it ends at the last drawn column.
    static inline const QString KEEP_EMPTY_SPACES = QStringLiteral("KEEP_EMPTY_SPACES");

    explicit ImageModifierHeightHistogram(const QString& sName = MODIFIER_HEIGHT_HISTOGRAM);

    using ImageModifierBase::process;
    // pInput: Raster2d<unsigned char>; pOutput: Raster2d<float> of the input's
    // width and 1 row. An unreadable KEEP_EMPTY_SPACES returns false without a
    // log line; wrong rasters log one ERROR line and return false.
    bool process(Raster2dBase* pInput, Raster2dBase* pOutput) override;
    // The input's width by 1; the input must not be null.
    bool getOutputSize(const Raster2dBase* pInput, const Raster2dBase* pOutput, unsigned int& nWidth,
                       unsigned int& nHeight) override;
    ParameterMap getDefaultParameters() const override;
};
