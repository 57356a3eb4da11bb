#pragma once

#include "StateImplementationBase.h"

#include "SimpleException.h"
#include "State.h"
#include "StateMachine.h"
#include "Transition.h"
#include "Uid.h"

#include <QString>

// The step that grows the tree while the user walks it: each arrival creates
// a new state under the root it was given, lets its factory build a chapter
// there, and moves into it by itself ("DECORATION_ADD" adds one decoration
// element per visit).
template <typename Factory>
class StateImplementationStateGenerator : public StateImplementationBase
{
public:
    StateImplementationStateGenerator()
        : m_pFactory(new Factory())
    {
    }
    StateImplementationStateGenerator(const QString& sStateName, unsigned long ulRootUid, unsigned long ulEntryFromUid,
                                      unsigned long ulExitToUid)
        : m_pFactory(new Factory())
        , m_sStateName(sStateName)
        , m_pRootUid(new Uid(ulRootUid, Uid::KIND_REFERENCE))
        , m_pEntryFromUid(new Uid(ulEntryFromUid, Uid::KIND_REFERENCE))
        , m_pExitToUid(new Uid(ulExitToUid, Uid::KIND_REFERENCE))
    {
    }
    ~StateImplementationStateGenerator() override
    {
        delete m_pFactory;
        delete m_pRootUid;
        delete m_pEntryFromUid;
        delete m_pExitToUid;
    }

    StateImplementationBase* clone() const override
    {
        auto* pClone = new StateImplementationStateGenerator();
        copyTo(pClone);
        return pClone;
    }
    void copyTo(StateImplementationBase* pDerivedClone) const override
    {
        StateImplementationBase::copyTo(pDerivedClone);
        auto* pClone = castClone<StateImplementationStateGenerator>(pDerivedClone);
        pClone->m_pRootUid = cloneUid(m_pRootUid);
        pClone->m_pEntryFromUid = cloneUid(m_pEntryFromUid);
        pClone->m_pExitToUid = cloneUid(m_pExitToUid);
        pClone->m_sStateName = m_sStateName;
    }
    void process() override {}
    void removeObjects() override {}

    void onEntered() override
    {
        StateMachine* pMachine = StateMachine::getInstance();
        State* pRoot = pMachine->findState(idOf(m_pRootUid));
        MOLDENA_ASSERT(pRoot);
        State* pCurrent = findOwnState(QStringLiteral("pCurrent"));

        State* pNewState = new State(m_sStateName, nullptr);
        pRoot->addChildState(pNewState);
        // One transition per element ever made from here; they accumulate.
        auto* pTransition = new Transition(pNewState);
        pCurrent->addTransition(pTransition);
        m_pFactory->generate(pNewState->getUid(), idOf(m_pEntryFromUid), idOf(m_pExitToUid));

        // The chapter just built must not have taken this step's own state.
        findOwnState(QStringLiteral("pState"));
        pMachine->autoTransition(pTransition->getName());
    }

private:
    Factory* m_pFactory;
    QString m_sStateName;
    Uid* m_pRootUid = nullptr;
    Uid* m_pEntryFromUid = nullptr;
    Uid* m_pExitToUid = nullptr;
};
