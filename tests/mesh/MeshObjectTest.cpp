#include "MeshObject.h"
#include "SimpleException.h"
#include "TestSupport.h"
#include "support/MeshTestSupport.h"

#include <QSignalSpy>

#include <cmath>
#include <limits>

TEST(MeshData, AllocateRefusesZeroCountsAndKeepsContentsForSameCounts)
{
    MeshData data;
    EXPECT_FALSE(data.allocate(0, 4));
    EXPECT_FALSE(data.allocate(4, 0));
    EXPECT_EQ(data.getNumberOfVertices(), 0u);
    EXPECT_EQ(data.getVertices(), nullptr);

    ASSERT_TRUE(data.allocate(4, 2));
    EXPECT_EQ(data.getVertices()[23], 0.0f);
    EXPECT_EQ(data.getFaces()[5], nullptr);
    data.getVertices()[7] = 3.5f;
    float* pVertices = data.getVertices();

    EXPECT_FALSE(data.allocate(0, 0));
    EXPECT_EQ(data.getVertices(), pVertices);
    ASSERT_TRUE(data.allocate(4, 2));
    EXPECT_EQ(data.getVertices()[7], 3.5f);

    ASSERT_TRUE(data.allocate(5, 2));
    EXPECT_EQ(data.getNumberOfVertices(), 5u);
    EXPECT_EQ(data.getVertices()[7], 0.0f);
}

TEST(MeshData, StartsWhiteAndEmpty)
{
    MeshData data;
    double dX = -1, dY = -1, dZ = -1;
    data.getExtents(dX, dY, dZ);
    EXPECT_EQ(dX + dY + dZ, 0.0);
    EXPECT_EQ(data.getVolume(), 0.0);
    EXPECT_EQ(data.getColor(), QColor(255, 255, 255, 255));
}

TEST(MeshObject, WithoutMeshOnlyTheTolerantOperationsWork)
{
    MeshObject object("M");
    EXPECT_FALSE(object.isClosed());
    EXPECT_FALSE(object.updateMeshData());
    object.getMeshData()->setVolume(5.0);
    object.calculateVolume();
    EXPECT_EQ(object.getMeshData()->getVolume(), 0.0);
    double a, b, c, d, e, f;
    EXPECT_ASSERTION(object.getBoundingBox(a, b, c, d, e, f), "pMesh");
    EXPECT_ASSERTION(object.translate(1, 0, 0), "pMesh");
    EXPECT_ASSERTION(object.rotate(90, 1), "pMesh");
    EXPECT_ASSERTION(object.scale(2.0), "pMesh");
    EXPECT_ASSERTION(object.normalize(), "pMesh");
    EXPECT_ASSERTION(object.update(), "pMesh");
}

TEST(MeshObject, TetrahedronVolumeIsPositiveAndOpenMeshHasNone)
{
    MeshObject object("M");
    object.setMesh(makeTetrahedron());
    EXPECT_TRUE(object.isClosed());
    object.update();
    EXPECT_NEAR(object.getMeshData()->getVolume(), 1.0 / 6.0, 1e-9);
    double dX, dY, dZ;
    object.getMeshData()->getExtents(dX, dY, dZ);
    EXPECT_EQ(dX, 1.0);
    EXPECT_EQ(dY, 1.0);
    EXPECT_EQ(dZ, 1.0);

    // Inward faces give the negative volume.
    MeshObject inverted("I");
    inverted.setMesh(makeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {{0, 1, 2}, {0, 3, 1}, {0, 2, 3}, {1, 3, 2}}));
    inverted.update();
    EXPECT_NEAR(inverted.getMeshData()->getVolume(), -1.0 / 6.0, 1e-9);

    MeshObject open("O");
    open.setMesh(makeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}}));
    EXPECT_FALSE(open.isClosed());
    open.update();
    EXPECT_EQ(open.getMeshData()->getVolume(), 0.0);
}

