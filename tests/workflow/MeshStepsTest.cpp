// The mesh chapter on small dome rasters standing in for the front and back
// depth composites.

#include "DomeHeights.h"
#include "GlobalParameterStore.h"
#include "ImageObject.h"
#include "MeshData.h"
#include "MeshLookup.h"
#include "MeshObject.h"
#include "ObjectNaming.h"
#include "ObjectRoot.h"
#include "Raster2d.h"
#include "Scene.h"
#include "StateImplementationMeshSteps.h"
#include "StateImplementationOptionSelection.h"
#include "StlCheck.h"
#include "TestSupport.h"
#include "WorkflowIdentifiers.h"
#include "support/WorkflowTestSupport.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

namespace
{
// ROOT > ARTIFACT [initial] > { OPTIONS [initial], FRONT, BACK, CONSTRUCT_MESH > { MESH_GENERATION [initial],
//   MESH_HOOKS, MESH_EXPORT } }; FRONT and BACK hold a dome composite each.
struct MeshChapter
{
    State* pRoot = StateMachine::getInstance()->createRootState();
    State* pArtifact = addState(pRoot, ARTIFACT, nullptr, true);
    StateImplementationOptionSelection* pOptions = new StateImplementationOptionSelection();
    State* pOptionState = addState(pArtifact, ARTIFACT_OPTION_SELECTION, pOptions, true);
    State* pFront = addState(pArtifact, FRONT);
    State* pBack = addState(pArtifact, BACK);
    State* pConstruct = addState(pArtifact, CONSTRUCT_MESH);
    State* pHooks = new State(MESH_HOOKS, new StateImplementationMeshHooks());
    StateImplementationMeshGeneration* pGeneration =
        new StateImplementationMeshGeneration(pHooks->getUid(), pArtifact->getUid(), pFront->getUid(), pBack->getUid());
    State* pGenerationState = addState(pConstruct, MESH_GENERATION, pGeneration, true);
    State* pExport = addState(pConstruct, MESH_EXPORT, new StateImplementationMeshExport());

    MeshChapter()
    {
        pConstruct->addChildState(pHooks);
        pOptionState->addTransition(new Transition(pConstruct));
        pHooks->addTransition(new TransitionNext(pExport));
        pExport->addTransition(new TransitionPrevious(pHooks));
        GlobalParameterStore::setValue(GlobalParameterStore::NUMBER_OF_VERTICES, 300);
        GlobalParameterStore::setValue(GlobalParameterStore::NUMBER_OF_SMOOTHING_STEPS, 2);
        putDome(pFront, 40, 6.0f);
        putDome(pBack, 40, 3.0f);
    }

    static QString compositeName(const State* pSide)
    {
        return createObjectName(pSide->getFullName(), IMAGE_DEPTH_COMPOSITE, HIGH_RES_HQ);
    }

    // A dome of the given height over a disc that keeps a frame of zeros.
    static void putDome(const State* pSide, unsigned nSide, float fHeight)
    {
        delete ObjectRoot::getInstance()->findObject<ImageObject>(compositeName(pSide));
        auto* pRaster = new Raster2d<float>(nSide, nSide);
        const std::vector<float> heights = domeHeights(nSide, 0.4, fHeight);
        std::copy(heights.begin(), heights.end(), pRaster->getData());
        auto* pImage = new ImageObject(compositeName(pSide));
        pImage->setRaster(pRaster, true);
        ObjectRoot::getInstance()->addChild(pImage, false);
    }

    // From the artifact's options into the chapter; waits for the step to
    // move on by itself.
    bool enterChapter()
    {
        pOptions->selectOption(CONSTRUCT_MESH);
        if (!StateMachine::getInstance()->transition(NEXT))
        {
            return false;
        }
        return waitUntilMovedOn();
    }

    bool waitUntilMovedOn()
    {
        const bool bFinished = QTest::qWaitFor([this] { return pGeneration->isProcessingFinished(); }, 60000);
        processQueuedEvents();
        return bFinished && StateMachine::getInstance()->getCurrentStateUid() != pGenerationState->getUid();
    }

