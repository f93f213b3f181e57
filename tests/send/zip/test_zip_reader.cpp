#include "ZipTestTools.h"

#include "platform/Drives.h"
#include "send/zip/ZipDirectoryReader.h"
#include "send/zip/ZipError.h"
#include "send/zip/ZipWriter.h"

#include "RecordingInteraction.h"
#include "TestEnvironment.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <gtest/gtest.h>

using namespace ZipTestTools;

namespace {

const QString kDirectory = QStringLiteral("C:\\Orvane\\Sorvik");
const QString kArchive = QStringLiteral("C:\\Orvane\\Sorvik\\Test.zip");

QString host(const QString &windowsPath)
{
    return Drives::hostPath(windowsPath);
}

void put16(QByteArray &bytes, qsizetype at, std::uint16_t value)
{
    bytes[at] = char(value & 0xFF);
    bytes[at + 1] = char(value >> 8);
}

void put32(QByteArray &bytes, qsizetype at, std::uint32_t value)
{
    put16(bytes, at, std::uint16_t(value & 0xFFFF));
    put16(bytes, at + 2, std::uint16_t(value >> 16));
}

// The worked example archive (one entry A.DAT holding "abc"), laid out by hand.
QByteArray workedExample()
{
    return QByteArray::fromHex("504b03040a0000000000af70885dc2412435030000000300000005000000412e444154616263"
                               "504b010214000a0000000000af70885dc2412435030000000300000005000000000000000100"
                               "2000000000000000412e444154"
                               "504b0506000000000100010033000000260000000000");
}

ZipDirectory readBytes(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return ZipDirectoryReader::read(buffer);
}

void expectInvalid(const QByteArray &bytes, const char *what)
{
    try {
        readBytes(bytes);
        ADD_FAILURE() << "accepted: " << what;
    } catch (const ZipError &failure) {
        EXPECT_EQ(failure.message(), QStringLiteral("Invalid file - not a PKZip file")) << what;
    }
}

class ZipReaderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TestEnvironment::fresh();
        QDir().mkpath(host(kDirectory));
    }

    // Makes an archive with Info-ZIP zip in the output directory; false when zip is missing.
    bool infoZip(const QStringList &args, const QByteArray &input = QByteArray())
    {
        const auto result = run(QStringLiteral("zip"), args, host(kDirectory), input);
        if (!result)
            return false;
        EXPECT_EQ(result->status, 0) << result->output.toStdString();
        return true;
    }

    RecordingInteraction m_interaction;
};

} // namespace

TEST(ZipReader, ReadsTheWorkedExample)
{
    const ZipDirectory directory = readBytes(workedExample());
    ASSERT_EQ(directory.entries.size(), 1u);
    const ZipEntry &entry = directory.entries[0];
    EXPECT_EQ(entry.storedName, QByteArray("A.DAT"));
    EXPECT_EQ(entry.crc32, 0x352441C2u);
    EXPECT_EQ(entry.dataOffset, 35);
    EXPECT_EQ(entry.internalAttributes, 1);
    EXPECT_EQ(entry.action, aaNone);
    EXPECT_FALSE(directory.spanned);
    EXPECT_TRUE(readBytes(QByteArray()).entries.empty());
}

TEST(ZipReader, DamagedOrHostileArchivesAreRefused)
{
    const QByteArray good = workedExample();
    const qsizetype central = 38;
    const qsizetype end = 89;
    expectInvalid("PK", "two bytes");
    expectInvalid(QByteArray(22, '\0'), "zeros");
    expectInvalid(good.left(60), "cut inside the directory");
    expectInvalid(good.left(good.size() - 1), "cut inside the end record");
    QByteArray bytes = good;
    put32(bytes, end + 16, 0xFFFFFFF0u);
    expectInvalid(bytes, "directory offset past the end");
    bytes = good;
    put32(bytes, end + 12, 0x7FFFFFFFu);
    expectInvalid(bytes, "directory size past the start");
    bytes = good;
    put16(bytes, end + 8, 2);
    put16(bytes, end + 10, 2);
    expectInvalid(bytes, "more entries than the directory holds");
    bytes = good;
    put16(bytes, central + 28, 200);
    expectInvalid(bytes, "name longer than the record");
    bytes = good;
    put16(bytes, central + 32, 1);
    expectInvalid(bytes, "entry comment past the directory");
    bytes = good;
    put16(bytes, end + 20, 5);
    expectInvalid(bytes, "archive comment past the end");
    bytes = good;
    put32(bytes, central + 42, 3);
    expectInvalid(bytes, "local header offset off the header");
    bytes = good;
    put32(bytes, central + 20, 40);
    expectInvalid(bytes, "compressed size past the directory");
    bytes = good;
    put16(bytes, 26, 0xFFFF);
    expectInvalid(bytes, "local name length past the directory");
    bytes = good;
    bytes[central] = 'X';
    expectInvalid(bytes, "broken central signature");
}

