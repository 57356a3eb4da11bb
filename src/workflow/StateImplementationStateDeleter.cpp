#include "StateImplementationStateDeleter.h"

#include "SimpleException.h"
#include "State.h"
#include "StateMachine.h"
#include "Uid.h"

StateImplementationStateDeleter::StateImplementationStateDeleter() = default;

StateImplementationStateDeleter::StateImplementationStateDeleter(unsigned long ulStateToDeleteUid,
                                                                 unsigned long ulExitUid)
    : m_pStateToDeleteUid(new Uid(ulStateToDeleteUid, Uid::KIND_REFERENCE))
    , m_pExitUid(new Uid(ulExitUid, Uid::KIND_REFERENCE))
{
}

StateImplementationStateDeleter::~StateImplementationStateDeleter()
{
    delete m_pStateToDeleteUid;
    delete m_pExitUid;
}

unsigned long StateImplementationStateDeleter::getStateToDeleteUid() const
{
    return idOf(m_pStateToDeleteUid);
}

StateImplementationBase* StateImplementationStateDeleter::clone() const
{
    auto* pClone = new StateImplementationStateDeleter();
    copyTo(pClone);
    return pClone;
}

void StateImplementationStateDeleter::copyTo(StateImplementationBase* pDerivedClone) const
{
    StateImplementationBase::copyTo(pDerivedClone);
    auto* pClone = castClone<StateImplementationStateDeleter>(pDerivedClone);
    pClone->m_pStateToDeleteUid = cloneUid(m_pStateToDeleteUid);
    pClone->m_pExitUid = cloneUid(m_pExitUid);
}

void StateImplementationStateDeleter::onEntered()
{
    StateMachine* pMachine = StateMachine::getInstance();
    State* pRootState = pMachine->findState(getStateToDeleteUid());
    MOLDENA_ASSERT(pRootState);
    // The element takes its steps' images, parameters and pipelines with it.
    delete pRootState;

    State* pCurrentState = findOwnState(QStringLiteral("pCurrentState"));
    State* pExitState = pMachine->findState(idOf(m_pExitUid));
    MOLDENA_ASSERT(pExitState);
    moveOnTo(pCurrentState, pExitState);
}