TEST(MeshObject, RenderBuffersHoldPositionsNormalsAndCornerAddresses)
{
    MeshObject object("M");
    object.setMesh(makeTetrahedron());
    ASSERT_TRUE(object.updateMeshData());
    const MeshData* pData = object.getMeshData();
    ASSERT_EQ(pData->getNumberOfVertices(), 4u);
    ASSERT_EQ(pData->getNumberOfFaces(), 4u);
    const float* pVertices = pData->getVertices();
    EXPECT_EQ(pVertices[6 * 1 + 0], 1.0f);
    EXPECT_EQ(pVertices[6 * 3 + 2], 1.0f);
    // Vertex 0's normal points away from the body, into the negative octant.
    EXPECT_LT(pVertices[3], 0.0f);
    EXPECT_LT(pVertices[4], 0.0f);
    EXPECT_LT(pVertices[5], 0.0f);
    // Each face names its corners in winding order: the first face (0, 2, 1)
    // starts at the vertex its first half-edge points to.
    const TriangleMesh* pMesh = object.getMesh();
    for (unsigned nFace = 0; nFace < 4; ++nFace)
    {
        auto h = pMesh->halfedge_handle(TriangleMesh::FaceHandle(int(nFace)));
        for (int i = 0; i < 3; ++i)
        {
            const int nVertex = pMesh->to_vertex_handle(h).idx();
            EXPECT_EQ(pData->getFaces()[nFace * 3 + i], pVertices + 6 * nVertex);
            h = pMesh->next_halfedge_handle(h);
        }
    }
}

TEST(MeshObject, RotateTurnsAboutTheBoxCentreAndChecksTheAxis)
{
    MeshObject object("M");
    object.setMesh(makeOctahedron(1, 1, 1, 10, 20, 30));
    object.rotate(90.0, 2);
    const TriangleMesh::Point p = object.getMesh()->point(TriangleMesh::VertexHandle(0));
    EXPECT_NEAR(p[0], 10.0f, 1e-5);
    EXPECT_NEAR(p[1], 21.0f, 1e-5);
    EXPECT_NEAR(p[2], 30.0f, 1e-5);

    object.rotate(180.0, 0);
    const TriangleMesh::Point q = object.getMesh()->point(TriangleMesh::VertexHandle(4));
    EXPECT_NEAR(q[2], 29.0f, 1e-5);

    EXPECT_ASSERTION(object.rotate(90.0, 3), "nAxis >= 0 && nAxis <= 2");
    EXPECT_ASSERTION(object.rotate(90.0, -1), "nAxis >= 0 && nAxis <= 2");
}

TEST(MeshObject, ScaleGrowsAboutTheBoxCentreAndTurnsRefreshNormals)
{
    MeshObject object("M");
    object.setMesh(makeOctahedron(1, 1, 1, 5, 0, 0));
    object.scale(3.0);
    EXPECT_NEAR(object.getMesh()->point(TriangleMesh::VertexHandle(0))[0], 8.0f, 1e-5);
    EXPECT_NEAR(object.getMesh()->point(TriangleMesh::VertexHandle(1))[0], 2.0f, 1e-5);
    EXPECT_NEAR(object.getMeshData()->getVolume(), 27.0 * 4.0 / 3.0, 1e-4);

    // Turning must carry the face normals along: face 0 faced (+x, +y, +z).
    object.rotate(180.0, 2);
    const TriangleMesh::Normal n = object.getMesh()->normal(TriangleMesh::FaceHandle(0));
    EXPECT_LT(n[0], 0.0f);
    EXPECT_LT(n[1], 0.0f);
    EXPECT_GT(n[2], 0.0f);
}

