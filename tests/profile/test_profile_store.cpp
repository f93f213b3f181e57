#include "profile/ProfileStore.h"

#include "ProfileTestUtil.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <csignal>
#include <functional>
#include <utility>

#include <sys/resource.h>
#include <sys/stat.h>

using ProfileTestUtil::complete;
using ProfileTestUtil::fileBytes;

namespace {
QString configDir()
{
    return TestEnvironment::root() + QStringLiteral("/config/sorvik");
}
} // namespace

TEST(ProfileStore, LivesUnderTheConfigHome)
{
    const QString root = TestEnvironment::fresh();
    EXPECT_EQ(ProfileStore::filePath(), root + QStringLiteral("/config/sorvik/profile.ini"));
}

TEST(ProfileStore, MissingStoreReadsEmptyAndIsNotCreatedByReaders)
{
    TestEnvironment::fresh();
    QString error;
    EXPECT_EQ(ProfileStore::read(QStringLiteral("Company"), &error), QString());
    EXPECT_EQ(ProfileStore::value(QStringLiteral("Company")), QString());
    const auto values = ProfileStore::readAll(false, &error);
    ASSERT_TRUE(values) << error.toStdString();
    EXPECT_EQ(values->size(), 16);
    for (const QString &v : *values)
        EXPECT_TRUE(v.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(ProfileStore::filePath()));
    EXPECT_FALSE(ProfileStore::keyExists());
}

TEST(ProfileStore, ReadAllCanLeaveAnEmptyKeyBehind)
{
    TestEnvironment::fresh();
    const auto values = ProfileStore::readAll(true);
    ASSERT_TRUE(values);
    EXPECT_TRUE(ProfileStore::keyExists());
    EXPECT_EQ(fileBytes(), QByteArray("[Orvane_Y2K]\n"));

    // The key is made once; stored values are kept.
    ASSERT_TRUE(ProfileStore::writeAll(complete()));
    const QByteArray saved = fileBytes();
    ASSERT_TRUE(ProfileStore::readAll(true));
    EXPECT_EQ(fileBytes(), saved);
    EXPECT_EQ(ProfileStore::value(QStringLiteral("Company")), QStringLiteral("Analytical Engines Ltd"));
}

TEST(ProfileStore, WriteAllStoresAll16ValuesOptionalOnesEmpty)
{
    TestEnvironment::fresh();
    ProfileValues values = complete();
    values.remove(QStringLiteral("Title")); // missing counts as empty
    ASSERT_TRUE(ProfileStore::writeAll(values));

    QSettings settings(ProfileStore::filePath(), QSettings::IniFormat);
    EXPECT_EQ(settings.childGroups(), QStringList{QStringLiteral("Orvane_Y2K")});
    settings.beginGroup(QStringLiteral("Orvane_Y2K"));
    QStringList keys = settings.childKeys();
    keys.sort();
    QStringList expected = ProfileStore::storageOrder();
    expected.sort();
    EXPECT_EQ(keys, expected);
    EXPECT_EQ(settings.value(QStringLiteral("Title")).toString(), QString());
    EXPECT_EQ(settings.value(QStringLiteral("Fax")).toString(), QString());
    EXPECT_EQ(settings.value(QStringLiteral("SendTo")).toString(), QStringLiteral("ada@example.org"));

    // An optional value saved empty replaces the earlier text.
    values[QStringLiteral("Fax")] = QStringLiteral("555");
    ASSERT_TRUE(ProfileStore::writeAll(values));
    values[QStringLiteral("Fax")].clear();
    ASSERT_TRUE(ProfileStore::writeAll(values));
    EXPECT_EQ(ProfileStore::value(QStringLiteral("Fax")), QString());
    EXPECT_TRUE(fileBytes().contains("\nFax=\n"));
}

