#include "PlatformLocations.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

QString PlatformLocations::getHomeLocation()
{
    return QDir::homePath();
}

QString PlatformLocations::getDataLocation()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Moldena");
}

QString PlatformLocations::getTempLocation()
{
    return QDir::tempPath();
}

QString PlatformLocations::getUserId()
{
#ifdef Q_OS_UNIX
    return QString::number(::getuid());
#else
    QString sUser = qEnvironmentVariable("USERNAME");
    for (QChar& c : sUser)
    {
        if (!c.isLetterOrNumber())
        {
            c = QLatin1Char('_');
        }
    }
    return sUser;
#endif
}

bool PlatformLocations::isOwnedByCurrentUser(const QString& sPath)
{
#ifdef Q_OS_UNIX
    const QFileInfo info(sPath);
    return info.exists() && info.ownerId() == ::getuid();
#else
    // No owner ids: the per-user folder name and its location in the user's
    // own temporary folder keep other users out.
    return QFileInfo::exists(sPath);
#endif
}
