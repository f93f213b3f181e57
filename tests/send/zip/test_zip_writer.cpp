#include "ZipTestTools.h"

#include "platform/Drives.h"
#include "send/zip/ZipError.h"
#include "send/zip/ZipNames.h"
#include "send/zip/ZipWriter.h"

#include "RecordingInteraction.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>

using namespace ZipTestTools;

namespace {

const QString kDirectory = QStringLiteral("C:\\Orvane\\Sorvik");
const QString kArchive = QStringLiteral("C:\\Orvane\\Sorvik\\Test.zip");
const QDateTime kWritten(QDate(2026, 12, 8), QTime(14, 5, 31));

QString host(const QString &windowsPath)
{
    return Drives::hostPath(windowsPath);
}

void writeData(const QString &name, const QByteArray &content)
{
    writeFile(host(kDirectory + QLatin1Char('\\') + name), content, kWritten);
}

class ZipWriterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TestEnvironment::fresh();
        QDir().mkpath(host(kDirectory));
    }

    // A writer as the program sets it up.
    std::unique_ptr<TZipWriter> open(const QString &archive = kArchive, bool autoSave = true)
    {
        auto writer = std::make_unique<TZipWriter>(&m_interaction);
        writer->SetAutoSave(autoSave);
        writer->SetFileName(archive);
        writer->SetBaseDirectory(kDirectory);
        return writer;
    }

    QStringList pyNames(const QString &hostPath)
    {
        QStringList names;
        if (const auto archive = pythonZipfile(hostPath))
            for (const PyEntry &entry : archive->entries)
                names.append(entry.name);
        return names;
    }

    RecordingInteraction m_interaction;
};

} // namespace

TEST_F(ZipWriterTest, OneThreeByteFileGivesTheWorkedExample)
{
    writeData(QStringLiteral("A.DAT"), "abc");
    auto writer = open();
    writer->AddFiles(QStringLiteral("A.DAT"), 0);
    writer->Save();
    writer->SetFileName(QString());

    // Time 14:05:30 = 0x70AF, date 8 Dec 2026 = 0x5D88, CRC-32 of "abc" 0x352441C2.
    const QByteArray expected = QByteArray::fromHex("504b0304"
                                                    "0a00"
                                                    "0000"
                                                    "0000"
                                                    "af70"
                                                    "885d"
                                                    "c2412435"
                                                    "03000000"
                                                    "03000000"
                                                    "0500"
                                                    "0000"
                                                    "412e444154"
                                                    "616263"
                                                    "504b0102"
                                                    "1400"
                                                    "0a00"
                                                    "0000"
                                                    "0000"
                                                    "af70"
                                                    "885d"
                                                    "c2412435"
                                                    "03000000"
                                                    "03000000"
                                                    "0500"
                                                    "0000"
                                                    "0000"
                                                    "0000"
                                                    "0100"
                                                    "20000000"
                                                    "00000000"
                                                    "412e444154"
                                                    "504b0506"
                                                    "0000"
                                                    "0000"
                                                    "0100"
                                                    "0100"
                                                    "33000000"
                                                    "26000000"
                                                    "0000");
    ASSERT_EQ(expected.size(), 111);
    const QByteArray written = readFile(host(kArchive));
    EXPECT_EQ(written.toHex(), expected.toHex());
    EXPECT_ARCHIVE_SOUND(host(kArchive));
}

