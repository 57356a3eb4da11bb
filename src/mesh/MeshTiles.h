#pragma once

#include "MeshDecimater.h"
#include "MeshGenerator.h"
#include "Parallel.h"
#include "TriangleMesh.h"

#include <chrono>
#include <cmath>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

// Tiled decimation. The mesh is cut into tiles, each decimated by a
// decimater of its own with the vertices of its cut locked: first, as soon
// as it is made, by what costs nothing, then in rounds under an error bound
// that grows until the tiles together are down to a reserve above the vertex
// budget. Each tile keeps its decimater, and so its heap, through the rounds;
// the rounds run on one pool of threads. Then the tiles are joined, each
// vertex with the quadric it has gathered, and one pass over the joined mesh
// goes on to the budget as one pass over the whole mesh would. The tiles are
// either cut out of a whole mesh (decimateInParts) or each built and smoothed
// from its own window of the rasters (generateInTiles). Where facets are
// kept apart and the joined mesh still holds much beyond the budget, more
// rounds of tiles cut out of it, fenced apart, go before the final pass: in
// columns of the full height whose cuts leave the first ones' in their
// middles, then in rows of the full width. The result does not depend on the number of
// cores.
namespace MeshTiles
{
using Clock = std::chrono::steady_clock;

inline double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Decimates the mesh (face normals current) to nVertices in tiles and
// returns the result, compacted, face normals current; nothing when the mesh
// is not worth cutting or the tiles do not fit.
std::unique_ptr<TriangleMesh> decimateInParts(const TriangleMesh& mesh, unsigned nVertices,
    const MeshGenerator::DecimationSetup& setup);

// Builds, smooths and decimates the mesh in tiles and returns it decimated to
// the budget, compacted, face and vertex normals current; nothing when the
// rasters are too small or too narrow for tiles or the tiles do not fit.
// Fills the phases' times.
std::unique_ptr<TriangleMesh> generateInTiles(const MeshGenerator::Image& imageFront,
    const MeshGenerator::Image& imageBack, const MeshGenerator::Parameters& parameters,
    const MeshGenerator::DecimationSetup& setup, MeshGenerator::Timings& timings);

// The mesh of the rasters' pixels [nX0, nX1) x [nY0, nY1), built from a copy
// of its heights and moved to where the window lies before anything is
// computed from the points, so that every number is the one the whole mesh
// would have; away from the window's edges it is the whole build's. Its
// vertices are numbered in hIds (added) as the whole build's (see
// MeshBuilder::vertexId), and faceCells gets the cell (pixel index in the
// whole rasters) that made each face. Vertices without a face are kept.
std::unique_ptr<TriangleMesh> buildWindow(const MeshGenerator::Image& imageFront,
    const MeshGenerator::Image& imageBack, unsigned nX0, unsigned nY0, unsigned nX1, unsigned nY1,
    OpenMesh::VPropHandleT<int>& hIds, std::vector<unsigned>& faceCells);

// What both roads share.

// One tile: a mesh of its own whose vertices know their number in the whole
// mesh. Vertices it shares with other tiles are locked, so its cut stays
// where it was and the tiles fit together again.
struct Tile
{
    std::unique_ptr<TriangleMesh> pMesh;
    OpenMesh::VPropHandleT<int> hGlobalIndex;
    std::unique_ptr<MeshDecimater> pDecimater;
    // Its vertices on a cut (shared with other tiles) and inside it.
    std::size_t nShared = 0;
    std::size_t nInner = 0;
    // Vertices it still has.
    std::size_t nVertices = 0;
    // False when it could not be made as a mesh of its own.
    bool bFits = true;
    // Where and how far its decimater keeps faces apart.
    MeshCrossings::Guard crossingGuard;
    // The part of the x-y plane its own faces were given, unbounded on the
    // sides where no other tile lies.
    MeshCrossings::Box rect{MeshCrossings::Vec(-HUGE_VAL), MeshCrossings::Vec(HUGE_VAL)};
    // Where set (by vertex), the quadrics its vertices start from instead of
    // the planes of its faces: those they gathered in an earlier round.
    std::vector<MeshDecimater::Quadric> baseQuadrics;
    // Where set (by vertex), those an earlier round found worn out (see
    // MeshDecimater::wornOut), for its decimater to start with.
    std::vector<unsigned char> wornOut;
    // Where its collapses are written down by the numbers in hGlobalIndex
    // (see MeshDecimater::recordCollapses), if anywhere.
    std::vector<int>* pCollapsedInto = nullptr;
    std::exception_ptr pError;
};

// The number of tiles for a mesh of about nMeshVertices vertices, and their
// rows and columns.
unsigned partsFor(std::size_t nMeshVertices, const MeshGenerator::DecimationSetup& setup);
void gridOf(unsigned nParts, unsigned& nRows, unsigned& nColumns);
// The vertices a tile holds beyond those it shares on its cuts.
std::size_t ownVertices(const Tile& tile);

// Runs work(tile) for every tile on the pool; an exception is kept with its
// tile, and tiles that failed or do not fit are passed over.
void forEachTile(Parallel::Pool& pool, std::vector<Tile>& tiles, const std::function<void(Tile&)>& work);

// Starts the tile's decimater, its quadrics made of the faces marked in
// hOwnFace (all where invalid), and collapses what costs (next to) nothing
// while the tile keeps more than its shared vertices and dInnerShare of its
// inner ones. The locked vertices must be marked.
void startTile(Tile& tile, OpenMesh::FPropHandleT<bool> hOwnFace, double dInnerShare);

// Keeps only what is left of the tile's own faces, in a mesh of exactly that
// size; the decimater goes on with the same quadrics.
void compactTile(Tile& tile, OpenMesh::FPropHandleT<bool> hOwnFace);

// Where facets are kept apart, fences each tile's decimater in (see
// MeshDecimater::setFence): a collapse that moves the surface stays in
// cells of the plane that lie inside the tile's rect, shrunk by the gap,
// and that no other tile's faces come within the gap of. The faces one tile
// makes then keep apart from every face of the others, made or not, though
// no tile sees the others' faces. The vertices a tile may not take so count
// as on its cut. Returns how many those are in all. The rounds that take
// the final pass's work are fenced; the first, like the final pass where no
// round follows, is not (its tiles stop well short of each other, and the
// whole mesh is checked after).
std::size_t fenceTiles(Parallel::Pool& pool, std::vector<Tile>& tiles);

// Rounds under a growing bound until the tiles keep at most dTarget vertices
// of their own (not on a cut); a round that would take them below it shares
// out what is left to take.
void runRounds(Parallel::Pool& pool, std::vector<Tile>& tiles, double dTarget);

// The tiles' target for a budget of dBudget vertices, where the final pass
// should start from dReserve (a multiple of the budget). The vertices on the
// cuts, which the tiles cannot take, go to the final pass; of the budget,
// about their share would stay on the cuts in one pass over the whole mesh,
// so the tiles keep the reserve of the rest.
// The final pass gets at least as many vertices to choose from as the cuts
// hold: the cuts stay at full density, and their thin triangles refuse many
// collapses, so with less choice the final pass would thin out detail
// elsewhere instead.
double innerTarget(double dBudget, double dReserve, std::size_t nMeshVertices, std::size_t nBorder);

// Fits the tiles together (each vertex once, its quadrics summed over the
// tiles), releasing each tile as it goes, and decimates the joined mesh to
// nVertices, keeping faces apart where the guard looks; after round nRound
// (0 the first, 1 in columns, 2 in rows), through the next first where that
// is worth it (dReserve as in innerTarget). Rethrows a tile's exception; nothing when the tiles do
// not fit, or, with bMustClose, when the joined mesh is not closed.
// nGlobalVertices: the range of the vertices' numbers. With pCollapsedInto,
// the numbers are the vertices' ids of a build: the joined mesh keeps them
// in MeshBuilder::VERTEX_IDS and its collapses are written down there.
std::unique_ptr<TriangleMesh> joinAndFinish(std::vector<Tile>& tiles, std::size_t nGlobalVertices,
    unsigned nVertices, double dReserve, bool bMustClose, const MeshCrossings::Guard& crossingGuard,
    std::vector<int>* pCollapsedInto = nullptr, int nRound = 0);

// Decimates the mesh (face normals current) to nVertices in tiles cut at
// the given x and y (increasing; none along an axis is one row or column),
// each face in the tile that holds its centre, a vertex whose faces lie in
// more than one tile on a cut; then joins them and finishes as
// joinAndFinish does. With pQuadrics, vertex v starts from (*pQuadrics)[v]
// instead of the planes of its faces, and with pWornOut worn out where
// (*pWornOut)[v] is set (see MeshDecimater::setWornOut). The vertices are numbered by hIds
// where that is valid (ids of a build, whose collapses are written down in
// pCollapsedInto, nGlobalVertices long) and by their index otherwise.
// Nothing when the tiles do not fit.
std::unique_ptr<TriangleMesh> decimateCut(const TriangleMesh& mesh, const std::vector<float>& cutsX,
    const std::vector<float>& cutsY, const std::vector<MeshDecimater::Quadric>* pQuadrics,
    const std::vector<unsigned char>* pWornOut, unsigned nVertices,
    double dReserve, const MeshCrossings::Guard& crossingGuard, OpenMesh::VPropHandleT<int> hIds,
    std::size_t nGlobalVertices, std::vector<int>* pCollapsedInto, int nRound);

// A new tile mesh with face normals, status flags and each vertex's number
// (hGlobalIndex, added) in the whole mesh, made of the given faces of source
// (each source vertex once, with its face normals) and room for about
// nVertices vertices. placed(source vertex, new mesh, new vertex) is told of
// each vertex added. Null when the mesh refuses a face.
using Placed = std::function<void(TriangleMesh::VertexHandle, TriangleMesh&, TriangleMesh::VertexHandle)>;
std::unique_ptr<TriangleMesh> meshOfFaces(const TriangleMesh& source,
    const std::vector<TriangleMesh::FaceHandle>& faces, std::size_t nVertices,
    OpenMesh::VPropHandleT<int>& hGlobalIndex, const Placed& placed);
} // namespace MeshTiles
