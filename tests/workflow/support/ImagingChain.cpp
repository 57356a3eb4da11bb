#include "ImagingChain.h"

#include "GlobalParameterStore.h"
#include "TestPictures.h"
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
    useSmallWorkingSizes(m_dir);

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
    return TestPictures::writeDisc(m_dir.path(), bPlain ? 0.0 : 0.35, nWidth, nHeight);
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
        return ::waitIdle(pStep);
    }
    return true;
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