TEST_F(ZipWriterTest, ThreeFilesAddedInTurnAreWrittenThreeTimes)
{
    const QByteArray contents[] = {reportText(50000, 1), reportText(70000, 2), "short"};
    writeData(QStringLiteral("01A2005C.DAT"), contents[0]);
    writeData(QStringLiteral("01A2005D.DAT"), contents[1]);
    writeData(QStringLiteral("01A2005E.DAT"), contents[2]);
    auto writer = open();
    int saves = 0;
    writer->OnConfirmSave = [&] {
        ++saves;
        return true;
    };
    writer->AddFiles(QStringLiteral("01A2005C.DAT"), 0);
    writer->AddFiles(QStringLiteral("01A2005D.DAT"), 0);
    writer->AddFiles(QStringLiteral("01A2005E.DAT"), 0);
    writer->Save();
    EXPECT_EQ(saves, 3);
    writer->SetFileName(QString());

    const QByteArray written = readFile(host(kArchive));
    EXPECT_EQ(u32(written, 0), 0x04034B50u);
    const qsizetype end = written.size() - 22;
    EXPECT_EQ(u32(written, end), 0x06054B50u);
    EXPECT_EQ(u16(written, end + 8), 3);
    EXPECT_EQ(u16(written, end + 10), 3);
    EXPECT_EQ(u32(written, end + 16) + u32(written, end + 12), std::uint32_t(end));

    EXPECT_ARCHIVE_SOUND(host(kArchive));
    const auto archive = pythonZipfile(host(kArchive));
    ASSERT_EQ(archive->entries.size(), 3u);
    const char *names[] = {"01A2005C.DAT", "01A2005D.DAT", "01A2005E.DAT"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(archive->entries[i].name, QLatin1String(names[i]));
        EXPECT_EQ(archive->entries[i].content, contents[i]);
    }
    EXPECT_EQ(archive->entries[0].headerOffset, 0);
    EXPECT_EQ(archive->entries[0].method, 8);
    EXPECT_EQ(archive->entries[2].method, 0); // five bytes do not shrink
}

TEST_F(ZipWriterTest, ReopenedArchiveKeepsItsEntriesInFrontAndLeavesDuplicatesOut)
{
    writeData(QStringLiteral("A.DAT"), reportText(20000, 1));
    writeData(QStringLiteral("B.DAT"), reportText(30000, 2));
    {
        auto writer = open();
        writer->AddFiles(QStringLiteral("A.DAT"), 0);
        writer->AddFiles(QStringLiteral("B.DAT"), 0);
    }
    const QByteArray earlierA = reportText(20000, 1);
    writeData(QStringLiteral("A.DAT"), "new content of A");
    writeData(QStringLiteral("a.dat"), "lower-case twin");
    writeData(QStringLiteral("C.DAT"), reportText(10000, 3));

    auto writer = open();
    ASSERT_EQ(writer->Entries().size(), 2u);
    EXPECT_EQ(writer->Entries()[0].action, aaNone);
    QStringList failures;
    writer->OnEntryFailure = [&](TZipProcessType type, int number, const QString &message, const ZipEntry &entry) {
        EXPECT_EQ(type, ptAdd);
        failures.append(QStringLiteral("%1 %2 %3").arg(number).arg(message, QString::fromLatin1(entry.storedName)));
    };
    writer->AddFiles(QStringLiteral("C.DAT"), 0);
    writer->AddFiles(QStringLiteral("A.DAT"), 0);
    writer->AddFiles(QStringLiteral("a.dat"), 0);
    writer->Save();
    writer->SetFileName(QString());
    EXPECT_EQ(failures, QStringList({QStringLiteral("7 Cannot insert file - duplicates stored name A.DAT"),
                                     QStringLiteral("7 Cannot insert file - duplicates stored name a.dat")}));

    EXPECT_ARCHIVE_SOUND(host(kArchive));
    const auto archive = pythonZipfile(host(kArchive));
    EXPECT_EQ(pyNames(host(kArchive)),
              QStringList({QStringLiteral("A.DAT"), QStringLiteral("B.DAT"), QStringLiteral("C.DAT")}));
    EXPECT_EQ(archive->entries[0].content, earlierA);
    EXPECT_EQ(archive->entries[2].content, reportText(10000, 3));
}

TEST_F(ZipWriterTest, ArchiveWithoutEntriesIsAnEmptyFile)
{
    {
        auto writer = open();
        // The name is taken only by a complete archive, when the writer closes it.
        EXPECT_FALSE(QFileInfo::exists(host(kArchive)));
        writer->Save();
        writer->SetFileName(QString());
        EXPECT_EQ(writer->Status(), asInvalid);
    }
    EXPECT_EQ(QFileInfo(host(kArchive)).size(), 0);
    auto writer = open();
    EXPECT_EQ(writer->Status(), asIdle);
    EXPECT_TRUE(writer->Entries().empty());
    EXPECT_TRUE(m_interaction.messages.empty());
}

