#include "ImagePipeline.h"

#include "ImageObject.h"
#include "ImageProcessorBase.h"
#include "Logger.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "SimpleException.h"

#include <QtConcurrent/QtConcurrentRun>

#include <exception>

namespace
{
// Finds an object of class T with exactly this name anywhere in the tree.
template <typename T>
T* findInTree(const QString& sName)
{
    if (sName.isEmpty())
    {
        // findChild treats an empty name as "any object".
        return nullptr;
    }
    return ObjectRoot::getInstance()->findChild<T*>(sName);
}

QString describe(const std::exception_ptr& pException)
{
    try
    {
        std::rethrow_exception(pException);
    }
    catch (const std::exception& e)
    {
        return QString::fromLocal8Bit(e.what());
    }
    catch (...)
    {
        return QStringLiteral("unknown exception");
    }
}
} // namespace

ImagePipeline::ImagePipeline(const QString& sName, const QStringList& slInputImageNames,
                             const QStringList& slOutputImageNames, const QStringList& slParameterNames,
                             ImageProcessorBase* pImageProcessorBase)
    : QObject(nullptr)
    , m_slInputImageNames(slInputImageNames)
    , m_slOutputImageNames(slOutputImageNames)
    , m_slParameterNames(slParameterNames)
{
    setObjectName(sName);
    for (const QString& sInputName : m_slInputImageNames)
    {
        bindInputImageObject(sInputName);
    }
    for (const QString& sParameterName : m_slParameterNames)
    {
        bindParameterObject(sParameterName);
    }
    ObjectRoot* pRoot = ObjectRoot::getInstance();
    connect(pRoot, &ObjectRoot::signalChildAdded, this, &ImagePipeline::slotChildAdded, Qt::DirectConnection);
    connect(pRoot, &ObjectRoot::signalChildRemoved, this, &ImagePipeline::slotChildRemoved, Qt::DirectConnection);
    m_pFutureWatcherProcess = new QFutureWatcher<QString>();
    connect(m_pFutureWatcherProcess, &QFutureWatcher<QString>::finished, this, &ImagePipeline::slotProcessFinished);
    m_pImageProcessorBase = pImageProcessorBase;
}

ImagePipeline::~ImagePipeline()
{
    // The task catches everything itself; waiting can only rethrow if that
    // ever changes, and a destructor must not pass it on.
    try
    {
        m_pFutureWatcherProcess->waitForFinished();
    }
    catch (...)
    {
        LOG_ERROR(QString("Pipeline %1: the last run ended with an exception").arg(objectName()));
    }
    disconnect(m_pFutureWatcherProcess, nullptr, this, nullptr);
    delete m_pFutureWatcherProcess;
    m_pFutureWatcherProcess = nullptr;

    // While busy the outputs are out of the tree and nobody else owns them.
    // Outputs that are out of the tree while idle were taken by someone else
    // (a factory's getObjects) and belong to them.
    if (m_bCurrentlyBusy)
    {
        for (auto& entry : m_mapImageNameToOutputImageObject)
        {
            ImageObject* pOutput = entry.second.get();
            if (pOutput && pOutput->parent() == nullptr)
            {
                delete pOutput;
            }
        }
    }
    m_mapImageNameToOutputImageObject.clear();

    delete m_pImageProcessorBase;
    m_pImageProcessorBase = nullptr;
    deleteClones();
}

void ImagePipeline::process()
{
    if (!m_bEnabled)
    {
        emit signalProcessingCanceled();
        m_bTryAgainLater = true;
        return;
    }
    if (m_bCurrentlyBusy)
    {
        m_bTryAgainLater = true;
        return;
    }
    m_bCurrentlyBusy = true;
    pruneDeletedObjects();
    bindOutputImageObjects();
    if (m_mapImageNameToOutputImageObject.size() != std::size_t(m_slOutputImageNames.size()) ||
        m_mapImageNameToInputImageObject.size() != std::size_t(m_slInputImageNames.size()))
    {
        m_bCurrentlyBusy = false;
        return;
    }
    for (auto it = m_mapImageNameToInputImageObject.begin(); it != m_mapImageNameToInputImageObject.end(); ++it)
    {
        // An input without a raster blocks the run like a missing one.
        if (!it->second || !it->second.get()->getRasterReadOnly())
        {
            m_bCurrentlyBusy = false;
            return;
        }
    }

    ObjectRoot* pRoot = ObjectRoot::getInstance();
    for (auto& entry : m_mapImageNameToOutputImageObject)
    {
        pRoot->removeChild(entry.second.get(), false);
    }

    try
    {
        MOLDENA_ASSERT(m_pImageProcessorBase);
        ImageProcessorBase::ImageObjectMap mapInputs;
        for (const auto& entry : m_mapImageNameToInputImageObject)
        {
            mapInputs[entry.first] = entry.second.get();
        }
        ImageProcessorBase::ImageObjectMap mapOutputs;
        for (const auto& entry : m_mapImageNameToOutputImageObject)
        {
            mapOutputs[entry.first] = entry.second.get();
        }
        m_pImageProcessorBase->prepareOutputImageObjects(mapInputs, mapOutputs);
        MOLDENA_ASSERT(!m_pFutureWatcherProcess->isRunning());
        cloneParameterObjects();
        cloneInputImageObjects();

        // The task gets its own copies of the maps and the processor pointer,
        // never this pipeline: the destructor waits for the task before the
        // processor goes.
        ImageProcessorBase* pProcessor = m_pImageProcessorBase;
        const ImageProcessorBase::ImageObjectMap mapInputClones = m_mapImageNameToInputImageObjectClone;
        const ImageProcessorBase::ParameterObjectMap mapParameterClones = m_mapParameterNameToParameterObjectClone;
        const QString sName = objectName();
        QFuture<QString> future =
            QtConcurrent::run([pProcessor, mapInputClones, mapOutputs, mapParameterClones, sName]() {
                // An exception must end as one logged error: the run still ends
                // normally for the pipeline, which puts its outputs back.
                try
                {
                    pProcessor->execute(mapInputClones, mapOutputs, mapParameterClones);
                }
                catch (...)
                {
                    LOG_ERROR(QString("Pipeline %1 failed: %2").arg(sName, describe(std::current_exception())));
                }
                return pProcessor->takeRefusal();
            });
        m_pFutureWatcherProcess->setFuture(future);
    }
    catch (...)
    {
        // The run never started: undo what was done so the tree is whole and
        // the pipeline can run again.
        deleteClones();
        returnOutputImageObjects();
        m_bCurrentlyBusy = false;
        throw;
    }
}

