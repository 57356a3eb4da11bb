// The shape chain's steps on real pipelines and a picture the test draws.

#include "FileStorage.h"
#include "ImageModifier/ImageModifierPen.h"
#include "ImageObject.h"
#include "ImagePipelineManager.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "Raster2d.h"
#include "RawImageImporter.h"
#include "StateImplementationImagingSteps.h"
#include "TestSupport.h"
#include "WorkflowIdentifiers.h"
#include "support/ImagingChain.h"
#include "support/WorkflowTestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QPointF>

#include <gtest/gtest.h>

namespace
{
// From OUTSIDE to the LOAD step with a picture chosen, then as far as sTarget.
void walkTo(ImagingChain& chain, const QString& sPicture, State* pTarget)
{
    StateMachine::getInstance()->start();
    ASSERT_TRUE(chain.go(NEXT));
    auto* pLoad = chain.step<StateImplementationImaging>(chain.m_pLoad);
    ImagingChain::setParameter(ImagingChain::findParameters(pLoad, "RAW_IMAGE_IMPORT"),
                               RawImageImporter::PATH, sPicture);
    ASSERT_TRUE(waitIdle(pLoad));
    for (State* pState : {chain.m_pTransform, chain.m_pThreshold, chain.m_pPaint})
    {
        if (StateMachine::getInstance()->getCurrentStateUid() == pTarget->getUid())
        {
            return;
        }
        ASSERT_TRUE(chain.go(NEXT)) << pState->getName().toStdString();
    }
}

QStringList pngFilesIn(const QString& sFolder)
{
    return QDir(sFolder).entryList({"*.png"}, QDir::Files, QDir::Name);
}
} // namespace

TEST(ImagingStepsTest, EachStepEntersOnlyOnItsInputAndMakesItsPipelinesOnce)
{
    ImagingChain chain;
    const QString sPicture = chain.writePicture(96, 64);
    ImagePipelineManager* pManager = ImagePipelineManager::getInstance();
    const std::vector<std::pair<State*, int>> steps = {
        {chain.m_pLoad, 3}, {chain.m_pTransform, 7}, {chain.m_pThreshold, 5}, {chain.m_pPaint, 2}};
    for (const auto& [pState, nPipelines] : steps)
    {
        EXPECT_EQ(pState == chain.m_pLoad, pState->canEnter()) << "before any picture: " << pState->getName().toStdString();
    }
    walkTo(chain, sPicture, chain.m_pPaint);
    for (const auto& [pState, nPipelines] : steps)
    {
        auto* pStep = chain.step<StateImplementationImaging>(pState);
        EXPECT_TRUE(pState->canEnter()) << pState->getName().toStdString();
        EXPECT_EQ(pStep->getPipelineNames().size(), nPipelines) << pState->getName().toStdString();
        for (const QString& sName : pStep->getPipelineNames())
        {
            EXPECT_TRUE(pManager->hasPipeline(sName)) << sName.toStdString();
        }
    }
    // The transform step reads the equalized image and shares it with the load step.
    EXPECT_TRUE(chain.step<StateImplementationImaging>(chain.m_pTransform)
                    ->getImageObjectNames()
                    .contains(chain.chainImage(IMAGE_EQUALIZED, ORIGINAL_RES_HQ)));
    // The paint step's lists hold the overlay and mask images of its canvas.
    EXPECT_EQ(chain.step<StateImplementationImaging>(chain.m_pPaint)->getImageObjectNames().filter("_MASK").size(), 2);

    // Back to LOAD and forward again: the same pipelines, nothing new.
    auto* pTransform = chain.step<StateImplementationImaging>(chain.m_pTransform);
    const QStringList before = pTransform->getPipelineNames();
    const ImagePipeline* pFirst = pManager->getPipeline(before.first());
    ASSERT_TRUE(chain.go(PREVIOUS));
    ASSERT_TRUE(chain.go(PREVIOUS));
    ASSERT_TRUE(chain.go(NEXT));
    EXPECT_EQ(pTransform->getPipelineNames(), before);
    EXPECT_EQ(pManager->getPipeline(before.first()), pFirst);

    // Deleting the chain deletes every pipeline and object its steps made.
    while (StateMachine::getInstance()->getCurrentStateUid() != chain.m_pOutside->getUid())
        ASSERT_TRUE(chain.go(PREVIOUS));
    QStringList pipelines;
    for (const auto& [pState, nPipelines] : steps)
        pipelines << chain.step<StateImplementationImaging>(pState)->getPipelineNames();
    const QString sChain = chain.m_pShape->getFullName();
    delete chain.m_pShape;
    for (const QString& sName : pipelines)
        EXPECT_FALSE(pManager->hasPipeline(sName)) << sName.toStdString();
    for (const QObject* pObject : ObjectRoot::getInstance()->children())
        EXPECT_FALSE(pObject->objectName().startsWith(sChain)) << pObject->objectName().toStdString();
}

