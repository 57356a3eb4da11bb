#include "Scene.h"
#include "MeshObject.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "SimpleException.h"
#include "TestSupport.h"
#include "support/MeshTestSupport.h"

#include <QSignalSpy>

namespace
{

class SceneTest : public ::testing::Test
{
protected:
    void SetUp() override { ObjectRoot::getInstance()->clear(); }
    void TearDown() override { ObjectRoot::getInstance()->clear(); }

    static MeshObject* makeMeshObject(const QString& sName, int nType)
    {
        auto* pObject = new MeshObject(sName);
        pObject->setMesh(makeOctahedron());
        pObject->setType(nType);
        pObject->update();
        return pObject;
    }

    static MeshObject* addMesh(const QString& sName, int nType)
    {
        MeshObject* pObject = makeMeshObject(sName, nType);
        EXPECT_TRUE(ObjectRoot::getInstance()->addChild(pObject));
        return pObject;
    }

    static MeshObject* find(const QString& sName) { return ObjectRoot::getInstance()->findChild<MeshObject*>(sName); }
};

} // namespace

TEST_F(SceneTest, AdoptsMeshesAlreadyInTheTreeOnFirstUse)
{
    MeshObject* pGenerated = addMesh("MESH_GENERATED", 1);
    addMesh("MESH_HOOK:0", 2);
    addMesh("MESH_MERGED", 3);
    Scene* pScene = Scene::getInstance();
    EXPECT_EQ(Scene::getInstance(), pScene);
    EXPECT_EQ(pScene->getNameMeshGenerated(), QString("MESH_GENERATED"));
    EXPECT_EQ(pScene->getNamesHooks(), QStringList({"MESH_HOOK:0"}));
    EXPECT_EQ(pScene->getNameMeshMerged(), QString("MESH_MERGED"));
    EXPECT_EQ(pScene->getMeshDataGenerated(), pGenerated->getMeshData());
    EXPECT_EQ(pScene->getMeshDataMerged(), find("MESH_MERGED")->getMeshData());
    EXPECT_EQ(pScene->getMeshDataHook(0), find("MESH_HOOK:0")->getMeshData());
    EXPECT_EQ(pScene->getMeshDataHook(1), nullptr);
    EXPECT_EQ(pScene->getMeshDataHook(-1), nullptr);

    // Adopted objects relay their changes too.
    QSignalSpy spyChanged(pScene, &Scene::signalMeshObjectChanged);
    pGenerated->translate(1.0, 0.0, 0.0);
    ASSERT_EQ(spyChanged.count(), 1);
    EXPECT_EQ(spyChanged.first().first().toString(), QString("MESH_GENERATED"));
}

TEST_F(SceneTest, FollowsAdditionsAndRemovalsByType)
{
    Scene* pScene = Scene::getInstance();
    EXPECT_TRUE(pScene->getNameMeshGenerated().isEmpty());
    EXPECT_EQ(pScene->getMeshDataGenerated(), nullptr);
    EXPECT_EQ(pScene->getMeshDataMerged(), nullptr);
    QSignalSpy spyAdded(pScene, &Scene::signalMeshObjectAdded);
    QSignalSpy spyRemoved(pScene, &Scene::signalMeshObjectRemoved);

    addMesh("MESH_GENERATED", 1);
    addMesh("MESH_MERGED", 3);
    addMesh("MESH_HOOK:0", 2);
    // Objects of other kinds are no meshes of the scene.
    ASSERT_TRUE(ObjectRoot::getInstance()->addChild(new ParameterObject("PARAMETERS")));
    EXPECT_EQ(spyAdded.count(), 3);
    EXPECT_EQ(pScene->getNumberOfHooks(), 1);

    delete ObjectRoot::getInstance()->removeChildByName("PARAMETERS");
    EXPECT_EQ(spyRemoved.count(), 0) << "an untracked object's removal is not relayed";

    delete find("MESH_MERGED");
    EXPECT_TRUE(pScene->getNameMeshMerged().isEmpty());
    delete find("MESH_GENERATED");
    EXPECT_TRUE(pScene->getNameMeshGenerated().isEmpty());
    ASSERT_EQ(spyRemoved.count(), 2);
    EXPECT_EQ(spyRemoved.at(0).first().toString(), QString("MESH_MERGED"));
    EXPECT_EQ(spyRemoved.at(1).first().toString(), QString("MESH_GENERATED"));
    EXPECT_EQ(pScene->getNumberOfHooks(), 1);
}

TEST_F(SceneTest, AHookAddedTwiceIsListedOnceAndRelaysOnce)
{
    Scene* pScene = Scene::getInstance();
    MeshObject* pHook = addMesh("MESH_HOOK:0", 2);
    // Taken out silently (the scene does not hear it) and put back.
    ObjectRoot::getInstance()->removeChild(pHook, true);
    ASSERT_TRUE(ObjectRoot::getInstance()->addChild(pHook));
    EXPECT_EQ(pScene->getNamesHooks(), QStringList({"MESH_HOOK:0"}));

    QSignalSpy spyChanged(pScene, &Scene::signalMeshObjectChanged);
    pScene->scaleHook(0, 2.0);
    EXPECT_EQ(spyChanged.count(), 1);
}