void ImagePipeline::setEnabled(bool bEnabled)
{
    if (bEnabled == m_bEnabled)
    {
        return;
    }
    m_bEnabled = bEnabled;
    if (!bEnabled)
    {
        MOLDENA_ASSERT(!m_bCurrentlyBusy && !m_bTryAgainLater);
        return;
    }
    if (m_bTryAgainLater || m_bInitialRunPending)
    {
        m_bTryAgainLater = false;
        m_bInitialRunPending = false;
        process();
    }
}

void ImagePipeline::slotChildAdded(const QString& sName)
{
    // Our own outputs coming back never start us.
    if (m_slOutputImageNames.contains(sName))
    {
        return;
    }
    const bool bParameterBound = bindParameterObject(sName);
    const bool bInputBound = bindInputImageObject(sName);
    if (bParameterBound || bInputBound)
    {
        processFromSlot();
    }
}

void ImagePipeline::slotChildRemoved(const QString& sName)
{
    unbindParameterObject(sName);
    m_mapImageNameToInputImageObject.erase(sName);
}

void ImagePipeline::slotParametersChanged(const QString&)
{
    processFromSlot();
}

void ImagePipeline::slotProcessFinished()
{
    const QFuture<QString> future = m_pFutureWatcherProcess->future();
    const QString sRefusal = future.resultCount() > 0 ? future.result() : QString();
    // Known before the outputs are back, so whoever the return wakes sees it.
    m_bLastRunRefused = !sRefusal.isEmpty();
    try
    {
        returnOutputImageObjects();
        deleteClones();
    }
    catch (...)
    {
        LOG_ERROR(QString("Pipeline %1: ending the run failed: %2")
                      .arg(objectName(), describe(std::current_exception())));
    }
    m_bCurrentlyBusy = false;
    if (!sRefusal.isEmpty())
    {
        emit signalProcessingRefused(sRefusal);
    }
    if (m_bTryAgainLater)
    {
        m_bTryAgainLater = false;
        processFromSlot();
    }
}

void ImagePipeline::processFromSlot()
{
    try
    {
        process();
    }
    catch (...)
    {
        LOG_ERROR(QString("Pipeline %1: run request failed: %2").arg(objectName(), describe(std::current_exception())));
    }
}

bool ImagePipeline::bindInputImageObject(const QString& sName)
{
    if (!m_slInputImageNames.contains(sName))
    {
        return false;
    }
    ImageObject* pObject = findInTree<ImageObject>(sName);
    if (!pObject)
    {
        return false;
    }
    auto it = m_mapImageNameToInputImageObject.find(sName);
    if (it != m_mapImageNameToInputImageObject.end() && it->second)
    {
        return false;
    }
    m_mapImageNameToInputImageObject[sName] = pObject;
    return true;
}

bool ImagePipeline::bindParameterObject(const QString& sName)
{
    if (!m_slParameterNames.contains(sName))
    {
        return false;
    }
    ParameterObject* pObject = findInTree<ParameterObject>(sName);
    if (!pObject)
    {
        return false;
    }
    auto it = m_mapParameterNameToParameterObject.find(sName);
    if (it != m_mapParameterNameToParameterObject.end() && it->second)
    {
        return false;
    }
    m_mapParameterNameToParameterObject[sName] = pObject;
    connect(pObject, &ParameterObject::signalParametersChanged, this, &ImagePipeline::slotParametersChanged,
            Qt::DirectConnection);
    return true;
}

