// Copying a component: the bookkeeping's fresh ids, redirected references and
// renamed objects, the cloner step in both modes, and what replacing the back
// leaves behind.

#include "CloneManager.h"
#include "ImageObject.h"
#include "ImageObjectSynchronizer.h"
#include "ObjectNaming.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "Raster2d.h"
#include "StateImplementationComponentCloner.h"
#include "StateImplementationOptionSelection.h"
#include "TestSupport.h"
#include "Uid.h"
#include "WorkflowIdentifiers.h"
#include "support/ComponentWalk.h"
#include "support/WorkflowTestSupport.h"

#include <gtest/gtest.h>

namespace
{
// ROOT > ARTIFACT [initial] > { FRONT > COMPONENT [initial] > { COMPONENT_OPTION_SELECTION [initial],
//   SHAPE > PAINT [initial] }, BACK > { PARTIAL, FULL, COMPONENT > {...the same...},
//   COMPONENT_CLONE_MODE_OPTION_SELECTION [initial] } }
struct TwoSides
{
    State* pRoot = StateMachine::getInstance()->createRootState();
    State* pArtifact = addState(pRoot, ARTIFACT, nullptr, true);
    State* pFront = addState(pArtifact, FRONT);
    State* pFrontComponent = addComponent(pFront, pArtifact, true);
    State* pBack = addState(pArtifact, BACK);
    State* pPartial = addState(pBack, COMPONENT_PARTIAL_CLONE,
                               new StateImplementationComponentCloner(pFrontComponent->getUid(), pBack->getUid(),
                                                                      COMPONENT_PARTIAL_CLONE));
    State* pFull = addState(pBack, COMPONENT_FULL_CLONE,
                            new StateImplementationComponentCloner(pFrontComponent->getUid(), pBack->getUid(),
                                                                   COMPONENT_FULL_CLONE));
    State* pBackComponent = addComponent(pBack, pArtifact, false);
    StateImplementationOptionSelection* pCloneMode = new StateImplementationOptionSelection();
    State* pCloneModeState = addState(pBack, COMPONENT_CLONE_MODE_OPTION_SELECTION, pCloneMode, true);

    TwoSides()
    {
        pArtifact->addTransition(new TransitionNext(pBack));
        pCloneModeState->addTransition(new Transition(pPartial));
        pCloneModeState->addTransition(new Transition(pFull));
        pCloneModeState->addTransition(new TransitionUp(pArtifact));
    }

    static State* addComponent(State* pSide, State* pArtifact, bool bInitial)
    {
        State* pComponent = addState(pSide, COMPONENT, nullptr, bInitial);
        State* pOptions = addState(pComponent, COMPONENT_OPTION_SELECTION, new StateImplementationOptionSelection(), true);
        State* pShape = addState(pComponent, SHAPE);
        State* pPaint = addState(pShape, PAINT, new RecordingStep("paint"), true);
        pOptions->addTransition(new Transition(pShape));
        pOptions->addTransition(new TransitionUp(pArtifact));
        pPaint->addTransition(new TransitionNext(pComponent));
        return pComponent;
    }

    QString shapeImageName(State* pComponent) const
    {
        return createObjectName(pComponent->findChildState(SHAPE)->getFullName(), IMAGE_PEN_AND_BUCKET, HIGH_RES_HQ);
    }

    // Puts a front shape drawing of one grey value into the tree.
    void drawFrontShape(unsigned char value)
    {
        delete ObjectRoot::getInstance()->findObject<ImageObject>(shapeImageName(pFrontComponent));
        auto* pImage = new ImageObject(shapeImageName(pFrontComponent));
        auto* pRaster = new Raster2d<unsigned char>(8, 4);
        for (unsigned y = 0; y < 4; ++y)
            for (unsigned x = 0; x < 8; ++x)
                pRaster->at(x, y) = value;
        pImage->setRaster(pRaster, true);
        ASSERT_TRUE(ObjectRoot::getInstance()->addChild(pImage));
    }

    // From an option selection (by its "UP") or the artifact to the clone mode.
    void goToCloneMode()
    {
        StateMachine* pMachine = StateMachine::getInstance();
        if (pMachine->getCurrentStateUid() == pCloneModeState->getUid())
        {
            return;
        }
        State* pCurrent = pMachine->findState(pMachine->getCurrentStateUid());
        if (auto* pSelection = qobject_cast<StateImplementationOptionSelection*>(pCurrent->getImplementation()))
        {
            pSelection->selectOption(UP);
            ASSERT_TRUE(pMachine->transition(NEXT));
        }
        ASSERT_TRUE(pMachine->transition(NEXT));
        ASSERT_EQ(pMachine->getCurrentStateUid(), pCloneModeState->getUid());
    }

    // From the clone-mode selection, choose a mode and run it to the back component.
    void runClone(const QString& sMode)
    {
        StateMachine* pMachine = StateMachine::getInstance();
        goToCloneMode();
        pCloneMode->selectOption(sMode);
        ASSERT_TRUE(pMachine->transition(NEXT));
        processQueuedEvents(); // the cloner moves on by itself
    }
};

const unsigned char* pixels(const ImageObject* pImage)
{
    return static_cast<const Raster2d<unsigned char>*>(pImage->getRasterReadOnly())->getData();
}
} // namespace

