#include "CrossingGuard/MeshNearPairs.h"

#include "Parallel.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <memory>

using MeshCrossings::Box;
using MeshCrossings::hasThreeCorners;
using MeshCrossings::Vec;

namespace
{
// Cells and triangles are handed to the cores in chunks of at least this
// many.
constexpr std::size_t CHUNK = 512;

Box emptyBox()
{
    return Box{Vec(std::numeric_limits<double>::max()), Vec(std::numeric_limits<double>::lowest())};
}
} // namespace

void MeshNearPairs::Grid::build(const std::vector<int>& items, const std::vector<Box>& boxes, double dCellSize)
{
    m_cellStart.clear();
    m_items.clear();
    const std::size_t nItems = items.size();
    if (nItems == 0)
    {
        return;
    }
    const std::size_t nChunks = std::max<std::size_t>(1, std::min<std::size_t>(64, nItems / CHUNK));
    std::vector<Box> bounds(nChunks, emptyBox());
    Parallel::forRange(
        nChunks,
        [&](std::size_t nBegin, std::size_t nEnd) {
            for (std::size_t c = nBegin; c < nEnd; ++c)
            {
                for (std::size_t i = nItems * c / nChunks; i < nItems * (c + 1) / nChunks; ++i)
                {
                    const Box& box = boxes[std::size_t(items[i])];
                    bounds[c].min.minimize(box.min);
                    bounds[c].max.maximize(box.max);
                }
            }
        },
        1);
    Box all = emptyBox();
    for (const Box& box : bounds)
    {
        all.min.minimize(box.min);
        all.max.maximize(box.max);
    }
    // No more cells than a couple per triangle.
    m_dCell = dCellSize;
    const auto count = [&](int k) { return std::floor((all.max[k] - all.min[k]) / m_dCell) + 1.0; };
    while (count(0) * count(1) > 2.0 * double(nItems) + 16.0)
    {
        m_dCell *= 2.0;
    }
    m_origin = all.min;
    m_nColumns = int(count(0));
    m_nRows = int(count(1));
    const std::size_t nCells = std::size_t(m_nColumns) * std::size_t(m_nRows);

    // Each triangle in every cell its box covers: counted, then placed.
    std::unique_ptr<std::atomic<int>[]> pCounts(new std::atomic<int>[nCells]());
    const auto forEachCell = [&](const Box& box, auto visit) {
        int x0, y0, x1, y1;
        cellRange(box, x0, y0, x1, y1);
        for (int y = y0; y <= y1; ++y)
        {
            for (int x = x0; x <= x1; ++x)
            {
                visit(std::size_t(y) * std::size_t(m_nColumns) + std::size_t(x));
            }
        }
    };
    Parallel::forRange(nItems, [&](std::size_t nBegin, std::size_t nEnd) {
        for (std::size_t i = nBegin; i < nEnd; ++i)
        {
            forEachCell(boxes[std::size_t(items[i])],
                [&](std::size_t c) { pCounts[c].fetch_add(1, std::memory_order_relaxed); });
        }
    });
    m_cellStart.resize(nCells + 1);
    m_cellStart[0] = 0;
    for (std::size_t c = 0; c < nCells; ++c)
    {
        m_cellStart[c + 1] = m_cellStart[c] + pCounts[c].load(std::memory_order_relaxed);
        pCounts[c].store(m_cellStart[c], std::memory_order_relaxed);
    }
    m_items.resize(std::size_t(m_cellStart[nCells]));
    Parallel::forRange(nItems, [&](std::size_t nBegin, std::size_t nEnd) {
        for (std::size_t i = nBegin; i < nEnd; ++i)
        {
            const int t = items[i];
            forEachCell(boxes[std::size_t(t)], [&](std::size_t c) {
                m_items[std::size_t(pCounts[c].fetch_add(1, std::memory_order_relaxed))] = t;
            });
        }
    });
    // In order of height within each cell, so that a sweep meets each box
    // only with those that start below its top.
    Parallel::forRange(
        nCells,
        [&](std::size_t nBegin, std::size_t nEnd) {
            for (std::size_t c = nBegin; c < nEnd; ++c)
            {
                std::sort(m_items.begin() + m_cellStart[c], m_items.begin() + m_cellStart[c + 1], [&](int a, int b) {
                    const double dA = boxes[std::size_t(a)].min[2];
                    const double dB = boxes[std::size_t(b)].min[2];
                    return dA < dB || (dA == dB && a < b);
                });
            }
        },
        CHUNK);
}

void MeshNearPairs::Grid::cellRange(const Box& box, int& x0, int& y0, int& x1, int& y1) const
{
    cellOf(box.min[0], box.min[1], x0, y0);
    cellOf(box.max[0], box.max[1], x1, y1);
}

