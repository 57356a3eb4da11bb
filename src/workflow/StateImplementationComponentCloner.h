#pragma once

#include "StateImplementationBase.h"

#include <QString>

class Uid;

// The step that designs the back side from the front: in both modes the back's
// shape drawing becomes a live copy of the front's; the full mode first
// replaces the back component by a deep copy of the front component. Moves on
// to the back component by itself.
class StateImplementationComponentCloner : public StateImplementationBase
{
    Q_OBJECT
public:
    StateImplementationComponentCloner();
    // sCloneMode: "COMPONENT_FULL_CLONE" or "COMPONENT_PARTIAL_CLONE".
    StateImplementationComponentCloner(unsigned long ulSourceUid, unsigned long ulTargetUid,
                                       const QString& sCloneMode);
    ~StateImplementationComponentCloner() override;

    StateImplementationBase* clone() const override;
    void copyTo(StateImplementationBase* pDerivedClone) const override;
    // Only a complete front component can be copied or linked.
    bool canEnter() const override;
    void process() override;
    void removeObjects() override {}

    const QString& getCloneMode() const { return m_sCloneMode; }

private:
    void replaceTargetComponent(class State* pSourceState, class State* pTargetState);
    void linkShapeDrawings(class State* pSourceState, class State* pTargetState);

    Uid* m_pSourceUid = nullptr;
    Uid* m_pTargetUid = nullptr;
    QString m_sCloneMode;
};
