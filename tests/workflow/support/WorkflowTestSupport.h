#pragma once

// Small workflow trees for tests: a step that records the calls it receives,
// and helpers to grow a tree under the state machine's root.

#include "State.h"
#include "StateImplementationBase.h"
#include "StateMachine.h"
#include "Transition.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <memory>

// Records "<call> <name>" into a shared journal; its answers are settable.
class RecordingStep : public StateImplementationBase
{
public:
    explicit RecordingStep(const QString& sName = QString(), std::shared_ptr<QStringList> pJournal = nullptr)
        : m_sName(sName)
        , m_pJournal(pJournal ? pJournal : std::make_shared<QStringList>())
    {
    }

    StateImplementationBase* clone() const override
    {
        auto* pClone = new RecordingStep(m_sName, m_pJournal);
        copyTo(pClone);
        return pClone;
    }
    void copyTo(StateImplementationBase* pDerivedClone) const override
    {
        StateImplementationBase::copyTo(pDerivedClone);
        auto* pClone = castClone<RecordingStep>(pDerivedClone);
        pClone->m_bCanEnter = m_bCanEnter;
        pClone->m_bCanLeave = m_bCanLeave;
        pClone->m_bComplete = m_bComplete;
    }
    bool canEnter() const override { return m_bCanEnter; }
    bool canLeave() const override { return m_bCanLeave; }
    bool isComplete() const override { return m_bComplete; }
    void process() override
    {
        record("enter");
        if (m_bThrowOnEnter)
        {
            throw SimpleException(QStringLiteral("enter failed"));
        }
    }
    void removeObjects() override { record("remove"); }
    void onEntered() override { record("entered"); }
    void onLeft() override { record("left"); }
    void leave() override { record("leave"); }

    void record(const char* szCall) { m_pJournal->append(QStringLiteral("%1 %2").arg(szCall, m_sName)); }
    const std::shared_ptr<QStringList>& journal() const { return m_pJournal; }

    bool m_bCanEnter = true;
    bool m_bCanLeave = true;
    bool m_bComplete = true;
    bool m_bThrowOnEnter = false;

private:
    QString m_sName;
    std::shared_ptr<QStringList> m_pJournal;
};

// Adds a child named sName (with an optional implementation) under pParent.
inline State* addState(State* pParent, const QString& sName, StateImplementationBase* pImplementation = nullptr,
                       bool bInitial = false)
{
    State* pState = new State(sName, pImplementation);
    pState->setInitial(bInitial);
    pParent->addChildState(pState);
    return pState;
}

// Delivers queued signals (automatic transitions, the tree's queued removals).
inline void processQueuedEvents()
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}
