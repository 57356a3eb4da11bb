#include "HelpWidget.h"

#include "WidgetHelper.h"

#include <QCoreApplication>
#include <QFile>
#include <QFrame>
#include <QHBoxLayout>

#include <map>

namespace
{
std::map<QString, QString>& documents()
{
    static std::map<QString, QString> s_mapContextToDocument;
    return s_mapContextToDocument;
}
} // namespace

DocumentView::DocumentView()
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setOpenExternalLinks(true);
}

QString DocumentView::getDocumentsFolder()
{
    return QStringLiteral("%1/Documents").arg(QCoreApplication::applicationDirPath());
}

bool DocumentView::loadDocument(const QString& sDocumentName)
{
    const QString sFolder = getDocumentsFolder();
    setSearchPaths({sFolder});
    QFile file(QStringLiteral("%1/%2").arg(sFolder, sDocumentName));
    if (!file.open(QIODevice::ReadOnly))
    {
        return false;
    }
    setHtml(QString::fromLocal8Bit(file.readAll()));
    return true;
}

HelpWidget::HelpWidget()
{
    auto* pLayout = new QHBoxLayout(this);
    pLayout->setSpacing(0);
    pLayout->setContentsMargins(9, 9, 9, 9);
    m_pTextFrame = new QFrame(this);
    m_pTextFrame->setObjectName(QStringLiteral("m_pTextFrame"));
    m_pTextFrame->setMinimumWidth(300);
    pLayout->addWidget(m_pTextFrame);
    m_pDocumentView = new DocumentView();
    WidgetHelper::setSingleChild(m_pTextFrame, m_pDocumentView);
}

void HelpWidget::registerDocument(const QString& sContext, const QString& sDocumentName)
{
    documents()[sContext] = sDocumentName;
}

QString HelpWidget::findDocument(const QString& sContext)
{
    const auto it = documents().find(sContext);
    return it == documents().end() ? QString() : it->second;
}

void HelpWidget::slotContextChanged(QString sContext)
{
    const QString sDocument = findDocument(sContext);
    if (sDocument.isEmpty())
    {
        m_pDocumentView->clear();
        return;
    }
    m_pDocumentView->loadDocument(sDocument);
}