TEST(ComponentCloneTest, FinishGivesFreshIdsRedirectsInnerReferencesAndRenamesObjectsWithEveryStoredName)
{
    TwoSides sides;
    State* pFrontShape = sides.pFrontComponent->findChildState(SHAPE);
    State* pFrontPaint = pFrontShape->findChildState(PAINT);
    const QString sFrontName = createObjectName(pFrontPaint->getFullName(), IMAGE_RAW, HIGH_RES_HQ);

    CloneManager* pManager = CloneManager::getInstance();
    pManager->begin();
    State* pCopy = sides.pFrontComponent->clone();
    pCopy->setInitial(false);
    sides.pBack->addChildState(pCopy);

    // An object copied by a step, and names and values that refer to it: a
    // stored name, two values of the same text and a list value.
    auto* pObject = new ImageObject(ObjectBase::getCloneName(sFrontName));
    ASSERT_TRUE(ObjectRoot::getInstance()->addChild(pObject, true));
    pManager->registerObject(pObject);
    QString sStoredName = sFrontName;
    pManager->registerObjectName(&sStoredName);
    QVariant first(sFrontName);
    QVariant second(sFrontName);
    QVariant list = QVariant::fromValue(std::vector<QString>{"other", sFrontName});
    QVariant unrelated(42);
    for (QVariant* p : {&first, &second, &list, &unrelated})
        pManager->registerVariant(p);
    ImageObject outside("outside");
    EXPECT_ASSERTION(pManager->registerObject(&outside), "pObject->parent() != NULL");
    pManager->finish();

    State* pBackPaint = pCopy->findChildState(PAINT, true);
    State* pBackOptions = pCopy->findChildState(COMPONENT_OPTION_SELECTION);
    EXPECT_NE(pCopy->getUid(), sides.pFrontComponent->getUid());
    EXPECT_NE(pBackPaint->getUid(), pFrontPaint->getUid());
    EXPECT_EQ(pBackPaint->objectName(), createStateObjectName(PAINT, pBackPaint->getUid()));
    EXPECT_EQ(pBackPaint->getImplementation()->getUid(), pBackPaint->getUid());
    // Inside the copy references follow it; Up still leads to the artifact.
    EXPECT_EQ(pBackPaint->findTransition(NEXT)->getTargetUid(), pCopy->getUid());
    EXPECT_EQ(pBackOptions->findTransition(SHAPE)->getTargetUid(), pCopy->findChildState(SHAPE)->getUid());
    EXPECT_EQ(pBackOptions->findTransition(UP)->getTargetUid(), sides.pArtifact->getUid());

    const QString sBackName = createObjectName(pBackPaint->getFullName(), IMAGE_RAW, HIGH_RES_HQ);
    EXPECT_EQ(pObject->objectName(), sBackName);
    EXPECT_EQ(sStoredName, sBackName);
    EXPECT_EQ(first.toString(), sBackName);
    EXPECT_EQ(second.toString(), sBackName);
    EXPECT_EQ(list.value<std::vector<QString>>(), (std::vector<QString>{"other", sBackName}));
    EXPECT_EQ(unrelated.toInt(), 42);
}

TEST(ComponentCloneTest, PartialCloneTwiceLinksTheShapeOnceAndDropsTheBackShapeOption)
{
    TwoSides sides;
    StateMachine* pMachine = StateMachine::getInstance();
    pMachine->start();
    // The front must be complete; the paint step reports incomplete at first.
    auto* pFrontPaintStep =
        static_cast<RecordingStep*>(sides.pFrontComponent->findChildState(PAINT, true)->getImplementation());
    pFrontPaintStep->m_bComplete = false;
    sides.goToCloneMode();
    sides.pCloneMode->selectOption(COMPONENT_PARTIAL_CLONE);
    EXPECT_FALSE(pMachine->canTransition(NEXT));
    pFrontPaintStep->m_bComplete = true;
    sides.drawFrontShape(200);

    for (int nRun = 0; nRun < 2; ++nRun)
    {
        sides.runClone(COMPONENT_PARTIAL_CLONE);
        State* pBackOptions = sides.pBackComponent->findChildState(COMPONENT_OPTION_SELECTION);
        EXPECT_EQ(pMachine->getCurrentStateUid(), pBackOptions->getUid()) << "run " << nRun;
        EXPECT_EQ(pBackOptions->findTransition(SHAPE), nullptr);
        EXPECT_TRUE(sides.pBackComponent->findChildState(SHAPE)->isAlwaysComplete());
        EXPECT_FALSE(pMachine->isTransitionInProgress());
    }
    EXPECT_EQ(ObjectRoot::getInstance()->findChildren<ImageObjectSynchronizer*>().size(), 1);

    // A new front drawing shows up on the back.
    sides.drawFrontShape(30);
    const ImageObject* pBackShape =
        ObjectRoot::getInstance()->findObject<ImageObject>(sides.shapeImageName(sides.pBackComponent));
    ASSERT_NE(pBackShape, nullptr);
    ASSERT_NE(pBackShape->getRasterReadOnly(), nullptr);
    EXPECT_EQ(pixels(pBackShape)[0], 30);
}