TEST_F(ZipWriterTest, VanishedAndUnreadableFilesAreLeftOut)
{
    writeData(QStringLiteral("A.DAT"), reportText(5000, 1));
    writeData(QStringLiteral("B.DAT"), reportText(5000, 2));
    writeData(QStringLiteral("C.DAT"), reportText(5000, 3));
    writeData(QStringLiteral("D.DAT"), reportText(5000, 4));
    auto writer = open(kArchive, false);
    for (const char *name : {"A.DAT", "B.DAT", "C.DAT", "D.DAT"})
        writer->AddFiles(QLatin1String(name), 0);
    // B vanishes; C cannot be read as a file any more.
    QFile::remove(host(kDirectory + QStringLiteral("\\B.DAT")));
    QFile::remove(host(kDirectory + QStringLiteral("\\C.DAT")));
    QDir().mkpath(host(kDirectory + QStringLiteral("\\C.DAT")));
    int failures = 0;
    writer->OnEntryFailure = [&](TZipProcessType type, int, const QString &, const ZipEntry &) {
        EXPECT_EQ(type, ptAdd);
        ++failures;
    };
    writer->Save();
    EXPECT_EQ(failures, 2);
    EXPECT_EQ(writer->Entries()[1].action, aaFailed);
    EXPECT_EQ(writer->Entries()[2].action, aaFailed);
    writer->SetFileName(QString());
    EXPECT_TRUE(m_interaction.messages.empty());

    EXPECT_ARCHIVE_SOUND(host(kArchive));
    EXPECT_EQ(pyNames(host(kArchive)), QStringList({QStringLiteral("A.DAT"), QStringLiteral("D.DAT")}));
}

TEST_F(ZipWriterTest, NameWithDriveIsStoredWithoutIt)
{
    writeData(QStringLiteral("sub\\deep\\X.DAT"), "x data");
    writeData(QStringLiteral("sub\\Y.DAT"), "y data");
    auto writer = open();
    writer->AddFiles(QStringLiteral("C:\\Orvane\\Sorvik\\sub\\deep\\X.DAT"), 0);
    writer->AddFiles(QStringLiteral("C:/Orvane/Sorvik/sub/Y.DAT"), 0);
    writer->AddFiles(QStringLiteral("sub\\Y.DAT"), 0);
    writer->SetFileName(QString());
    EXPECT_ARCHIVE_SOUND(host(kArchive));
    EXPECT_EQ(pyNames(host(kArchive)),
              QStringList({QStringLiteral("Orvane/Sorvik/sub/deep/X.DAT"), QStringLiteral("Orvane/Sorvik/sub/Y.DAT"),
                           QStringLiteral("sub/Y.DAT")}));
}

TEST_F(ZipWriterTest, MasksAddMatchingFilesAndRecurseOnRequest)
{
    writeData(QStringLiteral("A.DAT"), "a");
    writeData(QStringLiteral("B.dat"), "b");
    writeData(QStringLiteral("C.TXT"), "c");
    writeData(QStringLiteral(".hidden.DAT"), "h");
    writeData(QStringLiteral("sub\\D.DAT"), "d");
    auto writer = open();
    writer->SetStoreOptions(writer->StoreOptions() | ZipNames::soRecurse);
    writer->AddFiles(QStringLiteral("*.DAT"), 0);
    writer->SetFileName(QString());
    EXPECT_EQ(pyNames(host(kArchive)),
              QStringList({QStringLiteral("A.DAT"), QStringLiteral("B.dat"), QStringLiteral("sub/D.DAT")}));
}