TEST(MeshObject, NormalizeCentresAndBringsTheLargestSideToOne)
{
    MeshObject object("M");
    object.setMesh(makeOctahedron(2.0f, 1.0f, 0.5f, 7.0f, -3.0f, 11.0f));
    QSignalSpy spy(&object, &MeshObject::signalMeshObjectChanged);
    object.normalize();
    EXPECT_GE(spy.count(), 1);
    EXPECT_EQ(spy.last().at(0).toString(), QString("M"));
    double dX, dY, dZ;
    object.getMeshData()->getExtents(dX, dY, dZ);
    EXPECT_NEAR(dX, 1.0, 1e-6);
    EXPECT_NEAR(dY, 0.5, 1e-6);
    EXPECT_NEAR(dZ, 0.25, 1e-6);
    double cX, cY, cZ;
    object.getCenter(cX, cY, cZ);
    EXPECT_NEAR(cX, 0.0, 1e-6);
    EXPECT_NEAR(cY, 0.0, 1e-6);
    EXPECT_NEAR(cZ, 0.0, 1e-6);

    // Two equal largest sides: either choice gives the same result.
    MeshObject tied("T");
    tied.setMesh(makeOctahedron(1.0f, 4.0f, 4.0f, 0, 0, 0));
    tied.normalize();
    tied.getMeshData()->getExtents(dX, dY, dZ);
    EXPECT_NEAR(dX, 0.25, 1e-6);
    EXPECT_NEAR(dY, 1.0, 1e-6);
    EXPECT_NEAR(dZ, 1.0, 1e-6);
}

TEST(MeshObject, NormalizeOfAMeshWithoutExtentLeavesFinitePoints)
{
    TriangleMesh* pMesh = new TriangleMesh();
    pMesh->request_face_normals();
    pMesh->request_vertex_normals();
    pMesh->add_vertex(TriangleMesh::Point(3, 4, 5));
    MeshObject object("P");
    object.setMesh(pMesh);
    object.normalize();
    const TriangleMesh::Point p = pMesh->point(TriangleMesh::VertexHandle(0));
    EXPECT_EQ(p, TriangleMesh::Point(0, 0, 0));
}

TEST(MeshObject, MovingWithoutNormalsFailsButKeepsThePointsMoved)
{
    TriangleMesh* pMesh = new TriangleMesh();
    pMesh->add_vertex(TriangleMesh::Point(1, 2, 3));
    MeshObject object("M");
    object.setMesh(pMesh);
    EXPECT_ASSERTION(object.translate(1, 1, 1), "pMesh->has_face_normals()");
    EXPECT_EQ(pMesh->point(TriangleMesh::VertexHandle(0)), TriangleMesh::Point(2, 3, 4));
    pMesh->request_face_normals();
    EXPECT_ASSERTION(object.translate(1, 1, 1), "pMesh->has_vertex_normals()");
}

TEST(MeshObject, SelectionSetsTheHighlightWithoutSignal)
{
    MeshObject object("M");
    QSignalSpy spy(&object, &MeshObject::signalMeshObjectChanged);
    EXPECT_EQ(object.getMeshData()->getColor(), QColor(255, 255, 0, 255));
    object.setSelected(true);
    EXPECT_TRUE(object.isSelected());
    EXPECT_EQ(object.getMeshData()->getColor(), QColor(0, 255, 0, 255));
    object.setSelected(false);
    EXPECT_EQ(object.getMeshData()->getColor(), QColor(255, 255, 0, 255));
    EXPECT_EQ(spy.count(), 0);
}

TEST(MeshObject, SetMeshReplacesAndKeepsTheSameMesh)
{
    MeshObject object("M");
    TriangleMesh* pMesh = makeTetrahedron();
    object.setMesh(pMesh);
    object.setMesh(pMesh);
    EXPECT_EQ(object.getMesh(), pMesh);
    EXPECT_EQ(object.getMesh()->n_vertices(), 4u);
    object.setMesh(makeOctahedron());
    EXPECT_EQ(object.getMesh()->n_vertices(), 6u);
    EXPECT_EQ(object.getType(), 0);
    object.setType(MeshObject::TYPE_GENERATED);
    EXPECT_EQ(object.getType(), 1);
}
