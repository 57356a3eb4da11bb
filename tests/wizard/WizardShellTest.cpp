// The program's set-up and its first page as a user sees it.

#include "Application.h"
#include "ChapterWidget.h"
#include "SimpleException.h"
#include "TestSupport.h"
#include "HelpWidget.h"
#include "MoldenaSession.h"
#include "State.h"
#include "StateMachine.h"
#include "TitleDialog.h"
#include "Wizard.h"
#include "WizardPage.h"
#include "WorkflowIdentifiers.h"
#include "support/WizardDriver.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QDir>
#include <QFile>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include <gtest/gtest.h>

TEST(WizardShellTest, TheFirstPageOffersTheFrontSideAndItsHelp)
{
    QTemporaryDir dataDir;
    const QString sDataFolder = dataDir.filePath("nested/data/Moldena");
    MoldenaSession session(sDataFolder, false);
    EXPECT_TRUE(QFile::exists(MoldenaSession::getLogFileName(sDataFolder))) << "missing parents are created";
    QMainWindow* pWindow = session.getMainWindow();
    EXPECT_EQ(pWindow->windowTitle(), "Moldena 1.1.0.16103");

    // The state machine starts at the first turn of the event loop.
    ASSERT_TRUE(QTest::qWaitFor([&] { return session.getWizard()->getCurrentWizardPage() != nullptr; }, 5000));
    WizardPage* pPage = session.getWizard()->getCurrentWizardPage();
    EXPECT_EQ(pPage->findChild<ChapterWidget*>()->getTitles(), QStringList({"Create An Object"}));

    QStringList options;
    for (const QRadioButton* pButton : pPage->findChildren<QRadioButton*>())
        options << pButton->objectName();
    ASSERT_EQ(options, QStringList({FRONT, BACK, CONSTRUCT_MESH}));
    const auto button = [&](const QString& sName) { return pPage->findChild<QRadioButton*>(sName); };
    EXPECT_TRUE(button(FRONT)->isChecked());
    EXPECT_EQ(button(FRONT)->text(), "Create The Front Side");
    EXPECT_EQ(button(FRONT)->property("state").toString(), "mandatory");
    EXPECT_TRUE(button(BACK)->isEnabled()) << "the back side may be designed on its own";
    EXPECT_FALSE(button(CONSTRUCT_MESH)->isEnabled()) << "no mesh without both sides";
    EXPECT_EQ(button(CONSTRUCT_MESH)->property("state").toString(), "disabled");

    QCoreApplication::processEvents();
    auto* pNext = session.getWizard()->findChild<QPushButton*>("m_pPushButtonNext");
    auto* pPrevious = session.getWizard()->findChild<QPushButton*>("m_pPushButtonPrevious");
    EXPECT_TRUE(pNext->isEnabled());
    EXPECT_FALSE(pPrevious->isEnabled());

    // The help pane shows the chosen option's document.
    const QString sHelp = pPage->findChild<HelpWidget*>()->getDocumentView()->toPlainText();
    QFile document(DocumentView::getDocumentsFolder() + "/CreateTheFrontSide.html");
    ASSERT_TRUE(document.open(QIODevice::ReadOnly));
    QTextBrowser expected;
    expected.setHtml(QString::fromLocal8Bit(document.readAll()));
    EXPECT_FALSE(sHelp.isEmpty());
    EXPECT_EQ(sHelp, expected.toPlainText());

    // Choosing another option switches the help and keeps Next enabled.
    QTest::mouseClick(button(BACK), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_TRUE(pPage->findChild<HelpWidget*>()->getDocumentView()->toPlainText().contains("back", Qt::CaseInsensitive));
    EXPECT_TRUE(pNext->isEnabled());

    QDir().mkpath(QCoreApplication::applicationDirPath() + "/screenshots");
    EXPECT_TRUE(pWindow->grab().save(QCoreApplication::applicationDirPath() + "/screenshots/first_page.png"));
}

TEST(WizardShellTest, TheAboutDialogClosesByItselfAndShowsTheLicence)
{
    TitleDialog::setVersion(Application::VERSION);
    TitleDialog::setYear(Application::YEAR);
    TitleDialog dialog(true);
    bool bForced = false;
    QTimer::singleShot(TitleDialog::AUTO_CLOSE_MS * 3, &dialog, [&] {
        bForced = true;
        dialog.reject();
    });
    dialog.exec();
    EXPECT_FALSE(bForced);
    const QString sText = dialog.findChild<QTextBrowser*>("m_pText")->toPlainText();
    EXPECT_TRUE(sText.contains("Moldena 1.1.0.16103"));
    EXPECT_TRUE(sText.contains("2013"));
    EXPECT_TRUE(sText.contains("License", Qt::CaseInsensitive));
    EXPECT_FALSE(dialog.findChild<QPushButton*>("m_pPushButtonClose")->isVisible());
}

TEST(WizardShellTest, NextAndPreviousFollowTheStateMachineAndPagesAreKept)
{
    WizardDriver driver;
    WizardPage* pFirst = driver.page();
    ASSERT_TRUE(driver.choose(FRONT));
    EXPECT_EQ(driver.currentState()->getName(), COMPONENT_OPTION_SELECTION);
    EXPECT_NE(driver.page(), pFirst);
    const QStringList titles = driver.page()->findChild<ChapterWidget*>()->getTitles();
    EXPECT_EQ(titles, QStringList({"Create An Object", "Create The Front Side"}));
    // Back through "UP": the same page object, filled again.
    ASSERT_TRUE(driver.choose(UP));
    EXPECT_EQ(driver.page(), pFirst);
    EXPECT_TRUE(driver.find<QRadioButton>(FRONT)->isChecked());

    // Help off hides the help frame of this and later pages.
    ASSERT_TRUE(driver.click("m_pToolButtonHelp"));
    EXPECT_FALSE(driver.page()->getFrameHelpWidget()->isVisible());
    ASSERT_TRUE(driver.choose(FRONT));
    EXPECT_FALSE(driver.page()->getFrameHelpWidget()->isVisible());
    driver.screenshot("component_options");
}

TEST(WizardShellTest, AnExceptionOutOfAnEventIsLoggedAndShownAndTheProgramGoesOn)
{
    LogCapture log;
    QString sShown;
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }, 10000));
        auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(pBox, nullptr);
        sShown = pBox->text();
        pBox->accept();
    });
    EXPECT_FALSE(Application::deliverGuarded([]() -> bool { throw SimpleException("Assertion failed: pState"); }));
    EXPECT_TRUE(sShown.contains("Assertion failed: pState"));
    EXPECT_EQ(log.count("ERROR"), 1);
    EXPECT_TRUE(log.lines().join('\n').contains("Assertion failed: pState"));
    EXPECT_TRUE(Application::deliverGuarded([] { return true; }));
}
