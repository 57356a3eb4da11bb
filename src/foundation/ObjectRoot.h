#pragma once

#include "ObjectBase.h"
#include "SimpleException.h"

#include <QList>

// The root "ROOT" of the object tree. It owns the objects put into it, refuses
// a second object of a name already present anywhere below it, and announces
// every addition and removal with the object's name. GUI thread only.
class ObjectRoot : public ObjectBase
{
    Q_OBJECT

public:
    static ObjectRoot* getInstance();

    // Puts pObject into the tree; false for null or a name already taken.
    bool addChild(ObjectBase* pObject, bool bSilent = false);
    // Takes a direct child out and hands it to the caller; null otherwise.
    ObjectBase* removeChild(ObjectBase* pObject, bool bSilent = false);
    ObjectBase* removeChildByName(const QString& sName, bool bSilent = false);

    // Deletes every child, each announcing its removal.
    virtual void clear();

    // The one object of class T with that name, or a new one put into the tree.
    // Throws "children.size() <= 1" for duplicates and "bAddOk" when the name is
    // held by an object of another class.
    template <typename T>
    T* getOrCreateChild(const QString& sName);

    // The first object of class T with exactly that name anywhere below the
    // root; null when there is none or the name is empty.
    template <typename T>
    T* findObject(const QString& sName) const
    {
        return sName.isEmpty() ? nullptr : findChild<T*>(sName);
    }

    ~ObjectRoot() override;

signals:
    void signalChildAdded(QString sName);
    void signalChildRemoved(QString sName);
    void signalChildSilentlyAdded(QString sName);
    void signalChildSilentlyRemoved(QString sName);

private slots:
    void slotDestroyed(ObjectBase* pObject);

private:
    ObjectRoot();
};

template <typename T>
T* ObjectRoot::getOrCreateChild(const QString& sName)
{
    QList<T*> children;
    for (T* pChild : findChildren<T*>(sName))
    {
        // findChildren treats a null name as "any"; compare exactly.
        if (pChild->objectName() == sName)
        {
            children.append(pChild);
        }
    }
    if (children.size() == 1)
    {
        return children.first();
    }
    MOLDENA_ASSERT(children.size() <= 1);

    T* pObject = new T(sName);
    const bool bAddOk = addChild(pObject, false);
    if (!bAddOk)
    {
        delete pObject;
    }
    MOLDENA_ASSERT(bAddOk);
    return pObject;
}
