#pragma once

#include "MeshGenerator.h"
#include "TriangleMesh.h"

#include <chrono>
#include <memory>

// Tiled decimation: the mesh cut into tiles that are decimated on their own
// cores in rounds under a growing error bound, their cuts locked, then joined
// again. Either cut out of a whole mesh, or each tile built and smoothed from
// its own window of the rasters.
namespace MeshTiles
{
using Clock = std::chrono::steady_clock;

inline double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Decimates tiles of the mesh in parallel, fits them together and returns
// the joined mesh (face normals current), or nothing when the mesh is not
// worth cutting or the tiles do not fit.
std::unique_ptr<TriangleMesh> decimateInParts(const TriangleMesh& mesh, unsigned nVertices, unsigned nParts,
    const MeshGenerator::DecimationSetup& setup);

// Builds, smooths and decimates the mesh in tiles and returns it decimated
// to the budget, or nothing when the rasters are too small or too narrow
// for tiles or the tiles do not fit. Fills the phases' times.
std::unique_ptr<TriangleMesh> generateInTiles(const MeshGenerator::Image& imageFront,
    const MeshGenerator::Image& imageBack, const MeshGenerator::Parameters& parameters,
    const MeshGenerator::DecimationSetup& setup, MeshGenerator::Timings& timings);
} // namespace MeshTiles
