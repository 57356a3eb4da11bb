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
// A tile's fence is kept in cells of one unit, or of this share of the
// mesh's width where that is larger.
constexpr double FENCE_CELLS = 8192.0;
// Where the joined tiles hold this many vertices beyond the budget, or twice
// the budget, and facets are kept apart, another round of tiles goes before
// the final pass.
constexpr std::size_t ANOTHER_ROUND = 32768;

// The cuts along an axis (0 = x, 1 = y) through the middles of the tiles'
// rects, the outermost ones halfway to the mesh's bounds.
std::vector<float> middleCuts(const std::vector<MeshTiles::Tile>& tiles, const TriangleMesh& mesh, int nAxis)
{
    std::vector<double> bounds;
    for (const MeshTiles::Tile& tile : tiles)
    {
        if (std::isfinite(tile.rect.min[nAxis]))
        {
            bounds.push_back(tile.rect.min[nAxis]);
        }
    }
    std::sort(bounds.begin(), bounds.end());
    bounds.erase(std::unique(bounds.begin(), bounds.end()), bounds.end());
    double dLow = HUGE_VAL;
    double dHigh = -HUGE_VAL;
    for (const auto vh : mesh.vertices())
    {
        dLow = std::min(dLow, double(mesh.point(vh)[nAxis]));
        dHigh = std::max(dHigh, double(mesh.point(vh)[nAxis]));
    }
    std::vector<float> cuts;
    if (bounds.empty() || !(dLow < bounds.front()) || !(bounds.back() < dHigh))
    {
        return cuts;
    }
    bounds.insert(bounds.begin(), dLow);
    bounds.push_back(dHigh);
    for (std::size_t k = 1; k < bounds.size(); ++k)
    {
        cuts.push_back(float(0.5 * (bounds[k - 1] + bounds[k])));
    }
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

std::size_t MeshTiles::fenceTiles(Parallel::Pool& pool, std::vector<Tile>& tiles)
{
    if (tiles.empty() || !tiles.front().crossingGuard.isOn())
    {
        return 0;
    }
    double dGap = 0.0;
    for (const Tile& tile : tiles)
    {
        dGap = std::max(dGap, tile.crossingGuard.dGap);
    }
    // Cells of one unit (a pixel of the rasters) over the tiles' points, or
    // larger where the mesh spreads far wider than a picture.
    std::vector<MeshCrossings::Box> bounds(tiles.size(), MeshCrossings::Box{MeshCrossings::Vec(HUGE_VAL), MeshCrossings::Vec(-HUGE_VAL)});
    forEachTile(pool, tiles, [&](Tile& tile) {
        MeshCrossings::Box& box = bounds[std::size_t(&tile - tiles.data())];
        for (const auto vh : tile.pMesh->vertices())
        {
            const MeshCrossings::Vec point = OpenMesh::vector_cast<MeshCrossings::Vec>(tile.pMesh->point(vh));
            box.min.minimize(point);
            box.max.maximize(point);
        }
    });
    MeshCrossings::Box all = bounds.front();
    for (const MeshCrossings::Box& box : bounds)
    {
        all.min.minimize(box.min);
        all.max.maximize(box.max);
    }
    if (!(all.min[0] <= all.max[0]))
    {
        return 0;
    }
    const double dMargin = 2.0 * dGap + 1.0;
    const double dX0 = all.min[0] - dMargin;
    const double dY0 = all.min[1] - dMargin;
    const double dCell = std::max(1.0, std::max(all.max[0] - all.min[0], all.max[1] - all.min[1]) / FENCE_CELLS);
    const int nColumns = int((all.max[0] + dMargin - dX0) / dCell) + 1;
    const int nRows = int((all.max[1] + dMargin - dY0) / dCell) + 1;
    const auto cellOf = [&](double d, double dOrigin, int nCount) {
        return std::clamp(int(std::floor((d - dOrigin) / dCell)), 0, nCount - 1);
    };
    // The cells each tile may make faces in: those wholly inside its rect
    // shrunk by the gap, so that the tiles' cells lie farther apart than it.
    struct Cells
    {
        int x0 = 0, y0 = 0, x1 = -1, y1 = -1;
        bool holds(int x, int y) const { return x >= x0 && x <= x1 && y >= y0 && y <= y1; }
    };
    std::vector<Cells> own(tiles.size());
    for (std::size_t k = 0; k < tiles.size(); ++k)
    {
        const MeshCrossings::Box& rect = tiles[k].rect;
        Cells& cells = own[k];
        cells.x0 = std::isfinite(rect.min[0]) ? int(std::ceil((rect.min[0] + dGap - dX0) / dCell)) : 0;
        cells.y0 = std::isfinite(rect.min[1]) ? int(std::ceil((rect.min[1] + dGap - dY0) / dCell)) : 0;
        cells.x1 = std::isfinite(rect.max[0]) ? int(std::floor((rect.max[0] - dGap - dX0) / dCell)) - 1 : nColumns - 1;
        cells.y1 = std::isfinite(rect.max[1]) ? int(std::floor((rect.max[1] - dGap - dY0) / dCell)) - 1 : nRows - 1;
        cells.x0 = std::max(cells.x0, 0);
        cells.y0 = std::max(cells.y0, 0);
        cells.x1 = std::min(cells.x1, nColumns - 1);
        cells.y1 = std::min(cells.y1, nRows - 1);
    }
    // The cells under a tile's faces, their boxes grown by the gap, outside
    // its own: no other tile may make faces there.
    std::unique_ptr<std::atomic<unsigned char>[]> pTaken(
        new std::atomic<unsigned char>[std::size_t(nColumns) * std::size_t(nRows)]());
    forEachTile(pool, tiles, [&](Tile& tile) {
        const Cells& cells = own[std::size_t(&tile - tiles.data())];
        const TriangleMesh& mesh = *tile.pMesh;
        for (const auto fh : mesh.faces())
        {
            TriangleMesh::Point low = mesh.point(*mesh.cfv_iter(fh));
            TriangleMesh::Point high = low;
            for (auto it = mesh.cfv_iter(fh); it.is_valid(); ++it)
            {
                low.minimize(mesh.point(*it));
                high.maximize(mesh.point(*it));
            }
            const int x0 = cellOf(double(low[0]) - dGap, dX0, nColumns);
            const int y0 = cellOf(double(low[1]) - dGap, dY0, nRows);
            const int x1 = cellOf(double(high[0]) + dGap, dX0, nColumns);
            const int y1 = cellOf(double(high[1]) + dGap, dY0, nRows);
            if (cells.holds(x0, y0) && cells.holds(x1, y1))
            {
                continue;
            }
            for (int y = y0; y <= y1; ++y)
            {
                for (int x = x0; x <= x1; ++x)
                {
                    if (!cells.holds(x, y))
                    {
                        pTaken[std::size_t(y) * std::size_t(nColumns) + std::size_t(x)].store(1, std::memory_order_relaxed);
                    }
                }
            }
        }
    });
    // Each tile's fence: a box lies inside it where the cells under it are
    // the tile's own and no other tile's faces lie near them (counted with
    // sums over the tile's cells).
    std::vector<std::size_t> fenced(tiles.size(), 0);
    forEachTile(pool, tiles, [&](Tile& tile) {
        const Cells cells = own[std::size_t(&tile - tiles.data())];
        const int nWidth = std::max(0, cells.x1 - cells.x0 + 1);
        const int nHeight = std::max(0, cells.y1 - cells.y0 + 1);
        auto pSums = std::make_shared<std::vector<unsigned>>(std::size_t(nWidth + 1) * std::size_t(nHeight + 1), 0u);
        std::vector<unsigned>& sums = *pSums;
        for (int y = 0; y < nHeight; ++y)
        {
            unsigned nRow = 0;
            for (int x = 0; x < nWidth; ++x)
            {
                nRow += pTaken[std::size_t(y + cells.y0) * std::size_t(nColumns) + std::size_t(x + cells.x0)].load(
                    std::memory_order_relaxed);
                sums[std::size_t(y + 1) * std::size_t(nWidth + 1) + std::size_t(x + 1)]
                    = sums[std::size_t(y) * std::size_t(nWidth + 1) + std::size_t(x + 1)] + nRow;
            }
        }
        const auto inside = [=](const MeshCrossings::Box& box) {
            const int x0 = int(std::floor((box.min[0] - dX0) / dCell));
            const int y0 = int(std::floor((box.min[1] - dY0) / dCell));
            const int x1 = int(std::floor((box.max[0] - dX0) / dCell));
            const int y1 = int(std::floor((box.max[1] - dY0) / dCell));
            if (!cells.holds(x0, y0) || !cells.holds(x1, y1))
            {
                return false;
            }
            const std::vector<unsigned>& sum = *pSums;
            const auto at = [&](int x, int y) {
                return sum[std::size_t(y - cells.y0) * std::size_t(nWidth + 1) + std::size_t(x - cells.x0)];
            };
            return at(x1 + 1, y1 + 1) + at(x0, y0) == at(x0, y1 + 1) + at(x1 + 1, y0);
        };
        tile.pDecimater->setFence(inside);
        const TriangleMesh& mesh = *tile.pMesh;
        std::size_t& nFenced = fenced[std::size_t(&tile - tiles.data())];
        for (const auto vh : mesh.vertices())
        {
            const MeshCrossings::Vec point = OpenMesh::vector_cast<MeshCrossings::Vec>(mesh.point(vh));
            nFenced += !mesh.status(vh).locked() && !inside(MeshCrossings::Box{point, point}) ? 1 : 0;
        }
        nFenced = std::min(nFenced, ownVertices(tile));
        tile.nShared += nFenced;
        tile.nInner -= std::min(tile.nInner, nFenced);
    });
    std::size_t nFenced = 0;
    for (const std::size_t n : fenced)
    {
        nFenced += n;
    }
    return nFenced;
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
    std::vector<int>* pCollapsedInto, bool bLastRound)
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
    // and fenced bands left it, at full size, in long strips across the
    // mesh: another round of tiles whose cuts run through the middles of
    // these takes them on all cores, fenced in the same way.
    if (!bLastRound && crossingGuard.isOn()
        && (joined.n_vertices() > 2 * std::size_t(nVertices) || joined.n_vertices() >= std::size_t(nVertices) + ANOTHER_ROUND))
    {
        std::unique_ptr<TriangleMesh> pAgain = decimateCut(joined, middleCuts(tiles, joined, 0),
            middleCuts(tiles, joined, 1), &quadrics, &wornOut, nVertices, dReserve, crossingGuard, hIds,
            pCollapsedInto ? nGlobalVertices : joined.n_vertices(), pCollapsedInto, true);
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
