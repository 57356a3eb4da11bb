#include "StateGenerationFactory.h"

#include "Identifiers.h"
#include "SimpleException.h"
#include "State.h"
#include "StateImplementationDecorationSteps.h"
#include "StateImplementationImagingBevelSteps.h"
#include "StateImplementationImagingComposition.h"
#include "StateImplementationImagingSteps.h"
#include "StateImplementationComponentCloner.h"
#include "StateImplementationMeshSteps.h"
#include "StateImplementationOptionSelection.h"
#include "StateImplementationStateGenerator.h"
#include "StateMachine.h"
#include "Transition.h"
#include "WorkflowIdentifiers.h"

#include <QRegularExpression>

namespace
{
// A new state under pParent with the given implementation (may be null).
State* addChild(State* pParent, const QString& sName, StateImplementationBase* pImplementation,
                const QString& sTitle = QString(), bool bInitial = false)
{
    State* pState = new State(sName, pImplementation);
    pState->setTitle(sTitle);
    pState->setInitial(bInitial);
    pParent->addChildState(pState);
    return pState;
}

// An imaging step that marks its images committed when it is left.
template <typename Step>
Step* committing(Step* pStep)
{
    pStep->setCommitOnLeave(true);
    return pStep;
}
} // namespace

void StateGenerationFactory::findStates(unsigned long ulParentUid, unsigned long ulEntryFromUid,
                                        unsigned long ulExitToUid, State*& pParentState, State*& pEntryFromState,
                                        State*& pExitToState)
{
    StateMachine* pMachine = StateMachine::getInstance();
    pParentState = pMachine->findState(ulParentUid);
    MOLDENA_ASSERT(pParentState);
    pEntryFromState = pMachine->findState(ulEntryFromUid);
    MOLDENA_ASSERT(pEntryFromState);
    pExitToState = pMachine->findState(ulExitToUid);
    MOLDENA_ASSERT(pExitToState);
}

