#pragma once

#include "ImageModifierBase.h"

inline const QString MODIFIER_DEPTH_RENDER = QStringLiteral("MODIFIER_DEPTH_RENDER");

// Shaded 8-bit picture of a height raster for display: a light term from the
// smoothed slopes (0 to 85) plus a height term (0 to 170 for heights from 0
// to the raster's maximum). Pixels of height 0 render 0.
// Inputs: three float entries of one size, the heights and the slopes keyed
// by "GRADIENT_X" and "GRADIENT_Y". Output: one 8-bit entry of that size.
class ImageModifierDepthRender : public ImageModifierBase
{
public:
    // QList<double> with two values (x along columns, y along rows, growing
    // downward), default (1.0, 1.0): the direction in which the light
    // travels; need not be normalised.
    static inline const QString LIGHT_DIRECTION = QStringLiteral("LIGHT_DIRECTION");

    explicit ImageModifierDepthRender(const QString& sName);

    // Throws when the maps do not hold three inputs and one output. A missing
    // or malformed light direction returns false without a log line.
    bool process(const RasterMap& mapInputRasters, RasterMap& mapOutputRasters) override;
    ParameterMap getDefaultParameters() const override;

    // Renders every element; the four rasters must be non-null (throws
    // otherwise). Returns false, writing nothing, when they differ in size.
    // Every result is limited to 0..255: negative, not-a-number and infinite
    // heights or slopes, a height maximum of 0 and a light of length 0 give
    // defined values.
    static bool render(const Raster2d<float>* pRaster2dInputDepth, const Raster2d<float>* pRaster2dInputGradientX,
                       const Raster2d<float>* pRaster2dInputGradientY, Raster2d<unsigned char>* pRaster2dOutput,
                       double dLightX, double dLightY);
};
