#include "ResourceDialog.h"

#include "SimpleException.h"
#include "WidgetHelper.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace
{
QStringList existingFiles(const QDir& dir, const QStringList& slFilters)
{
    QStringList slFiles;
    for (const QFileInfo& info : dir.entryInfoList(slFilters))
    {
        if (info.isFile() && info.exists())
        {
            slFiles << info.absoluteFilePath();
        }
    }
    return slFiles;
}
} // namespace

ResourceItemView::ResourceItemView(const QString& sRootPath, const QStringList& slNameFilters, int nIconSize)
    : m_nIconSize(nIconSize)
{
    setObjectName(QStringLiteral("ResourceItemView"));
    createItems(sRootPath, slNameFilters);
}

void ResourceItemView::createItems(const QString& sRootPath, const QStringList& slNameFilters)
{
    MOLDENA_ASSERT(children().empty());
    MOLDENA_ASSERT(layout() == NULL);
    auto* pLayout = new QGridLayout(this);

    const QDir dir(sRootPath);
    const QStringList slThumbnails = existingFiles(dir, {QStringLiteral("*_thumbnail.png")});
    QStringList slItems;
    for (const QString& sFile : existingFiles(dir, slNameFilters))
    {
        if (!QFileInfo(sFile).fileName().contains(QStringLiteral("_thumbnail.png")))
        {
            slItems << sFile;
        }
    }

    int nRow = 0;
    int nColumn = 0;
    for (const QString& sItem : slItems)
    {
        const QFileInfo info(sItem);
        auto* pButton = new QRadioButton(this);
        const bool bConnectOk = bool(connect(pButton, &QRadioButton::toggled, this, &ResourceItemView::slotToggled));
        MOLDENA_ASSERT(bConnectOk);
        m_mapButtonToFile[pButton] = sItem;
        m_slFiles << sItem;
        pButton->setObjectName(info.fileName());
        pButton->setAccessibleName(info.fileName());
        pButton->setToolTip(info.fileName());

        QString sPicture;
        for (const QString& sThumbnail : slThumbnails)
        {
            if (sThumbnail.contains(info.baseName()))
            {
                sPicture = sThumbnail;
                break;
            }
        }
        if (sPicture.isEmpty() && info.suffix() == QLatin1String("png"))
        {
            sPicture = sItem;
        }
        if (!sPicture.isEmpty())
        {
            pButton->setIcon(QIcon(QPixmap(sPicture)));
            pButton->setIconSize(QSize(m_nIconSize, m_nIconSize));
        }
        pLayout->addWidget(pButton, nRow, nColumn);
        if (++nColumn == 3)
        {
            nColumn = 0;
            ++nRow;
        }
    }
}

QStringList ResourceItemView::getFiles() const
{
    return m_slFiles;
}

void ResourceItemView::slotToggled(bool bChecked)
{
    if (!bChecked)
    {
        return;
    }
    const auto it = m_mapButtonToFile.find(qobject_cast<QRadioButton*>(sender()));
    if (it != m_mapButtonToFile.end())
    {
        emit signalSetSelectedFile(it->second);
    }
}

void ResourceItemView::slotSetSelectedFile(QString sFile)
{
    for (auto& [pButton, sPath] : m_mapButtonToFile)
    {
        if (sPath == sFile)
        {
            pButton->setChecked(true);
            return;
        }
    }
    if (!m_mapButtonToFile.empty())
    {
        m_mapButtonToFile.begin()->first->setChecked(true);
    }
}

ResourceDialog::ResourceDialog(const QString& sRootPath, const QStringList& slNameFilters)
{
    setModal(true);
    MOLDENA_ASSERT(!sRootPath.isEmpty());
    setObjectName(QStringLiteral("ResourceDialogGui"));
    setWindowTitle(tr("Library"));
    resize(430, 355);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->setObjectName(QStringLiteral("verticalLayout"));
    m_pScrollAreaResources = new QScrollArea(this);
    m_pScrollAreaResources->setObjectName(QStringLiteral("m_pScrollAreaResources"));
    m_pScrollAreaResources->setWidgetResizable(true);
    m_pScrollAreaWidgetContents = new QWidget();
    m_pScrollAreaWidgetContents->setObjectName(QStringLiteral("m_pScrollAreaWidgetContents"));
    m_pScrollAreaResources->setWidget(m_pScrollAreaWidgetContents);
    pLayout->addWidget(m_pScrollAreaResources);
    auto* pButtons = new QHBoxLayout();
    pButtons->setObjectName(QStringLiteral("horizontalLayout"));
    const auto button = [this](const char* szName, const QString& sToolTip, const QString& sIcon) {
        auto* pButton = new QPushButton(this);
        pButton->setObjectName(QLatin1String(szName));
        pButton->setToolTip(sToolTip);
        pButton->setIcon(QIcon(sIcon));
        return pButton;
    };
    m_pPushButtonOk = button("m_pPushButtonOk", tr("Ok"), QStringLiteral(":/icons/Confirm_default.png"));
    m_pPushButtonCancel = button("m_pPushButtonCancel", tr("Cancel"), QStringLiteral(":/icons/Cancel_default.png"));
    pButtons->addWidget(m_pPushButtonOk);
    pButtons->addWidget(m_pPushButtonCancel);
    pLayout->addLayout(pButtons);

    m_pResourceItemView = new ResourceItemView(sRootPath, slNameFilters, ICON_SIZE);
    WidgetHelper::setSingleChild(m_pScrollAreaWidgetContents, m_pResourceItemView);

    if (!connect(m_pPushButtonOk, &QPushButton::clicked, this, &QDialog::accept))
        throwAssertionFailure(QStringLiteral("QObject::connect(m_pUi->m_pPushButtonOk, SIGNAL(clicked()), this, SLOT(accept()))"));
    if (!connect(m_pPushButtonCancel, &QPushButton::clicked, this, &QDialog::reject))
        throwAssertionFailure(QStringLiteral("QObject::connect(m_pUi->m_pPushButtonCancel, SIGNAL(clicked()), this, SLOT(reject()))"));
    if (!connect(m_pResourceItemView, &ResourceItemView::signalSetSelectedFile, this, &ResourceDialog::slotSetSelectedFile))
        throwAssertionFailure(QStringLiteral("QObject::connect(m_pResourceItemView, SIGNAL(signalSetSelectedFile(QString)), "
                                             "this, SLOT(slotSetSelectedFile(QString)))"));
    m_pPushButtonOk->setEnabled(false);
}

void ResourceDialog::slotSetSelectedFile(QString sFile)
{
    if (sFile.isEmpty())
    {
        return;
    }
    m_sSelectedFile = sFile;
    m_pPushButtonOk->setEnabled(true);
}
