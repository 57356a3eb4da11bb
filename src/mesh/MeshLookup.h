#pragma once

#include "MeshObject.h"
#include "ObjectRoot.h"

#include <QString>

// The first MeshObject named exactly sName anywhere below the object tree's
// root, or null. An empty name matches nothing. GUI thread only.
inline MeshObject* findMeshObject(const QString& sName)
{
    if (sName.isEmpty())
    {
        return nullptr;
    }
    // findChildren matches a null name against everything; compare exactly.
    for (MeshObject* pMeshObject : ObjectRoot::getInstance()->findChildren<MeshObject*>(sName))
    {
        if (pMeshObject->objectName() == sName)
        {
            return pMeshObject;
        }
    }
    return nullptr;
}
