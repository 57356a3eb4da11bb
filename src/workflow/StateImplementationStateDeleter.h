#pragma once

#include "StateImplementationBase.h"

class Uid;

// A step inserted by the decoration delete step, one per element: entering it
// deletes the element and moves on to the exit state by itself.
class StateImplementationStateDeleter : public StateImplementationBase
{
    Q_OBJECT
public:
    StateImplementationStateDeleter();
    StateImplementationStateDeleter(unsigned long ulStateToDeleteUid, unsigned long ulExitUid);
    ~StateImplementationStateDeleter() override;

    unsigned long getStateToDeleteUid() const;

    StateImplementationBase* clone() const override;
    void copyTo(StateImplementationBase* pDerivedClone) const override;
    void process() override {}
    void removeObjects() override {}
    void onEntered() override;

private:
    Uid* m_pStateToDeleteUid = nullptr;
    Uid* m_pExitUid = nullptr;
};