void MeshNearPairs::Grid::cellOf(double dX, double dY, int& x, int& y) const
{
    const auto cell = [&](double d, int k, int nCount) {
        return int(std::clamp(std::floor((d - m_origin[k]) / m_dCell), 0.0, double(nCount - 1)));
    };
    x = cell(dX, 0, m_nColumns);
    y = cell(dY, 1, m_nRows);
}

MeshNearPairs::MeshNearPairs(const std::vector<std::array<int, 3>>& triangles, const MeshCrossings::Guard& guard)
    : m_triangles(triangles)
    , m_guard(guard)
{
    std::size_t nPoints = 0;
    for (const std::array<int, 3>& corners : triangles)
    {
        if (hasThreeCorners(corners))
        {
            nPoints = std::max(nPoints, std::size_t(*std::max_element(corners.begin(), corners.end())) + 1);
        }
    }
    MeshCrossings::trianglesRound(triangles, nPoints, m_fanFrom, m_fanTriangles);
    m_fanApart.assign(nPoints, 0);
}

void MeshNearPairs::sweep(const Point* pBefore, const Point* pAfter, bool bAfterOnly)
{
    const std::size_t nTriangles = m_triangles.size();
    m_boxes.resize(nTriangles);
    m_moves.assign(nTriangles, 0);
    m_lookedAfter.assign(nTriangles, 0);
    const float fHalfGap = float(0.5 * m_guard.dGap);
    // The boxes and marks, and the widest looked-after box of each chunk.
    const std::size_t nChunks
        = std::max<std::size_t>(1, std::min<std::size_t>(4 * Parallel::availableCores(), nTriangles / CHUNK));
    std::vector<double> widest(nChunks, 0.0);
    Parallel::forRange(
        nChunks,
        [&](std::size_t nBegin, std::size_t nEnd) {
            for (std::size_t c = nBegin; c < nEnd; ++c)
            {
                for (std::size_t t = nTriangles * c / nChunks; t < nTriangles * (c + 1) / nChunks; ++t)
                {
                    const std::array<int, 3>& corners = m_triangles[t];
                    if (!hasThreeCorners(corners))
                    {
                        continue;
                    }
                    const Point* pBoxed = bAfterOnly ? pAfter : pBefore;
                    Point low = pBoxed[corners[0]];
                    Point high = low;
                    bool bMoves = false;
                    for (const int nCorner : corners)
                    {
                        low.minimize(pBoxed[nCorner]);
                        high.maximize(pBoxed[nCorner]);
                        if (pAfter[nCorner] != pBefore[nCorner])
                        {
                            bMoves = true;
                            low.minimize(pAfter[nCorner]);
                            high.maximize(pAfter[nCorner]);
                        }
                    }
                    // Rounding to single precision is far below the gap.
                    const Box box{OpenMesh::vector_cast<Vec>(low) - Vec(fHalfGap),
                        OpenMesh::vector_cast<Vec>(high) + Vec(fHalfGap)};
                    m_boxes[t] = box;
                    m_moves[t] = bMoves ? 1 : 0;
                    if (m_guard.covers(box))
                    {
                        m_lookedAfter[t] = 1;
                        widest[c] = std::max({widest[c], box.max[0] - box.min[0], box.max[1] - box.min[1]});
                    }
                }
            }
        },
        1);
    if (m_dCellSize == 0.0)
    {
        // Twice a middling triangle across the plane, from a sample.
        std::vector<double> extents;
        for (std::size_t t = 0; t < nTriangles; t += 7)
        {
            if (hasThreeCorners(m_triangles[t]))
            {
                const Box& box = m_boxes[t];
                extents.push_back(std::max(box.max[0] - box.min[0], box.max[1] - box.min[1]));
            }
        }
        if (!extents.empty())
        {
            std::nth_element(extents.begin(), extents.begin() + std::ptrdiff_t(extents.size() / 2), extents.end());
            m_dCellSize = std::max(2.0 * extents[extents.size() / 2], 4.0 * m_guard.dGap);
        }
    }
    // A triangle can meet a looked-after one only within the widest
    // looked-after box of the area; the others are out of reach.
    const double dWidest = *std::max_element(widest.begin(), widest.end());
    const Vec reach(dWidest, dWidest, 0.0);
    const std::vector<int> inReach = Parallel::collect<int>(nTriangles, [&](std::size_t t, std::vector<int>& out) {
        if (!hasThreeCorners(m_triangles[t]))
        {
            return;
        }
        const Box& box = m_boxes[t];
        if (m_lookedAfter[t] || !m_guard.pArea || m_guard.pArea->touches(Box{box.min - reach, box.max + reach}))
        {
            out.push_back(int(t));
        }
    });
    m_moving.clear();
    m_static.clear();
    for (const int t : inReach)
    {
        (m_moves[std::size_t(t)] ? m_moving : m_static).push_back(t);
    }
    // Only the moving triangles in reach count as moving from here on.
    if (m_guard.pArea)
    {
        m_moves.assign(nTriangles, 0);
        for (const int t : m_moving)
        {
            m_moves[std::size_t(t)] = 1;
        }
    }
}