TEST_F(SceneTest, SelectionOfHooks)
{
    Scene* pScene = Scene::getInstance();
    EXPECT_EQ(pScene->getIndexOfSelectedHook(), -1);
    addMesh("MESH_HOOK:0", 2);
    addMesh("MESH_HOOK:1", 2);
    addMesh("MESH_HOOK:2", 2);
    EXPECT_EQ(pScene->getIndexOfSelectedHook(), -1);

    pScene->selectHook(1);
    EXPECT_EQ(pScene->getIndexOfSelectedHook(), 1);
    EXPECT_FALSE(find("MESH_HOOK:0")->isSelected());
    EXPECT_TRUE(find("MESH_HOOK:1")->isSelected());
    EXPECT_EQ(find("MESH_HOOK:1")->getMeshData()->getColor(), QColor(0, 255, 0, 255));

    pScene->selectHook(2);
    EXPECT_EQ(pScene->getIndexOfSelectedHook(), 2);
    EXPECT_FALSE(find("MESH_HOOK:1")->isSelected());

    pScene->selectHook(-1);
    EXPECT_EQ(pScene->getIndexOfSelectedHook(), -1);
    EXPECT_ASSERTION(pScene->selectHook(3), "(int)index < m_slNameHooks.size()");
}

TEST_F(SceneTest, HookOperationsMoveTheIndexedHookOnly)
{
    Scene* pScene = Scene::getInstance();
    addMesh("MESH_HOOK:0", 2);
    addMesh("MESH_HOOK:1", 2);
    QSignalSpy spyChanged(pScene, &Scene::signalMeshObjectChanged);

    pScene->translateHook(1, 0.0, 2.0, 0.0);
    double dX, dY, dZ;
    find("MESH_HOOK:1")->getCenter(dX, dY, dZ);
    EXPECT_NEAR(dY, 2.0, 1e-6);
    find("MESH_HOOK:0")->getCenter(dX, dY, dZ);
    EXPECT_NEAR(dY, 0.0, 1e-6);

    pScene->scaleHook(0, 3.0);
    find("MESH_HOOK:0")->getMeshData()->getExtents(dX, dY, dZ);
    EXPECT_NEAR(dX, 6.0, 1e-5);

    pScene->rotateHook(1, 90.0, 2);
    ASSERT_EQ(spyChanged.count(), 3);
    EXPECT_EQ(spyChanged.at(0).first().toString(), QString("MESH_HOOK:1"));
    EXPECT_EQ(spyChanged.at(1).first().toString(), QString("MESH_HOOK:0"));

    EXPECT_ASSERTION(pScene->translateHook(2, 1, 0, 0), "(int)index < m_slNameHooks.size()");
    EXPECT_ASSERTION(pScene->scaleHook(-1, 2.0), "(int)index < m_slNameHooks.size()");
    EXPECT_ASSERTION(pScene->rotateHook(5, 90.0, 0), "(int)index < m_slNameHooks.size()");
    EXPECT_ASSERTION(pScene->deleteHook(-1), "(int)index < m_slNameHooks.size()");
    EXPECT_ASSERTION(pScene->scaleMeshMerged(2.0), "pMeshObject");

    addMesh("MESH_MERGED", 3);
    pScene->scaleMeshMerged(0.5);
    find("MESH_MERGED")->getMeshData()->getExtents(dX, dY, dZ);
    EXPECT_NEAR(dX, 1.0, 1e-6);
}

TEST_F(SceneTest, DeletingHookZeroOfThreeMovesTheOthersDown)
{
    Scene* pScene = Scene::getInstance();
    addMesh("MESH_HOOK:0", 2);
    addMesh("MESH_HOOK:1", 2);
    addMesh("MESH_HOOK:2", 2);
    QSignalSpy spyRemoved(pScene, &Scene::signalMeshObjectRemoved);

    pScene->deleteHook(0);
    ASSERT_EQ(spyRemoved.count(), 1);
    EXPECT_EQ(spyRemoved.first().first().toString(), QString("MESH_HOOK:0"));
    EXPECT_EQ(pScene->getNamesHooks(), QStringList({"MESH_HOOK:1", "MESH_HOOK:2"}));
    EXPECT_EQ(find("MESH_HOOK:0"), nullptr);
    EXPECT_EQ(pScene->getMeshDataHook(0), find("MESH_HOOK:1")->getMeshData());
}

TEST_F(SceneTest, AMeshOfUnknownTypeIsRefusedWithoutLeavingTheSlot)
{
    LogCapture log;
    Scene* pScene = Scene::getInstance();
    QSignalSpy spyAdded(pScene, &Scene::signalMeshObjectAdded);
    addMesh("STRANGE", 0);
    EXPECT_EQ(spyAdded.count(), 0);
    EXPECT_EQ(log.count("ERROR"), 1);
    EXPECT_TRUE(log.lines().join('\n').contains("Assertion failed: false"));
    EXPECT_TRUE(pScene->getNameMeshGenerated().isEmpty());
    EXPECT_EQ(pScene->getNumberOfHooks(), 0);
}
