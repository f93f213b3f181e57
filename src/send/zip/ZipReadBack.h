#pragma once

#include "send/zip/ZipEntry.h"

#include <QString>

#include <functional>
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
// processor (two when deleting), each with its own handles on the archive and the files. Only plain files are opened (a
// pipe would wait for a writer).
// With removeHeld each file that the archive holds is deleted as soon as it has been compared (the
// archive must be safely on the disk by then), on the thread that compared it; but only while it is
// still the file that was compared, unwritten since it was opened for the comparison.
enum class RemoveHeld
{
    No,
    Yes
};
enum class Answer : char
{
    NotHeld,   // the archive does not hold the file as it is now (with removeHeld: it stays)
    Held,      // it does (with removeHeld: and the file is deleted)
    NotRemoved // it does, but the system would not delete the file
};
std::vector<Answer> holdAll(const QString &hostArchive, const std::vector<Check> &checks,
                            RemoveHeld removeHeld = RemoveHeld::No);

// Tests get in between a file's comparison and its deletion through this hook (run on the comparing
// thread with the file's path); the program leaves it empty.
void setBeforeRemove(std::function<void(const QString &hostFile)> hook);

} // namespace ZipReadBack
