// The state machine on small trees: the order of a transition's calls, the
// signals of the current state, option selection, Up and Previous, completeness
// and the recovery from failures.

#include "Logger.h"
#include "ObjectNaming.h"
#include "SimpleException.h"
#include "StateImplementationOptionSelection.h"
#include "TestSupport.h"
#include "Uid.h"
#include "WorkflowIdentifiers.h"
#include "support/WorkflowTestSupport.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace
{
// ROOT > A [initial] > { A1 [initial] > A1a [initial], A2 }, B > B1 [initial];
// every state has a recording step sharing one journal.
struct SmallTree
{
    std::shared_ptr<QStringList> pJournal = std::make_shared<QStringList>();
    State* pRoot = StateMachine::getInstance()->createRootState();
    State* pA = add(pRoot, "A", true);
    State* pA1 = add(pA, "A1", true);
    State* pA1a = add(pA1, "A1a", true);
    State* pA2 = add(pA, "A2", false);
    State* pB = add(pRoot, "B", false);
    State* pB1 = add(pB, "B1", true);

    State* add(State* pParent, const char* szName, bool bInitial)
    {
        return addState(pParent, szName, new RecordingStep(szName, pJournal), bInitial);
    }
    static RecordingStep* step(State* pState) { return static_cast<RecordingStep*>(pState->getImplementation()); }
};
} // namespace

TEST(StateMachineTest, StartAndTransitionCallTheStepsInOrderAndEndOnTheDeepestInitialState)
{
    SmallTree tree;
    StateMachine* pMachine = StateMachine::getInstance();
    QSignalSpy spy(pMachine, &StateMachine::signalCurrentStateUid);
    EXPECT_FALSE(pMachine->canTransition(NEXT)); // nothing is current before start

    pMachine->start();
    EXPECT_EQ(pMachine->getCurrentStateUid(), tree.pA1a->getUid());
    EXPECT_EQ(*tree.pJournal, QStringList({"enter A", "enter A1", "enter A1a", "entered A", "entered A1", "entered A1a"}));
    EXPECT_ASSERTION(pMachine->start(), "m_ulCurrentState == 0");

    tree.pA1a->addTransition(new TransitionNext(tree.pB));
    tree.pJournal->clear();
    spy.clear();
    ASSERT_TRUE(pMachine->transition(NEXT));
    // Only the step itself is left; the target is entered before the source's
    // onLeft, and the current uid runs 0, B, B1.
    EXPECT_EQ(*tree.pJournal, QStringList({"leave A1a", "enter B", "enter B1", "left A1a", "entered B", "entered B1"}));
    QList<unsigned long> uids;
    for (const QList<QVariant>& args : spy)
    {
        uids.append(args.at(0).toULongLong());
    }
    EXPECT_EQ(uids, QList<unsigned long>({0, tree.pB->getUid(), tree.pB1->getUid()}));
    EXPECT_FALSE(pMachine->isTransitionInProgress());
}

TEST(StateMachineTest, RefusedTransitionsChangeNothing)
{
    SmallTree tree;
    StateMachine* pMachine = StateMachine::getInstance();
    pMachine->start();
    tree.pA1a->addTransition(new TransitionNext(tree.pB));
    tree.pA1a->addTransition(new TransitionPrevious(tree.pA2));
    tree.pJournal->clear();

    struct Case
    {
        const char* szWhy;
        QString sTransition;
        std::function<void()> arrange;
    };
    const std::vector<Case> cases = {
        {"unknown transition", UP, [] {}},
        {"source refuses to leave", NEXT, [&] { SmallTree::step(tree.pA1a)->m_bCanLeave = false; }},
        {"target refuses", NEXT, [&] { SmallTree::step(tree.pA1a)->m_bCanLeave = true; SmallTree::step(tree.pB)->m_bCanEnter = false; }},
        {"first initial child of the target refuses", NEXT,
         [&] { SmallTree::step(tree.pB)->m_bCanEnter = true; SmallTree::step(tree.pB1)->m_bCanEnter = false; }},
    };
    for (const Case& c : cases)
    {
        c.arrange();
        EXPECT_FALSE(pMachine->canTransition(c.sTransition)) << c.szWhy;
        EXPECT_FALSE(pMachine->transition(c.sTransition)) << c.szWhy;
        EXPECT_EQ(pMachine->getCurrentStateUid(), tree.pA1a->getUid()) << c.szWhy;
        EXPECT_TRUE(tree.pJournal->isEmpty()) << c.szWhy;
        EXPECT_FALSE(pMachine->isTransitionInProgress()) << c.szWhy;
    }
    EXPECT_TRUE(pMachine->canTransition(PREVIOUS));
}