bool ImagePipeline::unbindParameterObject(const QString& sName)
{
    auto it = m_mapParameterNameToParameterObject.find(sName);
    if (it == m_mapParameterNameToParameterObject.end())
    {
        return false;
    }
    if (it->second)
    {
        disconnect(it->second.object(), nullptr, this, nullptr);
    }
    m_mapParameterNameToParameterObject.erase(it);
    return true;
}

void ImagePipeline::bindOutputImageObjects()
{
    // Looked up at every run: an object replaced under the same name is the
    // one written, never a stale earlier one.
    for (const QString& sName : m_slOutputImageNames)
    {
        ImageObject* pObject = findInTree<ImageObject>(sName);
        if (pObject)
        {
            m_mapImageNameToOutputImageObject[sName] = pObject;
        }
        else
        {
            m_mapImageNameToOutputImageObject.erase(sName);
        }
    }
}

void ImagePipeline::pruneDeletedObjects()
{
    for (auto it = m_mapImageNameToInputImageObject.begin(); it != m_mapImageNameToInputImageObject.end();)
    {
        it = it->second ? std::next(it) : m_mapImageNameToInputImageObject.erase(it);
    }
    for (auto it = m_mapParameterNameToParameterObject.begin(); it != m_mapParameterNameToParameterObject.end();)
    {
        it = it->second ? std::next(it) : m_mapParameterNameToParameterObject.erase(it);
    }
}

void ImagePipeline::cloneParameterObjects()
{
    for (auto& entry : m_mapParameterNameToParameterObjectClone)
    {
        delete entry.second;
    }
    m_mapParameterNameToParameterObjectClone.clear();
    for (auto itOriginal = m_mapParameterNameToParameterObject.begin();
         itOriginal != m_mapParameterNameToParameterObject.end(); ++itOriginal)
    {
        MOLDENA_ASSERT(itOriginal->second);
        ObjectBase* pObject = itOriginal->second.get()->clone();
        ParameterObject* pClone = dynamic_cast<ParameterObject*>(pObject);
        if (!pClone)
        {
            delete pObject;
        }
        MOLDENA_ASSERT(pClone);
        pClone->setObjectName(ObjectBase::removeCloneSuffix(pClone->objectName()));
        m_mapParameterNameToParameterObjectClone[itOriginal->first] = pClone;
    }
}

void ImagePipeline::cloneInputImageObjects()
{
    for (auto& entry : m_mapImageNameToInputImageObjectClone)
    {
        delete entry.second;
    }
    m_mapImageNameToInputImageObjectClone.clear();
    for (auto itOriginal = m_mapImageNameToInputImageObject.begin(); itOriginal != m_mapImageNameToInputImageObject.end();
         ++itOriginal)
    {
        MOLDENA_ASSERT(itOriginal->second);
        ObjectBase* pObject = itOriginal->second.get()->clone();
        ImageObject* pClone = dynamic_cast<ImageObject*>(pObject);
        if (!pClone)
        {
            delete pObject;
        }
        MOLDENA_ASSERT(pClone);
        pClone->setObjectName(ObjectBase::removeCloneSuffix(pClone->objectName()));
        m_mapImageNameToInputImageObjectClone[itOriginal->first] = pClone;
    }
}

void ImagePipeline::deleteClones()
{
    for (auto& entry : m_mapImageNameToInputImageObjectClone)
    {
        delete entry.second;
    }
    m_mapImageNameToInputImageObjectClone.clear();
    for (auto& entry : m_mapParameterNameToParameterObjectClone)
    {
        delete entry.second;
    }
    m_mapParameterNameToParameterObjectClone.clear();
}

void ImagePipeline::returnOutputImageObjects()
{
    ObjectRoot* pRoot = ObjectRoot::getInstance();
    // Walk a copy of the names: receivers of the additions run inside the
    // loop, and a refused output is erased from the map.
    QStringList slNames;
    for (const auto& entry : m_mapImageNameToOutputImageObject)
    {
        slNames.append(entry.first);
    }
    for (const QString& sName : slNames)
    {
        auto it = m_mapImageNameToOutputImageObject.find(sName);
        if (it == m_mapImageNameToOutputImageObject.end())
        {
            continue;
        }
        ImageObject* pOutput = it->second.get();
        if (!pOutput)
        {
            LOG_ERROR(QString("Pipeline %1: output %2 was deleted during the run").arg(objectName(), sName));
            m_mapImageNameToOutputImageObject.erase(it);
            continue;
        }
        if (pOutput->parent() != nullptr)
        {
            // Never taken out (it lay deeper in the tree).
            continue;
        }
        const bool bAddOk = pRoot->addChild(pOutput, false);
        if (!bAddOk)
        {
            // Another object took the name while the run was in flight. The
            // refused output has no owner but us: drop it.
            LOG_ERROR(QString("Pipeline %1: output %2 was refused by the object tree and is discarded")
                          .arg(objectName(), sName));
            m_mapImageNameToOutputImageObject.erase(sName);
            delete pOutput;
        }
    }
}
