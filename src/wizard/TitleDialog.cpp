#include "TitleDialog.h"

#include "Application.h"
#include "HelpWidget.h"
#include "SimpleException.h"
#include "WidgetHelper.h"

#include <QDesktopServices>
#include <QFile>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace
{
QString& version()
{
    static QString s_sVersion;
    return s_sVersion;
}

QString& year()
{
    static QString s_sYear;
    return s_sYear;
}

QPushButton* iconButton(QWidget* pParent, const char* szName, const QString& sIcon, const QString& sToolTip)
{
    auto* pButton = new QPushButton(pParent);
    pButton->setObjectName(QLatin1String(szName));
    pButton->setIcon(WidgetHelper::twoStateIcon(sIcon));
    pButton->setToolTip(sToolTip);
    return pButton;
}

// The head of the licence file beside the program, as plain text.
QString licenseText()
{
    QFile file(DocumentView::getDocumentsFolder() + QStringLiteral("/license.txt"));
    if (!file.open(QIODevice::ReadOnly))
    {
        return QString();
    }
    return QString::fromUtf8(file.read(TitleDialog::MAX_LICENSE_BYTES));
}

QUrl documentUrl(const QString& sName)
{
    return QUrl::fromLocalFile(DocumentView::getDocumentsFolder() + QLatin1Char('/') + sName);
}
} // namespace

void TitleDialog::setVersion(const QString& sVersion)
{
    version() = sVersion;
}

void TitleDialog::setYear(const QString& sYear)
{
    year() = sYear;
}

TitleDialog::TitleDialog(bool bAutoClose)
    : m_bAutoClose(bAutoClose)
{
    setObjectName(QStringLiteral("TitleGui"));
    setWindowTitle(tr("About"));
    resize(668, 527);
    setModal(true);

    auto* pLayout = new QVBoxLayout(this);
    m_pLabelImage = new QLabel(this);
    m_pLabelImage->setObjectName(QStringLiteral("m_pLabelImage"));
    m_pLabelImage->setPixmap(QPixmap(QStringLiteral(":/title.png")));
    m_pLabelImage->setAlignment(Qt::AlignCenter);
    m_pLabelImage->setScaledContents(false);
    pLayout->addWidget(m_pLabelImage);

    m_pText = new QTextBrowser(this);
    m_pText->setObjectName(QStringLiteral("m_pText"));
    m_pText->setOpenExternalLinks(true);
    QString sBody = QStringLiteral("<p align=\"center\"><b>%1 %2</b><br/>&copy; %3</p>")
                        .arg(Application::PRODUCT_NAME.toHtmlEscaped(), version().toHtmlEscaped(),
                             year().toHtmlEscaped());
    const QString sLicense = licenseText();
    if (!sLicense.isEmpty())
    {
        sBody += QStringLiteral("<pre style=\"white-space: pre-wrap\">%1</pre>").arg(sLicense.toHtmlEscaped());
    }
    m_pText->setHtml(sBody);
    pLayout->addWidget(m_pText);

    auto* pButtons = new QHBoxLayout();
    pButtons->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    m_pPushButtonMail = iconButton(this, "m_pPushButtonMail", QStringLiteral("Mail"), tr("Feedback"));
    m_pPushButtonHomepage = iconButton(this, "m_pPushButtonHomepage", QStringLiteral("WWW"), tr("Visit Homepage"));
    m_pPushButtonTutorial =
        iconButton(this, "m_pPushButtonTutorial", QStringLiteral("Tutorial"), tr("See Video Tutorial"));
    m_pPushButtonClose = iconButton(this, "m_pPushButtonClose", QStringLiteral("Cancel"), tr("Close"));
    for (QPushButton* pButton : {m_pPushButtonMail, m_pPushButtonHomepage, m_pPushButtonTutorial, m_pPushButtonClose})
    {
        pButtons->addWidget(pButton);
    }
    pButtons->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    pLayout->addLayout(pButtons);

    if (m_bAutoClose)
    {
        setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
        for (QPushButton* pButton : {m_pPushButtonMail, m_pPushButtonHomepage, m_pPushButtonTutorial,
                                     m_pPushButtonClose})
        {
            pButton->hide();
        }
    }
    bool bConnectOk = bool(connect(m_pPushButtonClose, &QPushButton::clicked, this, &QDialog::accept));
    MOLDENA_ASSERT(bConnectOk);
    bConnectOk = bool(connect(m_pPushButtonHomepage, &QPushButton::clicked, this, &TitleDialog::slotHomePage));
    MOLDENA_ASSERT(bConnectOk);
    bConnectOk = bool(connect(m_pPushButtonTutorial, &QPushButton::clicked, this, &TitleDialog::slotTutorial));
    MOLDENA_ASSERT(bConnectOk);
    bConnectOk = bool(connect(m_pPushButtonMail, &QPushButton::clicked, this, &TitleDialog::slotMail));
    MOLDENA_ASSERT(bConnectOk);
}

void TitleDialog::showEvent(QShowEvent* pEvent)
{
    QDialog::showEvent(pEvent);
    if (m_bAutoClose)
    {
        QTimer::singleShot(AUTO_CLOSE_MS, this, &TitleDialog::slotTimeout);
    }
}

void TitleDialog::slotTimeout()
{
    close();
}

// The program's own pages stand in for a web site: the help documents beside
// it tell how to use it, and feedback goes out as a mail the user addresses.
void TitleDialog::slotTutorial()
{
    QDesktopServices::openUrl(documentUrl(QStringLiteral("CreateTheFrontSide.html")));
}

void TitleDialog::slotHomePage()
{
    QDesktopServices::openUrl(documentUrl(QStringLiteral("GenerateTheComposite.html")));
}

void TitleDialog::slotMail()
{
    QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:?subject=%1%20%2%20feedback")
                                       .arg(Application::PRODUCT_NAME, version())));
}
