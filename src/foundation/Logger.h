#pragma once

#include <QMutex>
#include <QString>

class QFile;

// Process-wide log writer. Each message becomes one flushed line:
// "<LEVEL>: <location>: <text>". Safe to call from any thread.
class Logger
{
public:
    enum Level
    {
        LEVEL_ERROR = 0,
        LEVEL_WARNING = 1,
        LEVEL_MESSAGE = 2
    };

    static Logger* getInstance();

    // Replaces the log file: an existing file of that name is truncated.
    void setLogFile(const QString& sFileName);
    QString getLogFile() const;

    // Line breaks at the end of the text (exception texts often carry one)
    // are dropped, so every message stays one line.
    void log(const QString& sLocation, QString sText, int nLevel);

    static QString getLevelName(int nLevel);

    // "<folder>\<file>::<line>" from a compiler file path: the path below the
    // library's folder in the source tree, without extension.
    static QString location(const char* szFile, int nLine);

    virtual ~Logger();

private:
    Logger() = default;
    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;

    QString m_sFileName;
    QFile* m_pFile = nullptr;
    mutable QMutex m_mutex;
};

// The location of the calling line, in the log's location format.
#define LOG_LOCATION (Logger::location(__FILE__, __LINE__))

#define LOG_ERROR(text) (Logger::getInstance()->log(LOG_LOCATION, (text), Logger::LEVEL_ERROR))
#define LOG_WARNING(text) (Logger::getInstance()->log(LOG_LOCATION, (text), Logger::LEVEL_WARNING))
#define LOG_MESSAGE(text) (Logger::getInstance()->log(LOG_LOCATION, (text), Logger::LEVEL_MESSAGE))