TEST_F(ZipWriterTest, NewArchiveOnTheRemovableDriveStartsWithTheMarker)
{
    const QString archive = QStringLiteral("A:\\Test.zip");
    writeData(QStringLiteral("A.DAT"), "abc");
    writeData(QStringLiteral("B.DAT"), reportText(4000, 1));
    auto writer = std::make_unique<TZipWriter>(&m_interaction);
    writer->SetAutoSave(true);
    writer->SetFileName(archive);
    writer->SetBaseDirectory(kDirectory);
    writer->AddFiles(QStringLiteral("A.DAT"), 0);
    const QByteArray first = readFile(host(archive));
    EXPECT_EQ(first.left(4), QByteArray("PK00"));
    EXPECT_EQ(u32(first, 4), 0x04034B50u);
    EXPECT_EQ(first.size(), 115);
    EXPECT_EQ(u32(first, 4 + 38 + 42), 4u); // the central header's local-header offset counts the marker
    EXPECT_EQ(u32(first, 4 + 38 + 51 + 16), 42u);
    const QString copy = TestEnvironment::root() + QStringLiteral("/marked.zip");
    writeFile(copy, first);
    EXPECT_ARCHIVE_SOUND(copy);
    // Once the archive has content, later saves go through a new file and have no marker.
    writer->AddFiles(QStringLiteral("B.DAT"), 0);
    writer->SetFileName(QString());
    EXPECT_EQ(readFile(host(archive)).left(4), QByteArray("PK\x03\x04"));
    EXPECT_ARCHIVE_SOUND(host(archive));
}

TEST_F(ZipWriterTest, FullFloppyGoesOnOnABlankDisk)
{
    const QString archive = QStringLiteral("A:\\Test.zip");
    writeData(QStringLiteral("A.DAT"), "first file");
    writeData(QStringLiteral("B.DAT"), "second file");
    writeData(QStringLiteral("C.DAT"), "third file");
    auto writer = open(archive, false);
    // Disk 1 takes the marker and both entries (4 + 35 + 10 + 35 + 11 = 95 bytes) but not the first
    // central header (51 bytes); disk 2 takes the directory and the end record (51 + 51 + 22 = 124).
    writer->SetRemovableCapacity(130);
    writer->AddFiles(QStringLiteral("A.DAT"), 0);
    writer->AddFiles(QStringLiteral("B.DAT"), 0);
    QByteArrayList disks;
    writer->OnRequestBlankDisk = [&] {
        disks.append(readFile(host(archive)));
        return true;
    };
    writer->Save();
    ASSERT_EQ(disks.size(), 1);
    EXPECT_EQ(disks[0].size(), 95);
    EXPECT_EQ(disks[0].left(4), QByteArray("PK\x07\x08", 4));
    EXPECT_EQ(u32(disks[0], 4), 0x04034B50u);
    EXPECT_EQ(writer->DiskNumber(), 1);
    const QByteArray second = readFile(host(archive));
    ASSERT_EQ(second.size(), 124);
    EXPECT_EQ(u32(second, 0), 0x02014B50u);
    EXPECT_EQ(u32(second, 102), 0x06054B50u);
    EXPECT_EQ(u16(second, 102 + 4), 1);  // this disk
    EXPECT_EQ(u16(second, 102 + 6), 1);  // disk of the directory
    EXPECT_EQ(u16(second, 102 + 10), 2); // entries
    EXPECT_EQ(u32(second, 102 + 12), 102u);
    EXPECT_EQ(u32(second, 102 + 16), 0u);
    // A set spread over disks is never updated.
    writer->AddFiles(QStringLiteral("C.DAT"), 0);
    EXPECT_THROW(writer->Save(), ZipError);
}

TEST_F(ZipWriterTest, FloppyRequestAnsweredWithAbortInvalidatesTheArchive)
{
    const QString archive = QStringLiteral("A:\\Test.zip");
    writeData(QStringLiteral("A.DAT"), reportText(3000, 1));
    auto writer = open(archive, false);
    writer->SetRemovableCapacity(64);
    writer->AddFiles(QStringLiteral("A.DAT"), 0);
    writer->OnRequestBlankDisk = [] { return false; };
    try {
        writer->Save();
        ADD_FAILURE() << "no failure";
    } catch (const ZipError &failure) {
        EXPECT_EQ(failure.message(), QStringLiteral("Process aborted by user"));
    }
    EXPECT_EQ(writer->Status(), asInvalid);
}

