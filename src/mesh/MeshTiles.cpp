#include "MeshTiles.h"

#include "MeshBuilder.h"
#include "MeshDecimater.h"
#include "Parallel.h"

#include <algorithm>
#include <atomic>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <exception>
#include <limits>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace
{
using MeshBuilder::isMaterial;
using MeshDecimater::runDecimater;
using MeshDecimater::TileDecimater;
using MeshTiles::Clock;
using MeshTiles::secondsSince;
using Parallel::availableCores;

// One tile of the mesh, cut out as a mesh of its own. Vertices it shares
// with other tiles are locked, so its cut stays exactly where it was and the
// tiles fit together again.
struct Tile
{
    std::vector<int> faces;
    TriangleMesh mesh;
    // Each vertex's number in the whole mesh.
    OpenMesh::VPropHandleT<int> hGlobalIndex;
    // A tile built with a margin around it holds faces of its neighbours
    // too; only those marked here are its own.
    bool bMargin = false;
    OpenMesh::FPropHandleT<bool> hOwnFace;
    std::unique_ptr<TileDecimater> pDecimater;
    // Its vertices on a cut (shared with other tiles) and inside it.
    std::size_t nShared = 0;
    std::size_t nInner = 0;
    // Vertices it keeps at least, and vertices it still has.
    std::size_t nFloor = 0;
    std::size_t nVertices = 0;
    // False when the tile could not be cut out as a mesh of its own.
    bool bFits = true;
    std::exception_ptr pError;
};

void cutOutTile(const TriangleMesh& mesh, const std::vector<unsigned char>& border, Tile& part,
    const MeshGenerator::DecimationSetup& setup)
{
    TriangleMesh& sub = part.mesh;
    sub.request_face_normals();
    sub.add_property(part.hGlobalIndex);
    // A patch of a closed surface has about half as many vertices and one
    // and a half times as many edges as faces, plus its rim.
    const std::size_t nFaces = part.faces.size();
    sub.reserve(nFaces / 2 + nFaces / 16 + 64, nFaces * 3 / 2 + nFaces / 16 + 64, nFaces);
    std::vector<int> localIndex(mesh.n_vertices(), -1);
    for (const int nFace : part.faces)
    {
        const TriangleMesh::FaceHandle fh(nFace);
        TriangleMesh::VertexHandle corners[3];
        int i = 0;
        for (auto it = mesh.cfv_iter(fh); it.is_valid(); ++it, ++i)
        {
            int& nLocal = localIndex[it->idx()];
            if (nLocal < 0)
            {
                const auto vh = sub.add_vertex(mesh.point(*it));
                sub.property(part.hGlobalIndex, vh) = it->idx();
                nLocal = vh.idx();
                ++(border[std::size_t(it->idx())] ? part.nShared : part.nInner);
            }
            corners[i] = TriangleMesh::VertexHandle(nLocal);
        }
        const auto fhSub = sub.add_face(corners, 3);
        if (!fhSub.is_valid())
        {
            part.bFits = false;
            return;
        }
        sub.set_normal(fhSub, mesh.normal(fh));
    }
    part.faces.clear();
    part.faces.shrink_to_fit();
    part.nVertices = sub.n_vertices();
    part.pDecimater = std::make_unique<TileDecimater>(
        sub, setup.bAspectRatioFirst, setup.bErrorBoundFirst, setup.bTiesInOrder);
    // The decimater has brought the status flags.
    for (const auto vh : sub.vertices())
    {
        if (border[std::size_t(sub.property(part.hGlobalIndex, vh))])
        {
            sub.status(vh).set_locked(true);
        }
    }
}

// Runs work(part) for every part on as many threads as there are cores; an
// exception is kept with its part.
template <typename Work>
void forEachTile(std::vector<Tile>& parts, Work work)
{
    std::atomic<std::size_t> nNext(0);
    auto worker = [&]() {
        // The tiles already keep every core busy.
        const Parallel::SerialScope serial;
        for (std::size_t k = nNext++; k < parts.size(); k = nNext++)
        {
            Tile& part = parts[k];
            if (part.pError || !part.bFits)
            {
                continue;
            }
            try
            {
                work(part);
            }
            catch (...)
            {
                part.pError = std::current_exception();
            }
        }
    };
    std::vector<std::thread> threads;
    const std::size_t nThreads = std::min<std::size_t>(parts.size(), availableCores());
    // Room first: a vector growing under running threads could fail and
    // leave them unjoined.
    threads.reserve(nThreads);
    for (std::size_t t = 1; t < nThreads; ++t)
    {
        try
        {
            threads.emplace_back(worker);
        }
        catch (const std::system_error&)
        {
            // Fewer threads: the ones there are take the remaining tiles.
            break;
        }
    }
    worker();
    for (std::thread& thread : threads)
    {
        thread.join();
    }
}

// Every round lets each tile collapse what costs less than a bound, and the
// bound grows until the tiles together are down to the reserve. So the tiles
// spend their vertices where the surface needs them, as one pass over the
// whole mesh would, whatever their share of flat ground. A tile never goes
// below its floor.
class TileRounds
{
public:
    static constexpr int ROUNDS = 30;

    void run(Tile& part, int nRound) const
    {
        if (!part.pDecimater)
        {
            return;
        }
        const std::size_t nCollapses = part.nVertices > part.nFloor ? part.nVertices - part.nFloor : 0;
        part.nVertices -= part.pDecimater->run(nCollapses, nRound == ROUNDS - 1 ? DBL_MAX : boundOf(nRound));
    }

    // Rounds nFirst and on, until the tiles together keep at most dReserve
    // vertices. nBorder: the vertices on cuts, each counted once.
    void runFrom(int nFirst, std::vector<Tile>& parts, std::size_t nBorder, double dReserve) const
    {
        for (int nRound = nFirst; nRound < ROUNDS; ++nRound)
        {
            // Border vertices are in several tiles and never go.
            std::size_t nTotal = nBorder;
            for (const Tile& part : parts)
            {
                // A tile that could not be made counts nothing; the join
                // gives up on it.
                nTotal += part.nVertices > part.nShared ? part.nVertices - part.nShared : 0;
            }
            if (double(nTotal) <= dReserve)
            {
                break;
            }
            forEachTile(parts, [&](Tile& part) { run(part, nRound); });
        }
    }

private:
    static double boundOf(int nRound) { return 1e-5 * std::pow(4.0, double(nRound)); }
};

// Fits the decimated tiles together: each vertex once, each tile's own faces
// in the order of the tiles. Rethrows a tile's exception; nothing when the
// tiles do not fit. nGlobalVertices: the range of the vertices' numbers.
std::unique_ptr<TriangleMesh> joinTiles(std::vector<Tile>& parts, std::size_t nGlobalVertices)
{
    // The tiles are read as they are, deleted elements skipped, so their
    // decimaters (which own the status flags) live until the join is done.
    for (Tile& part : parts)
    {
        if (part.pError)
        {
            std::rethrow_exception(part.pError);
        }
        if (!part.bFits)
        {
            return nullptr;
        }
    }
    auto pJoined = std::make_unique<TriangleMesh>();
    TriangleMesh& joined = *pJoined;
    joined.request_face_normals();
    joined.request_vertex_normals();
    {
        std::size_t nJoinedVertices = 0;
        std::size_t nJoinedEdges = 0;
        std::size_t nJoinedFaces = 0;
        for (const Tile& part : parts)
        {
            // A closed patch has about twice as many faces as vertices and
            // three times as many edges, plus its rim.
            nJoinedVertices += part.nVertices;
            nJoinedEdges += 3 * part.nVertices + part.nShared;
            nJoinedFaces += 2 * part.nVertices + part.nShared;
        }
        joined.reserve(nJoinedVertices, nJoinedEdges, nJoinedFaces);
    }
    std::vector<int> joinedIndex(nGlobalVertices, -1);
    for (Tile& part : parts)
    {
        TriangleMesh& sub = part.mesh;
        for (const auto fh : sub.faces())
        {
            if (part.bMargin && !sub.property(part.hOwnFace, fh))
            {
                continue;
            }
            TriangleMesh::VertexHandle corners[3];
            int i = 0;
            for (auto it = sub.cfv_iter(fh); it.is_valid(); ++it, ++i)
            {
                int& nJoined = joinedIndex[std::size_t(sub.property(part.hGlobalIndex, *it))];
                if (nJoined < 0)
                {
                    nJoined = joined.add_vertex(sub.point(*it)).idx();
                }
                corners[i] = TriangleMesh::VertexHandle(nJoined);
            }
            if (!joined.add_face(corners, 3).is_valid())
            {
                return nullptr;
            }
        }
        part.pDecimater.reset();
        sub.clear();
    }
    // Tiles built on their own must close up exactly where the whole mesh
    // would.
    bool bMargins = false;
    for (const Tile& part : parts)
    {
        bMargins = bMargins || part.bMargin;
    }
    if (bMargins)
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
    return pJoined;
}

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
} // namespace

