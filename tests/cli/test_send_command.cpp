// `sorvik send` in the process, with the desktop recorded: what it prints, where the archive goes.
#include "cli/CommandLine.h"
#include "platform/DirectoryShare.h"
#include "platform/Drives.h"
#include "profile/ProfileStore.h"

#include "CommandRun.h"
#include "RecordingDesktop.h"
#include "TestEnvironment.h"
#include "ZipTestTools.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QSettings>

namespace {

CommandRun send(const QStringList &args)
{
    return CommandRun::of(QStringList{QStringLiteral("send")} + args);
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QStringList names(const QString &directory, const QString &mask = QStringLiteral("*"))
{
    return QDir(directory).entryList({mask}, QDir::Files | QDir::Hidden, QDir::Name);
}

// Each archive of the directory as the history and the mail name it: size and SHA-256 of its bytes.
QMap<QString, QPair<qint64, QString>> digests(const QString &directory)
{
    QMap<QString, QPair<qint64, QString>> all;
    for (const QString &name : names(directory, QStringLiteral("*.zip"))) {
        QFile file(directory + QLatin1Char('/') + name);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        all.insert(name, {bytes.size(),
                          QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex())});
    }
    return all;
}

// The archives with the receipt each has beside it on a disk, in the order of a listing.
QStringList withReceipts(const QStringList &archives)
{
    QStringList all;
    for (const QString &archive : archives)
        all << archive << archive + QStringLiteral(".sha256");
    all.sort();
    return all;
}

class SendCommandTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TestEnvironment::fresh();
        output = Drives::hostPath(QStringLiteral("C:\\Orvane\\Sorvik"));
        QSettings settings(ProfileStore::filePath(), QSettings::IniFormat);
        settings.setValue(QStringLiteral("Orvane_Y2K/Company"), QStringLiteral("Acme Tools, Inc."));
        settings.sync();
        writeFile(output + QStringLiteral("/0A1B2C3D.DAT"), "server data\r\n");
    }

    RecordingDesktop desktop;
    QString output;
};

} // namespace

TEST_F(SendCommandTest, DiskCopiesVerifiedAndErasesOnlyARemovableDisk)
{
    // A directory the user names is never erased: refused before anything is touched.
    const QString named = TestEnvironment::root() + QStringLiteral("/named");
    writeFile(named + QStringLiteral("/KEEP.TXT"), "keep");
    CommandRun run = send({QStringLiteral("--disk"), named, QStringLiteral("--erase")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("nothing has been erased, archived or deleted")))
        << run.err.toStdString();
    EXPECT_EQ(names(output), QStringList{QStringLiteral("0A1B2C3D.DAT")});

    // "--disk=PATH" as every option with a value takes it.
    run = send({QStringLiteral("--disk=") + named});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QStringList archives = names(output, QStringLiteral("*.zip"));
    ASSERT_EQ(archives.size(), 1);
    EXPECT_EQ(names(output, QStringLiteral("*.DAT")), QStringList());
    EXPECT_EQ(names(named), withReceipts(archives) << QStringLiteral("KEEP.TXT"));
    // Whoever gets the disk checks it with the receipt; a byte changed on the way shows.
    const QStringList receipt{QStringLiteral("-c"), archives.first() + QStringLiteral(".sha256")};
    const auto checked = ZipTestTools::run(QStringLiteral("sha256sum"), receipt, named);
    ASSERT_TRUE(checked);
    EXPECT_EQ(checked->status, 0) << checked->errors.toStdString();
    QFile onDisk(named + QLatin1Char('/') + archives.first());
    ASSERT_TRUE(onDisk.open(QIODevice::ReadWrite));
    ASSERT_TRUE(onDisk.seek(40) && onDisk.write("#") == 1);
    onDisk.close();
    EXPECT_EQ(ZipTestTools::run(QStringLiteral("sha256sum"), receipt, named)->status, 1);
    const QString archive = output + QLatin1Char('/') + archives.first();
    QProcess sha256sum;
    sha256sum.start(QStringLiteral("sha256sum"), {archive});
    ASSERT_TRUE(sha256sum.waitForFinished());
    const QString digest = QString::fromLatin1(sha256sum.readAllStandardOutput()).section(QLatin1Char(' '), 0, 0);
    EXPECT_EQ(digest.size(), 64);
    for (const QString &line :
         {QStringLiteral("Archive: ") + archive, QStringLiteral("Entries: 1"),
          QStringLiteral("Size: %1 bytes").arg(QFileInfo(archive).size()), QStringLiteral("SHA-256: ") + digest})
        EXPECT_TRUE(run.out.contains(line + QLatin1Char('\n'))) << line.toStdString() << "\n" << run.out.toStdString();

    // Drive A: as the one mounted removable disk: --erase clears it first.
    qunsetenv("SORVIK_DRIVE_A");
    const QString stick = TestEnvironment::root() + QStringLiteral("/media/STICK");
    writeFile(stick + QStringLiteral("/OLD.TXT"), "old");
    desktop.addMedium(stick, QStringLiteral("STICK"));
    writeFile(output + QStringLiteral("/0A1B2C3E.DAT"), "more server data\r\n");
    run = send({QStringLiteral("--disk"), QStringLiteral("--erase")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(names(stick), withReceipts(names(output, QStringLiteral("*.zip"))));
}

TEST_F(SendCommandTest, AnArchiveWithoutDataFilesIsNotSent)
{
    QFile::remove(output + QStringLiteral("/0A1B2C3D.DAT"));
    const QString named = TestEnvironment::root() + QStringLiteral("/named");
    QDir().mkpath(named);
    CommandRun run = send({QStringLiteral("--disk"), named});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("there is nothing to send"))) << run.err.toStdString();
    EXPECT_EQ(names(named), QStringList());
    // Nor is the empty archive left to be copied by a later send.
    EXPECT_EQ(names(output, QStringLiteral("*.zip")), QStringList());

    // An archive that an earlier send could not copy still goes to the disk on the next try.
    writeFile(output + QStringLiteral("/0A1B2C3D.DAT"), "server data\r\n");
    ASSERT_EQ(CommandRun::of({QStringLiteral("archive")}).status, 0);
    ASSERT_EQ(names(output, QStringLiteral("*.zip")).size(), 1);
    // Made in an earlier minute: this send's own archive is a new, empty one.
    const QStringList kept = {QStringLiteral("Acme0101990900.zip")};
    ASSERT_TRUE(QFile::rename(output + QLatin1Char('/') + names(output, QStringLiteral("*.zip")).first(),
                              output + QLatin1Char('/') + kept.first()));
    run = send({QStringLiteral("--disk"), named});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(names(named), withReceipts(kept));
}

