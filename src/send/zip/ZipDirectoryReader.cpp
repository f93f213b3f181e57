#include "send/zip/ZipDirectoryReader.h"

#include "send/zip/ZipError.h"

#include <QIODevice>

#include <algorithm>

namespace {

constexpr qint64 kEndRecordSize = 22;
constexpr qint64 kCentralHeaderSize = 46;
constexpr qint64 kLocalHeaderSize = 30;
// The end record's signature must begin within this many bytes from the end of the file.
constexpr qint64 kEndSearchReach = 2044;

[[noreturn]] void invalid()
{
    throw ZipError(QStringLiteral("Invalid file - not a PKZip file"));
}

std::uint16_t u16(const char *p)
{
    const auto *b = reinterpret_cast<const unsigned char *>(p);
    return std::uint16_t(b[0] | b[1] << 8);
}

std::uint32_t u32(const char *p)
{
    const auto *b = reinterpret_cast<const unsigned char *>(p);
    return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24;
}

QByteArray readAt(QIODevice &device, qint64 offset, qint64 length, qint64 size)
{
    if (offset < 0 || length < 0 || offset > size || length > size - offset)
        invalid();
    if (!device.seek(offset))
        invalid();
    QByteArray bytes = device.read(length);
    if (bytes.size() != length)
        invalid();
    return bytes;
}

QByteArray readAt(QIODevice &device, qint64 offset, qint64 length)
{
    return readAt(device, offset, length, device.size());
}

// The local headers of the entries, read through a window on the file: they mostly come in the
// order of the file, so that one read covers several of them.
class HeaderWindow final
{
public:
    HeaderWindow(QIODevice &device, qint64 size) : m_device(device), m_size(size) {}

    // The length bytes at offset, which must lie inside the file.
    const char *at(qint64 offset, qint64 length)
    {
        if (offset < m_start || offset - m_start > m_bytes.size() - length) {
            if (offset < 0 || length > m_size - offset)
                invalid();
            m_bytes = readAt(m_device, offset, std::min(std::max(length, kWindow), m_size - offset), m_size);
            m_start = offset;
        }
        return m_bytes.constData() + (offset - m_start);
    }

private:
    static constexpr qint64 kWindow = 16384;
    QIODevice &m_device;
    qint64 m_size;
    qint64 m_start = 0;
    QByteArray m_bytes;
};

struct EndRecord
{
    qint64 position = -1;
    std::uint16_t thisDisk = 0;
    std::uint16_t directoryDisk = 0;
    std::uint16_t entriesOnDisk = 0;
    std::uint16_t totalEntries = 0;
    std::uint32_t directorySize = 0;
    std::uint32_t directoryOffset = 0;
    QByteArray comment;
};

// Searched backwards from the end: the last signature whose record and comment lie inside the file.
EndRecord findEndRecord(QIODevice &device)
{
    const qint64 size = device.size();
    if (size < kEndRecordSize)
        invalid();
    const qint64 tailStart = std::max<qint64>(0, size - kEndSearchReach);
    const QByteArray tail = readAt(device, tailStart, size - tailStart);
    for (qint64 at = tail.size() - kEndRecordSize; at >= 0; --at) {
        const char *p = tail.constData() + at;
        if (u32(p) != ZipDirectoryReader::kEndRecordSignature)
            continue;
        const qint64 commentLength = u16(p + 20);
        if (at + kEndRecordSize + commentLength > tail.size())
            continue;
        return EndRecord{.position = tailStart + at,
                         .thisDisk = u16(p + 4),
                         .directoryDisk = u16(p + 6),
                         .entriesOnDisk = u16(p + 8),
                         .totalEntries = u16(p + 10),
                         .directorySize = u32(p + 12),
                         .directoryOffset = u32(p + 16),
                         .comment = tail.mid(at + kEndRecordSize, commentLength)};
    }
    invalid();
}

// Whether a directory of the given size starting at offset fits before the end record and begins
// with a central header.
bool directoryAt(QIODevice &device, qint64 offset, qint64 size, qint64 endPosition)
{
    if (offset + size > endPosition)
        return false;
    if (size == 0)
        return true;
    if (size < 4 || !device.seek(offset))
        return false;
    const QByteArray signature = device.read(4);
    return signature.size() == 4 && u32(signature.constData()) == ZipDirectoryReader::kCentralHeaderSignature;
}

// Where the directory starts. It normally lies where the end record says. When it does not, a
// program stub or other bytes in front of the archive have shifted every recorded offset by the same
// amount (shift), and the directory is taken to end where the end record begins.
qint64 locateDirectory(QIODevice &device, const EndRecord &end, bool spanned, qint64 &shift)
{
    shift = 0;
    if (directoryAt(device, end.directoryOffset, end.directorySize, end.position))
        return end.directoryOffset;
    const qint64 directoryStart = end.position - qint64(end.directorySize);
    if (directoryStart < 0)
        invalid();
    shift = directoryStart - qint64(end.directoryOffset);
    if (shift < 0 && !spanned)
        invalid();
    return directoryStart;
}

// The entry whose central header starts at offset at of the directory; at moves past it.
ZipEntry centralEntry(const QByteArray &central, qint64 &at)
{
    if (central.size() - at < kCentralHeaderSize)
        invalid();
    const char *p = central.constData() + at;
    if (u32(p) != ZipDirectoryReader::kCentralHeaderSignature)
        invalid();
    const qint64 nameLength = u16(p + 28);
    const qint64 extraLength = u16(p + 30);
    const qint64 commentLength = u16(p + 32);
    const qint64 recordLength = kCentralHeaderSize + nameLength + extraLength + commentLength;
    if (central.size() - at < recordLength)
        invalid();
    const qint64 name = at + kCentralHeaderSize;
    ZipEntry entry{.storedName = central.mid(name, nameLength),
                   .action = aaNone,
                   .versionMadeBy = u16(p + 4),
                   .versionNeeded = u16(p + 6),
                   .flags = u16(p + 8),
                   .method = u16(p + 10),
                   .dosTime = u16(p + 12),
                   .dosDate = u16(p + 14),
                   .crc32 = u32(p + 16),
                   .compressedSize = u32(p + 20),
                   .uncompressedSize = u32(p + 24),
                   .diskNumberStart = u16(p + 34),
                   .internalAttributes = u16(p + 36),
                   .externalAttributes = u32(p + 38),
                   .localHeaderOffset = u32(p + 42),
                   .extraField = central.mid(name + nameLength, extraLength),
                   .comment = central.mid(name + nameLength + extraLength, commentLength)};
    at += recordLength;
    return entry;
}

} // namespace

