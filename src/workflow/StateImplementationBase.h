#pragma once

#include "SimpleException.h"

#include <QObject>

class Uid;

// The behaviour of one workflow step, owned by its State. The state's
// recursions call the namesakes here; the wizard builds the step's page from
// the run-time type of the implementation. GUI thread only.
class StateImplementationBase : public QObject
{
    Q_OBJECT
public:
    StateImplementationBase();
    // Emits signalDestroyed first.
    ~StateImplementationBase() override;

    // Replaces the reference to the owning state's uid (the State does this).
    void setUid(unsigned long ulUid);
    // The owning state's uid; 0 before setUid.
    unsigned long getUid() const;

    // A new object of the same class, filled by copyTo. Every concrete class.
    virtual StateImplementationBase* clone() const = 0;
    // Gives pDerivedClone a registered copy of the uid reference. Overrides
    // call their base first, then cast (throwing "pDerivedClone") and copy
    // their own fields.
    virtual void copyTo(StateImplementationBase* pDerivedClone) const;
    virtual bool canEnter() const { return true; }
    virtual bool canLeave() const { return true; }
    // Asked on top of canLeave before "NEXT" only: what the step holds may not
    // be good enough to go on with, but going back is never refused for it.
    virtual bool canMoveOn() const { return true; }
    virtual bool isComplete() const { return true; }
    // The step's work on entry (may do nothing).
    virtual void process() = 0;
    // Removes what the step made, before its state is deleted.
    virtual void removeObjects() = 0;
    virtual void onEntered() {}
    virtual void onLeft() {}
    virtual void enter() { process(); }
    virtual void leave() {}

signals:
    void signalDestroyed(StateImplementationBase* pImplementation);

protected:
    // Casts a copy target to the concrete class; throws "pDerivedClone" when it
    // is of another class.
    template <typename T>
    static T* castClone(StateImplementationBase* pDerivedClone)
    {
        T* pCast = dynamic_cast<T*>(pDerivedClone);
        if (!pCast)
        {
            throwAssertionFailure(QStringLiteral("pDerivedClone"));
        }
        return pCast;
    }

    // Requests the automatic transition from pCurrentState to pTargetState,
    // adding a generic transition when pCurrentState has none toward it.
    static void moveOnTo(class State* pCurrentState, const class State* pTargetState);

    // The state that bears this implementation; throws the assertion named
    // sCondition when it is gone.
    class State* findOwnState(const QString& sCondition) const;

private:
    Uid* m_pUid = nullptr;
};
