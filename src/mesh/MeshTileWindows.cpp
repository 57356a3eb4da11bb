#include "MeshBuilder.h"
#include "MeshTiles.h"

#include <algorithm>
#include <limits>
#include <utility>

// Tiles built from windows of the rasters: each tile is built, smoothed, cut
// down by what costs nothing and compacted on a core of its own, so that no
// step but the join and the final pass works on the whole mesh, and the mesh
// is never held at full size all at once: a tile is at full size only while
// its core works on it.

namespace
{
// See generateInTiles.
constexpr double GUARDED_WINDOWS = 2.0;

using MeshTiles::Clock;
using MeshTiles::secondsSince;
using MeshTiles::Tile;

// Positions where a range of pixels is cut into nCount pieces holding about
// equal numbers of solid pixels: cuts[0] = nFirst, cuts[nCount] = the end.
std::vector<unsigned> solidQuantileCuts(const std::vector<std::size_t>& counts, unsigned nFirst, unsigned nCount)
{
    std::size_t nTotal = 0;
    for (unsigned i = nFirst; i < counts.size(); ++i)
    {
        nTotal += counts[i];
    }
    std::vector<unsigned> cuts{nFirst};
    std::size_t nSum = 0;
    unsigned i = nFirst;
    for (unsigned k = 1; k < nCount; ++k)
    {
        const std::size_t nWanted = nTotal * k / nCount;
        while (i < counts.size() && nSum + counts[i] <= nWanted)
        {
            nSum += counts[i++];
        }
        cuts.push_back(std::max(i, cuts.back()));
    }
    cuts.push_back(unsigned(counts.size()));
    return cuts;
}

// A tile's part of the rasters and what its build tells the others.
struct Window
{
    // Own cells [nCellX0, nCellX1) x [nCellY0, nCellY1) (a cell makes the
    // faces between pixel columns x - 1, x and rows y - 1, y and is named by
    // x, y from 1); pixels of the window [nX0, nX1) x [nY0, nY1).
    unsigned nCellX0, nCellX1, nCellY0, nCellY1;
    unsigned nX0, nX1, nY0, nY1;
    // Its vertices on a cut, by number, with their points.
    std::vector<std::pair<int, TriangleMesh::Point>> borderVertices;
    // The edges where its own faces end, from one vertex number to the next
    // in the direction of its own face.
    std::vector<std::pair<int, int>> seams;
    // Seconds its core spent on each phase.
    double dBuild = 0.0;
    double dNormals = 0.0;
    double dSmoothing = 0.0;
    double dDecimation = 0.0;
};

// Builds the window's mesh (see MeshTiles::buildWindow), marks the faces of
// its own cells in hOwnFace.
void buildTile(const MeshGenerator::Image& imageFront, const MeshGenerator::Image& imageBack, const Window& window,
    Tile& tile, OpenMesh::FPropHandleT<bool>& hOwnFace)
{
    std::vector<unsigned> faceCells;
    tile.pMesh = MeshTiles::buildWindow(imageFront, imageBack, window.nX0, window.nY0, window.nX1, window.nY1,
        tile.hGlobalIndex, faceCells);
    TriangleMesh& sub = *tile.pMesh;
    sub.add_property(hOwnFace);
    for (const auto fh : sub.all_faces())
    {
        const unsigned nCell = faceCells[std::size_t(fh.idx())];
        const unsigned x = nCell % imageFront.nWidth;
        const unsigned y = nCell / imageFront.nWidth;
        sub.property(hOwnFace, fh)
            = x >= window.nCellX0 && x < window.nCellX1 && y >= window.nCellY0 && y < window.nCellY1;
    }
    MeshGenerator::removeIsolatedVertices(sub);
}

// A tile's own vertices lie only on its own faces; vertices on its own and
// on other faces are on a cut, and the others lie in the margin. Both of the
// latter are locked. Records the cut's vertices and edges for the check that
// the tiles fit.
void lockCut(Tile& tile, OpenMesh::FPropHandleT<bool> hOwnFace, Window& window)
{
    TriangleMesh& sub = *tile.pMesh;
    sub.request_vertex_status();
    for (const auto vh : sub.vertices())
    {
        bool bOwn = false;
        bool bOther = false;
        for (auto it = sub.cvf_iter(vh); it.is_valid(); ++it)
        {
            (sub.property(hOwnFace, *it) ? bOwn : bOther) = true;
        }
        if (bOwn && !bOther)
        {
            ++tile.nInner;
            continue;
        }
        sub.status(vh).set_locked(true);
        if (bOwn)
        {
            ++tile.nShared;
            window.borderVertices.emplace_back(sub.property(tile.hGlobalIndex, vh), sub.point(vh));
        }
    }
    for (const auto heh : sub.halfedges())
    {
        const auto fh = sub.face_handle(heh);
        const auto fhOpposite = sub.opposite_face_handle(heh);
        if (fh.is_valid() && sub.property(hOwnFace, fh)
            && !(fhOpposite.is_valid() && sub.property(hOwnFace, fhOpposite)))
        {
            window.seams.emplace_back(sub.property(tile.hGlobalIndex, sub.from_vertex_handle(heh)),
                sub.property(tile.hGlobalIndex, sub.to_vertex_handle(heh)));
        }
    }
}

// The tiles fit together when every seam of one is the seam of another run
// the other way and the tiles agree on where the vertices of the cuts lie.
// Where the build of a window came out otherwise than the whole mesh's
// would, they do not. Counts the vertices on cuts, each once.
bool cutsAgree(std::vector<Window>& windows, std::size_t& nBorder)
{
    std::vector<std::pair<int, int>> seams;
    std::vector<std::pair<int, TriangleMesh::Point>> border;
    for (Window& window : windows)
    {
        seams.insert(seams.end(), window.seams.begin(), window.seams.end());
        border.insert(border.end(), window.borderVertices.begin(), window.borderVertices.end());
        window.seams = {};
        window.borderVertices = {};
    }
    std::sort(seams.begin(), seams.end());
    if (std::adjacent_find(seams.begin(), seams.end()) != seams.end())
    {
        return false;
    }
    for (const auto& seam : seams)
    {
        if (!std::binary_search(seams.begin(), seams.end(), std::make_pair(seam.second, seam.first)))
        {
            return false;
        }
    }
    std::sort(border.begin(), border.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    nBorder = 0;
    for (std::size_t i = 0; i < border.size(); ++i)
    {
        if (i == 0 || border[i].first != border[i - 1].first)
        {
            ++nBorder;
        }
        else if (!(border[i].second == border[i - 1].second))
        {
            return false;
        }
    }
    return true;
}
} // namespace

std::unique_ptr<TriangleMesh> MeshTiles::buildWindow(const MeshGenerator::Image& imageFront,
    const MeshGenerator::Image& imageBack, unsigned nX0, unsigned nY0, unsigned nX1, unsigned nY1,
    OpenMesh::VPropHandleT<int>& hIds, std::vector<unsigned>& faceCells)
{
    const unsigned nWidth = imageFront.nWidth;
    const unsigned nWindowWidth = nX1 - nX0;
    const unsigned nWindowHeight = nY1 - nY0;
    std::vector<float> front(std::size_t(nWindowWidth) * nWindowHeight);
    std::vector<float> back(front.size());
    for (unsigned y = 0; y < nWindowHeight; ++y)
    {
        const std::size_t nFrom = std::size_t(nY0 + y) * nWidth + nX0;
        std::copy(imageFront.pData + nFrom, imageFront.pData + nFrom + nWindowWidth,
            front.begin() + std::ptrdiff_t(y) * nWindowWidth);
        std::copy(imageBack.pData + nFrom, imageBack.pData + nFrom + nWindowWidth,
            back.begin() + std::ptrdiff_t(y) * nWindowWidth);
    }
    MeshGenerator::Image windowFront;
    windowFront.pData = front.data();
    windowFront.nWidth = nWindowWidth;
    windowFront.nHeight = nWindowHeight;
    MeshGenerator::Image windowBack = windowFront;
    windowBack.pData = back.data();
    auto pMesh = std::make_unique<TriangleMesh>();
    TriangleMesh& sub = *pMesh;
    MeshBuilder::build(windowFront, windowBack, &faceCells, sub);
    for (unsigned& nCell : faceCells)
    {
        nCell = (nCell / nWindowWidth + nY0) * nWidth + nCell % nWindowWidth + nX0;
    }
    sub.add_property(hIds);
    const TriangleMesh::Point offset(float(nX0), float(nY0), 0.0f);
    for (const auto vh : sub.all_vertices())
    {
        TriangleMesh::Point& point = sub.point(vh);
        point += offset;
        sub.property(hIds, vh) = MeshBuilder::vertexId(point, nWidth);
    }
    return pMesh;
}

std::unique_ptr<TriangleMesh> MeshTiles::generateInTiles(const MeshGenerator::Image& imageFront,
    const MeshGenerator::Image& imageBack, const MeshGenerator::Parameters& parameters,
    const MeshGenerator::DecimationSetup& setup, MeshGenerator::Timings& timings)
{
    const unsigned nWidth = imageFront.nWidth;
    const unsigned nHeight = imageFront.nHeight;
    const unsigned nVertices = parameters.NumberOfVertices;
    // Smoothing moves a vertex by its neighbours' positions: after n steps a
    // vertex has felt everything up to n edges away. The build decides about
    // a cell from the cells before it, so a window's edge can change the
    // build some cells further on where pixels touch only at corners (up to
    // 7 were seen on random rasters); the margin leaves room for both. As a
    // second line, the tiles that share a cut compare its edges and its
    // vertices' points and the whole mesh is built where they differ. That
    // catches most of what too narrow a margin changes, not all: with no
    // margin at all, a few points inside a tile were seen to differ with the
    // cuts agreeing. The join still checks that the mesh is closed.
    const unsigned nMargin = parameters.NumberOfSmoothingSteps + setup.nTileMargin;
    if (setup.nParts == 1 || setup.bLibraryDecimater || nWidth < 2 || nHeight < 2
        || std::size_t(nWidth) * nHeight * 2 >= std::size_t(std::numeric_limits<int>::max()))
    {
        return nullptr;
    }
    const Clock::time_point start = Clock::now();

    const float* pFront = imageFront.pData;
    const float* pBack = imageBack.pData;
    std::vector<std::size_t> columnSolid(nWidth, 0);
    std::vector<std::size_t> rowSolid(nHeight, 0);
    std::size_t nSolid = 0;
    for (unsigned y = 0; y < nHeight; ++y)
    {
        for (unsigned x = 0; x < nWidth; ++x)
        {
            const std::size_t i = std::size_t(y) * nWidth + x;
            if (MeshBuilder::isMaterial(pFront[i]) && MeshBuilder::isMaterial(pBack[i]))
            {
                ++columnSolid[x];
                ++rowSolid[y];
                ++nSolid;
            }
        }
    }
    const double dReserve = std::max(1.0, setup.dPartReserve) * nVertices;
    const unsigned nParts = partsFor(2 * nSolid, setup);
    if (nParts < 2 || 2 * nSolid < setup.nMinimumVerticesForParts || double(2 * nSolid) <= dReserve * 1.2)
    {
        return nullptr;
    }

    // Tiles cut where they get about equal numbers of solid pixels.
    unsigned nRows = 1;
    unsigned nColumns = 1;
    gridOf(nParts, nRows, nColumns);
    const std::vector<unsigned> cutsX = solidQuantileCuts(columnSolid, 1, nColumns);
    const std::vector<unsigned> cutsY = solidQuantileCuts(rowSolid, 1, nRows);
    for (const std::vector<unsigned>* pCuts : {&cutsX, &cutsY})
    {
        for (std::size_t k = 1; k < pCuts->size(); ++k)
        {
            // Margins wider than the tiles would build most of the mesh twice.
            if ((*pCuts)[k] < (*pCuts)[k - 1] + 2 * nMargin)
            {
                return nullptr;
            }
        }
    }
    std::vector<Tile> tiles(nParts);
    for (Tile& tile : tiles)
    {
        tile.crossingGuard = setup.crossingGuard;
        tile.pCollapsedInto = setup.pCollapsedInto;
    }
    std::vector<Window> windows(nParts);
    for (unsigned nRow = 0; nRow < nRows; ++nRow)
    {
        for (unsigned nColumn = 0; nColumn < nColumns; ++nColumn)
        {
            Window& window = windows[nRow * nColumns + nColumn];
            window.nCellX0 = cutsX[nColumn];
            window.nCellX1 = cutsX[nColumn + 1];
            window.nCellY0 = cutsY[nRow];
            window.nCellY1 = cutsY[nRow + 1];
            window.nX0 = window.nCellX0 - 1 > nMargin ? window.nCellX0 - 1 - nMargin : 0;
            window.nY0 = window.nCellY0 - 1 > nMargin ? window.nCellY0 - 1 - nMargin : 0;
            window.nX1 = std::min(nWidth, window.nCellX1 + nMargin);
            window.nY1 = std::min(nHeight, window.nCellY1 + nMargin);
        }
    }
    // Where smoothing keeps facets apart, every pixel of a window costs many
    // times what it costs unguarded, and the parts held apart in a margin
    // can differ from the whole mesh's far enough to reach the cut, so that
    // all the tiles' work is lost: there the margins may add no more than
    // GUARDED_WINDOWS to what the tiles' own cells hold, and otherwise the
    // mesh is smoothed whole, on all cores at once.
    if (setup.smoothingGuard.value_or(setup.crossingGuard).isOn())
    {
        double dWindows = 0.0;
        double dCells = 0.0;
        for (const Window& window : windows)
        {
            dWindows += double(window.nX1 - window.nX0) * double(window.nY1 - window.nY0);
            dCells += double(window.nCellX1 - window.nCellX0) * double(window.nCellY1 - window.nCellY0);
        }
        if (dWindows > GUARDED_WINDOWS * dCells)
        {
            return nullptr;
        }
    }
    const double dLayout = secondsSince(start);

    // Before the tiles are built, the share of the budget a tile must keep
    // is known only roughly: the mesh has at most two vertices per solid
    // pixel, and a little more is kept. The tiles are checked together below.
    const double dInnerShare = std::min(1.0, 1.1 * double(nVertices) / double(2 * nSolid));
    Parallel::Pool pool;
    const Clock::time_point firstPhase = Clock::now();
    forEachTile(pool, tiles, [&](Tile& tile) {
        Window& window = windows[std::size_t(&tile - tiles.data())];
        OpenMesh::FPropHandleT<bool> hOwnFace;
        Clock::time_point phase = Clock::now();
        buildTile(imageFront, imageBack, window, tile, hOwnFace);
        window.dBuild = secondsSince(phase);
        phase = Clock::now();
        MeshGenerator::computeNormals(*tile.pMesh);
        window.dNormals = secondsSince(phase);
        phase = Clock::now();
        MeshGenerator::smooth(
            *tile.pMesh, parameters.NumberOfSmoothingSteps, setup.smoothingGuard.value_or(setup.crossingGuard));
        window.dSmoothing = secondsSince(phase);
        phase = Clock::now();
        lockCut(tile, hOwnFace, window);
        startTile(tile, hOwnFace, dInnerShare);
        compactTile(tile, hOwnFace);
        window.dDecimation = secondsSince(phase);
    });
    // The phases overlap on the cores: each gets its share of the time.
    {
        double dSum = 0.0;
        for (const Window& window : windows)
        {
            dSum += window.dBuild + window.dNormals + window.dSmoothing + window.dDecimation;
        }
        const double dScale = dSum > 0.0 ? secondsSince(firstPhase) / dSum : 0.0;
        for (const Window& window : windows)
        {
            timings.dBuild += window.dBuild * dScale;
            timings.dNormals += window.dNormals * dScale;
            timings.dSmoothing += window.dSmoothing * dScale;
            timings.dDecimation += window.dDecimation * dScale;
        }
        timings.dBuild += dLayout;
    }
    const Clock::time_point rest = Clock::now();
    for (const Tile& tile : tiles)
    {
        if (tile.pError)
        {
            std::rethrow_exception(tile.pError);
        }
    }
    std::size_t nBorder = 0;
    if (!cutsAgree(windows, nBorder))
    {
        return nullptr;
    }
    // What the tiles keep must still reach the budget.
    std::size_t nKept = nBorder;
    for (const Tile& tile : tiles)
    {
        nKept += ownVertices(tile);
    }
    if (nKept < nVertices)
    {
        return nullptr;
    }
    std::size_t nMeshVertices = nBorder;
    for (const Tile& tile : tiles)
    {
        nMeshVertices += tile.nInner;
    }
    // Each tile's own faces lie between the pixel columns and rows of its
    // cuts, which the rounds after the tiles' are cut round.
    for (std::size_t k = 0; k < tiles.size(); ++k)
    {
        const Window& window = windows[k];
        MeshCrossings::Box& rect = tiles[k].rect;
        rect.min[0] = window.nCellX0 > 1 ? double(window.nCellX0 - 1) : -HUGE_VAL;
        rect.max[0] = window.nCellX1 < nWidth ? double(window.nCellX1 - 1) : HUGE_VAL;
        rect.min[1] = window.nCellY0 > 1 ? double(window.nCellY0 - 1) : -HUGE_VAL;
        rect.max[1] = window.nCellY1 < nHeight ? double(window.nCellY1 - 1) : HUGE_VAL;
    }
    // Each tile sees no face of another now that its margin is gone.
    const std::size_t nFenced = fenceTiles(pool, tiles);
    runRounds(pool, tiles, innerTarget(nVertices, dReserve, nMeshVertices, nBorder + nFenced));
    std::unique_ptr<TriangleMesh> pJoined
        = joinAndFinish(tiles, std::size_t(nWidth) * nHeight * 2, nVertices, dReserve, true, setup.crossingGuard,
            setup.pCollapsedInto);
    if (pJoined)
    {
        pJoined->update_face_normals();
        pJoined->update_vertex_normals();
    }
    timings.dDecimation += secondsSince(rest);
    return pJoined;
}
