#include "MeshBuilder.h"
#include "CrossingGuard/MeshCrossings.h"
#include "MeshGenerator.h"
#include "CrossingGuard/MeshRework.h"
#include "support/MeshTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <set>
#include <vector>

namespace
{
// A mesh decimated as generation does it in one piece, with the table of
// where each vertex of the build went.
struct FirstPass
{
    std::unique_ptr<TriangleMesh> pBuilt;
    std::unique_ptr<TriangleMesh> pMesh;
    std::vector<int> collapsedInto;
};

FirstPass firstPass(std::vector<float>& front, std::vector<float>& back, unsigned n, unsigned nSteps,
    unsigned nVertices)
{
    MeshGenerator::Image imageFront;
    imageFront.pData = front.data();
    imageFront.nWidth = imageFront.nHeight = n;
    MeshGenerator::Image imageBack = imageFront;
    imageBack.pData = back.data();
    FirstPass pass;
    pass.pBuilt.reset(MeshGenerator::createMesh(imageFront, imageBack));
    MeshGenerator::removeIsolatedVertices(*pass.pBuilt);
    MeshBuilder::numberVertices(*pass.pBuilt, n);
    MeshGenerator::computeNormals(*pass.pBuilt);
    MeshGenerator::smooth(*pass.pBuilt, nSteps);
    pass.pMesh = std::make_unique<TriangleMesh>(*pass.pBuilt);
    pass.collapsedInto.assign(std::size_t(n) * n * 2, -1);
    MeshGenerator::DecimationSetup setup;
    setup.nParts = 1;
    setup.pCollapsedInto = &pass.collapsedInto;
    MeshGenerator::decimate(*pass.pMesh, nVertices, setup);
    return pass;
}

// Each face as its corners' points to the bit, turned to start at the
// smallest corner so that the order round it counts and the start does not.
using Face = std::array<PointBits, 3>;
Face faceOf(const TriangleMesh& mesh, TriangleMesh::FaceHandle fh)
{
    Face face;
    int i = 0;
    for (auto it = mesh.cfv_iter(fh); it.is_valid(); ++it, ++i)
    {
        face[std::size_t(i)] = bitsOf(mesh.point(*it));
    }
    std::rotate(face.begin(), std::min_element(face.begin(), face.end()), face.end());
    return face;
}

std::set<Face> facesOf(const TriangleMesh& mesh)
{
    std::set<Face> faces;
    for (const auto fh : mesh.faces())
    {
        faces.insert(faceOf(mesh, fh));
    }
    return faces;
}
} // namespace

TEST(MeshRework, EveryStandInIsWhereTheCollapsesOfItsVertexEnd)
{
    // -1: not collapsed. 0 -> 1 -> 2, 3 -> 2, 5 -> 4, 6 not a vertex.
    const std::vector<int> collapsedInto{1, 2, -1, 2, -1, 4, -1};
    EXPECT_EQ(MeshRework::representatives(collapsedInto), (std::vector<int>{2, 2, 2, 2, 4, 4, 6}));
}

TEST(MeshRework, EveryFaceOfTheDecimatedMeshIsAFaceOfTheBuildWithItsCornersStoodInFor)
{
    // What working a mesh again in part rests on: the decimater's table
    // tells, for every face it keeps, the face of the build it came from.
    const unsigned n = 48;
    std::vector<float> front = makeDiscRelief(n, 21.0f, 9.0f, 6.0f, 4, 3.0f);
    std::vector<float> back(front.size());
    std::transform(front.begin(), front.end(), back.begin(), [](float h) { return h > 0.0f ? 2.0f : 0.0f; });
    const FirstPass pass = firstPass(front, back, n, 4, 500);
    ASSERT_EQ(pass.pMesh->n_vertices(), 500u);
    const std::vector<int> representatives = MeshRework::representatives(pass.collapsedInto);
    OpenMesh::VPropHandleT<int> hBuiltIds, hIds;
    ASSERT_TRUE(pass.pBuilt->get_property_handle(hBuiltIds, MeshBuilder::VERTEX_IDS));
    ASSERT_TRUE(pass.pMesh->get_property_handle(hIds, MeshBuilder::VERTEX_IDS));
    std::multiset<std::array<int, 3>> stoodIn;
    for (const auto fh : pass.pBuilt->faces())
    {
        std::array<int, 3> corners{};
        int i = 0;
        for (auto it = pass.pBuilt->cfv_iter(fh); it.is_valid(); ++it, ++i)
        {
            corners[std::size_t(i)] = representatives[std::size_t(pass.pBuilt->property(hBuiltIds, *it))];
        }
        if (MeshCrossings::hasThreeCorners(corners))
        {
            std::rotate(corners.begin(), std::min_element(corners.begin(), corners.end()), corners.end());
            stoodIn.insert(corners);
        }
    }
    std::multiset<std::array<int, 3>> kept;
    for (const auto fh : pass.pMesh->faces())
    {
        std::array<int, 3> corners{};
        int i = 0;
        for (auto it = pass.pMesh->cfv_iter(fh); it.is_valid(); ++it, ++i)
        {
            corners[std::size_t(i)] = pass.pMesh->property(hIds, *it);
        }
        std::rotate(corners.begin(), std::min_element(corners.begin(), corners.end()), corners.end());
        kept.insert(corners);
    }
    EXPECT_EQ(kept, stoodIn);
}

