#include "Uid.h"

#include "CloneManager.h"

#include <QMutex>
#include <QMutexLocker>

namespace
{
QMutex g_uniqueIdMutex;
unsigned long g_ulUniqueIdCounter = 0;
} // namespace

unsigned long generateUniqueId()
{
    QMutexLocker locker(&g_uniqueIdMutex);
    return ++g_ulUniqueIdCounter;
}

Uid::Uid()
    : m_ulId(generateUniqueId())
    , m_nKind(KIND_OWNER)
{
}

Uid::Uid(unsigned long ulId, unsigned int nKind)
    : m_ulId(ulId)
    , m_nKind(nKind)
{
}

Uid* Uid::clone() const
{
    Uid* pUid = new Uid(m_ulId, m_nKind);
    CloneManager::getInstance()->registerUid(pUid);
    return pUid;
}

Uid* cloneUid(const Uid* pUid)
{
    return pUid ? pUid->clone() : nullptr;
}
