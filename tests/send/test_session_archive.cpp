#include "ZipTestTools.h"

#include "platform/Drives.h"
#include "profile/ProfileStore.h"
#include "send/SessionArchive.h"
#include "send/zip/ZipError.h"
#include "send/zip/ZipReadBack.h"

#include "RecordingInteraction.h"
#include "RecordingResults.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>

using namespace ZipTestTools;

namespace {

const QDateTime kNow(QDate(2026, 12, 8), QTime(14, 5, 42));
const QString kArchive = QStringLiteral("C:\\Orvane\\Sorvik\\AcmeToolsInc1208261405.zip");

QString outputHost()
{
    return Drives::hostPath(QStringLiteral("C:\\Orvane\\Sorvik"));
}
QString dataHost(const QString &name)
{
    return outputHost() + QLatin1Char('/') + name;
}

class SessionArchiveTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TestEnvironment::fresh();
        QDir().mkpath(outputHost());
        setCompany(QStringLiteral("Acme Tools, Inc."));
    }

    static void setCompany(const QString &company)
    {
        QSettings settings(ProfileStore::filePath(), QSettings::IniFormat);
        settings.beginGroup(QStringLiteral("Orvane_Y2K"));
        settings.setValue(QStringLiteral("Company"), company);
    }

    QStringList archivedNames()
    {
        QStringList names;
        if (const auto archive = pythonZipfile(Drives::hostPath(kArchive)))
            for (const PyEntry &entry : archive->entries)
                names.append(entry.name);
        return names;
    }

    static QStringList outputFiles() { return QDir(outputHost()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot); }

    RecordingInteraction m_interaction;
    RecordingResults m_results;
};

} // namespace

TEST(SessionArchiveName, CompanyKeepsOnlyLettersAndDigits)
{
    EXPECT_EQ(SessionArchive::companyPart(QStringLiteral("Acme Tools, Inc.")), QStringLiteral("AcmeToolsInc"));
    EXPECT_EQ(SessionArchive::companyPart(QStringLiteral("Ärzte & Co")), QStringLiteral("rzteCo"));
    EXPECT_EQ(SessionArchive::companyPart(QStringLiteral("4 Über-Straße 9")), QStringLiteral("4berStrae9"));
    EXPECT_EQ(SessionArchive::companyPart(QStringLiteral(" .,;")), QString());
}

TEST_F(SessionArchiveTest, OnlyDataFilesAreArchivedAndDeleted)
{
    writeFile(dataHost(QStringLiteral("A.DAT")), reportText(40000, 1));
    writeFile(dataHost(QStringLiteral("B.dat")), "lower-case extension");
    writeFile(dataHost(QStringLiteral("C.TXT")), "other file");
    writeFile(dataHost(QStringLiteral("Old1201261000.zip")), "an earlier session's archive");
    writeFile(dataHost(QStringLiteral("sub/D.DAT")), "in a subdirectory");

    EXPECT_EQ(SessionArchive::build(m_interaction, m_results, kNow), kArchive);

    EXPECT_EQ(archivedNames(), QStringList({QStringLiteral("A.DAT")}));
    EXPECT_ARCHIVE_SOUND(Drives::hostPath(kArchive));
    EXPECT_EQ(outputFiles(),
              QStringList({QStringLiteral("AcmeToolsInc1208261405.zip"), QStringLiteral("B.dat"),
                           QStringLiteral("C.TXT"), QStringLiteral("Old1201261000.zip"), QStringLiteral("sub")}));
    EXPECT_EQ(readFile(dataHost(QStringLiteral("Old1201261000.zip"))), QByteArray("an earlier session's archive"));
    EXPECT_TRUE(QFileInfo::exists(dataHost(QStringLiteral("sub/D.DAT"))));
    EXPECT_TRUE(m_results.lines.empty());
    EXPECT_EQ(m_interaction.processEventsCalls, 2);
}

