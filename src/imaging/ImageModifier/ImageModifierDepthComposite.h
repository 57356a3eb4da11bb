#pragma once

#include "ImageModifierBase.h"

inline const QString MODIFIER_DEPTH_COMPOSITE = QStringLiteral("MODIFIER_DEPTH_COMPOSITE");

// The height raster of one side: the surface with the decoration layers
// stacked onto it, each raised above it or carved into it, then a frame of
// zeros. A height of 0 marks an element outside the silhouette; the
// composite never gives such an element a height.
//
// Inputs: at least one float raster. The one whose key contains
// SURFACE_IDENTIFIER is the surface (the last such in key order); every
// other input is a decoration. Output: one float raster; the surface and
// every decoration must have its size. The output is overwritten completely
// and may not be one of the inputs; a refused call leaves it untouched.
//
// Every parameter is required (there are no defaults). Layer i is the first
// decoration in key order whose key contains ORDER[i]; the per-layer vectors
// are index-aligned with ORDER. Layers are applied from the last to the
// first, so ORDER[0] ends on top.
class ImageModifierDepthComposite : public ImageModifierBase
{
public:
    // std::vector<bool>: whether the layer is applied.
    static inline const QString ENABLED = QStringLiteral("ENABLED");
    // QString: a text that the key of the surface input contains.
    static inline const QString SURFACE_IDENTIFIER = QStringLiteral("SURFACE_IDENTIFIER");
    // std::vector<QString>: one text per layer naming its decoration.
    static inline const QString ORDER = QStringLiteral("ORDER");
    // std::vector<F32>: signed depth factor; 0 or more raises, less carves.
    static inline const QString DEPTH = QStringLiteral("DEPTH");
    // std::vector<QString>: NEGATIVE inverts the layer's values; any other
    // text counts as POSITIVE.
    static inline const QString EMBOSSING = QStringLiteral("EMBOSSING");
    static inline const QString POSITIVE = QStringLiteral("POSITIVE");
    static inline const QString NEGATIVE = QStringLiteral("NEGATIVE");
    // std::vector<F32>: factor applied to the layer's values.
    static inline const QString DEPTH_SCALE = QStringLiteral("DEPTH_SCALE");
    // std::vector<F32>: fractions of the layer's value range cut away at the
    // bottom and at the top.
    static inline const QString CUTOFF_LOW = QStringLiteral("CUTOFF_LOW");
    static inline const QString CUTOFF_HIGH = QStringLiteral("CUTOFF_HIGH");

    explicit ImageModifierDepthComposite(const QString& sName);

    // Throws unless there is at least one input and exactly one output.
    bool process(const RasterMap& mapInputRasters, RasterMap& mapOutputRasters) override;

    // Smallest and largest element.
    static void getMinMax(const Raster2d<float>& raster, float& fMin, float& fMax);
    // The layer's kept value range scaled by the depth scale.
    static void getCutBounds(float fMin, float fMax, float fDepthScale, float fCutoffLow, float fCutoffHigh,
                             float& fLow, float& fHigh);
    // An element's scaled value, or 0 when the cut-offs remove it.
    static float getCutValue(float fValue, float fMin, float fMax, float fDepthScale, float fCutoffLow,
                             float fCutoffHigh);

private:
    struct Layer
    {
        const Raster2d<float>* pRaster;
        float fDepth;
        bool bNegative;
        float fDepthScale;
        float fCutoffLow;
        float fCutoffHigh;
    };

    static void applyLayer(const Layer& layer, Raster2d<float>& composite);
};
