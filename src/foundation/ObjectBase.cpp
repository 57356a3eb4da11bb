#include "ObjectBase.h"

#include "Identifiers.h"

ObjectBase::ObjectBase() = default;

ObjectBase::ObjectBase(const QString& sName)
{
    setObjectName(sName);
}

ObjectBase::~ObjectBase()
{
    emit signalDestroyed(this);
}

ObjectBase* ObjectBase::clone() const
{
    ObjectBase* pClone = new ObjectBase();
    copyTo(pClone);
    return pClone;
}

void ObjectBase::copyTo(ObjectBase* pTarget) const
{
    pTarget->setObjectName(getCloneName(objectName()));
    pTarget->setCommitted(m_bCommitted);
    const QList<ObjectBase*> children = findChildren<ObjectBase*>(QString(), Qt::FindDirectChildrenOnly);
    for (const ObjectBase* pChild : children)
    {
        pChild->clone()->setParent(pTarget);
    }
}

QString ObjectBase::getCloneName(const QString& sName)
{
    return QString("%1:%2").arg(sName, CLONE);
}

QString ObjectBase::removeCloneSuffix(const QString& sName)
{
    QString sResult = sName;
    sResult.remove(QString(":%1").arg(CLONE));
    return sResult;
}

QString ObjectBase::toFileName(const QString& sName)
{
    QString sResult = sName;
    sResult.replace(':', '_');
    sResult.replace('/', '_');
    sResult.replace('#', '_');
    return sResult;
}
