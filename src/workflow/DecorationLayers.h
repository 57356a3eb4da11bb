#pragma once

// The per-element settings a depth composite keeps for its decoration layers:
// seven index-aligned vectors, one entry per element. Elements that remain keep
// their position and settings, new ones are appended with defaults, vanished
// ones are dropped.

#include "ParameterObject.h"

#include <QString>
#include <QStringList>

#include <vector>

struct DecorationLayers
{
    std::vector<QString> vOrder; // the element image names
    std::vector<float> vDepth;
    std::vector<QString> vEmbossing; // "POSITIVE" or "NEGATIVE"
    std::vector<bool> vEnabled;
    std::vector<float> vDepthScale;
    std::vector<float> vCutoffLow;
    std::vector<float> vCutoffHigh;

    static constexpr float DEFAULT_DEPTH = 0.25f;
    static constexpr float DEFAULT_DEPTH_SCALE = 1.0f;

    // The vectors of a depth-composite parameter map (absent ones empty).
    static DecorationLayers fromParameters(const ParameterObject::ParameterMap& map);
    void toParameters(ParameterObject::ParameterMap& map) const;

    // Brings the layers in line with the current elements. Throws the length
    // assertion when the vectors are not index-aligned.
    void update(const QStringList& slElementNames);
};