TEST(ComponentCloneTest, FullCloneReplacesTheBackComponentByACopyOfTheFront)
{
    TwoSides sides;
    StateMachine* pMachine = StateMachine::getInstance();
    pMachine->start();
    sides.drawFrontShape(200);
    const unsigned long ulOldBackComponent = sides.pBackComponent->getUid();
    auto pJournal = static_cast<RecordingStep*>(sides.pBackComponent->findChildState(PAINT, true)->getImplementation())->journal();

    sides.runClone(COMPONENT_FULL_CLONE);
    EXPECT_TRUE(pJournal->contains("remove paint")); // the old back step removed its objects
    EXPECT_EQ(pMachine->findState(ulOldBackComponent), nullptr);
    State* pNewBack = sides.pBack->findChildState(COMPONENT);
    ASSERT_NE(pNewBack, nullptr);
    EXPECT_FALSE(pNewBack->isInitial());
    EXPECT_EQ(pMachine->getCurrentStateUid(), pNewBack->findChildState(COMPONENT_OPTION_SELECTION)->getUid());
    EXPECT_NE(pNewBack->getUid(), sides.pFrontComponent->getUid());
    EXPECT_EQ(pMachine->findState(pNewBack->findChildState(PAINT, true)->findTransition(NEXT)->getTargetUid()),
              pNewBack);
    const ImageObject* pBackShape =
        ObjectRoot::getInstance()->findObject<ImageObject>(sides.shapeImageName(pNewBack));
    ASSERT_NE(pBackShape, nullptr);
    EXPECT_EQ(pixels(pBackShape)[0], 200);
    // The front still offers its own shape design.
    EXPECT_NE(sides.pFrontComponent->findChildState(COMPONENT_OPTION_SELECTION)->findTransition(SHAPE), nullptr);
}

TEST(ComponentCloneTest, FinishRefusesObjectNamesThatNameNoCopiedState)
{
    StateMachine::getInstance()->createRootState();
    const std::vector<std::pair<QString, const char*>> cases = {
        {"no state part", "!slOldHeadParts.empty()"},
        {"/ARTIFACT:x#IMAGE_RAW/HIGH_RES_HQ", "bConvertOk"},
        {"/ARTIFACT:999999#IMAGE_RAW/HIGH_RES_HQ", "itOwner != m_mapOwnerUids.end()"},
    };
    for (const auto& [sName, sAssertion] : cases)
    {
        CloneManager::getInstance()->begin();
        auto* pObject = new ImageObject(ObjectBase::getCloneName(sName));
        ASSERT_TRUE(ObjectRoot::getInstance()->addChild(pObject, true));
        CloneManager::getInstance()->registerObject(pObject);
        EXPECT_ASSERTION(CloneManager::getInstance()->finish(), sAssertion);
        delete pObject;
    }
}

TEST(ComponentCloneTest, ReplacingTheBackAndDeletingElementsLeaveNoImageOrSynchronizerBehind)
{
    ComponentWalk walk{ComponentWalk::WholeArtifact()};
    StateMachine::getInstance()->start();
    ASSERT_TRUE(walk.choose(FRONT) && walk.makeComplete(walk.writeDisc(0.4)) && walk.choose(UP));
    const auto counts = [] {
        const ObjectRoot* pRoot = ObjectRoot::getInstance();
        return std::make_pair(pRoot->findChildren<ImageObject*>().size(),
                              pRoot->findChildren<ImageObjectSynchronizer*>().size());
    };

    // Linked and painted on (its own profile), then replaced by a copy.
    std::vector<std::pair<qsizetype, qsizetype>> vCounts;
    for (int nRun = 0; nRun < 3; ++nRun)
    {
        ASSERT_TRUE(walk.choose(BACK) && walk.choose(COMPONENT_PARTIAL_CLONE) && walk.makeProfile() && walk.choose(UP));
        const QString sReplaced = walk.m_pArtifact->findChildState(BACK)->findChildState(COMPONENT)->getFullName();
        ASSERT_TRUE(walk.choose(BACK) && walk.choose(COMPONENT_FULL_CLONE) && walk.choose(UP));
        for (const ImageObject* pImage : ObjectRoot::getInstance()->findChildren<ImageObject*>())
            EXPECT_FALSE(pImage->objectName().startsWith(sReplaced)) << pImage->objectName().toStdString();
        vCounts.push_back(counts());
    }
    EXPECT_EQ(vCounts.back(), vCounts.front());

    ASSERT_TRUE(walk.choose(FRONT));
    const auto before = counts();
    for (int nRun = 0; nRun < 2; ++nRun)
        ASSERT_TRUE(walk.addDecoration(walk.writeDisc(0.2)) && walk.deleteDecoration("DECORATION_ELEMENT_DELETE"));
    EXPECT_EQ(counts(), before);
}
