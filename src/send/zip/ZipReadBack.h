#pragma once

#include "send/zip/ZipEntry.h"

#include <QString>

#include <vector>

class ReadOnlyFile;

// Reads an entry of a saved archive back and compares it with a file.
namespace ZipReadBack {

// Whether the entry's data, inflated from the archive (entry.dataOffset as the directory reader
// found it), is the file's content byte for byte, and its size and CRC-32 are the ones the entry
// records. Reads both in pieces, whatever their size; false on any doubt (damaged data, a method
// this writer does not use, a file that cannot be read or is no plain file).
bool holds(ReadOnlyFile &archive, const ZipEntry &entry, ReadOnlyFile &file);

// One file to compare with an entry of the archive; without an entry the answer is false.
struct Check
{
    const ZipEntry *entry = nullptr;
    QString hostFile;
};

// holds() for each check, in the order given: the checks are shared out between up to one thread a
// processor, each with its own handles on the archive and the files. Only plain files are opened (a
// pipe would wait for a writer).
// With removeHeld each file that the archive holds is deleted as soon as it has been compared (the
// archive must be safely on the disk by then), on the thread that compared it.
enum class RemoveHeld
{
    No,
    Yes
};
std::vector<bool> holdAll(const QString &hostArchive, const std::vector<Check> &checks,
                          RemoveHeld removeHeld = RemoveHeld::No);

} // namespace ZipReadBack
