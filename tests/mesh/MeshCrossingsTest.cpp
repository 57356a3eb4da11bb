#include "CrossingGuard/MeshCrossings.h"
#include "CrossingGuard/MeshNearPairs.h"
#include "SelfCrossings.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

namespace
{
using MeshCrossings::Triangle;
using MeshCrossings::Vec;

Triangle triangle(std::array<int, 3> corners, Vec a, Vec b, Vec c)
{
    return Triangle{corners, {a, b, c}};
}

// Whether CGAL's exact predicates find the two triangles passing through or
// touching each other other than in what they share. Two triangles on an
// edge run the same way along it make no mesh: the second is turned round.
bool meetExactly(const Triangle& a, Triangle b, bool bTurned = false)
{
    std::vector<std::array<float, 3>> points;
    std::vector<int> numbers;
    const auto indexOf = [&](int nCorner, const Vec& p) {
        for (std::size_t i = 0; i < numbers.size(); ++i)
        {
            if (numbers[i] == nCorner)
            {
                return int(i);
            }
        }
        numbers.push_back(nCorner);
        points.push_back({float(p[0]), float(p[1]), float(p[2])});
        return int(points.size() - 1);
    };
    std::vector<std::array<int, 3>> triangles;
    for (const Triangle* pTriangle : {&a, const_cast<const Triangle*>(&b)})
    {
        std::array<int, 3> corners;
        for (std::size_t i = 0; i < 3; ++i)
        {
            corners[i] = indexOf(pTriangle->corners[i], pTriangle->points[i]);
        }
        triangles.push_back(corners);
    }
    const SelfCrossings crossings = countSelfCrossings(points, triangles);
    if (crossings.bNotAMesh && !bTurned)
    {
        std::swap(b.corners[1], b.corners[2]);
        std::swap(b.points[1], b.points[2]);
        return meetExactly(a, b, true);
    }
    EXPECT_FALSE(crossings.bNotAMesh);
    return crossings.nPairs + crossings.nBetweenShells > 0;
}
} // namespace

TEST(MeshCrossings, TrianglePairsMeetAsTheyLie)
{
    const double g = 1e-3;
    const Triangle base = triangle({0, 1, 2}, Vec(0, 0, 0), Vec(4, 0, 0), Vec(0, 4, 0));
    // Whether they meet, and whether they pass through or touch each other
    // (as an exact check of a saved mesh would find) or only come within the
    // gap.
    struct Case
    {
        const char* pName;
        Triangle other;
        bool bMeet;
        bool bPassThrough;
    };
    const Case cases[] = {
        {"far above", triangle({3, 4, 5}, Vec(0, 0, 1), Vec(4, 0, 1), Vec(0, 4, 1)), false, false},
        {"above by less than the gap", triangle({3, 4, 5}, Vec(0, 0, g / 2), Vec(4, 0, g / 2), Vec(0, 4, g / 2)), true,
            false},
        {"through it", triangle({3, 4, 5}, Vec(1, 1, -1), Vec(1, 1, 1), Vec(2, 1, 1)), true, true},
        {"beside it in its plane", triangle({3, 4, 5}, Vec(3, 3, 0), Vec(5, 3, 0), Vec(3, 5, 0)), false, false},
        {"overlapping in its plane", triangle({3, 4, 5}, Vec(1, 1, 0), Vec(5, 1, 0), Vec(1, 5, 0)), true, true},
        {"on a corner, fanning away", triangle({0, 3, 4}, Vec(0, 0, 0), Vec(-4, 0, 0), Vec(-1, -4, 0)), false, false},
        {"on a corner, standing up", triangle({0, 3, 4}, Vec(0, 0, 0), Vec(0, 0, 4), Vec(-1, -1, 4)), false, false},
        {"on a corner, through it", triangle({0, 3, 4}, Vec(0, 0, 0), Vec(2, 1, 1), Vec(1, 2, -1)), true, true},
        {"on a corner, lying on it", triangle({0, 3, 4}, Vec(0, 0, 0), Vec(2, 1, 0), Vec(1, 2, 0)), true, true},
        {"on a corner, just above it", triangle({0, 3, 4}, Vec(0, 0, 0), Vec(2, 1, g / 2), Vec(1, 2, g / 2)), true,
            false},
        {"on an edge, open", triangle({1, 0, 3}, Vec(4, 0, 0), Vec(0, 0, 0), Vec(2, -3, 1)), false, false},
        {"on an edge, at a right angle", triangle({1, 0, 3}, Vec(4, 0, 0), Vec(0, 0, 0), Vec(2, 0, 3)), false, false},
        {"on an edge, folded onto it", triangle({1, 0, 3}, Vec(4, 0, 0), Vec(0, 0, 0), Vec(1, 1, g / 2)), true, false},
        {"on an edge, lying on it", triangle({1, 0, 3}, Vec(4, 0, 0), Vec(0, 0, 0), Vec(1, 1, 0)), true, true},
        {"the same corners", triangle({2, 0, 1}, Vec(0, 4, 0), Vec(0, 0, 0), Vec(4, 0, 0)), true, true},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pName);
        EXPECT_EQ(MeshCrossings::meet(base, c.other, g), c.bMeet);
        EXPECT_EQ(MeshCrossings::meet(c.other, base, g), c.bMeet);
        EXPECT_EQ(MeshCrossings::passThrough(base, c.other), c.bPassThrough);
        EXPECT_EQ(MeshCrossings::passThrough(c.other, base), c.bPassThrough);
        const double dClearance = MeshCrossings::clearance(base, c.other);
        if (!std::isinf(dClearance))
        {
            // The clearance tells what meet does.
            EXPECT_EQ(dClearance <= g, c.bMeet) << dClearance;
        }
    }
    const Triangle above = triangle({3, 4, 5}, Vec(0, 0, 1), Vec(4, 0, 1), Vec(0, 4, 1));
    EXPECT_NEAR(MeshCrossings::clearance(base, above), 1.0, 1e-12);
}

