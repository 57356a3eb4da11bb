#include "MeshMerger.h"
#include "MeshObject.h"
#include "ObjectRoot.h"
#include "SimpleException.h"
#include "TestSupport.h"
#include "support/MeshTestSupport.h"

#include <QSignalSpy>

#include <algorithm>
#include <cmath>
#include <memory>

namespace
{

class MeshMergerTest : public ::testing::Test
{
protected:
    void SetUp() override { ObjectRoot::getInstance()->clear(); }
    void TearDown() override { ObjectRoot::getInstance()->clear(); }

    static MeshObject* addMesh(const QString& sName, TriangleMesh* pMesh, int nType)
    {
        auto* pObject = new MeshObject(sName);
        pObject->setMesh(pMesh);
        pObject->setType(nType);
        pObject->update();
        EXPECT_TRUE(ObjectRoot::getInstance()->addChild(pObject));
        return pObject;
    }

    static MeshObject* find(const QString& sName) { return ObjectRoot::getInstance()->findChild<MeshObject*>(sName); }
};

} // namespace

TEST(MeshMerger, HookPlacementGoesAroundInTenSteps)
{
    double dScale = 0, dX = 0, dY = 0, dZ = 0;
    EXPECT_TRUE(MeshMerger::calculateHookPlacement(1.0, 0, dScale, dX, dY, dZ));
    EXPECT_DOUBLE_EQ(dScale, 1.0 / 6.0);
    EXPECT_DOUBLE_EQ(dX, 0.0);
    EXPECT_DOUBLE_EQ(dY, 0.5);
    EXPECT_DOUBLE_EQ(dZ, 0.0);

    const double dAngle = 36.0 * M_PI / 180.0;
    EXPECT_TRUE(MeshMerger::calculateHookPlacement(1.0, 1, dScale, dX, dY, dZ));
    EXPECT_DOUBLE_EQ(dScale, 1.0 / 6.0);
    EXPECT_NEAR(dX, 0.5 * std::sin(dAngle), 1e-9);
    EXPECT_NEAR(dY, 0.5 * std::cos(dAngle), 1e-9);
    EXPECT_DOUBLE_EQ(dZ, 0.0);

    EXPECT_TRUE(MeshMerger::calculateHookPlacement(1.0, 10, dScale, dX, dY, dZ));
    EXPECT_DOUBLE_EQ(dScale, 1.0 / 6.0);
    EXPECT_NEAR(dX, 0.0, 1e-9);
    EXPECT_NEAR(dY, 0.5, 1e-9);

    // The radius follows the size.
    EXPECT_TRUE(MeshMerger::calculateHookPlacement(12.0, 5, dScale, dX, dY, dZ));
    EXPECT_DOUBLE_EQ(dScale, 2.0);
    EXPECT_NEAR(dX, 0.0, 1e-8);
    EXPECT_NEAR(dY, -6.0, 1e-8);
}

TEST_F(MeshMergerTest, AppendCopiesFacesAsSeparateShellsWithTheirWinding)
{
    MeshObject target("TARGET");
    target.setMesh(makeTetrahedron());
    MeshObject source("SOURCE");
    source.setMesh(makeOctahedron(1.0f, 1.0f, 1.0f, 5.0f, 0.0f, 0.0f));
    // A vertex without a face is not copied.
    source.getMesh()->add_vertex(TriangleMesh::Point(100, 100, 100));

    MeshMerger::appendMesh(&target, &source);
    TriangleMesh* pMesh = target.getMesh();
    EXPECT_EQ(pMesh->n_faces(), 12u);
    EXPECT_EQ(pMesh->n_vertices(), 10u);
    EXPECT_TRUE(target.isClosed());
    target.calculateVolume();
    // Both shells keep outward faces: 1/6 + 4/3.
    EXPECT_NEAR(target.getMeshData()->getVolume(), 1.0 / 6.0 + 4.0 / 3.0, 1e-5);
    // Copied positions and normals, in source order after the target's own.
    EXPECT_EQ(pMesh->point(TriangleMesh::VertexHandle(4)), TriangleMesh::Point(6, 0, 0));
    EXPECT_EQ(pMesh->normal(TriangleMesh::VertexHandle(4)), source.getMesh()->normal(TriangleMesh::VertexHandle(0)));
    // The face normal is the new face's own.
    const TriangleMesh::FaceHandle fh(4);
    EXPECT_EQ(pMesh->normal(fh), pMesh->calc_face_normal(fh));
}

