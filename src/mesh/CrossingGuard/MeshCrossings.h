#pragma once

#include "Parallel.h"
#include "TriangleMesh.h"

#include <algorithm>
#include <memory>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <utility>
#include <vector>

// Whether a surface passes through itself: tests of triangles against each
// other that err on the safe side, and a grid that finds the pairs to test.
//
// Two triangles "meet" when they have a point in common other than the
// corners they share and the edge between two shared corners, or come
// closer than a small gap there. Two triangles on one edge meet when they
// are folded onto each other. A mesh whose triangles meet nowhere is a sound
// solid: it stays one when its points are rounded to single precision again
// after scaling and turning, since the gap lies far above that rounding.
namespace MeshCrossings
{
using Vec = OpenMesh::Vec3d;

// A triangle's corners: vertex numbers (equal numbers are the same point)
// and points.
struct Triangle
{
    std::array<int, 3> corners;
    std::array<Vec, 3> points;
};

// The gap for a mesh whose coordinates reach dSize in magnitude: about 2^-17
// of it, so 0.008 pixel on a 1024 x 1024 picture, where single precision
// rounds at 0.00006.
double gapFor(double dSize);

// Whether the triangles meet (see above). Errs towards meeting: pairs that
// come within about the gap of each other may be taken as meeting, pairs
// that meet are never taken as apart.
bool meet(const Triangle& a, const Triangle& b, double dGap);

// The corners two triangles share: corner sharedA[i] of a is corner
// sharedB[i] of b.
struct SharedCorners
{
    int nShared = 0;
    int sharedA[3] = {-1, -1, -1};
    int sharedB[3] = {-1, -1, -1};
};
SharedCorners sharedCorners(const Triangle& a, const Triangle& b);

// Whether the triangles pass through or touch each other, other than in
// what they share: they meet with no gap. Triangles on one edge do so only
// where they lie in one plane, folded onto each other.
bool passThrough(const Triangle& a, const Triangle& b);

// How far apart the triangles are at least, away from what they share: for
// triangles without a shared corner their distance, for triangles on one
// corner that of the edge of each across from it to the other. 0 or less
// where they meet. Triangles on one edge meet only by folding onto each
// other, which no distance tells: infinity; test those with meet. The
// search ends at the first measure of at least dEnough.
double clearance(const Triangle& a, const Triangle& b,
    double dEnough = std::numeric_limits<double>::infinity());

// Whether no two of the nTriangles triangles round a point that share only
// the point can meet: they close round it, and seen along the fan's normal
// they go once round it without overlapping, the edge of each across from
// the point farther than the gap from the others. spokes(n, a, b, nA, nB)
// gives the n-th triangle's other corners in their turn round it, as points
// less the point and as vertex numbers. Errs towards false. No more than 64
// triangles are looked at.
template <typename Spokes>
bool fanApart(int nTriangles, Spokes spokes, double dGap)
{
    constexpr int MAX_FAN = 64;
    if (nTriangles < 3 || nTriangles > MAX_FAN)
    {
        return false;
    }
    // Closed: every corner begins one triangle's edge across and ends one.
    int starts[MAX_FAN];
    int ends[MAX_FAN];
    Vec a[MAX_FAN];
    Vec b[MAX_FAN];
    Vec normal(0.0, 0.0, 0.0);
    for (int n = 0; n < nTriangles; ++n)
    {
        spokes(n, a[n], b[n], starts[n], ends[n]);
        normal += OpenMesh::cross(a[n], b[n]);
    }
    std::sort(starts, starts + nTriangles);
    std::sort(ends, ends + nTriangles);
    if (!std::equal(starts, starts + nTriangles, ends))
    {
        return false;
    }
    const double dLength = normal.norm();
    if (!(dLength > 0.0))
    {
        return false;
    }
    normal /= dLength;
    // Every turn forwards by less than half round; then the turns of a
    // closed fan come to whole rounds, as many as the triangles that hold
    // the direction of the first spoke (each from its first spoke on).
    double dSmallestSine = 1.0;
    double dNearest = std::numeric_limits<double>::infinity();
    for (int n = 0; n < nTriangles; ++n)
    {
        a[n] -= normal * OpenMesh::dot(normal, a[n]);
        b[n] -= normal * OpenMesh::dot(normal, b[n]);
        const double dCross = OpenMesh::dot(OpenMesh::cross(a[n], b[n]), normal);
        const double dEdge = (b[n] - a[n]).norm();
        if (!(dCross > 0.0) || !(dEdge > 0.0))
        {
            return false;
        }
        // The sine of the angle, or 1 where it is a right angle or more.
        if (OpenMesh::dot(a[n], b[n]) > 0.0)
        {
            dSmallestSine = std::min(dSmallestSine, dCross / (a[n].norm() * b[n].norm()));
        }
        // How far the line of the edge across lies from the point.
        dNearest = std::min(dNearest, dCross / dEdge);
    }
    int nRounds = 0;
    for (int n = 0; n < nTriangles; ++n)
    {
        nRounds += OpenMesh::dot(OpenMesh::cross(a[n], a[0]), normal) >= 0.0
                && OpenMesh::dot(OpenMesh::cross(a[0], b[n]), normal) > 0.0
            ? 1
            : 0;
    }
    // Once round: the projected triangles tile the plane round the point,
    // and two that share no edge lie a whole triangle's angle apart at
    // least. The projection shortens no distance.
    return nRounds == 1 && dNearest * dSmallestSine > dGap;
}

// Whether a triangle's corners are three vertices; a deleted face stands as
// one with all corners equal.
inline bool hasThreeCorners(const std::array<int, 3>& corners)
{
    return corners[0] != corners[1] && corners[1] != corners[2] && corners[0] != corners[2];
}

// The corners of every face of a mesh by face number; a deleted face's are
// all 0.
std::vector<std::array<int, 3>> cornersOf(const TriangleMesh& mesh);
// The corners of one face, in the same order.
std::array<int, 3> cornersOf(const TriangleMesh& mesh, TriangleMesh::FaceHandle fh);

// The triangles round each of nPoints points, those with three corners only:
// round point v lie round[from[v]] up to round[from[v + 1]], in order of
// their numbers.
void trianglesRound(const std::vector<std::array<int, 3>>& triangles, std::size_t nPoints, std::vector<int>& from,
    std::vector<int>& round);

// The faces of a mesh as corner numbers and their points, for tests that run
// on positions other than the mesh's own.
inline Triangle triangleOf(const std::array<int, 3>& corners, const TriangleMesh::Point* pPoints)
{
    Triangle triangle;
    triangle.corners = corners;
    for (std::size_t i = 0; i < 3; ++i)
    {
        triangle.points[i] = OpenMesh::vector_cast<Vec>(pPoints[corners[i]]);
    }
    return triangle;
}
Triangle triangleOf(const TriangleMesh& mesh, TriangleMesh::FaceHandle fh);

// An axis-aligned box, grown by the gap where it is used for finding.
struct Box
{
    Vec min;
    Vec max;
    bool overlaps(const Box& other) const
    {
        for (int k = 0; k < 3; ++k)
        {
            if (max[k] < other.min[k] || other.max[k] < min[k])
            {
                return false;
            }
        }
        return true;
    }
};
Box boxOf(const Triangle& triangle, double dGrow);

// Triangles over a grid of square cells in the x-y plane. A relief's
// surfaces and walls stand over the plane, so each cell holds a few
// triangles of each surface. A triangle is entered in every cell its box
// covers.
class TriangleGrid
{
public:
    // Cells dCellSize across over the bounds' x-y extent; boxes beyond it
    // fall in the cells at its border.
    TriangleGrid(const Box& bounds, double dCellSize);
    // A grid for the given boxes (by triangle number), nothing entered: over
    // their bounds, its cells twice the size of a middling box across (so
    // most triangles fall in one to four cells and large ones in more), and
    // no more cells than boxes.
    static TriangleGrid over(const std::vector<Box>& boxes, const std::vector<int>& sizing);

