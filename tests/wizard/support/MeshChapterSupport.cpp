#include "MeshChapterSupport.h"

#include "DomeHeights.h"
#include "ImageObject.h"
#include "ObjectNaming.h"
#include "ObjectRoot.h"
#include "Raster2d.h"
#include "State.h"
#include "StateMachine.h"
#include "WizardDriver.h"
#include "WorkflowIdentifiers.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <algorithm>

namespace MeshChapterSupport
{
State* findState(const QStringList& slPath)
{
    State* pState = StateMachine::getInstance()->getRootState();
    for (const QString& sName : slPath)
    {
        pState = pState ? pState->findChildState(sName) : nullptr;
    }
    return pState;
}

void putDome(const QString& sSide, unsigned nSide, float fHeight)
{
    State* pSide = findState({ARTIFACT, sSide});
    const QString sName = createObjectName(pSide->getFullName(), IMAGE_DEPTH_COMPOSITE, HIGH_RES_HQ);
    delete ObjectRoot::getInstance()->findObject<ImageObject>(sName);
    auto* pRaster = new Raster2d<float>(nSide, nSide);
    const std::vector<float> heights = domeHeights(nSide, 0.4, fHeight);
    std::copy(heights.begin(), heights.end(), pRaster->getData());
    auto* pImage = new ImageObject(sName);
    pImage->setRaster(pRaster, true);
    ObjectRoot::getInstance()->addChild(pImage, false);
    pSide->setAlwaysComplete(true);
}

bool waitForState(const QString& sName, int nTimeoutMs)
{
    const auto isCurrent = [&sName] {
        StateMachine* pMachine = StateMachine::getInstance();
        const State* pState = pMachine->findState(pMachine->getCurrentStateUid());
        return pState && pState->getName() == sName;
    };
    const bool bReached = QTest::qWaitFor(isCurrent, nTimeoutMs);
    QCoreApplication::processEvents();
    return bReached && isCurrent();
}

bool enterMeshChapter(WizardDriver& driver, int nSmoothingSteps)
{
    // The options were laid out before the composites existed: in and out
    // of the front side shows them again.
    if (!driver.choose(FRONT) || !driver.choose(UP))
    {
        return false;
    }
    if (!driver.click(CONSTRUCT_MESH))
    {
        return false;
    }
    // Only entering the generation step asks for the quality.
    driver.answerModal([nSmoothingSteps](QWidget* pModal) { answerQualityDialog(pModal, nSmoothingSteps, 32000); });
    return driver.next() && driver.answered();
}

void answerQualityDialog(QWidget* pModal, int nSmoothingSteps, int nPoints)
{
    auto* pSmoothing = pModal->findChild<QSpinBox*>(QStringLiteral("m_pSpinBoxSmoothing"));
    auto* pPoints = pModal->findChild<QSpinBox*>(QStringLiteral("m_pSpinBoxPoints"));
    auto* pOk = pModal->findChild<QPushButton*>(QStringLiteral("m_pPushButtonOk"));
    if (pSmoothing && pPoints && pOk)
    {
        pSmoothing->setValue(nSmoothingSteps);
        pPoints->setValue(nPoints);
        QTest::mouseClick(pOk, Qt::LeftButton);
    }
}

void answerMessageBox(QWidget* pModal, QStringList* pSeen, QMessageBox::StandardButton eButton)
{
    if (auto* pBox = qobject_cast<QMessageBox*>(pModal))
    {
        if (pSeen)
        {
            *pSeen << pBox->windowTitle() << pBox->text();
        }
        pBox->button(eButton)->click();
    }
}
} // namespace MeshChapterSupport

ModalWatcher::ModalWatcher(std::function<void(QWidget* pModal)> answer)
    : m_answer(std::move(answer))
{
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
        QWidget* pModal = QApplication::activeModalWidget();
        if (!pModal || m_bAnswering)
        {
            return;
        }
        m_bAnswering = true;
        ++m_nAnswered;
        m_answer(pModal);
        m_bAnswering = false;
    });
    m_timer.start(20);
}
