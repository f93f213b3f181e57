#include "platform/DirectoryLock.h"

#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <gtest/gtest.h>

namespace {

const QString kShown = QStringLiteral("C:\\Orvane\\Sorvik");

// The output directory of a fresh environment, made, with a link ".../Mapped" leading to it.
struct Spellings
{
    QString real;
    QString link;
};

Spellings spellings()
{
    const QString root = TestEnvironment::fresh();
    Spellings s{root + QStringLiteral("/drive_c/Orvane/Sorvik"), root + QStringLiteral("/drive_c/Mapped")};
    QDir().mkpath(s.real);
    QFile::link(s.real, s.link);
    return s;
}

QString refusal(const QString &directory)
{
    DirectoryLock second(directory, kShown);
    return second.tryLock() ? QStringLiteral("(locked)") : second.errorString();
}

} // namespace

TEST(DirectoryLock, EverySpellingOfOneDirectoryMeetsTheSameLock)
{
    const Spellings s = spellings();
    const QString inUse = QStringLiteral("C:\\Orvane\\Sorvik is in use by another Sorvik session (process %1); end "
                                         "that one first")
                              .arg(QCoreApplication::applicationPid());
    {
        DirectoryLock held(s.link, kShown);
        ASSERT_TRUE(held.tryLock()) << qPrintable(held.errorString());
        // The plain spelling keeps its lock file beside the directory.
        EXPECT_EQ(DirectoryLock::lockFilePath(s.link), s.real + QStringLiteral(".lock"));
        EXPECT_TRUE(QFileInfo(s.real + QStringLiteral(".lock")).isFile());
        EXPECT_EQ(refusal(s.real), inUse);
        EXPECT_EQ(refusal(s.real + QStringLiteral("/../Sorvik")), inUse);
        EXPECT_EQ(refusal(s.link + QStringLiteral("/")), inUse);
    }
    // A directory not made yet, below a link: the part that exists is resolved.
    EXPECT_EQ(DirectoryLock::lockFilePath(s.link + QStringLiteral("/New/../Later")),
              s.real + QStringLiteral("/Later.lock"));

    // The directory itself is locked too: a way to it that no resolving finds (a bind mount, here a
    // session whose lock file has gone) is refused as well.
    DirectoryLock held(s.real, kShown);
    ASSERT_TRUE(held.tryLock()) << qPrintable(held.errorString());
    ASSERT_TRUE(QFile::remove(DirectoryLock::lockFilePath(s.real)));
    EXPECT_EQ(refusal(s.link),
              QStringLiteral("C:\\Orvane\\Sorvik is in use by another Sorvik session; end that one first"));
    held.unlock();
    EXPECT_EQ(refusal(s.link), QStringLiteral("(locked)"));
}

TEST(DirectoryLock, StaleAndEmptyLockFilesAreTakenOver)
{
    const Spellings s = spellings();
    const QString lockFile = DirectoryLock::lockFilePath(s.real);
    {
        // Named by a process that no longer runs.
        QFile stale(lockFile);
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        stale.write("2147483646\nsorvik\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    }
    EXPECT_EQ(refusal(s.real), QStringLiteral("(locked)"));
    {
        // Named by nobody: a session killed right after making it, a while ago.
        QFile empty(lockFile);
        ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
        empty.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime);
    }
    EXPECT_EQ(refusal(s.real), QStringLiteral("(locked)"));
}

TEST(DirectoryLock, LockFileThatIsNoFileIsReportedNotFollowed)
{
    const Spellings s = spellings();
    const QString lockFile = DirectoryLock::lockFilePath(s.real);
    const QString notOurs = QStringLiteral("C:\\Orvane\\Sorvik cannot be locked for this session: %1 is not a Sorvik "
                                           "lock file: remove it")
                                .arg(QDir::toNativeSeparators(lockFile));
    ASSERT_TRUE(QDir().mkdir(lockFile));
    EXPECT_EQ(refusal(s.real), notOurs);
    ASSERT_TRUE(QDir().rmdir(lockFile));

    const QString elsewhere = TestEnvironment::root() + QStringLiteral("/data/elsewhere");
    ASSERT_TRUE(QFile::link(elsewhere, lockFile));
    EXPECT_EQ(refusal(s.real), notOurs);
    EXPECT_FALSE(QFileInfo::exists(elsewhere));
    EXPECT_TRUE(QFileInfo(lockFile).isSymLink());
}
