#pragma once

#include "ImageModifierBase.h"

inline const QString MODIFIER_SLICE_RENDER = QStringLiteral("MODIFIER_SLICE_RENDER");

// Cuts one row or one column out of a float height raster and draws it as a
// white-on-black area chart (8-bit): the chart is as wide as the slice and as
// high as the largest height of the whole raster (at least 1 row). A slice
// value v lights the chart rows whose level (counted from 0 at the bottom row)
// lies between 1 and v; the bottom row and the last column stay black.
// Heights are in pixels. Pool thread only.
class ImageModifierSliceRender : public ImageModifierBase
{
public:
    // Parameter keys.
    // QString: "HORIZONTAL" cuts a row; any other non-empty text cuts a column.
    static inline const QString ORIENTATION = QStringLiteral("ORIENTATION");
    // double in [0, 1]: where to cut, from the first (0) to the last (1) row or column.
    static inline const QString POSITION = QStringLiteral("POSITION");
    // Orientation values.
    static inline const QString HORIZONTAL = QStringLiteral("HORIZONTAL");
    static inline const QString VERTICAL = QStringLiteral("VERTICAL");

    // Charts must stay below this many rows.
    static constexpr unsigned int MAXIMUM_CHART_HEIGHT = 65536;

    explicit ImageModifierSliceRender(const QString& sName = MODIFIER_SLICE_RENDER);

    using ImageModifierBase::process;
    // pInput: Raster2d<float>; pOutput: Raster2d<unsigned char> of exactly the
    // size getOutputSize() gives. False (nothing logged) for unreadable or
    // out-of-range parameters; false with one ERROR line for a wrong raster.
    bool process(Raster2dBase* pInput, Raster2dBase* pOutput) override;
    // Width: the slice length; height: the raster's maximum truncated, at least
    // 1. False (nothing logged, nothing allocated) for a non-float input, an
    // unreadable orientation, or a maximum that is infinite or would make a
    // chart of MAXIMUM_CHART_HEIGHT rows or more.
    bool getOutputSize(const Raster2dBase* pInput, const Raster2dBase* pOutput, unsigned int& nWidth,
                       unsigned int& nHeight) override;
    ParameterMap getDefaultParameters() const override;

    // The largest element of the raster, starting from 0 (so never negative);
    // not-a-number elements are passed over. May be +infinity.
    static float getMaximum(const Raster2d<float>& raster);
};
