#include "Scene.h"

#include "Logger.h"
#include "MeshLookup.h"
#include "MeshObject.h"
#include "ObjectRoot.h"
#include "SimpleException.h"

Scene::Scene() = default;

Scene* Scene::getInstance()
{
    // A function-local static is made exactly once, even when two threads
    // ask at the same time; it is never deleted.
    static Scene* const s_pInstance = [] {
        Scene* pScene = new Scene();
        pScene->initialize();
        return pScene;
    }();
    return s_pInstance;
}

void Scene::initialize()
{
    if (m_bInitialized)
    {
        return;
    }
    MOLDENA_ASSERT(QObject::connect(ObjectRoot::getInstance(), SIGNAL(signalChildAdded(const QString&)), this, SLOT(slotChildAdded(const QString&)), Qt::DirectConnection));
    MOLDENA_ASSERT(QObject::connect(ObjectRoot::getInstance(), SIGNAL(signalChildRemoved(const QString&)), this, SLOT(slotChildRemoved(const QString&)), Qt::DirectConnection));
    for (MeshObject* pMeshObject : ObjectRoot::getInstance()->findChildren<MeshObject*>())
    {
        adopt(pMeshObject->objectName());
    }
    m_bInitialized = true;
}

void Scene::slotChildAdded(const QString& sName)
{
    // Connected directly to the tree: nothing may leave a slot.
    try
    {
        adopt(sName);
    }
    catch (const std::exception& e)
    {
        LOG_ERROR(QString::fromLatin1(e.what()));
    }
}

void Scene::adopt(const QString& sName)
{
    MeshObject* pMeshObject = findMeshObject(sName);
    if (!pMeshObject)
    {
        return;
    }
    switch (pMeshObject->getType())
    {
    case MeshObject::TYPE_GENERATED:
        m_sNameMeshGenerated = sName;
        break;
    case MeshObject::TYPE_HOOK:
        if (!m_slNameHooks.contains(sName))
        {
            m_slNameHooks.append(sName);
        }
        break;
    case MeshObject::TYPE_MERGED:
        m_sNameMeshMerged = sName;
        break;
    default:
        MOLDENA_ASSERT(false);
    }
    // An object taken out and put back must not relay its changes twice.
    QObject::disconnect(pMeshObject, SIGNAL(signalMeshObjectChanged(const QString&)), this, SIGNAL(signalMeshObjectChanged(const QString&)));
    MOLDENA_ASSERT(QObject::connect(pMeshObject, SIGNAL(signalMeshObjectChanged(const QString&)), this, SIGNAL(signalMeshObjectChanged(const QString&)), Qt::DirectConnection));
    emit signalMeshObjectAdded(sName);
}

void Scene::slotChildRemoved(const QString& sName)
{
    if (sName == m_sNameMeshGenerated)
    {
        m_sNameMeshGenerated.clear();
        emit signalMeshObjectRemoved(sName);
    }
    else if (m_slNameHooks.contains(sName))
    {
        m_slNameHooks.removeOne(sName);
        emit signalMeshObjectRemoved(sName);
    }
    else if (sName == m_sNameMeshMerged)
    {
        m_sNameMeshMerged.clear();
        emit signalMeshObjectRemoved(sName);
    }
}

QString Scene::getNameMeshGenerated() const
{
    MOLDENA_ASSERT(m_bInitialized);
    return m_sNameMeshGenerated;
}

QString Scene::getNameMeshMerged() const
{
    MOLDENA_ASSERT(m_bInitialized);
    return m_sNameMeshMerged;
}

MeshData* Scene::getMeshDataGenerated() const
{
    MOLDENA_ASSERT(m_bInitialized);
    MeshObject* pMeshObject = findMeshObject(m_sNameMeshGenerated);
    return pMeshObject ? pMeshObject->getMeshData() : nullptr;
}

MeshData* Scene::getMeshDataMerged() const
{
    MOLDENA_ASSERT(m_bInitialized);
    MeshObject* pMeshObject = findMeshObject(m_sNameMeshMerged);
    return pMeshObject ? pMeshObject->getMeshData() : nullptr;
}

int Scene::getNumberOfHooks() const
{
    MOLDENA_ASSERT(m_bInitialized);
    return m_slNameHooks.size();
}

QStringList Scene::getNamesHooks() const
{
    MOLDENA_ASSERT(m_bInitialized);
    return m_slNameHooks;
}

MeshData* Scene::getMeshDataHook(int index) const
{
    MOLDENA_ASSERT(m_bInitialized);
    if (index < 0 || index >= m_slNameHooks.size())
    {
        return nullptr;
    }
    MeshObject* pMeshObject = findMeshObject(m_slNameHooks.at(index));
    return pMeshObject ? pMeshObject->getMeshData() : nullptr;
}

int Scene::getIndexOfSelectedHook() const
{
    MOLDENA_ASSERT(m_bInitialized);
    for (int i = 0; i < m_slNameHooks.size(); ++i)
    {
        MeshObject* pMeshObject = findMeshObject(m_slNameHooks.at(i));
        MOLDENA_ASSERT(pMeshObject);
        if (pMeshObject->isSelected())
        {
            return i;
        }
    }
    return -1;
}

void Scene::selectHook(int index)
{
    MOLDENA_ASSERT(m_bInitialized);
    MOLDENA_ASSERT((int)index < m_slNameHooks.size());
    for (int i = 0; i < m_slNameHooks.size(); ++i)
    {
        MeshObject* pMeshObject = findMeshObject(m_slNameHooks.at(i));
        MOLDENA_ASSERT(pMeshObject);
        pMeshObject->setSelected(i == index);
    }
}

// Negative indices fail with the same text as indices beyond the list.
void Scene::checkHookIndex(int index) const
{
    MOLDENA_ASSERT(m_bInitialized);
    MOLDENA_ASSERT((int)index < m_slNameHooks.size());
    if (index < 0)
    {
        throw SimpleException(QStringLiteral("Assertion failed: (int)index < m_slNameHooks.size()"));
    }
}

void Scene::rotateHook(int index, double dAngle, int nAxis)
{
    checkHookIndex(index);
    MeshObject* pMeshObject = findMeshObject(m_slNameHooks.at(index));
    MOLDENA_ASSERT(pMeshObject);
    pMeshObject->rotate(dAngle, nAxis, false);
}

void Scene::scaleHook(int index, double dFactor)
{
    checkHookIndex(index);
    MeshObject* pMeshObject = findMeshObject(m_slNameHooks.at(index));
    MOLDENA_ASSERT(pMeshObject);
    pMeshObject->scale(dFactor, false);
}

void Scene::translateHook(int index, double dX, double dY, double dZ)
{
    checkHookIndex(index);
    MeshObject* pMeshObject = findMeshObject(m_slNameHooks.at(index));
    MOLDENA_ASSERT(pMeshObject);
    pMeshObject->translate(dX, dY, dZ, false);
}

void Scene::scaleMeshMerged(double dFactor)
{
    MOLDENA_ASSERT(m_bInitialized);
    MeshObject* pMeshObject = findMeshObject(m_sNameMeshMerged);
    MOLDENA_ASSERT(pMeshObject);
    pMeshObject->scale(dFactor, false);
}

void Scene::deleteHook(int index)
{
    checkHookIndex(index);
    // The tree announces the removal from the destructor; slotChildRemoved
    // then drops the name.
    delete findMeshObject(m_slNameHooks.at(index));
}
