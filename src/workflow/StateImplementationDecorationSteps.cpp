#include "StateImplementationDecorationSteps.h"

#include "SimpleException.h"
#include "State.h"
#include "StateImplementationStateDeleter.h"
#include "StateMachine.h"
#include "Transition.h"
#include "Uid.h"
#include "WorkflowIdentifiers.h"

#include <QObject>

namespace
{
// An element is finished once one of its last steps is complete.
bool isFinished(const State* pElement)
{
    for (const State* pStep : pElement->getChildStates())
    {
        if (pStep->isLastStep() && pStep->isComplete())
        {
            return true;
        }
    }
    return false;
}

// Removes and deletes every outgoing transition of pState.
void deleteTransitions(State* pState)
{
    while (!pState->getTransitions().empty())
    {
        delete pState->removeTransition(pState->getTransitions().front());
    }
}

// The finished elements below the root, after deleting those never finished.
// An element once finished stays: walking through it again re-runs its
// pipelines, which leaves its last steps incomplete until they are left
// forward once more, and that must not cost the user the element.
std::vector<State*> finishedElements(const Uid* pRootUid)
{
    State* pRootState = StateMachine::getInstance()->findState(idOf(pRootUid));
    MOLDENA_ASSERT(pRootState);
    std::vector<State*> vFinished;
    for (State* pElement : pRootState->getChildStates())
    {
        if (pElement->isFinishedOnce() || isFinished(pElement))
        {
            pElement->setFinishedOnce(true);
            vFinished.push_back(pElement);
        }
        else
        {
            // Its steps remove their images, parameters and pipelines.
            delete pElement;
        }
    }
    return vFinished;
}
} // namespace

StateImplementationDecorationEdit::StateImplementationDecorationEdit() = default;

StateImplementationDecorationEdit::StateImplementationDecorationEdit(unsigned long ulRootUid,
                                                                     const QString& sThumbnailImageKindLeft,
                                                                     const QString& sThumbnailImageKindRight)
    : StateImplementationImageSelection(sThumbnailImageKindLeft, sThumbnailImageKindRight)
    , m_pRootUid(new Uid(ulRootUid, Uid::KIND_REFERENCE))
{
    setOptionText(UP, QObject::tr("Go Back"));
}

StateImplementationDecorationEdit::~StateImplementationDecorationEdit()
{
    delete m_pRootUid;
}

StateImplementationBase* StateImplementationDecorationEdit::clone() const
{
    auto* pClone = new StateImplementationDecorationEdit();
    copyTo(pClone);
    return pClone;
}

void StateImplementationDecorationEdit::copyTo(StateImplementationBase* pDerivedClone) const
{
    StateImplementationImageSelection::copyTo(pDerivedClone);
    auto* pClone = castClone<StateImplementationDecorationEdit>(pDerivedClone);
    pClone->m_pRootUid = cloneUid(m_pRootUid);
}

void StateImplementationDecorationEdit::process()
{
    State* pCurrentState = findOwnState(QStringLiteral("pCurrentState"));
    deleteTransitions(pCurrentState);

    const std::vector<State*> vElements = finishedElements(m_pRootUid);
    State* pParent = pCurrentState->getParentState();
    MOLDENA_ASSERT(pParent);
    for (State* pElement : vElements)
    {
        pCurrentState->addTransition(new Transition(pElement));
    }
    pCurrentState->addTransition(new TransitionUp(pParent));
    StateImplementationImageSelection::process();
}

StateImplementationDecorationDelete::StateImplementationDecorationDelete() = default;

StateImplementationDecorationDelete::StateImplementationDecorationDelete(unsigned long ulRootUid,
                                                                         unsigned long ulExitUid,
                                                                         const QString& sThumbnailImageKindLeft,
                                                                         const QString& sThumbnailImageKindRight)
    : StateImplementationImageSelection(sThumbnailImageKindLeft, sThumbnailImageKindRight)
    , m_pRootUid(new Uid(ulRootUid, Uid::KIND_REFERENCE))
    , m_pExitUid(new Uid(ulExitUid, Uid::KIND_REFERENCE))
{
    setOptionText(UP, QObject::tr("Go Back"));
}

StateImplementationDecorationDelete::~StateImplementationDecorationDelete()
{
    delete m_pRootUid;
    delete m_pExitUid;
}

StateImplementationBase* StateImplementationDecorationDelete::clone() const
{
    auto* pClone = new StateImplementationDecorationDelete();
    copyTo(pClone);
    return pClone;
}

void StateImplementationDecorationDelete::copyTo(StateImplementationBase* pDerivedClone) const
{
    StateImplementationImageSelection::copyTo(pDerivedClone);
    auto* pClone = castClone<StateImplementationDecorationDelete>(pDerivedClone);
    pClone->m_pRootUid = cloneUid(m_pRootUid);
    pClone->m_pExitUid = cloneUid(m_pExitUid);
}

void StateImplementationDecorationDelete::process()
{
    State* pCurrentState = findOwnState(QStringLiteral("pCurrentState"));
    // The deleters of the previous visit go first.
    for (State* pChild : pCurrentState->getChildStates())
    {
        delete pChild;
    }
    deleteTransitions(pCurrentState);

    const std::vector<State*> vElements = finishedElements(m_pRootUid);
    State* pParent = pCurrentState->getParentState();
    MOLDENA_ASSERT(pParent);
    for (State* pElement : vElements)
    {
        State* pDeleter = new State(DECORATION_ELEMENT_DELETE,
                                    new StateImplementationStateDeleter(pElement->getUid(), idOf(m_pExitUid)));
        pDeleter->setTitle(QObject::tr("Delete decoration element"));
        pCurrentState->addChildState(pDeleter);
        pCurrentState->addTransition(new Transition(pDeleter));
    }
    pCurrentState->addTransition(new TransitionUp(pParent));
    StateImplementationImageSelection::process();
}
