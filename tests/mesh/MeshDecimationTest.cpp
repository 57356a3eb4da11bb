#include "CrossingGuard/MeshCollapseGuard.h"
#include "MeshDecimater.h"
#include "MeshGenerator.h"
#include "MeshObject.h"
#include "Parallel.h"
#include "support/MeshTestSupport.h"
#include "DomeHeights.h"

#include <OpenMesh/Tools/Decimater/CollapseInfoT.hh>
#include <OpenMesh/Tools/Smoother/JacobiLaplaceSmootherT.hh>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace
{
// The mesh of n x n rasters, its normals computed.
TriangleMesh builtMesh(std::vector<float>& front, std::vector<float>& back, unsigned n)
{
    MeshGenerator::Image imageFront;
    imageFront.pData = front.data();
    imageFront.nWidth = imageFront.nHeight = n;
    MeshGenerator::Image imageBack = imageFront;
    imageBack.pData = back.data();
    std::unique_ptr<TriangleMesh> pMesh(MeshGenerator::createMesh(imageFront, imageBack));
    MeshGenerator::removeIsolatedVertices(*pMesh);
    MeshGenerator::computeNormals(*pMesh);
    return *pMesh;
}

// A disc relief with grooves, built and smoothed nSteps times, ready for
// decimation.
TriangleMesh makeRelief(unsigned n, unsigned nSteps)
{
    std::vector<float> front = makeDiscRelief(n, float(n) * 0.45f, 9.0f, float(n) * 0.12f, 7, 3.0f);
    std::vector<float> back(front.size());
    for (std::size_t i = 0; i < back.size(); ++i)
    {
        back[i] = front[i] > 0.0f ? 4.0f : 0.0f;
    }
    TriangleMesh mesh = builtMesh(front, back, n);
    MeshGenerator::smooth(mesh, nSteps);
    return mesh;
}

// The faces of a mesh, each as its corners' points in a fixed order.
std::set<std::array<PointBits, 3>> facesByPoints(const TriangleMesh& mesh)
{
    std::set<std::array<PointBits, 3>> faces;
    for (const auto fh : mesh.faces())
    {
        std::array<PointBits, 3> face;
        int i = 0;
        for (auto it = mesh.cfv_iter(fh); it.is_valid(); ++it)
        {
            face[std::size_t(i++)] = bitsOf(mesh.point(*it));
        }
        std::sort(face.begin(), face.end());
        faces.insert(face);
    }
    return faces;
}

TriangleMesh::Point pointOfBits(const PointBits& bits)
{
    TriangleMesh::Point point;
    std::memcpy(&point[0], bits.data(), sizeof(float) * 3);
    return point;
}

MeshGenerator::DecimationSetup singlePass()
{
    MeshGenerator::DecimationSetup setup;
    setup.nParts = 1;
    return setup;
}

MeshGenerator::DecimationSetup parts(unsigned nParts)
{
    MeshGenerator::DecimationSetup setup;
    setup.nParts = nParts;
    setup.nMinimumVerticesForParts = 0;
    return setup;
}
} // namespace

TEST(MeshDecimation, OwnDecimaterKeepsTheShapeAsOpenMeshsDoes)
{
    const TriangleMesh smoothed = makeRelief(48, 3);
    const unsigned nTarget = unsigned(smoothed.n_vertices() / 4);

    TriangleMesh library = smoothed;
    MeshDecimater::decimateWithLibrary(library, nTarget);
    TriangleMesh own = smoothed;
    MeshGenerator::decimate(own, nTarget, singlePass());

    EXPECT_EQ(own.n_vertices(), nTarget);
    EXPECT_TRUE(isClosedTwoManifold(own));
    // A collapse keeps one of its two points.
    const std::set<PointBits> original = pointsOf(smoothed);
    for (const PointBits& point : pointsOf(own))
    {
        ASSERT_EQ(original.count(point), 1u);
    }
    // About as much volume lost as OpenMesh's decimater loses.
    const double dVolume = volumeOf(smoothed);
    ASSERT_GT(dVolume, 0.0);
    const double dLibraryLoss = std::abs(volumeOf(library) / dVolume - 1.0);
    const double dOwnLoss = std::abs(volumeOf(own) / dVolume - 1.0);
    EXPECT_LT(dLibraryLoss, 0.01);
    EXPECT_LT(dOwnLoss, 1.5 * dLibraryLoss);
    // The same mesh on another run.
    TriangleMesh again = smoothed;
    MeshGenerator::decimate(again, nTarget, singlePass());
    EXPECT_TRUE(identicalMeshes(own, again));
}

