#include "ComponentWalk.h"

#include "TestPictures.h"

#include "GlobalParameterStore.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "RawImageImporter.h"
#include "StateGenerationFactory.h"
#include "StateImplementationImaging.h"
#include "StateImplementationOptionSelection.h"
#include "StateMachine.h"
#include "WorkflowIdentifiers.h"
#include "WorkflowTestSupport.h"

#include <QImage>
#include <QTest>

#include <cmath>

namespace
{
void setPath(const StateImplementationImaging* pStep, const QString& sPath)
{
    for (const QString& sName : pStep->getParameterObjectNames())
    {
        if (sName.contains("RAW_IMAGE_IMPORT"))
        {
            ParameterObject* pObject = ObjectRoot::getInstance()->findObject<ParameterObject>(sName);
            ParameterObject::ParameterMap map = pObject->getParameters();
            map[RawImageImporter::PATH] = sPath;
            pObject->setParameters(map);
        }
    }
}
} // namespace

ComponentWalk::ComponentWalk(WholeArtifact)
{
    useSmallWorkingSizes(m_dir);
    m_pRoot = StateMachine::getInstance()->createRootState();
    StateGenerationFactoryArtifact().generate(m_pRoot->getUid(), 0, 0);
    m_pArtifact = m_pRoot->findChildState(ARTIFACT);
    m_pFront = m_pArtifact->findChildState(FRONT);
    m_pComponent = m_pFront->findChildState(COMPONENT);
}

ComponentWalk::ComponentWalk()
{
    useSmallWorkingSizes(m_dir);
    m_pRoot = StateMachine::getInstance()->createRootState();
    m_pArtifact = addState(m_pRoot, ARTIFACT, nullptr, true);
    m_pFront = addState(m_pArtifact, FRONT, nullptr, true);
    m_pComponent = addState(m_pFront, COMPONENT, nullptr, true);
    StateGenerationFactoryComponent().generate(m_pComponent->getUid(), m_pArtifact->getUid(), m_pArtifact->getUid());
}

QString ComponentWalk::writeDisc(double dRadius, int nSide, bool bTransparentGround)
{
    return TestPictures::writeDisc(m_dir.path(), dRadius, nSide, nSide, bTransparentGround);
}

QString ComponentWalk::writeProfile()
{
    return TestPictures::writeProfile(m_dir.path());
}

State* ComponentWalk::current() const
{
    StateMachine* pMachine = StateMachine::getInstance();
    return pMachine->findState(pMachine->getCurrentStateUid());
}

StateImplementationImaging* ComponentWalk::currentImagingStep() const
{
    const State* pState = current();
    return pState ? dynamic_cast<StateImplementationImaging*>(pState->getImplementation()) : nullptr;
}

bool ComponentWalk::choose(const QString& sOption)
{
    auto* pSelection = dynamic_cast<StateImplementationOptionSelection*>(current()->getImplementation());
    if (!pSelection)
    {
        return false;
    }
    pSelection->selectOption(sOption);
    return go(NEXT);
}

bool ComponentWalk::go(const QString& sTransition)
{
    if (!StateMachine::getInstance()->transition(sTransition))
    {
        return false;
    }
    // Steps that move on by themselves do so from the event loop.
    processQueuedEvents();
    const StateImplementationImaging* pStep = currentImagingStep();
    return !pStep || ::waitIdle(pStep);
}

bool ComponentWalk::walkChain(const QString& sPicture, const QString& sEngravingProfile)
{
    const State* pChain = current()->getParentState();
    while (current()->getParentState() == pChain)
    {
        const StateImplementationImaging* pStep = currentImagingStep();
        if (!pStep)
        {
            return false;
        }
        if (current()->getName() == LOAD)
        {
            setPath(pStep, sPicture);
        }
        else if (current()->getName() == PRESET_BEVEL)
        {
            setPath(pStep, sEngravingProfile);
        }
        if (!::waitIdle(pStep) || !go(NEXT))
        {
            return false;
        }
    }
    return true;
}

bool ComponentWalk::makeShape(const QString& sPicture)
{
    return choose(SHAPE) && walkChain(sPicture);
}

bool ComponentWalk::makeProfile()
{
    return choose(PROFILE) && walkChain(writeDisc(0.3));
}

bool ComponentWalk::addDecoration(const QString& sPicture)
{
    // The decorations chapter, "add" moves into the new element by itself;
    // its last step leads back to the decorations' selection, "UP" out.
    return choose(DECORATIONS) && choose(DECORATION_ADD) && current()->getName() == LOAD &&
           walkChain(sPicture, writeProfile()) && choose(UP);
}

bool ComponentWalk::editDecoration(const QString& sOption, const QString& sPicture)
{
    return choose(DECORATIONS) && choose(DECORATION_EDIT) && choose(sOption) && current()->getName() == LOAD &&
           walkChain(sPicture, writeProfile()) && choose(UP);
}

bool ComponentWalk::deleteDecoration(const QString& sOption)
{
    // The deleter moves back to the decorations' selection by itself.
    return choose(DECORATIONS) && choose(DECORATION_DELETE) && choose(sOption) &&
           current()->getName() == DECORATIONS_OPTION_SELECTION && choose(UP);
}

bool ComponentWalk::makeSurface()
{
    return choose(BEVEL) && go(NEXT);
}

bool ComponentWalk::enterComposition()
{
    return choose(COMPOSITION);
}

bool ComponentWalk::makeComplete(const QString& sPicture)
{
    return makeShape(sPicture) && makeProfile() && makeSurface() && enterComposition() && go(NEXT);
}
