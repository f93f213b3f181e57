// Each case of a send through the one use case, and what its two faces make of it: the disk window
// ends with "Done Creating Floppy" exactly when `sorvik send --disk` exits 0, exactly when the use
// case says the archives are on the medium.
#include "platform/Drives.h"
#include "profile/ProfileStore.h"
#include "send/SendContext.h"
#include "send/Sending.h"
#include "send/widgets/TfrmDisk.h"

#include "CommandRun.h"
#include "RecordingDesktop.h"
#include "RecordingInteraction.h"
#include "RecordingResults.h"
#include "TestEnvironment.h"
#include "ZipTestTools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <gtest/gtest.h>

#include <functional>

namespace {

QString outputHost()
{
    return Drives::hostPath(QStringLiteral("C:\\Orvane\\Sorvik"));
}
QString floppyHost()
{
    return Drives::hostPath(QStringLiteral("A:\\"));
}

using ZipTestTools::readFile;
using ZipTestTools::writeFile;

// An archive of one stored entry "OLD.DAT" holding "old\r\n", as an earlier send left it; the bytes
// are laid out by hand from the ZIP format (CRC-32 of "old\r\n" is 0xB615AB95, checked with Python's
// zlib.crc32).
QByteArray earlierArchive()
{
    auto le16 = [](quint16 v) { return QByteArray(1, char(v & 0xFF)) + QByteArray(1, char(v >> 8)); };
    auto le32 = [&](quint32 v) { return le16(quint16(v & 0xFFFF)) + le16(quint16(v >> 16)); };
    const QByteArray name("OLD.DAT");
    const QByteArray data("old\r\n");
    const quint32 crc = 0xB615AB95;
    const QByteArray common = le16(10) + le16(0) + le16(0) + le16(0) + le16(0x21) + le32(crc) + le32(5) + le32(5) +
                              le16(quint16(name.size())) + le16(0);
    const QByteArray local = le32(0x04034B50) + common + name + data;
    const QByteArray central =
        le32(0x02014B50) + le16(20) + common + le16(0) + le16(0) + le16(0) + le32(0) + le32(0) + name;
    const QByteArray end = le32(0x06054B50) + le16(0) + le16(0) + le16(1) + le16(1) + le32(quint32(central.size())) +
                           le32(quint32(local.size())) + le16(0);
    return local + central + end;
}

struct Case
{
    const char *name;
    std::function<void()> arrange; // after the fresh sandbox with a company and one data file
    Sending::Status expected;
};

class SendingCase : public ::testing::TestWithParam<Case>
{
protected:
    // A fresh sandbox: the company in the profile, one data file waiting, drive A: mapped.
    void arrange()
    {
        TestEnvironment::fresh();
        QSettings settings(ProfileStore::filePath(), QSettings::IniFormat);
        settings.setValue(QStringLiteral("Orvane_Y2K/Company"), QStringLiteral("Acme Tools, Inc."));
        settings.sync();
        writeFile(outputHost() + QStringLiteral("/0A1B2C3D.DAT"), "server data\r\n");
        writeFile(floppyHost() + QStringLiteral("/KEEP.TXT"), "on the disk before\r\n");
        GetParam().arrange();
    }

    RecordingDesktop desktop;
};

} // namespace