TEST(MeshDecimation, PartsDecimatedInParallelJoinToAClosedManifoldAtTheBudget)
{
    const TriangleMesh smoothed = makeRelief(64, 3);
    const unsigned nTarget = 800;
    ASSERT_GT(smoothed.n_vertices(), 6u * nTarget);

    TriangleMesh single = smoothed;
    MeshGenerator::decimate(single, nTarget, singlePass());

    MeshGenerator::DecimationSetup setup = parts(4);
    setup.dPartReserve = 1.5;
    TriangleMesh parallel = smoothed;
    MeshGenerator::decimate(parallel, nTarget, setup);

    EXPECT_EQ(parallel.n_vertices(), nTarget);
    EXPECT_TRUE(isClosedTwoManifold(parallel));
    EXPECT_EQ(int(parallel.n_vertices()) - int(parallel.n_edges()) + int(parallel.n_faces()), 2);
    // The parallel path ran (its result differs) and kept the shape: the
    // enclosed volume stays within 1 % of the single pass's.
    EXPECT_FALSE(identicalMeshes(single, parallel));
    const double dSingle = volumeOf(single);
    ASSERT_GT(dSingle, 0.0);
    EXPECT_NEAR(volumeOf(parallel) / dSingle, 1.0, 0.01);
    EXPECT_NEAR(volumeOf(smoothed) / dSingle, 1.0, 0.01);

    // The same parts on another run give the same mesh.
    TriangleMesh again = smoothed;
    MeshGenerator::decimate(again, nTarget, setup);
    EXPECT_TRUE(identicalMeshes(parallel, again));
}

TEST(MeshDecimation, BudgetAboveTheVertexCountLeavesTheMeshAsItIs)
{
    const TriangleMesh smoothed = makeRelief(24, 3);
    TriangleMesh mesh = smoothed;
    MeshGenerator::decimate(mesh, unsigned(smoothed.n_vertices()));
    EXPECT_TRUE(identicalMeshes(mesh, smoothed));
}

TEST(MeshDecimation, FlatGroundGoesFirstAndStaysFlat)
{
    // A flat slab with a small dome: the slab's regular grid, on which every
    // collapse makes a triangle just at the aspect-ratio limit, must not
    // stall, and nothing may rise above the flat back.
    const unsigned n = 48;
    std::vector<float> front(std::size_t(n) * n, 0.0f);
    std::vector<float> back(front.size(), 0.0f);
    for (unsigned y = 2; y + 2 < n; ++y)
    {
        for (unsigned x = 2; x + 2 < n; ++x)
        {
            const float dx = float(x) - 24.0f;
            const float dy = float(y) - 24.0f;
            front[std::size_t(y) * n + x] = 2.0f + std::max(0.0f, 9.0f - 0.1f * (dx * dx + dy * dy));
            back[std::size_t(y) * n + x] = 1.0f;
        }
    }
    TriangleMesh mesh = builtMesh(front, back, n);
    const double dVolume = volumeOf(mesh);
    const unsigned nTarget = 300;
    MeshGenerator::decimate(mesh, nTarget, singlePass());

    EXPECT_EQ(mesh.n_vertices(), nTarget);
    EXPECT_TRUE(isClosedTwoManifold(mesh));
    std::size_t nDome = 0;
    for (const auto vh : mesh.vertices())
    {
        const TriangleMesh::Point& p = mesh.point(vh);
        EXPECT_LE(p[2], 1.0f);
        nDome += p[2] < -2.0f ? 1 : 0;
    }
    // The budget goes to the dome, not to the flat ground around it.
    EXPECT_GT(nDome, nTarget / 2);
    EXPECT_NEAR(volumeOf(mesh) / dVolume, 1.0, 0.01);
}

