#include "MeshTiles.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>

// Fences that keep the faces each tile makes away from every face of the
// other tiles, made or not, though no tile sees the others' faces.

namespace
{
// A tile's fence is kept in cells of one unit, or of this share of the
// mesh's width where that is larger.
constexpr double FENCE_CELLS = 8192.0;
} // namespace

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
    const MeshCrossings::Box none{MeshCrossings::Vec(HUGE_VAL), MeshCrossings::Vec(-HUGE_VAL)};
    std::vector<MeshCrossings::Box> bounds(tiles.size(), none);
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
                        const std::size_t nCell = std::size_t(y) * std::size_t(nColumns) + std::size_t(x);
                        pTaken[nCell].store(1, std::memory_order_relaxed);
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
