#include "platform/AtomicFile.h"

#include "TestEnvironment.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/resource.h>

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QStringList everything(const QString &directory)
{
    return QDir(directory).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

} // namespace

TEST(AtomicFile, FailedWriteKeepsTheEarlierFile)
{
    const QString directory = TestEnvironment::fresh() + QStringLiteral("/drive_c");
    const QString target = directory + QStringLiteral("/01A2005C.DAT");
    writeBytes(target, "the earlier run's data\r\n");

    // Files may not grow past a few bytes, as on a full disk; this stops the superuser as well.
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 16;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    bool committed = true;
    {
        AtomicFile file(target);
        if (file.open()) {
            file.write(QByteArray(70000, 'x'));
            committed = file.commit();
        }
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(committed);
    EXPECT_EQ(bytesOf(target), QByteArray("the earlier run's data\r\n"));
    EXPECT_EQ(everything(directory), QStringList{QStringLiteral("01A2005C.DAT")});
}

TEST(AtomicFile, RenameFailureRemovesTheTemporary)
{
    const QString directory = TestEnvironment::fresh() + QStringLiteral("/drive_c");
    // A directory that holds a file cannot be replaced by a file.
    const QString target = directory + QStringLiteral("/01A2005C.DAT");
    ASSERT_TRUE(QDir().mkdir(target));
    writeBytes(target + QStringLiteral("/inside"), "kept");

    AtomicFile file(target);
    ASSERT_TRUE(file.open());
    ASSERT_TRUE(file.write("complete data\r\n"));
    EXPECT_FALSE(file.commit());
    EXPECT_TRUE(file.renameFailed());
    EXPECT_FALSE(file.errorString().isEmpty());
    EXPECT_EQ(everything(directory), QStringList{QStringLiteral("01A2005C.DAT")});
    EXPECT_EQ(bytesOf(target + QStringLiteral("/inside")), QByteArray("kept"));
}

TEST(AtomicFile, TemporaryNamesAreOnlyItsOwn)
{
    // ".sorvik-" + the data file's name + "." + the six letters or digits QTemporaryFile puts for "XXXXXX".
    EXPECT_TRUE(AtomicFile::isTemporaryName(QStringLiteral(".sorvik-01A2005C.DAT.AbC123")));
    EXPECT_TRUE(AtomicFile::isTemporaryName(QStringLiteral(".sorvik-Q_R.DAT.zzzzzz")));
    // A user's own files that merely start alike stay.
    for (const char *name :
         {".sorvik-profile.backup", ".sorvik-mail.draft1", ".sorvik-notes.dat.AbC123", ".sorvik-.DAT.AbC123",
          ".sorvik-X.DAT.AbC12", ".sorvik-X.DAT.AbC1234", "sorvik-X.DAT.AbC123"})
        EXPECT_FALSE(AtomicFile::isTemporaryName(QString::fromLatin1(name))) << name;
    EXPECT_TRUE(AtomicFile::isTemporaryName(QStringLiteral(".sorvik-profile.ini.Zx9Qw2"), QStringLiteral(".ini")));
    EXPECT_FALSE(AtomicFile::isTemporaryName(QStringLiteral(".sorvik-profile.ini.Zx9Qw2")));
}