TEST_F(SessionArchiveTest, SecondRunInTheSameMinuteKeepsEarlierEntriesAndTheDuplicateFile)
{
    const QByteArray firstA = reportText(30000, 1);
    writeFile(dataHost(QStringLiteral("A.DAT")), firstA);
    writeFile(dataHost(QStringLiteral("B.DAT")), reportText(30000, 2));
    SessionArchive::build(m_interaction, m_results, kNow);
    EXPECT_EQ(outputFiles(), QStringList({QStringLiteral("AcmeToolsInc1208261405.zip")}));

    writeFile(dataHost(QStringLiteral("A.DAT")), "a rescan of A");
    writeFile(dataHost(QStringLiteral("C.DAT")), reportText(30000, 3));
    SessionArchive::build(m_interaction, m_results, kNow.addSecs(10));

    EXPECT_ARCHIVE_SOUND(Drives::hostPath(kArchive));
    const auto archive = pythonZipfile(Drives::hostPath(kArchive));
    EXPECT_EQ(archivedNames(),
              QStringList({QStringLiteral("A.DAT"), QStringLiteral("B.DAT"), QStringLiteral("C.DAT")}));
    EXPECT_EQ(archive->entries[0].content, firstA);
    // The rescan of A is not in the archive, so it stays, and the results box says so.
    EXPECT_EQ(outputFiles(), QStringList({QStringLiteral("A.DAT"), QStringLiteral("AcmeToolsInc1208261405.zip")}));
    EXPECT_EQ(readFile(dataHost(QStringLiteral("A.DAT"))), QByteArray("a rescan of A"));
    EXPECT_EQ(m_results.redTexts(),
              QStringList({QStringLiteral("A.DAT was not deleted: the archive does not hold it as it is now")}));
}

TEST_F(SessionArchiveTest, EmptyOutputDirectoryGivesAnEmptyArchive)
{
    EXPECT_EQ(SessionArchive::build(m_interaction, m_results, kNow), kArchive);
    EXPECT_EQ(QFileInfo(Drives::hostPath(kArchive)).size(), 0);
    // Opened again it is an archive without entries.
    writeFile(dataHost(QStringLiteral("A.DAT")), "abc");
    SessionArchive::build(m_interaction, m_results, kNow);
    EXPECT_EQ(archivedNames(), QStringList({QStringLiteral("A.DAT")}));
    EXPECT_TRUE(m_interaction.messages.empty());
}

TEST_F(SessionArchiveTest, FilesTheArchiveDoesNotHoldAsTheyAreNowAreKept)
{
    writeFile(dataHost(QStringLiteral("A.DAT")), reportText(10000, 1));
    writeFile(dataHost(QStringLiteral("B.DAT")), reportText(10000, 2));
    writeFile(dataHost(QStringLiteral("C.DAT")), reportText(10000, 3));
    QDir().mkpath(dataHost(QStringLiteral("DIR.DAT")));
    const auto fifo = run(QStringLiteral("mkfifo"), {dataHost(QStringLiteral("P.DAT"))}, outputHost());
    // The first "let pending messages be handled" comes after the archive is closed: B changes there.
    bool changed = false;
    m_interaction.onProcessEvents = [&] {
        if (!changed)
            writeFile(dataHost(QStringLiteral("B.DAT")), "changed after packing");
        changed = true;
    };
    SessionArchive::build(m_interaction, m_results, kNow);

    QStringList expected = {QStringLiteral("A.DAT"), QStringLiteral("B.DAT"), QStringLiteral("C.DAT")};
    EXPECT_EQ(archivedNames(), expected);
    EXPECT_FALSE(QFileInfo::exists(dataHost(QStringLiteral("A.DAT"))));
    EXPECT_EQ(readFile(dataHost(QStringLiteral("B.DAT"))), QByteArray("changed after packing"));
    EXPECT_FALSE(QFileInfo::exists(dataHost(QStringLiteral("C.DAT"))));
    EXPECT_TRUE(QFileInfo(dataHost(QStringLiteral("DIR.DAT"))).isDir());
    QStringList red = m_results.redTexts();
    red.sort();
    QStringList lines = {QStringLiteral("B.DAT was not deleted: the archive does not hold it as it is now")};
    // A pipe is no data file: it is not opened at all.
    if (fifo && fifo->status == 0)
        lines.append(QStringLiteral("P.DAT was not archived: it is not a regular file"));
    EXPECT_EQ(red, lines);
}