void StateGenerationFactoryArtifact::generate(unsigned long ulParentUid, unsigned long, unsigned long)
{
    State* pRootState = StateMachine::getInstance()->findState(ulParentUid);
    MOLDENA_ASSERT(pRootState);

    State* pArtifact = addChild(pRootState, ARTIFACT, nullptr, QObject::tr("Create An Object"), true);
    auto* pArtifactOptions = new StateImplementationOptionSelection();
    pArtifactOptions->setOptionText(FRONT, QObject::tr("Create The Front Side"));
    pArtifactOptions->setOptionText(BACK, QObject::tr("Create The Back Side"));
    pArtifactOptions->setOptionText(CONSTRUCT_MESH, QObject::tr("Generate The Composite 3D Object"));
    State* pArtifactOptionState = addChild(pArtifact, ARTIFACT_OPTION_SELECTION, pArtifactOptions, QString(), true);
    const unsigned long ulArtifact = pArtifact->getUid();

    State* pFront = addChild(pArtifact, FRONT, nullptr, QObject::tr("Create The Front Side"));
    pFront->setMandatory(true);
    pArtifactOptionState->addTransition(new Transition(pFront));
    State* pFrontComponent = addChild(pFront, COMPONENT, nullptr, QString(), true);
    StateGenerationFactoryComponent().generate(pFrontComponent->getUid(), ulArtifact, ulArtifact);

    State* pBack = addChild(pArtifact, BACK, nullptr, QObject::tr("Create The Back Side"));
    pBack->setMandatory(true);
    pArtifactOptionState->addTransition(new Transition(pBack));
    State* pPartialClone = addChild(pBack, COMPONENT_PARTIAL_CLONE,
                                    new StateImplementationComponentCloner(pFrontComponent->getUid(), pBack->getUid(),
                                                                           COMPONENT_PARTIAL_CLONE),
                                    QObject::tr("Create Or Edit"));
    State* pFullClone = addChild(pBack, COMPONENT_FULL_CLONE,
                                 new StateImplementationComponentCloner(pFrontComponent->getUid(), pBack->getUid(),
                                                                        COMPONENT_FULL_CLONE),
                                 QObject::tr("Copy Front To Back And Edit"));
    State* pBackComponent = addChild(pBack, COMPONENT, nullptr);
    auto* pCloneModeOptions = new StateImplementationOptionSelection();
    pCloneModeOptions->setOptionText(COMPONENT_PARTIAL_CLONE, QObject::tr("Create Or Edit"));
    pCloneModeOptions->setOptionText(COMPONENT_FULL_CLONE, QObject::tr("Copy Front To Back And Edit"));
    pCloneModeOptions->setOptionText(UP, QObject::tr("Go Back"));
    State* pCloneModeState =
        addChild(pBack, COMPONENT_CLONE_MODE_OPTION_SELECTION, pCloneModeOptions, QString(), true);
    pCloneModeState->addTransition(new Transition(pPartialClone));
    pCloneModeState->addTransition(new Transition(pFullClone));
    pCloneModeState->addTransition(new TransitionUp(pArtifact));
    StateGenerationFactoryComponent().generate(pBackComponent->getUid(), ulArtifact, ulArtifact);

    State* pConstruct = addChild(pArtifact, CONSTRUCT_MESH, nullptr, QObject::tr("Generate The Composite 3D Object"));
    pConstruct->setMandatory(true);
    pArtifactOptionState->addTransition(new Transition(pConstruct));
    // The generation step learns the hooks step's uid before that state exists.
    State* pHooks = new State(MESH_HOOKS, new StateImplementationMeshHooks());
    pHooks->setTitle(QObject::tr("Add Hooks To The 3D Object"));
    addChild(pConstruct, MESH_GENERATION,
             new StateImplementationMeshGeneration(pHooks->getUid(), ulArtifact, pFront->getUid(), pBack->getUid()),
             QObject::tr("Compute The 3D Object Surface"), true);
    pConstruct->addChildState(pHooks);
    State* pExport = addChild(pConstruct, MESH_EXPORT, new StateImplementationMeshExport(),
                              QObject::tr("Save The 3D Object"));
    pHooks->addTransition(new TransitionNext(pExport));
    pExport->addTransition(new TransitionNext(pArtifact));
    pExport->addTransition(new TransitionPrevious(pHooks));
}