TEST(StateMachineTest, OptionSelectionLeadsNextToTheChosenOptionAndUpBack)
{
    // ROOT > ARTIFACT [initial] > { OPTIONS [initial], X, X (second), Y }
    State* pRoot = StateMachine::getInstance()->createRootState();
    State* pArtifact = addState(pRoot, ARTIFACT, nullptr, true);
    auto* pSelection = new StateImplementationOptionSelection();
    State* pOptions = addState(pArtifact, "OPTIONS", pSelection, true);
    State* pX = addState(pArtifact, "X");
    State* pX2 = addState(pArtifact, "X");
    State* pY = addState(pArtifact, "Y");
    pOptions->addTransition(new Transition(pX));
    pOptions->addTransition(new Transition(pX2));
    pOptions->addTransition(new Transition(pY));
    pOptions->addTransition(new TransitionUp(pArtifact));
    pSelection->setOptionText("X", "Go to X");
    pY->addTransition(new TransitionPrevious(pOptions));

    StateMachine* pMachine = StateMachine::getInstance();
    QSignalSpy selected(pSelection, &StateImplementationOptionSelection::signalOptionSelected);
    pMachine->start();

    QStringList names;
    for (const auto* pOption : pSelection->getOptions())
    {
        names.append(pOption->getName());
    }
    EXPECT_EQ(names, QStringList({"X", "X1", "Y", UP}));
    EXPECT_EQ(pSelection->getOptionText("X"), "Go to X");
    EXPECT_EQ(pSelection->getOptionText("X1"), "X1: No text");
    // Arrival selects the first option.
    EXPECT_EQ(pSelection->getSelectedOption(), "X");
    EXPECT_EQ(selected.size(), 1);
    EXPECT_FALSE(pMachine->canTransition(PREVIOUS)); // an option selection has no Previous
    EXPECT_TRUE(pMachine->canTransition(UP));         // the chapter's Up, also reached as an option

    pSelection->selectOption("X1");
    EXPECT_EQ(pSelection->getNextStateUid(), pX2->getUid());
    EXPECT_ASSERTION(pSelection->selectOption("Z"), "false");

    pSelection->selectOption("Y");
    ASSERT_TRUE(pMachine->transition(NEXT));
    EXPECT_EQ(pMachine->getCurrentStateUid(), pY->getUid());
    EXPECT_FALSE(pMachine->canTransition(UP));
    ASSERT_TRUE(pMachine->transition(PREVIOUS));
    // The previous choice that was not the last option is kept.
    EXPECT_EQ(pSelection->getSelectedOption(), "Y");

    // Choosing "UP" leads to the chapter, which enters its option selection again;
    // a choice of the last option falls back to the first on arrival.
    pSelection->selectOption(UP);
    ASSERT_TRUE(pMachine->transition(NEXT));
    EXPECT_EQ(pMachine->getCurrentStateUid(), pOptions->getUid());
    EXPECT_EQ(pSelection->getSelectedOption(), "X");
}

TEST(StateMachineTest, CompletenessAsksEveryStepBelowExceptUnderAlwaysCompleteStates)
{
    SmallTree tree;
    EXPECT_TRUE(tree.pRoot->isComplete());
    SmallTree::step(tree.pA2)->m_bComplete = false; // a child that is not initial counts too
    EXPECT_FALSE(tree.pA->isComplete());
    EXPECT_FALSE(tree.pRoot->isComplete());
    EXPECT_TRUE(tree.pB->isComplete());
    tree.pA->setAlwaysComplete(true);
    EXPECT_TRUE(tree.pRoot->isComplete());
    SmallTree::step(tree.pB)->m_bComplete = false; // the chapter's own step counts
    EXPECT_FALSE(tree.pRoot->isComplete());
}

