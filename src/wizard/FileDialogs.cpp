#include "FileDialogs.h"

#include "GlobalParameterStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>

namespace
{
FileDialogs::Handler& handler()
{
    static FileDialogs::Handler s_handler;
    return s_handler;
}
} // namespace

QString FileDialogs::getLastDir()
{
    return GlobalParameterStore::getValue<QString>(GlobalParameterStore::LAST_DIR, QDir::homePath());
}

QString FileDialogs::remember(const QString& sFileName)
{
    if (!sFileName.isEmpty())
    {
        GlobalParameterStore::setValue<QString>(GlobalParameterStore::LAST_DIR, QFileInfo(sFileName).absolutePath());
    }
    return sFileName;
}

QString FileDialogs::getOpenFileName(QWidget* pParent, const QString& sCaption, const QString& sFilter)
{
    const QString sDir = getLastDir();
    if (handler())
    {
        return remember(handler()(MODE_OPEN, sCaption, sDir, sFilter, nullptr));
    }
    return remember(QFileDialog::getOpenFileName(pParent, sCaption, sDir, sFilter));
}

QString FileDialogs::getSaveFileName(QWidget* pParent, const QString& sCaption, const QString& sFileName,
                                     const QString& sFilter, QString* pSelectedFilter)
{
    const QString sPath = QDir(getLastDir()).filePath(sFileName);
    QString sSelectedFilter = pSelectedFilter ? *pSelectedFilter : QString();
    const QString sAnswer = handler() ? handler()(MODE_SAVE, sCaption, sPath, sFilter, &sSelectedFilter)
                                      : runSaveDialog(pParent, sCaption, sPath, sFilter, sSelectedFilter);
    if (pSelectedFilter)
    {
        *pSelectedFilter = sSelectedFilter;
    }
    if (sAnswer.isEmpty())
    {
        return QString();
    }
    // Without a suffix the writers would not know the format.
    const QString sSaved = withFilterSuffix(
        sAnswer, sSelectedFilter.isEmpty() ? sFilter.section(QStringLiteral(";;"), 0, 0) : sSelectedFilter);
    if (QFileInfo::exists(sSaved) &&
        QMessageBox::question(pParent, sCaption,
                              QCoreApplication::translate("FileDialogs", "%1 already exists.\nDo you want to replace it?")
                                  .arg(QFileInfo(sSaved).fileName()),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
    {
        return QString();
    }
    return remember(sSaved);
}

QString FileDialogs::runSaveDialog(QWidget* pParent, const QString& sCaption, const QString& sPath,
                                   const QString& sFilter, QString& sSelectedFilter)
{
    QFileDialog dialog(pParent, sCaption, sPath, sFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // A native dialog asks about the name as typed and gets the default suffix
    // only afterwards: the one question comes after any dialog, about the file
    // written.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!sSelectedFilter.isEmpty())
    {
        dialog.selectNameFilter(sSelectedFilter);
    }
    // The dialog completes a typed name with the chosen filter's suffix.
    const auto followFilter = [&dialog](const QString& sNameFilter) {
        dialog.setDefaultSuffix(getFilterSuffix(sNameFilter));
    };
    followFilter(dialog.selectedNameFilter());
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, followFilter);
    if (dialog.exec() != QDialog::Accepted)
    {
        return QString();
    }
    sSelectedFilter = dialog.selectedNameFilter();
    return dialog.selectedFiles().value(0);
}

QString FileDialogs::getFilterSuffix(const QString& sFilter)
{
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("\\*\\.(\\w+)")).match(sFilter);
    return match.hasMatch() ? match.captured(1) : QString();
}

QString FileDialogs::withFilterSuffix(const QString& sFileName, const QString& sFilter)
{
    const QString sSuffix = getFilterSuffix(sFilter);
    if (!QFileInfo(sFileName).suffix().isEmpty() || sSuffix.isEmpty())
    {
        return sFileName;
    }
    return sFileName + QLatin1Char('.') + sSuffix;
}

void FileDialogs::setHandler(Handler newHandler)
{
    handler() = std::move(newHandler);
}
