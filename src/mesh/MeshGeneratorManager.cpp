#include "MeshGeneratorManager.h"

#include "Logger.h"
#include "MeshLookup.h"
#include "MeshObject.h"
#include "ObjectRoot.h"
#include "SimpleException.h"

#include <exception>

MeshGeneratorManager::MeshGeneratorManager()
{
    // Queued: the slot must run on the thread owning the manager, not on the
    // finishing worker thread.
    const bool bOk = bool(QObject::connect(this, &QThread::finished, this, &MeshGeneratorManager::slotThreadFinished,
                                           Qt::QueuedConnection));
    MOLDENA_ASSERT(bOk);
}

MeshGeneratorManager::~MeshGeneratorManager()
{
    // Destroying a running QThread aborts the program, and the worker would
    // go on writing into the records freed here.
    wait();
    delete m_pGeneratedMeshObject;
    m_pGeneratedMeshObject = nullptr;
}

void MeshGeneratorManager::setup(const MeshGenerator::Image* pImageFront, const MeshGenerator::Image* pImageBack,
                                 const MeshGenerator::Parameters& parameters, const QString& sNameGenerated,
                                 const QString& sNameMerged)
{
    // The copies are made before the lock is taken: a running generation
    // reads its own, so nothing here waits for it.
    const auto copyOf = [](const MeshGenerator::Image* pImage) {
        return pImage ? std::make_shared<const MeshGenerator::Image>(MeshGenerator::Image::ownedCopy(*pImage))
                      : nullptr;
    };
    std::shared_ptr<const MeshGenerator::Image> pFront = copyOf(pImageFront);
    std::shared_ptr<const MeshGenerator::Image> pBack = copyOf(pImageBack);
    QMutexLocker locker(&m_mutex);
    m_sNameGenerated = sNameGenerated;
    m_sNameMerged = sNameMerged;
    m_pImageFront = std::move(pFront);
    m_pImageBack = std::move(pBack);
    m_Parameters = parameters;
}

void MeshGeneratorManager::startProcessing()
{
    QMutexLocker locker(&m_mutex);
    // A run that has not been published yet still holds its mesh object.
    MOLDENA_ASSERT(m_pGeneratedMeshObject == NULL);
    MOLDENA_ASSERT(m_bProcessingSuccessful == false);

    ObjectRoot* pRoot = ObjectRoot::getInstance();
    for (const QString& sName : {m_sNameGenerated, m_sNameMerged})
    {
        if (MeshObject* pOld = findMeshObject(sName))
        {
            pRoot->removeChild(pOld, false);
            delete pOld;
        }
    }

    m_pGeneratedMeshObject = new MeshObject(m_sNameGenerated);
    start();
}

void MeshGeneratorManager::run()
{
    std::shared_ptr<const MeshGenerator::Image> pImageFront;
    std::shared_ptr<const MeshGenerator::Image> pImageBack;
    MeshGenerator::Parameters parameters;
    MeshObject* pMeshObject = nullptr;
    {
        QMutexLocker locker(&m_mutex);
        pImageFront = m_pImageFront;
        pImageBack = m_pImageBack;
        parameters = m_Parameters;
        pMeshObject = m_pGeneratedMeshObject;
    }
    // An exception leaving run() would end the program: every failure,
    // including a missing record, ends as an unsuccessful run. The mesh object
    // is only touched here until the thread has finished.
    bool bSuccessful = false;
    try
    {
        MOLDENA_ASSERT(pImageFront);
        MOLDENA_ASSERT(pImageBack);
        MOLDENA_ASSERT(pMeshObject);
        bSuccessful = MeshGenerator::generate(*pImageFront, *pImageBack, parameters, pMeshObject);
    }
    catch (const std::exception& e)
    {
        LOG_ERROR(QString::fromLatin1(e.what()));
    }
    catch (...)
    {
        LOG_ERROR(QStringLiteral("Mesh generation failed for an unknown reason"));
    }
    QMutexLocker locker(&m_mutex);
    m_bProcessingSuccessful = bSuccessful;
}

void MeshGeneratorManager::slotThreadFinished()
{
    MeshObject* pPublish = nullptr;
    {
        QMutexLocker locker(&m_mutex);
        if (m_bProcessingSuccessful && m_pGeneratedMeshObject != NULL)
        {
            pPublish = m_pGeneratedMeshObject;
        }
        else
        {
            delete m_pGeneratedMeshObject;
        }
        m_pGeneratedMeshObject = nullptr;
        m_bProcessingSuccessful = false;
    }

    // The tree is told outside the lock: receivers of signalChildAdded may
    // call setup or startProcessing.
    bool bResult = false;
    if (pPublish)
    {
        const bool bAddOk = ObjectRoot::getInstance()->addChild(pPublish, false);
        if (!bAddOk)
        {
            // A slot must not throw: the name is taken (a programming error).
            LOG_ERROR(QStringLiteral("Assertion failed: bAddOk"));
            delete pPublish;
        }
        bResult = bAddOk;
    }
    emit signalProcessingFinished(bResult);
}