TEST(MeshRework, AShapeWhoseFacetsMeetInOnePlaceIsWorkedAgainThereAlone)
{
    // A slab with two teeth two pixels wide at one edge, which the usual
    // steps press together: generation works the mesh again round them,
    // and every face away from them (beyond where the smoothing of the build
    // round them reaches) comes out as the first pass left it.
    const unsigned n = 64;
    std::vector<float> front(std::size_t(n) * n, 0.0f);
    for (unsigned y = 2; y + 2 < n; ++y)
    {
        for (unsigned x = 2; x + 2 < n; ++x)
        {
            const bool bCut = y > 44 && x >= 24 && x < 32 && (x - 24) / 2 % 2 == 1;
            front[std::size_t(y) * n + x] = bCut ? 0.0f : 40.0f;
        }
    }
    std::vector<float> back = front;
    const FirstPass pass = firstPass(front, back, n, 8, 800);
    const double dGap = MeshCrossings::gapFor(double(n));
    const auto meeting = MeshCrossings::meetingPairs(*pass.pMesh, dGap);
    ASSERT_FALSE(meeting.empty());
    ASSERT_LT(meeting.size(), 10u);

    MeshGenerator::Image imageFront;
    imageFront.pData = front.data();
    imageFront.nWidth = imageFront.nHeight = n;
    MeshGenerator::Image imageBack = imageFront;
    imageBack.pData = back.data();
    MeshGenerator::Parameters parameters;
    parameters.NumberOfSmoothingSteps = 8;
    parameters.NumberOfVertices = 800;
    std::unique_ptr<TriangleMesh> pGenerated(
        MeshGenerator::generateMesh(imageFront, imageBack, parameters, MeshGenerator::DecimationSetup()));
    EXPECT_TRUE(MeshCrossings::meetingPairs(*pGenerated, dGap).empty());
    EXPECT_EQ(selfCrossingsOf(*pGenerated).nPairs, 0u);
    EXPECT_TRUE(isClosedTwoManifold(*pGenerated));
    EXPECT_LE(pGenerated->n_vertices(), 800u);

    // Where the meeting facets reach, grown by more than the smoothing of
    // the build round them reaches.
    MeshCrossings::Area near(n, n);
    std::vector<MeshCrossings::Box> boxes;
    for (const auto& [a, b] : meeting)
    {
        for (const int nFace : {a, b})
        {
            boxes.push_back(
                MeshCrossings::boxOf(MeshCrossings::triangleOf(*pass.pMesh, TriangleMesh::FaceHandle(nFace)), 0.0));
        }
    }
    near.mark(boxes, 24.0);
    const std::set<Face> generated = facesOf(*pGenerated);
    std::size_t nFar = 0;
    std::size_t nKept = 0;
    for (const auto fh : pass.pMesh->faces())
    {
        const bool bKept = generated.count(faceOf(*pass.pMesh, fh)) > 0;
        nKept += bKept ? 1 : 0;
        if (!near.touches(MeshCrossings::boxOf(MeshCrossings::triangleOf(*pass.pMesh, fh), 0.0)))
        {
            ++nFar;
            EXPECT_TRUE(bKept);
        }
    }
    EXPECT_GT(nFar, pass.pMesh->n_faces() / 8);
    EXPECT_GT(nKept, pass.pMesh->n_faces() / 2);
}
