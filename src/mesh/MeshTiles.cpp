#include "MeshTiles.h"

#include "MeshBuilder.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <utility>

namespace
{
// Collapses cheaper than this move the surface by no more than rounding
// does; a tile takes them as soon as it is made, before it waits for the
// others.
constexpr double EXACT_BOUND = 1e-9;
// Each round's bound is this multiple of the one before; after LAST_ROUND
// rounds the bound is lifted.
constexpr double BOUND_STEP = 2.0;
constexpr int LAST_ROUND = 64;
// The tiles keep at least this many vertices of their own for each vertex
// on a cut. Around a cut, which stays at full density, a tile decimated
// further is left with long thin triangles fanning out from the cut, which
// the vetoes keep from going on: the tiles would take ever dearer collapses
// elsewhere to reach their target, and the final pass could not thin out
// the cuts either.
constexpr double CUT_KEEP = 2.0;
// A tile holds about this many vertices at the start: sixteen tiles for a
// 1024 x 1024 relief, of which each core holds one at full size at a time.
// More tiles mean more locked cuts and more margins built twice; fewer mean
// more of the mesh at full size at once.
constexpr std::size_t TILE_VERTICES = 100000;
// Where the joined tiles hold this many vertices beyond the budget, or twice
// the budget, and facets are kept apart, another round of tiles goes before
// the final pass: after the first, one in columns, then one in rows.
constexpr std::size_t ANOTHER_ROUND = 32768;
constexpr int FIRST_ROUND = 0;
constexpr int ROWS_ROUND = 2;
// The rows of the last of those rounds: as many as most machines have cores,
// and the same on every machine, so that the mesh is too.
constexpr std::size_t ROWS = 8;

// The bounds of the mesh's points along an axis (0 = x, 1 = y).
void boundsOf(const TriangleMesh& mesh, int nAxis, double& dLow, double& dHigh)
{
    dLow = HUGE_VAL;
    dHigh = -HUGE_VAL;
    for (const auto vh : mesh.vertices())
    {
        dLow = std::min(dLow, double(mesh.point(vh)[nAxis]));
        dHigh = std::max(dHigh, double(mesh.point(vh)[nAxis]));
    }
}

// Cuts across the x axis that leave the tiles' cuts across it (where they
// are, their bands stand at full size) in the middles of the new columns: a
// quarter and three quarters across each column of the tiles.
std::vector<float> columnsAround(const std::vector<MeshTiles::Tile>& tiles, const TriangleMesh& mesh)
{
    std::vector<double> bounds;
    for (const MeshTiles::Tile& tile : tiles)
    {
        if (std::isfinite(tile.rect.min[0]))
        {
            bounds.push_back(tile.rect.min[0]);
        }
    }
    std::sort(bounds.begin(), bounds.end());
    bounds.erase(std::unique(bounds.begin(), bounds.end()), bounds.end());
    double dLow = 0.0;
    double dHigh = 0.0;
    boundsOf(mesh, 0, dLow, dHigh);
    std::vector<float> cuts;
    if (!(dLow <= dHigh))
    {
        return cuts;
    }
    bounds.insert(bounds.begin(), dLow);
    bounds.push_back(dHigh);
    for (std::size_t k = 1; k < bounds.size(); ++k)
    {
        const double dWidth = bounds[k] - bounds[k - 1];
        for (const double dAt : {0.25, 0.75})
        {
            const float fCut = float(bounds[k - 1] + dAt * dWidth);
            if (fCut > dLow && fCut < dHigh && (cuts.empty() || fCut > cuts.back()))
            {
                cuts.push_back(fCut);
            }
        }
    }
    return cuts;
}

// Cuts across the y axis into ROWS rows holding about equal numbers of
// vertices.
std::vector<float> rowsOf(const TriangleMesh& mesh)
{
    std::vector<float> values;
    values.reserve(mesh.n_vertices());
    for (const auto vh : mesh.vertices())
    {
        values.push_back(mesh.point(vh)[1]);
    }
    std::vector<float> cuts;
    for (std::size_t k = 1; k < ROWS && !values.empty(); ++k)
    {
        auto it = values.begin() + std::ptrdiff_t(values.size() * k / ROWS);
        std::nth_element(values.begin(), it, values.end());
        if (cuts.empty() || *it > cuts.back())
        {
            cuts.push_back(*it);
        }
    }
    std::sort(cuts.begin(), cuts.end());
    return cuts;
}
} // namespace

