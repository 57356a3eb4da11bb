#pragma once

#include "CrossingGuard/MeshCrossings.h"

#include <array>
#include <cstddef>
#include <utility>
#include <vector>

// The pairs of triangles of a mesh whose points move in steps (a smoother)
// that come to meet in a step where a guard looks.
//
// Each step sweeps the triangles in reach of where the guard looks once:
// each is boxed over where it is before and after the step, grown by half
// the gap, the moving ones go into a grid over the x-y plane, and only
// pairs whose boxes overlap, of which one moves and one is looked after, are
// tested; a pair that meets after the step and did not before is reported.
// Pairs that share a corner, or an edge, are let through without a test
// where the triangles round that corner (one end of the edge), seen across
// their common normal, go once round it without overlapping (a smooth
// surface). Nothing is kept from one step to the next, so points may go as
// far as they like in a step; all of it runs on all cores.
class MeshNearPairs
{
public:
    using Point = TriangleMesh::Point;

    // Triangles by corner numbers (a triangle with two equal corners takes
    // no part); they must outlive this. The guard must be on.
    MeshNearPairs(const std::vector<std::array<int, 3>>& triangles, const MeshCrossings::Guard& guard);

    // The pairs that meet with the points after a step and did not before
    // it, each once, the smaller number first, in order. With pChanged, only
    // pairs of which a triangle is listed there are looked at: those whose
    // points after the step changed since the last call without it, towards
    // where they were before (a corner kept in place).
    std::vector<std::pair<int, int>> newlyMeeting(
        const Point* pBefore, const Point* pAfter, const std::vector<int>* pChanged = nullptr);
    // The same for steps after which no call with pChanged follows: pairs
    // are looked for where the triangles lie after them alone, which costs
    // far less where points went far (a block of steps).
    std::vector<std::pair<int, int>> newlyMeetingOnce(const Point* pBefore, const Point* pAfter);

private:
    // Triangles by their boxes in square cells over the x-y plane; boxes
    // beyond its frame fall in the cells at its border.
    class Grid
    {
    public:
        // Enters the items by their boxes in cells at least dCellSize wide,
        // wider where the items spread far, built on all cores.
        void build(const std::vector<int>& items, const std::vector<MeshCrossings::Box>& boxes, double dCellSize);
        void clear()
        {
            m_cellStart.clear();
            m_items.clear();
        }
        std::size_t cells() const { return m_cellStart.empty() ? 0 : m_cellStart.size() - 1; }
        int columns() const { return m_nColumns; }
        const int* cellBegin(std::size_t c) const { return m_items.data() + m_cellStart[c]; }
        const int* cellEnd(std::size_t c) const { return m_items.data() + m_cellStart[c + 1]; }
        void cellOf(double dX, double dY, int& x, int& y) const;
        // visit(item, x, y) for each item in each cell (x, y) under the box.
        template <typename Visit>
        void forEachNear(const MeshCrossings::Box& box, Visit visit) const
        {
            if (m_cellStart.empty())
            {
                return;
            }
            int x0, y0, x1, y1;
            cellRange(box, x0, y0, x1, y1);
            for (int y = y0; y <= y1; ++y)
            {
                for (int x = x0; x <= x1; ++x)
                {
                    const std::size_t c = std::size_t(y) * std::size_t(m_nColumns) + std::size_t(x);
                    for (const int* p = cellBegin(c); p != cellEnd(c); ++p)
                    {
                        visit(*p, x, y);
                    }
                }
            }
        }

    private:
        void cellRange(const MeshCrossings::Box& box, int& x0, int& y0, int& x1, int& y1) const;

        MeshCrossings::Vec m_origin;
        double m_dCell = 1.0;
        int m_nColumns = 0;
        int m_nRows = 0;
        // Cell c = y * columns + x holds m_items[m_cellStart[c]] up to
        // m_items[m_cellStart[c + 1]], in order of the bottoms of their boxes.
        std::vector<int> m_cellStart;
        std::vector<int> m_items;
    };

    // newlyMeeting, the boxes over where the triangles lie after the step
    // alone with bAfterOnly (for newlyMeetingOnce).
    std::vector<std::pair<int, int>> newlyMeeting(
        const Point* pBefore, const Point* pAfter, const std::vector<int>* pChanged, bool bAfterOnly);
    // Boxes and marks of the step, and the triangles in reach of where the
    // guard looks, moving and not.
    void sweep(const Point* pBefore, const Point* pAfter, bool bAfterOnly);
    // Whether the pair is to be tested, and if so whether it newly meets.
    bool newlyMeets(int t, int u, const Point* pBefore, const Point* pAfter) const;
    // Whether no two triangles round the vertex that share only it can meet
    // with the given points: projected across the fan's normal, they go once
    // round it without overlapping, each edge across from it farther than
    // the gap from the others. Errs towards false.
    bool fanApart(int v, const Point* pPoints) const;
    // fanApart into m_fanApart for the vertices with a moving triangle round
    // them, or with pChanged for the corners of those triangles.
    void judgeFans(const Point* pPoints, const std::vector<int>* pChanged);

    const std::vector<std::array<int, 3>>& m_triangles;
    MeshCrossings::Guard m_guard;
    // The grid's cells are twice a middling triangle across the plane, as
    // the first step finds them.
    double m_dCellSize = 0.0;
    // The triangles round vertex v: m_fanTriangles[m_fanFrom[v]] up to
    // m_fanTriangles[m_fanFrom[v + 1]].
    std::vector<int> m_fanFrom;
    std::vector<int> m_fanTriangles;

    // Per triangle, for the step: the box over it before and after the step
    // (after it alone, for newlyMeetingOnce) grown by half the gap, whether
    // it moves, whether it is looked after.
    std::vector<MeshCrossings::Box> m_boxes;
    std::vector<unsigned char> m_moves;
    std::vector<unsigned char> m_lookedAfter;
    // Per vertex: whether its fan is apart (see fanApart).
    std::vector<unsigned char> m_fanApart;
    // The triangles in reach, moving and not, and the grids of each; the one
    // of those that do not move is made only when corners are kept in place.
    std::vector<int> m_moving;
    std::vector<int> m_static;
    // Per triangle in reach: the cell of the moving grid that holds the low
    // corner of its box.
    std::vector<std::array<int, 2>> m_lowCells;
    Grid m_movingGrid;
    Grid m_staticGrid;
};