    void insert(int nTriangle, const Box& box);
    // The box must be the one it was entered with.
    void remove(int nTriangle, const Box& box);
    // Entries in all cells: a triangle counts once for each cell it is in.
    std::size_t entries() const { return m_nEntries; }

    // Calls visit(nTriangle) for every triangle entered in a cell the box
    // covers whose box reaches over the box's heights; a triangle may come
    // more than once.
    template <typename Visit>
    void forEachNear(const Box& box, Visit visit) const
    {
        int x0, y0, x1, y1;
        cellRange(box, x0, y0, x1, y1);
        for (int y = y0; y <= y1; ++y)
        {
            for (int x = x0; x <= x1; ++x)
            {
                for (const Entry& entry : m_cells[std::size_t(y) * m_nColumns + std::size_t(x)])
                {
                    if (entry.fLow <= box.max[2] && box.min[2] <= entry.fHigh)
                    {
                        visit(entry.nTriangle);
                    }
                }
            }
        }
    }

    // The pairs of entered triangles whose boxes overlap, each once and the
    // smaller number first, for which test(i, j) holds, in order. The tests
    // run spread over the cores.
    template <typename Test>
    std::vector<std::pair<int, int>> pairsWhere(const std::vector<Box>& boxes, Test test) const;

private:
    void cellRange(const Box& box, int& x0, int& y0, int& x1, int& y1) const;
    void cellOf(double dX, double dY, int& x, int& y) const;

