// The mesh quality and text editor dialogs, answered from inside their modal
// loops as a user would.

#include "FileStorage.h"
#include "GlobalParameterStore.h"
#include "MeshQualityDialog.h"
#include "TestSupport.h"
#include "TextEditorDialog.h"
#include "support/ViewsTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFontComboBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace
{
// Answers the next modal dialog from inside its loop. A dialog that does not
// turn up fails the test.
template <typename Dialog>
void answer(std::function<void(Dialog*)> action)
{
    QTimer::singleShot(0,
                       [action]
                       {
                           const bool bShown =
                               QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }, 5000);
                           auto* pDialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
                           EXPECT_TRUE(bShown && pDialog);
                           if (pDialog)
                           {
                               action(pDialog);
                           }
                       });
}

// The bounding box of the dark pixels.
QRect inkBounds(const QImage& image)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
    {
        for (int x = 0; x < image.width(); ++x)
        {
            if (qGray(image.pixel(x, y)) < 128)
            {
                bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    return bounds;
}
} // namespace

TEST(MeshQualityDialogTest, StoredValuesComeBackFromTheSpinBoxesHoweverTheDialogIsClosed)
{
    const struct
    {
        const char* szHow;
        std::function<void(QDialog*)> close;
    } closings[] = {
        {"Ok", [](QDialog* pDialog) { QTest::mouseClick(pDialog->findChild<QPushButton*>("m_pPushButtonOk"), Qt::LeftButton); }},
        {"Escape", [](QDialog* pDialog) { QTest::keyClick(pDialog, Qt::Key_Escape); }},
        {"window closed", [](QDialog* pDialog) { pDialog->close(); }},
    };
    GlobalParameterStore::setValue<int>(GlobalParameterStore::NUMBER_OF_SMOOTHING_STEPS, 3);
    GlobalParameterStore::setValue<int>(GlobalParameterStore::NUMBER_OF_VERTICES, 96000);
    int nExpectedSmoothing = 3;
    int nExpectedPoints = 96000;
    for (int i = 0; i < 3; ++i)
    {
        answer<MeshQualityDialog>(
            [&, i](MeshQualityDialog* pDialog)
            {
                auto* pSmoothing = pDialog->findChild<QSpinBox*>("m_pSpinBoxSmoothing");
                auto* pPoints = pDialog->findChild<QSpinBox*>("m_pSpinBoxPoints");
                EXPECT_EQ(pSmoothing->value(), nExpectedSmoothing);
                EXPECT_EQ(pPoints->value(), nExpectedPoints);
                nExpectedSmoothing = 11 + i;
                nExpectedPoints = 64000 * (i + 1);
                pSmoothing->selectAll();
                QTest::keyClicks(pSmoothing, QString::number(nExpectedSmoothing));
                pPoints->selectAll();
                QTest::keyClicks(pPoints, QString::number(nExpectedPoints));
                ViewsTestSupport::screenshot(pDialog, "mesh_quality_dialog");
                closings[i].close(pDialog);
            });
        MeshQualityDialog::askAndStore();
        EXPECT_EQ(GlobalParameterStore::getValue<int>(GlobalParameterStore::NUMBER_OF_SMOOTHING_STEPS, 0),
                  nExpectedSmoothing)
            << closings[i].szHow;
        EXPECT_EQ(GlobalParameterStore::getValue<int>(GlobalParameterStore::NUMBER_OF_VERTICES, 0), nExpectedPoints)
            << closings[i].szHow;
    }

    // Values outside the ranges are clamped.
    MeshQualityDialog high(150, 1000000);
    EXPECT_EQ(high.getSmoothingSteps(), 99);
    EXPECT_EQ(high.getNumberOfPoints(), 640000);
    MeshQualityDialog low(-5, 0);
    EXPECT_EQ(low.getSmoothingSteps(), 0);
    EXPECT_EQ(low.getNumberOfPoints(), 32000);
}

TEST(TextEditorDialogTest, RenderedTextIsAsLargeAsFitsInTheCentralThreeQuarters)
{
    const struct
    {
        QString sText;
        bool bWidthBound;
        double dMinimumFill; // of the bound, by the inked pixels
    } cases[] = {
        {"Moldena", true, 0.8},
        {"A\nB\nC\nD\nE\nF", false, 0.8},
        {QString(260, 'w'), true, 0.6}, // too wide at 10 points
    };
    for (const auto& c : cases)
    {
        const QImage image = TextEditorDialog::renderText(c.sText, QFont("Arial"));
        ASSERT_EQ(image.size(), QSize(1024, 1024));
        const QRect ink = inkBounds(image);
        const QString sWhat = c.sText.left(10);
        EXPECT_TRUE(QRect(128, 128, 768, 768).contains(ink)) << sWhat.toStdString();
        EXPECT_GT(c.bWidthBound ? ink.width() : ink.height(), c.dMinimumFill * 768) << sWhat.toStdString();
        EXPECT_NEAR(ink.center().x(), 512, 24) << sWhat.toStdString();
        EXPECT_NEAR(ink.center().y(), 512, 48) << sWhat.toStdString();
    }
}

TEST(TextEditorDialogTest, TypedTextIsSavedAsNumberedPicturesInTheTemporaryDirectory)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    qputenv("TMPDIR", QFile::encodeName(tmp.path()));
    FileStorage::initTempDir();
    const QString sDir = FileStorage::getTempDir();
    LogCapture log;

    // Ok waits for text; the editor shows the chosen family at 24 points.
    answer<TextEditorDialog>(
        [](TextEditorDialog* pDialog)
        {
            auto* pOk = pDialog->findChild<QPushButton*>("m_pPushButtonOk");
            auto* pEdit = pDialog->findChild<QTextEdit*>("m_pTextEdit");
            auto* pFonts = pDialog->findChild<QFontComboBox*>("m_pFontComboBox");
            EXPECT_FALSE(pOk->isEnabled());
            EXPECT_EQ(pEdit->font().pointSize(), 24);
            pFonts->setCurrentIndex(pFonts->count() - 1);
            EXPECT_EQ(pEdit->font().family(), pFonts->currentFont().family());
            EXPECT_EQ(pEdit->font().pointSize(), 24);
            QTest::keyClicks(pEdit, "Moldena");
            EXPECT_TRUE(pOk->isEnabled());
            ViewsTestSupport::screenshot(pDialog, "text_editor_dialog");
            QTest::mouseClick(pOk, Qt::LeftButton);
        });
    TextEditorDialog first;
    EXPECT_EQ(first.exec(), QDialog::Accepted);
    EXPECT_EQ(first.getFileName(), sDir + "/Text_0.png");
    const QImage picture(first.getFileName());
    EXPECT_EQ(picture.size(), QSize(1024, 1024));
    picture.save(QString(MOLDENA_SCREENSHOT_DIR) + "/text_editor_picture.png");
    EXPECT_GT(inkBounds(picture).width(), 0.6 * 768);

    // Cancel writes nothing and does not count.
    answer<TextEditorDialog>(
        [](TextEditorDialog* pDialog)
        {
            QTest::keyClicks(pDialog->findChild<QTextEdit*>("m_pTextEdit"), "gone");
            QTest::mouseClick(pDialog->findChild<QPushButton*>("m_pPushButtonCancel"), Qt::LeftButton);
        });
    TextEditorDialog cancelled;
    EXPECT_EQ(cancelled.exec(), QDialog::Rejected);
    EXPECT_TRUE(cancelled.getFileName().isEmpty());

    // Spaces are text: a white picture, numbered on from another dialog.
    const auto typeAndConfirm = [](const QString& sText)
    {
        answer<TextEditorDialog>(
            [sText](TextEditorDialog* pDialog)
            {
                QTest::keyClicks(pDialog->findChild<QTextEdit*>("m_pTextEdit"), sText);
                QTest::mouseClick(pDialog->findChild<QPushButton*>("m_pPushButtonOk"), Qt::LeftButton);
            });
    };
    typeAndConfirm("   ");
    TextEditorDialog spaces;
    EXPECT_EQ(spaces.exec(), QDialog::Accepted);
    EXPECT_EQ(spaces.getFileName(), sDir + "/Text_1.png");
    EXPECT_TRUE(inkBounds(QImage(spaces.getFileName())).isEmpty());

    // A picture that cannot be saved: one ERROR line, rejected, no file name.
    ASSERT_TRUE(QDir().mkpath(sDir + "/Text_2.png"));
    typeAndConfirm("blocked");
    TextEditorDialog blocked;
    EXPECT_EQ(blocked.exec(), QDialog::Rejected);
    EXPECT_TRUE(blocked.getFileName().isEmpty());
    ASSERT_EQ(log.count("ERROR"), 1);
    const QString sLine = log.lines().last();
    EXPECT_TRUE(sLine.startsWith("ERROR: TextEditorDialog::")) << sLine.toStdString();
    EXPECT_TRUE(sLine.endsWith(": Unable to store image " + sDir + "/Text_2.png to QImage")) << sLine.toStdString();
}