TEST(MeshCrossings, NoPairThatMeetsIsTakenForApartAndTheGridFindsEveryPair)
{
    // Corners on a coarse lattice, so that triangles touch, share corners
    // and lie in common planes as often as they cross.
    std::mt19937 random(38);
    const auto coordinate = [&] { return double(random() % 5); };
    std::vector<TriangleMesh::Point> points;
    for (int i = 0; i < 40; ++i)
    {
        points.emplace_back(float(coordinate()), float(coordinate()), float(coordinate()));
    }
    std::vector<std::array<int, 3>> triangles;
    while (triangles.size() < 120)
    {
        const std::array<int, 3> corners{int(random() % 40), int(random() % 40), int(random() % 40)};
        const Triangle t = MeshCrossings::triangleOf(corners, points.data());
        if (OpenMesh::cross(t.points[1] - t.points[0], t.points[2] - t.points[0]).sqrnorm() > 0.0)
        {
            triangles.push_back(corners);
        }
    }
    const double dGap = 1e-6;
    std::set<std::pair<int, int>> meeting;
    std::size_t nExact = 0;
    for (int a = 0; a < int(triangles.size()); ++a)
    {
        for (int b = a + 1; b < int(triangles.size()); ++b)
        {
            const Triangle ta = MeshCrossings::triangleOf(triangles[std::size_t(a)], points.data());
            const Triangle tb = MeshCrossings::triangleOf(triangles[std::size_t(b)], points.data());
            const bool bMeet = MeshCrossings::meet(ta, tb, dGap);
            if (bMeet)
            {
                meeting.emplace(a, b);
            }
            if (meetExactly(ta, tb))
            {
                ++nExact;
                EXPECT_TRUE(bMeet) << a << " " << b;
            }
        }
    }
    EXPECT_GT(nExact, 100u);
    const std::vector<std::pair<int, int>> found = MeshCrossings::meetingPairs(triangles, points.data(), dGap);
    const std::set<std::pair<int, int>> foundSet(found.begin(), found.end());
    EXPECT_EQ(foundSet, meeting);
}

