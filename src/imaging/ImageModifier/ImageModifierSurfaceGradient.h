#pragma once

#include "ImageModifierBase.h"

inline const QString MODIFIER_SURFACE_GRADIENT = QStringLiteral("MODIFIER_SURFACE_GRADIENT");

// The rasters of a map sorted by the gradient roles. Entries are walked in
// key order: a key containing "GRADIENT_X" is the x slope, else a key
// containing "GRADIENT_Y" the y slope, else the entry is the main raster
// (the heights or the render); a later entry of the same role replaces an
// earlier one. Missing roles stay null.
struct GradientRoles
{
    Raster2dBase* pGradientX = nullptr;
    Raster2dBase* pGradientY = nullptr;
    Raster2dBase* pOther = nullptr;

    static GradientRoles sort(const ImageModifierBase::RasterMap& mapRasters);
};

// Slopes of a height raster along x (columns) and y (rows), in height units
// per pixel: the central difference h(x + 1) - h(x - 1), mirrored at the
// border so that the slope across the outermost column or row is 0.
// Input: one entry, the heights (float). Output: two float entries of the
// heights' size, keyed by "GRADIENT_X" and "GRADIENT_Y". No parameters.
class ImageModifierSurfaceGradient : public ImageModifierBase
{
public:
    explicit ImageModifierSurfaceGradient(const QString& sName);

    // Throws when the maps do not hold one input and two outputs.
    bool process(const RasterMap& mapInputRasters, RasterMap& mapOutputRasters) override;
};
