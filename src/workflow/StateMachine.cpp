#include "StateMachine.h"

#include "Identifiers.h"
#include "Logger.h"
#include "SimpleException.h"
#include "State.h"
#include "StateImplementationOptionSelection.h"
#include "Transition.h"
#include "WorkflowIdentifiers.h"

#include <exception>

namespace
{
// Clears the in-progress flag however a transition ends, an exception included.
class TransitionFlag
{
public:
    explicit TransitionFlag(bool& bFlag)
        : m_bFlag(bFlag)
    {
        m_bFlag = true;
    }
    ~TransitionFlag() { m_bFlag = false; }
    TransitionFlag(const TransitionFlag&) = delete;
    TransitionFlag& operator=(const TransitionFlag&) = delete;

private:
    bool& m_bFlag;
};
} // namespace

StateMachine* StateMachine::getInstance()
{
    static StateMachine* s_pInstance = new StateMachine();
    return s_pInstance;
}

StateMachine::StateMachine()
{
    const bool bConnectOk = bool(connect(this, &StateMachine::signalAutoTransition, this,
                                         &StateMachine::slotAutoTransition, Qt::QueuedConnection));
    MOLDENA_ASSERT(bConnectOk);
}

StateMachine::~StateMachine()
{
    delete m_pRootState;
}

State* StateMachine::createRootState()
{
    if (!m_pRootState)
    {
        m_pRootState = new State(ROOT, nullptr);
    }
    return m_pRootState;
}

void StateMachine::setCurrentStateUid(unsigned long ulUid)
{
    m_ulCurrentState = ulUid;
    emit signalCurrentStateUid(ulUid);
}

State* StateMachine::findState(unsigned long ulUid, const State* pStartState) const
{
    const State* pRootState = pStartState ? pStartState : m_pRootState;
    MOLDENA_ASSERT(pRootState);
    if (pRootState->getUid() == ulUid)
    {
        return const_cast<State*>(pRootState);
    }
    for (const State* pChild : pRootState->getChildStates())
    {
        if (State* pFound = findState(ulUid, pChild))
        {
            return pFound;
        }
    }
    return nullptr;
}

unsigned long StateMachine::findTargetUid(const State* pSource, const QString& sTransitionName) const
{
    if (sTransitionName == NEXT)
    {
        if (auto* pSelection = qobject_cast<StateImplementationOptionSelection*>(pSource->getImplementation()))
        {
            return pSelection->getNextStateUid();
        }
    }
    const Transition* pTransition = pSource->findTransition(sTransitionName);
    return pTransition ? pTransition->getTargetUid() : 0;
}

bool StateMachine::canLeave(const State* pSourceState, const QString& sTransitionName)
{
    return pSourceState->canLeave() && (sTransitionName != NEXT || pSourceState->canMoveOn());
}

bool StateMachine::canTransition(const QString& sTransitionName) const
{
    if (m_ulCurrentState == 0)
    {
        return false;
    }
    const State* pSourceState = findState(m_ulCurrentState);
    if (!pSourceState || !canLeave(pSourceState, sTransitionName))
    {
        return false;
    }
    const unsigned long ulTarget = findTargetUid(pSourceState, sTransitionName);
    if (ulTarget == 0)
    {
        return false;
    }
    const State* pTargetState = findState(ulTarget);
    MOLDENA_ASSERT(pTargetState);
    return pTargetState->canEnter();
}

bool StateMachine::transition(const QString& sTransitionName)
{
    TransitionFlag flag(m_bTransitionInProgress);
    State* pSourceState = findState(m_ulCurrentState);
    MOLDENA_ASSERT(pSourceState);
    if (!canLeave(pSourceState, sTransitionName))
    {
        return false;
    }
    const unsigned long ulTarget = findTargetUid(pSourceState, sTransitionName);
    if (ulTarget == 0)
    {
        return false;
    }
    State* pTargetState = findState(ulTarget);
    MOLDENA_ASSERT(pTargetState);
    if (!pTargetState->canEnter())
    {
        return false;
    }
    pSourceState->leave();
    pTargetState->enter();
    pSourceState->onLeft();
    pTargetState->onEntered();
    return true;
}

void StateMachine::autoTransition(const QString& sTransitionName)
{
    emit signalAutoTransition(sTransitionName);
}

void StateMachine::slotAutoTransition(QString sTransitionName)
{
    try
    {
        MOLDENA_ASSERT(!m_bTransitionInProgress);
        const bool bOk = transition(sTransitionName);
        MOLDENA_ASSERT(bOk);
    }
    catch (const std::exception& e)
    {
        LOG_ERROR(QStringLiteral("The automatic transition \"%1\" failed: %2").arg(sTransitionName, e.what()));
    }
    catch (...)
    {
        LOG_ERROR(QStringLiteral("The automatic transition \"%1\" failed.").arg(sTransitionName));
    }
}

void StateMachine::start()
{
    State* pRoot = m_pRootState;
    MOLDENA_ASSERT(pRoot);
    MOLDENA_ASSERT(m_ulCurrentState == 0);
    pRoot->enter();
    pRoot->onEntered();
}
