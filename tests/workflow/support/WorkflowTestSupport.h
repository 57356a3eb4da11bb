#pragma once

// Small workflow trees for tests: a step that records the calls it receives,
// and helpers to grow a tree under the state machine's root.

#include "GlobalParameterStore.h"
#include "State.h"
#include "StateImplementationImaging.h"
#include "StateImplementationBase.h"
#include "StateMachine.h"
#include "Transition.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
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

// Waits until no pipeline of the step runs or owes a run, then delivers the
// queued signals.
inline bool waitIdle(const StateImplementationImaging* pStep, int nTimeoutMs = 30000)
{
    const bool bIdle =
        QTest::qWaitFor([pStep] { return pStep->StateImplementationImaging::canLeave(); }, nTimeoutMs);
    processQueuedEvents();
    return bIdle;
}

// Small working sizes keep the pipelines quick; the run's temporary directory
// lies inside dir.
inline void useSmallWorkingSizes(const QTemporaryDir& dir)
{
    qputenv("TMPDIR", QFile::encodeName(dir.path()));
    GlobalParameterStore::setValue(GlobalParameterStore::DOWNSIZED_RESOLUTION, 32);
    GlobalParameterStore::setValue(GlobalParameterStore::UPSIZED_RESOLUTION, 64);
}
