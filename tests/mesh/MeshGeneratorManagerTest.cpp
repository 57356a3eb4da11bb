#include "MeshGeneratorManager.h"
#include "MeshObject.h"
#include "ObjectRoot.h"
#include "SimpleException.h"
#include "TestSupport.h"
#include "WorkflowIdentifiers.h"
#include "support/MeshTestSupport.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <vector>

namespace
{

// A square block of heights 1.0 inside a border of zeros, front and back.
struct Heights
{
    explicit Heights(unsigned nSize)
        : values(nSize * nSize, 0.0f)
    {
        for (unsigned y = 1; y + 1 < nSize; ++y)
        {
            for (unsigned x = 1; x + 1 < nSize; ++x)
            {
                values[y * nSize + x] = 1.0f;
            }
        }
        image.pData = values.data();
        image.nWidth = nSize;
        image.nHeight = nSize;
        image.bOwnsData = false;
    }
    std::vector<float> values;
    MeshGenerator::Image image;
};

class MeshGeneratorManagerTest : public ::testing::Test
{
protected:
    void SetUp() override { ObjectRoot::getInstance()->clear(); }
    void TearDown() override { ObjectRoot::getInstance()->clear(); }

    static MeshGenerator::Parameters smallParameters()
    {
        MeshGenerator::Parameters parameters;
        parameters.NumberOfVertices = 40;
        parameters.NumberOfSmoothingSteps = 1;
        return parameters;
    }

    static bool waitFor(QSignalSpy& spy, int nCount)
    {
        return QTest::qWaitFor([&] { return spy.count() >= nCount; }, 20000);
    }

    static void addMesh(const QString& sName, int nType)
    {
        auto* pObject = new MeshObject(sName);
        pObject->setMesh(makeOctahedron());
        pObject->setType(nType);
        ASSERT_TRUE(ObjectRoot::getInstance()->addChild(pObject));
    }

    static MeshObject* find(const QString& sName)
    {
        return ObjectRoot::getInstance()->findChild<MeshObject*>(sName);
    }
};

} // namespace

TEST_F(MeshGeneratorManagerTest, SuccessPublishesTheMeshBeforeSignallingAndAllowsAnotherRun)
{
    Heights front(10);
    Heights back(10);
    MeshGeneratorManager manager;
    QStringList slEvents;
    QObject context; // ends the connections with the test
    QObject::connect(ObjectRoot::getInstance(), &ObjectRoot::signalChildAdded, &context,
                     [&](const QString& sName) { slEvents << "added " + sName; });
    QObject::connect(ObjectRoot::getInstance(), &ObjectRoot::signalChildRemoved, &context,
                     [&](const QString& sName) { slEvents << "removed " + sName; });
    QObject::connect(&manager, &MeshGeneratorManager::signalProcessingFinished, &context,
                     [&](bool bSuccess) { slEvents << QString("finished %1").arg(bSuccess); });
    QSignalSpy spyFinished(&manager, &MeshGeneratorManager::signalProcessingFinished);

    manager.setup(&front.image, &back.image, smallParameters(), MESH_GENERATED, MESH_MERGED);
    manager.startProcessing();
    ASSERT_TRUE(waitFor(spyFinished, 1));
    EXPECT_EQ(slEvents, QStringList({"added MESH_GENERATED", "finished 1"}))
        << "nothing to remove on the first run, then added before finished";
    MeshObject* pFirst = find(MESH_GENERATED);
    ASSERT_NE(pFirst, nullptr);
    EXPECT_EQ(pFirst->getType(), 1);
    EXPECT_TRUE(pFirst->isClosed());
    EXPECT_GT(pFirst->getMeshData()->getNumberOfFaces(), 0u);

    // At once again: the old generated and merged meshes go first.
    addMesh(MESH_MERGED, 3);
    slEvents.clear();
    manager.setup(&front.image, &back.image, smallParameters(), MESH_GENERATED, MESH_MERGED);
    manager.startProcessing();
    EXPECT_EQ(find(MESH_GENERATED), nullptr);
    EXPECT_EQ(find(MESH_MERGED), nullptr);
    ASSERT_TRUE(waitFor(spyFinished, 2));
    EXPECT_EQ(slEvents, QStringList({"removed MESH_GENERATED", "removed MESH_MERGED", "added MESH_GENERATED",
                                     "finished 1"}));
    EXPECT_NE(find(MESH_GENERATED), nullptr);
    EXPECT_EQ(ObjectRoot::getInstance()->findChildren<MeshObject*>().size(), 1);
}

