#include "FileStorage.h"
#include "GlobalParameterStore.h"
#include "PlatformLocations.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <unistd.h>

namespace
{
void touch(const QString& sPath)
{
    QFile file(sPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << sPath.toStdString();
    file.write("x");
}

// Points the system temporary folder at a fresh directory for one test.
class FileStorageTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_tmp.isValid());
        m_sOldTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(m_tmp.path()));
        ASSERT_EQ(QDir(QDir::tempPath()).canonicalPath(), QDir(m_tmp.path()).canonicalPath());
        m_sCandidate = QDir::tempPath() + "/MoldenaTempDir" + PlatformLocations::getUserId();
    }
    void TearDown() override { qputenv("TMPDIR", m_sOldTmp); }

    // A directory that is neither the shared folder nor the refused candidate,
    // inside the shared folder, private to the user.
    void expectPrivateFallback(const QString& sPath)
    {
        EXPECT_NE(sPath, m_sCandidate);
        EXPECT_NE(QDir(sPath).canonicalPath(), QDir(m_tmp.path()).canonicalPath());
        const QFileInfo info(sPath);
        EXPECT_TRUE(info.isDir());
        EXPECT_FALSE(info.isSymLink());
        EXPECT_EQ(info.ownerId(), ::getuid());
        EXPECT_FALSE(info.permissions() & (QFileDevice::ReadOther | QFileDevice::WriteOther));
    }

    QTemporaryDir m_tmp;
    QByteArray m_sOldTmp;
    QString m_sCandidate;
};
} // namespace

TEST_F(FileStorageTest, FirstRequestCreatesAPrivatePerUserDirectoryOnce)
{
    LogCapture log;
    FileStorage::initTempDir();
    const QString sPath = FileStorage::getTempDir();
    EXPECT_EQ(sPath, m_sCandidate);
    const QFileInfo info(sPath);
    EXPECT_TRUE(info.isDir());
    EXPECT_EQ(info.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteOther),
              QFileDevice::Permissions());

    // The second request touches nothing on disk.
    touch(sPath + "/Text_1.png");
    EXPECT_EQ(FileStorage::getTempDir(), sPath);
    EXPECT_TRUE(QFile::exists(sPath + "/Text_1.png"));
    EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join("\n").toStdString();
}

TEST_F(FileStorageTest, AnExistingDirectoryIsEmptiedWithoutComplaint)
{
    ASSERT_TRUE(QDir().mkdir(m_sCandidate));
    touch(m_sCandidate + "/a.png");
    touch(m_sCandidate + "/b.png");
    LogCapture log;
    FileStorage::initTempDir();
    EXPECT_EQ(FileStorage::getTempDir(), m_sCandidate);
    EXPECT_TRUE(QDir(m_sCandidate).isEmpty());
    EXPECT_EQ(log.count("ERROR"), 0) << log.lines().join("\n").toStdString();
}

TEST_F(FileStorageTest, ASubdirectoryIsKeptAndTheRunFallsBack)
{
    ASSERT_TRUE(QDir().mkpath(m_sCandidate + "/sub"));
    touch(m_sCandidate + "/sub/keep.png");
    touch(m_sCandidate + "/a.png");
    LogCapture log;
    FileStorage::initTempDir();
    const QString sPath = FileStorage::getTempDir();
    expectPrivateFallback(sPath);
    EXPECT_TRUE(QFile::exists(m_sCandidate + "/sub/keep.png"));
    EXPECT_FALSE(QFile::exists(m_sCandidate + "/a.png"));
    const QStringList lines = log.lines();
    ASSERT_EQ(lines.size(), 3) << lines.join("\n").toStdString();
    EXPECT_TRUE(lines[0].startsWith("ERROR: ") && lines[0].endsWith("Unable to remove file " + m_sCandidate + "/sub"));
    EXPECT_TRUE(lines[1].startsWith("ERROR: ") && lines[1].endsWith("Unable to remove dir " + m_sCandidate));
    EXPECT_TRUE(lines[2].startsWith("WARNING: ") && lines[2].endsWith("Using fallback temp dir " + sPath));
}

