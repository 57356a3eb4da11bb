#include "ObjectRoot.h"

#include "Identifiers.h"

ObjectRoot* ObjectRoot::getInstance()
{
    static ObjectRoot* s_pInstance = new ObjectRoot();
    return s_pInstance;
}

ObjectRoot::ObjectRoot()
    : ObjectBase(ROOT)
{
}

ObjectRoot::~ObjectRoot()
{
    clear();
}

bool ObjectRoot::addChild(ObjectBase* pObject, bool bSilent)
{
    if (!pObject)
    {
        return false;
    }
    if (findChild<ObjectBase*>(pObject->objectName()) != nullptr)
    {
        return false;
    }
    pObject->setParent(this);
    const QString sName = pObject->objectName();
    if (bSilent)
    {
        emit signalChildSilentlyAdded(sName);
    }
    else
    {
        emit signalChildAdded(sName);
    }
    connect(pObject, &ObjectBase::signalDestroyed, this, &ObjectRoot::slotDestroyed);
    return true;
}

ObjectBase* ObjectRoot::removeChild(ObjectBase* pObject, bool bSilent)
{
    if (!pObject || pObject->parent() != this)
    {
        return nullptr;
    }
    pObject->setParent(nullptr);
    const QString sName = pObject->objectName();
    if (bSilent)
    {
        emit signalChildSilentlyRemoved(sName);
    }
    else
    {
        emit signalChildRemoved(sName);
    }
    disconnect(pObject, &ObjectBase::signalDestroyed, this, &ObjectRoot::slotDestroyed);
    return pObject;
}

ObjectBase* ObjectRoot::removeChildByName(const QString& sName, bool bSilent)
{
    return removeChild(findChild<ObjectBase*>(sName), bSilent);
}

void ObjectRoot::clear()
{
    const QObjectList children = this->children();
    for (QObject* pChild : children)
    {
        delete pChild;
    }
}

void ObjectRoot::slotDestroyed(ObjectBase* pObject)
{
    if (pObject)
    {
        removeChild(pObject, false);
    }
}