TEST_F(MeshGeneratorManagerTest, FailureRemovesOldMeshesPublishesNothingAndSignalsOnce)
{
    Heights front(10);
    Heights backOtherSize(12);
    addMesh(MESH_GENERATED, 1);
    addMesh(MESH_MERGED, 3);
    MeshGeneratorManager manager;
    QSignalSpy spyFinished(&manager, &MeshGeneratorManager::signalProcessingFinished);
    QSignalSpy spyAdded(ObjectRoot::getInstance(), &ObjectRoot::signalChildAdded);
    QSignalSpy spyRemoved(ObjectRoot::getInstance(), &ObjectRoot::signalChildRemoved);

    manager.setup(&front.image, &backOtherSize.image, smallParameters(), MESH_GENERATED, MESH_MERGED);
    manager.startProcessing();
    ASSERT_TRUE(waitFor(spyFinished, 1));
    QCoreApplication::processEvents();
    ASSERT_EQ(spyFinished.count(), 1);
    EXPECT_FALSE(spyFinished.first().first().toBool());
    EXPECT_EQ(spyAdded.count(), 0);
    EXPECT_EQ(spyRemoved.count(), 2);
    EXPECT_EQ(find(MESH_GENERATED), nullptr);
    EXPECT_EQ(find(MESH_MERGED), nullptr);

    // A good run may follow at once.
    Heights back(10);
    manager.setup(&front.image, &back.image, smallParameters(), MESH_GENERATED, MESH_MERGED);
    manager.startProcessing();
    ASSERT_TRUE(waitFor(spyFinished, 2));
    EXPECT_TRUE(spyFinished.at(1).first().toBool());
    EXPECT_NE(find(MESH_GENERATED), nullptr);
}

TEST_F(MeshGeneratorManagerTest, MissingRecordsEndAsAFailedRunWithoutEndingTheProgram)
{
    LogCapture log;
    MeshGeneratorManager manager;
    QSignalSpy spyFinished(&manager, &MeshGeneratorManager::signalProcessingFinished);
    manager.setup(nullptr, nullptr, smallParameters(), MESH_GENERATED, MESH_MERGED);
    manager.startProcessing();
    ASSERT_TRUE(waitFor(spyFinished, 1));
    EXPECT_FALSE(spyFinished.first().first().toBool());
    EXPECT_EQ(find(MESH_GENERATED), nullptr);
    EXPECT_EQ(log.count("ERROR"), 1);
    EXPECT_TRUE(log.lines().join('\n').contains("Assertion failed: pImageFront"));
}

TEST_F(MeshGeneratorManagerTest, StartingAgainBeforeTheResultIsPublishedThrows)
{
    Heights front(8);
    Heights back(8);
    MeshGeneratorManager manager;
    QSignalSpy spyFinished(&manager, &MeshGeneratorManager::signalProcessingFinished);
    manager.setup(&front.image, &back.image, smallParameters(), MESH_GENERATED, MESH_MERGED);
    manager.startProcessing();
    ASSERT_TRUE(manager.wait(20000));
    // The run is over but its result still waits in the event queue.
    EXPECT_ASSERTION(manager.startProcessing(), "m_pGeneratedMeshObject == NULL");
    ASSERT_TRUE(waitFor(spyFinished, 1));
    EXPECT_TRUE(spyFinished.first().first().toBool());
}

TEST_F(MeshGeneratorManagerTest, DestroyingTheManagerDuringARunWaitsAndFreesTheUnpublishedMesh)
{
    Heights front(64);
    Heights back(64);
    MeshGenerator::Parameters parameters;
    parameters.NumberOfVertices = 200;
    parameters.NumberOfSmoothingSteps = 2;
    {
        MeshGeneratorManager manager;
        manager.setup(&front.image, &back.image, parameters, MESH_GENERATED, MESH_MERGED);
        manager.startProcessing();
        EXPECT_TRUE(manager.isRunning());
    } // a running QThread destroyed without waiting would abort here
    QCoreApplication::processEvents();
    EXPECT_EQ(find(MESH_GENERATED), nullptr);
}

TEST_F(MeshGeneratorManagerTest, TheRunReadsItsOwnCopyAndTheGuiThreadNeverWaitsForIt)
{
    auto pFront = std::make_unique<Heights>(160);
    Heights back(160);
    MeshGenerator::Parameters parameters;
    parameters.NumberOfVertices = 500;
    parameters.NumberOfSmoothingSteps = 2;
    MeshGeneratorManager manager;
    QSignalSpy spyFinished(&manager, &MeshGeneratorManager::signalProcessingFinished);
    manager.setup(&pFront->image, &back.image, parameters, MESH_GENERATED, MESH_MERGED);
    manager.startProcessing();
    // The caller's rasters may go at once; a new setup returns while the run goes on.
    pFront.reset();
    manager.setup(&back.image, &back.image, parameters, MESH_GENERATED, MESH_MERGED);
    EXPECT_TRUE(manager.isRunning());
    // A sanitizer build on a loaded machine takes its time.
    ASSERT_TRUE(QTest::qWaitFor([&] { return spyFinished.count() >= 1; }, 120000));
    EXPECT_TRUE(spyFinished.first().first().toBool());
}