TEST_F(ZipWriterTest, RecordLargerThanABlankDiskStopsTheSave)
{
    const QString archive = QStringLiteral("A:\\Test.zip");
    writeData(QStringLiteral("A.DAT"), "abc");
    auto writer = open(archive, false);
    writer->SetRemovableCapacity(20); // the marker fits, a 35-byte local header never does
    writer->AddFiles(QStringLiteral("A.DAT"), 0);
    int requests = 0;
    writer->OnRequestBlankDisk = [&] { return ++requests < 10; };
    try {
        writer->Save();
        ADD_FAILURE() << "no failure";
    } catch (const ZipError &failure) {
        EXPECT_EQ(failure.message(), QStringLiteral("Cannot write file A:\\Test.zip: the disk is full"));
    }
    EXPECT_EQ(requests, 1);
}

TEST_F(ZipWriterTest, FailedSaveLeavesThePreviousArchive)
{
    writeData(QStringLiteral("A.DAT"), reportText(20000, 1));
    writeData(QStringLiteral("B.DAT"), reportText(20000, 2));
    auto writer = open();
    writer->AddFiles(QStringLiteral("A.DAT"), 0);
    const QByteArray before = readFile(host(kArchive));
    writer->OnProgress = [](int done, int) { return done < 2; };
    try {
        writer->AddFiles(QStringLiteral("B.DAT"), 0);
        ADD_FAILURE() << "no failure";
    } catch (const ZipError &failure) {
        EXPECT_EQ(failure.message(), QStringLiteral("Process aborted by user"));
    }
    EXPECT_EQ(writer->Status(), asInvalid);
    writer->SetFileName(QString());
    EXPECT_EQ(readFile(host(kArchive)), before);
    // A new archive whose build was aborted never takes its name, and its temporary file goes.
    EXPECT_EQ(QDir(host(kDirectory)).entryList(QDir::Files | QDir::Hidden),
              QStringList({QStringLiteral("A.DAT"), QStringLiteral("B.DAT")}));
}

TEST_F(ZipWriterTest, AppendedSavesGiveTheBytesOfOneSaveAndAFailedOneIsUndone)
{
    const QByteArray contents[] = {reportText(30000, 1), reportText(40000, 2), reportText(50000, 3)};
    const char *names[] = {"A.DAT", "B.DAT", "C.DAT"};
    for (int i = 0; i < 3; ++i)
        writeData(QLatin1String(names[i]), contents[i]);
    const QString one = kDirectory + QStringLiteral("\\One.zip");
    const QString two = kDirectory + QStringLiteral("\\Two.zip");
    // The reference: all three in one save, and the first two in one save.
    for (const auto &[archive, count] : {std::pair{one, 3}, std::pair{two, 2}}) {
        auto writer = open(archive, false);
        for (int i = 0; i < count; ++i)
            writer->AddFiles(QLatin1String(names[i]), 0);
        writer->Save();
        writer->SetFileName(QString());
    }

    auto writer = open();
    writer->AddFiles(QStringLiteral("A.DAT"), 0);
    writer->AddFiles(QStringLiteral("B.DAT"), 0);
    // No file may grow beyond a little more than the two entries: C's entry does not fit, as on a full
    // disk.
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    const auto ignored = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = previous;
    limit.rlim_cur = rlim_t(QFileInfo(host(two)).size() + 4096);
    setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_THROW(writer->AddFiles(QStringLiteral("C.DAT"), 0), ZipError);
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, ignored);
    EXPECT_EQ(writer->Status(), asIdle);
    writer.reset(); // closes without saving again: what the last good save left takes the name
    EXPECT_EQ(readFile(host(kArchive)), readFile(host(two)));
    EXPECT_ARCHIVE_SOUND(host(kArchive));

    // The same three additions when nothing fails: byte for byte the single save.
    QFile::remove(host(kArchive));
    writer = open();
    for (const char *name : names)
        writer->AddFiles(QLatin1String(name), 0);
    writer->SetFileName(QString());
    EXPECT_EQ(readFile(host(kArchive)), readFile(host(one)));
    EXPECT_EQ(QDir(host(kDirectory)).entryList(QDir::Files | QDir::Hidden).size(), 6); // no temporary file left
}