TEST(ProfileStore, ValuesRoundTripExactly)
{
    TestEnvironment::fresh();
    const QStringList texts = {
        QStringLiteral(" "),
        QStringLiteral("  leading and trailing  "),
        QStringLiteral("\"quoted\""),
        QStringLiteral("a;b ; c"),
        QStringLiteral("key=value=more"),
        QStringLiteral("Zürich, Straße 5 – Ōsaka 東京"),
        QStringLiteral("a, b"),
        QStringLiteral("back\\slash \\n"),
        QStringLiteral("@Variant(x)"),
        QStringLiteral("# not a comment"),
        QStringLiteral("[Section]"),
        QStringLiteral("true"),
        QStringLiteral("lower case MIXED"),
    };
    for (const QString &text : texts) {
        ProfileValues values = complete();
        values[QStringLiteral("Address2")] = text;
        values[QStringLiteral("First")] = text;
        ASSERT_TRUE(ProfileStore::writeAll(values));
        EXPECT_EQ(ProfileStore::value(QStringLiteral("Address2")), text) << text.toStdString();
        const auto all = ProfileStore::readAll(false);
        ASSERT_TRUE(all);
        EXPECT_EQ(all->value(QStringLiteral("First")), text) << text.toStdString();
        // Qt's own reader agrees.
        QSettings settings(ProfileStore::filePath(), QSettings::IniFormat);
        EXPECT_EQ(settings.value(QStringLiteral("Orvane_Y2K/Address2")), QVariant(text)) << text.toStdString();
    }
    // What a data file cannot hold is never stored.
    const std::pair<QString, QString> refused[] = {
        {QStringLiteral("\ttab"), QStringLiteral("the control character U+0009")},
        {QStringLiteral("x\ny"), QStringLiteral("a line break")},
        // A byte Windows-1252 leaves undefined: no reader of a data file could map it.
        {QStringLiteral("A\u009dB"), QStringLiteral("the control character U+009D")},
    };
    for (const auto &[text, fault] : refused) {
        ProfileValues values = complete();
        values[QStringLiteral("Address2")] = text;
        QString error;
        EXPECT_FALSE(ProfileStore::writeAll(values, &error));
        EXPECT_EQ(error, QStringLiteral("Cannot save the profile file %1: the value Address2 holds %2")
                             .arg(ProfileStore::filePath(), fault));
        EXPECT_EQ(ProfileStore::value(QStringLiteral("Address2")), QStringLiteral("lower case MIXED"));
    }
}

TEST(ProfileStore, EverySaveMovesTheFileTimeForward)
{
    // Readers in this process reread the file only when its size or time changed; a save of equal
    // length must never leave the time where it was (coarse time stamps, a clock set back).
    TestEnvironment::fresh();
    ProfileValues values = complete();
    ASSERT_TRUE(ProfileStore::writeAll(values));
    const QDateTime ahead = QDateTime::currentDateTimeUtc().addSecs(30);
    {
        QFile file(ProfileStore::filePath());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        ASSERT_TRUE(file.setFileTime(ahead, QFileDevice::FileModificationTime));
    }
    EXPECT_EQ(ProfileStore::value(QStringLiteral("Company")), QStringLiteral("Analytical Engines Ltd"));
    values[QStringLiteral("Company")] = QStringLiteral("Analytical Engines Plc");
    ASSERT_TRUE(ProfileStore::writeAll(values));
    EXPECT_GT(QFileInfo(ProfileStore::filePath()).lastModified(), ahead);
    EXPECT_EQ(ProfileStore::value(QStringLiteral("Company")), QStringLiteral("Analytical Engines Plc"));
}

TEST(ProfileStore, ReadsHandWrittenFiles)
{
    TestEnvironment::fresh();
    QDir().mkpath(configDir());
    QFile file(ProfileStore::filePath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Other]\nKey=1\n\n[Orvane_Y2K]\nCompany=\"  Acme  \"\nCity=a, b\n");
    file.close();
    EXPECT_TRUE(ProfileStore::keyExists());
    EXPECT_EQ(ProfileStore::value(QStringLiteral("Company")), QStringLiteral("  Acme  "));
    EXPECT_EQ(ProfileStore::value(QStringLiteral("City")), QStringLiteral("a, b"));
    EXPECT_EQ(ProfileStore::value(QStringLiteral("Title")), QString());

    // A save keeps what else the file holds.
    ASSERT_TRUE(ProfileStore::writeAll(complete()));
    QSettings settings(ProfileStore::filePath(), QSettings::IniFormat);
    EXPECT_EQ(settings.value(QStringLiteral("Other/Key")).toString(), QStringLiteral("1"));
}

