#pragma once

#include "CrossingGuard/MeshCrossings.h"
#include "MeshGenerator.h"

#include <memory>

// Where the rasters show that facets of the mesh built from them are likely
// to come near each other: parts of the shape a few pixels across (teeth,
// strokes, the tips of a star) and the gaps of a few pixels between parts
// (slots), whose walls face each other across little room. Smoothing pulls
// such walls together and decimation lays long facets across them, so
// generation keeps facets apart there from the start.
namespace MeshThinParts
{
// The pixels of the shape (material on either side) that a disc of radius
// nRadius pixels rolled inside it does not reach, and those of the space
// round it that such a disc rolled outside does not reach (beyond the
// rasters counts as space), grown by nMargin pixels; nothing when they come
// to less than dLeastShare of the shape's pixels.
std::shared_ptr<MeshCrossings::Area> find(const MeshGenerator::Image& imageFront,
    const MeshGenerator::Image& imageBack, unsigned nRadius, unsigned nMargin, double dLeastShare);
} // namespace MeshThinParts
