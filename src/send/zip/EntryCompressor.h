#pragma once

#include "send/zip/ZipEntry.h"

#include <QDateTime>

#include <atomic>
#include <cstdint>

class ScratchStream;

namespace EntryCompressor {

// The largest file an entry holds: the archive records sizes in 32 bits (ZIP64 is not written).
inline constexpr qint64 kLargestEntry = 0xFFFFFFFF;

// Compresses the source file entry.diskFileName into the empty scratch stream and sets the entry's
// flags, attributes, sizes, time and date, CRC-32, text flag, method and versions. Throws ZipError
// when the file cannot be opened or read or the scratch stream fails; the entry is then unusable.
// Safe on any thread; a raised cancel flag stops it with a ZipError at the next piece it reads.
void compress(ZipEntry &entry, TZipCompressionMethod method, TDeflationOption option, ScratchStream &scratch,
              const std::atomic<bool> *cancel = nullptr);

// Gives an entry what compress set in another entry of the same source file.
void copyCompressed(const ZipEntry &compressed, ZipEntry &entry);

// MS-DOS time (low 16 bits) and date (high 16 bits) of a local date and time; instants before 1980
// become 1 January 1980, 00:00.
std::uint32_t dosDateTime(const QDateTime &local);
std::uint32_t dosDateTime(const QDate &date, const QTime &time);

// The text flag's rule over byte counts: binary = bytes 0-6 and 128-255, text = bytes 7-127.
bool looksLikeText(const char *data, qint64 length);

} // namespace EntryCompressor
