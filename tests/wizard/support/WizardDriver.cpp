#include "WizardDriver.h"

#include "TestPictures.h"

#include "FileDialogs.h"
#include "GlobalParameterStore.h"
#include "MainWidget.h"
#include "State.h"
#include "StateImplementationImaging.h"
#include "StateMachine.h"
#include "Wizard.h"
#include "WizardPage.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QMainWindow>
#include <QPushButton>
#include <QTest>
#include <QTimer>

WizardDriver::WizardDriver(int nDownsized, int nUpsized)
{
    qputenv("TMPDIR", QFile::encodeName(m_dir.path()));
    GlobalParameterStore::setValue(GlobalParameterStore::DOWNSIZED_RESOLUTION, nDownsized);
    GlobalParameterStore::setValue(GlobalParameterStore::UPSIZED_RESOLUTION, nUpsized);
    GlobalParameterStore::setValue<QString>(GlobalParameterStore::LAST_DIR, m_dir.path());
    FileDialogs::setHandler([this](FileDialogs::Mode, const QString&, const QString&, const QString&, QString*) {
        const QString sAnswer = m_bFileDialogAnswerSet ? m_sNextFileDialogAnswer : QString();
        m_bFileDialogAnswerSet = false;
        return sAnswer;
    });
    m_pSession = std::make_unique<MoldenaSession>(m_dir.filePath(QStringLiteral("data")), false);
    // A session whose first page never comes fails the test at its first look.
    (void)QTest::qWaitFor([this] { return wizard()->getCurrentWizardPage() != nullptr; }, 10000);
    QCoreApplication::processEvents();
}

WizardDriver::~WizardDriver()
{
    m_pSession.reset();
    FileDialogs::setHandler(nullptr);
}

QWidget* WizardDriver::window() const
{
    return m_pSession->getMainWindow();
}

const QObject* WizardDriver::pageObject() const
{
    return page();
}

WizardPage* WizardDriver::page() const
{
    return wizard()->getCurrentWizardPage();
}

MainWidget* WizardDriver::mainWidget() const
{
    return page() ? page()->getMainWidget() : nullptr;
}

State* WizardDriver::currentState() const
{
    StateMachine* pMachine = StateMachine::getInstance();
    return pMachine->findState(pMachine->getCurrentStateUid());
}

StateImplementationImaging* WizardDriver::imagingStep() const
{
    const State* pState = currentState();
    return pState ? dynamic_cast<StateImplementationImaging*>(pState->getImplementation()) : nullptr;
}

bool WizardDriver::click(const QString& sObjectName)
{
    auto* pButton = find<QAbstractButton>(sObjectName, true);
    if (!pButton || !pButton->isEnabled() || !pButton->isVisible())
    {
        return false;
    }
    QTest::mouseClick(pButton, Qt::LeftButton, Qt::NoModifier, pButton->rect().center());
    QCoreApplication::processEvents();
    return true;
}

bool WizardDriver::choose(const QString& sOption)
{
    return click(sOption) && next();
}

bool WizardDriver::waitIdle(int nTimeoutMs) const
{
    const bool bIdle = QTest::qWaitFor(
        [this] {
            const StateImplementationImaging* pStep = imagingStep();
            return !pStep || pStep->StateImplementationImaging::canLeave();
        },
        nTimeoutMs);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    return bIdle;
}

bool WizardDriver::waitForNextEnabled(int nTimeoutMs) const
{
    auto* pNext = wizard()->findChild<QPushButton*>(QStringLiteral("m_pPushButtonNext"));
    return QTest::qWaitFor([pNext] { return pNext->isEnabled(); }, nTimeoutMs);
}

bool WizardDriver::transition(const char* szButton, int nTimeoutMs)
{
    auto* pButton = wizard()->findChild<QPushButton*>(QLatin1String(szButton));
    if (!QTest::qWaitFor([pButton] { return pButton->isEnabled(); }, nTimeoutMs))
    {
        return false;
    }
    const unsigned long ulBefore = StateMachine::getInstance()->getCurrentStateUid();
    QTest::mouseClick(pButton, Qt::LeftButton, Qt::NoModifier, pButton->rect().center());
    // Steps that move on by themselves do so from the event loop.
    if (!QTest::qWaitFor([ulBefore] { return StateMachine::getInstance()->getCurrentStateUid() != ulBefore; },
                         nTimeoutMs))
    {
        return false;
    }
    QCoreApplication::processEvents();
    return waitIdle(nTimeoutMs);
}

bool WizardDriver::next(int nTimeoutMs)
{
    return transition("m_pPushButtonNext", nTimeoutMs);
}

bool WizardDriver::previous(int nTimeoutMs)
{
    return transition("m_pPushButtonPrevious", nTimeoutMs);
}

void WizardDriver::answerFileDialog(const QString& sPath)
{
    m_sNextFileDialogAnswer = sPath;
    m_bFileDialogAnswerSet = true;
}

void WizardDriver::answerModal(std::function<void(QWidget* pModal)> answer, int nTimeoutMs)
{
    m_bAnswered = false;
    QTimer::singleShot(0, [this, answer, nTimeoutMs] {
        (void)QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }, nTimeoutMs);
        if (QWidget* pModal = QApplication::activeModalWidget())
        {
            m_bAnswered = true;
            answer(pModal);
        }
    });
}

QString WizardDriver::writeDisc(double dRadius, int nWidth, int nHeight, bool bTransparentGround)
{
    return TestPictures::writeDisc(m_dir.path(), dRadius, nWidth, nHeight, bTransparentGround);
}

QString WizardDriver::screenshot(const QString& sName, QWidget* pWidget) const
{
    const QString sFolder = QCoreApplication::applicationDirPath() + QStringLiteral("/screenshots");
    QDir().mkpath(sFolder);
    const QString sPath = sFolder + QLatin1Char('/') + sName + QStringLiteral(".png");
    (pWidget ? pWidget : window())->grab().save(sPath);
    return sPath;
}
