#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <vector>

class StateImplementationBase;
class Transition;
class Uid;

// One node of the workflow tree: a chapter (a container such as "FRONT" or
// "SHAPE") or a step (a state with an implementation that does the work of one
// page). A state owns its uid, its outgoing transitions, its implementation and,
// through QObject parenthood, its child states. States point at other states
// only by uid. GUI thread only.
class State : public QObject
{
    Q_OBJECT
public:
    // A fresh owner uid; the object name is "<name>:<uid>". A non-null
    // implementation is owned from now on and told the state's uid.
    State(const QString& sName, StateImplementationBase* pImplementation);
    // Takes ownership of pUid (throws "pUid" for null); no implementation.
    State(Uid* pUid, const QString& sName);
    // Leaves the parent, lets the implementation remove its objects before the
    // children's implementations do, then deletes transitions and children.
    ~State() override;

    // Deep copy for a component copy, run inside the copy bookkeeping: same
    // ids until the bookkeeping's finish gives fresh ones.
    virtual State* clone() const;

    unsigned long getUid() const;
    const QString& getName() const { return m_sName; }
    std::vector<Transition*>& getTransitions() { return m_vTransitions; }
    const std::vector<Transition*>& getTransitions() const { return m_vTransitions; }
    StateImplementationBase* getImplementation() const { return m_pImplementation; }

    bool isInitial() const { return m_bInitial; }
    bool isLastStep() const { return m_bLastStep; }
    bool isMandatory() const { return m_bMandatory; }
    bool isAlwaysComplete() const { return m_bAlwaysComplete; }
    bool isQualifyName() const { return m_bQualifyName; }
    // Set once the steps that come back to a decoration element have found it
    // finished; such an element is never cleaned away as unfinished again.
    bool isFinishedOnce() const { return m_bFinishedOnce; }
    const QString& getTitle() const { return m_sTitle; }
    void setInitial(bool b) { m_bInitial = b; }
    void setLastStep(bool b) { m_bLastStep = b; }
    void setMandatory(bool b) { m_bMandatory = b; }
    void setAlwaysComplete(bool b) { m_bAlwaysComplete = b; }
    void setQualifyName(bool b) { m_bQualifyName = b; }
    void setFinishedOnce(bool b) { m_bFinishedOnce = b; }
    void setTitle(const QString& sTitle) { m_sTitle = sTitle; }

    State* getParentState() const;
    std::vector<State*> getChildStates() const;
    // Appends pState as the last child. Throws "pState", "pState->parent() ==
    // NULL" or "findChildState(pState->getUid()) == NULL".
    void addChildState(State* pState);
    // Unparents pState (not deleted) and returns it.
    State* removeChildState(State* pState);
    // Direct children first, in child order; then, when bRecursive, each
    // child's own search in child order.
    State* findChildState(const QString& sName, bool bRecursive = false) const;
    State* findChildState(unsigned long ulUid, bool bRecursive = false) const;

    // Takes ownership; throws "false" for a transition name already present.
    void addTransition(Transition* pTransition);
    // Takes it out (not deleted) and returns it; throws "false" when absent.
    Transition* removeTransition(Transition* pTransition);
    // The first transition whose name or target name equals s; null if none.
    Transition* findTransition(const QString& s) const;
    // The first transition toward pTargetState; throws "pTargetState" for null.
    Transition* findTransitionTo(const State* pTargetState) const;

    // Empty for the root; otherwise "<parent full name>/<object name>".
    QString getFullName() const;
    // "<parent name>#<name>" with the qualify flag and a parent, else the name.
    // The help key of the step's page.
    QString getQualifiedName() const;
    // The parent's titles followed by the own title when it is not empty.
    QStringList getTitles() const;
    // The object name again from the name and the (possibly new) uid.
    void updateObjectName();

    // The recursions of a transition (see StateMachine::transition).
    bool canEnter() const;
    bool canLeave() const;
    // The implementation's canMoveOn (true without one); the state machine
    // asks it of the current state before "NEXT".
    bool canMoveOn() const;
    void enter();
    void leave();
    void onEntered();
    void onLeft();
    bool isComplete() const;

signals:
    void signalEnterState(ulong ulUid);
    void signalLeaveState(ulong ulUid);

private:
    Uid* m_pUid;
    QString m_sName;
    std::vector<Transition*> m_vTransitions;
    bool m_bInitial = false;
    bool m_bLastStep = false;
    bool m_bMandatory = false;
    bool m_bAlwaysComplete = false;
    StateImplementationBase* m_pImplementation = nullptr;
    QString m_sTitle;
    bool m_bQualifyName = false;
    bool m_bFinishedOnce = false;
};