TEST_F(SessionArchiveTest, AFileWrittenToBetweenItsComparisonAndItsDeleteIsKept)
{
    writeFile(dataHost(QStringLiteral("A.DAT")), reportText(10000, 1));
    writeFile(dataHost(QStringLiteral("B.DAT")), reportText(10000, 2));
    // B gets one more line after the read-back has found it held, before it would be deleted.
    ZipReadBack::setBeforeRemove([](const QString &hostFile) {
        QFile file(hostFile);
        if (hostFile.endsWith(QStringLiteral("/B.DAT")) && file.open(QIODevice::Append))
            file.write("one more line\r\n");
    });
    SessionArchive::build(m_interaction, m_results, kNow);
    ZipReadBack::setBeforeRemove({});

    EXPECT_FALSE(QFileInfo::exists(dataHost(QStringLiteral("A.DAT"))));
    EXPECT_EQ(readFile(dataHost(QStringLiteral("B.DAT"))), reportText(10000, 2) + "one more line\r\n");
    EXPECT_EQ(m_results.redTexts(),
              QStringList({QStringLiteral("B.DAT was not deleted: the archive does not hold it as it is now")}));
}

TEST_F(SessionArchiveTest, FilesNoArchiveCanHoldAreKeptWithTheirReason)
{
    // Past the 32-bit sizes of a ZIP archive without ZIP64, a sparse file taking no space; two names
    // Windows takes for one; "X.dat" is no data file at all.
    QFile big(dataHost(QStringLiteral("BIG.DAT")));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(qint64(1) << 32));
    big.close();
    writeFile(dataHost(QStringLiteral("X.DAT")), "upper");
    writeFile(dataHost(QStringLiteral("x.DAT")), "lower");
    writeFile(dataHost(QStringLiteral("X.dat")), "not a data file");

    SessionArchive::build(m_interaction, m_results, kNow);

    const QStringList archived = archivedNames();
    ASSERT_EQ(archived.size(), 1);
    const QString kept =
        archived.first() == QStringLiteral("X.DAT") ? QStringLiteral("x.DAT") : QStringLiteral("X.DAT");
    QStringList files = outputFiles();
    files.sort();
    QStringList expected = {QStringLiteral("AcmeToolsInc1208261405.zip"), QStringLiteral("BIG.DAT"),
                            QStringLiteral("X.dat"), kept};
    expected.sort();
    EXPECT_EQ(files, expected);
    EXPECT_EQ(m_results.redTexts(),
              QStringList({QStringLiteral("%1 was not archived: the archive holds %2, and Windows does not tell names "
                                          "apart by letter case")
                               .arg(kept, archived.first()),
                           QStringLiteral("BIG.DAT was not archived: it is too large for a ZIP archive")}));
}

TEST_F(SessionArchiveTest, MissingOutputDirectoryFailsWithoutDeleting)
{
    QDir(outputHost()).removeRecursively();
    try {
        SessionArchive::build(m_interaction, m_results, kNow);
        ADD_FAILURE() << "no failure";
    } catch (const ZipError &failure) {
        EXPECT_EQ(failure.message(), QStringLiteral("Cannot create file %1").arg(kArchive));
    }
    EXPECT_EQ(m_interaction.processEventsCalls, 0);
}