    unsigned long current() const { return StateMachine::getInstance()->getCurrentStateUid(); }
};
} // namespace

TEST(MeshStepsTest, GenerationMovesOnByItselfAndRunsAgainOnlyWhenSomethingChanged)
{
    MeshChapter chapter;
    StateMachine::getInstance()->start();
    QSignalSpy started(chapter.pGeneration, &StateImplementationMeshGeneration::signalProcessingStarted);
    ASSERT_TRUE(chapter.enterChapter());
    EXPECT_EQ(chapter.current(), chapter.pHooks->getUid());
    EXPECT_EQ(started.size(), 1);
    const QPointer<MeshObject> pFirst = findMeshObject(MESH_GENERATED);
    ASSERT_FALSE(pFirst.isNull());
    EXPECT_TRUE(chapter.pGeneration->isComplete());
    EXPECT_EQ(chapter.pGeneration->getParameters().NumberOfVertices, 300u);

    // Back and forward with the same settings: straight on, same mesh.
    const auto backToTheOptions = [&] {
        chapter.pHooks->addTransition(new TransitionPrevious(chapter.pArtifact));
        ASSERT_TRUE(StateMachine::getInstance()->transition(PREVIOUS));
        delete chapter.pHooks->removeTransition(chapter.pHooks->findTransition(PREVIOUS));
    };
    backToTheOptions();
    ASSERT_TRUE(chapter.enterChapter());
    EXPECT_EQ(started.size(), 1);
    EXPECT_EQ(findMeshObject(MESH_GENERATED), pFirst.data());

    // Another vertex budget generates again.
    backToTheOptions();
    GlobalParameterStore::setValue(GlobalParameterStore::NUMBER_OF_VERTICES, 200);
    ASSERT_TRUE(chapter.enterChapter());
    EXPECT_EQ(started.size(), 2);
    EXPECT_TRUE(pFirst.isNull());
    ASSERT_NE(findMeshObject(MESH_GENERATED), nullptr);

    // A depth composite rewritten upstream generates again too.
    backToTheOptions();
    MeshChapter::putDome(chapter.pFront, 40, 5.0f);
    processQueuedEvents();
    ASSERT_TRUE(chapter.enterChapter());
    EXPECT_EQ(started.size(), 3);
}

TEST(MeshStepsTest, AFailedGenerationIsReportedAndGoesBack)
{
    LogCapture log;
    MeshChapter chapter;
    MeshChapter::putDome(chapter.pBack, 30, 3.0f); // front and back of different sizes cannot be joined
    StateMachine::getInstance()->start();
    // The generation fails while its step is current; the step leaves by itself.
    ASSERT_TRUE(chapter.enterChapter());
    EXPECT_EQ(chapter.current(), chapter.pOptionState->getUid()) << "back where the chapter was entered from";
    EXPECT_TRUE(log.lines().join('\n').contains("Mesh Generation failed"));
    EXPECT_FALSE(log.lines().join('\n').contains("automatic transition")) << log.lines().join('\n').toStdString();
    EXPECT_FALSE(chapter.pGeneration->isComplete());
    EXPECT_TRUE(chapter.pGenerationState->findTransitionTo(chapter.pArtifact) != nullptr);

    // Resampled to the default size both have the same size: the run works.
    GlobalParameterStore::setValue(GlobalParameterStore::MESH_GENERATION_RESOLUTION, -4);
    ASSERT_TRUE(chapter.enterChapter());
    EXPECT_EQ(chapter.current(), chapter.pHooks->getUid());
    EXPECT_EQ(log.count("WARNING"), 1);
}

