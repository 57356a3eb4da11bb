#pragma once

#include "WorkflowIdentifiers.h"

#include <QString>

class State;
class Uid;

// A named edge toward a target state, owned by its source state.
//
// A generic transition is named "<target name>:<fresh number>" (the number is
// not the target's uid), so a state may hold several toward states of one
// name; the three subclasses carry the fixed names "NEXT", "PREVIOUS", "UP".
class Transition
{
public:
    // Throws "pTargetState" for null.
    explicit Transition(const State* pTargetState);
    virtual ~Transition();

    // Generic: a new name with a fresh number. Subclasses keep their names.
    // The target reference is copied through the copy bookkeeping.
    virtual Transition* clone() const;

    const QString& getName() const { return m_sName; }
    const QString& getTargetName() const { return m_sTargetName; }
    unsigned long getTargetUid() const;

    Transition(const Transition&) = delete;
    Transition& operator=(const Transition&) = delete;

protected:
    // Both names set to sWord ("NEXT", "PREVIOUS", "UP").
    Transition(const State* pTargetState, const QString& sWord);
    // For copies: takes ownership of pTargetUid.
    Transition(const QString& sName, const QString& sTargetName, Uid* pTargetUid);
    // A registered copy of the target reference.
    Uid* cloneTargetUid() const;

private:
    QString m_sName;
    QString m_sTargetName;
    Uid* m_pTargetUid;
};

// The three fixed-name transitions differ only in their word.
template <const QString& sWord>
class TransitionWithFixedName : public Transition
{
public:
    explicit TransitionWithFixedName(const State* pTargetState)
        : Transition(pTargetState, sWord)
    {
    }

    Transition* clone() const override { return new TransitionWithFixedName(cloneTargetUid()); }

private:
    explicit TransitionWithFixedName(Uid* pTargetUid)
        : Transition(sWord, sWord, pTargetUid)
    {
    }
};

using TransitionNext = TransitionWithFixedName<NEXT>;
using TransitionPrevious = TransitionWithFixedName<PREVIOUS>;
using TransitionUp = TransitionWithFixedName<UP>;