TEST_F(ZipWriterTest, DirectoryThatDoesNotFitAtTheCloseLeavesNoArchive)
{
    // The saved entries fit; their directory, written when the archive is closed, does not.
    writeData(QStringLiteral("A.DAT"), reportText(30000, 1));
    auto writer = open();
    writer->AddFiles(QStringLiteral("A.DAT"), 0);
    const QStringList files = QDir(host(kDirectory)).entryList(QDir::Files | QDir::Hidden);
    ASSERT_EQ(files.size(), 2);
    const QString work = files.first() == QStringLiteral("A.DAT") ? files.last() : files.first();
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    const auto ignored = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = previous;
    limit.rlim_cur = rlim_t(QFileInfo(host(kDirectory) + QLatin1Char('/') + work).size() + 20);
    setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_THROW(writer->SetFileName(QString()), ZipError);
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, ignored);
    // Neither a damaged archive under the name nor the temporary file is left.
    EXPECT_EQ(QDir(host(kDirectory)).entryList(QDir::Files | QDir::Hidden), QStringList({QStringLiteral("A.DAT")}));
}

TEST_F(ZipWriterTest, ListCompressedAheadGivesTheBytesOfOneAdditionAtATime)
{
    writeData(QStringLiteral("A.DAT"), reportText(60000, 1));
    writeData(QStringLiteral("S.DAT"), "abc"); // stored: deflating it would not make it smaller
    writeData(QStringLiteral("D.DAT"), reportText(90000, 4));
    for (const char *name : {"E.DAT", "F.DAT", "G.DAT"})
        writeData(QLatin1String(name), reportText(2000, 5));
    writeData(QStringLiteral("Z.DAT"), reportText(600000, 6));
    QDir().mkpath(host(kDirectory + QStringLiteral("\\C.DAT")));
    // A missing name, a directory and a duplicate name leave their work done ahead unused; the files
    // after them must still get their own data. The largest file, queued last, is compressed first.
    const QStringList names = {QStringLiteral("A.DAT"), QStringLiteral("MISSING.DAT"), QStringLiteral("C.DAT"),
                               QStringLiteral("S.DAT"), QStringLiteral("A.DAT"),       QStringLiteral("D.DAT"),
                               QStringLiteral("E.DAT"), QStringLiteral("F.DAT"),       QStringLiteral("G.DAT"),
                               QStringLiteral("Z.DAT")};
    const QString single = kDirectory + QStringLiteral("\\Single.zip");
    int failures = 0;
    auto count = [&](TZipProcessType, int, const QString &, const ZipEntry &) { ++failures; };
    auto writer = open(single);
    writer->OnEntryFailure = count;
    for (const QString &name : names)
        writer->AddFiles(name, 0);
    writer->SetFileName(QString());
    ASSERT_EQ(failures, 1); // the duplicate

    writer = open();
    writer->OnEntryFailure = count;
    writer->AddFiles(names, 0);
    writer->SetFileName(QString());
    EXPECT_EQ(failures, 2);
    EXPECT_EQ(readFile(host(kArchive)), readFile(host(single)));
    EXPECT_EQ(
        pyNames(host(kArchive)),
        QStringList({QStringLiteral("A.DAT"), QStringLiteral("S.DAT"), QStringLiteral("D.DAT"), QStringLiteral("E.DAT"),
                     QStringLiteral("F.DAT"), QStringLiteral("G.DAT"), QStringLiteral("Z.DAT")}));
}

TEST_F(ZipWriterTest, ArchiveLeftAsideByAnInterruptedSaveIsTakenBack)
{
    writeData(QStringLiteral("A.DAT"), "a");
    writeData(QStringLiteral("B.DAT"), "b");
    {
        auto writer = open();
        writer->AddFiles(QStringLiteral("A.DAT"), 0);
    }
    // The save stopped after moving the archive aside and before its successor took the name.
    ASSERT_TRUE(QFile::rename(host(kArchive), host(kArchive) + QStringLiteral(".old")));
    auto writer = open();
    ASSERT_EQ(writer->Entries().size(), 1u);
    writer->AddFiles(QStringLiteral("B.DAT"), 0);
    writer->SetFileName(QString());
    EXPECT_EQ(pyNames(host(kArchive)), QStringList({QStringLiteral("A.DAT"), QStringLiteral("B.DAT")}));
    EXPECT_FALSE(QFileInfo::exists(host(kArchive) + QStringLiteral(".old")));
}