TEST(ZipReader, EndRecordIsFoundOnlyNearTheEnd)
{
    QByteArray bytes = workedExample();
    put16(bytes, 89 + 20, 2000);
    bytes.append(QByteArray(2000, 'c'));
    EXPECT_EQ(readBytes(bytes).comment.size(), 2000);
    bytes = workedExample();
    put16(bytes, 89 + 20, 2100);
    bytes.append(QByteArray(2100, 'c'));
    expectInvalid(bytes, "end record more than 2044 bytes from the end");
}

TEST(ZipReader, ProgramStubInFrontShiftsTheOffsets)
{
    QByteArray bytes = "MZ" + QByteArray(62, '\x90');
    bytes.append(workedExample());
    const ZipDirectory directory = readBytes(bytes);
    ASSERT_EQ(directory.entries.size(), 1u);
    EXPECT_EQ(directory.entries[0].dataOffset, 64 + 35);
}

TEST_F(ZipReaderTest, ArchivesOfInfoZipAreReopenedAndExtended)
{
    writeFile(host(kDirectory + QStringLiteral("\\one.txt")), reportText(30000, 1));
    writeFile(host(kDirectory + QStringLiteral("\\two.txt")), "tiny");
    if (!infoZip(
            {QStringLiteral("-q"), QStringLiteral("plain.zip"), QStringLiteral("one.txt"), QStringLiteral("two.txt")}))
        GTEST_SKIP() << "Info-ZIP zip is not installed";
    ASSERT_TRUE(
        infoZip({QStringLiteral("-q"), QStringLiteral("-z"), QStringLiteral("noted.zip"), QStringLiteral("one.txt")},
                "An archive comment\nof two lines\n.\n"));
    writeFile(host(kDirectory + QStringLiteral("\\A.DAT")), reportText(8000, 2));

    for (const char *name : {"plain.zip", "noted.zip"}) {
        const QString archive = kDirectory + QLatin1Char('\\') + QLatin1String(name);
        const auto before = pythonZipfile(host(archive));
        ASSERT_TRUE(before);
        TZipWriter writer(&m_interaction);
        writer.SetAutoSave(true);
        writer.SetFileName(archive);
        writer.SetBaseDirectory(kDirectory);
        ASSERT_EQ(writer.Entries().size(), before->entries.size());
        writer.AddFiles(QStringLiteral("A.DAT"), 0);
        writer.SetFileName(QString());

        EXPECT_ARCHIVE_SOUND(host(archive));
        const auto after = pythonZipfile(host(archive));
        ASSERT_EQ(after->entries.size(), before->entries.size() + 1) << name;
        for (std::size_t i = 0; i < before->entries.size(); ++i) {
            EXPECT_EQ(after->entries[i].name, before->entries[i].name);
            EXPECT_EQ(after->entries[i].content, before->entries[i].content);
        }
        EXPECT_EQ(after->entries.back().name, QStringLiteral("A.DAT"));
        EXPECT_EQ(after->entries.back().content, reportText(8000, 2));
        EXPECT_EQ(after->comment, before->comment);
    }
    EXPECT_EQ(pythonZipfile(host(kDirectory + QStringLiteral("\\noted.zip")))->comment,
              QByteArray("An archive comment\r\nof two lines")); // zip writes comment lines with CR LF
}

