#include "ZipTestTools.h"

#include "send/zip/EntryCompressor.h"
#include "send/zip/ScratchStream.h"
#include "send/zip/ZipError.h"
#include "send/zip/ZipNames.h"

#include "TestEnvironment.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <random>
#include <thread>

using namespace ZipTestTools;

namespace {

QByteArray randomBytes(qint64 size)
{
    std::mt19937 random(42);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &c : bytes)
        c = char(random());
    return bytes;
}

QByteArray drain(ScratchStream &scratch)
{
    QByteArray all(scratch.size(), Qt::Uninitialized);
    scratch.seekRead(0);
    EXPECT_EQ(scratch.read(all.data(), all.size()), all.size());
    return all;
}

ZipEntry compressed(const QByteArray &content, TZipCompressionMethod method, TDeflationOption option,
                    QByteArray *data = nullptr)
{
    const QString path = TestEnvironment::fresh() + QStringLiteral("/source.DAT");
    writeFile(path, content, QDateTime(QDate(2026, 12, 8), QTime(14, 5, 31)));
    ZipEntry entry;
    entry.diskFileName = path;
    ScratchStream scratch;
    EntryCompressor::compress(entry, method, option, scratch);
    if (data)
        *data = drain(scratch);
    return entry;
}

} // namespace

TEST(EntryCompression, ThreeBytesAreStoredAfterTheDeflateAttempt)
{
    QByteArray data;
    const ZipEntry entry = compressed("abc", smBestMethod, doNormal, &data);
    EXPECT_EQ(entry.method, 0);
    EXPECT_EQ(entry.versionNeeded, 10);
    EXPECT_EQ(entry.versionMadeBy, 20);
    EXPECT_EQ(entry.crc32, 0x352441C2u);
    EXPECT_EQ(entry.compressedSize, 3u);
    EXPECT_EQ(entry.uncompressedSize, 3u);
    EXPECT_EQ(entry.internalAttributes, 1); // judged by the deflate attempt
    EXPECT_EQ(entry.externalAttributes, 0x20u);
    EXPECT_EQ(data, QByteArray("abc"));
    // 14:05:31 is 14:05:30 in two-second steps; 8 December 2026 is year 46 since 1980.
    EXPECT_EQ(entry.dosTime, (14 << 11) | (5 << 5) | 15);
    EXPECT_EQ(entry.dosDate, (46 << 9) | (12 << 5) | 8);
}

TEST(EntryCompression, AlwaysDeflatedKeepsALargerStream)
{
    const ZipEntry entry = compressed("abc", smDeflated, doNormal);
    EXPECT_EQ(entry.method, 8);
    EXPECT_EQ(entry.versionNeeded, 20);
    EXPECT_EQ(entry.compressedSize, 5u); // 3 header bits, three fixed-code literals, end of block
}

TEST(EntryCompression, StoredWithoutAttemptHasNoTextFlag)
{
    QByteArray data;
    const ZipEntry entry = compressed("plain text\r\n", smStored, doNormal, &data);
    EXPECT_EQ(entry.method, 0);
    EXPECT_EQ(entry.internalAttributes, 0);
    EXPECT_EQ(data, QByteArray("plain text\r\n"));
}

TEST(EntryCompression, EmptyFileIsStoredAsText)
{
    const ZipEntry entry = compressed(QByteArray(), smBestMethod, doNormal);
    EXPECT_EQ(entry.method, 0);
    EXPECT_EQ(entry.compressedSize, 0u);
    EXPECT_EQ(entry.uncompressedSize, 0u);
    EXPECT_EQ(entry.crc32, 0u);
    EXPECT_EQ(entry.internalAttributes, 1);
}

TEST(EntryCompression, IncompressibleDataIsStoredWhole)
{
    const QByteArray content = randomBytes(300000);
    QByteArray data;
    const ZipEntry entry = compressed(content, smBestMethod, doNormal, &data);
    EXPECT_EQ(entry.method, 0);
    EXPECT_EQ(entry.versionNeeded, 10);
    EXPECT_EQ(entry.compressedSize, entry.uncompressedSize);
    EXPECT_EQ(entry.internalAttributes, 0);
    EXPECT_EQ(data, content);
}