    // A triangle in a cell with the heights its box spans, rounded outwards:
    // most triangles near in the plane lie far off in height (the other
    // side of a relief), and are passed over without a look at their box.
    struct Entry
    {
        int nTriangle;
        float fLow;
        float fHigh;
    };

    Vec m_origin;
    double m_dCellSize;
    int m_nColumns = 1;
    int m_nRows = 1;
    std::vector<std::vector<Entry>> m_cells;
    std::size_t m_nEntries = 0;
};

template <typename Test>
std::vector<std::pair<int, int>> TriangleGrid::pairsWhere(const std::vector<Box>& boxes, Test test) const
{
    // Each pair is looked at in one cell: the one that holds the low corner
    // of the overlap of their boxes, found from the cells of their own low
    // corners.
    std::vector<std::array<int, 2>> lowCells(boxes.size());
    for (std::size_t t = 0; t < boxes.size(); ++t)
    {
        cellOf(boxes[t].min[0], boxes[t].min[1], lowCells[t][0], lowCells[t][1]);
    }
    const std::size_t nCells = m_cells.size();
    const std::size_t nChunks
        = std::max<std::size_t>(1, std::min<std::size_t>(4 * Parallel::availableCores(), nCells / 256));
    std::vector<std::vector<std::pair<int, int>>> found(nChunks);
    Parallel::forRange(
        nChunks,
        [&](std::size_t nBegin, std::size_t nEnd) {
            std::vector<int> cell;
            for (std::size_t c = nBegin; c < nEnd; ++c)
            {
                for (std::size_t nCell = nCells * c / nChunks; nCell < nCells * (c + 1) / nChunks; ++nCell)
                {
                    const int nX = int(nCell % std::size_t(m_nColumns));
                    const int nY = int(nCell / std::size_t(m_nColumns));
                    // In order of height, so that each box meets only the
                    // boxes that start below its top.
                    cell.clear();
                    for (const Entry& entry : m_cells[nCell])
                    {
                        cell.push_back(entry.nTriangle);
                    }
                    std::sort(cell.begin(), cell.end(),
                        [&](int i, int j) { return boxes[std::size_t(i)].min[2] < boxes[std::size_t(j)].min[2]; });
                    for (std::size_t i = 0; i < cell.size(); ++i)
                    {
                        const Box& boxI = boxes[std::size_t(cell[i])];
                        const std::array<int, 2>& lowI = lowCells[std::size_t(cell[i])];
                        for (std::size_t j = i + 1; j < cell.size(); ++j)
                        {
                            const Box& boxJ = boxes[std::size_t(cell[j])];
                            if (boxJ.min[2] > boxI.max[2])
                            {
                                break;
                            }
                            const std::array<int, 2>& lowJ = lowCells[std::size_t(cell[j])];
                            if (std::max(lowI[0], lowJ[0]) != nX || std::max(lowI[1], lowJ[1]) != nY
                                || !boxI.overlaps(boxJ))
                            {
                                continue;
                            }
                            const int a = std::min(cell[i], cell[j]);
                            const int b = std::max(cell[i], cell[j]);
                            if (test(a, b))
                            {
                                found[c].emplace_back(a, b);
                            }
                        }
                    }
                }
            }
        },
        1);
    std::vector<std::pair<int, int>> pairs;
    for (const auto& chunk : found)
    {
        pairs.insert(pairs.end(), chunk.begin(), chunk.end());
    }
    std::sort(pairs.begin(), pairs.end());
    return pairs;
}

// A part of the x-y plane, in cells of one unit (one pixel of a build) over
// [0, nWidth) x [0, nHeight): where smoothing and decimation keep facets
// apart when that is not needed everywhere. A box touches the area when a
// marked cell lies under it; boxes beyond the frame are clipped to it.
class Area
{
public:
    Area(unsigned nWidth, unsigned nHeight);

