#include "StateImplementationMeshSteps.h"

#include "GlobalParameterStore.h"
#include "ImageObject.h"
#include "Logger.h"
#include "MeshData.h"
#include "MeshGeneratorManager.h"
#include "MeshIO.h"
#include "MeshLookup.h"
#include "MeshMerger.h"
#include "ObjectNaming.h"
#include "ObjectRoot.h"
#include "Raster2d.h"
#include "Scene.h"
#include "SimpleException.h"
#include "State.h"
#include "StateMachine.h"
#include "Uid.h"
#include "WaitCursor.h"
#include "WorkflowIdentifiers.h"

#include <QApplication>
#include <QCursor>
#include <QMessageBox>
#include <QRegularExpression>

#include <cmath>

namespace
{
StateImplementationMeshGeneration::Callback* s_pCallback = nullptr;
unsigned s_nHookCounter = 0;

// A record over the raster's heights (not owned).
MeshGenerator::Image recordOf(const Raster2d<float>& raster)
{
    MeshGenerator::Image image;
    image.pData = const_cast<float*>(raster.getData());
    image.nWidth = raster.getWidth();
    image.nHeight = raster.getHeight();
    image.bOwnsData = false;
    return image;
}

// nSide x nSide nearest-lower samples of the record, the heights scaled with
// the pixel spacing so they keep their proportion to it.
MeshGenerator::Image resampled(const MeshGenerator::Image& source, int nSide)
{
    MeshGenerator::Image image;
    image.nWidth = unsigned(nSide);
    image.nHeight = unsigned(nSide);
    image.bOwnsData = true;
    image.pData = new float[std::size_t(nSide) * std::size_t(nSide)];
    const double dScale = double(nSide) / source.nWidth;
    for (int y = 0; y < nSide; ++y)
    {
        const unsigned ySource = unsigned(std::floor(double(y) / nSide * source.nHeight));
        for (int x = 0; x < nSide; ++x)
        {
            const unsigned xSource = unsigned(std::floor(double(x) / nSide * source.nWidth));
            image.pData[std::size_t(y) * nSide + x] = float(double(source.getValue(xSource, ySource)) * dScale);
        }
    }
    return image;
}

// The side both records are resampled to, or 0 when the parameter store does
// not ask for resampling. A size of 0 or below falls back to the default.
int meshGenerationResolution()
{
    if (!GlobalParameterStore::contains(GlobalParameterStore::MESH_GENERATION_RESOLUTION))
    {
        return 0;
    }
    const int nDefault = StateImplementationMeshGeneration::DEFAULT_MESH_GENERATION_RESOLUTION;
    const int nSide = GlobalParameterStore::getValue<int>(GlobalParameterStore::MESH_GENERATION_RESOLUTION, nDefault);
    if (nSide <= 0)
    {
        LOG_WARNING(QStringLiteral("The mesh generation resolution %1 is not a size; %2 is used instead")
                        .arg(nSide)
                        .arg(nDefault));
        return nDefault;
    }
    return nSide;
}
} // namespace

void StateImplementationMeshGeneration::setCallback(Callback* pCallback)
{
    s_pCallback = pCallback;
}

StateImplementationMeshGeneration::StateImplementationMeshGeneration(unsigned long ulExitUid,
                                                                     unsigned long ulEntryFromUid,
                                                                     unsigned long ulFrontUid,
                                                                     unsigned long ulBackUid)
    : m_pMeshGeneratorManager(new MeshGeneratorManager())
    , m_pExitUid(new Uid(ulExitUid, Uid::KIND_REFERENCE))
    , m_pEntryFromUid(new Uid(ulEntryFromUid, Uid::KIND_REFERENCE))
    , m_pFrontUid(new Uid(ulFrontUid, Uid::KIND_REFERENCE))
    , m_pBackUid(new Uid(ulBackUid, Uid::KIND_REFERENCE))
{
    bool bConnectOk = bool(connect(ObjectRoot::getInstance(), &ObjectRoot::signalChildRemoved, this,
                                   &StateImplementationMeshGeneration::slotChildAddedOrRemoved, Qt::QueuedConnection));
    MOLDENA_ASSERT(bConnectOk);
    bConnectOk = bool(connect(m_pMeshGeneratorManager, &MeshGeneratorManager::signalProcessingFinished, this,
                              &StateImplementationMeshGeneration::slotProcessingFinished, Qt::QueuedConnection));
    MOLDENA_ASSERT(bConnectOk);
    bConnectOk = bool(connect(this, &StateImplementationMeshGeneration::signalInternalTriggerProcessingFinished, this,
                              &StateImplementationMeshGeneration::slotProcessingFinished, Qt::QueuedConnection));
    MOLDENA_ASSERT(bConnectOk);
}