TEST(MeshCrossings, AnAreaTouchesTheBoxesOverItsMarkedCellsOnly)
{
    MeshCrossings::Area area(20, 10);
    area.mark({MeshCrossings::Box{Vec(4.5, 2.5, 0), Vec(5.5, 3.5, 9)}}, 1.0);
    // Cells 3 to 6 across, 1 to 4 down.
    EXPECT_EQ(area.size(), 16u);
    EXPECT_TRUE(area.touches(MeshCrossings::Box{Vec(6.9, 4.9, -5), Vec(8, 8, -4)}));
    EXPECT_FALSE(area.touches(MeshCrossings::Box{Vec(7.1, 0, 0), Vec(30, 30, 0)}));
    EXPECT_FALSE(area.touches(MeshCrossings::Box{Vec(0, 5.2, 0), Vec(19, 9, 0)}));
    EXPECT_TRUE(area.touches(MeshCrossings::Box{Vec(-100, -100, 0), Vec(100, 100, 0)}));
    MeshCrossings::Guard guard{0.01, std::make_shared<MeshCrossings::Area>(area)};
    EXPECT_FALSE(guard.covers(MeshCrossings::Box{Vec(10, 0, 0), Vec(11, 1, 0)}));
    guard.pArea.reset();
    EXPECT_TRUE(guard.covers(MeshCrossings::Box{Vec(10, 0, 0), Vec(11, 1, 0)}));
    guard.dGap = 0.0;
    EXPECT_FALSE(guard.covers(MeshCrossings::Box{Vec(4, 2, 0), Vec(5, 3, 0)}));
}

TEST(MeshCrossings, AnAreaMarkedByCellsCoversTheSquareRoundEach)
{
    // Two cells set in a 100 x 60 area, grown by two: each covers 5 x 5
    // cells, the one at the edge clipped. Blocks without a marked cell are
    // passed over.
    std::vector<unsigned char> cells(100 * 60, 0);
    cells[20 * 100 + 10] = 1;
    cells[0 * 100 + 99] = 1;
    MeshCrossings::Area area(100, 60);
    area.mark(cells, 2);
    EXPECT_EQ(area.size(), 25u + 9u);
    const auto touches = [&](double x0, double y0, double x1, double y1) {
        return area.touches(MeshCrossings::Box{Vec(x0, y0, -5), Vec(x1, y1, 5)});
    };
    EXPECT_TRUE(touches(12.5, 22.5, 12.5, 22.5));
    EXPECT_FALSE(touches(13.5, 20.5, 13.5, 20.5));
    EXPECT_FALSE(touches(10.5, 17.5, 10.5, 17.5));
    EXPECT_TRUE(touches(97.5, 2.5, 97.5, 2.5));
    EXPECT_FALSE(touches(50.5, 40.5, 60.5, 50.5));
    EXPECT_TRUE(touches(0.5, 0.5, 99.5, 59.5));
}

