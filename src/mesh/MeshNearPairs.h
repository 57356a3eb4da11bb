#pragma once

#include "MeshCrossings.h"

#include <array>
#include <cstddef>
#include <utility>
#include <vector>

// The pairs of triangles of a mesh whose points move in steps (a smoother)
// that may come to meet where a guard looks, each with how far apart it is
// at least, so that a step tests only the pairs that came close instead of
// the whole mesh.
//
// The list holds every pair of which a triangle is looked after and whose
// boxes, grown by the gap and a skin, overlap where their points stood when
// they were listed; a pair not on it stays apart as long as no point has gone
// half the skin from there. Where a point has, the pairs of the triangles
// round it are found anew. Each step takes from a pair's clearance what its
// triangles moved; a pair is tested again only when that comes near the gap.
// Pairs on an edge, which meet only by folding onto each other, are tested
// in every step in which they move.
class MeshNearPairs
{
public:
    using Point = TriangleMesh::Point;

    // Triangles by corner numbers (a triangle with two equal corners takes
    // no part); they must outlive this. The guard must be on.
    MeshNearPairs(const std::vector<std::array<int, 3>>& triangles, const MeshCrossings::Guard& guard);

    // The pairs that meet with the points after a step and did not before
    // it, each once, the smaller number first. The points before must be
    // where the last step left them. With pChanged, only pairs of which a
    // triangle is listed there are looked at: those whose points changed
    // since the last call for the same step.
    std::vector<std::pair<int, int>> newlyMeeting(
        const Point* pBefore, const Point* pAfter, const std::vector<int>* pChanged = nullptr);

    // The step is done: the points went from pBefore to pAfter.
    void moved(const Point* pBefore, const Point* pAfter);

private:
    struct Pair
    {
        int a;
        int b;
        // How far apart the pair is at least; infinity for a pair on an edge.
        float fClearance;
    };

    // Lists the pairs, all the first time, then those of the triangles with
    // a corner in m_far.
    void makeList(const Point* pPoints);
    // The triangles the list looks at, as they stand at the points: those
    // near what the guard looks after; which of them it looks after.
    void findScope(const Point* pPoints, const std::vector<int>& triangles);
    void indexPairs();
    bool isListed(int t, int u) const;
    double skinFor(const std::vector<int>& triangles, const Point* pPoints) const;
    float clearanceOf(int a, int b, const Point* pPoints) const;
    // How far each triangle's farthest corner went; only the listed
    // triangles where given.
    void measureMoves(const Point* pBefore, const Point* pAfter, const std::vector<int>* pOnly);
    MeshCrossings::Triangle triangle(int t, const Point* pPoints) const
    {
        return MeshCrossings::triangleOf(m_triangles[std::size_t(t)], pPoints);
    }

    const std::vector<std::array<int, 3>>& m_triangles;
    MeshCrossings::Guard m_guard;
    double m_dSkin = 0.0;
    std::vector<Pair> m_pairs;
    // The pairs of triangle t: m_pairsOf[m_pairsFrom[t]] up to
    // m_pairsOf[m_pairsFrom[t + 1]].
    std::vector<int> m_pairsFrom;
    std::vector<int> m_pairsOf;
    // Per triangle: whether it is near what the guard looks after, and
    // whether it is looked after.
    std::vector<unsigned char> m_inScope;
    std::vector<unsigned char> m_lookedAfter;
    // Where the points stood when their pairs were listed; empty until then.
    std::vector<Point> m_listed;
    // The points that went half the skin from there.
    std::vector<int> m_far;
    bool m_bRemake = true;
    std::vector<float> m_moves;
    // The last round in which each pair was looked at.
    std::vector<unsigned> m_pairRounds;
    unsigned m_nRound = 0;
};