    // Marks the cells under the boxes grown by dGrow on each side.
    void mark(const std::vector<Box>& boxes, double dGrow);
    // Marks every cell within nGrow cells across or along of a cell set in
    // cells (one per cell, row by row).
    void mark(const std::vector<unsigned char>& cells, int nGrow);
    // Whether the box touches a marked cell: a few look-ups, however large
    // the box.
    bool touches(const Box& box) const;
    // Marked cells.
    std::size_t size() const;

private:
    // The cells under the box, clipped to the frame; false where none.
    bool cellsUnder(const Box& box, int& x0, int& y0, int& x1, int& y1) const;
    // m_sums from m_marked.
    void sumUp();

    int m_nWidth;
    int m_nHeight;
    std::vector<unsigned char> m_marked;
    // m_sums[(y) * (w + 1) + x]: marked cells in [0, x) x [0, y), kept up to
    // date by mark.
    std::vector<unsigned> m_sums;
    // The same over blocks of BLOCK x BLOCK cells, each counting 1 where one
    // of its cells is marked: small enough to stay in the cache, so that the
    // many boxes far from a marked cell cost no look-up in m_sums.
    static constexpr int BLOCK = 16;
    int m_nBlockColumns = 0;
    int m_nBlockRows = 0;
    std::vector<unsigned> m_blockSums;
};

// Where and by how much smoothing and decimation keep facets apart: not at
// all with a gap of 0, everywhere without an area.
struct Guard
{
    double dGap = 0.0;
    std::shared_ptr<const Area> pArea;

    bool isOn() const { return dGap > 0.0; }
    // Whether a triangle with this box is looked after.
    bool covers(const Box& box) const { return isOn() && (!pArea || pArea->touches(box)); }
};

// The pairs of triangles that meet, each once, the smaller number first.
// With pMarked, only pairs of which at least one triangle is marked. A
// triangle with two equal corners (a deleted face) takes no part.
std::vector<std::pair<int, int>> meetingPairs(const std::vector<std::array<int, 3>>& triangles,
    const TriangleMesh::Point* pPoints, double dGap, const std::vector<unsigned char>* pMarked = nullptr);

// The same for the faces of a mesh, by face number.
std::vector<std::pair<int, int>> meetingPairs(const TriangleMesh& mesh, double dGap);

// The largest magnitude of any coordinate of the mesh's points.
double sizeOf(const TriangleMesh& mesh);
} // namespace MeshCrossings
