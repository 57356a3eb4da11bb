// The tree start-up builds: its shape, titles, options, flags and the steps
// that commit their images when they are left.

#include "Identifiers.h"
#include "StateGenerationFactory.h"
#include "StateImplementationImaging.h"
#include "StateImplementationOptionSelection.h"
#include "TestSupport.h"
#include "WorkflowIdentifiers.h"
#include "support/WorkflowTestSupport.h"

#include <gtest/gtest.h>

namespace
{
QStringList names(const std::vector<State*>& vStates)
{
    QStringList list;
    for (const State* p : vStates)
        list << p->getName();
    return list;
}

QStringList optionsOf(State* pState)
{
    auto* pSelection = dynamic_cast<StateImplementationOptionSelection*>(pState->getImplementation());
    pSelection->process();
    QStringList list;
    for (const auto* pOption : pSelection->getOptions())
        list << pOption->getName() + "=" + pSelection->getOptionText(pOption->getName());
    return list;
}

State* nextOf(State* pState)
{
    return StateMachine::getInstance()->findState(pState->findTransition(NEXT)->getTargetUid());
}
} // namespace

TEST(ChapterTreeTest, TheArtifactTreeHasItsChaptersStepsOptionsAndFlags)
{
    State* pRoot = StateMachine::getInstance()->createRootState();
    StateGenerationFactoryArtifact().generate(pRoot->getUid(), 0, 0);
    State* pArtifact = pRoot->findChildState(ARTIFACT);
    ASSERT_NE(pArtifact, nullptr);
    EXPECT_EQ(names(pArtifact->getChildStates()),
              QStringList({ARTIFACT_OPTION_SELECTION, FRONT, BACK, CONSTRUCT_MESH}));
    EXPECT_EQ(optionsOf(pArtifact->findChildState(ARTIFACT_OPTION_SELECTION)),
              QStringList({"FRONT=Create The Front Side", "BACK=Create The Back Side",
                           "CONSTRUCT_MESH=Generate The Composite 3D Object"}));

    State* pBack = pArtifact->findChildState(BACK);
    EXPECT_EQ(pArtifact->findChildState(FRONT)->getChildStates().size(), 1u);
    EXPECT_EQ(names(pBack->getChildStates()), QStringList({COMPONENT_PARTIAL_CLONE, COMPONENT_FULL_CLONE, COMPONENT,
                                                           COMPONENT_CLONE_MODE_OPTION_SELECTION}));
    EXPECT_FALSE(pBack->findChildState(COMPONENT)->isInitial());
    EXPECT_TRUE(pBack->findChildState(COMPONENT_CLONE_MODE_OPTION_SELECTION)->isInitial());
    EXPECT_EQ(optionsOf(pBack->findChildState(COMPONENT_CLONE_MODE_OPTION_SELECTION)),
              QStringList({"COMPONENT_PARTIAL_CLONE=Create Or Edit", "COMPONENT_FULL_CLONE=Copy Front To Back And Edit",
                           "UP=Go Back"}));
    EXPECT_EQ(names(pArtifact->findChildState(CONSTRUCT_MESH)->getChildStates()),
              QStringList({MESH_GENERATION, MESH_HOOKS, MESH_EXPORT}));

    State* pComponent = pArtifact->findChildState(FRONT)->findChildState(COMPONENT);
    EXPECT_EQ(names(pComponent->getChildStates()),
              QStringList({COMPONENT_OPTION_SELECTION, SHAPE, PROFILE, DECORATIONS, BEVEL, COMPOSITION}));
    EXPECT_EQ(optionsOf(pComponent->findChildState(COMPONENT_OPTION_SELECTION)),
              QStringList({"SHAPE=Design The Shape", "PROFILE=Design The Surface Profile", "BEVEL=Generate The Surface",
                           "DECORATIONS=Add Decoration Elements", "COMPOSITION=Compose Surface And Decorations",
                           "UP=Go Back"}));
    for (const QString& sMandatory : {SHAPE, PROFILE, BEVEL, COMPOSITION})
        EXPECT_TRUE(pComponent->findChildState(sMandatory)->isMandatory()) << sMandatory.toStdString();
    EXPECT_TRUE(pComponent->findChildState(DECORATIONS)->isAlwaysComplete());

    // The chains: steps, last steps, the way out, help keys, committing steps.
    State* pShape = pComponent->findChildState(SHAPE);
    State* pProfile = pComponent->findChildState(PROFILE);
    EXPECT_EQ(names(pShape->getChildStates()), QStringList({LOAD, TRANSFORM, THRESHOLD, PAINT}));
    EXPECT_EQ(names(pProfile->getChildStates()), QStringList({LOAD, TRANSFORM, THRESHOLD, PAINT, HEIGHT_HISTOGRAM}));
    EXPECT_EQ(nextOf(pShape->findChildState(PAINT)), pComponent);
    EXPECT_EQ(nextOf(pProfile->findChildState(PAINT)), pProfile->findChildState(HEIGHT_HISTOGRAM));
    EXPECT_EQ(nextOf(pProfile->findChildState(HEIGHT_HISTOGRAM)), pComponent);
    EXPECT_TRUE(pProfile->findChildState(PAINT)->isLastStep() && pProfile->findChildState(HEIGHT_HISTOGRAM)->isLastStep());
    EXPECT_EQ(pProfile->findChildState(HEIGHT_HISTOGRAM)->getQualifiedName(), "PROFILE#HEIGHT_HISTOGRAM");
    const auto commits = [](State* pChain) {
        QStringList list;
        for (const State* p : pChain->getChildStates())
            if (dynamic_cast<StateImplementationImaging*>(p->getImplementation())->isCommitOnLeave())
                list << p->getName();
        return list;
    };
    EXPECT_EQ(commits(pProfile), QStringList({LOAD, PAINT, HEIGHT_HISTOGRAM}));
    EXPECT_EQ(pShape->findChildState(LOAD)->getTitles(),
              QStringList({"Create An Object", "Create The Front Side", "Design The Shape", "Load An Image"}));

    // A decoration element grows under DECORATION_ELEMENTS when its step is entered.
    StateMachine* pMachine = StateMachine::getInstance();
    pMachine->start();
    State* pDecorations = pComponent->findChildState(DECORATIONS);
    State* pAdd = pDecorations->findChildState(DECORATION_ADD);
    pAdd->onEntered(); // as on arrival: the step becomes current and moves into the new element
    processQueuedEvents();
    const std::vector<State*> vElements = pDecorations->findChildState(DECORATION_ELEMENTS)->getChildStates();
    ASSERT_EQ(vElements.size(), 1u);
    EXPECT_EQ(vElements[0]->getName(), DECORATION);
    EXPECT_EQ(names(vElements[0]->getChildStates()), QStringList({LOAD, TRANSFORM, THRESHOLD, PAINT, PRESET_BEVEL}));
    EXPECT_EQ(commits(vElements[0]), QStringList({LOAD, PAINT, PRESET_BEVEL}));
    State* pLoad = vElements[0]->findChildState(LOAD);
    EXPECT_EQ(pMachine->getCurrentStateUid(), pLoad->getUid());
    EXPECT_EQ(pLoad->getQualifiedName(), "DECORATION#LOAD");
    EXPECT_EQ(pLoad->getTitles(), QStringList({"Create An Object", "Create The Front Side", "Add Decoration Elements",
                                               "Load An Image"}));
    EXPECT_EQ(nextOf(vElements[0]->findChildState(PRESET_BEVEL)), pDecorations);
}