TEST_P(SendingCase, UseCaseCommandAndWindowAgree)
{
    const Case &c = GetParam();

    arrange();
    RecordingInteraction interaction;
    RecordingResults results;
    const Sending::Outcome outcome =
        Sending::send(interaction, results, Sending::Channel::Disk, Drives::driveRoot(QLatin1Char('A')));
    EXPECT_EQ(outcome.status, c.expected);
    if (outcome.status == Sending::Status::Sent) {
        ASSERT_FALSE(outcome.verified.isEmpty());
        for (const QString &archive : outcome.verified)
            EXPECT_EQ(readFile(floppyHost() + QLatin1Char('/') + QFileInfo(archive).fileName()), readFile(archive));
    } else {
        EXPECT_FALSE(outcome.reason.isEmpty());
    }

    arrange();
    const CommandRun command = CommandRun::of({QStringLiteral("send"), QStringLiteral("--disk")});
    EXPECT_EQ(command.status, c.expected == Sending::Status::Sent ? 0 : 1) << command.err.toStdString();
    const bool refused = c.expected == Sending::Status::NothingToSend ||
                         c.expected == Sending::Status::ProfileUnreadable ||
                         c.expected == Sending::Status::MediumTooSmall;
    // A refusal comes before the disk is touched.
    if (refused)
        EXPECT_EQ(QDir(floppyHost()).entryList(QDir::Files), QStringList{QStringLiteral("KEEP.TXT")});

    arrange();
    RecordingInteraction windowInteraction;
    int mainWindowCloses = 0;
    TfrmDisk disk(SendContext{windowInteraction, results, [&] { ++mainWindowCloses; }});
    windowInteraction.queueAnswer(Interaction::Answer::Ok); // "Insert diskette"
    windowInteraction.queueAnswer(Interaction::Answer::Ok); // "WARNING - All data will be erased"
    disk.Button1Click();
    const bool done = windowInteraction.texts().join(QLatin1Char('|')).contains(QStringLiteral("Done Creating Floppy"));
    EXPECT_EQ(done, c.expected == Sending::Status::Sent);
    EXPECT_EQ(mainWindowCloses, done ? 1 : 0);
    // Told to erase, the window still erases nothing when the send is refused.
    if (refused)
        EXPECT_EQ(QDir(floppyHost()).entryList(QDir::Files), QStringList{QStringLiteral("KEEP.TXT")});
    // Refused for want of room, the data file is in the archive kept for another channel or disk.
    if (c.expected == Sending::Status::MediumTooSmall) {
        const QStringList kept = QDir(outputHost()).entryList({QStringLiteral("*.zip")}, QDir::Files);
        ASSERT_EQ(kept.size(), 1);
        const auto archive = ZipTestTools::pythonZipfile(outputHost() + QLatin1Char('/') + kept.first());
        if (archive) {
            ASSERT_EQ(archive->entries.size(), 1u);
            EXPECT_EQ(archive->entries[0].name, QStringLiteral("0A1B2C3D.DAT"));
        }
        EXPECT_FALSE(QFileInfo::exists(outputHost() + QStringLiteral("/0A1B2C3D.DAT")));
    }
    // Nothing is left behind in the output directory that would later be sent as an archive.
    for (const QString &zip : QDir(outputHost()).entryList({QStringLiteral("*.zip")}, QDir::Files))
        EXPECT_GT(QFileInfo(outputHost() + QLatin1Char('/') + zip).size(), 0) << zip.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    EachCase, SendingCase,
    ::testing::Values(
        Case{"NoDataFiles", [] { QFile::remove(outputHost() + QStringLiteral("/0A1B2C3D.DAT")); },
             Sending::Status::NothingToSend},
        Case{"OnlyALinkedDataFile",
             [] {
                 // A link named like a data file is none: it would pack what lies elsewhere.
                 QFile::remove(outputHost() + QStringLiteral("/0A1B2C3D.DAT"));
                 writeFile(TestEnvironment::root() + QStringLiteral("/elsewhere.DAT"), "not ours\r\n");
                 QFile::link(TestEnvironment::root() + QStringLiteral("/elsewhere.DAT"),
                             outputHost() + QStringLiteral("/LINK.DAT"));
             },
             Sending::Status::NothingToSend},
        Case{"OnlyEarlierArchives",
             [] {
                 QFile::remove(outputHost() + QStringLiteral("/0A1B2C3D.DAT"));
                 writeFile(outputHost() + QStringLiteral("/AcmeToolsInc1208261130.zip"), earlierArchive());
             },
             Sending::Status::Sent},
        Case{"UnreadableProfile",
             [] {
                 QFile::remove(ProfileStore::filePath());
                 QDir().mkpath(ProfileStore::filePath());
             },
             Sending::Status::ProfileUnreadable},
        Case{"MediumMissing", [] { QDir(floppyHost()).removeRecursively(); }, Sending::Status::DriveNotReady},
        Case{"CopyFailed",
             [] {
                 // The disk holds a folder under the earlier archive's name (erasing the disk leaves
                 // folders): it stays, and that archive is not on the disk.
                 writeFile(outputHost() + QStringLiteral("/AcmeToolsInc1208261130.zip"), earlierArchive());
                 QDir().mkpath(floppyHost() + QStringLiteral("/AcmeToolsInc1208261130.zip"));
             },
             Sending::Status::NotOnMedium},
        Case{"MediumTooSmall", [] { qputenv("SORVIK_MEDIUM_FREE_BYTES", "0"); }, Sending::Status::MediumTooSmall},
        Case{"CopyVerified", [] {}, Sending::Status::Sent}),
    [](const ::testing::TestParamInfo<Case> &info) { return std::string(info.param.name); });
