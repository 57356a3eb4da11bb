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

void MeshGeneratorManager::setup(MeshGenerator::Image* pImageFront, MeshGenerator::Image* pImageBack,
                                 const MeshGenerator::Parameters& parameters, const QString& sNameGenerated,
                                 const QString& sNameMerged)
{
    QMutexLocker locker(&m_mutex);
    m_sNameGenerated = sNameGenerated;
    m_sNameMerged = sNameMerged;
    m_pImageFront = pImageFront;
    m_pImageBack = pImageBack;
    m_Parameters = parameters;
}

void MeshGeneratorManager::startProcessing()
{
    QMutexLocker locker(&m_mutex);
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
    QMutexLocker locker(&m_mutex);
    // An exception leaving run() would end the program: every failure,
    // including a missing record, ends as an unsuccessful run.
    try
    {
        MOLDENA_ASSERT(m_pImageFront);
        MOLDENA_ASSERT(m_pImageBack);
        MOLDENA_ASSERT(m_pGeneratedMeshObject);
        m_bProcessingSuccessful =
            MeshGenerator::generate(*m_pImageFront, *m_pImageBack, m_Parameters, m_pGeneratedMeshObject);
    }
    catch (const std::exception& e)
    {
        LOG_ERROR(QString::fromLatin1(e.what()));
        m_bProcessingSuccessful = false;
    }
    catch (...)
    {
        m_bProcessingSuccessful = false;
    }
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
