#include "Transition.h"

#include "ObjectNaming.h"
#include "SimpleException.h"
#include "State.h"
#include "Uid.h"

namespace
{
// Asserts before anything is read from the target.
const State* checkedTarget(const State* pTargetState)
{
    MOLDENA_ASSERT(pTargetState);
    return pTargetState;
}
} // namespace

Transition::Transition(const State* pTargetState)
    : m_sName()
    , m_sTargetName(checkedTarget(pTargetState)->getName())
    , m_pTargetUid(new Uid(pTargetState->getUid(), Uid::KIND_REFERENCE))
{
    m_sName = createStateObjectName(m_sTargetName, generateUniqueId());
}

Transition::Transition(const State* pTargetState, const QString& sWord)
    : m_sName(sWord)
    , m_sTargetName(sWord)
    , m_pTargetUid(new Uid(checkedTarget(pTargetState)->getUid(), Uid::KIND_REFERENCE))
{
}

Transition::Transition(const QString& sName, const QString& sTargetName, Uid* pTargetUid)
    : m_sName(sName)
    , m_sTargetName(sTargetName)
    , m_pTargetUid(pTargetUid)
{
}

Transition::~Transition()
{
    delete m_pTargetUid;
}

unsigned long Transition::getTargetUid() const
{
    return m_pTargetUid->get();
}

Uid* Transition::cloneTargetUid() const
{
    return m_pTargetUid->clone();
}

Transition* Transition::clone() const
{
    return new Transition(createStateObjectName(m_sTargetName, generateUniqueId()), m_sTargetName,
                          cloneTargetUid());
}
