#include "send/zip/ZipRecords.h"

#include "send/zip/ZipDirectoryReader.h"

#include <algorithm>

namespace {

void put(char *&at, std::uint16_t value)
{
    *at++ = char(value & 0xFF);
    *at++ = char(value >> 8);
}

void put(char *&at, std::uint32_t value)
{
    put(at, std::uint16_t(value & 0xFFFF));
    put(at, std::uint16_t(value >> 16));
}

void put(char *&at, const QByteArray &bytes)
{
    std::copy(bytes.cbegin(), bytes.cend(), at);
    at += bytes.size();
}

// Little-endian fields of 16 and 32 bits and byte strings, in the order given.
template <typename... Fields> void putAll(char *&at, const Fields &...fields)
{
    (put(at, fields), ...);
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
    putAll(at, entry.versionNeeded, writtenFlags(entry), entry.method, entry.dosTime, entry.dosDate, entry.crc32,
           entry.compressedSize, entry.uncompressedSize, std::uint16_t(entry.storedName.size()));
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
    put(at, ZipDirectoryReader::kLocalHeaderSignature);
    putSharedFields(at, entry);
    putAll(at, std::uint16_t(0), entry.storedName);
    return bytes;
}

void appendCentralHeader(QByteArray &bytes, const ZipEntry &entry)
{
    const qsizetype start = bytes.size();
    bytes.resize(start + kCentralFixed + entry.storedName.size() + entry.extraField.size() + entry.comment.size());
    char *at = bytes.data() + start;
    putAll(at, ZipDirectoryReader::kCentralHeaderSignature, entry.versionMadeBy);
    putSharedFields(at, entry);
    putAll(at, std::uint16_t(entry.extraField.size()), std::uint16_t(entry.comment.size()), entry.diskNumberStart,
           entry.internalAttributes, entry.externalAttributes, entry.localHeaderOffset, entry.storedName,
           entry.extraField, entry.comment);
}

QByteArray endRecord(const DirectoryEnd &end, const QByteArray &comment)
{
    QByteArray bytes(kEndFixed + comment.size(), Qt::Uninitialized);
    char *at = bytes.data();
    putAll(at, ZipDirectoryReader::kEndRecordSignature, std::uint16_t(end.diskNumber), std::uint16_t(end.directoryDisk),
           std::uint16_t(end.countOnDisk), std::uint16_t(end.count), std::uint32_t(end.size), std::uint32_t(end.offset),
           std::uint16_t(comment.size()), comment);
    return bytes;
}

bool writtenInDirectory(const ZipEntry &entry)
{
    return entry.action != aaFailed && entry.action != aaDelete;
}

} // namespace ZipRecords
