#pragma once

#include "CrossingGuard/MeshCrossings.h"
#include "MeshGenerator.h"

#include <memory>

// Where the rasters show that facets of the mesh built from them are likely
// to come near each other: parts of the shape a few pixels across (teeth,
// strokes, the tips of a star) and the gaps of a few pixels between parts
// (slots), whose walls face each other across little room; and, within the
// shape, the same in height: ridges, grooves with a floor, cells of a
// checkerboard, lettering engraved into a relief, whose steep walls stand a
// few pixels apart at heights they share. Smoothing pulls such walls
// together and decimation lays long facets across them, so generation keeps
// facets apart there from the start.
namespace MeshThinParts
{
// The pixels of the shape (material on either side) that a disc of radius
// nRadius pixels rolled inside it does not reach, and those of the space
// round it that such a disc rolled outside does not reach (beyond the
// rasters counts as space); and the pixels where a flat disc of a radius k
// up to nRadius pushed up under the heights of one side (no material as 0)
// stays more than fSteepness times k below them, or one pushed down on them
// more than that above: between walls that stand higher than they are apart
// by that factor. All of them grown by nMargin pixels. Nothing when they come
// to less than dLeastShare of the shape's pixels, where those thin in height
// count only if they hang together over nLeastRun pixels across or along:
// grooves and ridges that run on count, the narrow peaks and pits of a rough
// relief, each on its own, do not.
std::shared_ptr<MeshCrossings::Area> find(const MeshGenerator::Image& imageFront,
    const MeshGenerator::Image& imageBack, unsigned nRadius, unsigned nMargin, double dLeastShare, float fSteepness,
    unsigned nLeastRun);
} // namespace MeshThinParts
