#include "Identifiers.h"
#include "Logger.h"
#include "SimpleException.h"
#include "TestSupport.h"
#include "WorkflowIdentifiers.h"

#include <QThread>

#include <thread>

TEST(SimpleExceptionTest, FailedAssertionThrowsByValueWithConditionText)
{
    const bool bAddOk = false;
    EXPECT_ASSERTION(MOLDENA_ASSERT(bAddOk), "bAddOk");
    try
    {
        MOLDENA_ASSERT(1 + 1 == 3);
        FAIL() << "no exception";
    }
    catch (const std::exception& e)
    {
        EXPECT_STREQ(e.what(), "Assertion failed: 1 + 1 == 3");
    }
    EXPECT_NO_THROW(MOLDENA_ASSERT(bAddOk == false));
}

TEST(SimpleExceptionTest, MessageIsCopiedAndLatin1)
{
    QString sText = QStringLiteral("abc\u00e9\u4e2d");
    SimpleException exception(sText);
    sText.clear();
    EXPECT_STREQ(exception.getMessage(), "abc\xe9?");
    SimpleException copy = exception;
    EXPECT_STREQ(copy.what(), exception.what());
}

TEST(LoggerTest, WritesOneFlushedLinePerMessageInTheLineFormat)
{
    LogCapture log;
    Logger::getInstance()->log("Somewhere::12", "first", Logger::LEVEL_ERROR);
    // Flushed at once: readable before anything else happens.
    ASSERT_EQ(log.lines().size(), 1);
    Logger::getInstance()->log("Else::3", "second", Logger::LEVEL_WARNING);
    Logger::getInstance()->log("Other::4", "", Logger::LEVEL_MESSAGE);
    Logger::getInstance()->log("Odd::5", "three", 3);
    Logger::getInstance()->log("Odd::6", "minus", -1);
    const QStringList lines = log.lines();
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0], "ERROR: Somewhere::12: first");
    EXPECT_EQ(lines[1], "WARNING: Else::3: second");
    EXPECT_EQ(lines[2], "MESSAGE: Other::4: ");
    EXPECT_EQ(lines[3], ": Odd::5: three");
    EXPECT_EQ(lines[4], ": Odd::6: minus");
}

TEST(LoggerTest, NonLatin1CharactersBecomeQuestionMarks)
{
    LogCapture log;
    Logger::getInstance()->log("L::1", QStringLiteral("gr\u00fc\u00df \u4e16"), Logger::LEVEL_MESSAGE);
    QFile file(log.path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("MESSAGE: L::1: gr\xfc\xdf ?\n"));
}

TEST(LoggerTest, TrailingLineBreaksAreDroppedSoEveryMessageIsOneLine)
{
    LogCapture log;
    EXPECT_EQ(Logger::getInstance()->getLogFile(), log.path());
    // OpenCV's exception texts end in a newline.
    Logger::getInstance()->log("L::1", "cv failed\n", Logger::LEVEL_ERROR);
    Logger::getInstance()->log("L::2", "windows\r\n\n", Logger::LEVEL_WARNING);
    Logger::getInstance()->log("L::3", "\n", Logger::LEVEL_MESSAGE);
    Logger::getInstance()->log("L::4", "two\nlines kept", Logger::LEVEL_MESSAGE);
    QFile file(log.path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("ERROR: L::1: cv failed\nWARNING: L::2: windows\nMESSAGE: L::3: \n"
                                         "MESSAGE: L::4: two\nlines kept\n"));
}

TEST(LoggerTest, SettingTheFileAgainStartsAnEmptyFile)
{
    LogCapture log;
    LOG_ERROR("before");
    Logger::getInstance()->setLogFile(log.path());
    LOG_ERROR("after");
    const QStringList lines = log.lines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].endsWith(": after"));
}

TEST(LoggerTest, MessagesWithoutAnOpenFileAreDropped)
{
    // Before any file is set in this process.
    EXPECT_NO_THROW(LOG_ERROR("lost"));
    QTemporaryDir dir;
    Logger::getInstance()->setLogFile(dir.filePath("missing/folder/log.txt"));
    EXPECT_NO_THROW(LOG_ERROR("nowhere"));
    EXPECT_FALSE(QFile::exists(dir.filePath("missing/folder/log.txt")));
}

TEST(LoggerTest, LocationIsTheFileBelowItsLibraryAndTheLine)
{
    EXPECT_EQ(Logger::location("/home/x/moldena/src/imaging/ImageModifier/ImageModifierBlur.cpp", 42),
              "ImageModifier\\ImageModifierBlur::42");
    EXPECT_EQ(Logger::location("/home/x/moldena/src/foundation/MemoryManager.cpp", 7), "MemoryManager::7");
    EXPECT_EQ(Logger::location("C:\\work\\src\\imaging\\ImagePipeline\\ImagePipelineBevel.cpp", 1),
              "ImagePipeline\\ImagePipelineBevel::1");
    EXPECT_EQ(Logger::location("plain.cpp", 9), "plain::9");
    // The macro names this file and a line number, whatever that number is.
    EXPECT_TRUE(QString(LOG_LOCATION).startsWith("LoggerTest::"));
}

TEST(LoggerTest, ConcurrentMessagesStayWholeLines)
{
    LogCapture log;
    const int nPerThread = 500;
    auto writer = [&](const QString& sText) {
        for (int i = 0; i < nPerThread; ++i)
        {
            Logger::getInstance()->log("T::1", sText, Logger::LEVEL_MESSAGE);
        }
    };
    const QString sA(200, 'a');
    const QString sB(200, 'b');
    std::thread first(writer, sA);
    std::thread second(writer, sB);
    first.join();
    second.join();
    const QStringList lines = log.lines();
    ASSERT_EQ(lines.size(), 2 * nPerThread);
    for (const QString& sLine : lines)
    {
        EXPECT_TRUE(sLine == "MESSAGE: T::1: " + sA || sLine == "MESSAGE: T::1: " + sB) << sLine.toStdString();
    }
}

namespace OtherScope
{
inline const QString SIZE = QStringLiteral("SIZE");
}
namespace SecondScope
{
inline const QString SIZE = QStringLiteral("SIZE");
}

TEST(IdentifierTest, WordsAreTheirOwnNamesAndCompareByText)
{
    EXPECT_EQ(MASK, "MASK");
    EXPECT_EQ(QIMAGE_DEPTH_16BIT, "QIMAGE_DEPTH_16BIT");
    EXPECT_EQ(HIGH_RES_HQ, "HIGH_RES_HQ");
    EXPECT_EQ(IMAGE_DEPTH_COMPOSITE, "IMAGE_DEPTH_COMPOSITE");
    EXPECT_EQ(COMPONENT_CLONE_MODE_OPTION_SELECTION, "COMPONENT_CLONE_MODE_OPTION_SELECTION");
    EXPECT_EQ(MESH_EXPORT, "MESH_EXPORT");
    // Two scoped keys of equal text are distinct objects that find each other's values.
    EXPECT_NE(&OtherScope::SIZE, &SecondScope::SIZE);
    std::map<QString, int> map{{OtherScope::SIZE, 5}};
    EXPECT_EQ(map.at(SecondScope::SIZE), 5);
    for (const QString& s : {DECORATION, OVERLAY, GRADIENT_X, CLONE, IMAGE_OBJECT_SYNCHRONIZER, NEXT, LOW_RES_LQ})
    {
        EXPECT_EQ(QString::fromLatin1(s.toLatin1()), s);
    }
}