TEST_F(MeshMergerTest, AppendChecksItsArguments)
{
    MeshObject withMesh("A");
    withMesh.setMesh(makeTetrahedron());
    MeshObject withoutMesh("B");
    EXPECT_ASSERTION(MeshMerger::appendMesh(nullptr, &withMesh), "pTarget");
    EXPECT_ASSERTION(MeshMerger::appendMesh(&withMesh, nullptr), "pSource");
    EXPECT_ASSERTION(MeshMerger::appendMesh(&withMesh, &withMesh), "pSource != pTarget");
    EXPECT_ASSERTION(MeshMerger::appendMesh(&withMesh, &withoutMesh), "pMeshSource");
    EXPECT_ASSERTION(MeshMerger::appendMesh(&withoutMesh, &withMesh), "pMeshTarget");
    EXPECT_EQ(withMesh.getMesh()->n_faces(), 4u);
}

TEST_F(MeshMergerTest, MergeWithoutHooksKeepsTheFacesAndMeasuresTheScale)
{
    MeshObject* pArtifact = addMesh("MESH_GENERATED", makeOctahedron(1.0f, 2.0f, 0.5f, 3.0f), 1);
    pArtifact->normalize();
    QSignalSpy spyAdded(ObjectRoot::getInstance(), &ObjectRoot::signalChildAdded);

    MeshMerger::merge("MESH_MERGED", "MESH_GENERATED", QStringList(), 50.0);
    MeshObject* pMerged = find("MESH_MERGED");
    ASSERT_NE(pMerged, nullptr);
    EXPECT_EQ(pMerged->getType(), 3);
    EXPECT_EQ(pMerged->getMesh()->n_faces(), 8u);
    EXPECT_TRUE(pMerged->isClosed());
    double dX = 0, dY = 0, dZ = 0;
    pMerged->getMeshData()->getExtents(dX, dY, dZ);
    EXPECT_NEAR(dY, 50.0, 1e-4);
    EXPECT_NEAR(dX, 25.0, 1e-4);
    EXPECT_NEAR(dZ, 12.5, 1e-4);
    EXPECT_EQ(pMerged->getMeshData()->getNumberOfFaces(), 8u) << "render buffers are filled";
    ASSERT_EQ(spyAdded.count(), 1);
    EXPECT_EQ(spyAdded.first().first().toString(), QString("MESH_MERGED"));
    // The artifact itself is unchanged.
    EXPECT_EQ(pArtifact->getMesh()->n_faces(), 8u);
    pArtifact->getMeshData()->getExtents(dX, dY, dZ);
    EXPECT_NEAR(dY, 1.0, 1e-6);
}

TEST_F(MeshMergerTest, MergeAppendsHooksAndReplacesTheEarlierMerge)
{
    addMesh("MESH_GENERATED", makeOctahedron(), 1);
    addMesh("MESH_HOOK:0", makeTetrahedron(), 2);
    addMesh("MESH_HOOK:1", makeOctahedron(1.0f, 1.0f, 1.0f, 0.0f, 3.0f), 2);

    MeshMerger::merge("MESH_MERGED", "MESH_GENERATED", {"MESH_HOOK:0"}, 1.0);
    EXPECT_EQ(find("MESH_MERGED")->getMesh()->n_faces(), 12u);

    QSignalSpy spyRemoved(ObjectRoot::getInstance(), &ObjectRoot::signalChildRemoved);
    MeshMerger::merge("MESH_MERGED", "MESH_GENERATED", {"MESH_HOOK:0", "MESH_HOOK:1"}, 2.0);
    const QList<MeshObject*> merged = ObjectRoot::getInstance()->findChildren<MeshObject*>("MESH_MERGED");
    ASSERT_EQ(merged.size(), 1);
    EXPECT_EQ(merged.first()->getMesh()->n_faces(), 20u);
    EXPECT_EQ(spyRemoved.count(), 1);
    // Scaled about the merged box's centre: y from -1 to 4 becomes -3.5 to 6.5.
    double dMinX, dMaxX, dMinY, dMaxY, dMinZ, dMaxZ;
    merged.first()->getBoundingBox(dMinX, dMaxX, dMinY, dMaxY, dMinZ, dMaxZ);
    EXPECT_NEAR(dMinY, -3.5, 1e-5);
    EXPECT_NEAR(dMaxY, 6.5, 1e-5);
}

TEST_F(MeshMergerTest, MergeOfMissingObjectsThrowsAndAddsNothing)
{
    EXPECT_ASSERTION(MeshMerger::merge("MESH_MERGED", "MESH_GENERATED", QStringList(), 50.0), "pMeshObjectArtifact");
    addMesh("MESH_GENERATED", makeOctahedron(), 1);
    EXPECT_ASSERTION(MeshMerger::merge("MESH_MERGED", "MESH_GENERATED", {"MESH_HOOK:7"}, 50.0), "pMeshObjectHook");
    EXPECT_EQ(find("MESH_MERGED"), nullptr);
}