TEST_F(SessionArchiveTest, BuildThatFailsPartWayLeavesNoArchive)
{
    // Random bytes are stored as they are: the second entry takes the archive past the file size limit,
    // as a full disk would.
    std::mt19937 random(7);
    QByteArray noise(40000, Qt::Uninitialized);
    for (char &c : noise)
        c = char(random());
    for (const char *name : {"A.DAT", "B.DAT", "C.DAT"})
        writeFile(dataHost(QLatin1String(name)), noise + name);
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    const auto ignored = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = previous;
    limit.rlim_cur = 60000;
    setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_THROW(SessionArchive::build(m_interaction, m_results, kNow), ZipError);
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, ignored);
    EXPECT_EQ(outputFiles(), (QStringList{QStringLiteral("A.DAT"), QStringLiteral("B.DAT"), QStringLiteral("C.DAT")}));
}

TEST_F(SessionArchiveTest, ArchiveOfAnotherKindIsNotReplaced)
{
    writeFile(Drives::hostPath(kArchive), "not an archive");
    writeFile(dataHost(QStringLiteral("A.DAT")), "abc");
    EXPECT_THROW(SessionArchive::build(m_interaction, m_results, kNow), ZipError);
    EXPECT_EQ(readFile(Drives::hostPath(kArchive)), QByteArray("not an archive"));
    EXPECT_TRUE(QFileInfo::exists(dataHost(QStringLiteral("A.DAT"))));
}

TEST_F(SessionArchiveTest, NamesThatCannotBeStoredAreKeptAndSaidSo)
{
    writeFile(dataHost(QStringLiteral("A.DAT")), reportText(1000, 1));
    writeFile(dataHost(QStringLiteral("*.DAT")), "star");
    writeFile(dataHost(QStringLiteral("x\\y.DAT")), "backslash");
    writeFile(dataHost(QStringLiteral("low.dat")), "not a data file");
    // Windows-1252 has no omega: the name would be stored as "?.DAT".
    writeFile(dataHost(QStringLiteral("\u03A9.DAT")), "omega");
    // A name whose bytes are not UTF-8, as another system may leave it.
    const std::string invalid = QFile::encodeName(outputHost()).toStdString() + "/\xFF.DAT";
    std::ofstream(invalid, std::ios::binary) << "latin-1 y with diaeresis";
    SessionArchive::build(m_interaction, m_results, kNow);
    EXPECT_EQ(readFile(dataHost(QStringLiteral("\u03A9.DAT"))), QByteArray("omega"));
    EXPECT_TRUE(std::filesystem::exists(invalid));
    std::filesystem::remove(invalid); // Qt's own removal of the test directory does not see that name
    EXPECT_EQ(archivedNames(), QStringList({QStringLiteral("A.DAT")}));
    EXPECT_EQ(readFile(dataHost(QStringLiteral("*.DAT"))), QByteArray("star"));
    EXPECT_EQ(readFile(dataHost(QStringLiteral("x\\y.DAT"))), QByteArray("backslash"));
    EXPECT_TRUE(QFileInfo::exists(dataHost(QStringLiteral("low.dat"))));
    QStringList red = m_results.redTexts();
    red.sort();
    EXPECT_EQ(red.join(u'\n').toStdString(),
              QStringList({QStringLiteral("*.DAT was not archived: its name cannot be stored"),
                           QStringLiteral("x\\y.DAT was not archived: its name cannot be stored"),
                           QStringLiteral("\u03A9.DAT was not archived: its name cannot be stored"),
                           QStringLiteral("\uFFFD.DAT was not archived: its name is not valid in the system's "
                                          "encoding")})
                  .join(u'\n')
                  .toStdString());
}

