#pragma once

#include <QObject>
#include <QString>

class State;

// The process-wide owner of the workflow tree under "ROOT" and of the current
// state. A transition leaves the current step and enters a target, descending
// through initial children to the state that becomes current. GUI thread only.
class StateMachine : public QObject
{
    Q_OBJECT
public:
    static StateMachine* getInstance();

    // The root "ROOT", created on the first call.
    State* createRootState();
    State* getRootState() const { return m_pRootState; }

    unsigned long getCurrentStateUid() const { return m_ulCurrentState; }
    // Stores the uid and emits signalCurrentStateUid, also for 0.
    void setCurrentStateUid(unsigned long ulUid);
    bool isTransitionInProgress() const { return m_bTransitionInProgress; }

    // Depth-first, pre-order search below pStartState (the root when null).
    State* findState(unsigned long ulUid, const State* pStartState = nullptr) const;

    // Whether the current state may be left by that transition and its target
    // entered. "NEXT" of an option selection leads to the selected option.
    bool canTransition(const QString& sTransitionName) const;
    // Leaves the current state and enters the target: leave, enter, onLeft,
    // onEntered. False, with nothing changed, when it may not run.
    bool transition(const QString& sTransitionName);

    // Runs the transition later from the event loop, after the transition or
    // event that asked for it has returned.
    void autoTransition(const QString& sTransitionName);

    ~StateMachine() override;

signals:
    void signalAutoTransition(QString sTransitionName);
    void signalCurrentStateUid(ulong ulUid);

public slots:
    // The queued automatic transition. Nothing leaves this slot: a failure is
    // logged as an error and the machine stays usable.
    void slotAutoTransition(QString sTransitionName);
    // Enters the root and its initial descendants. Throws "pRoot" before the
    // root exists and "m_ulCurrentState == 0" when already started.
    void start();

private:
    StateMachine();
    // The uid a transition of that name leads to from pSource; 0 when none.
    unsigned long findTargetUid(const State* pSource, const QString& sTransitionName) const;
    // Whether the transition may leave pSourceState: its leave check for
    // every transition, and for "NEXT" also whether it may move on.
    static bool canLeave(const State* pSourceState, const QString& sTransitionName);

    State* m_pRootState = nullptr;
    unsigned long m_ulCurrentState = 0;
    bool m_bTransitionInProgress = false;
};