TEST_F(SendCommandTest, UploadAndEmailOpenWithADisplayOrSayWhatToDo)
{
    EXPECT_EQ(send({}).status, 2);
    EXPECT_EQ(send({QStringLiteral("--upload"), QStringLiteral("extra")}).status, 2);
    EXPECT_EQ(send({QStringLiteral("--email"), QStringLiteral("--erase")}).status, 2);

    desktop.display = false;
    CommandRun run = send({QStringLiteral("--upload")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QString archive = output + QLatin1Char('/') + names(output, QStringLiteral("*.zip")).value(0);
    EXPECT_TRUE(run.out.contains(
        QStringLiteral("Upload %1 at http://www.orvane.example/year2000/upload1.html\n").arg(archive)));
    EXPECT_TRUE(desktop.calls.isEmpty());

    desktop.display = true;
    writeFile(output + QStringLiteral("/0A1B2C3E.DAT"), "more server data\r\n");
    run = send({QStringLiteral("--email")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(desktop.calls,
              QStringList{QStringLiteral("mail y2kdata@orvane.example | Year 2000 Assessment | ") + archive});
    // The body names each archive with its size and digest, for the receiver to check.
    const auto sent = digests(output);
    for (auto it = sent.cbegin(); it != sent.cend(); ++it)
        EXPECT_TRUE(
            desktop.mailBodies.value(0).contains(QStringLiteral("%1\nSize: %2 bytes").arg(it.key()).arg(it->first) +
                                                 QStringLiteral("\nSHA-256: ") + it->second))
            << desktop.mailBodies.value(0).toStdString();

    // Handed to the mail program is not sent; a data file whose name cannot be stored is kept, and
    // with --json the message points at the object's list, not at lines that are not printed.
    writeFile(output + QStringLiteral("/BAD?.DAT"), "kept");
    run = send({QStringLiteral("--email"), QStringLiteral("--json")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("(see \"kept\")"))) << run.err.toStdString();
    const QJsonObject object = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_EQ(object.value(QStringLiteral("handedTo")), QJsonValue(QStringLiteral("mailProgram")));
    EXPECT_EQ(object.value(QStringLiteral("sent")), QJsonValue(false));
    EXPECT_EQ(object.value(QStringLiteral("kept")).toArray().size(), 1);

    // Data files above 20 MB (1 MB = 1000000 bytes) are warned of before the build; the mail goes on.
    writeFile(output + QStringLiteral("/0A1B2C3F.DAT"), QByteArray(20 * 1000 * 1000 + 1, 'x'));
    run = send({QStringLiteral("--email")});
    EXPECT_EQ(run.status, 1) << run.err.toStdString(); // BAD?.DAT is still kept
    EXPECT_TRUE(run.err.contains(QStringLiteral("may be as large as %1 bytes (20.0 MB)").arg(20 * 1000 * 1000 + 5)))
        << run.err.toStdString();
    EXPECT_EQ(desktop.calls.size(), 3);
}

TEST_F(SendCommandTest, ADiskIsDoneOnlyWithThisSendsArchiveOnIt)
{
    const QString named = TestEnvironment::root() + QStringLiteral("/named");
    QDir().mkpath(named);
    ASSERT_EQ(send({QStringLiteral("--disk"), named}).status, 0);
    // A second send grows the archive (the same minute) or makes a new one: either way the disk ends
    // with every archive as it is now, the grown one in place of its older copy.
    writeFile(output + QStringLiteral("/0A1B2C3E.DAT"), "more server data\r\n");
    CommandRun run = send({QStringLiteral("--disk"), named});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QStringList archives = names(output, QStringLiteral("*.zip"));
    EXPECT_EQ(names(named), withReceipts(archives));
    for (const QString &name : archives) {
        QFile original(output + QLatin1Char('/') + name);
        QFile copy(named + QLatin1Char('/') + name);
        ASSERT_TRUE(original.open(QIODevice::ReadOnly) && copy.open(QIODevice::ReadOnly));
        EXPECT_EQ(copy.readAll(), original.readAll()) << name.toStdString();
    }

    // A name on the disk that is a link back to the output directory's archive is no copy of it.
    const QString archive = archives.first();
    QFile::remove(named + QLatin1Char('/') + archive);
    ASSERT_TRUE(QFile::link(output + QLatin1Char('/') + archive, named + QLatin1Char('/') + archive));
    run = send({QStringLiteral("--disk"), named});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(archive + QStringLiteral(": ") + archive + QStringLiteral(" on the disk is a link")))
        << run.err.toStdString();
    EXPECT_TRUE(QFileInfo(named + QLatin1Char('/') + archive).isSymLink());
}

TEST_F(SendCommandTest, AnotherSendsCopyInTheMakingStaysOnTheDisk)
{
    const QString named = TestEnvironment::root() + QStringLiteral("/named");
    const QString copy = named + QStringLiteral("/.sorvik-copy-a1B2c3.tmp");
    writeFile(copy, "another send's copy, half written");
    {
        // The other send holds the disk while it copies.
        DirectoryShare other(named);
        other.share();
        ASSERT_EQ(send({QStringLiteral("--disk"), named}).status, 0);
        EXPECT_TRUE(QFileInfo::exists(copy));
    }
    // With no send at work on the disk it is what a killed one left.
    writeFile(output + QStringLiteral("/0A1B2C3E.DAT"), "more server data\r\n");
    ASSERT_EQ(send({QStringLiteral("--disk"), named}).status, 0);
    EXPECT_FALSE(QFileInfo::exists(copy));
}

TEST_F(SendCommandTest, OnlyReadableArchivesGoAndTheUsersOwnAreNotRenamed)
{
    // The user's own: a sound archive under a side name, one under a name of their own, and a ZIP in
    // name only.
    QFile::remove(output + QStringLiteral("/0A1B2C3D.DAT"));
    QProcess python;
    python.start(QStringLiteral("python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import sys, zipfile\n"
                                 "for name in sys.argv[1:]:\n"
                                 "    with zipfile.ZipFile(name, 'w') as z: z.writestr('a', 'b')"),
                  output + QStringLiteral("/Photos.zip.old"), output + QStringLiteral("/Notes.zip")});
    if (!python.waitForFinished() || python.exitCode() != 0)
        GTEST_SKIP() << "python3 is not installed";
    writeFile(output + QStringLiteral("/Report.zip"), "Q3 figures");
    const QString named = TestEnvironment::root() + QStringLiteral("/named");
    QDir().mkpath(named);

    const CommandRun run = send({QStringLiteral("--disk"), named});

    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(names(named), withReceipts({QStringLiteral("Notes.zip")}));
    EXPECT_EQ(names(output), (QStringList{QStringLiteral("Notes.zip"), QStringLiteral("Photos.zip.old"),
                                          QStringLiteral("Report.zip")}));
    const QString all = run.out + run.err;
    EXPECT_TRUE(all.contains(QStringLiteral("Report.zip (%1/Report.zip) is not a ZIP archive that can be read; it "
                                            "is not sent")
                                 .arg(output)))
        << all.toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("Notes.zip is sent as well"))) << all.toStdString();
}

