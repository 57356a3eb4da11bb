#include "MeshBuilder.h"
#include "MeshTiles.h"

#include <algorithm>
#include <cmath>
#include <utility>

// Tiles cut out of a mesh that is there whole: smoothed in one piece, or
// joined from a first round of tiles.

namespace
{
using MeshTiles::Tile;

// The faces of a whole mesh that lie in one tile, as a mesh of its own, its
// vertices on the cuts locked, numbered by hIds where that is valid and by
// their index in the whole mesh otherwise, starting from the quadrics in
// pQuadrics and the vertices worn out in pWornOut (by vertex of the whole
// mesh) where given.
void cutOutTile(const TriangleMesh& mesh, const std::vector<unsigned char>& border,
    const std::vector<TriangleMesh::FaceHandle>& faces, OpenMesh::VPropHandleT<int> hIds,
    const std::vector<MeshDecimater::Quadric>* pQuadrics, const std::vector<unsigned char>* pWornOut, Tile& tile)
{
    // A patch of a closed surface has about half as many vertices as faces.
    const std::size_t nFaces = faces.size();
    tile.pMesh = MeshTiles::meshOfFaces(mesh, faces, nFaces / 2 + nFaces / 16 + 64, tile.hGlobalIndex,
        [&](TriangleMesh::VertexHandle vhWhole, TriangleMesh& sub, TriangleMesh::VertexHandle vh) {
            sub.property(tile.hGlobalIndex, vh) = hIds.is_valid() ? mesh.property(hIds, vhWhole) : vhWhole.idx();
            if (pQuadrics)
            {
                tile.baseQuadrics.push_back((*pQuadrics)[std::size_t(vhWhole.idx())]);
            }
            if (pWornOut)
            {
                tile.wornOut.push_back((*pWornOut)[std::size_t(vhWhole.idx())]);
            }
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

std::unique_ptr<TriangleMesh> MeshTiles::decimateCut(const TriangleMesh& mesh, const std::vector<float>& cutsX,
    const std::vector<float>& cutsY, const std::vector<MeshDecimater::Quadric>* pQuadrics,
    const std::vector<unsigned char>* pWornOut, unsigned nVertices, double dReserve,
    const MeshCrossings::Guard& crossingGuard, OpenMesh::VPropHandleT<int> hIds, std::size_t nGlobalVertices,
    std::vector<int>* pCollapsedInto, int nRound)
{
    const std::size_t nMeshVertices = mesh.n_vertices();
    const unsigned nColumns = unsigned(cutsX.size()) + 1;
    const unsigned nRows = unsigned(cutsY.size()) + 1;
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

    Parallel::Pool pool;
    std::vector<Tile> tiles(std::size_t(nRows) * nColumns);
    for (unsigned nRow = 0; nRow < nRows; ++nRow)
    {
        for (unsigned nColumn = 0; nColumn < nColumns; ++nColumn)
        {
            Tile& tile = tiles[nRow * nColumns + nColumn];
            tile.crossingGuard = crossingGuard;
            tile.pCollapsedInto = hIds.is_valid() ? pCollapsedInto : nullptr;
            tile.rect.min[0] = nColumn > 0 ? double(cutsX[nColumn - 1]) : -HUGE_VAL;
            tile.rect.max[0] = nColumn + 1 < nColumns ? double(cutsX[nColumn]) : HUGE_VAL;
            tile.rect.min[1] = nRow > 0 ? double(cutsY[nRow - 1]) : -HUGE_VAL;
            tile.rect.max[1] = nRow + 1 < nRows ? double(cutsY[nRow]) : HUGE_VAL;
        }
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
        cutOutTile(mesh, border, faces, hIds, pQuadrics, pWornOut, tile);
        if (tile.bFits)
        {
            startTile(tile, OpenMesh::FPropHandleT<bool>(), dInnerShare);
        }
    });
    facePart.clear();
    facePart.shrink_to_fit();
    // No tile sees across its cuts: each is fenced in, in every round.
    const std::size_t nFenced = fenceTiles(pool, tiles);
    runRounds(pool, tiles, innerTarget(nVertices, dReserve, nMeshVertices, nBorder + nFenced));
    return joinAndFinish(tiles, nGlobalVertices, nVertices, dReserve, false, crossingGuard,
        hIds.is_valid() ? pCollapsedInto : nullptr, nRound);
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
    return decimateCut(mesh, quantileCuts(0, nColumns), quantileCuts(1, nRows), nullptr, nullptr, nVertices, dReserve,
        setup.crossingGuard, hIds, nGlobalVertices, setup.pCollapsedInto, 0);
}