bool MeshNearPairs::fanApart(int v, const Point* pPoints) const
{
    const Vec centre = OpenMesh::vector_cast<Vec>(pPoints[v]);
    const int nFrom = m_fanFrom[std::size_t(v)];
    return MeshCrossings::fanApart(
        m_fanFrom[std::size_t(v) + 1] - nFrom,
        [&](int n, Vec& a, Vec& b, int& nA, int& nB) {
            const std::array<int, 3>& corners = m_triangles[std::size_t(m_fanTriangles[std::size_t(nFrom + n)])];
            const std::size_t i = corners[0] == v ? 0 : corners[1] == v ? 1 : 2;
            nA = corners[(i + 1) % 3];
            nB = corners[(i + 2) % 3];
            a = OpenMesh::vector_cast<Vec>(pPoints[nA]) - centre;
            b = OpenMesh::vector_cast<Vec>(pPoints[nB]) - centre;
        },
        m_guard.dGap);
}

void MeshNearPairs::judgeFans(const Point* pPoints, const std::vector<int>* pChanged)
{
    if (pChanged)
    {
        std::vector<int> vertices;
        vertices.reserve(3 * pChanged->size());
        for (const int t : *pChanged)
        {
            const std::array<int, 3>& corners = m_triangles[std::size_t(t)];
            vertices.insert(vertices.end(), corners.begin(), corners.end());
        }
        std::sort(vertices.begin(), vertices.end());
        vertices.erase(std::unique(vertices.begin(), vertices.end()), vertices.end());
        Parallel::forRange(vertices.size(), [&](std::size_t nBegin, std::size_t nEnd) {
            for (std::size_t i = nBegin; i < nEnd; ++i)
            {
                m_fanApart[std::size_t(vertices[i])] = fanApart(vertices[i], pPoints) ? 1 : 0;
            }
        });
        return;
    }
    // Fans without a moving triangle stand as they were: a pair in them
    // does not move and is not tested.
    Parallel::forRange(m_fanApart.size(), [&](std::size_t nBegin, std::size_t nEnd) {
        for (std::size_t v = nBegin; v < nEnd; ++v)
        {
            bool bMoves = false;
            for (int n = m_fanFrom[v]; n < m_fanFrom[v + 1] && !bMoves; ++n)
            {
                bMoves = m_moves[std::size_t(m_fanTriangles[std::size_t(n)])] != 0;
            }
            if (bMoves)
            {
                m_fanApart[v] = fanApart(int(v), pPoints) ? 1 : 0;
            }
        }
    });
}

bool MeshNearPairs::newlyMeets(int t, int u, const Point* pBefore, const Point* pAfter) const
{
    const std::size_t a = std::size_t(t);
    const std::size_t b = std::size_t(u);
    if (!(m_moves[a] || m_moves[b]) || !(m_lookedAfter[a] || m_lookedAfter[b]))
    {
        return false;
    }
    // Triangles that share one corner whose fan is apart do not meet, nor
    // do triangles on an edge with a fan apart at either end: they lie on
    // either side of the edge, not folded onto each other.
    int nShared = 0;
    int nApart = 0;
    for (const int c : m_triangles[a])
    {
        for (const int d : m_triangles[b])
        {
            if (c == d)
            {
                ++nShared;
                nApart += m_fanApart[std::size_t(c)] ? 1 : 0;
            }
        }
    }
    if ((nShared == 1 || nShared == 2) && nApart > 0)
    {
        return false;
    }
    const auto triangle = [&](std::size_t i, const Point* pPoints) {
        return MeshCrossings::triangleOf(m_triangles[i], pPoints);
    };
    return MeshCrossings::meet(triangle(a, pAfter), triangle(b, pAfter), m_guard.dGap)
        && !MeshCrossings::meet(triangle(a, pBefore), triangle(b, pBefore), m_guard.dGap);
}

std::vector<std::pair<int, int>> MeshNearPairs::newlyMeetingOnce(const Point* pBefore, const Point* pAfter)
{
    return newlyMeeting(pBefore, pAfter, nullptr, true);
}

std::vector<std::pair<int, int>> MeshNearPairs::newlyMeeting(
    const Point* pBefore, const Point* pAfter, const std::vector<int>* pChanged)
{
    return newlyMeeting(pBefore, pAfter, pChanged, false);
}