TEST(MeshSmoothing, SpreadOverTheCoresGivesOpenMeshsResultWhereNothingFolds)
{
    // Large enough to be split over several threads.
    std::vector<float> front = makeDiscRelief(64, 30.0f, 9.0f, 8.0f, 5, 3.0f);
    std::vector<float> back(front.size());
    for (std::size_t i = 0; i < back.size(); ++i)
    {
        back[i] = front[i] > 0.0f ? 2.0f + float(i % 3) : 0.0f;
    }
    MeshGenerator::Image imageFront;
    imageFront.pData = front.data();
    imageFront.nWidth = imageFront.nHeight = 64;
    MeshGenerator::Image imageBack = imageFront;
    imageBack.pData = back.data();
    std::unique_ptr<TriangleMesh> pMesh(MeshGenerator::createMesh(imageFront, imageBack));
    MeshGenerator::computeNormals(*pMesh);
    ASSERT_GT(pMesh->n_vertices(), 4u * 1024u);

    const TriangleMesh original = *pMesh;
    TriangleMesh reference = *pMesh;
    {
        using Smoother = OpenMesh::Smoother::JacobiLaplaceSmootherT<TriangleMesh>;
        Smoother smoother(reference);
        smoother.initialize(Smoother::Tangential_and_Normal, Smoother::C0);
        smoother.smooth(8);
    }
    MeshGenerator::smooth(*pMesh, 8);
    ASSERT_EQ(pMesh->n_vertices(), reference.n_vertices());
    std::size_t nMoved = 0;
    for (const auto vh : reference.vertices())
    {
        EXPECT_EQ(pMesh->point(vh), reference.point(vh));
        nMoved += reference.point(vh) != original.point(vh) ? 1 : 0;
    }
    EXPECT_GT(nMoved, reference.n_vertices() / 2);
}

TEST(MeshSmoothing, ThinPartsAreKeptTheSameWayOnOneCoreAsOnAll)
{
    // The teeth of a comb are kept from collapsing step after step, the
    // vertices held in place found on all cores at once.
    const unsigned n = 64;
    std::vector<float> front = makeCombHeights(n, 6.0f);
    std::vector<float> back = makeCombHeights(n, 3.0f);
    TriangleMesh mesh = builtMesh(front, back, n);
    ASSERT_GT(mesh.n_faces(), 8u * 1024u);
    TriangleMesh serial = mesh;
    {
        Parallel::SerialScope scope;
        MeshGenerator::smooth(serial, 99);
    }
    MeshGenerator::smooth(mesh, 99);
    EXPECT_TRUE(identicalMeshes(mesh, serial));
}

TEST(MeshSmoothing, AGuardedStepNeverCarriesAFacetThroughAnother)
{
    // At many steps the walls of a thin part are pulled through each other:
    // the teeth of a comb through a deep slab, thin strokes.
    const unsigned n = 64;
    struct Case
    {
        const char* pName;
        std::vector<float> front;
        std::vector<float> back;
    };
    const Case cases[] = {
        {"comb", makeCombHeights(n, 40.0f), makeCombHeights(n, 40.0f)},
        {"strokes", makeStrokeHeights(n, 6.0f), makeStrokeHeights(n, 3.0f)},
    };
    for (Case c : cases)
    {
        SCOPED_TRACE(c.pName);
        const TriangleMesh built = builtMesh(c.front, c.back, n);
        ASSERT_EQ(selfCrossingsOf(built).nPairs, 0u);
        TriangleMesh unguarded = built;
        MeshGenerator::smooth(unguarded, 99);
        EXPECT_GT(selfCrossingsOf(unguarded).nPairs, 0u);

        const MeshCrossings::Guard guard{MeshCrossings::gapFor(double(n)), nullptr};
        TriangleMesh guarded = built;
        MeshGenerator::smooth(guarded, 99, guard);
        const SelfCrossings crossings = selfCrossingsOf(guarded);
        EXPECT_FALSE(crossings.bNotAMesh);
        EXPECT_EQ(crossings.nPairs, 0u);
        EXPECT_TRUE(MeshCrossings::meetingPairs(guarded, guard.dGap).empty());
        EXPECT_TRUE(isClosedTwoManifold(guarded));
        if (std::string(c.pName) == "comb")
        {
            TriangleMesh serial = built;
            {
                Parallel::SerialScope scope;
                MeshGenerator::smooth(serial, 99, guard);
            }
            EXPECT_TRUE(identicalMeshes(guarded, serial));
        }
    }
}

