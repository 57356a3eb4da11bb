#pragma once

#include "ImageModifierBase.h"

inline const QString MODIFIER_BEVEL = QStringLiteral("MODIFIER_BEVEL");

// Turns a shape's distance raster into surface heights through a height
// profile. Inputs (map keys are image names, walked in key order):
// - the profile: key contains the profile name; Raster2d<float>, only its
//   first row is read (column j: the height for shape values mapping to j);
// - the bas-relief (optional): key contains the shape name followed by
//   "BAS_RELIEF"; Raster2d<unsigned char> of the output's size whose values
//   (0..255) become the heights inside the shape instead of the profile's;
// - the shape: key contains the shape name; Raster2d<float> of the output's
//   size, 0 outside the shape.
// Output: exactly one Raster2d<float>, every element overwritten with whole
// numbers; 0 outside the shape and on the frame (first and last row and
// column). The shape's range is stretched over the profile's columns and the
// sampled height divided by the same factor, keeping the profile's ratio of
// height to width. Pool thread only.
class ImageModifierBevel : public ImageModifierBase
{
public:
    // QString: a text that the key of the shape input contains.
    static inline const QString MODIFIER_BEVEL_PARAMETER_IMAGE_NAME_SHAPE =
        QStringLiteral("MODIFIER_BEVEL_PARAMETER_IMAGE_NAME_SHAPE");
    // QString: a text that the key of the profile input contains.
    static inline const QString MODIFIER_BEVEL_PARAMETER_IMAGE_NAME_PROFILE =
        QStringLiteral("MODIFIER_BEVEL_PARAMETER_IMAGE_NAME_PROFILE");
    // Appended to the shape name in the key of the bas-relief input.
    static inline const QString BAS_RELIEF = QStringLiteral("BAS_RELIEF");

    explicit ImageModifierBevel(const QString& sName = MODIFIER_BEVEL);

    using ImageModifierBase::process;
    // Throws "mapInputRasters.size() >= 2 && mapOutputRasters.size() == 1"
    // for other map sizes; every other refusal logs one ERROR line, returns
    // false and leaves the output as it was. Refused too: a shape and profile
    // whose scale factor is 0 or not finite (a constant non-zero shape, a
    // one-column profile, an infinite shape value).
    bool process(const RasterMap& mapInputRasters, RasterMap& mapOutputRasters) override;
};