StateImplementationMeshGeneration::~StateImplementationMeshGeneration()
{
    // The manager waits for a running generation first.
    delete m_pMeshGeneratorManager;
    delete m_pExitUid;
    delete m_pEntryFromUid;
    delete m_pFrontUid;
    delete m_pBackUid;
}

void StateImplementationMeshGeneration::waitForGeneration()
{
    m_pMeshGeneratorManager->wait();
}

StateImplementationBase* StateImplementationMeshGeneration::clone() const
{
    MOLDENA_ASSERT(false);
    return nullptr;
}

void StateImplementationMeshGeneration::copyTo(StateImplementationBase*) const
{
    MOLDENA_ASSERT(false);
}

bool StateImplementationMeshGeneration::findDepthComposites(const Raster2d<float>*& pFront,
                                                            const Raster2d<float>*& pBack)
{
    const ImageObject* pFrontImage = nullptr;
    const ImageObject* pBackImage = nullptr;
    const QRegularExpression composite(IMAGE_DEPTH_COMPOSITE);
    for (const ImageObject* pImage : ObjectRoot::getInstance()->findChildren<ImageObject*>(composite))
    {
        const QString sName = pImage->objectName();
        if (sName.contains(HIGH_RES_HQ) && sName.contains(FRONT))
        {
            pFrontImage = pImage;
        }
        else if (sName.contains(HIGH_RES_HQ) && sName.contains(BACK))
        {
            pBackImage = pImage;
        }
    }
    if (!pFrontImage || !pBackImage)
    {
        return false;
    }
    pFront = dynamic_cast<const Raster2d<float>*>(pFrontImage->getRasterReadOnly());
    pBack = dynamic_cast<const Raster2d<float>*>(pBackImage->getRasterReadOnly());
    return pFront && pBack;
}

bool StateImplementationMeshGeneration::canEnter() const
{
    StateMachine* pMachine = StateMachine::getInstance();
    const State* pStateFront = pMachine->findState(idOf(m_pFrontUid));
    MOLDENA_ASSERT(pStateFront);
    const State* pStateBack = pMachine->findState(idOf(m_pBackUid));
    MOLDENA_ASSERT(pStateBack);
    if (!pStateFront->isComplete() || !pStateBack->isComplete())
    {
        return false;
    }
    const Raster2d<float>* pFront = nullptr;
    const Raster2d<float>* pBack = nullptr;
    return findDepthComposites(pFront, pBack);
}

void StateImplementationMeshGeneration::removeObjects()
{
    if (MeshObject* pMesh = findMeshObject(MESH_GENERATED))
    {
        delete ObjectRoot::getInstance()->removeChild(pMesh, false);
    }
}

void StateImplementationMeshGeneration::onEntered()
{
    if (s_pCallback)
    {
        s_pCallback->execute();
    }
    m_bProcessingFinished = false;

    MeshGenerator::Parameters parameters;
    parameters.NumberOfSmoothingSteps = GlobalParameterStore::getValue<unsigned>(
        GlobalParameterStore::NUMBER_OF_SMOOTHING_STEPS, m_parameters.NumberOfSmoothingSteps);
    parameters.NumberOfVertices =
        GlobalParameterStore::getValue<unsigned>(GlobalParameterStore::NUMBER_OF_VERTICES, m_parameters.NumberOfVertices);
    if (parameters != m_parameters)
    {
        m_bComplete = false;
        m_parameters = parameters;
    }

    if (m_bComplete)
    {
        m_bProcessingFinished = true;
        emit signalInternalTriggerProcessingFinished(true);
        return;
    }

    const Raster2d<float>* pFront = nullptr;
    const Raster2d<float>* pBack = nullptr;
    if (!findDepthComposites(pFront, pBack))
    {
        emit signalInternalTriggerProcessingFinished(false);
        return;
    }
    MeshGenerator::Image front = recordOf(*pFront);
    MeshGenerator::Image back = recordOf(*pBack);
    if (const int nSide = meshGenerationResolution())
    {
        front = resampled(front, nSide);
        back = resampled(back, nSide);
    }

    // The manager copies the heights: the worker never reads a raster that a
    // pipeline may rewrite meanwhile.
    m_pMeshGeneratorManager->setup(&front, &back, m_parameters, MESH_GENERATED, MESH_MERGED);
    m_pMeshGeneratorManager->startProcessing();
    emit signalProcessingStarted();
}