TEST(MeshNearPairs, APairThatAStepCarriesThroughEachOtherIsFoundHoweverFarAndWhereverTheGuardLooks)
{
    // Small triangles far off make the skin half a unit. In the first case a
    // corner goes six units through another triangle in one step; in the
    // second the guard looks after a cell under one end of a long triangle,
    // and a corner of a triangle near its other end sinks through it by a
    // little.
    struct Case
    {
        const char* pName;
        std::vector<TriangleMesh::Point> moving;
        bool bArea;
    };
    const Case cases[] = {
        {"far in one step", {{0.2f, 0.2f, 5.0f}, {0.6f, 0.2f, 5.0f}, {0.2f, 0.6f, 5.0f}}, false},
        {"near a looked-after triangle", {{19.0f, 0.7f, 0.1f}, {19.5f, 0.7f, 0.1f}, {19.0f, 1.2f, 0.1f}}, true},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pName);
        std::vector<TriangleMesh::Point> points;
        std::vector<std::array<int, 3>> triangles;
        const auto add = [&](TriangleMesh::Point a, TriangleMesh::Point b, TriangleMesh::Point d) {
            const int n = int(points.size());
            points.insert(points.end(), {a, b, d});
            triangles.push_back({n, n + 1, n + 2});
        };
        if (c.bArea)
        {
            add({0.5f, 0.5f, 0.0f}, {20.0f, 0.5f, 0.0f}, {20.0f, 1.5f, 0.0f});
        }
        else
        {
            add({0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
        }
        add(c.moving[0], c.moving[1], c.moving[2]);
        for (int i = 0; i < 98; ++i)
        {
            const float x = 30.0f + 2.0f * float(i % 10);
            const float y = 30.0f + 2.0f * float(i / 10);
            add({x, y, 0.0f}, {x + 1.0f, y, 0.0f}, {x, y + 1.0f, 0.0f});
        }
        MeshCrossings::Guard guard{1e-4, nullptr};
        if (c.bArea)
        {
            auto pArea = std::make_shared<MeshCrossings::Area>(64, 64);
            pArea->mark({MeshCrossings::Box{Vec(0.5, 0.5, 0), Vec(0.5, 0.5, 0)}}, 0.0);
            guard.pArea = pArea;
        }
        MeshNearPairs pairs(triangles, guard);
        const std::vector<TriangleMesh::Point> before = points;
        EXPECT_TRUE(pairs.newlyMeeting(before.data(), before.data()).empty());
        std::vector<TriangleMesh::Point> after = points;
        after[3][2] = c.bArea ? -0.05f : -1.0f;
        const std::vector<std::pair<int, int>> meeting = pairs.newlyMeeting(before.data(), after.data());
        EXPECT_EQ(meeting, (std::vector<std::pair<int, int>>{{0, 1}}));
        // Looked for where the triangles lie after the step alone, as after
        // a block of steps.
        EXPECT_EQ(pairs.newlyMeetingOnce(before.data(), after.data()), meeting);
    }
}

TEST(MeshNearPairs, TrianglesRoundOneCornerAreFoundWhenAStepFoldsThemOntoEachOther)
{
    // A flat fan of six triangles round a corner. Drawn in, it stays a fan
    // and nothing meets; a ring corner carried round past two triangles
    // folds the first onto the fourth, which share only the middle.
    std::vector<TriangleMesh::Point> points{{0.0f, 0.0f, 0.0f}};
    std::vector<std::array<int, 3>> triangles;
    for (int k = 0; k < 6; ++k)
    {
        const float fAngle = float(k) * float(M_PI) / 3.0f;
        points.emplace_back(std::cos(fAngle), std::sin(fAngle), 0.0f);
        triangles.push_back({0, 1 + k, 1 + (k + 1) % 6});
    }
    const MeshCrossings::Guard guard{1e-4, nullptr};
    const std::vector<TriangleMesh::Point> before = points;
    std::vector<TriangleMesh::Point> drawnIn = points;
    for (std::size_t i = 1; i < drawnIn.size(); ++i)
    {
        drawnIn[i] *= 0.9f;
    }
    MeshNearPairs smooth(triangles, guard);
    EXPECT_TRUE(smooth.newlyMeeting(before.data(), drawnIn.data()).empty());

    std::vector<TriangleMesh::Point> folded = points;
    folded[2] = TriangleMesh::Point(std::cos(3.5f), std::sin(3.5f), 0.0f);
    MeshNearPairs fold(triangles, guard);
    const std::vector<std::pair<int, int>> meeting = fold.newlyMeeting(before.data(), folded.data());
    EXPECT_NE(std::find(meeting.begin(), meeting.end(), std::make_pair(0, 3)), meeting.end());

    // A ring corner carried over the next triangle folds its triangle onto
    // that one across the edge they share.
    std::vector<TriangleMesh::Point> overEdge = points;
    overEdge[1] = TriangleMesh::Point(std::cos(1.6f), std::sin(1.6f), 0.0f);
    MeshNearPairs edge(triangles, guard);
    const std::vector<std::pair<int, int>> onEdge = edge.newlyMeeting(before.data(), overEdge.data());
    EXPECT_NE(std::find(onEdge.begin(), onEdge.end(), std::make_pair(0, 1)), onEdge.end());
}
