#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

// Helpers shared by the archive tests: files on the mapped drives, little-endian fields, and the
// independent checks by Info-ZIP unzip and Python's zipfile.
namespace ZipTestTools {

// Writes a file (host path), making its directory; with a time, sets its last-write time.
void writeFile(const QString &hostPath, const QByteArray &content, const QDateTime &modified = QDateTime());
QByteArray readFile(const QString &hostPath);

std::uint16_t u16(const QByteArray &bytes, qsizetype at);
std::uint32_t u32(const QByteArray &bytes, qsizetype at);

// "unzip -t -q": std::nullopt when unzip is missing, otherwise exit status and output.
struct ToolResult
{
    int status = 0;
    QString output;
    QString errors;
};
std::optional<ToolResult> unzipTest(const QString &hostPath);

// Python's zipfile: the entries and the comment, and whether testzip() found every entry sound.
struct PyEntry
{
    QString name;
    qint64 size = 0;
    std::uint32_t crc = 0;
    int method = 0;
    qint64 headerOffset = 0;
    QByteArray content;
};
struct PyArchive
{
    bool sound = false;
    QString error;
    std::vector<PyEntry> entries;
    QByteArray comment;
};
std::optional<PyArchive> pythonZipfile(const QString &hostPath);

// Runs a program in a directory; std::nullopt when it cannot be started.
std::optional<ToolResult> run(const QString &program, const QStringList &args, const QString &directory,
                              const QByteArray &input = QByteArray());

// Text that reads like a server data file, of about the given size.
QByteArray reportText(qint64 size, int seed);

} // namespace ZipTestTools

// Both independent tools must accept the archive; skips the test when a tool is missing.
#define EXPECT_ARCHIVE_SOUND(hostPath)                                                                                 \
    do {                                                                                                               \
        const auto unzipResult = ZipTestTools::unzipTest(hostPath);                                                    \
        if (!unzipResult)                                                                                              \
            GTEST_SKIP() << "Info-ZIP unzip is not installed";                                                         \
        EXPECT_EQ(unzipResult->status, 0) << (unzipResult->output + unzipResult->errors).toStdString();                \
        const auto pyResult = ZipTestTools::pythonZipfile(hostPath);                                                   \
        if (!pyResult)                                                                                                 \
            GTEST_SKIP() << "python3 is not installed";                                                                \
        EXPECT_TRUE(pyResult->sound) << pyResult->error.toStdString();                                                 \
    } while (false)