// Decimates tiles of the mesh in parallel, fits them together and returns
// the joined mesh (face normals current), or nothing when the mesh is not
// worth cutting or the tiles do not fit.
std::unique_ptr<TriangleMesh> MeshTiles::decimateInParts(const TriangleMesh& mesh, unsigned nVertices, unsigned nParts,
    const MeshGenerator::DecimationSetup& setup)
{
    const std::size_t nMeshVertices = mesh.n_vertices();
    const double dReserve = std::max(1.0, setup.dPartReserve) * nVertices;
    if (nParts < 2 || nMeshVertices < setup.nMinimumVerticesForParts || double(nMeshVertices) <= dReserve * 1.2)
    {
        return nullptr;
    }

    // Tiles in two rows (one when the number is odd), cut at quantiles of the
    // vertex coordinates so that the tiles hold about equal numbers of
    // vertices. Every tile then reaches the outside of the object: tiles that
    // lay wholly inside, their front and back patches ringed by locked seams,
    // were measured to end with errors as deep as the relief's grooves.
    const unsigned nRows = nParts % 2 == 0 ? 2 : 1;
    const unsigned nColumns = nParts / nRows;
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
    if (dReserve <= double(nBorder) * 1.5 || nMeshVertices == nBorder || nVertices <= nBorder)
    {
        return nullptr;
    }
    // Each tile keeps at least its cut and a share of the budget in
    // proportion to its inner vertices, so the tiles together never fall
    // below the budget.
    const double dInnerShare = double(nVertices - nBorder) / double(nMeshVertices - nBorder);

    // A tile goes on to its first round as soon as it is cut out.
    TileRounds rounds;
    std::vector<Tile> parts(nParts);
    forEachTile(parts, [&](Tile& part) {
        const unsigned short nPart = static_cast<unsigned short>(&part - parts.data());
        for (std::size_t f = 0; f < nMeshFaces; ++f)
        {
            if (facePart[f] == nPart)
            {
                part.faces.push_back(int(f));
            }
        }
        if (part.faces.empty())
        {
            return;
        }
        cutOutTile(mesh, border, part, setup);
        part.nFloor = part.nShared + std::size_t(std::ceil(double(part.nInner) * dInnerShare));
        rounds.run(part, 0);
    });
    facePart.clear();
    facePart.shrink_to_fit();
    rounds.runFrom(1, parts, nBorder, dReserve);
    return joinTiles(parts, nMeshVertices);
}

