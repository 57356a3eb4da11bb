#include "CloneManager.h"

#include "ObjectBase.h"
#include "ObjectNaming.h"
#include "SimpleException.h"
#include "State.h"
#include "StateMachine.h"
#include "Uid.h"

#include <QMetaType>
#include <QMutexLocker>
#include <QVariant>

#include <algorithm>

namespace
{
bool holdsStringVector(const QVariant& value)
{
    return value.metaType() == QMetaType::fromType<std::vector<QString>>();
}

// The text under which a value is filed: the string itself, or the elements of
// a string vector joined with ";". Null for any other value.
QString variantText(const QVariant& value)
{
    if (holdsStringVector(value))
    {
        QStringList parts;
        for (const QString& s : value.value<std::vector<QString>>())
        {
            parts.append(s);
        }
        return parts.join(QLatin1Char(';'));
    }
    if (value.canConvert<QString>())
    {
        return value.toString();
    }
    return QString();
}
} // namespace

CloneManager* CloneManager::getInstance()
{
    static CloneManager* s_pInstance = new CloneManager();
    return s_pInstance;
}

CloneManager::~CloneManager() = default;

void CloneManager::begin()
{
    QMutexLocker locker(&m_mutex);
    m_mapOwnerUids.clear();
    m_mapReferenceUids.clear();
    m_mapNameToObject.clear();
    m_mapNameToStrings.clear();
    m_mapValueToVariants.clear();
    m_vStates.clear();
}

void CloneManager::registerUid(Uid* pUid)
{
    QMutexLocker locker(&m_mutex);
    MOLDENA_ASSERT(pUid);
    if (pUid->getKind() == Uid::KIND_OWNER)
    {
        MOLDENA_ASSERT(m_mapOwnerUids.find(pUid->get()) == m_mapOwnerUids.end());
        m_mapOwnerUids[pUid->get()] = pUid;
        return;
    }
    std::vector<Uid*>& vReferences = m_mapReferenceUids[pUid->get()];
    if (std::find(vReferences.begin(), vReferences.end(), pUid) == vReferences.end())
    {
        vReferences.push_back(pUid);
    }
}

void CloneManager::registerState(State* pState)
{
    QMutexLocker locker(&m_mutex);
    MOLDENA_ASSERT(pState);
    m_vStates.push_back(pState);
}

void CloneManager::registerObject(ObjectBase* pObject)
{
    QMutexLocker locker(&m_mutex);
    MOLDENA_ASSERT(pObject);
    MOLDENA_ASSERT(pObject->parent() != NULL);
    m_mapNameToObject[pObject->objectName()] = pObject;
}

void CloneManager::registerObjectName(QString* pObjectName)
{
    QMutexLocker locker(&m_mutex);
    MOLDENA_ASSERT(pObjectName);
    m_mapNameToStrings[*pObjectName].push_back(pObjectName);
}

void CloneManager::registerVariant(QVariant* pVariant)
{
    QMutexLocker locker(&m_mutex);
    MOLDENA_ASSERT(pVariant);
    const QString sText = variantText(*pVariant);
    if (sText.isNull())
    {
        return;
    }
    m_mapValueToVariants[sText].push_back(pVariant);
}

void CloneManager::finish()
{
    QMutexLocker locker(&m_mutex);

    // Fresh ids for the copied states, in increasing order of the old ids.
    std::map<unsigned long, unsigned long> mapOldToNewId;
    for (auto& [ulOldId, pOwner] : m_mapOwnerUids)
    {
        pOwner->set(generateUniqueId());
        mapOldToNewId[ulOldId] = pOwner->get();
    }

    // References into the copy follow it; references out of it stay.
    for (auto& [ulOldId, vReferences] : m_mapReferenceUids)
    {
        const auto itNew = mapOldToNewId.find(ulOldId);
        if (itNew == mapOldToNewId.end())
        {
            continue;
        }
        for (Uid* pReference : vReferences)
        {
            pReference->set(itNew->second);
        }
    }

    for (State* pState : m_vStates)
    {
        pState->updateObjectName();
    }

    for (auto& [sRegisteredName, pObject] : m_mapNameToObject)
    {
        const QString sNewName = findNewObjectName(sRegisteredName);
        pObject->setObjectName(sNewName);

        const QString sOldName = ObjectBase::removeCloneSuffix(sRegisteredName);
        const auto itStrings = m_mapNameToStrings.find(sOldName);
        if (itStrings != m_mapNameToStrings.end())
        {
            for (QString* pString : itStrings->second)
            {
                MOLDENA_ASSERT(pString);
                *pString = sNewName;
            }
        }
        renameValues(sOldName, sNewName);
    }
}

QString CloneManager::findNewObjectName(const QString& sRegisteredName) const
{
    QString sHead;
    QString sTail;
    splitQualifiedName(sRegisteredName, sHead, sTail);
    const QStringList slOldHeadParts = sHead.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    MOLDENA_ASSERT(!slOldHeadParts.empty());

    // The last part names the state that made the object: "<name>:<uid>".
    bool bConvertOk = false;
    const unsigned long ulOldUid = slOldHeadParts.last().section(QLatin1Char(':'), 1, 1).toULong(&bConvertOk);
    MOLDENA_ASSERT(bConvertOk);

    const auto itOwner = m_mapOwnerUids.find(ulOldUid);
    MOLDENA_ASSERT(itOwner != m_mapOwnerUids.end());
    const State* pInnerStateClone = StateMachine::getInstance()->findState(itOwner->second->get());
    MOLDENA_ASSERT(pInnerStateClone);

    return pInnerStateClone->getFullName() + QLatin1Char('#') + ObjectBase::removeCloneSuffix(sTail);
}

void CloneManager::renameValues(const QString& sOldName, const QString& sNewName)
{
    for (auto& [sText, vVariants] : m_mapValueToVariants)
    {
        if (!sText.split(QLatin1Char(';'), Qt::KeepEmptyParts).contains(sOldName, Qt::CaseSensitive))
        {
            continue;
        }
        for (QVariant* pVariant : vVariants)
        {
            if (holdsStringVector(*pVariant))
            {
                std::vector<QString> vNames = pVariant->value<std::vector<QString>>();
                std::replace(vNames.begin(), vNames.end(), sOldName, sNewName);
                *pVariant = QVariant::fromValue(vNames);
            }
            else if (pVariant->toString() == sOldName)
            {
                *pVariant = sNewName;
            }
        }
    }
}
