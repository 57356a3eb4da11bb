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
// they were listed; a pair not on it stays apart as long as no point goes
// half the skin from there. Where a step takes a point that far, the pairs
// of the triangles round it are found anew before the step is tested, over
// where the step takes them as well as where they stand. Each step takes from a pair's clearance what its
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
    // a corner in m_far or that the guard comes to look after or leaves,
    // for a step from pBefore to pAfter.
    void makeList(const Point* pBefore, const Point* pAfter);
    // The points the step takes, or took, half the skin from where they
    // were listed, into m_far.
    void findFar(const Point* pBefore, const Point* pAfter);
    // The box over a triangle before and after the step.
    MeshCrossings::Box reach(int t, const Point* pBefore, const Point* pAfter) const;
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
    // Per triangle: whether it is looked after.
    std::vector<unsigned char> m_lookedAfter;
    std::size_t m_nPoints = 0;
    // Where the points stood when their pairs were listed; empty until then.
    std::vector<Point> m_listed;
    // The points that go half the skin from there.
    std::vector<int> m_far;
    std::vector<float> m_moves;
    // The last round in which each pair was looked at.
    std::vector<unsigned> m_pairRounds;
    unsigned m_nRound = 0;
};
