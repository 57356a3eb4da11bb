#include "StateImplementationImaging.h"

#include <algorithm>

#include "CloneManager.h"
#include "ImageObject.h"
#include "ImagePipeline.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "SimpleException.h"
#include "State.h"

namespace
{
// Clones every committed object of the listed names into the tree (silently),
// records the source names in slCloneNames and registers each copy.
template <typename T>
void copyCommittedObjects(const QStringList& slNames, QStringList& slCloneNames)
{
    ObjectRoot* pRoot = ObjectRoot::getInstance();
    CloneManager* pCloneManager = CloneManager::getInstance();
    for (const QString& sName : slNames)
    {
        const T* pObject = pRoot->findObject<T>(sName);
        if (!pObject || !pObject->isCommitted())
        {
            continue;
        }
        slCloneNames.append(sName);
        // Objects shared by several steps of a chain are copied once, by the
        // first step that lists them.
        if (pRoot->findObject<ObjectBase>(ObjectBase::getCloneName(sName)))
        {
            continue;
        }
        T* pClone = static_cast<T*>(pObject->clone());
        if (!pRoot->addChild(pClone, true))
        {
            delete pClone;
            continue;
        }
        pCloneManager->registerObject(pClone);
        if constexpr (std::is_same_v<T, ParameterObject>)
        {
            // Object names stored in values follow the rename.
            for (QVariant* pValue : pClone->getValuesOfCopy())
            {
                pCloneManager->registerVariant(pValue);
            }
        }
    }
}

// Takes the named objects out of the tree silently and deletes them.
void deleteObjects(const QStringList& slNames)
{
    ObjectRoot* pRoot = ObjectRoot::getInstance();
    for (const QString& sName : slNames)
    {
        delete pRoot->removeChildByName(sName, true);
    }
}
} // namespace

StateImplementationImaging::StateImplementationImaging()
{
    const bool bConnectOk =
        bool(connect(ObjectRoot::getInstance(), &ObjectRoot::signalChildRemoved, this,
                     &StateImplementationImaging::slotChildAddedOrRemoved, Qt::QueuedConnection));
    MOLDENA_ASSERT(bConnectOk);
}

QString StateImplementationImaging::getStateFullName() const
{
    return findOwnState(QStringLiteral("pState"))->getFullName();
}

QString StateImplementationImaging::getParentStateFullName() const
{
    const State* pParent = findOwnState(QStringLiteral("pState"))->getParentState();
    MOLDENA_ASSERT(pParent);
    return pParent->getFullName();
}

QString StateImplementationImaging::getParentStateName() const
{
    const State* pParent = findOwnState(QStringLiteral("pState"))->getParentState();
    MOLDENA_ASSERT(pParent);
    return pParent->getName();
}

void StateImplementationImaging::setPipelineNames(const QStringList& slPipelineNames)
{
    m_slPipelineNames = slPipelineNames;
    m_slImageObjectNames.clear();
    m_slParameterObjectNames.clear();
    ImagePipelineManager* pManager = ImagePipelineManager::getInstance();
    for (const QString& sName : m_slPipelineNames)
    {
        if (const ImagePipeline* pPipeline = pManager->getPipeline(sName))
        {
            m_slImageObjectNames << pPipeline->getInputImageNames() << pPipeline->getOutputImageNames();
            m_slParameterObjectNames << pPipeline->getParameterNames();
            // Every enter lists the pipelines again; one connection each.
            connect(pPipeline, &ImagePipeline::signalProcessingRefused, this,
                    &StateImplementationImaging::signalProcessingRefused, Qt::UniqueConnection);
        }
    }
    m_slImageObjectNames.removeDuplicates();
    m_slParameterObjectNames.removeDuplicates();
}

void StateImplementationImaging::copyTo(StateImplementationBase* pDerivedClone) const
{
    StateImplementationBase::copyTo(pDerivedClone);
    auto* pClone = castClone<StateImplementationImaging>(pDerivedClone);
    pClone->m_bComplete = m_bComplete;
    pClone->m_bCommitOnLeave = m_bCommitOnLeave;
    copyCommittedObjects<ImageObject>(m_slImageObjectNames, pClone->m_slImageObjectNames);
    copyCommittedObjects<ParameterObject>(m_slParameterObjectNames, pClone->m_slParameterObjectNames);
    CloneManager* pCloneManager = CloneManager::getInstance();
    for (QString& sName : pClone->m_slImageObjectNames)
    {
        pCloneManager->registerObjectName(&sName);
    }
    for (QString& sName : pClone->m_slParameterObjectNames)
    {
        pCloneManager->registerObjectName(&sName);
    }
}

