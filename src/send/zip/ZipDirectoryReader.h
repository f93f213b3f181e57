#pragma once

#include "send/zip/ZipEntry.h"

#include <QByteArray>

#include <vector>

class QIODevice;

// What the central directory of an existing archive holds.
struct ZipDirectory
{
    std::vector<ZipEntry> entries; // in directory order, all aaNone
    QByteArray comment;            // the archive comment, written back unchanged
    bool spanned = false;          // part of a multi-disk set: may be read but never updated
};

namespace ZipDirectoryReader {

constexpr std::uint32_t kLocalHeaderSignature = 0x04034B50;
constexpr std::uint32_t kCentralHeaderSignature = 0x02014B50;
constexpr std::uint32_t kEndRecordSignature = 0x06054B50;
constexpr std::uint32_t kSpannedMarker = 0x08074B50;
constexpr std::uint32_t kSingleDiskMarker = 0x30304B50;

// Whether the first four bytes of the device are the multi-disk marker.
bool startsSpanned(QIODevice &device);

// Reads the central directory of the archive on a random-access device. An empty device is an
// archive without entries. Every offset, size and count is checked against the device's size before
// anything is read, so a damaged or hostile file fails with ZipError("Invalid file - not a PKZip
// file") and nothing outside the file is touched. For an archive that is not spanned each entry's
// local header is checked as well, and ZipEntry::dataOffset points at its compressed data.
ZipDirectory read(QIODevice &device);

} // namespace ZipDirectoryReader
