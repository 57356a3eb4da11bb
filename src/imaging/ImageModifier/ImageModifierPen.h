#pragma once

#include "ImageModifierPaintBase.h"

inline const QString MODIFIER_PEN = QStringLiteral("MODIFIER_PEN");

// Draws one pen stroke into the paint layers: reads the overlay and the mask
// (keys containing "OVERLAY" / "MASK", 8-bit) and writes copies of them with
// the stroke drawn in, into output rasters of the same size that the caller
// made. A stroke acts only once: its "TIMESTAMP" (ms since the epoch) must be
// newer than the last stroke this object drew (initially its construction
// time). Returns false without a log line when there is nothing to draw.
// Runs on one pool thread at a time.
class ImageModifierPen : public ImageModifierPaintBase
{
public:
    static inline const QString SIZE = QStringLiteral("SIZE");
    static inline const QString COLOR = QStringLiteral("COLOR");
    static inline const QString POINTS = QStringLiteral("POINTS");
    static inline const QString TIMESTAMP = QStringLiteral("TIMESTAMP");
    static inline const QString BLACK = QStringLiteral("BLACK");
    static inline const QString WHITE = QStringLiteral("WHITE");
    static inline const QString CLEAR = QStringLiteral("CLEAR");

    explicit ImageModifierPen(const QString& sName);

    // Throws when the maps do not hold two rasters each, or when a point of
    // "POINTS" lies outside [0, 1] (the outputs then hold copies of the inputs).
    bool process(const RasterMap& mapInputRasters, RasterMap& mapOutputRasters) override;
    ParameterMap getDefaultParameters() const override;

    // Pen factor from the pen-size slider value: nValue / 1000.
    static double convertPenFactor(int nValue);
    // Line width in pixels for a raster of nWidth x nHeight: sqrt(w * h) times
    // the factor, truncated, at most 255.
    static int calculatePenSize(unsigned int nWidth, unsigned int nHeight, double dFactor);
};
