#include "MeshGenerator.h"
#include "MeshObject.h"
#include "support/MeshTestSupport.h"

#include <OpenMesh/Tools/Smoother/JacobiLaplaceSmootherT.hh>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace
{
// A smoothed disc relief with grooves, ready for decimation.
TriangleMesh makeSmoothedRelief(unsigned n)
{
    std::vector<float> front = makeDiscRelief(n, float(n) * 0.45f, 9.0f, float(n) * 0.12f, 7, 3.0f);
    std::vector<float> back(front.size());
    for (std::size_t i = 0; i < back.size(); ++i)
    {
        back[i] = front[i] > 0.0f ? 4.0f : 0.0f;
    }
    MeshGenerator::Image imageFront;
    imageFront.pData = front.data();
    imageFront.nWidth = imageFront.nHeight = n;
    MeshGenerator::Image imageBack = imageFront;
    imageBack.pData = back.data();
    std::unique_ptr<TriangleMesh> pMesh(MeshGenerator::createMesh(imageFront, imageBack));
    MeshGenerator::removeIsolatedVertices(*pMesh);
    MeshGenerator::computeNormals(*pMesh);
    MeshGenerator::smooth(*pMesh, 3);
    return *pMesh;
}

MeshGenerator::DecimationSetup singlePass(bool bAspectRatioFirst, bool bLibraryQueries)
{
    MeshGenerator::DecimationSetup setup;
    setup.bAspectRatioFirst = bAspectRatioFirst;
    setup.bLibraryQueries = bLibraryQueries;
    setup.nParts = 1;
    return setup;
}

} // namespace

TEST(MeshDecimation, VetoOrderAndOwnQueriesLeaveTheResultUnchanged)
{
    const TriangleMesh smoothed = makeSmoothedRelief(40);
    const unsigned nTarget = unsigned(smoothed.n_vertices() / 5);

    TriangleMesh plain = smoothed;
    MeshGenerator::decimate(plain, nTarget, singlePass(false, true));
    TriangleMesh ownQueries = smoothed;
    MeshGenerator::decimate(ownQueries, nTarget, singlePass(false, false));
    TriangleMesh aspectFirst = smoothed;
    MeshGenerator::decimate(aspectFirst, nTarget, singlePass(true, false));

    EXPECT_EQ(plain.n_vertices(), nTarget);
    EXPECT_TRUE(identicalMeshes(plain, ownQueries));
    EXPECT_TRUE(identicalMeshes(plain, aspectFirst));
    // The comparison can tell meshes apart.
    TriangleMesh other = smoothed;
    MeshGenerator::decimate(other, nTarget + 1, singlePass(false, true));
    EXPECT_FALSE(identicalMeshes(plain, other));
}

TEST(MeshDecimation, PartsDecimatedInParallelJoinToAClosedManifoldAtTheBudget)
{
    const TriangleMesh smoothed = makeSmoothedRelief(64);
    const unsigned nTarget = 800;
    ASSERT_GT(smoothed.n_vertices(), 6u * nTarget);

    TriangleMesh single = smoothed;
    MeshGenerator::decimate(single, nTarget, singlePass(true, false));

    MeshGenerator::DecimationSetup setup;
    setup.nParts = 4;
    setup.nMinimumVerticesForParts = 0;
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

TEST(MeshDecimation, AskingTheErrorBoundFirstLeavesThePartsResultUnchanged)
{
    const TriangleMesh smoothed = makeSmoothedRelief(64);
    const unsigned nTarget = 800;

    MeshGenerator::DecimationSetup setup;
    setup.nParts = 4;
    setup.nMinimumVerticesForParts = 0;
    setup.bErrorBoundFirst = true;
    TriangleMesh boundFirst = smoothed;
    MeshGenerator::decimate(boundFirst, nTarget, setup);
    setup.bErrorBoundFirst = false;
    TriangleMesh boundLast = smoothed;
    MeshGenerator::decimate(boundLast, nTarget, setup);

    EXPECT_EQ(boundFirst.n_vertices(), nTarget);
    EXPECT_TRUE(identicalMeshes(boundFirst, boundLast));
    // The parallel path ran: a single pass gives another mesh.
    TriangleMesh single = smoothed;
    MeshGenerator::decimate(single, nTarget, singlePass(true, false));
    EXPECT_FALSE(identicalMeshes(single, boundFirst));
}

TEST(MeshDecimation, BudgetAboveTheVertexCountLeavesTheMeshAsItIs)
{
    const TriangleMesh smoothed = makeSmoothedRelief(24);
    TriangleMesh mesh = smoothed;
    MeshGenerator::decimate(mesh, unsigned(smoothed.n_vertices()));
    EXPECT_TRUE(identicalMeshes(mesh, smoothed));
}

TEST(MeshSmoothing, SpreadOverTheCoresGivesOpenMeshsResult)
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
        smoother.smooth(5);
    }
    MeshGenerator::smooth(*pMesh, 5);
    ASSERT_EQ(pMesh->n_vertices(), reference.n_vertices());
    std::size_t nMoved = 0;
    for (const auto vh : reference.vertices())
    {
        EXPECT_EQ(pMesh->point(vh), reference.point(vh));
        nMoved += reference.point(vh) != original.point(vh) ? 1 : 0;
    }
    EXPECT_GT(nMoved, reference.n_vertices() / 2);
}

TEST(MeshDecimation, TiesTakenInVertexOrderKeepTheShape)
{
    // A relief with wide flat ground, where most collapses tie at zero error.
    const TriangleMesh smoothed = makeSmoothedRelief(64);
    const unsigned nTarget = 600;

    MeshGenerator::DecimationSetup setup = singlePass(true, false);
    ASSERT_TRUE(setup.bTiesInOrder);
    TriangleMesh inOrder = smoothed;
    MeshGenerator::decimate(inOrder, nTarget, setup);
    setup.bTiesInOrder = false;
    TriangleMesh heapOrder = smoothed;
    MeshGenerator::decimate(heapOrder, nTarget, setup);

    EXPECT_FALSE(identicalMeshes(inOrder, heapOrder));
    EXPECT_EQ(inOrder.n_vertices(), nTarget);
    EXPECT_TRUE(isClosedTwoManifold(inOrder));
    const double dHeapOrder = volumeOf(heapOrder);
    ASSERT_GT(dHeapOrder, 0.0);
    EXPECT_NEAR(volumeOf(inOrder) / dHeapOrder, 1.0, 0.005);
    // The flat back stays exactly flat: no point of the mesh lies beyond it.
    float fBackMost = -1e30f;
    float fSmoothedBackMost = -1e30f;
    for (const auto vh : inOrder.vertices())
    {
        fBackMost = std::max(fBackMost, inOrder.point(vh)[2]);
    }
    for (const auto vh : smoothed.vertices())
    {
        fSmoothedBackMost = std::max(fSmoothedBackMost, smoothed.point(vh)[2]);
    }
    EXPECT_EQ(fBackMost, fSmoothedBackMost);
}