std::unique_ptr<TriangleMesh> MeshTiles::meshOfFaces(const TriangleMesh& source,
    const std::vector<TriangleMesh::FaceHandle>& faces, std::size_t nVertices,
    OpenMesh::VPropHandleT<int>& hGlobalIndex, const Placed& placed)
{
    const std::size_t nFaces = faces.size();
    auto pMesh = std::make_unique<TriangleMesh>();
    TriangleMesh& mesh = *pMesh;
    mesh.request_face_normals();
    mesh.request_vertex_status();
    mesh.add_property(hGlobalIndex);
    // A patch of a closed surface has about one and a half times as many
    // edges as faces, plus its rim.
    mesh.reserve(nVertices, nFaces * 3 / 2 + nFaces / 16 + 64, nFaces);
    std::vector<int> index(source.n_vertices(), -1);
    for (const TriangleMesh::FaceHandle fh : faces)
    {
        TriangleMesh::VertexHandle corners[3];
        int i = 0;
        for (auto it = source.cfv_iter(fh); it.is_valid(); ++it, ++i)
        {
            int& nIndex = index[std::size_t(it->idx())];
            if (nIndex < 0)
            {
                const auto vh = mesh.add_vertex(source.point(*it));
                nIndex = vh.idx();
                placed(*it, mesh, vh);
            }
            corners[i] = TriangleMesh::VertexHandle(nIndex);
        }
        const auto fhNew = mesh.add_face(corners, 3);
        if (!fhNew.is_valid())
        {
            return nullptr;
        }
        mesh.set_normal(fhNew, source.normal(fh));
    }
    return pMesh;
}


unsigned MeshTiles::partsFor(std::size_t nMeshVertices, const MeshGenerator::DecimationSetup& setup)
{
    if (setup.nParts != 0)
    {
        return setup.nParts;
    }
    const unsigned nWanted = unsigned(std::max<std::size_t>(8, (nMeshVertices + TILE_VERTICES / 2) / TILE_VERTICES));
    // A count with a near-square grid: a prime count would give one row of
    // thin strips, all cut and margin.
    const unsigned nRows = std::max(1u, unsigned(std::lround(std::sqrt(double(nWanted)))));
    const unsigned nColumns = (nWanted + nRows - 1) / nRows;
    return nRows * nColumns;
}

std::size_t MeshTiles::ownVertices(const Tile& tile)
{
    return tile.nVertices > tile.nShared ? tile.nVertices - tile.nShared : 0;
}

void MeshTiles::gridOf(unsigned nParts, unsigned& nRows, unsigned& nColumns)
{
    nRows = 1;
    for (unsigned r = 2; r * r <= nParts; ++r)
    {
        if (nParts % r == 0)
        {
            nRows = r;
        }
    }
    nColumns = nParts / nRows;
}

void MeshTiles::forEachTile(Parallel::Pool& pool, std::vector<Tile>& tiles, const std::function<void(Tile&)>& work)
{
    pool.run(tiles.size(), [&](std::size_t k) {
        Tile& tile = tiles[k];
        if (tile.pError || !tile.bFits)
        {
            return;
        }
        try
        {
            work(tile);
        }
        catch (...)
        {
            tile.pError = std::current_exception();
        }
    });
}

void MeshTiles::startTile(Tile& tile, OpenMesh::FPropHandleT<bool> hOwnFace, double dInnerShare)
{
    tile.pDecimater = std::make_unique<MeshDecimater>(*tile.pMesh, hOwnFace);
    for (std::size_t v = 0; v < tile.baseQuadrics.size(); ++v)
    {
        tile.pDecimater->quadric(TriangleMesh::VertexHandle(int(v))) = tile.baseQuadrics[v];
    }
    if (!tile.wornOut.empty())
    {
        tile.pDecimater->setWornOut(std::move(tile.wornOut));
        tile.wornOut = {};
    }
    tile.pDecimater->setGuardLocked(true);
    tile.pDecimater->setCrossingGuard(tile.crossingGuard);
    if (tile.pCollapsedInto)
    {
        tile.pDecimater->recordCollapses(tile.hGlobalIndex, tile.pCollapsedInto);
    }
    tile.nVertices = tile.nShared + tile.nInner;
    const std::size_t nFloor = tile.nShared + std::size_t(std::ceil(double(tile.nInner) * dInnerShare));
    if (tile.nVertices > nFloor)
    {
        tile.nVertices -= tile.pDecimater->decimate(tile.nVertices - nFloor, EXACT_BOUND);
    }
}

