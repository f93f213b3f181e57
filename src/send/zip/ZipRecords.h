#pragma once

#include "send/zip/ZipEntry.h"

#include <QByteArray>

#include <cstdint>

// The records of an archive as this writer builds them: the local header before each entry's data,
// the central directory header of each entry, and the end record after the directory.
namespace ZipRecords {

// What the end record says about the central directory.
struct DirectoryEnd
{
    int diskNumber = 0;    // the disk the end record is on
    int directoryDisk = 0; // the disk the directory starts on
    int countOnDisk = 0;   // entries of the directory on the end record's disk
    int count = 0;
    qint64 size = 0;
    qint64 offset = 0; // where the directory starts on its first disk
};

QByteArray localHeader(const ZipEntry &entry);
// The length localHeader(entry) has.
qint64 localHeaderSize(const ZipEntry &entry);
// Appends the central directory header of the entry.
void appendCentralHeader(QByteArray &bytes, const ZipEntry &entry);
QByteArray endRecord(const DirectoryEnd &end, const QByteArray &comment);

// Whether the entry has a central directory header in the saved archive: failed and deleted entries
// are left out.
bool writtenInDirectory(const ZipEntry &entry);

} // namespace ZipRecords
