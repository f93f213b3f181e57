#pragma once

#include <QString>

#include <optional>

// How much a disk can still take, and what the files on it take: a file system hands out whole
// blocks, so a file of a few bytes takes a block of its own.
namespace MediumSpace {

struct Space
{
    qint64 freeBytes = 0; // what the user may still write there
    qint64 blockSize = 1; // every file takes a whole number of these
};

// The space of the file system that holds the directory; nothing when the system cannot tell. A
// number in SORVIK_MEDIUM_FREE_BYTES stands in for the free bytes, so that the tests can have a
// small disk without mounting one.
std::optional<Space> of(const QString &hostDirectory);

// The bytes a file takes on its file system (its blocks, not its size); 0 when that cannot be told.
qint64 taken(const QString &hostFile);

// The bytes a file of `size` bytes takes in blocks of `blockSize`.
inline qint64 inBlocks(qint64 size, qint64 blockSize)
{
    return blockSize <= 1 ? size : (size + blockSize - 1) / blockSize * blockSize;
}

} // namespace MediumSpace
