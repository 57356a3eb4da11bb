#include "Logger.h"

#include <QDebug>
#include <QFile>
#include <QMutexLocker>

Logger* Logger::getInstance()
{
    // A function-local static is created once even when two threads race here.
    static Logger* s_pInstance = new Logger();
    return s_pInstance;
}

Logger::~Logger()
{
    if (m_pFile)
    {
        m_pFile->close();
        delete m_pFile;
        m_pFile = nullptr;
    }
}

void Logger::setLogFile(const QString& sFileName)
{
    QMutexLocker locker(&m_mutex);
    m_sFileName = sFileName;
    if (m_pFile)
    {
        if (m_pFile->isOpen())
        {
            m_pFile->close();
        }
        delete m_pFile;
        m_pFile = nullptr;
    }
    m_pFile = new QFile(sFileName);
    m_pFile->open(QIODevice::WriteOnly);
}

QString Logger::getLogFile() const
{
    QMutexLocker locker(&m_mutex);
    return m_sFileName;
}

void Logger::log(const QString& sLocation, QString sText, int nLevel)
{
    QMutexLocker locker(&m_mutex);
    if (!m_pFile || !m_pFile->isOpen())
    {
        qDebug() << "Logfile was not set";
        return;
    }
    int nLength = sText.size();
    while (nLength > 0 && (sText[nLength - 1] == QLatin1Char('\n') || sText[nLength - 1] == QLatin1Char('\r')))
    {
        --nLength;
    }
    sText.truncate(nLength);
    QByteArray line = (getLevelName(nLevel) + ": " + sLocation + ": " + sText).toLatin1();
    line.append('\n');
    m_pFile->write(line);
    m_pFile->flush();
}

QString Logger::getLevelName(int nLevel)
{
    switch (nLevel)
    {
    case LEVEL_ERROR:
        return QStringLiteral("ERROR");
    case LEVEL_WARNING:
        return QStringLiteral("WARNING");
    case LEVEL_MESSAGE:
        return QStringLiteral("MESSAGE");
    default:
        return QString();
    }
}

QString Logger::location(const char* szFile, int nLine)
{
    QString sPath = QString::fromLocal8Bit(szFile);
    sPath.replace('\\', '/');
    // Keep the part below the library folder: ".../src/imaging/ImageModifier/X.cpp"
    // becomes "ImageModifier\X".
    const int nSrc = sPath.lastIndexOf(QStringLiteral("/src/"));
    if (nSrc >= 0)
    {
        sPath = sPath.mid(nSrc + 5);
        const int nLibraryEnd = sPath.indexOf('/');
        if (nLibraryEnd >= 0)
        {
            sPath = sPath.mid(nLibraryEnd + 1);
        }
    }
    else
    {
        sPath = sPath.mid(sPath.lastIndexOf('/') + 1);
    }
    const int nDot = sPath.lastIndexOf('.');
    if (nDot > sPath.lastIndexOf('/'))
    {
        sPath.truncate(nDot);
    }
    sPath.replace('/', '\\');
    return sPath + "::" + QString::number(nLine);
}