TEST(ImagingStepsTest, LeavingWaitsForThePipelinesCommitsWhereAskedAndUpstreamRunsMakeStepsIncomplete)
{
    ImagingChain chain;
    walkTo(chain, chain.writePicture(96, 64), chain.m_pThreshold);
    auto* pLoad = chain.step<StateImplementationImaging>(chain.m_pLoad);
    auto* pTransform = chain.step<StateImplementationImaging>(chain.m_pTransform);
    auto* pThreshold = chain.step<StateImplementationImaging>(chain.m_pThreshold);
    ObjectRoot* pRoot = ObjectRoot::getInstance();

    // LOAD commits its images, TRANSFORM does not; both count as complete.
    EXPECT_TRUE(pRoot->findObject<ImageObject>(chain.chainImage(IMAGE_RAW, ORIGINAL_RES_HQ))->isCommitted());
    EXPECT_FALSE(pRoot->findObject<ImageObject>(chain.chainImage(IMAGE_TRANSFORMED, HIGH_RES_HQ))->isCommitted());
    EXPECT_TRUE(pLoad->isComplete());
    EXPECT_TRUE(pTransform->isComplete());

    // A threshold change starts a run: leaving is refused until it has ended.
    ImagingChain::setParameter(ImagingChain::findParameters(pThreshold, "MODIFIER_THRESHOLD"), "THRESHOLD", 60);
    EXPECT_FALSE(pThreshold->canLeave());
    EXPECT_FALSE(StateMachine::getInstance()->canTransition(NEXT));
    ASSERT_TRUE(waitIdle(pThreshold));
    EXPECT_TRUE(StateMachine::getInstance()->canTransition(NEXT));

    // A silent removal of a transform image changes nothing; a signalled one
    // (an upstream run) makes the step incomplete one event-loop turn later.
    const QString sTransformed = chain.chainImage(IMAGE_TRANSFORMED, HIGH_RES_HQ);
    ImageObject* pSilent = static_cast<ImageObject*>(pRoot->removeChildByName(sTransformed, true));
    processQueuedEvents();
    EXPECT_TRUE(pTransform->isComplete());
    ASSERT_TRUE(pRoot->addChild(pSilent, true));
    pRoot->addChild(pRoot->removeChildByName(sTransformed, false), true);
    EXPECT_TRUE(pTransform->isComplete());
    processQueuedEvents();
    EXPECT_FALSE(pTransform->isComplete());
    EXPECT_FALSE(chain.m_pShape->isComplete());
}

TEST(ImagingStepsTest, APipelineOwedARunWhileTheStepWasAwayRunsOnceOnEntry)
{
    LogCapture log;
    ImagingChain chain;
    walkTo(chain, chain.writePicture(48, 32), chain.m_pLoad);
    auto* pLoad = chain.step<StateImplementationImaging>(chain.m_pLoad);
    ParameterObject* pImport = ImagingChain::findParameters(pLoad, "RAW_IMAGE_IMPORT");
    const int nErrorsBefore = log.count("ERROR");

    ASSERT_TRUE(chain.go(PREVIOUS)); // the step is away; a new file is owed a run
    ImagingChain::setParameter(pImport, RawImageImporter::PATH, chain.m_dir.filePath("missing.png"));
    ASSERT_TRUE(chain.go(NEXT));
    EXPECT_EQ(log.count("ERROR") - nErrorsBefore, 1);

    // Entering with nothing owed still runs each pipeline once.
    ASSERT_TRUE(chain.go(PREVIOUS));
    ASSERT_TRUE(chain.go(NEXT));
    EXPECT_EQ(log.count("ERROR") - nErrorsBefore, 2);
}