TEST(StateMachineTest, TreeBookkeepingRefusesDuplicatesAndNamesStates)
{
    State* pRoot = StateMachine::getInstance()->createRootState();
    State* pArtifact = addState(pRoot, ARTIFACT);
    State* pShape = addState(pArtifact, SHAPE);
    State* pLoad = addState(pShape, LOAD);
    pLoad->setQualifyName(true);
    pArtifact->setTitle("Create An Object");
    pLoad->setTitle("Load An Image");

    EXPECT_EQ(pRoot->getFullName(), "");
    EXPECT_EQ(pLoad->getFullName(), QStringLiteral("/ARTIFACT:%1/SHAPE:%2/LOAD:%3")
                                        .arg(pArtifact->getUid())
                                        .arg(pShape->getUid())
                                        .arg(pLoad->getUid()));
    EXPECT_EQ(pLoad->getQualifiedName(), "SHAPE#LOAD");
    EXPECT_EQ(pShape->getQualifiedName(), SHAPE);
    EXPECT_EQ(pLoad->getTitles(), QStringList({"Create An Object", "Load An Image"}));
    EXPECT_EQ(pRoot->findChildState(LOAD, true), pLoad);
    EXPECT_EQ(pRoot->findChildState(LOAD, false), nullptr);

    EXPECT_ASSERTION(pRoot->addChildState(pLoad), "pState->parent() == NULL");
    EXPECT_ASSERTION(pRoot->addChildState(nullptr), "pState");
    EXPECT_ASSERTION(new Transition(nullptr), "pTargetState");
    pShape->addTransition(new TransitionNext(pLoad));
    auto* pDuplicate = new TransitionNext(pArtifact);
    EXPECT_ASSERTION(pShape->addTransition(pDuplicate), "false");
    delete pDuplicate;

    // Two generic transitions toward states of one name: distinct names, the
    // first found by the target's name.
    auto* pFirst = new Transition(pLoad);
    auto* pSecond = new Transition(pLoad);
    pShape->addTransition(pFirst);
    pShape->addTransition(pSecond);
    EXPECT_NE(pFirst->getName(), pSecond->getName());
    EXPECT_EQ(pShape->findTransition(LOAD), pFirst);
    EXPECT_EQ(pShape->findTransition(pSecond->getName()), pSecond);
    EXPECT_EQ(pShape->removeTransition(pSecond), pSecond);
    delete pSecond;

    // A state taken out of the tree is no longer found; a deleted one leaves.
    EXPECT_EQ(pShape->removeChildState(pLoad), pLoad);
    EXPECT_EQ(StateMachine::getInstance()->findState(pLoad->getUid()), nullptr);
    pShape->addChildState(pLoad);
    const unsigned long ulLoad = pLoad->getUid();
    delete pLoad;
    EXPECT_EQ(StateMachine::getInstance()->findState(ulLoad), nullptr);
    EXPECT_EQ(pShape->findTransition(NEXT)->getTargetUid(), ulLoad); // a dangling reference keeps its number
}

TEST(StateMachineTest, AFailedStepLeavesTheMachineUsableAndTheAutomaticTransitionLogsInsteadOfThrowing)
{
    LogCapture log;
    SmallTree tree;
    StateMachine* pMachine = StateMachine::getInstance();
    pMachine->start();
    tree.pA1a->addTransition(new TransitionNext(tree.pB));
    tree.pA1a->addTransition(new TransitionPrevious(tree.pA2));

    SmallTree::step(tree.pB)->m_bThrowOnEnter = true;
    EXPECT_THROW(pMachine->transition(NEXT), SimpleException);
    EXPECT_FALSE(pMachine->isTransitionInProgress());

    // The same failure through the queued automatic transition stays inside
    // the slot; an automatic transition that is refused is logged too.
    pMachine->autoTransition(NEXT);
    processQueuedEvents();
    SmallTree::step(tree.pB)->m_bThrowOnEnter = false;
    SmallTree::step(tree.pA2)->m_bCanEnter = false;
    pMachine->autoTransition(PREVIOUS);
    processQueuedEvents();
    EXPECT_EQ(log.count("ERROR"), 2);
    EXPECT_FALSE(pMachine->isTransitionInProgress());

    // Still usable: the machine runs the next transition normally.
    ASSERT_TRUE(pMachine->transition(NEXT));
    EXPECT_EQ(pMachine->getCurrentStateUid(), tree.pB1->getUid());
}

TEST(StateMachineTest, UidsAreFreshAndCopiedTransitionsKeepTheirKind)
{
    const unsigned long ulFirst = generateUniqueId();
    EXPECT_EQ(generateUniqueId(), ulFirst + 1);

    State* pRoot = StateMachine::getInstance()->createRootState();
    State* pTarget = addState(pRoot, "T");
    const Transition next(pTarget);
    std::unique_ptr<Transition> pNextCopy(TransitionNext(pTarget).clone());
    std::unique_ptr<Transition> pGenericCopy(next.clone());
    EXPECT_EQ(pNextCopy->getName(), NEXT);
    EXPECT_NE(dynamic_cast<TransitionNext*>(pNextCopy.get()), nullptr);
    EXPECT_NE(pGenericCopy->getName(), next.getName());
    EXPECT_EQ(pGenericCopy->getTargetName(), "T");
    EXPECT_EQ(pGenericCopy->getTargetUid(), pTarget->getUid());
}