TEST(MeshDecimation, AGuardedDecimaterRefusesCollapsesThatWouldMeetAndGoesOnElsewhere)
{
    // Unsmoothed teeth three pixels wide and apart through a deep slab: long
    // facets bridge the gaps between them and cut through their neighbours.
    const unsigned n = 64;
    std::vector<float> heights = makeCombHeights(n, 40.0f, 3);
    const TriangleMesh built = builtMesh(heights, heights, n);
    TriangleMesh unguarded = built;
    MeshDecimater::decimateTo(unguarded, 1000);
    ASSERT_EQ(unguarded.n_vertices(), 1000u);
    EXPECT_GT(selfCrossingsOf(unguarded).nPairs, 0u);

    TriangleMesh guarded = built;
    const MeshCrossings::Guard guard{MeshCrossings::gapFor(double(n)), nullptr};
    MeshDecimater::decimateTo(guarded, 1000, guard);
    EXPECT_EQ(guarded.n_vertices(), 1000u);
    const SelfCrossings crossings = selfCrossingsOf(guarded);
    EXPECT_FALSE(crossings.bNotAMesh);
    EXPECT_EQ(crossings.nPairs, 0u);
    EXPECT_TRUE(MeshCrossings::meetingPairs(guarded, guard.dGap).empty());
    EXPECT_TRUE(isClosedTwoManifold(guarded));
    // Collapses at the teeth's corners cut or add a little.
    EXPECT_NEAR(volumeOf(guarded) / volumeOf(built), 1.0, 0.03);
}

TEST(MeshDecimation, ACollapseRefusedForFacetsThatMeetStaysRefusedWhereNothingNearChanged)
{
    // The decimater tries a refused vertex again only where the guard saw a
    // collapse come near it: every refusal away from the collapses must
    // still hold, and those near them are the ones that may not.
    using CollapseInfo = OpenMesh::Decimater::CollapseInfoT<TriangleMesh>;
    const unsigned n = 48;
    std::vector<float> heights = makeCombHeights(n, 40.0f, 3);
    TriangleMesh mesh = builtMesh(heights, heights, n);
    // Decimated as far as facets kept apart let it go, long facets lie close
    // along the teeth.
    const MeshCrossings::Guard keptApart{MeshCrossings::gapFor(double(n)), nullptr};
    MeshDecimater::decimateTo(mesh, 1000, keptApart);
    mesh.request_vertex_status();
    mesh.request_edge_status();
    mesh.request_face_status();
    mesh.update_face_normals();
    MeshCollapseGuard guard(mesh, keptApart);
    const auto refuses = [&](TriangleMesh::HalfedgeHandle h) {
        const CollapseInfo ci(mesh, h);
        return guard.wouldMeet(ci.v0, ci.v1, ci.fl, ci.fr);
    };
    std::vector<TriangleMesh::HalfedgeHandle> refused;
    for (const auto h : mesh.halfedges())
    {
        if (mesh.is_collapse_ok(h) && refuses(h))
        {
            refused.push_back(h);
        }
    }
    ASSERT_GT(refused.size(), 100u);

    // Collapses allowed in one corner of the comb.
    std::size_t nCollapses = 0;
    for (const auto h : mesh.halfedges())
    {
        const TriangleMesh::Point& from = mesh.point(mesh.from_vertex_handle(h));
        if (nCollapses == 30 || from[0] > float(n) / 3.0f || from[1] > float(n) / 3.0f || mesh.status(mesh.edge_handle(h)).deleted()
            || !mesh.is_collapse_ok(h) || refuses(h))
        {
            continue;
        }
        const TriangleMesh::VertexHandle v0 = mesh.from_vertex_handle(h);
        const TriangleMesh::VertexHandle v1 = mesh.to_vertex_handle(h);
        guard.beforeCollapse(v0);
        mesh.collapse(h);
        for (auto it = mesh.vf_iter(v1); it.is_valid(); ++it)
        {
            mesh.set_normal(*it, mesh.calc_face_normal(*it));
        }
        guard.afterCollapse();
        ++nCollapses;
    }
    ASSERT_EQ(nCollapses, 30u);

    std::size_t nNear = 0;
    std::size_t nAway = 0;
    for (const auto h : refused)
    {
        const TriangleMesh::VertexHandle v0 = mesh.from_vertex_handle(h);
        if (mesh.status(mesh.edge_handle(h)).deleted() || mesh.status(v0).deleted() || !mesh.is_collapse_ok(h))
        {
            continue;
        }
        if (guard.changedNear(v0))
        {
            ++nNear;
            continue;
        }
        ++nAway;
        EXPECT_TRUE(refuses(h)) << "vertex " << v0.idx();
    }
    EXPECT_GT(nNear, 0u);
    EXPECT_GT(nAway, nNear);

    guard.forgetChanges();
    for (const auto vh : mesh.vertices())
    {
        EXPECT_FALSE(guard.changedNear(vh));
    }
}

