#pragma once

#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "SimpleException.h"

#include <QList>
#include <QString>

// The one parameter object of that name in the tree, or a new one that is
// given mapInitial before it enters the tree, so that no pipeline bound to the
// name ever sees it empty. A second object of the name is the assertion
// "children.size() <= 1"; a name held by an object of another class is
// "bAddOk". An existing object is returned unchanged. GUI thread.
inline ParameterObject* getOrCreateParameterObject(const QString& sName,
                                                   const ParameterObject::ParameterMap& mapInitial)
{
    ObjectRoot* pRoot = ObjectRoot::getInstance();
    QList<ParameterObject*> children;
    for (ParameterObject* pChild : pRoot->findChildren<ParameterObject*>(sName))
    {
        // findChildren treats an empty name as "any"; compare exactly.
        if (pChild->objectName() == sName)
        {
            children.append(pChild);
        }
    }
    MOLDENA_ASSERT(children.size() <= 1);
    if (!children.isEmpty())
    {
        return children.first();
    }

    ParameterObject* pParameterObject = new ParameterObject(sName);
    pParameterObject->setParameters(mapInitial);
    const bool bAddOk = pRoot->addChild(pParameterObject, false);
    if (!bAddOk)
    {
        delete pParameterObject;
    }
    MOLDENA_ASSERT(bAddOk);
    return pParameterObject;
}
