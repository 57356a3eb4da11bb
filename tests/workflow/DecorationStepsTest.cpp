// Coming back to decoration elements on a real component: which elements the
// edit and delete steps keep.

#include "Identifiers.h"
#include "State.h"
#include "StateMachine.h"
#include "WorkflowIdentifiers.h"
#include "support/ComponentWalk.h"
#include "support/WorkflowTestSupport.h"

#include <gtest/gtest.h>

TEST(DecorationStepsTest, AnElementFinishedOnceSurvivesAWalkBackThroughItAndOneNeverFinishedGoes)
{
    ComponentWalk walk;
    StateMachine::getInstance()->start();
    ASSERT_TRUE(walk.addDecoration(walk.writeDisc(0.2)));
    const State* pElements = walk.m_pComponent->findChildState(DECORATION_ELEMENTS, true);
    const State* pElement = pElements->getChildStates().front();

    // Opened through edit, forward to its paint step and back out with
    // Previous: the pipelines ran again, its last steps count as unfinished.
    ASSERT_TRUE(walk.choose(DECORATIONS));
    ASSERT_TRUE(walk.choose(DECORATION_EDIT));
    ASSERT_TRUE(walk.choose(DECORATION));
    while (walk.current()->getName() != PAINT)
        ASSERT_TRUE(walk.go(NEXT));
    while (walk.current()->getParentState() == pElement)
        ASSERT_TRUE(walk.go(PREVIOUS));
    ASSERT_EQ(walk.current()->getName(), DECORATIONS_OPTION_SELECTION);
    for (const QString& sStep : {PAINT, PRESET_BEVEL})
        ASSERT_FALSE(pElement->findChildState(sStep)->isComplete()) << sStep.toStdString();

    // A second element left at its first visit, before anything was made.
    ASSERT_TRUE(walk.choose(DECORATION_ADD));
    ASSERT_EQ(walk.current()->getName(), LOAD);
    ASSERT_TRUE(walk.go(PREVIOUS));
    ASSERT_EQ(pElements->getChildStates().size(), 2u);

    for (const QString& sStep : {DECORATION_EDIT, DECORATION_DELETE})
    {
        ASSERT_TRUE(walk.choose(sStep)) << sStep.toStdString();
        ASSERT_EQ(pElements->getChildStates().size(), 1u) << sStep.toStdString();
        EXPECT_EQ(pElements->getChildStates().front(), pElement) << sStep.toStdString();
        ASSERT_TRUE(walk.choose(UP));
    }
    // The user can still delete it.
    ASSERT_TRUE(walk.choose(UP));
    ASSERT_TRUE(walk.deleteDecoration("DECORATION_ELEMENT_DELETE"));
    EXPECT_TRUE(pElements->getChildStates().empty());
}