TEST(MeshDecimation, AFencedDecimaterMakesNoFaceThatMovesTheSurfaceOutsideItsFence)
{
    // A dome on both sides, smoothed: nowhere flat, so every collapse moves
    // the surface. Faces the fenced decimater leaves with a corner outside
    // the fence are faces it never made.
    const unsigned n = 64;
    std::vector<float> dome = domeHeights(n, 0.45, 20.0f, 2.0f);
    TriangleMesh mesh = builtMesh(dome, dome, n);
    MeshGenerator::smooth(mesh, 3);
    const std::set<std::array<PointBits, 3>> before = facesByPoints(mesh);
    const auto inside = [](const auto& point) {
        return point[0] >= 20.0 && point[0] <= 44.0 && point[1] >= 12.0 && point[1] <= 40.0;
    };
    MeshDecimater decimater(mesh);
    decimater.setCrossingGuard(MeshCrossings::Guard{MeshCrossings::gapFor(double(n)), nullptr});
    decimater.setFence([&](const MeshCrossings::Box& box) { return inside(box.min) && inside(box.max); });
    const std::size_t nCollapsed = decimater.decimate(mesh.n_vertices() / 2);
    mesh.garbage_collection();
    // Inside the fence it went on as far as it could.
    EXPECT_GT(nCollapsed, 800u);
    std::size_t nMade = 0;
    std::size_t nMadeReaching = 0;
    for (const auto& face : facesByPoints(mesh))
    {
        if (before.count(face))
        {
            continue;
        }
        ++nMade;
        nMadeReaching += std::all_of(face.begin(), face.end(), [&](const PointBits& bits) {
            return inside(pointOfBits(bits));
        }) ? 0 : 1;
    }
    EXPECT_GT(nMade, 200u);
    EXPECT_EQ(nMadeReaching, 0u);
}