std::vector<std::pair<int, int>> MeshNearPairs::newlyMeeting(
    const Point* pBefore, const Point* pAfter, const std::vector<int>* pChanged, bool bAfterOnly)
{
    std::vector<std::pair<int, int>> meeting;
    if (!pChanged)
    {
        m_staticGrid.clear();
        sweep(pBefore, pAfter, bAfterOnly);
        if (m_moving.empty())
        {
            m_movingGrid.clear();
            return meeting;
        }
        m_movingGrid.build(m_moving, m_boxes, m_dCellSize);
        judgeFans(pAfter, nullptr);
        const Grid& grid = m_movingGrid;
        // The cell of the low corner of each box in reach, and so of the
        // overlap of two boxes: the later of theirs.
        m_lowCells.resize(m_boxes.size());
        for (const std::vector<int>* pItems : {&m_moving, &m_static})
        {
            Parallel::forRange(pItems->size(), [&](std::size_t nBegin, std::size_t nEnd) {
                for (std::size_t i = nBegin; i < nEnd; ++i)
                {
                    const int t = (*pItems)[i];
                    int x, y;
                    grid.cellOf(m_boxes[std::size_t(t)].min[0], m_boxes[std::size_t(t)].min[1], x, y);
                    m_lowCells[std::size_t(t)] = {x, y};
                }
            });
        }
        const auto lowCell = [&](int t, int u, int& x, int& y) {
            x = std::max(m_lowCells[std::size_t(t)][0], m_lowCells[std::size_t(u)][0]);
            y = std::max(m_lowCells[std::size_t(t)][1], m_lowCells[std::size_t(u)][1]);
        };
        // Moving pairs in the grid, each once: in the cell that holds the low
        // corner of the overlap of its boxes.
        meeting = Parallel::collect<std::pair<int, int>>(
            grid.cells(),
            [&](std::size_t c, std::vector<std::pair<int, int>>& out) {
                const int nX = int(c % std::size_t(grid.columns()));
                const int nY = int(c / std::size_t(grid.columns()));
                const int* pItems = grid.cellBegin(c);
                const int* pEnd = grid.cellEnd(c);
                for (const int* pT = pItems; pT != pEnd; ++pT)
                {
                    const Box& boxT = m_boxes[std::size_t(*pT)];
                    for (const int* pU = pT + 1; pU != pEnd; ++pU)
                    {
                        const Box& boxU = m_boxes[std::size_t(*pU)];
                        if (boxU.min[2] > boxT.max[2])
                        {
                            break;
                        }
                        if (!boxT.overlaps(boxU))
                        {
                            continue;
                        }
                        int x, y;
                        lowCell(*pT, *pU, x, y);
                        if (x == nX && y == nY && newlyMeets(*pT, *pU, pBefore, pAfter))
                        {
                            out.emplace_back(std::min(*pT, *pU), std::max(*pT, *pU));
                        }
                    }
                }
            },
            CHUNK);
        // Each triangle that stays against the moving ones near it.
        const std::vector<std::pair<int, int>> withStatic = Parallel::collect<std::pair<int, int>>(
            m_static.size(),
            [&](std::size_t i, std::vector<std::pair<int, int>>& out) {
                const int t = m_static[i];
                const Box& box = m_boxes[std::size_t(t)];
                grid.forEachNear(box, [&](int u, int x, int y) {
                    const Box& boxU = m_boxes[std::size_t(u)];
                    if (!box.overlaps(boxU))
                    {
                        return;
                    }
                    int nX, nY;
                    lowCell(t, u, nX, nY);
                    if (nX == x && nY == y && newlyMeets(t, u, pBefore, pAfter))
                    {
                        out.emplace_back(std::min(t, u), std::max(t, u));
                    }
                });
            },
            CHUNK);
        meeting.insert(meeting.end(), withStatic.begin(), withStatic.end());
    }
    else if (!m_moving.empty())
    {
        judgeFans(pAfter, pChanged);
        if (m_staticGrid.cells() == 0 && !m_static.empty())
        {
            m_staticGrid.build(m_static, m_boxes, m_dCellSize);
        }
        meeting = Parallel::collect<std::pair<int, int>>(
            pChanged->size(),
            [&](std::size_t i, std::vector<std::pair<int, int>>& out) {
                const int t = (*pChanged)[i];
                const Box& box = m_boxes[std::size_t(t)];
                for (const Grid* pGrid : {&m_movingGrid, &m_staticGrid})
                {
                    pGrid->forEachNear(box, [&](int u, int, int) {
                        if (u != t && box.overlaps(m_boxes[std::size_t(u)]) && newlyMeets(t, u, pBefore, pAfter))
                        {
                            out.emplace_back(std::min(t, u), std::max(t, u));
                        }
                    });
                }
            },
            64);
    }
    std::sort(meeting.begin(), meeting.end());
    meeting.erase(std::unique(meeting.begin(), meeting.end()), meeting.end());
    return meeting;
}
