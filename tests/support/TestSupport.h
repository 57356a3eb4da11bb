#pragma once

// Helpers shared by the test suites.

#include "Logger.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Points the process-wide log at a fresh file for the lifetime of a test and
// reads back what was written.
class LogCapture
{
public:
    LogCapture()
    {
        EXPECT_TRUE(m_dir.isValid());
        m_sPath = m_dir.filePath("log.txt");
        Logger::getInstance()->setLogFile(m_sPath);
    }

    QString path() const { return m_sPath; }

    QStringList lines() const
    {
        QFile file(m_sPath);
        if (!file.open(QIODevice::ReadOnly))
        {
            return {};
        }
        return QString::fromLatin1(file.readAll()).split('\n', Qt::SkipEmptyParts);
    }

    // Number of lines written at a level ("ERROR", "WARNING", "MESSAGE").
    int count(const QString& sLevel) const
    {
        int n = 0;
        for (const QString& sLine : lines())
        {
            n += sLine.startsWith(sLevel + ": ") ? 1 : 0;
        }
        return n;
    }

private:
    QTemporaryDir m_dir;
    QString m_sPath;
};

// Expects the statement to throw SimpleException with exactly this message.
#define EXPECT_ASSERTION(statement, text)                                        \
    do                                                                           \
    {                                                                            \
        bool bThrown_ = false;                                                   \
        try                                                                      \
        {                                                                        \
            statement;                                                           \
        }                                                                        \
        catch (const SimpleException& e_)                                        \
        {                                                                        \
            bThrown_ = true;                                                     \
            EXPECT_STREQ(e_.what(), (QString("Assertion failed: ") + text).toLatin1().constData()); \
        }                                                                        \
        EXPECT_TRUE(bThrown_) << "expected the assertion " << text;              \
    } while (false)
