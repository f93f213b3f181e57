#pragma once

#include "send/ZipEntry.h"

class QFile;

// Reads an entry of a saved archive back and compares it with a file.
namespace ZipReadBack {

// Whether the entry's data, inflated from the archive (entry.dataOffset as the directory reader
// found it), is the file's content byte for byte, and its size and CRC-32 are the ones the entry
// records. Reads both in pieces, whatever their size; false on any doubt (damaged data, a method
// this writer does not use, a file that cannot be read).
bool holds(QFile &archive, const ZipEntry &entry, QFile &file);

} // namespace ZipReadBack
