#include "StateImplementationComponentCloner.h"

#include "CloneManager.h"
#include "ImageObject.h"
#include "Identifiers.h"
#include "ImageObjectSynchronizer.h"
#include "ObjectNaming.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "SimpleException.h"
#include "State.h"
#include "StateMachine.h"
#include "Transition.h"
#include "Uid.h"
#include "WorkflowIdentifiers.h"

namespace
{
// The shape drawing of a SHAPE chain: its painted working image.
QString shapeDrawingName(const State* pStateShape)
{
    return createObjectName(pStateShape->getFullName(), IMAGE_PEN_AND_BUCKET, HIGH_RES_HQ);
}
} // namespace

StateImplementationComponentCloner::StateImplementationComponentCloner() = default;

StateImplementationComponentCloner::StateImplementationComponentCloner(unsigned long ulSourceUid,
                                                                       unsigned long ulTargetUid,
                                                                       const QString& sCloneMode)
    : m_pSourceUid(new Uid(ulSourceUid, Uid::KIND_REFERENCE))
    , m_pTargetUid(new Uid(ulTargetUid, Uid::KIND_REFERENCE))
    , m_sCloneMode(sCloneMode)
{
}

StateImplementationComponentCloner::~StateImplementationComponentCloner()
{
    delete m_pSourceUid;
    delete m_pTargetUid;
}

StateImplementationBase* StateImplementationComponentCloner::clone() const
{
    auto* pClone = new StateImplementationComponentCloner();
    copyTo(pClone);
    return pClone;
}

void StateImplementationComponentCloner::copyTo(StateImplementationBase* pDerivedClone) const
{
    StateImplementationBase::copyTo(pDerivedClone);
    auto* pClone = castClone<StateImplementationComponentCloner>(pDerivedClone);
    pClone->m_pSourceUid = cloneUid(m_pSourceUid);
    pClone->m_pTargetUid = cloneUid(m_pTargetUid);
    pClone->m_sCloneMode = m_sCloneMode;
}

bool StateImplementationComponentCloner::canEnter() const
{
    const State* pSourceState = StateMachine::getInstance()->findState(idOf(m_pSourceUid));
    MOLDENA_ASSERT(pSourceState);
    return pSourceState->isComplete();
}

void StateImplementationComponentCloner::process()
{
    StateMachine* pMachine = StateMachine::getInstance();
    State* pCurrentState = findOwnState(QStringLiteral("pCurrentState"));
    State* pSourceState = pMachine->findState(idOf(m_pSourceUid));
    MOLDENA_ASSERT(pSourceState);
    State* pTargetState = pMachine->findState(idOf(m_pTargetUid));
    MOLDENA_ASSERT(pTargetState);

    if (m_sCloneMode == COMPONENT_FULL_CLONE)
    {
        replaceTargetComponent(pSourceState, pTargetState);
    }
    linkShapeDrawings(pSourceState, pTargetState);

    State* pExitState = pTargetState->findChildState(COMPONENT, false);
    MOLDENA_ASSERT(pExitState);
    moveOnTo(pCurrentState, pExitState);
}

void StateImplementationComponentCloner::replaceTargetComponent(State* pSourceState, State* pTargetState)
{
    CloneManager* pCloneManager = CloneManager::getInstance();
    pCloneManager->begin();

    // Whatever the user made on the back goes with its states' objects. The
    // drawing an earlier link wrote into belongs to no step when the back
    // never painted its own shape; it goes with the component all the same.
    State* pStateComponent = pTargetState->findChildState(COMPONENT, false);
    MOLDENA_ASSERT(pStateComponent);
    const State* pStateShape = pStateComponent->findChildState(SHAPE, true);
    const QString sShapeDrawing = pStateShape ? shapeDrawingName(pStateShape) : QString();
    delete pStateComponent;
    if (!sShapeDrawing.isEmpty())
    {
        delete ObjectRoot::getInstance()->removeChildByName(sShapeDrawing, true);
    }

    State* pCopy = pSourceState->clone();
    // The back's initial child stays its clone-mode option selection.
    pCopy->setInitial(false);
    pTargetState->addChildState(pCopy);
    pCloneManager->finish();
}

void StateImplementationComponentCloner::linkShapeDrawings(State* pSourceState, State* pTargetState)
{
    const State* pStateShapeSource = pSourceState->findChildState(SHAPE, true);
    MOLDENA_ASSERT(pStateShapeSource);
    State* pStateShapeTarget = pTargetState->findChildState(SHAPE, true);
    MOLDENA_ASSERT(pStateShapeTarget);

    const QString sSourceName = shapeDrawingName(pStateShapeSource);
    const QString sTargetName = shapeDrawingName(pStateShapeTarget);

    ObjectRoot* pRoot = ObjectRoot::getInstance();
    const ImageObject* pImageObjectShapeSource = pRoot->findObject<ImageObject>(sSourceName);
    MOLDENA_ASSERT(pImageObjectShapeSource);
    const ImageObject* pImageObjectShapeTarget = pRoot->getOrCreateChild<ImageObject>(sTargetName);
    MOLDENA_ASSERT(pImageObjectShapeTarget);

    // One link per source: a second run replaces the first.
    const QString sSynchronizerName = ParameterObject::createName(IMAGE_OBJECT_SYNCHRONIZER, sSourceName, 0);
    delete pRoot->findObject<ImageObjectSynchronizer>(sSynchronizerName);
    auto* pSynchronizer = new ImageObjectSynchronizer(sSynchronizerName, sSourceName, sTargetName, true);
    if (!pRoot->addChild(pSynchronizer, false))
    {
        delete pSynchronizer;
        MOLDENA_ASSERT(false);
    }
    pSynchronizer->synchronize();
    pSynchronizer->setSilent(false);

    pStateShapeTarget->setAlwaysComplete(true);

    // The back no longer designs its own shape. After an earlier clone the
    // option is gone already.
    State* pStateOptionSelectionComponent = pTargetState->findChildState(COMPONENT_OPTION_SELECTION, true);
    MOLDENA_ASSERT(pStateOptionSelectionComponent);
    if (Transition* pShapeTransition = pStateOptionSelectionComponent->findTransition(SHAPE))
    {
        delete pStateOptionSelectionComponent->removeTransition(pShapeTransition);
    }
}
