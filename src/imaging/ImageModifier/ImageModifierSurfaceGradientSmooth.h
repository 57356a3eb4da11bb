#pragma once

#include "ImageModifierBase.h"

inline const QString MODIFIER_SURFACE_GRADIENT_SMOOTH = QStringLiteral("MODIFIER_SURFACE_GRADIENT_SMOOTH");

// Smooths the two slope rasters of a surface. Inputs and outputs: two float
// entries each, keyed by "GRADIENT_X" and "GRADIENT_Y", all of one size.
// An input may be its own output (the filter then works on a copy).
class ImageModifierSurfaceGradientSmooth : public ImageModifierBase
{
public:
    // bool, default false: false smooths with a 3 by 3 box filter, true with
    // an edge-preserving bilateral filter.
    static inline const QString ADVANCED_SMOOTHING = QStringLiteral("ADVANCED_SMOOTHING");

    explicit ImageModifierSurfaceGradientSmooth(const QString& sName);

    // Throws when the maps do not hold two entries each.
    bool process(const RasterMap& mapInputRasters, RasterMap& mapOutputRasters) override;
    ParameterMap getDefaultParameters() const override;

private:
    static void smooth(Raster2d<float>& input, Raster2d<float>& output, bool bAdvancedSmoothing);
};