TEST_F(FileStorageTest, ASymbolicLinkIsNeverFollowed)
{
    // Someone points the name at a folder of the user's own.
    QTemporaryDir victim;
    touch(victim.path() + "/precious.txt");
    ASSERT_TRUE(QFile::link(victim.path(), m_sCandidate));
    LogCapture log;
    FileStorage::initTempDir();
    const QString sPath = FileStorage::getTempDir();
    expectPrivateFallback(sPath);
    EXPECT_TRUE(QFile::exists(victim.path() + "/precious.txt"));
    EXPECT_TRUE(QFileInfo(m_sCandidate).isSymLink());
    EXPECT_EQ(log.count("ERROR"), 1);
    EXPECT_EQ(log.count("WARNING"), 1);
}

TEST_F(FileStorageTest, AFolderOfAnotherUserIsNeverEmptied)
{
    if (::geteuid() != 0)
    {
        GTEST_SKIP() << "needs root to give a folder to another user";
    }
    ASSERT_TRUE(QDir().mkdir(m_sCandidate));
    touch(m_sCandidate + "/theirs.png");
    ASSERT_EQ(::chown(QFile::encodeName(m_sCandidate).constData(), 65534, 65534), 0);
    LogCapture log;
    FileStorage::initTempDir();
    expectPrivateFallback(FileStorage::getTempDir());
    EXPECT_TRUE(QFile::exists(m_sCandidate + "/theirs.png"));
    EXPECT_EQ(log.count("ERROR"), 1);
}

TEST(GlobalParameterStoreTest, ReadersGetTheirDefaultsUntilAValueIsStored)
{
    EXPECT_EQ(GlobalParameterStore::getValue(GlobalParameterStore::DOWNSIZED_RESOLUTION, 512), 512);
    EXPECT_EQ(GlobalParameterStore::getValue(GlobalParameterStore::UPSIZED_RESOLUTION, 1024), 1024);
    const QString sHome = PlatformLocations::getHomeLocation();
    EXPECT_EQ(GlobalParameterStore::getValue(GlobalParameterStore::LAST_DIR, sHome), QDir::homePath());
    EXPECT_FALSE(GlobalParameterStore::contains(GlobalParameterStore::LAST_DIR)) << "a read must not insert";

    GlobalParameterStore::setValue(GlobalParameterStore::LAST_DIR, QString("/data/pictures"));
    EXPECT_TRUE(GlobalParameterStore::contains(GlobalParameterStore::LAST_DIR));
    EXPECT_EQ(GlobalParameterStore::getValue(GlobalParameterStore::LAST_DIR, sHome), QString("/data/pictures"));

    GlobalParameterStore::setValue(GlobalParameterStore::NUMBER_OF_VERTICES, 64000);
    EXPECT_EQ(GlobalParameterStore::getValue(GlobalParameterStore::NUMBER_OF_VERTICES, 128000), 64000);
    EXPECT_EQ(GlobalParameterStore::getValue(GlobalParameterStore::NUMBER_OF_VERTICES, 1u), 64000u);
    EXPECT_EQ(GlobalParameterStore::getValue(GlobalParameterStore::NUMBER_OF_VERTICES, 0.0), 64000.0);
    GlobalParameterStore::setValue(GlobalParameterStore::NUMBER_OF_VERTICES, 32000);
    EXPECT_EQ(GlobalParameterStore::getValue(GlobalParameterStore::NUMBER_OF_VERTICES, 128000), 32000);
}

TEST(GlobalParameterStoreTest, ValuesThatDoNotConvertReadAsTheDefault)
{
    GlobalParameterStore::setValue(QString("Text"), QString("abc"));
    EXPECT_EQ(GlobalParameterStore::getValue(QString("Text"), 8), 8);
    EXPECT_EQ(GlobalParameterStore::getValue(QString("Text"), 50.0), 50.0);
    GlobalParameterStore::setValue(QString("Number"), QString("256"));
    EXPECT_EQ(GlobalParameterStore::getValue(QString("Number"), 512), 256);
    GlobalParameterStore::setValue(QString("Scale"), 2.5);
    EXPECT_EQ(GlobalParameterStore::getValue(QString("Scale"), 0.0), 2.5);
    EXPECT_EQ(GlobalParameterStore::getValue(QString("Scale"), 0), 3) << "a double read as int rounds";
}