TEST_F(ZipReaderTest, StreamedInfoZipEntriesLoseTheirDescriptorFlag)
{
    // Writing into a pipe zip cannot seek back, so it follows the data with a descriptor (flag bit 3).
    const auto result =
        run(QStringLiteral("sh"),
            {QStringLiteral("-c"), QStringLiteral("printf 'piped data\\n' | zip -q -fz- - - | cat > streamed.zip")},
            host(kDirectory));
    if (!result || result->status != 0 || QStandardPaths::findExecutable(QStringLiteral("zip")).isEmpty())
        GTEST_SKIP() << "Info-ZIP zip is not installed";
    writeFile(host(kDirectory + QStringLiteral("\\A.DAT")), "abc");
    const QString archive = kDirectory + QStringLiteral("\\streamed.zip");
    ASSERT_EQ(u16(readFile(host(archive)), 6) & 0x0008, 0x0008);
    TZipWriter writer(&m_interaction);
    writer.SetAutoSave(true);
    writer.SetFileName(archive);
    writer.SetBaseDirectory(kDirectory);
    writer.AddFiles(QStringLiteral("A.DAT"), 0);
    writer.SetFileName(QString());
    EXPECT_ARCHIVE_SOUND(host(archive));
    const auto after = pythonZipfile(host(archive));
    ASSERT_EQ(after->entries.size(), 2u);
    EXPECT_EQ(after->entries[0].content, QByteArray("piped data\n"));
    EXPECT_EQ(u16(readFile(host(archive)), 6) & 0x0008, 0);
}

TEST_F(ZipReaderTest, Zip64RecordsBeforeTheEndRecordAreSteppedOver)
{
    // Reading from standard input zip cannot know the size and adds the Zip64 end records.
    const auto result =
        run(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("printf 'piped data\\n' | zip -q piped.zip -")},
            host(kDirectory));
    if (!result || result->status != 0 || QStandardPaths::findExecutable(QStringLiteral("zip")).isEmpty())
        GTEST_SKIP() << "Info-ZIP zip is not installed";
    writeFile(host(kDirectory + QStringLiteral("\\A.DAT")), "abc");
    const QString archive = kDirectory + QStringLiteral("\\piped.zip");
    TZipWriter writer(&m_interaction);
    writer.SetAutoSave(true);
    writer.SetFileName(archive);
    writer.SetBaseDirectory(kDirectory);
    ASSERT_EQ(writer.Entries().size(), 1u);
    writer.AddFiles(QStringLiteral("A.DAT"), 0);
    writer.SetFileName(QString());
    EXPECT_ARCHIVE_SOUND(host(archive));
    const auto after = pythonZipfile(host(archive));
    ASSERT_EQ(after->entries.size(), 2u);
    EXPECT_EQ(after->entries[0].content, QByteArray("piped data\n"));
}

TEST_F(ZipReaderTest, SpannedSetAsksForTheLastDiskAndIsNeverUpdated)
{
    QByteArray bytes = workedExample();
    bytes.prepend(QByteArray("PK\x07\x08", 4));
    // Offsets of a spanned disk count from its own start: the marker is part of the first disk.
    put32(bytes, 4 + 38 + 42, 4);
    put32(bytes, 4 + 89 + 16, 42);
    writeFile(host(kArchive), bytes);
    writeFile(host(kDirectory + QStringLiteral("\\B.DAT")), "b");
    TZipWriter writer(&m_interaction);
    writer.SetAutoSave(true);
    writer.SetFileName(kArchive);
    ASSERT_EQ(m_interaction.messages.size(), 1u);
    EXPECT_EQ(m_interaction.messages[0].caption, QStringLiteral("Insert floppy"));
    EXPECT_EQ(m_interaction.messages[0].text, QStringLiteral("Insert the last disk in the spanned disk set"));
    EXPECT_EQ(writer.Entries().size(), 1u);
    writer.SetBaseDirectory(kDirectory);
    try {
        writer.AddFiles(QStringLiteral("B.DAT"), 0);
        ADD_FAILURE() << "no failure";
    } catch (const ZipError &failure) {
        EXPECT_EQ(failure.message(), QStringLiteral("Cannot update an existing spanned disk set"));
    }
    writer.SetFileName(QString());
    EXPECT_EQ(readFile(host(kArchive)), bytes);
}

TEST_F(ZipReaderTest, DiskRequestAnsweredWithAbortFailsTheLoad)
{
    QByteArray bytes = workedExample();
    bytes.prepend(QByteArray("PK\x07\x08", 4));
    writeFile(host(kArchive), bytes);
    TZipWriter writer(&m_interaction);
    int asked = -1;
    writer.OnRequestDisk = [&](int disk) {
        asked = disk;
        return false;
    };
    EXPECT_THROW(writer.SetFileName(kArchive), ZipError);
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(writer.Status(), asInvalid);
}