TEST_F(SendCommandTest, TheHistoryListsEverySendNewestFirstWithItsDigests)
{
    CommandRun run = send({QStringLiteral("--history"), QStringLiteral("--json")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(run.out.toUtf8()).array(), QJsonArray());
    EXPECT_EQ(send({QStringLiteral("--history"), QStringLiteral("--upload")}).status, 2);

    // Three sends, each with the archives that went as they were then.
    const QString named = TestEnvironment::root() + QStringLiteral("/named");
    QDir().mkpath(named);
    desktop.display = false;
    QList<QMap<QString, QPair<qint64, QString>>> went;
    for (const QStringList &args : {QStringList{QStringLiteral("--upload")}, QStringList{QStringLiteral("--email")},
                                    QStringList{QStringLiteral("--disk"), named}}) {
        writeFile(output + QStringLiteral("/0A1B2C3%1.DAT").arg(went.size()), "server data\r\n");
        desktop.display = args.first() == QLatin1String("--email");
        ASSERT_EQ(send(args).status, 0) << args.first().toStdString();
        went.prepend(digests(output));
    }

    run = send({QStringLiteral("--history"), QStringLiteral("--json")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QJsonArray history = QJsonDocument::fromJson(run.out.toUtf8()).array();
    ASSERT_EQ(history.size(), 3) << run.out.toStdString();
    const QStringList channels{QStringLiteral("disk"), QStringLiteral("email"), QStringLiteral("upload")};
    const QList<QJsonValue> handedTo{QJsonValue(), QJsonValue(QStringLiteral("mailProgram")), QJsonValue()};
    for (int i = 0; i < 3; ++i) {
        const QJsonObject record = history[i].toObject();
        EXPECT_EQ(record.value(QStringLiteral("channel")).toString(), channels[i]);
        EXPECT_EQ(record.value(QStringLiteral("status")).toString(), QStringLiteral("sent"));
        EXPECT_EQ(record.value(QStringLiteral("handedTo")), handedTo[i]);
        QMap<QString, QPair<qint64, QString>> listed;
        for (const QJsonValue &value : record.value(QStringLiteral("archives")).toArray()) {
            const QJsonObject archive = value.toObject();
            listed.insert(archive.value(QStringLiteral("name")).toString(),
                          {qint64(archive.value(QStringLiteral("size")).toDouble()),
                           archive.value(QStringLiteral("sha256")).toString()});
            EXPECT_EQ(archive.value(QStringLiteral("verifiedOn")), i == 0 ? QJsonValue(named) : QJsonValue());
        }
        EXPECT_EQ(listed, went[i]) << channels[i].toStdString();
    }
}

TEST_F(SendCommandTest, ADamagedOrUnreadableHistoryIsWarnedOfAndTheSendGoesOn)
{
    const QString named = TestEnvironment::root() + QStringLiteral("/named");
    QDir().mkpath(named);
    const QString history = TestEnvironment::root() + QStringLiteral("/state/sorvik/send-history.jsonl");
    // Garbage, and a last line an interrupted append left unfinished.
    writeFile(history, "garbage\n{\"time\":\"2026-01-01T00:00:00Z\",\"chan");
    CommandRun run = send({QStringLiteral("--disk"), named});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("has 2 damaged lines"))) << run.err.toStdString();
    run = send({QStringLiteral("--history"), QStringLiteral("--json")});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.err.contains(QStringLiteral("has 2 damaged lines"))) << run.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(run.out.toUtf8()).array().size(), 1) << run.out.toStdString();

    // A directory in the file's place cannot be read nor written, whoever runs the test.
    QFile::remove(history);
    QDir().mkpath(history);
    writeFile(output + QStringLiteral("/0A1B2C3E.DAT"), "more server data\r\n");
    run = send({QStringLiteral("--disk"), named});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("This send is not in the send history"))) << run.err.toStdString();
    EXPECT_EQ(names(named, QStringLiteral("*.zip")), names(output, QStringLiteral("*.zip")));
}
