#include "State.h"

#include "CloneManager.h"
#include "ObjectNaming.h"
#include "SimpleException.h"
#include "StateImplementationBase.h"
#include "StateMachine.h"
#include "Transition.h"
#include "Uid.h"

#include <algorithm>

namespace
{
Uid* checkedUid(Uid* pUid)
{
    MOLDENA_ASSERT(pUid);
    return pUid;
}
} // namespace

State::State(const QString& sName, StateImplementationBase* pImplementation)
    : m_pUid(new Uid())
    , m_sName(sName)
    , m_pImplementation(pImplementation)
{
    updateObjectName();
    if (m_pImplementation)
    {
        m_pImplementation->setUid(getUid());
    }
}

State::State(Uid* pUid, const QString& sName)
    : m_pUid(checkedUid(pUid))
    , m_sName(sName)
{
    updateObjectName();
}

State::~State()
{
    if (State* pParent = getParentState())
    {
        pParent->removeChildState(this);
    }
    delete m_pUid;
    m_pUid = nullptr;
    if (m_pImplementation)
    {
        m_pImplementation->removeObjects();
        delete m_pImplementation;
        m_pImplementation = nullptr;
    }
    for (Transition* pTransition : m_vTransitions)
    {
        delete pTransition;
    }
    m_vTransitions.clear();
    // The children go with QObject's destructor, each running these steps.
}

State* State::clone() const
{
    State* pClone = new State(m_pUid->clone(), m_sName);
    CloneManager::getInstance()->registerState(pClone);
    for (const Transition* pTransition : m_vTransitions)
    {
        pClone->m_vTransitions.push_back(pTransition->clone());
    }
    pClone->m_bInitial = m_bInitial;
    pClone->m_bLastStep = m_bLastStep;
    pClone->m_bMandatory = m_bMandatory;
    pClone->m_bAlwaysComplete = m_bAlwaysComplete;
    pClone->m_bQualifyName = m_bQualifyName;
    pClone->m_bFinishedOnce = m_bFinishedOnce;
    pClone->m_sTitle = m_sTitle;
    if (m_pImplementation)
    {
        // The copy already carries a registered copy of the reference uid.
        pClone->m_pImplementation = m_pImplementation->clone();
    }
    for (const State* pChild : getChildStates())
    {
        pClone->addChildState(pChild->clone());
    }
    return pClone;
}

unsigned long State::getUid() const
{
    return idOf(m_pUid);
}

State* State::getParentState() const
{
    return qobject_cast<State*>(parent());
}

std::vector<State*> State::getChildStates() const
{
    std::vector<State*> vChildren;
    for (QObject* pChild : children())
    {
        if (State* pState = qobject_cast<State*>(pChild))
        {
            vChildren.push_back(pState);
        }
    }
    return vChildren;
}

void State::addChildState(State* pState)
{
    MOLDENA_ASSERT(pState);
    MOLDENA_ASSERT(pState->parent() == NULL);
    MOLDENA_ASSERT(findChildState(pState->getUid()) == NULL);
    pState->setParent(this);
}

State* State::removeChildState(State* pState)
{
    MOLDENA_ASSERT(pState);
    MOLDENA_ASSERT(pState->parent() == this);
    pState->setParent(nullptr);
    return pState;
}

State* State::findChildState(const QString& sName, bool bRecursive) const
{
    const std::vector<State*> vChildren = getChildStates();
    for (State* pChild : vChildren)
    {
        if (pChild->m_sName == sName)
        {
            return pChild;
        }
    }
    if (bRecursive)
    {
        for (State* pChild : vChildren)
        {
            if (State* pFound = pChild->findChildState(sName, true))
            {
                return pFound;
            }
        }
    }
    return nullptr;
}

State* State::findChildState(unsigned long ulUid, bool bRecursive) const
{
    const std::vector<State*> vChildren = getChildStates();
    for (State* pChild : vChildren)
    {
        if (pChild->getUid() == ulUid)
        {
            return pChild;
        }
    }
    if (bRecursive)
    {
        for (State* pChild : vChildren)
        {
            if (State* pFound = pChild->findChildState(ulUid, true))
            {
                return pFound;
            }
        }
    }
    return nullptr;
}

