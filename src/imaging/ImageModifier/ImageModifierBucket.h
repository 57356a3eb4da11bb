#pragma once

#include "ImageModifierPaintBase.h"

inline const QString MODIFIER_BUCKET = QStringLiteral("MODIFIER_BUCKET");

// Fills one 4-connected region of the canvas with paint. Reads the canvas,
// overlay and mask (8-bit; keys containing "OVERLAY" / "MASK" name the paint
// layers, the third is the canvas) and writes all three, into output rasters
// of the same size that the caller made. Pixels within "THRESHOLD" x 50 gray
// levels of the seed pixel's value belong to the region. A fill acts only
// once: its "TIMESTAMP" must be newer than the last fill of this object.
// Returns false without a log line when there is nothing to fill.
// Runs on one pool thread at a time.
class ImageModifierBucket : public ImageModifierPaintBase
{
public:
    static inline const QString COLOR = QStringLiteral("COLOR");
    static inline const QString POINT = QStringLiteral("POINT");
    static inline const QString THRESHOLD = QStringLiteral("THRESHOLD");
    static inline const QString TIMESTAMP = QStringLiteral("TIMESTAMP");
    static inline const QString BLACK = QStringLiteral("BLACK");
    static inline const QString WHITE = QStringLiteral("WHITE");
    static inline const QString CLEAR = QStringLiteral("CLEAR");

    explicit ImageModifierBucket(const QString& sName);

    // Throws when the maps do not hold three rasters each, or when the seed
    // lies outside [0, 1] (before anything is written).
    bool process(const RasterMap& mapInputRasters, RasterMap& mapOutputRasters) override;
    ParameterMap getDefaultParameters() const override;
};