namespace ZipDirectoryReader {

bool startsSpanned(QIODevice &device)
{
    if (device.size() < 4 || !device.seek(0))
        return false;
    const QByteArray start = device.read(4);
    return start.size() == 4 && u32(start.constData()) == kSpannedMarker;
}

ZipDirectory read(QIODevice &device)
{
    ZipDirectory directory;
    const qint64 size = device.size();
    if (size == 0)
        return directory;

    const EndRecord end = findEndRecord(device);
    directory.comment = end.comment;
    directory.spanned =
        startsSpanned(device) || end.thisDisk != 0 || end.directoryDisk != 0 || end.entriesOnDisk != end.totalEntries;
    if (directory.spanned && end.thisDisk != end.directoryDisk)
        return directory; // the directory starts on an earlier disk: nothing to read here

    qint64 shift = 0;
    const qint64 directoryStart = locateDirectory(device, end, directory.spanned, shift);
    const QByteArray central = readAt(device, directoryStart, end.directorySize, size);
    HeaderWindow headers(device, size);
    qint64 at = 0;
    directory.entries.reserve(std::min<qint64>(end.entriesOnDisk, central.size() / kCentralHeaderSize));
    for (int i = 0; i < end.entriesOnDisk; ++i) {
        ZipEntry entry = centralEntry(central, at);
        if (!directory.spanned) {
            // The entry's data must lie between its local header and the central directory.
            const qint64 local = qint64(entry.localHeaderOffset) + shift;
            if (local < 0 || directoryStart - local < kLocalHeaderSize)
                invalid();
            const char *header = headers.at(local, kLocalHeaderSize);
            if (u32(header) != kLocalHeaderSignature)
                invalid();
            const qint64 dataOffset = local + kLocalHeaderSize + u16(header + 26) + u16(header + 28);
            if (dataOffset > directoryStart || directoryStart - dataOffset < qint64(entry.compressedSize))
                invalid();
            entry.dataOffset = dataOffset;
        }
        directory.entries.push_back(std::move(entry));
    }
    return directory;
}

} // namespace ZipDirectoryReader
