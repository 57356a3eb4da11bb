#include "CrossingGuard/MeshCrossings.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace MeshCrossings
{
namespace
{
// The interval of the points' projections on an axis.
void project(const Vec* pPoints, int nPoints, const Vec& axis, double& dLow, double& dHigh)
{
    dLow = dHigh = OpenMesh::dot(pPoints[0], axis);
    for (int i = 1; i < nPoints; ++i)
    {
        const double d = OpenMesh::dot(pPoints[i], axis);
        dLow = std::min(dLow, d);
        dHigh = std::max(dHigh, d);
    }
}

// How far apart the axis holds the two point sets (and so their hulls), in
// units of the axis's length; 0 or less when their projections overlap.
double apartAlong(const Vec& axis, const Vec* pA, int nA, const Vec* pB, int nB)
{
    double dLowA, dHighA, dLowB, dHighB;
    project(pA, nA, axis, dLowA, dHighA);
    project(pB, nB, axis, dLowB, dHighB);
    return std::max(dLowB - dHighA, dLowA - dHighB);
}

// The same as a distance along the axis. Any axis will do: what it
// separates is separated. Rounding in the projections stays far below the
// gap for coordinates of a mesh.
double gapAlong(const Vec& axis, const Vec* pA, int nA, const Vec* pB, int nB)
{
    const double dLength2 = axis.sqrnorm();
    if (!(dLength2 > 0.0))
    {
        return -std::numeric_limits<double>::infinity();
    }
    return apartAlong(axis, pA, nA, pB, nB) / std::sqrt(dLength2);
}

// Two convex hulls of at most three points each (a segment or a triangle)
// are apart when one of these axes separates them: the normals of the
// triangles, within the plane of a triangle the normals of the edges of
// either (these catch hulls in one plane, as on flat ground), and the cross
// products of an edge of each. Calls visit(axis) for each until it returns
// true.
template <typename Visit>
void forEachAxis(const Vec* pA, int nA, const Vec* pB, int nB, Visit visit)
{
    Vec edgesA[3], edgesB[3];
    const int nEdgesA = nA == 3 ? 3 : 1;
    const int nEdgesB = nB == 3 ? 3 : 1;
    for (int i = 0; i < nEdgesA; ++i)
    {
        edgesA[i] = pA[(i + 1) % nA] - pA[i];
    }
    for (int i = 0; i < nEdgesB; ++i)
    {
        edgesB[i] = pB[(i + 1) % nB] - pB[i];
    }
    const Vec normalA = nA == 3 ? OpenMesh::cross(edgesA[0], edgesA[1]) : Vec(0, 0, 0);
    const Vec normalB = nB == 3 ? OpenMesh::cross(edgesB[0], edgesB[1]) : Vec(0, 0, 0);
    if (visit(normalA) || visit(normalB))
    {
        return;
    }
    const Vec& planeNormal = nB == 3 ? normalB : normalA;
    for (int i = 0; i < nEdgesA; ++i)
    {
        if (visit(OpenMesh::cross(planeNormal, edgesA[i])))
        {
            return;
        }
    }
    for (int j = 0; j < nEdgesB; ++j)
    {
        if (visit(OpenMesh::cross(planeNormal, edgesB[j])) || (nA == 3 && visit(OpenMesh::cross(normalA, edgesB[j]))))
        {
            return;
        }
    }
    for (int i = 0; i < nEdgesA; ++i)
    {
        for (int j = 0; j < nEdgesB; ++j)
        {
            if (visit(OpenMesh::cross(edgesA[i], edgesB[j])))
            {
                return;
            }
        }
    }
}

bool hullsApart(const Vec* pA, int nA, const Vec* pB, int nB, double dGap)
{
    // gapAlong(axis) > dGap without its square root: the projections apart
    // by more than the gap times the axis's length.
    bool bApart = false;
    const double dGap2 = dGap * dGap;
    forEachAxis(pA, nA, pB, nB, [&](const Vec& axis) {
        const double dApart = apartAlong(axis, pA, nA, pB, nB);
        bApart = dApart > 0.0 && dApart * dApart > dGap2 * axis.sqrnorm();
        return bApart;
    });
    return bApart;
}

// The widest gap any of the axes shows, at most the hulls' distance; the
// first axis that shows dEnough ends the search.
double hullsSeparation(const Vec* pA, int nA, const Vec* pB, int nB, double dEnough)
{
    double dBest = -std::numeric_limits<double>::infinity();
    forEachAxis(pA, nA, pB, nB, [&](const Vec& axis) {
        dBest = std::max(dBest, gapAlong(axis, pA, nA, pB, nB));
        return dBest >= dEnough;
    });
    return dBest;
}

// Two triangles on the edge pq, with c and d their other corners, meet only
// when folded onto each other: the two halves of planes from the edge lie
// less than a right angle apart and one far corner lies within the gap of
// the other's plane.
bool foldedOntoEachOther(const Vec& p, const Vec& q, const Vec& c, const Vec& d, double dGap)
{
    const Vec edge = q - p;
    const Vec normalC = OpenMesh::cross(edge, c - p);
    const Vec normalD = OpenMesh::cross(edge, d - p);
    if (!(OpenMesh::dot(normalC, normalD) > 0.0))
    {
        return false;
    }
    const auto nearPlane = [dGap](const Vec& normal, const Vec& from, const Vec& point) {
        return std::abs(OpenMesh::dot(normal, point - from)) <= dGap * normal.norm();
    };
    return nearPlane(normalC, p, d) || nearPlane(normalD, p, c);
}
} // namespace

SharedCorners sharedCorners(const Triangle& a, const Triangle& b)
{
    SharedCorners shared;
    for (int i = 0; i < 3; ++i)
    {
        for (int j = 0; j < 3; ++j)
        {
            if (a.corners[std::size_t(i)] == b.corners[std::size_t(j)])
            {
                shared.sharedA[shared.nShared] = i;
                shared.sharedB[shared.nShared] = j;
                ++shared.nShared;
            }
        }
    }
    return shared;
}

double gapFor(double dSize)
{
    return std::ldexp(std::max(dSize, 1.0), -17);
}

namespace
{
// The edge of a triangle across from one of its corners.
std::array<Vec, 2> edgeAcross(const Triangle& triangle, int nCorner)
{
    return {triangle.points[std::size_t((nCorner + 1) % 3)], triangle.points[std::size_t((nCorner + 2) % 3)]};
}
} // namespace

bool meet(const Triangle& a, const Triangle& b, double dGap)
{
    const SharedCorners shared = sharedCorners(a, b);
    switch (shared.nShared)
    {
    case 0:
        return !hullsApart(a.points.data(), 3, b.points.data(), 3, dGap);
    case 1:
    {
        // Apart from the shared corner they can only meet where the edge
        // of one across from it meets the other.
        const std::array<Vec, 2> edgeA = edgeAcross(a, shared.sharedA[0]);
        const std::array<Vec, 2> edgeB = edgeAcross(b, shared.sharedB[0]);
        return !hullsApart(edgeA.data(), 2, b.points.data(), 3, dGap)
            || !hullsApart(edgeB.data(), 2, a.points.data(), 3, dGap);
    }
    case 2:
    {
        const std::size_t nOtherA = std::size_t(3 - shared.sharedA[0] - shared.sharedA[1]);
        const std::size_t nOtherB = std::size_t(3 - shared.sharedB[0] - shared.sharedB[1]);
        return foldedOntoEachOther(a.points[std::size_t(shared.sharedA[0])], a.points[std::size_t(shared.sharedA[1])],
            a.points[nOtherA], b.points[nOtherB], dGap);
    }
    default:
        return true;
    }
}

bool passThrough(const Triangle& a, const Triangle& b)
{
    return meet(a, b, 0.0);
}

double clearance(const Triangle& a, const Triangle& b, double dEnough)
{
    const SharedCorners shared = sharedCorners(a, b);
    switch (shared.nShared)
    {
    case 0:
        return hullsSeparation(a.points.data(), 3, b.points.data(), 3, dEnough);
    case 1:
    {
        const std::array<Vec, 2> edgeA = edgeAcross(a, shared.sharedA[0]);
        const std::array<Vec, 2> edgeB = edgeAcross(b, shared.sharedB[0]);
        return std::min(hullsSeparation(edgeA.data(), 2, b.points.data(), 3, dEnough),
            hullsSeparation(edgeB.data(), 2, a.points.data(), 3, dEnough));
    }
    case 2:
        return std::numeric_limits<double>::infinity();
    default:
        return -std::numeric_limits<double>::infinity();
    }
}

Triangle triangleOf(const TriangleMesh& mesh, TriangleMesh::FaceHandle fh)
{
    Triangle triangle;
    std::size_t i = 0;
    for (auto it = mesh.cfv_iter(fh); it.is_valid() && i < 3; ++it, ++i)
    {
        triangle.corners[i] = it->idx();
        triangle.points[i] = OpenMesh::vector_cast<Vec>(mesh.point(*it));
    }
    return triangle;
}

Box boxOf(const Triangle& triangle, double dGrow)
{
    Box box{triangle.points[0], triangle.points[0]};
    for (std::size_t i = 1; i < 3; ++i)
    {
        box.min.minimize(triangle.points[i]);
        box.max.maximize(triangle.points[i]);
    }
    const Vec grow(dGrow, dGrow, dGrow);
    box.min -= grow;
    box.max += grow;
    return box;
}

TriangleGrid::TriangleGrid(const Box& bounds, double dCellSize)
    : m_origin(bounds.min)
    , m_dCellSize(dCellSize > 0.0 ? dCellSize : 1.0)
{
    const auto count = [&](int k) {
        const double dCells = std::floor((bounds.max[k] - bounds.min[k]) / m_dCellSize) + 1.0;
        return int(std::clamp(dCells, 1.0, 65536.0));
    };
    m_nColumns = count(0);
    m_nRows = count(1);
    m_cells.resize(std::size_t(m_nColumns) * std::size_t(m_nRows));
}

TriangleGrid TriangleGrid::over(const std::vector<Box>& boxes, const std::vector<int>& sizing)
{
    if (sizing.empty())
    {
        return TriangleGrid(Box{Vec(0, 0, 0), Vec(0, 0, 0)}, 1.0);
    }
    Box bounds{Vec(std::numeric_limits<double>::max()), Vec(std::numeric_limits<double>::lowest())};
    std::vector<double> extents;
    extents.reserve(sizing.size());
    for (const int t : sizing)
    {
        const Box& box = boxes[std::size_t(t)];
        bounds.min.minimize(box.min);
        bounds.max.maximize(box.max);
        extents.push_back(std::max(box.max[0] - box.min[0], box.max[1] - box.min[1]));
    }
    std::nth_element(extents.begin(), extents.begin() + std::ptrdiff_t(extents.size() / 2), extents.end());
    const double dArea = (bounds.max[0] - bounds.min[0]) * (bounds.max[1] - bounds.min[1]);
    return TriangleGrid(bounds, std::max(2.0 * extents[extents.size() / 2], std::sqrt(dArea / double(extents.size()))));
}

void TriangleGrid::cellOf(double dX, double dY, int& x, int& y) const
{
    const auto cell = [&](double d, int k, int nCount) {
        const double dCell = std::floor((d - m_origin[k]) / m_dCellSize);
        return int(std::clamp(dCell, 0.0, double(nCount - 1)));
    };
    x = cell(dX, 0, m_nColumns);
    y = cell(dY, 1, m_nRows);
}

void TriangleGrid::cellRange(const Box& box, int& x0, int& y0, int& x1, int& y1) const
{
    cellOf(box.min[0], box.min[1], x0, y0);
    cellOf(box.max[0], box.max[1], x1, y1);
}

void TriangleGrid::insert(int nTriangle, const Box& box)
{
    int x0, y0, x1, y1;
    cellRange(box, x0, y0, x1, y1);
    const float fLow = std::nextafter(float(box.min[2]), -std::numeric_limits<float>::infinity());
    const float fHigh = std::nextafter(float(box.max[2]), std::numeric_limits<float>::infinity());
    for (int y = y0; y <= y1; ++y)
    {
        for (int x = x0; x <= x1; ++x)
        {
            m_cells[std::size_t(y) * std::size_t(m_nColumns) + std::size_t(x)].push_back(Entry{nTriangle, fLow, fHigh});
        }
    }
    m_nEntries += std::size_t(x1 - x0 + 1) * std::size_t(y1 - y0 + 1);
}

void TriangleGrid::remove(int nTriangle, const Box& box)
{
    int x0, y0, x1, y1;
    cellRange(box, x0, y0, x1, y1);
    for (int y = y0; y <= y1; ++y)
    {
        for (int x = x0; x <= x1; ++x)
        {
            std::vector<Entry>& cell = m_cells[std::size_t(y) * std::size_t(m_nColumns) + std::size_t(x)];
            const auto it = std::find_if(
                cell.begin(), cell.end(), [&](const Entry& entry) { return entry.nTriangle == nTriangle; });
            if (it != cell.end())
            {
                *it = cell.back();
                cell.pop_back();
                --m_nEntries;
            }
        }
    }
}

namespace
{
// Prefix sums of a grid of counts, (w + 1) x (h + 1): entry (x, y) sums
// the counts over [0, x) x [0, y).
template <typename Count>
void prefixSums(int nWidth, int nHeight, Count count, std::vector<unsigned>& sums)
{
    const std::size_t nStride = std::size_t(nWidth) + 1;
    sums.assign(nStride * std::size_t(nHeight + 1), 0);
    for (int y = 0; y < nHeight; ++y)
    {
        unsigned nRow = 0;
        for (int x = 0; x < nWidth; ++x)
        {
            nRow += count(x, y);
            const std::size_t nAbove = std::size_t(y) * nStride + std::size_t(x + 1);
            sums[nAbove + nStride] = sums[nAbove] + nRow;
        }
    }
}

// The count over [x0, x1] x [y0, y1] from prefix sums of a grid nWidth wide.
unsigned sumOver(const std::vector<unsigned>& sums, int nWidth, int x0, int y0, int x1, int y1)
{
    const std::size_t nStride = std::size_t(nWidth) + 1;
    const auto at = [&](int x, int y) { return sums[std::size_t(y) * nStride + std::size_t(x)]; };
    return at(x1 + 1, y1 + 1) - at(x0, y1 + 1) - at(x1 + 1, y0) + at(x0, y0);
}
} // namespace

Area::Area(unsigned nWidth, unsigned nHeight)
    : m_nWidth(int(std::max(1u, nWidth)))
    , m_nHeight(int(std::max(1u, nHeight)))
    , m_marked(std::size_t(m_nWidth) * std::size_t(m_nHeight), 0)
    , m_sums(std::size_t(m_nWidth + 1) * std::size_t(m_nHeight + 1), 0)
{
    sumUp();
}

bool Area::cellsUnder(const Box& box, int& x0, int& y0, int& x1, int& y1) const
{
    const auto clip = [](double d, int nCount) { return int(std::clamp(std::floor(d), -1.0, double(nCount))); };
    x0 = std::max(0, clip(box.min[0], m_nWidth));
    y0 = std::max(0, clip(box.min[1], m_nHeight));
    x1 = std::min(m_nWidth - 1, clip(box.max[0], m_nWidth));
    y1 = std::min(m_nHeight - 1, clip(box.max[1], m_nHeight));
    return x0 <= x1 && y0 <= y1;
}

void Area::mark(const std::vector<Box>& boxes, double dGrow)
{
    const Vec grow(dGrow, dGrow, 0.0);
    for (const Box& box : boxes)
    {
        int x0, y0, x1, y1;
        if (!cellsUnder(Box{box.min - grow, box.max + grow}, x0, y0, x1, y1))
        {
            continue;
        }
        for (int y = y0; y <= y1; ++y)
        {
            std::fill(m_marked.begin() + std::ptrdiff_t(y) * m_nWidth + x0,
                m_marked.begin() + std::ptrdiff_t(y) * m_nWidth + x1 + 1, 1);
        }
    }
    sumUp();
}

void Area::mark(const std::vector<unsigned char>& cells, int nGrow)
{
    // Counts of set cells tell for each cell whether one lies in the square
    // round it.
    std::vector<unsigned> counts;
    prefixSums(m_nWidth, m_nHeight,
        [&](int x, int y) { return cells[std::size_t(y) * std::size_t(m_nWidth) + std::size_t(x)] ? 1u : 0u; },
        counts);
    for (int y = 0; y < m_nHeight; ++y)
    {
        const int y0 = std::max(0, y - nGrow);
        const int y1 = std::min(m_nHeight - 1, y + nGrow);
        for (int x = 0; x < m_nWidth; ++x)
        {
            if (sumOver(counts, m_nWidth, std::max(0, x - nGrow), y0, std::min(m_nWidth - 1, x + nGrow), y1) > 0)
            {
                m_marked[std::size_t(y) * std::size_t(m_nWidth) + std::size_t(x)] = 1;
            }
        }
    }
    sumUp();
}

void Area::sumUp()
{
    prefixSums(m_nWidth, m_nHeight,
        [&](int x, int y) { return unsigned(m_marked[std::size_t(y) * std::size_t(m_nWidth) + std::size_t(x)]); },
        m_sums);
    m_nBlockColumns = (m_nWidth + BLOCK - 1) / BLOCK;
    m_nBlockRows = (m_nHeight + BLOCK - 1) / BLOCK;
    prefixSums(m_nBlockColumns, m_nBlockRows,
        [&](int bx, int by) {
            const int x1 = std::min(m_nWidth, (bx + 1) * BLOCK) - 1;
            const int y1 = std::min(m_nHeight, (by + 1) * BLOCK) - 1;
            return sumOver(m_sums, m_nWidth, bx * BLOCK, by * BLOCK, x1, y1) > 0 ? 1u : 0u;
        },
        m_blockSums);
}

bool Area::touches(const Box& box) const
{
    int x0, y0, x1, y1;
    if (!cellsUnder(box, x0, y0, x1, y1))
    {
        return false;
    }
    // Most boxes lie in blocks without a marked cell.
    if (sumOver(m_blockSums, m_nBlockColumns, x0 / BLOCK, y0 / BLOCK, x1 / BLOCK, y1 / BLOCK) == 0)
    {
        return false;
    }
    return sumOver(m_sums, m_nWidth, x0, y0, x1, y1) > 0;
}

std::size_t Area::size() const
{
    return std::size_t(std::count(m_marked.begin(), m_marked.end(), 1));
}

std::vector<std::pair<int, int>> meetingPairs(const std::vector<std::array<int, 3>>& triangles,
    const TriangleMesh::Point* pPoints, double dGap, const std::vector<unsigned char>* pMarked)
{
    const std::size_t nTriangles = triangles.size();
    std::vector<Box> boxes(nTriangles);
    // Boxes grown by half the gap each overlap for any two triangles that
    // come within the gap.
    const std::vector<int> taking = Parallel::collect<int>(nTriangles, [&](std::size_t t, std::vector<int>& out) {
        const std::array<int, 3>& corners = triangles[t];
        if (hasThreeCorners(corners))
        {
            boxes[t] = boxOf(triangleOf(corners, pPoints), 0.5 * dGap);
            out.push_back(int(t));
        }
    });
    if (taking.size() < 2)
    {
        return {};
    }
    TriangleGrid grid = TriangleGrid::over(boxes, taking);
    for (const int t : taking)
    {
        grid.insert(t, boxes[std::size_t(t)]);
    }
    return grid.pairsWhere(boxes, [&](int a, int b) {
        return (!pMarked || (*pMarked)[std::size_t(a)] || (*pMarked)[std::size_t(b)])
            && meet(triangleOf(triangles[std::size_t(a)], pPoints), triangleOf(triangles[std::size_t(b)], pPoints),
                dGap);
    });
}

std::array<int, 3> cornersOf(const TriangleMesh& mesh, TriangleMesh::FaceHandle fh)
{
    auto it = mesh.cfv_iter(fh);
    std::array<int, 3> corners;
    corners[0] = it->idx();
    corners[1] = (++it)->idx();
    corners[2] = (++it)->idx();
    return corners;
}

std::vector<std::array<int, 3>> cornersOf(const TriangleMesh& mesh)
{
    std::vector<std::array<int, 3>> triangles(mesh.n_faces(), std::array<int, 3>{0, 0, 0});
    for (const auto fh : mesh.faces())
    {
        triangles[std::size_t(fh.idx())] = cornersOf(mesh, fh);
    }
    return triangles;
}

void trianglesRound(const std::vector<std::array<int, 3>>& triangles, std::size_t nPoints, std::vector<int>& from,
    std::vector<int>& round)
{
    from.assign(nPoints + 1, 0);
    for (const std::array<int, 3>& corners : triangles)
    {
        if (hasThreeCorners(corners))
        {
            for (const int nCorner : corners)
            {
                ++from[std::size_t(nCorner) + 1];
            }
        }
    }
    std::partial_sum(from.begin(), from.end(), from.begin());
    round.resize(std::size_t(from.back()));
    std::vector<int> next(from.begin(), from.end() - 1);
    for (std::size_t t = 0; t < triangles.size(); ++t)
    {
        if (hasThreeCorners(triangles[t]))
        {
            for (const int nCorner : triangles[t])
            {
                round[std::size_t(next[std::size_t(nCorner)]++)] = int(t);
            }
        }
    }
}

std::vector<std::pair<int, int>> meetingPairs(const TriangleMesh& mesh, double dGap)
{
    return meetingPairs(cornersOf(mesh), mesh.points(), dGap);
}

double sizeOf(const TriangleMesh& mesh)
{
    double dSize = 0.0;
    for (const auto vh : mesh.vertices())
    {
        const TriangleMesh::Point& p = mesh.point(vh);
        dSize = std::max({dSize, double(std::abs(p[0])), double(std::abs(p[1])), double(std::abs(p[2]))});
    }
    return dSize;
}
} // namespace MeshCrossings