void StateGenerationFactoryComponent::generate(unsigned long ulParentUid, unsigned long ulEntryFromUid,
                                               unsigned long ulExitToUid)
{
    State* pParentState = nullptr;
    State* pEntryFromState = nullptr;
    State* pExitToState = nullptr;
    findStates(ulParentUid, ulEntryFromUid, ulExitToUid, pParentState, pEntryFromState, pExitToState);

    auto* pOptions = new StateImplementationOptionSelection();
    pOptions->setOptionText(SHAPE, QObject::tr("Design The Shape"));
    pOptions->setOptionText(PROFILE, QObject::tr("Design The Surface Profile"));
    pOptions->setOptionText(DECORATIONS, QObject::tr("Add Decoration Elements"));
    pOptions->setOptionText(BEVEL, QObject::tr("Generate The Surface"));
    pOptions->setOptionText(COMPOSITION, QObject::tr("Compose Surface And Decorations"));
    pOptions->setOptionText(UP, QObject::tr("Go Back"));
    State* pOptionState = addChild(pParentState, COMPONENT_OPTION_SELECTION, pOptions, QString(), true);

    State* pShape = addChild(pParentState, SHAPE, nullptr, QObject::tr("Design The Shape"));
    pShape->setMandatory(true);
    StateGenerationFactoryImagePreprocessing().generate(pShape->getUid(), ulParentUid, ulParentUid);

    State* pProfile = addChild(pParentState, PROFILE, nullptr, QObject::tr("Design The Surface Profile"));
    pProfile->setMandatory(true);
    StateGenerationFactoryImagePreprocessingAndHeightHistogram().generate(pProfile->getUid(), ulParentUid,
                                                                          ulParentUid);

    State* pDecorations = addChild(pParentState, DECORATIONS, nullptr, QObject::tr("Add Decoration Elements"));
    pDecorations->setAlwaysComplete(true);
    auto* pDecorationOptions = new StateImplementationOptionSelection();
    pDecorationOptions->setOptionText(DECORATION_ADD, QObject::tr("Add A New Decoration Element"));
    pDecorationOptions->setOptionText(DECORATION_EDIT, QObject::tr("Modify Existing Decoration Elements"));
    pDecorationOptions->setOptionText(DECORATION_DELETE, QObject::tr("Delete Decoration Elements"));
    pDecorationOptions->setOptionText(UP, QObject::tr("Go Back"));
    State* pDecorationOptionState =
        addChild(pDecorations, DECORATIONS_OPTION_SELECTION, pDecorationOptions, QString(), true);
    State* pElements = addChild(pDecorations, DECORATION_ELEMENTS, nullptr);
    const unsigned long ulDecorations = pDecorations->getUid();
    State* pAdd = addChild(pDecorations, DECORATION_ADD,
                           new StateImplementationStateGenerator<StateGenerationFactoryImagePreprocessingAndPresetBevel>(
                               DECORATION, pElements->getUid(), ulDecorations, ulDecorations),
                           QObject::tr("Add A New Decoration Element"));
    auto* pEdit = new StateImplementationDecorationEdit(pElements->getUid(), IMAGE_RAW, IMAGE_BEVEL);
    State* pEditState = addChild(pDecorations, DECORATION_EDIT, pEdit, QObject::tr("Modify Existing Decoration Elements"));
    auto* pDelete = new StateImplementationDecorationDelete(pElements->getUid(), ulDecorations, IMAGE_RAW, IMAGE_BEVEL);
    State* pDeleteState = addChild(pDecorations, DECORATION_DELETE, pDelete, QObject::tr("Delete Decoration Elements"));
    pDecorationOptionState->addTransition(new Transition(pAdd));
    pDecorationOptionState->addTransition(new Transition(pEditState));
    pDecorationOptionState->addTransition(new Transition(pDeleteState));
    pDecorationOptionState->addTransition(new TransitionUp(pParentState));

    State* pBevel = addChild(pParentState, BEVEL, new StateImplementationImagingBevel(pShape->getUid(), pProfile->getUid()),
                             QObject::tr("Generate The Surface"));
    pBevel->setMandatory(true);
    pBevel->addTransition(new TransitionNext(pParentState));
    pBevel->addTransition(new TransitionPrevious(pParentState));

    State* pComposition =
        addChild(pParentState, COMPOSITION,
                 committing(new StateImplementationImagingComposition(pBevel->getUid(), pElements->getUid())),
                 QObject::tr("Compose Surface And Decorations"));
    pComposition->setMandatory(true);
    pComposition->addTransition(new TransitionNext(pParentState));
    pComposition->addTransition(new TransitionPrevious(pParentState));

    pOptionState->addTransition(new Transition(pShape));
    pOptionState->addTransition(new Transition(pProfile));
    pOptionState->addTransition(new Transition(pBevel));
    pOptionState->addTransition(new Transition(pDecorations));
    pOptionState->addTransition(new Transition(pComposition));
    pOptionState->addTransition(new TransitionUp(pEntryFromState));
    (void)pExitToState;
}