TEST(EntryCompression, EveryEffortShrinksText)
{
    const QByteArray content = reportText(400000, 1);
    quint32 previous = 0;
    // From least to most effort the streams get no larger.
    for (const TDeflationOption option : {doSuperFast, doFast, doNormal, doMaximum}) {
        const ZipEntry entry = compressed(content, smBestMethod, option);
        EXPECT_EQ(entry.method, 8);
        EXPECT_EQ(entry.internalAttributes, 1);
        EXPECT_LT(entry.compressedSize, content.size() / 2);
        if (previous)
            EXPECT_LE(entry.compressedSize, previous);
        previous = entry.compressedSize;
    }
}

TEST(EntryCompression, MissingOrUnreadableSourceFails)
{
    const QString root = TestEnvironment::fresh();
    ZipEntry entry;
    ScratchStream scratch;
    entry.diskFileName = root + QStringLiteral("/gone.DAT");
    EXPECT_THROW(EntryCompressor::compress(entry, smBestMethod, doNormal, scratch), ZipError);
    QDir(root).mkdir(QStringLiteral("dir.DAT"));
    entry.diskFileName = root + QStringLiteral("/dir.DAT");
    EXPECT_THROW(EntryCompressor::compress(entry, smBestMethod, doNormal, scratch), ZipError);
}

TEST(EntryCompression, TextRuleCountsBytesByClass)
{
    // Binary bytes: 0-6 and 128-255; four text bytes allow one binary byte.
    EXPECT_TRUE(EntryCompressor::looksLikeText("abcd\x01", 5));
    EXPECT_FALSE(EntryCompressor::looksLikeText("abc\x01", 4));
    EXPECT_TRUE(EntryCompressor::looksLikeText("\x07\x7F\x7F\x7F\x80", 5));
    EXPECT_FALSE(EntryCompressor::looksLikeText("\x06", 1));
    EXPECT_TRUE(EntryCompressor::looksLikeText("", 0));
}

TEST(EntryCompression, DosTimeOfEarlyDatesIsTheFirstDay)
{
    EXPECT_EQ(EntryCompressor::dosDateTime(QDateTime(QDate(1975, 5, 5), QTime(10, 0))), 0x00210000u);
    EXPECT_EQ(EntryCompressor::dosDateTime(QDateTime(QDate(1980, 1, 1), QTime(0, 0, 1))), 0x00210000u);
    EXPECT_EQ(EntryCompressor::dosDateTime(QDateTime(QDate(2000, 2, 29), QTime(23, 59, 59))),
              std::uint32_t((20 << 9 | 2 << 5 | 29) << 16 | (23 << 11 | 59 << 5 | 29)));
}

TEST(EntryCompression, ACoderUsedBeforeGivesTheBytesOfANewOne)
{
    // Each thread keeps its deflate coder from file to file; one that compressed other files, with
    // another effort too, must give what a thread's first coder gives.
    const QByteArray content = reportText(150000, 7);
    QByteArray fresh;
    std::thread([&] { compressed(content, smDeflated, doNormal, &fresh); }).join();
    compressed(reportText(70000, 8), smDeflated, doMaximum);
    compressed(reportText(40000, 9), smDeflated, doNormal);
    QByteArray reused;
    const ZipEntry entry = compressed(content, smDeflated, doNormal, &reused);
    EXPECT_EQ(reused, fresh);
    EXPECT_EQ(entry.compressedSize, std::uint32_t(fresh.size()));
}

TEST(ScratchStream, KeepsTwentyFivePagesAndSwapsTheRest)
{
    ScratchStream scratch;
    const QByteArray small(ScratchStream::kPageSize * ScratchStream::kMaxPages, 'x');
    scratch.write(small.constData(), small.size());
    EXPECT_TRUE(scratch.swapFilePath().isEmpty());

    const QByteArray content = randomBytes(300000);
    scratch.reset();
    // Odd piece sizes cross page borders.
    for (qsizetype at = 0; at < content.size(); at += 777)
        scratch.write(content.constData() + at, std::min<qsizetype>(777, content.size() - at));
    const QString swap = scratch.swapFilePath();
    ASSERT_FALSE(swap.isEmpty());
    EXPECT_TRUE(QFileInfo(swap).fileName().startsWith(QStringLiteral("VMS")));
    EXPECT_EQ(QFileInfo(swap).absolutePath(), QFileInfo(QDir::tempPath()).absoluteFilePath());
    EXPECT_EQ(drain(scratch), content);
    // Spilled while it waits, it reads back the same, its pages coming from the swap file alone.
    scratch.spill();
    EXPECT_EQ(drain(scratch), content);

    // Set back to its start, the stream holds only what is written afterwards.
    scratch.reset();
    scratch.write("tail", 4);
    EXPECT_EQ(drain(scratch), QByteArray("tail"));
}