template <typename Predicate>
bool StateImplementationImaging::isAnyPipeline(Predicate predicate) const
{
    ImagePipelineManager* pManager = ImagePipelineManager::getInstance();
    for (const QString& sName : m_slPipelineNames)
    {
        const ImagePipeline* pPipeline = pManager->getPipeline(sName);
        if (pPipeline && predicate(*pPipeline))
        {
            return true;
        }
    }
    return false;
}

bool StateImplementationImaging::canLeave() const
{
    return !isAnyPipeline(
        [](const ImagePipeline& pipeline) { return pipeline.isCurrentlyBusy() || pipeline.isTryAgainLater(); });
}

bool StateImplementationImaging::canMoveOn() const
{
    return !isAnyPipeline([](const ImagePipeline& pipeline) { return pipeline.isLastRunRefused(); });
}

void StateImplementationImaging::removeObjects()
{
    deleteObjects(m_slImageObjectNames);
    deleteObjects(m_slParameterObjectNames);
    ImagePipelineManager* pManager = ImagePipelineManager::getInstance();
    for (const QString& sName : m_slPipelineNames)
    {
        if (pManager->hasPipeline(sName))
        {
            delete pManager->removePipeline(sName);
        }
    }
}

void StateImplementationImaging::onEntered()
{
    StateImplementationBase::onEntered();
    ImagePipelineManager* pManager = ImagePipelineManager::getInstance();
    for (const QString& sName : m_slPipelineNames)
    {
        if (!pManager->hasPipeline(sName))
        {
            continue;
        }
        pManager->enablePipeline(sName);
        // Enabling runs a request remembered while the step was away; asking
        // again would only repeat that run on the same inputs.
        const ImagePipeline* pPipeline = pManager->getPipeline(sName);
        if (!pPipeline->isCurrentlyBusy() && !pPipeline->isTryAgainLater())
        {
            pManager->processPipeline(sName);
        }
    }
}

void StateImplementationImaging::onLeft()
{
    StateImplementationBase::onLeft();
    ImagePipelineManager* pManager = ImagePipelineManager::getInstance();
    for (const QString& sName : m_slPipelineNames)
    {
        if (pManager->hasPipeline(sName))
        {
            pManager->disablePipeline(sName);
        }
    }
    if (m_bCommitOnLeave)
    {
        ObjectRoot* pRoot = ObjectRoot::getInstance();
        for (const QString& sName : m_slImageObjectNames)
        {
            ImageObject* pImageObject = pRoot->findObject<ImageObject>(sName);
            MOLDENA_ASSERT(pImageObject);
            pImageObject->setCommitted(true);
        }
    }
    m_bComplete = true;
}

void StateImplementationImaging::slotChildAddedOrRemoved(const QString& sName)
{
    if (m_slImageObjectNames.contains(sName))
    {
        m_bComplete = false;
    }
}

std::vector<ParameterObject*> StateImplementationImaging::findParameterObjects(const QStringList& slWords,
                                                                              const QString& sAssertion) const
{
    std::vector<ParameterObject*> vObjects;
    for (const QString& sName : m_slParameterObjectNames)
    {
        if (std::all_of(slWords.begin(), slWords.end(), [&sName](const QString& sWord) { return sName.contains(sWord); }))
        {
            ParameterObject* pObject = ObjectRoot::getInstance()->findObject<ParameterObject>(sName);
            if (!pObject)
            {
                throwAssertionFailure(sAssertion);
            }
            vObjects.push_back(pObject);
        }
    }
    return vObjects;
}

std::vector<const StateImplementationImaging*> StateImplementationImaging::getStepsOf(const State* pState)
{
    std::vector<const StateImplementationImaging*> vSteps;
    for (const State* pChild : pState->getChildStates())
    {
        if (auto* pStep = qobject_cast<const StateImplementationImaging*>(pChild->getImplementation()))
        {
            vSteps.push_back(pStep);
        }
    }
    return vSteps;
}

bool StateImplementationImaging::hasImage(const QString& sName)
{
    const ImageObject* pImageObject = ObjectRoot::getInstance()->findObject<ImageObject>(sName);
    return pImageObject && pImageObject->getRasterReadOnly();
}
