#include "ImagingChain.h"

#include "GlobalParameterStore.h"
#include "ObjectNaming.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "StateImplementationImagingSteps.h"
#include "StateMachine.h"
#include "Transition.h"
#include "WorkflowIdentifiers.h"
#include "WorkflowTestSupport.h"

#include <QTest>

ImagingChain::ImagingChain()
{
    qputenv("TMPDIR", QFile::encodeName(m_dir.path()));
    GlobalParameterStore::setValue(GlobalParameterStore::DOWNSIZED_RESOLUTION, 32);
    GlobalParameterStore::setValue(GlobalParameterStore::UPSIZED_RESOLUTION, 64);

    m_pRoot = StateMachine::getInstance()->createRootState();
    m_pArtifact = addState(m_pRoot, ARTIFACT, nullptr, true);
    m_pOutside = addState(m_pArtifact, "OUTSIDE", new RecordingStep("outside"), true);
    m_pShape = addState(m_pArtifact, SHAPE);
    m_pLoad = addState(m_pShape, LOAD, new StateImplementationImagingLoadImage(), true);
    m_pTransform = addState(m_pShape, TRANSFORM, new StateImplementationImagingTransformImage());
    m_pThreshold = addState(m_pShape, THRESHOLD, new StateImplementationImagingThreshold());
    m_pPaint = addState(m_pShape, PAINT, new StateImplementationImagingPaint());
    step<StateImplementationImaging>(m_pLoad)->setCommitOnLeave(true);
    step<StateImplementationImaging>(m_pPaint)->setCommitOnLeave(true);

    m_pOutside->addTransition(new TransitionNext(m_pShape));
    State* vSteps[] = {m_pOutside, m_pLoad, m_pTransform, m_pThreshold, m_pPaint, m_pOutside};
    for (int i = 1; i < 5; ++i)
    {
        vSteps[i]->addTransition(new TransitionNext(vSteps[i + 1]));
        vSteps[i]->addTransition(new TransitionPrevious(vSteps[i - 1]));
    }
}

QString ImagingChain::writePicture(int nWidth, int nHeight, bool bPlain)
{
    QImage image(nWidth, nHeight, QImage::Format_Grayscale8);
    const double dRadius = 0.35 * std::min(nWidth, nHeight);
    for (int y = 0; y < nHeight; ++y)
    {
        for (int x = 0; x < nWidth; ++x)
        {
            const double dx = x + 0.5 - nWidth / 2.0;
            const double dy = y + 0.5 - nHeight / 2.0;
            const bool bInside = !bPlain && dx * dx + dy * dy < dRadius * dRadius;
            image.scanLine(y)[x] = bInside ? 20 : 235;
        }
    }
    static int s_nPicture = 0;
    const QString sPath = m_dir.filePath(QStringLiteral("picture%1.png").arg(++s_nPicture));
    image.save(sPath);
    return sPath;
}

bool ImagingChain::go(const QString& sTransition)
{
    StateMachine* pMachine = StateMachine::getInstance();
    if (!pMachine->transition(sTransition))
    {
        return false;
    }
    const State* pCurrent = pMachine->findState(pMachine->getCurrentStateUid());
    if (const auto* pStep = dynamic_cast<const StateImplementationImaging*>(pCurrent->getImplementation()))
    {
        return waitIdle(pStep);
    }
    return true;
}

bool ImagingChain::waitIdle(const StateImplementationImaging* pStep, int nTimeoutMs)
{
    const bool bIdle =
        QTest::qWaitFor([pStep] { return pStep->StateImplementationImaging::canLeave(); }, nTimeoutMs);
    processQueuedEvents();
    return bIdle;
}

ParameterObject* ImagingChain::findParameters(const StateImplementationImaging* pStep, const QString& sModifier)
{
    for (const QString& sName : pStep->getParameterObjectNames())
    {
        if (sName.contains(sModifier))
        {
            return ObjectRoot::getInstance()->findObject<ParameterObject>(sName);
        }
    }
    return nullptr;
}

void ImagingChain::setParameter(ParameterObject* pObject, const QString& sKey, const QVariant& value)
{
    ParameterObject::ParameterMap map = pObject->getParameters();
    map[sKey] = value;
    pObject->setParameters(map);
}

QString ImagingChain::chainImage(const QString& sKind, const QString& sTag) const
{
    return createObjectName(m_pShape->getFullName(), sKind, sTag);
}
