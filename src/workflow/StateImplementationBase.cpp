#include "StateImplementationBase.h"

#include "SimpleException.h"
#include "State.h"
#include "StateMachine.h"
#include "Transition.h"
#include "Uid.h"

StateImplementationBase::StateImplementationBase() = default;

StateImplementationBase::~StateImplementationBase()
{
    emit signalDestroyed(this);
    delete m_pUid;
}

void StateImplementationBase::setUid(unsigned long ulUid)
{
    delete m_pUid;
    m_pUid = new Uid(ulUid, Uid::KIND_REFERENCE);
}

unsigned long StateImplementationBase::getUid() const
{
    return idOf(m_pUid);
}

void StateImplementationBase::copyTo(StateImplementationBase* pDerivedClone) const
{
    if (m_pUid)
    {
        delete pDerivedClone->m_pUid;
        pDerivedClone->m_pUid = m_pUid->clone();
    }
}

State* StateImplementationBase::findOwnState(const QString& sCondition) const
{
    State* pState = StateMachine::getInstance()->findState(getUid());
    if (!pState)
    {
        throwAssertionFailure(sCondition);
    }
    return pState;
}

void StateImplementationBase::moveOnTo(State* pCurrentState, const State* pTargetState)
{
    Transition* pTransition = pCurrentState->findTransitionTo(pTargetState);
    if (!pTransition)
    {
        pTransition = new Transition(pTargetState);
        pCurrentState->addTransition(pTransition);
    }
    StateMachine::getInstance()->autoTransition(pTransition->getName());
}