// Builds, smooths and decimates the mesh in tiles, each on its own core, so
// that no step but the join and the final pass works on the whole mesh.
// Each tile is built from its part of the rasters with a margin wider than
// smoothing reaches: its own vertices then get exactly the positions and
// normals a build of the whole would give them, and the margin, whose faces
// belong to the neighbours, stays locked. Nothing when the rasters are too
// small or too narrow for tiles or the tiles do not fit.
std::unique_ptr<TriangleMesh> MeshTiles::generateInTiles(const MeshGenerator::Image& imageFront,
    const MeshGenerator::Image& imageBack, const MeshGenerator::Parameters& parameters,
    const MeshGenerator::DecimationSetup& setup, MeshGenerator::Timings& timings)
{
    const unsigned nWidth = imageFront.nWidth;
    const unsigned nHeight = imageFront.nHeight;
    const unsigned nParts = setup.nParts == 0 ? 8 : setup.nParts;
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
    if (nParts < 2 || setup.bLibraryQueries || nWidth < 2 || nHeight < 2
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
            if (isMaterial(pFront[i]) && isMaterial(pBack[i]))
            {
                ++columnSolid[x];
                ++rowSolid[y];
                ++nSolid;
            }
        }
    }
    const double dReserve = std::max(1.0, setup.dPartReserve) * nVertices;
    if (2 * nSolid < setup.nMinimumVerticesForParts || double(2 * nSolid) <= dReserve * 1.2)
    {
        return nullptr;
    }

    // Tiles in two rows (one when the number is odd) of cells (a cell makes
    // the faces between pixel x - 1, x and rows y - 1, y and is named by x, y
    // from 1), cut where the tiles get about equal numbers of solid pixels.
    // Every tile then reaches the outside of the object: tiles that lay
    // wholly inside, their front and back patches ringed by locked seams,
    // were measured to end with errors as deep as the relief's grooves.
    const unsigned nRows = nParts % 2 == 0 ? 2 : 1;
    const unsigned nColumns = nParts / nRows;
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

    struct Window
    {
        // Own cells [nCellX0, nCellX1) x [nCellY0, nCellY1); pixels of the
        // window [nX0, nX1) x [nY0, nY1).
        unsigned nCellX0, nCellX1, nCellY0, nCellY1;
        unsigned nX0, nX1, nY0, nY1;
        std::vector<std::pair<int, TriangleMesh::Point>> borderVertices;
        // The edges where its own faces end, from one vertex number to the
        // next in the direction of its own face.
        std::vector<std::pair<int, int>> seams;
    };
    std::vector<Tile> parts(nParts);
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

    // Build: each tile from a copy of its window, moved to where the window
    // lies before anything is computed from the points, so that every
    // number is the one the whole mesh would have.
    forEachTile(parts, [&](Tile& part) {
        Window& window = windows[std::size_t(&part - parts.data())];
        const unsigned nWindowWidth = window.nX1 - window.nX0;
        const unsigned nWindowHeight = window.nY1 - window.nY0;
        std::vector<float> front(std::size_t(nWindowWidth) * nWindowHeight);
        std::vector<float> back(front.size());
        for (unsigned y = 0; y < nWindowHeight; ++y)
        {
            const std::size_t nFrom = std::size_t(window.nY0 + y) * nWidth + window.nX0;
            std::copy(pFront + nFrom, pFront + nFrom + nWindowWidth, front.begin() + std::ptrdiff_t(y) * nWindowWidth);
            std::copy(pBack + nFrom, pBack + nFrom + nWindowWidth, back.begin() + std::ptrdiff_t(y) * nWindowWidth);
        }
        MeshGenerator::Image windowFront;
        windowFront.pData = front.data();
        windowFront.nWidth = nWindowWidth;
        windowFront.nHeight = nWindowHeight;
        MeshGenerator::Image windowBack = windowFront;
        windowBack.pData = back.data();
        std::vector<unsigned> faceCells;
        TriangleMesh& sub = part.mesh;
        MeshBuilder::build(windowFront, windowBack, &faceCells, sub);

        part.bMargin = true;
        sub.add_property(part.hOwnFace);
        sub.add_property(part.hGlobalIndex);
        for (const auto fh : sub.all_faces())
        {
            const unsigned nCell = faceCells[std::size_t(fh.idx())];
            const unsigned x = nCell % nWindowWidth + window.nX0;
            const unsigned y = nCell / nWindowWidth + window.nY0;
            sub.property(part.hOwnFace, fh)
                = x >= window.nCellX0 && x < window.nCellX1 && y >= window.nCellY0 && y < window.nCellY1;
        }
        const TriangleMesh::Point offset(float(window.nX0), float(window.nY0), 0.0f);
        for (const auto vh : sub.all_vertices())
        {
            TriangleMesh::Point& point = sub.point(vh);
            point += offset;
            // Front vertices lie below z = 0, back vertices above.
            const std::size_t nPixel = std::size_t(point[1]) * nWidth + std::size_t(point[0]);
            sub.property(part.hGlobalIndex, vh) = int(nPixel * 2 + (point[2] > 0.0f ? 1 : 0));
        }
        MeshGenerator::removeIsolatedVertices(sub);
    });
    timings.dBuild = secondsSince(start);

    Clock::time_point phase = Clock::now();
    forEachTile(parts, [&](Tile& part) { MeshGenerator::computeNormals(part.mesh); });
    timings.dNormals = secondsSince(phase);
    phase = Clock::now();
    forEachTile(parts, [&](Tile& part) { MeshGenerator::smooth(part.mesh, parameters.NumberOfSmoothingSteps); });
    timings.dSmoothing = secondsSince(phase);

    // A tile's own vertices lie only on its own faces; vertices on its own
    // and on other faces are on a cut, and the others lie in the margin.
    // Both of the latter stay where they are.
    phase = Clock::now();
    forEachTile(parts, [&](Tile& part) {
        Window& window = windows[std::size_t(&part - parts.data())];
        TriangleMesh& sub = part.mesh;
        part.pDecimater = std::make_unique<TileDecimater>(
            sub, setup.bAspectRatioFirst, setup.bErrorBoundFirst, setup.bTiesInOrder);
        for (const auto vh : sub.vertices())
        {
            bool bOwn = false;
            bool bOther = false;
            for (auto it = sub.cvf_iter(vh); it.is_valid(); ++it)
            {
                (sub.property(part.hOwnFace, *it) ? bOwn : bOther) = true;
            }
            if (bOwn && !bOther)
            {
                ++part.nInner;
                continue;
            }
            sub.status(vh).set_locked(true);
            if (bOwn)
            {
                ++part.nShared;
                window.borderVertices.emplace_back(sub.property(part.hGlobalIndex, vh), sub.point(vh));
            }
        }
        part.nVertices = part.nInner + part.nShared;
        for (const auto heh : sub.halfedges())
        {
            const auto fh = sub.face_handle(heh);
            const auto fhOpposite = sub.opposite_face_handle(heh);
            if (fh.is_valid() && sub.property(part.hOwnFace, fh)
                && !(fhOpposite.is_valid() && sub.property(part.hOwnFace, fhOpposite)))
            {
                window.seams.emplace_back(sub.property(part.hGlobalIndex, sub.from_vertex_handle(heh)),
                    sub.property(part.hGlobalIndex, sub.to_vertex_handle(heh)));
            }
        }
    });
    for (const Tile& part : parts)
    {
        if (part.pError)
        {
            std::rethrow_exception(part.pError);
        }
    }
    // The tiles fit together when every seam of one is the seam of another
    // run the other way and the tiles agree on where the vertices of the
    // cuts lie. Where the build of a window came out otherwise than the
    // whole mesh's would, they do not, and the whole mesh is built.
    {
        std::vector<std::pair<int, int>> seams;
        for (Window& window : windows)
        {
            seams.insert(seams.end(), window.seams.begin(), window.seams.end());
            window.seams.clear();
            window.seams.shrink_to_fit();
        }
        std::sort(seams.begin(), seams.end());
        if (std::adjacent_find(seams.begin(), seams.end()) != seams.end())
        {
            return nullptr;
        }
        for (const auto& seam : seams)
        {
            if (!std::binary_search(seams.begin(), seams.end(), std::make_pair(seam.second, seam.first)))
            {
                return nullptr;
            }
        }
    }
    const std::size_t nGlobalVertices = std::size_t(nWidth) * nHeight * 2;
    std::size_t nBorder = 0;
    std::size_t nMeshVertices = 0;
    {
        std::vector<std::pair<int, TriangleMesh::Point>> border;
        for (std::size_t k = 0; k < parts.size(); ++k)
        {
            border.insert(border.end(), windows[k].borderVertices.begin(), windows[k].borderVertices.end());
            nMeshVertices += parts[k].nInner;
        }
        std::sort(border.begin(), border.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
        for (std::size_t i = 0; i < border.size(); ++i)
        {
            if (i == 0 || border[i].first != border[i - 1].first)
            {
                ++nBorder;
            }
            else if (!(border[i].second == border[i - 1].second))
            {
                return nullptr;
            }
        }
        nMeshVertices += nBorder;
    }
    if (dReserve <= double(nBorder) * 1.5 || nMeshVertices == nBorder || nVertices <= nBorder
        || double(nMeshVertices) <= dReserve * 1.2)
    {
        return nullptr;
    }
    const double dInnerShare = double(nVertices - nBorder) / double(nMeshVertices - nBorder);
    for (Tile& part : parts)
    {
        part.nFloor = part.nShared + std::size_t(std::ceil(double(part.nInner) * dInnerShare));
    }
    TileRounds().runFrom(0, parts, nBorder, dReserve);
    std::unique_ptr<TriangleMesh> pJoined = joinTiles(parts, nGlobalVertices);
    if (!pJoined)
    {
        return nullptr;
    }
    parts.clear();
    runDecimater(*pJoined, nVertices, setup.bAspectRatioFirst, setup.bTiesInOrder);
    pJoined->update_face_normals();
    pJoined->update_vertex_normals();
    timings.dDecimation = secondsSince(phase);
    return pJoined;
}