void State::addTransition(Transition* pTransition)
{
    for (const Transition* pExisting : m_vTransitions)
    {
        if (pExisting->getName() == pTransition->getName())
        {
            MOLDENA_ASSERT(false);
        }
    }
    m_vTransitions.push_back(pTransition);
}

Transition* State::removeTransition(Transition* pTransition)
{
    const auto it = std::find(m_vTransitions.begin(), m_vTransitions.end(), pTransition);
    if (it == m_vTransitions.end())
    {
        MOLDENA_ASSERT(false);
    }
    m_vTransitions.erase(it);
    return pTransition;
}

Transition* State::findTransition(const QString& s) const
{
    for (Transition* pTransition : m_vTransitions)
    {
        if (pTransition->getName() == s || pTransition->getTargetName() == s)
        {
            return pTransition;
        }
    }
    return nullptr;
}

Transition* State::findTransitionTo(const State* pTargetState) const
{
    MOLDENA_ASSERT(pTargetState);
    for (Transition* pTransition : m_vTransitions)
    {
        if (pTransition->getTargetUid() == pTargetState->getUid())
        {
            return pTransition;
        }
    }
    return nullptr;
}

QString State::getFullName() const
{
    const State* pParent = getParentState();
    if (!pParent)
    {
        return QString();
    }
    return pParent->getFullName() + QLatin1Char('/') + objectName();
}

QString State::getQualifiedName() const
{
    const State* pParent = getParentState();
    if (m_bQualifyName && pParent)
    {
        return joinQualifiedName(pParent->m_sName, m_sName);
    }
    return m_sName;
}

QStringList State::getTitles() const
{
    QStringList titles;
    if (const State* pParent = getParentState())
    {
        titles = pParent->getTitles();
    }
    if (!m_sTitle.isEmpty())
    {
        titles.append(m_sTitle);
    }
    return titles;
}

void State::updateObjectName()
{
    setObjectName(createStateObjectName(m_sName, getUid()));
}

bool State::canEnter() const
{
    bool bResult = m_pImplementation ? m_pImplementation->canEnter() : true;
    for (const State* pChild : getChildStates())
    {
        if (pChild->m_bInitial)
        {
            // Only the first initial child is asked.
            return bResult && pChild->canEnter();
        }
    }
    return bResult;
}

bool State::canLeave() const
{
    bool bResult = m_pImplementation ? m_pImplementation->canLeave() : true;
    const unsigned long ulCurrent = StateMachine::getInstance()->getCurrentStateUid();
    for (const State* pChild : getChildStates())
    {
        if (pChild->getUid() == ulCurrent)
        {
            bResult = bResult && pChild->canLeave();
            break;
        }
    }
    return bResult;
}

bool State::canMoveOn() const
{
    return m_pImplementation ? m_pImplementation->canMoveOn() : true;
}

void State::enter()
{
    if (m_pImplementation)
    {
        m_pImplementation->enter();
    }
    for (State* pChild : getChildStates())
    {
        if (pChild->m_bInitial)
        {
            pChild->enter();
        }
    }
}

void State::leave()
{
    if (m_pImplementation)
    {
        m_pImplementation->leave();
    }
    const unsigned long ulCurrent = StateMachine::getInstance()->getCurrentStateUid();
    for (State* pChild : getChildStates())
    {
        if (pChild->getUid() == ulCurrent)
        {
            pChild->leave();
        }
    }
}

void State::onEntered()
{
    if (m_pImplementation)
    {
        m_pImplementation->onEntered();
    }
    const unsigned long ulUid = getUid();
    StateMachine::getInstance()->setCurrentStateUid(ulUid);
    emit signalEnterState(ulUid);
    for (State* pChild : getChildStates())
    {
        if (pChild->m_bInitial)
        {
            pChild->onEntered();
        }
    }
}

void State::onLeft()
{
    if (m_pImplementation)
    {
        m_pImplementation->onLeft();
    }
    emit signalLeaveState(getUid());
    StateMachine::getInstance()->setCurrentStateUid(0);
}

bool State::isComplete() const
{
    if (m_bAlwaysComplete)
    {
        return true;
    }
    bool bResult = m_pImplementation ? m_pImplementation->isComplete() : true;
    for (const State* pChild : getChildStates())
    {
        bResult = pChild->isComplete() && bResult;
    }
    return bResult;
}
