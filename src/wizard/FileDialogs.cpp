#include "FileDialogs.h"

#include "GlobalParameterStore.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

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
    if (handler())
    {
        return remember(handler()(MODE_SAVE, sCaption, sPath, sFilter, pSelectedFilter));
    }
    return remember(QFileDialog::getSaveFileName(pParent, sCaption, sPath, sFilter, pSelectedFilter));
}

void FileDialogs::setHandler(Handler newHandler)
{
    handler() = std::move(newHandler);
}