TEST(ImagingStepsTest, PaintMovesOnOnlyWithTwoGreyValuesAndSavesExactlyItsTwoWorkingImages)
{
    LogCapture log;
    ImagingChain chain;
    walkTo(chain, chain.writePicture(64, 64, true), chain.m_pPaint);
    auto* pPaint = chain.step<StateImplementationImagingPaint>(chain.m_pPaint);
    StateMachine* pMachine = StateMachine::getInstance();
    EXPECT_FALSE(pMachine->canTransition(NEXT)) << "one grey value everywhere holds no shape";
    const QString sTempDir = FileStorage::getTempDir();
    const QStringList before = pngFilesIn(sTempDir);
    // Going back is never refused for it.
    ASSERT_TRUE(chain.go(PREVIOUS));
    ASSERT_TRUE(chain.go(NEXT));

    // One black stroke across the middle.
    ParameterObject* pPen = ImagingChain::findParameters(pPaint, MODIFIER_PEN);
    ParameterObject::ParameterMap map = pPen->getParameters();
    map[ImageModifierPen::POINTS] = QVariant::fromValue(QList<QPointF>{{0.2, 0.5}, {0.8, 0.5}});
    map[ImageModifierPen::COLOR] = ImageModifierPen::BLACK;
    map[ImageModifierPen::SIZE] = 0.05; // a factor of the picture's size
    map[ImageModifierPen::TIMESTAMP] = QDateTime::currentMSecsSinceEpoch();
    pPen->setParameters(map);
    EXPECT_FALSE(pMachine->canTransition(PREVIOUS)) << "not while the stroke is being painted";
    ASSERT_TRUE(waitIdle(pPaint));
    EXPECT_TRUE(pMachine->canTransition(NEXT));

    ASSERT_TRUE(chain.go(NEXT));
    QStringList written = pngFilesIn(sTempDir);
    for (const QString& s : before)
        written.removeOne(s);
    QStringList expected;
    for (const QString& sKind : {IMAGE_THRESHOLDED, IMAGE_PEN_AND_BUCKET})
    {
        const QString sPath = StateImplementationImagingPaint::getSavedImagePath(chain.chainImage(sKind, HIGH_RES_HQ));
        EXPECT_EQ(QFileInfo(sPath).absolutePath(), QFileInfo(sTempDir).absoluteFilePath());
        EXPECT_FALSE(QFileInfo(sPath).fileName().contains('#'));
        expected.append(QFileInfo(sPath).fileName());
    }
    expected.sort();
    EXPECT_EQ(written, expected);
    EXPECT_EQ(QImage(sTempDir + "/" + expected.first()).size(), QSize(64, 64));
    EXPECT_EQ(log.count("ERROR"), 0);

    // A folder that cannot be written: one error per image, the step still leaves.
    ASSERT_TRUE(QDir(sTempDir).removeRecursively());
    for (int i = 0; i < 5; ++i) // around the chain once more: LOAD, TRANSFORM, THRESHOLD, PAINT, out
    {
        ASSERT_TRUE(chain.go(NEXT)) << i;
    }
    EXPECT_EQ(StateMachine::getInstance()->getCurrentStateUid(), chain.m_pOutside->getUid());
    EXPECT_EQ(log.count("ERROR"), 2);
}

TEST(ImagingStepsTest, SavedImageNamesStayInsideTheTemporaryDirectory)
{
    ImagingChain chain;
    const QString sTempDir = QFileInfo(FileStorage::getTempDir()).absoluteFilePath();
    for (const QString& sName : {QStringLiteral("/A:1#IMAGE/HIGH_RES_HQ"), QStringLiteral("../../etc/passwd"),
                                 QStringLiteral(".."), QStringLiteral("a\\..\\b"), QStringLiteral("x\ny")})
    {
        const QFileInfo info(StateImplementationImagingPaint::getSavedImagePath(sName));
        EXPECT_EQ(info.absolutePath(), sTempDir) << sName.toStdString();
    }
}