void MeshTiles::compactTile(Tile& tile, OpenMesh::FPropHandleT<bool> hOwnFace)
{
    const TriangleMesh& mesh = *tile.pMesh;
    std::vector<TriangleMesh::FaceHandle> faces;
    for (const auto fh : mesh.faces())
    {
        if (!hOwnFace.is_valid() || mesh.property(hOwnFace, fh))
        {
            faces.push_back(fh);
        }
    }
    std::vector<TriangleMesh::VertexHandle> original;
    original.reserve(tile.nVertices);
    OpenMesh::VPropHandleT<int> hGlobalIndex;
    std::unique_ptr<TriangleMesh> pCompact = meshOfFaces(mesh, faces, tile.nVertices, hGlobalIndex,
        [&](TriangleMesh::VertexHandle vhOld, TriangleMesh& compact, TriangleMesh::VertexHandle vh) {
            compact.property(hGlobalIndex, vh) = mesh.property(tile.hGlobalIndex, vhOld);
            compact.status(vh).set_locked(mesh.status(vhOld).locked());
            original.push_back(vhOld);
        });
    if (!pCompact)
    {
        tile.bFits = false;
        return;
    }
    auto pDecimater = std::make_unique<MeshDecimater>(*pCompact);
    pDecimater->setGuardLocked(true);
    pDecimater->setCrossingGuard(tile.crossingGuard);
    if (tile.pCollapsedInto)
    {
        pDecimater->recordCollapses(hGlobalIndex, tile.pCollapsedInto);
    }
    for (std::size_t v = 0; v < original.size(); ++v)
    {
        pDecimater->quadric(TriangleMesh::VertexHandle(int(v))) = tile.pDecimater->quadric(original[v]);
    }
    // The old decimater before the old mesh it works on.
    tile.pDecimater = std::move(pDecimater);
    tile.pMesh = std::move(pCompact);
    tile.hGlobalIndex = hGlobalIndex;
    tile.nVertices = tile.pMesh->n_vertices();
}

double MeshTiles::innerTarget(double dBudget, double dReserve, std::size_t nMeshVertices, std::size_t nBorder)
{
    const double dShare = dBudget * double(nMeshVertices - nBorder) / double(nMeshVertices);
    return std::max({dReserve / dBudget * dShare, dShare + double(nBorder), CUT_KEEP * double(nBorder)});
}

void MeshTiles::runRounds(Parallel::Pool& pool, std::vector<Tile>& tiles, double dTarget)
{
    std::vector<std::size_t> below(tiles.size(), 0);
    // The first round takes, across the tiles, what costs nothing, also
    // where a tile stopped at its floor: no collapse that costs something
    // comes before those.
    double dBound = EXACT_BOUND / BOUND_STEP;
    for (int nRound = 1;; ++nRound)
    {
        std::size_t nTotal = 0;
        for (const Tile& tile : tiles)
        {
            nTotal += ownVertices(tile);
        }
        const double dLeft = double(nTotal) - dTarget;
        // The final pass takes the last few.
        if (dLeft < double(tiles.size()))
        {
            return;
        }
        const bool bLast = nRound >= LAST_ROUND;
        dBound = bLast ? std::numeric_limits<double>::infinity() : dBound * BOUND_STEP;
        // Each tile takes at most its share of what is left to take, in
        // proportion to the collapses it has below the bound: the tiles
        // together then never go below the target, and a round that would
        // take them there ends near it.
        std::fill(below.begin(), below.end(), 0);
        forEachTile(pool, tiles,
            [&](Tile& tile) { below[std::size_t(&tile - tiles.data())] = tile.pDecimater->countBelow(dBound); });
        std::size_t nBelow = 0;
        for (const std::size_t n : below)
        {
            nBelow += n;
        }
        if (nBelow > 0)
        {
            forEachTile(pool, tiles, [&](Tile& tile) {
                const std::size_t nBelowTile = below[std::size_t(&tile - tiles.data())];
                const auto nShare = std::size_t(double(nBelowTile) * dLeft / double(nBelow));
                tile.nVertices -= tile.pDecimater->decimate(std::min(nShare, ownVertices(tile)), dBound);
            });
        }
        if (bLast)
        {
            return;
        }
    }
}