TEST_F(ZipWriterTest, SavedArchiveKeepsItsPermissionsAndStaysOpen)
{
    writeData(QStringLiteral("A.DAT"), "a");
    writeData(QStringLiteral("B.DAT"), "b");
    auto writer = open();
    writer->AddFiles(QStringLiteral("A.DAT"), 0);
    const auto permissions = QFileInfo(host(kArchive)).permissions();
    writer->AddFiles(QStringLiteral("B.DAT"), 0);
    EXPECT_EQ(QFileInfo(host(kArchive)).permissions(), permissions);
    EXPECT_EQ(writer->Status(), asIdle);
    writer->SetFileName(QString());
    EXPECT_EQ(pyNames(host(kArchive)), QStringList({QStringLiteral("A.DAT"), QStringLiteral("B.DAT")}));
}

TEST_F(ZipWriterTest, FailuresOfTheTable)
{
    auto expectFailure = [](const std::function<void()> &action, const QString &message) {
        try {
            action();
            ADD_FAILURE() << "no failure for " << message.toStdString();
        } catch (const ZipError &failure) {
            EXPECT_EQ(failure.message(), message);
        }
    };
    TZipWriter writer(&m_interaction);
    expectFailure([&] { writer.SetBaseDirectory(QStringLiteral("C:\\Nowhere\\")); },
                  QStringLiteral("Directory does not exist"));
    expectFailure([&] { writer.AddFiles(QStringLiteral("A.DAT"), 0); },
                  QStringLiteral("Archive does not exist - FileName is blank"));
    expectFailure([&] { writer.SetFileName(QStringLiteral("C:\\Nowhere\\X.zip")); },
                  QStringLiteral("Cannot create file C:\\Nowhere\\X.zip"));
    QDir().mkpath(host(kDirectory + QStringLiteral("\\Folder.zip")));
    expectFailure([&] { writer.SetFileName(kDirectory + QStringLiteral("\\Folder.zip")); },
                  QStringLiteral("Cannot open file C:\\Orvane\\Sorvik\\Folder.zip"));
    writeData(QStringLiteral("Test.zip"), "this is no archive at all, just text");
    expectFailure([&] { writer.SetFileName(kArchive); }, QStringLiteral("Invalid file - not a PKZip file"));
    EXPECT_EQ(writer.Status(), asInvalid);
    expectFailure([&] { writer.AddFiles(QStringLiteral("A.DAT"), 0); },
                  QStringLiteral("Archive does not exist - FileName is blank"));
}

TEST(ZipNamesMasks, MatchingIsLinearAndCaseInsensitive)
{
    EXPECT_TRUE(ZipNames::matchesMask(QStringLiteral("report.dat"), QStringLiteral("*.DAT")));
    EXPECT_TRUE(ZipNames::matchesMask(QStringLiteral("A1B.DAT"), QStringLiteral("a?b.*")));
    EXPECT_FALSE(ZipNames::matchesMask(QStringLiteral("AB.DAT"), QStringLiteral("a?b.*")));
    EXPECT_TRUE(ZipNames::matchesMask(QStringLiteral("anything"), QStringLiteral("*.*")));
    EXPECT_TRUE(ZipNames::matchesMask(QStringLiteral("abcabd"), QStringLiteral("*ab?")));
    // A mask that a backtracking matcher needs exponential time for.
    QString mask;
    for (int i = 0; i < 30; ++i)
        mask += QStringLiteral("*a");
    mask += QStringLiteral("*b");
    EXPECT_FALSE(ZipNames::matchesMask(QString(150, QLatin1Char('a')), mask));
}

TEST(ZipNamesHash, UpperCasingKeepsDistinctNamesDistinct)
{
    EXPECT_EQ(ZipNames::upperCased("abc\xE9"), QByteArray("ABC\xC9"));
    EXPECT_EQ(ZipNames::upperCased("\xDF.DAT"), QByteArray("\xDF.DAT")) << "sharp s has no one-letter capital";
    EXPECT_NE(ZipNames::upperCased("\xDF.DAT"), ZipNames::upperCased("SS.DAT"));
    EXPECT_EQ(ZipNames::upperCased("\xB5"), QByteArray("\xB5"));
}