void StateImplementationMeshGeneration::onLeft()
{
    MOLDENA_ASSERT(m_bProcessingFinished);
}

void StateImplementationMeshGeneration::slotChildAddedOrRemoved(const QString& sName)
{
    if (sName.contains(IMAGE_DEPTH_COMPOSITE))
    {
        m_bComplete = false;
    }
}

void StateImplementationMeshGeneration::slotProcessingFinished(bool bSuccess)
{
    m_bProcessingFinished = true;
    // A slot must not throw: a missing state (a tree being rebuilt) ends as a
    // logged error.
    StateMachine* pMachine = StateMachine::getInstance();
    State* pCurrentState = pMachine->findState(getUid());
    State* pTargetState = pMachine->findState(idOf(bSuccess ? m_pExitUid : m_pEntryFromUid));
    if (!pCurrentState || !pTargetState)
    {
        LOG_ERROR(QStringLiteral("Assertion failed: %1").arg(!pCurrentState ? "pCurrentState"
                                                             : bSuccess     ? "pExitState"
                                                                            : "pEntryFromState"));
        emit signalProcessingFinished();
        return;
    }
    m_bComplete = bSuccess;
    if (!bSuccess)
    {
        LOG_ERROR(QStringLiteral("Mesh Generation failed"));
        if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        {
            QMessageBox::critical(nullptr, tr("Mesh Generation failed"),
                                  tr("A mesh object could not be created. Please check front and back side again "
                                     "and make sure they contain suitable content to process."),
                                  QMessageBox::Ok);
        }
    }
    emit signalProcessingFinished();
    moveOnTo(pCurrentState, pTargetState);
}

StateImplementationBase* StateImplementationMeshHooks::clone() const
{
    MOLDENA_ASSERT(false);
    return nullptr;
}

bool StateImplementationMeshHooks::canEnter() const
{
    return findMeshObject(MESH_GENERATED) != nullptr;
}

void StateImplementationMeshHooks::removeObjects()
{
    if (MeshObject* pMerged = findMeshObject(MESH_MERGED))
    {
        delete ObjectRoot::getInstance()->removeChild(pMerged, false);
    }
    Scene* pScene = Scene::getInstance();
    while (pScene->getNumberOfHooks() > 0)
    {
        pScene->deleteHook(0);
    }
}

void StateImplementationMeshHooks::onLeft()
{
    const double dScale = GlobalParameterStore::getValue<double>(GlobalParameterStore::MESH_MERGER_SCALE, 50.0);
    WaitCursor cursor;
    if (MeshObject* pMerged = findMeshObject(MESH_MERGED))
    {
        delete ObjectRoot::getInstance()->removeChild(pMerged, false);
    }
    Scene* pScene = Scene::getInstance();
    MeshMerger::merge(MESH_MERGED, pScene->getNameMeshGenerated(), pScene->getNamesHooks(), dScale);
}

bool StateImplementationMeshHooks::loadHook(const QString& sFileName, QString* psRefusal)
{
    MeshIO::ImportParameters parameters;
    parameters.nType = 2;
    Scene* pScene = Scene::getInstance();
    const MeshData* pGenerated = pScene->getMeshDataGenerated();
    double dX = 0.0;
    double dY = 0.0;
    double dZ = 0.0;
    if (pGenerated)
    {
        pGenerated->getExtents(dX, dY, dZ);
    }
    const double dSize = dY;
    if (!MeshMerger::calculateHookPlacement(dSize, unsigned(pScene->getNumberOfHooks()), parameters.dScale,
                                            parameters.dTranslateX, parameters.dTranslateY, parameters.dTranslateZ))
    {
        return false;
    }
    const QString sName = createHookObjectName(s_nHookCounter++);
    return MeshIO::importMeshObject(sName, sFileName, parameters, psRefusal);
}

StateImplementationBase* StateImplementationMeshExport::clone() const
{
    MOLDENA_ASSERT(false);
    return nullptr;
}

void StateImplementationMeshExport::copyTo(StateImplementationBase*) const
{
    MOLDENA_ASSERT(false);
}

bool StateImplementationMeshExport::exportMesh(const QString& sFileName)
{
    if (!findMeshObject(MESH_MERGED))
    {
        return false;
    }
    WaitCursor cursor;
    return MeshIO::exportMeshObject(Scene::getInstance()->getNameMeshMerged(), sFileName);
}