TEST(ProfileStore, AFolderThatCannotBeMadeIsReportedAndNothingIsWritten)
{
    TestEnvironment::fresh();
    // "sorvik" is a file, so the store's folder cannot be made (whoever runs the test).
    QFile blocker(configDir());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    QString error;
    EXPECT_FALSE(ProfileStore::writeAll(complete(), &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Cannot save the profile file ") + ProfileStore::filePath() +
                                 QStringLiteral(": ")))
        << error.toStdString();
    EXPECT_GT(error.size(), (QStringLiteral("Cannot save the profile file : ") + ProfileStore::filePath()).size());

    error.clear();
    EXPECT_FALSE(ProfileStore::readAll(true, &error));
    EXPECT_TRUE(error.contains(ProfileStore::filePath())) << error.toStdString();
    // Readers that do not create anything still see an empty profile.
    EXPECT_EQ(ProfileStore::readAll(false)->value(QStringLiteral("First")), QString());
}

TEST(ProfileStore, AFailedWriteKeepsTheStoredProfile)
{
    TestEnvironment::fresh();
    ASSERT_TRUE(ProfileStore::writeAll(complete()));
    const QByteArray before = fileBytes();

    // Files may not grow past a few bytes, as on a full disk; this stops the superuser as well.
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 16;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    ProfileValues changed = complete();
    changed[QStringLiteral("Company")] = QStringLiteral("Changed");
    QString error;
    const bool written = ProfileStore::writeAll(changed, &error);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(written);
    EXPECT_TRUE(error.contains(ProfileStore::filePath())) << error.toStdString();
    EXPECT_EQ(fileBytes(), before);
    EXPECT_EQ(ProfileStore::value(QStringLiteral("Company")), QStringLiteral("Analytical Engines Ltd"));
    EXPECT_EQ(QDir(configDir()).entryList(QDir::Files), QStringList{QStringLiteral("profile.ini")});
}