std::unique_ptr<TriangleMesh> MeshTiles::joinAndFinish(std::vector<Tile>& tiles, std::size_t nGlobalVertices,
    unsigned nVertices, double dReserve, bool bMustClose, const MeshCrossings::Guard& crossingGuard,
    std::vector<int>* pCollapsedInto, int nRound)
{
    for (const Tile& tile : tiles)
    {
        if (tile.pError)
        {
            std::rethrow_exception(tile.pError);
        }
        if (!tile.bFits)
        {
            return nullptr;
        }
    }
    auto pJoined = std::make_unique<TriangleMesh>();
    TriangleMesh& joined = *pJoined;
    joined.request_face_normals();
    joined.request_vertex_normals();
    OpenMesh::VPropHandleT<int> hIds;
    if (pCollapsedInto)
    {
        joined.add_property(hIds, MeshBuilder::VERTEX_IDS);
    }
    {
        std::size_t nJoinedVertices = 0;
        std::size_t nJoinedEdges = 0;
        std::size_t nJoinedFaces = 0;
        for (const Tile& tile : tiles)
        {
            // A closed patch has about twice as many faces as vertices and
            // three times as many edges, plus its rim.
            nJoinedVertices += tile.nVertices;
            nJoinedEdges += 3 * tile.nVertices + tile.nShared;
            nJoinedFaces += 2 * tile.nVertices + tile.nShared;
        }
        joined.reserve(nJoinedVertices, nJoinedEdges, nJoinedFaces);
    }
    // A vertex on a cut gathered part of its quadric in each of its tiles.
    std::vector<MeshDecimater::Quadric> quadrics;
    // Vertices inside a tile whose collapses its triangles all refuse.
    std::vector<unsigned char> wornOut;
    std::vector<int> joinedIndex(nGlobalVertices, -1);
    for (Tile& tile : tiles)
    {
        if (!tile.pMesh)
        {
            continue;
        }
        const TriangleMesh& sub = *tile.pMesh;
        std::vector<unsigned char> counted(sub.n_vertices(), 0);
        const std::vector<unsigned char> tileWornOut = tile.pDecimater->wornOut();
        for (const auto fh : sub.faces())
        {
            TriangleMesh::VertexHandle corners[3];
            int i = 0;
            for (auto it = sub.cfv_iter(fh); it.is_valid(); ++it, ++i)
            {
                const int nGlobal = sub.property(tile.hGlobalIndex, *it);
                int& nJoined = joinedIndex[std::size_t(nGlobal)];
                // Tiles that each started a vertex from its whole quadric
                // add what they gathered beyond it.
                const bool bBase = !tile.baseQuadrics.empty();
                if (nJoined < 0)
                {
                    const auto vh = joined.add_vertex(sub.point(*it));
                    nJoined = vh.idx();
                    quadrics.push_back(bBase ? tile.baseQuadrics[std::size_t(it->idx())] : MeshDecimater::Quadric());
                    wornOut.push_back(tileWornOut[std::size_t(it->idx())]);
                    if (pCollapsedInto)
                    {
                        joined.property(hIds, vh) = nGlobal;
                    }
                }
                if (!counted[std::size_t(it->idx())])
                {
                    counted[std::size_t(it->idx())] = 1;
                    quadrics[std::size_t(nJoined)] += tile.pDecimater->quadric(*it);
                    if (bBase)
                    {
                        quadrics[std::size_t(nJoined)] += tile.baseQuadrics[std::size_t(it->idx())] * -1.0;
                    }
                }
                corners[i] = TriangleMesh::VertexHandle(nJoined);
            }
            if (!joined.add_face(corners, 3).is_valid())
            {
                return nullptr;
            }
        }
        tile.pDecimater.reset();
        tile.pMesh.reset();
        tile.baseQuadrics = {};
    }
    joinedIndex.clear();
    joinedIndex.shrink_to_fit();
    if (bMustClose)
    {
        for (const auto eh : joined.edges())
        {
            if (joined.is_boundary(eh))
            {
                return nullptr;
            }
        }
    }
    joined.update_face_normals();
    // Where the final pass would still have much to take, the tiles' cuts
    // and fenced bands left it at full size, and decimation stalls in parts
    // of the mesh that run on across the cuts (the thin walls of long slots
    // may each only go once the part next to them went): more rounds of
    // tiles take it on all cores, each tile fenced in (see fenceTiles),
    // first in columns of the full height whose cuts leave the first ones'
    // in their middles, then in rows of the full width.
    const std::size_t nJoined = joined.n_vertices();
    if (nRound < ROWS_ROUND && crossingGuard.isOn()
        && (nJoined > 2 * std::size_t(nVertices) || nJoined >= std::size_t(nVertices) + ANOTHER_ROUND))
    {
        const bool bColumns = nRound == FIRST_ROUND;
        std::unique_ptr<TriangleMesh> pAgain
            = decimateCut(joined, bColumns ? columnsAround(tiles, joined) : std::vector<float>(),
                bColumns ? std::vector<float>() : rowsOf(joined), &quadrics, &wornOut, nVertices, dReserve,
                crossingGuard, hIds, pCollapsedInto ? nGlobalVertices : nJoined, pCollapsedInto, nRound + 1);
        if (pAgain)
        {
            return pAgain;
        }
    }
    {
        MeshDecimater decimater(joined);
        decimater.setCrossingGuard(crossingGuard);
        decimater.setWornOut(std::move(wornOut));
        if (pCollapsedInto)
        {
            decimater.recordCollapses(hIds, pCollapsedInto);
        }
        for (const auto vh : joined.vertices())
        {
            decimater.quadric(vh) = quadrics[std::size_t(vh.idx())];
        }
        quadrics.clear();
        quadrics.shrink_to_fit();
        if (joined.n_vertices() > nVertices)
        {
            decimater.decimate(joined.n_vertices() - nVertices);
        }

        // While the decimater holds the status flags.
        joined.garbage_collection();
    }
    return pJoined;
}
