#include "MeshTiles.h"

#include "MeshBuilder.h"

#include <algorithm>
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

// A new tile mesh with face normals, status flags and each vertex's number
// in the whole mesh, made of the given faces of source (each source vertex
// once, with its face normals) and room for about nVertices vertices.
// placed(source vertex, new mesh, new vertex) is told of each vertex added.
// Null when the mesh refuses a face.
template <typename Faces, typename Placed>
std::unique_ptr<TriangleMesh> meshOfFaces(const TriangleMesh& source, const Faces& faces, std::size_t nFaces,
    std::size_t nVertices, OpenMesh::VPropHandleT<int>& hGlobalIndex, Placed placed)
{
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

// The faces of a whole mesh that lie in one tile, as a mesh of its own, its
// vertices on the cuts locked, numbered by hIds where that is valid and by
// their index in the whole mesh otherwise.
void cutOutTile(const TriangleMesh& mesh, const std::vector<unsigned char>& border,
    const std::vector<TriangleMesh::FaceHandle>& faces, OpenMesh::VPropHandleT<int> hIds, MeshTiles::Tile& tile)
{
    // A patch of a closed surface has about half as many vertices as faces.
    const std::size_t nFaces = faces.size();
    tile.pMesh = meshOfFaces(mesh, faces, nFaces, nFaces / 2 + nFaces / 16 + 64, tile.hGlobalIndex,
        [&](TriangleMesh::VertexHandle vhWhole, TriangleMesh& sub, TriangleMesh::VertexHandle vh) {
            sub.property(tile.hGlobalIndex, vh) = hIds.is_valid() ? mesh.property(hIds, vhWhole) : vhWhole.idx();
            if (border[std::size_t(vhWhole.idx())])
            {
                sub.status(vh).set_locked(true);
                ++tile.nShared;
            }
            else
            {
                ++tile.nInner;
            }
        });
    tile.bFits = tile.pMesh != nullptr;
}
} // namespace

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
    std::unique_ptr<TriangleMesh> pCompact = meshOfFaces(mesh, faces, faces.size(), tile.nVertices, hGlobalIndex,
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
    // How far a point lies beyond a rect, or inside it where negative.
    const auto beyond = [](const MeshCrossings::Box& rect, const TriangleMesh::Point& point) {
        double dBeyond = -HUGE_VAL;
        for (int k = 0; k < 2; ++k)
        {
            dBeyond = std::max({dBeyond, rect.min[k] - double(point[k]), double(point[k]) - rect.max[k]});
        }
        return dBeyond;
    };
    std::vector<double> reach(tiles.size(), 0.0);
    forEachTile(pool, tiles, [&](Tile& tile) {
        double& dReach = reach[std::size_t(&tile - tiles.data())];
        for (const auto vh : tile.pMesh->vertices())
        {
            dReach = std::max(dReach, beyond(tile.rect, tile.pMesh->point(vh)));
        }
    });
    double dGap = 0.0;
    for (const Tile& tile : tiles)
    {
        dGap = std::max(dGap, tile.crossingGuard.dGap);
    }
    const double dInset = *std::max_element(reach.begin(), reach.end()) + 2.0 * dGap;
    std::vector<std::size_t> fenced(tiles.size(), 0);
    forEachTile(pool, tiles, [&](Tile& tile) {
        MeshCrossings::Box fence = tile.rect;
        for (int k = 0; k < 2; ++k)
        {
            fence.min[k] += dInset;
            fence.max[k] -= dInset;
        }
        tile.pDecimater->setFence(fence);
        const TriangleMesh& mesh = *tile.pMesh;
        std::size_t& nFenced = fenced[std::size_t(&tile - tiles.data())];
        for (const auto vh : mesh.vertices())
        {
            nFenced += !mesh.status(vh).locked() && beyond(fence, mesh.point(vh)) > 0.0 ? 1 : 0;
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
    unsigned nVertices, bool bMustClose, const MeshCrossings::Guard& crossingGuard, std::vector<int>* pCollapsedInto)
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
    std::vector<int> joinedIndex(nGlobalVertices, -1);
    for (Tile& tile : tiles)
    {
        if (!tile.pMesh)
        {
            continue;
        }
        const TriangleMesh& sub = *tile.pMesh;
        std::vector<unsigned char> counted(sub.n_vertices(), 0);
        for (const auto fh : sub.faces())
        {
            TriangleMesh::VertexHandle corners[3];
            int i = 0;
            for (auto it = sub.cfv_iter(fh); it.is_valid(); ++it, ++i)
            {
                const int nGlobal = sub.property(tile.hGlobalIndex, *it);
                int& nJoined = joinedIndex[std::size_t(nGlobal)];
                if (nJoined < 0)
                {
                    const auto vh = joined.add_vertex(sub.point(*it));
                    nJoined = vh.idx();
                    quadrics.emplace_back();
                    if (pCollapsedInto)
                    {
                        joined.property(hIds, vh) = nGlobal;
                    }
                }
                if (!counted[std::size_t(it->idx())])
                {
                    counted[std::size_t(it->idx())] = 1;
                    quadrics[std::size_t(nJoined)] += tile.pDecimater->quadric(*it);
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
    {
        MeshDecimater decimater(joined);
        decimater.setCrossingGuard(crossingGuard);
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

std::unique_ptr<TriangleMesh> MeshTiles::decimateInParts(const TriangleMesh& mesh, unsigned nVertices,
    const MeshGenerator::DecimationSetup& setup)
{
    const std::size_t nMeshVertices = mesh.n_vertices();
    const double dReserve = std::max(1.0, setup.dPartReserve) * nVertices;
    const unsigned nParts = partsFor(nMeshVertices, setup);
    if (nParts < 2 || nMeshVertices < setup.nMinimumVerticesForParts || double(nMeshVertices) <= dReserve * 1.2)
    {
        return nullptr;
    }

    // Tiles cut at quantiles of the vertex coordinates, so that they hold
    // about equal numbers of vertices.
    unsigned nRows = 1;
    unsigned nColumns = 1;
    gridOf(nParts, nRows, nColumns);
    auto quantileCuts = [&](int nAxis, unsigned nCount) {
        std::vector<float> values;
        values.reserve(nMeshVertices);
        for (const auto vh : mesh.vertices())
        {
            values.push_back(mesh.point(vh)[nAxis]);
        }
        std::vector<float> cuts;
        for (unsigned k = 1; k < nCount; ++k)
        {
            auto it = values.begin() + std::ptrdiff_t(nMeshVertices * k / nCount);
            std::nth_element(values.begin(), it, values.end());
            cuts.push_back(*it);
        }
        std::sort(cuts.begin(), cuts.end());
        return cuts;
    };
    const std::vector<float> cutsX = quantileCuts(0, nColumns);
    const std::vector<float> cutsY = quantileCuts(1, nRows);

    // Each face goes to the tile that holds its centre; a vertex whose faces
    // lie in more than one tile is on a cut.
    const std::size_t nMeshFaces = mesh.n_faces();
    std::vector<unsigned short> facePart(nMeshFaces);
    Parallel::forRange(nMeshFaces, [&](std::size_t nBegin, std::size_t nEnd) {
        for (std::size_t f = nBegin; f < nEnd; ++f)
        {
            TriangleMesh::Point centre(0.0f, 0.0f, 0.0f);
            for (auto it = mesh.cfv_iter(TriangleMesh::FaceHandle(int(f))); it.is_valid(); ++it)
            {
                centre += mesh.point(*it);
            }
            centre /= 3.0f;
            const unsigned nColumn = unsigned(std::upper_bound(cutsX.begin(), cutsX.end(), centre[0]) - cutsX.begin());
            const unsigned nRow = unsigned(std::upper_bound(cutsY.begin(), cutsY.end(), centre[1]) - cutsY.begin());
            facePart[f] = static_cast<unsigned short>(nRow * nColumns + nColumn);
        }
    });
    std::vector<unsigned char> border(nMeshVertices, 0);
    Parallel::forRange(nMeshVertices, [&](std::size_t nBegin, std::size_t nEnd) {
        for (std::size_t v = nBegin; v < nEnd; ++v)
        {
            int nPart = -1;
            for (auto it = mesh.cvf_iter(TriangleMesh::VertexHandle(int(v))); it.is_valid(); ++it)
            {
                const int nFacePart = facePart[std::size_t(it->idx())];
                if (nPart >= 0 && nFacePart != nPart)
                {
                    border[v] = 1;
                    break;
                }
                nPart = nFacePart;
            }
        }
    });
    const std::size_t nBorder = std::size_t(std::count(border.begin(), border.end(), 1));
    if (nBorder >= nMeshVertices)
    {
        return nullptr;
    }
    // Each tile keeps at least its cut and a share of the budget in
    // proportion to its inner vertices, so the tiles together never fall
    // below the budget.
    const double dInnerShare
        = nVertices > nBorder ? double(nVertices - nBorder) / double(nMeshVertices - nBorder) : 0.0;

    // Collapses are written down by the ids of a build.
    OpenMesh::VPropHandleT<int> hIds;
    std::size_t nGlobalVertices = nMeshVertices;
    if (setup.pCollapsedInto && mesh.get_property_handle(hIds, MeshBuilder::VERTEX_IDS))
    {
        nGlobalVertices = setup.pCollapsedInto->size();
    }
    else
    {
        hIds.reset();
    }
    Parallel::Pool pool;
    std::vector<Tile> tiles(nParts);
    for (Tile& tile : tiles)
    {
        tile.crossingGuard = setup.crossingGuard;
        tile.pCollapsedInto = hIds.is_valid() ? setup.pCollapsedInto : nullptr;
    }
    forEachTile(pool, tiles, [&](Tile& tile) {
        const auto nPart = static_cast<unsigned short>(&tile - tiles.data());
        std::vector<TriangleMesh::FaceHandle> faces;
        for (std::size_t f = 0; f < nMeshFaces; ++f)
        {
            if (facePart[f] == nPart)
            {
                faces.emplace_back(int(f));
            }
        }
        cutOutTile(mesh, border, faces, hIds, tile);
        if (tile.bFits)
        {
            startTile(tile, OpenMesh::FPropHandleT<bool>(), dInnerShare);
        }
    });
    facePart.clear();
    facePart.shrink_to_fit();
    for (unsigned nRow = 0; nRow < nRows; ++nRow)
    {
        for (unsigned nColumn = 0; nColumn < nColumns; ++nColumn)
        {
            MeshCrossings::Box& rect = tiles[nRow * nColumns + nColumn].rect;
            rect.min[0] = nColumn > 0 ? double(cutsX[nColumn - 1]) : -HUGE_VAL;
            rect.max[0] = nColumn + 1 < nColumns ? double(cutsX[nColumn]) : HUGE_VAL;
            rect.min[1] = nRow > 0 ? double(cutsY[nRow - 1]) : -HUGE_VAL;
            rect.max[1] = nRow + 1 < nRows ? double(cutsY[nRow]) : HUGE_VAL;
        }
    }
    const std::size_t nFenced = fenceTiles(pool, tiles);
    runRounds(pool, tiles, innerTarget(nVertices, dReserve, nMeshVertices, nBorder + nFenced));
    return joinAndFinish(tiles, nGlobalVertices, nVertices, false, setup.crossingGuard,
        hIds.is_valid() ? setup.pCollapsedInto : nullptr);
}