TEST_F(SessionArchiveTest, EntryWhoseDataDoesNotReadBackKeepsItsFile)
{
    writeFile(dataHost(QStringLiteral("A.DAT")), reportText(20000, 1));
    writeFile(dataHost(QStringLiteral("B.DAT")), reportText(20000, 2));
    // After the archive is closed one byte of B's compressed data goes bad; its directory entry
    // (name, size, CRC-32) still matches the file.
    bool damaged = false;
    m_interaction.onProcessEvents = [&] {
        if (damaged)
            return;
        damaged = true;
        QByteArray bytes = readFile(Drives::hostPath(kArchive));
        const qsizetype name = bytes.indexOf("B.DAT");
        ASSERT_GT(name, 30);
        bytes[name + 5 + 100] = char(bytes[name + 5 + 100] ^ 0x55);
        writeFile(Drives::hostPath(kArchive), bytes);
    };
    SessionArchive::build(m_interaction, m_results, kNow);

    const auto archive = pythonZipfile(Drives::hostPath(kArchive));
    if (archive)
        EXPECT_FALSE(archive->sound); // the independent reader finds the damage too
    EXPECT_FALSE(QFileInfo::exists(dataHost(QStringLiteral("A.DAT"))));
    EXPECT_EQ(readFile(dataHost(QStringLiteral("B.DAT"))), reportText(20000, 2));
    EXPECT_EQ(m_results.redTexts(),
              QStringList({QStringLiteral("B.DAT was not deleted: the archive does not hold it as it is now")}));
}

TEST_F(SessionArchiveTest, LeftoversOfAKilledRunAreTidied)
{
    // A save stopped between its two renames (the archive only under its side name), another one left
    // a damaged archive beside its side file, a third left its temporary file. The user's own files
    // with similar names stay.
    writeFile(dataHost(QStringLiteral("A.DAT")), "a");
    SessionArchive::build(m_interaction, m_results, kNow);
    const QString host = Drives::hostPath(kArchive);
    const QByteArray sound = readFile(host);
    ASSERT_TRUE(QFile::rename(host, host + QStringLiteral(".old")));
    writeFile(dataHost(QStringLiteral("Other1208261405.zip")), "PK\x03\x04 cut short");
    writeFile(dataHost(QStringLiteral("Other1208261405.zip.old")), sound);
    writeFile(dataHost(QStringLiteral(".sorvik-archive-a1B2c3.tmp")), "PK\x03\x04 partial");
    writeFile(dataHost(QStringLiteral("sorvik-archive-a1B2c3.tmp")), "the user's");
    writeFile(dataHost(QStringLiteral(".sorvik-archive-a1B2c3.tmp.txt")), "the user's");

    SessionArchive::recoverLeftovers(m_results);

    EXPECT_EQ(readFile(host), sound);
    EXPECT_EQ(readFile(dataHost(QStringLiteral("Other1208261405.zip"))), sound);
    EXPECT_EQ(
        QDir(outputHost()).entryList(QDir::Files | QDir::Hidden),
        QStringList({QStringLiteral(".sorvik-archive-a1B2c3.tmp.txt"), QStringLiteral("AcmeToolsInc1208261405.zip"),
                     QStringLiteral("Other1208261405.zip"), QStringLiteral("Other1208261405.zip.damaged"),
                     QStringLiteral("sorvik-archive-a1B2c3.tmp")}));
    EXPECT_EQ(readFile(dataHost(QStringLiteral("Other1208261405.zip.damaged"))), QByteArray("PK\x03\x04 cut short"));
    EXPECT_EQ(m_results.texts().join(u'\n').toStdString(),
              QStringList({QStringLiteral("AcmeToolsInc1208261405.zip was put back from "
                                          "AcmeToolsInc1208261405.zip.old: the archive was missing"),
                           QStringLiteral("Other1208261405.zip was put back from Other1208261405.zip.old: the "
                                          "archive was damaged and is kept as Other1208261405.zip.damaged")})
                  .join(u'\n')
                  .toStdString());
}

