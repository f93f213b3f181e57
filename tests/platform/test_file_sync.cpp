#include "platform/FileSync.h"

#include "TestEnvironment.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>

namespace {

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QString openFailure(const QString &path)
{
    QFile file(path);
    QString reason;
    return FileSync::openReadOnlyNoFollow(file, &reason) ? QStringLiteral("(opened)") : reason;
}

} // namespace

TEST(FileSync, OpensOnlyARegularFileItself)
{
    const QString c = TestEnvironment::fresh() + QStringLiteral("/drive_c");
    const QString file = c + QStringLiteral("/10123.DAT");
    writeBytes(file, "data\r\n");
    const QString link = c + QStringLiteral("/LINK.DAT");
    QFile::link(file, link);
    const QString pipe = c + QStringLiteral("/PIPE.DAT");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);

    EXPECT_TRUE(FileSync::isRegularFileNoFollow(file));
    for (const QString &other : {link, pipe, c, c + QStringLiteral("/NONE.DAT")})
        EXPECT_FALSE(FileSync::isRegularFileNoFollow(other)) << qPrintable(other);
    EXPECT_TRUE(FileSync::sameFile(link, file));
    EXPECT_FALSE(FileSync::sameFile(pipe, file));

    EXPECT_EQ(openFailure(link), QStringLiteral("Is a symbolic link"));
    // Not waiting for a writer to come to the pipe.
    EXPECT_EQ(openFailure(pipe), QStringLiteral("Not a regular file"));
    EXPECT_EQ(openFailure(c), QStringLiteral("Not a regular file"));
    EXPECT_EQ(openFailure(c + QStringLiteral("/NONE.DAT")), QString::fromLocal8Bit(std::strerror(ENOENT)));

    QFile readable(file);
    ASSERT_TRUE(FileSync::openReadOnlyNoFollow(readable));
    EXPECT_EQ(readable.fileName(), file);
    EXPECT_EQ(readable.readAll(), QByteArray("data\r\n"));
}

TEST(FileSync, RenameNoReplaceLeavesWhatHasTheName)
{
    const QString c = TestEnvironment::fresh() + QStringLiteral("/drive_c");
    const QString from = c + QStringLiteral("/.sorvik-copy-AbC123.tmp");
    const QString taken = c + QStringLiteral("/1209261203Acme.zip");
    writeBytes(from, "new");
    writeBytes(taken, "old");
    const QString dangling = c + QStringLiteral("/Dangling.zip");
    QFile::link(c + QStringLiteral("/nowhere"), dangling);

    EXPECT_EQ(FileSync::renameNoReplace(from, taken), QString::fromLocal8Bit(std::strerror(EEXIST)));
    EXPECT_EQ(FileSync::renameNoReplace(from, dangling), QString::fromLocal8Bit(std::strerror(EEXIST)));
    QFile kept(taken);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("old"));
    EXPECT_FALSE(QFile::exists(c + QStringLiteral("/nowhere")));

    EXPECT_EQ(FileSync::renameNoReplace(from, c + QStringLiteral("/1209261204Acme.zip")), std::nullopt);
    EXPECT_FALSE(QFile::exists(from));
    EXPECT_TRUE(QFile::exists(c + QStringLiteral("/1209261204Acme.zip")));
}
