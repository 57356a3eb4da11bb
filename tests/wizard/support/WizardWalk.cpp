#include "WizardWalk.h"

#include "TestPictures.h"

#include "MainWidget.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "RawImageImporter.h"
#include "State.h"
#include "StateImplementationImaging.h"
#include "WizardDriver.h"
#include "WorkflowIdentifiers.h"

#include <QDir>
#include <QImage>
#include <QTest>

#include <cmath>

WizardWalk::WizardWalk(WizardDriver& driver)
    : m_driver(driver)
{
}

bool WizardWalk::pageIsCurrent() const
{
    const MainWidget* pMainWidget = m_driver.mainWidget();
    const State* pState = m_driver.currentState();
    return pMainWidget && pState && pMainWidget->getStateImplementationBase() == pState->getImplementation();
}

bool WizardWalk::openFront()
{
    return choose(FRONT) && m_driver.currentState()->getName() == COMPONENT_OPTION_SELECTION;
}

bool WizardWalk::choose(const QString& sOption)
{
    return pageIsCurrent() && m_driver.choose(sOption);
}

bool WizardWalk::next()
{
    // Every step of a chain has its page: Next is pressed on it.
    return pageIsCurrent() && m_driver.next();
}

bool WizardWalk::setImportPath(const QString& sPath)
{
    const StateImplementationImaging* pStep = m_driver.imagingStep();
    if (!pStep)
    {
        return false;
    }
    bool bFound = false;
    for (const QString& sName : pStep->getParameterObjectNames())
    {
        if (!sName.contains(QLatin1String("RAW_IMAGE_IMPORT")))
        {
            continue;
        }
        ParameterObject* pObject = ObjectRoot::getInstance()->findObject<ParameterObject>(sName);
        if (!pObject)
        {
            return false;
        }
        ParameterObject::ParameterMap map = pObject->getParameters();
        map[RawImageImporter::PATH] = sPath;
        pObject->setParameters(map);
        bFound = true;
    }
    return bFound && m_driver.waitIdle();
}

bool WizardWalk::walkChain(const QString& sPicture, const QString& sEngravingProfile, const QString& sStopAt)
{
    const State* pChain = m_driver.currentState()->getParentState();
    while (m_driver.currentState()->getParentState() == pChain)
    {
        const QString sStep = m_driver.currentState()->getName();
        if (sStep == sStopAt)
        {
            return true;
        }
        if ((sStep == LOAD && !setImportPath(sPicture)) || (sStep == PRESET_BEVEL && !setImportPath(sEngravingProfile)))
        {
            return false;
        }
        if (!next())
        {
            return false;
        }
    }
    return sStopAt.isEmpty();
}

bool WizardWalk::makeShape(const QString& sPicture)
{
    return choose(SHAPE) && walkChain(sPicture);
}

bool WizardWalk::makeProfile(const QString& sStopAt)
{
    return choose(PROFILE) && walkChain(m_driver.writeDisc(0.3), QString(), sStopAt);
}

bool WizardWalk::addDecoration(const QString& sPicture)
{
    // "Add" makes the element's chain and moves into it by itself; its last
    // step leads back to the decorations' options, "UP" out of them.
    return choose(DECORATIONS) && choose(DECORATION_ADD) &&
           QTest::qWaitFor([this] { return m_driver.currentState()->getName() == LOAD; }) &&
           m_driver.waitIdle() && walkChain(sPicture, writeProfile()) && choose(UP);
}

bool WizardWalk::makeSurface(bool bLeave)
{
    return choose(BEVEL) && (!bLeave || next());
}

bool WizardWalk::enterComposition()
{
    return choose(COMPOSITION);
}

QString WizardWalk::writeProfile()
{
    return TestPictures::writeProfile(m_driver.folder());
}
