#include "FileStorage.h"

#include "Logger.h"
#include "PlatformLocations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QTemporaryDir>

namespace
{
QString& storedPath()
{
    static QString s_sPath;
    return s_sPath;
}

QMutex& mutex()
{
    static QMutex s_mutex;
    return s_mutex;
}

// A fresh directory only this user can enter, kept after the run like the
// regular one; the system's temporary folder when even that fails.
QString fallbackDir()
{
    QTemporaryDir dir(PlatformLocations::getTempLocation() + QLatin1Char('/') + FileStorage::TEMP_DIR_NAME +
                      QStringLiteral("-XXXXXX"));
    QString sPath;
    if (dir.isValid())
    {
        dir.setAutoRemove(false);
        sPath = dir.path();
    }
    else
    {
        sPath = PlatformLocations::getTempLocation();
    }
    LOG_WARNING(QString("Using fallback temp dir %1").arg(sPath));
    return sPath;
}

// Empties and re-creates the per-user directory. Returns its path, or the
// fallback's when the directory cannot be had safely.
QString prepareTempDir()
{
    const QString sCandidate = PlatformLocations::getTempLocation() + QLatin1Char('/') + FileStorage::TEMP_DIR_NAME +
                               PlatformLocations::getUserId();
    const QFileInfo info(sCandidate);
    // exists() follows links, so a dangling link counts through isSymLink().
    if (info.isSymLink())
    {
        LOG_ERROR(QString("Refusing temp dir %1: it is a symbolic link").arg(sCandidate));
        return fallbackDir();
    }
    if (info.exists())
    {
        if (!info.isDir())
        {
            LOG_ERROR(QString("Refusing temp dir %1: it is not a directory").arg(sCandidate));
            return fallbackDir();
        }
        if (!PlatformLocations::isOwnedByCurrentUser(sCandidate))
        {
            LOG_ERROR(QString("Refusing temp dir %1: it belongs to another user").arg(sCandidate));
            return fallbackDir();
        }
        const QFileInfoList entries = QDir(sCandidate).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot);
        for (const QFileInfo& entry : entries)
        {
            // Subdirectories are not removed: the directory then stays
            // non-empty and the run falls back below.
            if (entry.isDir() && !entry.isSymLink())
            {
                LOG_ERROR(QString("Unable to remove file %1").arg(entry.absoluteFilePath()));
                continue;
            }
            if (!QFile::remove(entry.absoluteFilePath()))
            {
                LOG_ERROR(QString("Unable to remove file %1").arg(entry.absoluteFilePath()));
            }
        }
        if (!QDir().rmdir(sCandidate))
        {
            LOG_ERROR(QString("Unable to remove dir %1").arg(sCandidate));
            return fallbackDir();
        }
    }
    if (!QDir().mkdir(sCandidate))
    {
        LOG_ERROR(QString("Unable to create dir %1").arg(sCandidate));
        return fallbackDir();
    }
    QFile::setPermissions(sCandidate, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return sCandidate;
}
} // namespace

QString FileStorage::getTempDir()
{
    QMutexLocker locker(&mutex());
    if (storedPath().isEmpty())
    {
        storedPath() = prepareTempDir();
    }
    return storedPath();
}

void FileStorage::initTempDir()
{
    QMutexLocker locker(&mutex());
    storedPath() = prepareTempDir();
}