TEST(ProfileStore, ReadOnlyFolderKeepsTheStoredProfile)
{
    if (!ProfileTestUtil::permissionsApply())
        GTEST_SKIP() << "permission bits do not apply to the superuser";
    TestEnvironment::fresh();
    ASSERT_TRUE(ProfileStore::writeAll(complete()));
    const QByteArray before = fileBytes();
    QFile::setPermissions(configDir(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    ProfileValues changed = complete();
    changed[QStringLiteral("Company")] = QStringLiteral("Changed");
    QString error;
    EXPECT_FALSE(ProfileStore::writeAll(changed, &error));
    QFile::setPermissions(configDir(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_TRUE(error.contains(QStringLiteral("Permission denied"))) << error.toStdString();
    EXPECT_EQ(fileBytes(), before);
    EXPECT_EQ(ProfileStore::value(QStringLiteral("Company")), QStringLiteral("Analytical Engines Ltd"));
}

TEST(ProfileStore, UnreadableFileIsReportedWithTheReason)
{
    if (!ProfileTestUtil::permissionsApply())
        GTEST_SKIP() << "permission bits do not apply to the superuser";
    TestEnvironment::fresh();
    ASSERT_TRUE(ProfileStore::writeAll(complete()));
    QFile::setPermissions(ProfileStore::filePath(), QFileDevice::WriteOwner);
    QString error;
    EXPECT_EQ(ProfileStore::read(QStringLiteral("Company"), &error), std::nullopt);
    EXPECT_EQ(error, QStringLiteral("Cannot read the profile file ") + ProfileStore::filePath() +
                         QStringLiteral(": Permission denied"));
    EXPECT_FALSE(ProfileStore::writeAll(complete()));
    QFile::setPermissions(ProfileStore::filePath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

TEST(ProfileStore, ADamagedFileIsReportedNotReadAsEmpty)
{
    TestEnvironment::fresh();
    QDir().mkpath(configDir());
    QFile file(ProfileStore::filePath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("\x00\x01\xff[[[ garbage\n\x89PNG\r\n", 18));
    file.close();
    QString error;
    EXPECT_EQ(ProfileStore::read(QStringLiteral("Company"), &error), std::nullopt);
    EXPECT_EQ(error, QStringLiteral("Cannot read the profile file %1: it is damaged").arg(ProfileStore::filePath()));
    // Saving the profile replaces it.
    ASSERT_TRUE(ProfileStore::writeAll(complete(), &error)) << error.toStdString();
    EXPECT_EQ(ProfileStore::readAll(false, &error), complete());
}

TEST(ProfileStore, AFolderInPlaceOfTheFileIsReported)
{
    TestEnvironment::fresh();
    QDir().mkpath(ProfileStore::filePath());
    QString error;
    EXPECT_EQ(ProfileStore::read(QStringLiteral("Company"), &error), std::nullopt);
    EXPECT_TRUE(error.startsWith(QStringLiteral("Cannot read the profile file ") + ProfileStore::filePath()))
        << error.toStdString();
    EXPECT_FALSE(ProfileStore::writeAll(complete()));
    EXPECT_EQ(ProfileStore::value(QStringLiteral("Company")), QString());
}

TEST(ProfileStore, OnlyASmallRegularFileIsRead)
{
    // A pipe would hang every reader when opened; a device or a huge file would fill the memory.
    const std::pair<std::function<void(const QString &)>, QString> stores[] = {
        {[](const QString &path) { ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0); },
         QStringLiteral("it is not a regular file")},
        {[](const QString &path) { ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), path)); },
         QStringLiteral("it is not a regular file")},
        {[](const QString &path) {
             QFile sparse(path);
             ASSERT_TRUE(sparse.open(QIODevice::WriteOnly) && sparse.resize(qint64(8) << 30));
         },
         QStringLiteral("it is larger than 1048576 bytes")},
    };
    for (const auto &[make, reason] : stores) {
        TestEnvironment::fresh();
        QDir().mkpath(configDir());
        make(ProfileStore::filePath());
        const qint64 size = QFileInfo(ProfileStore::filePath()).size();
        QString error;
        EXPECT_EQ(ProfileStore::readAll(true, &error), std::nullopt);
        EXPECT_EQ(error, QStringLiteral("Cannot read the profile file %1: %2").arg(ProfileStore::filePath(), reason));
        EXPECT_FALSE(ProfileStore::writeAll(complete()));
        // Nor is it replaced by a save.
        EXPECT_EQ(QFileInfo(ProfileStore::filePath()).size(), size);
    }
}

TEST(ProfileStore, ASaveThroughALinkKeepsTheLink)
{
    // The store kept with the user's other settings elsewhere, linked into place.
    TestEnvironment::fresh();
    QDir().mkpath(configDir());
    const QString kept = TestEnvironment::root() + QStringLiteral("/dotfiles/profile.ini");
    QDir().mkpath(QFileInfo(kept).absolutePath());
    ASSERT_TRUE(QFile::link(QStringLiteral("../../dotfiles/profile.ini"), ProfileStore::filePath()));
    ASSERT_TRUE(ProfileStore::writeAll(complete()));
    ProfileValues changed = complete();
    changed[QStringLiteral("Company")] = QStringLiteral("Changed");
    ASSERT_TRUE(ProfileStore::writeAll(changed));
    EXPECT_TRUE(QFileInfo(ProfileStore::filePath()).isSymbolicLink());
    EXPECT_EQ(QSettings(kept, QSettings::IniFormat).value(QStringLiteral("Orvane_Y2K/Company")),
              QVariant(QStringLiteral("Changed")));
    EXPECT_EQ(QDir(QFileInfo(kept).absolutePath()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("profile.ini")});
}

TEST(ProfileStore, AValueThatASaveWouldRefuseMakesTheStoreDamaged)
{
    // A hand-edited NUL in the title would reach the data file, a text file; the company asked for is
    // fine.
    TestEnvironment::fresh();
    QDir().mkpath(configDir());
    QFile file(ProfileStore::filePath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const char bytes[] = "[Orvane_Y2K]\nCompany=Acme\nTitle=Chief\0Clerk\n";
    file.write(bytes, sizeof bytes - 1);
    file.close();
    QString error;
    EXPECT_EQ(ProfileStore::read(QStringLiteral("Company"), &error), std::nullopt);
    EXPECT_EQ(error, QStringLiteral("Cannot read the profile file %1: it is damaged (the value Title holds the control "
                                    "character U+0000)")
                         .arg(ProfileStore::filePath()));
    EXPECT_EQ(ProfileStore::readAll(false), std::nullopt);
}