TEST(ScratchStream, SwapFileGoesWithTheStream)
{
    QString swap;
    {
        ScratchStream scratch;
        const QByteArray content = randomBytes(200000);
        scratch.write(content.constData(), content.size());
        swap = scratch.swapFilePath();
        EXPECT_TRUE(QFileInfo::exists(swap));
    }
    EXPECT_FALSE(QFileInfo::exists(swap));
}

TEST(ScratchStream, SwapFileThatCannotBeMadeIsReported)
{
    const QByteArray saved = qgetenv("TMPDIR");
    // A temporary "directory" that is a plain file: nothing can be made in it.
    const QString missing = TestEnvironment::fresh() + QStringLiteral("/plain-file");
    writeFile(missing, "not a directory");
    qputenv("TMPDIR", QFile::encodeName(missing));
    ScratchStream scratch;
    const QByteArray content(200000, 'y');
    try {
        scratch.write(content.constData(), content.size());
        ADD_FAILURE() << "no failure";
    } catch (const ZipError &failure) {
        EXPECT_EQ(failure.message(), QStringLiteral("VMS: Cannot open swap file %1/VMSXXXXXX").arg(missing));
    }
    if (saved.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", saved);
}

TEST(StoredNames, DriveShareAndDotsGo)
{
    const unsigned options = ZipNames::soStripDrive | ZipNames::soRemoveDots;
    EXPECT_EQ(ZipNames::storedName(QStringLiteral("C:\\Orvane\\Sorvik\\sub\\A.DAT"), options),
              QStringLiteral("Orvane/Sorvik/sub/A.DAT"));
    EXPECT_EQ(ZipNames::storedName(QStringLiteral("c:/Orvane/Sorvik/A.DAT"), options),
              QStringLiteral("Orvane/Sorvik/A.DAT"));
    EXPECT_EQ(ZipNames::storedName(QStringLiteral("C:A.DAT"), options), QStringLiteral("A.DAT"));
    EXPECT_EQ(ZipNames::storedName(QStringLiteral("\\\\SERVER\\SYS\\PUBLIC\\A.DAT"), options),
              QStringLiteral("PUBLIC/A.DAT"));
    EXPECT_EQ(ZipNames::storedName(QStringLiteral("\\Reports\\A.DAT"), options), QStringLiteral("Reports/A.DAT"));
    EXPECT_EQ(ZipNames::storedName(QStringLiteral("..\\..\\x\\A.DAT"), options), QStringLiteral("x/A.DAT"));
    EXPECT_EQ(ZipNames::storedName(QStringLiteral("Long name.Dat"), options), QStringLiteral("Long name.Dat"));
    EXPECT_EQ(ZipNames::storedName(QStringLiteral("C:\\a\\B.DAT"), options | ZipNames::soStripPath),
              QStringLiteral("B.DAT"));
    EXPECT_EQ(ZipNames::storedName(QStringLiteral("..\\A.DAT"), ZipNames::soStripDrive), QStringLiteral("../A.DAT"));
}

TEST(StoredNames, HashIgnoresCase)
{
    // "A.DAT": h = 0x41, 0x43E, 0x4424, 0x44281, 0x442864 = 4466788; 4466788 - 4374 * 1021 = 934.
    EXPECT_EQ(ZipNames::bucketOf("A.DAT"), 934);
    EXPECT_EQ(ZipNames::bucketOf("a.dat"), 934);
    EXPECT_EQ(ZipNames::bucketOf(""), 0);
    // Long names push bits into the top nibble, which folds back into the low bits.
    const QByteArray longName(40, 'z');
    EXPECT_GE(ZipNames::bucketOf(longName), 0);
    EXPECT_LT(ZipNames::bucketOf(longName), 1021);
}

TEST(StoredNames, MasksMatchLikeTheFileSearch)
{
    EXPECT_TRUE(ZipNames::matchesMask(QStringLiteral("A.DAT"), QStringLiteral("*.dat")));
    EXPECT_TRUE(ZipNames::matchesMask(QStringLiteral("README"), QStringLiteral("*.*")));
    EXPECT_FALSE(ZipNames::matchesMask(QStringLiteral("README"), QStringLiteral("*.?*")));
    EXPECT_TRUE(ZipNames::matchesMask(QStringLiteral("01A2005C.DAT"), QStringLiteral("01??005C.*")));
    EXPECT_FALSE(ZipNames::matchesMask(QStringLiteral("A.DATX"), QStringLiteral("*.DAT")));
}