void StateGenerationFactoryImagePreprocessing::generate(unsigned long ulParentUid, unsigned long ulEntryFromUid,
                                                        unsigned long ulExitToUid)
{
    State* pParentState = nullptr;
    State* pEntryFromState = nullptr;
    State* pExitToState = nullptr;
    findStates(ulParentUid, ulEntryFromUid, ulExitToUid, pParentState, pEntryFromState, pExitToState);

    State* pLoad = addChild(pParentState, LOAD, committing(new StateImplementationImagingLoadImage()),
                            QObject::tr("Load An Image"), true);
    State* pTransform = addChild(pParentState, TRANSFORM, new StateImplementationImagingTransformImage(),
                                 QObject::tr("Rotate And Scale"));
    State* pThreshold = addChild(pParentState, THRESHOLD, new StateImplementationImagingThreshold(),
                                 QObject::tr("Filter And Threshold"));
    State* pPaint = addChild(pParentState, PAINT, committing(new StateImplementationImagingPaint()),
                             QObject::tr("Paint And Erase"));
    pPaint->setLastStep(true);
    for (State* pStep : {pLoad, pTransform, pThreshold, pPaint})
    {
        pStep->setQualifyName(true);
    }
    pLoad->addTransition(new TransitionNext(pTransform));
    pLoad->addTransition(new TransitionPrevious(pEntryFromState));
    pTransform->addTransition(new TransitionNext(pThreshold));
    pTransform->addTransition(new TransitionPrevious(pLoad));
    pThreshold->addTransition(new TransitionNext(pPaint));
    pThreshold->addTransition(new TransitionPrevious(pTransform));
    pPaint->addTransition(new TransitionNext(pExitToState));
    pPaint->addTransition(new TransitionPrevious(pThreshold));
}

void StateGenerationFactoryImagePreprocessing::generateWithFinalStep(unsigned long ulParentUid,
                                                                     unsigned long ulEntryFromUid,
                                                                     unsigned long ulExitToUid,
                                                                     const std::function<State*(unsigned long)>& makeLastStep)
{
    StateGenerationFactoryImagePreprocessing::generate(ulParentUid, ulEntryFromUid, ulExitToUid);
    State* pParentState = nullptr;
    State* pEntryFromState = nullptr;
    State* pExitToState = nullptr;
    findStates(ulParentUid, ulEntryFromUid, ulExitToUid, pParentState, pEntryFromState, pExitToState);

    std::vector<State*> vChildren;
    const QRegularExpression paint(PAINT);
    for (State* pState : pParentState->findChildren<State*>())
    {
        if (paint.match(pState->objectName()).hasMatch())
        {
            vChildren.push_back(pState);
        }
    }
    MOLDENA_ASSERT(vChildren.size() == 1);
    State* pPaint = vChildren.front();

    State* pLastStep = makeLastStep(ulParentUid);
    pLastStep->setQualifyName(true);
    pLastStep->setLastStep(true);
    pParentState->addChildState(pLastStep);
    delete pPaint->removeTransition(pPaint->findTransition(NEXT));
    pPaint->addTransition(new TransitionNext(pLastStep));
    pLastStep->addTransition(new TransitionNext(pExitToState));
    pLastStep->addTransition(new TransitionPrevious(pPaint));
}

void StateGenerationFactoryImagePreprocessingAndHeightHistogram::generate(unsigned long ulParentUid,
                                                                          unsigned long ulEntryFromUid,
                                                                          unsigned long ulExitToUid)
{
    generateWithFinalStep(ulParentUid, ulEntryFromUid, ulExitToUid, [](unsigned long) {
        State* pStep = new State(HEIGHT_HISTOGRAM, committing(new StateImplementationImagingHeightHistogram()));
        pStep->setTitle(QObject::tr("The Height Profile"));
        return pStep;
    });
}

void StateGenerationFactoryImagePreprocessingAndPresetBevel::generate(unsigned long ulParentUid,
                                                                      unsigned long ulEntryFromUid,
                                                                      unsigned long ulExitToUid)
{
    generateWithFinalStep(ulParentUid, ulEntryFromUid, ulExitToUid, [](unsigned long ulChainUid) {
        State* pStep = new State(PRESET_BEVEL, committing(new StateImplementationImagingPresetBevel(ulChainUid)));
        pStep->setTitle(QObject::tr("The Engraving Style"));
        return pStep;
    });
}