TEST(MeshStepsTest, HooksAreNamedMergedAndExportedAsAClosedBinaryStl)
{
    QTemporaryDir dir;
    MeshChapter chapter;
    StateMachine::getInstance()->start();
    ASSERT_TRUE(chapter.enterChapter());
    auto* pHooks = static_cast<StateImplementationMeshHooks*>(chapter.pHooks->getImplementation());
    StateMachine* pMachine = StateMachine::getInstance();
    EXPECT_FALSE(StateImplementationMeshExport::exportMesh(dir.filePath("early.stl"))) << "nothing merged yet";

    // Leaving without hooks merges the body alone: 50 along its largest side.
    ASSERT_TRUE(pMachine->transition(NEXT));
    const QString sBody = dir.filePath("body.stl");
    ASSERT_TRUE(StateImplementationMeshExport::exportMesh(sBody));
    const StlReport body = checkStl(sBody);
    ASSERT_TRUE(body.isClosed()) << body.sText.toStdString();
    EXPECT_EQ(body.nParts, 1);
    EXPECT_NEAR(std::max({body.extent(0), body.extent(1), body.extent(2)}), 50.0, 0.01);

    ASSERT_TRUE(pMachine->transition(PREVIOUS));
    QString sRefusal;
    EXPECT_FALSE(pHooks->loadHook(dir.filePath("missing.obj"), &sRefusal));
    EXPECT_EQ(sRefusal, "it does not exist") << "the reader's reason is handed on";
    ASSERT_TRUE(pHooks->loadHook(":/hooks/TorusFull.obj"));
    EXPECT_EQ(Scene::getInstance()->getNamesHooks(), QStringList({"MESH_HOOK:1"})) << "a failed import uses up its number";

    ASSERT_TRUE(pMachine->transition(NEXT));
    const MeshObject* pMerged = findMeshObject(MESH_MERGED);
    ASSERT_NE(pMerged, nullptr);
    const QString sPath = dir.filePath("object.stl");
    ASSERT_TRUE(StateImplementationMeshExport::exportMesh(sPath));
    const int nFaces = int(pMerged->getMeshData()->getNumberOfFaces());
    EXPECT_TRUE(hasBinaryStlSize(sPath, nFaces));
    const StlReport report = checkStl(sPath);
    ASSERT_TRUE(report.bRan) << report.sText.toStdString();
    EXPECT_TRUE(report.isClosed()) << report.sText.toStdString();
    EXPECT_EQ(report.nFacets, nFaces);
    EXPECT_EQ(report.nParts, 2) << "the body and the hook are separate shells";

    // An export that cannot be written is reported.
    EXPECT_FALSE(StateImplementationMeshExport::exportMesh(dir.filePath("no/such/folder/object.stl")));

    // Deleting the hooks step takes the merged mesh and the hooks with it.
    delete chapter.pHooks;
    EXPECT_EQ(findMeshObject(MESH_MERGED), nullptr);
    EXPECT_EQ(Scene::getInstance()->getNumberOfHooks(), 0);
}

TEST(MeshStepsTest, DeletingTheStepDuringAGenerationWaitsForIt)
{
    MeshChapter chapter;
    MeshChapter::putDome(chapter.pFront, 200, 20.0f);
    MeshChapter::putDome(chapter.pBack, 200, 10.0f);
    GlobalParameterStore::setValue(GlobalParameterStore::NUMBER_OF_VERTICES, 2000);
    StateMachine::getInstance()->start();
    chapter.pOptions->selectOption(CONSTRUCT_MESH);
    ASSERT_TRUE(StateMachine::getInstance()->transition(NEXT));
    EXPECT_FALSE(chapter.pGeneration->canLeave());
    // The composites may go while the worker runs on its own copies.
    delete ObjectRoot::getInstance()->findObject<ImageObject>(MeshChapter::compositeName(chapter.pFront));
    const unsigned long ulGeneration = chapter.pGenerationState->getUid();
    delete chapter.pConstruct; // waits for the worker, then frees what it read
    processQueuedEvents();
    EXPECT_EQ(StateMachine::getInstance()->findState(ulGeneration), nullptr);
}