TEST(MeshDecimation, PartsKeptApartNeverMeetAcrossTheirCuts)
{
    // Thin parts decimated in tiles that see nothing of each other: each
    // keeps facets apart from its own, and in the rounds after the first
    // the fences keep the faces one tile makes away from every face of the
    // others.
    struct Case
    {
        const char* pName;
        unsigned n;
        std::vector<float> front;
        std::vector<float> back;
        unsigned nSteps;
    };
    std::vector<Case> cases;
    for (const unsigned nTooth : {2u, 3u})
    {
        const std::vector<float> comb = makeCombHeights(96, 40.0f, nTooth);
        cases.push_back({"comb", 96, comb, comb, 8});
    }
    const std::vector<float> slotted = makeSlotHeights(96, 40.0f);
    cases.push_back({"slots", 96, slotted, slotted, 3});
    const std::vector<float> strokes = makeStrokeHeights(128, 6.0f);
    std::vector<float> thinner(strokes.size());
    std::transform(strokes.begin(), strokes.end(), thinner.begin(), [](float h) { return 0.5f * h; });
    cases.push_back({"strokes", 128, strokes, thinner, 20});
    for (Case& c : cases)
    {
        SCOPED_TRACE(c.pName);
        const MeshCrossings::Guard guard{MeshCrossings::gapFor(double(c.n)), nullptr};
        TriangleMesh smoothed = builtMesh(c.front, c.back, c.n);
        MeshGenerator::smooth(smoothed, c.nSteps, guard);
        ASSERT_TRUE(MeshCrossings::meetingPairs(smoothed, guard.dGap).empty());
        for (const unsigned nParts : {4u, 9u})
        {
            MeshGenerator::DecimationSetup setup = parts(nParts);
            setup.crossingGuard = guard;
            TriangleMesh mesh = smoothed;
            MeshGenerator::decimate(mesh, unsigned(smoothed.n_vertices() / 12), setup);
            EXPECT_TRUE(MeshCrossings::meetingPairs(mesh, guard.dGap).empty()) << nParts << " parts";
            EXPECT_TRUE(isClosedTwoManifold(mesh));
        }
    }
}

TEST(MeshDecimation, WornOutVerticesPassedOverGiveTheMeshTheirTrialsGive)
{
    // Teeth whose walls the shape veto keeps: many vertices wear out, as in
    // a tile fenced in. A decimater told which ones (that of the joined
    // tiles) does without their trials and makes the same collapses as one
    // that tries them all again.
    const unsigned n = 64;
    std::vector<float> heights = makeCombHeights(n, 40.0f, 2);
    TriangleMesh mesh = builtMesh(heights, heights, n);
    // What is left of it as a mesh of its own, vertices in their order, as
    // tiles are joined, and the marks of those vertices.
    TriangleMesh built;
    built.request_face_normals();
    built.request_vertex_normals();
    std::vector<unsigned char> wornOut;
    {
        MeshDecimater decimater(mesh);
        decimater.setCrossingGuard(MeshCrossings::Guard{MeshCrossings::gapFor(double(n)), nullptr});
        decimater.setFence([](const MeshCrossings::Box& box) { return box.min[0] >= 8.0 && box.max[0] <= 40.0; });
        decimater.decimate(mesh.n_vertices());
        const std::vector<unsigned char> marks = decimater.wornOut();
        std::vector<int> index(mesh.n_vertices(), -1);
        for (const auto vh : mesh.vertices())
        {
            index[std::size_t(vh.idx())] = built.add_vertex(mesh.point(vh)).idx();
            wornOut.push_back(marks[std::size_t(vh.idx())]);
        }
        for (const auto fh : mesh.faces())
        {
            std::vector<TriangleMesh::VertexHandle> corners;
            for (auto it = mesh.cfv_iter(fh); it.is_valid(); ++it)
            {
                corners.emplace_back(index[std::size_t(it->idx())]);
            }
            built.add_face(corners);
        }
        built.update_face_normals();
    }
    const auto nWornOut = std::count_if(wornOut.begin(), wornOut.end(), [](unsigned char c) { return c != 0; });
    EXPECT_GT(nWornOut, 100);
    EXPECT_GT(std::count(wornOut.begin(), wornOut.end(), 2), 0);
    // Both go on from the mesh the first left, as far as they can.
    for (const bool bGuard : {true, false})
    {
        SCOPED_TRACE(bGuard ? "facets kept apart" : "no guard");
        TriangleMesh told = built;
        TriangleMesh untold = built;
        for (TriangleMesh* pMesh : {&told, &untold})
        {
            MeshDecimater decimater(*pMesh);
            if (bGuard)
            {
                decimater.setCrossingGuard(MeshCrossings::Guard{MeshCrossings::gapFor(double(n)), nullptr});
            }
            if (pMesh == &told)
            {
                decimater.setWornOut(wornOut);
            }
            decimater.decimate(pMesh->n_vertices());
            pMesh->garbage_collection();
        }
        EXPECT_TRUE(identicalMeshes(told, untold)) << told.n_vertices() << " " << untold.n_vertices();
    }
}
