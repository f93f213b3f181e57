#include "send/zip/ZipRecords.h"

#include "send/zip/ZipDirectoryReader.h"

#include <algorithm>

namespace {

void put16(char *&at, std::uint16_t value)
{
    *at++ = char(value & 0xFF);
    *at++ = char(value >> 8);
}

void put32(char *&at, std::uint32_t value)
{
    put16(at, std::uint16_t(value & 0xFFFF));
    put16(at, std::uint16_t(value >> 16));
}

// Carried-over entries get their real sizes in the local header and no data descriptor, so the
// descriptor flag (bit 3) is dropped.
std::uint16_t writtenFlags(const ZipEntry &entry)
{
    return entry.flags & ~std::uint16_t(0x0008);
}

// The fields the local and the central header hold alike, in the same order: from the version needed
// to extract up to the length of the name.
void putSharedFields(char *&at, const ZipEntry &entry)
{
    put16(at, entry.versionNeeded);
    put16(at, writtenFlags(entry));
    put16(at, entry.method);
    put16(at, entry.dosTime);
    put16(at, entry.dosDate);
    put32(at, entry.crc32);
    put32(at, entry.compressedSize);
    put32(at, entry.uncompressedSize);
    put16(at, std::uint16_t(entry.storedName.size()));
}

void putBytes(char *&at, const QByteArray &bytes)
{
    std::copy(bytes.cbegin(), bytes.cend(), at);
    at += bytes.size();
}

constexpr qint64 kLocalFixed = 30;
constexpr qint64 kCentralFixed = 46;
constexpr qint64 kEndFixed = 22;

} // namespace

namespace ZipRecords {

qint64 localHeaderSize(const ZipEntry &entry)
{
    return kLocalFixed + entry.storedName.size();
}

QByteArray localHeader(const ZipEntry &entry)
{
    QByteArray bytes(localHeaderSize(entry), Qt::Uninitialized);
    char *at = bytes.data();
    put32(at, ZipDirectoryReader::kLocalHeaderSignature);
    putSharedFields(at, entry);
    put16(at, 0);
    putBytes(at, entry.storedName);
    return bytes;
}

void appendCentralHeader(QByteArray &bytes, const ZipEntry &entry)
{
    const qsizetype start = bytes.size();
    bytes.resize(start + kCentralFixed + entry.storedName.size() + entry.extraField.size() + entry.comment.size());
    char *at = bytes.data() + start;
    put32(at, ZipDirectoryReader::kCentralHeaderSignature);
    put16(at, entry.versionMadeBy);
    putSharedFields(at, entry);
    put16(at, std::uint16_t(entry.extraField.size()));
    put16(at, std::uint16_t(entry.comment.size()));
    put16(at, entry.diskNumberStart);
    put16(at, entry.internalAttributes);
    put32(at, entry.externalAttributes);
    put32(at, entry.localHeaderOffset);
    putBytes(at, entry.storedName);
    putBytes(at, entry.extraField);
    putBytes(at, entry.comment);
}

QByteArray endRecord(const DirectoryEnd &end, const QByteArray &comment)
{
    QByteArray bytes(kEndFixed + comment.size(), Qt::Uninitialized);
    char *at = bytes.data();
    put32(at, ZipDirectoryReader::kEndRecordSignature);
    put16(at, std::uint16_t(end.diskNumber));
    put16(at, std::uint16_t(end.directoryDisk));
    put16(at, std::uint16_t(end.countOnDisk));
    put16(at, std::uint16_t(end.count));
    put32(at, std::uint32_t(end.size));
    put32(at, std::uint32_t(end.offset));
    put16(at, std::uint16_t(comment.size()));
    putBytes(at, comment);
    return bytes;
}

bool writtenInDirectory(const ZipEntry &entry)
{
    return entry.action != aaFailed && entry.action != aaDelete;
}

} // namespace ZipRecords
