// The application style sheet parses and gives the widgets the sizes, fonts
// and colours the pages rely on.

#include "MoldenaResources.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace
{

QStringList g_warnings;

// Keeps what Qt says about style sheets; the offscreen platform's own
// remarks on showing windows are not the style sheet's concern.
void collectWarnings(QtMsgType type, const QMessageLogContext&, const QString& sMessage)
{
    const bool bAboutStyle = sMessage.contains("style", Qt::CaseInsensitive) ||
                             sMessage.contains("parse", Qt::CaseInsensitive) ||
                             sMessage.contains("property", Qt::CaseInsensitive);
    if (type != QtDebugMsg && type != QtInfoMsg && bAboutStyle)
    {
        g_warnings << sMessage;
    }
}

// Registers the fonts and applies the style sheet as the program does at
// start-up, collecting what Qt reports while it parses and applies it.
class StyleSheet : public ::testing::Test
{
protected:
    void SetUp() override
    {
        initMoldenaResources();
        for (const QString& sFont : fontResources())
        {
            QFile file(sFont);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            ASSERT_GE(QFontDatabase::addApplicationFontFromData(file.readAll()), 0);
        }
        QFile styleSheet(":/style.css");
        ASSERT_TRUE(styleSheet.open(QIODevice::ReadOnly));
        g_warnings.clear();
        m_previousHandler = qInstallMessageHandler(collectWarnings);
        qApp->setStyleSheet(QString::fromUtf8(styleSheet.readAll().constData()));
    }

    void TearDown() override
    {
        qInstallMessageHandler(m_previousHandler);
        qApp->setStyleSheet(QString());
    }

    // A pushbutton polished by the style sheet, with a dynamic property set first.
    static std::unique_ptr<QPushButton> button(const char* pProperty = nullptr, const char* pValue = nullptr)
    {
        auto pButton = std::make_unique<QPushButton>();
        if (pProperty)
        {
            pButton->setProperty(pProperty, pValue);
        }
        pButton->ensurePolished();
        return pButton;
    }

private:
    QtMessageHandler m_previousHandler = nullptr;
};

// Distance of a colour from the expected one in the largest channel.
int colourDistance(const QColor& actual, const QColor& expected)
{
    return std::max({std::abs(actual.red() - expected.red()), std::abs(actual.green() - expected.green()),
                     std::abs(actual.blue() - expected.blue())});
}

TEST_F(StyleSheet, EveryRuleParsesAndApplies)
{
    // One widget for each kind of selector, polished inside a window.
    QMainWindow window;
    auto* pCentral = new QFrame;
    pCentral->setObjectName("m_pFrameMainWidget");
    auto* pLayout = new QVBoxLayout(pCentral);
    auto* pGroup = new QGroupBox("Group");
    new QVBoxLayout(pGroup);
    pGroup->layout()->addWidget(new QRadioButton("Option"));
    pLayout->addWidget(pGroup);
    pLayout->addWidget(new QTextBrowser);
    auto* pCountDown = new QLineEdit;
    pCountDown->setObjectName("m_pCountDown");
    pLayout->addWidget(pCountDown);
    auto* pScroll = new QScrollArea;
    pScroll->setObjectName("m_pScrollAreaResources");
    pLayout->addWidget(pScroll);
    auto* pTool = new QToolButton;
    pTool->setCheckable(true);
    pTool->setChecked(true);
    pLayout->addWidget(pTool);
    window.setCentralWidget(pCentral);
    QDialog dialog;
    window.show();
    dialog.show();
    QApplication::processEvents();
    EXPECT_TRUE(g_warnings.isEmpty()) << g_warnings.join("\n").toStdString();
    EXPECT_EQ(pCountDown->font().pointSize(), 48);
    EXPECT_EQ(pCountDown->palette().color(QPalette::Text), QColor(Qt::white));
}

// The minimum and maximum sizes of a rule set the content box; the 1 px
// border lies around it.
TEST_F(StyleSheet, ButtonsTakeTheirFixedSizes)
{
    const struct
    {
        const char* pType;
        QSize size;
        QSize iconSize;
    } cases[] = {{nullptr, {44, 38}, {32, 26}}, {"wide", {130, 38}, {48, 24}}};
    for (const auto& c : cases)
    {
        const auto pButton = button(c.pType ? "type" : nullptr, c.pType);
        EXPECT_EQ(pButton->minimumSize(), c.size) << (c.pType ? c.pType : "plain");
        EXPECT_EQ(pButton->maximumSize(), c.size) << (c.pType ? c.pType : "plain");
        EXPECT_EQ(pButton->iconSize(), c.iconSize) << (c.pType ? c.pType : "plain");
    }
    QToolButton tool;
    tool.ensurePolished();
    EXPECT_EQ(tool.maximumSize(), QSize(44, 38));
    EXPECT_EQ(tool.iconSize(), QSize(32, 26));

    // A message box's buttons hold their word beside the icon.
    QMessageBox box(QMessageBox::Question, "Save Object", "?", QMessageBox::Yes | QMessageBox::No | QMessageBox::Ok);
    for (QAbstractButton* pBox : box.buttons())
    {
        pBox->ensurePolished();
        EXPECT_GE(pBox->maximumWidth(), pBox->iconSize().width() + pBox->fontMetrics().horizontalAdvance(pBox->text()))
            << pBox->text().toStdString();
    }
}

TEST_F(StyleSheet, WidgetsUseTheEmbeddedFamily)
{
    QLabel label("Moldena");
    label.ensurePolished();
    EXPECT_EQ(label.font().family(), "TeX Gyre Adventor");
    EXPECT_EQ(label.font().pointSize(), 10);
    EXPECT_EQ(QFontInfo(label.font()).family(), "TeX Gyre Adventor");
}

TEST_F(StyleSheet, OptionButtonsAreColouredByTheStateOfTheirTarget)
{
    const struct
    {
        const char* pState;
        QColor colour;
    } cases[] = {{"mandatory", QColor(168, 0, 0)},    {"default", QColor(Qt::black)},
                 {"goback", QColor(0, 0, 168)},       {"disabled", QColor(128, 128, 128)},
                 {"optional", QColor(255, 165, 0)}};
    for (const auto& c : cases)
    {
        QRadioButton option("Option");
        option.setProperty("option", "true");
        option.setProperty("state", c.pState);
        option.ensurePolished();
        EXPECT_EQ(option.palette().color(QPalette::WindowText), c.colour) << c.pState;
        EXPECT_EQ(option.font().pointSize(), 10) << c.pState;
    }
}

TEST_F(StyleSheet, ButtonBackgroundsShowNormalCheckedAndDisabled)
{
    // The gradient's top and bottom colours, read a few pixels inside the border.
    const struct
    {
        const char* pLook;
        bool bChecked;
        bool bEnabled;
        QColor top;
        QColor bottom;
    } cases[] = {{"normal", false, true, QColor("#ffffff"), QColor("#dfedf4")},
                 {"checked", true, true, QColor("#fbf7f4"), QColor("#f4e6df")},
                 {"disabled", false, false, QColor("#f4f4f4"), QColor("#dfdfdf")}};
    for (const auto& c : cases)
    {
        const auto pButton = button();
        pButton->setCheckable(true);
        pButton->setChecked(c.bChecked);
        pButton->setEnabled(c.bEnabled);
        pButton->resize(pButton->minimumSize());
        const QImage picture = pButton->grab().toImage();
        ASSERT_EQ(picture.size(), QSize(44, 38));
        EXPECT_LE(colourDistance(picture.pixelColor(22, 1), c.top), 8) << c.pLook;
        EXPECT_LE(colourDistance(picture.pixelColor(22, 36), c.bottom), 8) << c.pLook;
    }
}

} // namespace