TEST_F(SessionArchiveTest, SideFilesThatAreNotArchivesStayWhereTheyAre)
{
    // Under an archive's side name: a sound archive outside the output directory, reached through a
    // link, and a text file. A user's own sound archive "Photos.zip.old" is not named like one of ours.
    writeFile(dataHost(QStringLiteral("A.DAT")), "a");
    SessionArchive::build(m_interaction, m_results, kNow);
    const QByteArray sound = readFile(Drives::hostPath(kArchive));
    const QString outside = TestEnvironment::root() + QStringLiteral("/Mine.zip");
    ASSERT_TRUE(QFile::rename(Drives::hostPath(kArchive), outside));
    ASSERT_TRUE(QFile::link(outside, dataHost(QStringLiteral("Mine1208261405.zip.old"))));
    writeFile(dataHost(QStringLiteral("Invoice1208261405.zip.old")), "Invoice 42: 3 disks, 1 box");
    writeFile(dataHost(QStringLiteral("Photos.zip.old")), sound);
    m_results.lines.clear();

    SessionArchive::recoverLeftovers(m_results);

    EXPECT_EQ(outputFiles(), QStringList({QStringLiteral("Invoice1208261405.zip.old"),
                                          QStringLiteral("Mine1208261405.zip.old"), QStringLiteral("Photos.zip.old")}));
    EXPECT_TRUE(QFileInfo(dataHost(QStringLiteral("Mine1208261405.zip.old"))).isSymLink());
    EXPECT_EQ(readFile(dataHost(QStringLiteral("Invoice1208261405.zip.old"))),
              QByteArray("Invoice 42: 3 disks, 1 box"));
    EXPECT_EQ(m_results.texts(),
              QStringList({QStringLiteral("Invoice1208261405.zip.old was not put back as Invoice1208261405.zip: it is "
                                          "not a ZIP archive"),
                           QStringLiteral("Mine1208261405.zip.old was not put back as Mine1208261405.zip: it is a "
                                          "symbolic link")}));
}

TEST_F(SessionArchiveTest, ADataFileThatIsALinkIsNeitherPackedNorDeleted)
{
    const QString outside = TestEnvironment::root() + QStringLiteral("/elsewhere.txt");
    writeFile(outside, "not the output directory's");
    ASSERT_TRUE(QFile::link(outside, dataHost(QStringLiteral("LINK.DAT"))));
    writeFile(dataHost(QStringLiteral("A.DAT")), "a");

    SessionArchive::build(m_interaction, m_results, kNow);

    EXPECT_EQ(archivedNames(), QStringList({QStringLiteral("A.DAT")}));
    EXPECT_TRUE(QFileInfo(dataHost(QStringLiteral("LINK.DAT"))).isSymLink());
    EXPECT_EQ(readFile(outside), QByteArray("not the output directory's"));
    EXPECT_EQ(m_results.redTexts(), QStringList({QStringLiteral("LINK.DAT was not archived: it is a symbolic link")}));
}

TEST_F(SessionArchiveTest, ALongCompanyIsCutSoThatEveryNameOfTheArchiveFits)
{
    // 250 letters. A file name holds 255 bytes; the longest name made from the archive's, a temporary
    // ".sorvik-" + name + ".XXXXXX", adds 15: the archive's name may take 240, of which "mmddyyhhmm.zip"
    // takes 14, which leaves 226 for the company.
    setCompany(QString(250, u'Q'));
    writeFile(dataHost(QStringLiteral("A.DAT")), "a");
    const QString name = QString(226, u'Q') + QStringLiteral("1208261405.zip");

    EXPECT_EQ(SessionArchive::build(m_interaction, m_results, kNow), QStringLiteral("C:\\Orvane\\Sorvik\\") + name);

    EXPECT_EQ(outputFiles(), QStringList({name}));
    EXPECT_EQ(m_results.texts(),
              QStringList({name + QStringLiteral(" is named after the first 226 of the company's 250 letters and "
                                                 "digits: a file name holds at most 255 bytes")}));
    EXPECT_TRUE(m_results.redTexts().isEmpty());
}
