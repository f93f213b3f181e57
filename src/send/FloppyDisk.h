#pragma once

#include <QString>

class Interaction;

// The GUI-free steps of making a disk for the maker: finding what stands for drive A:, erasing it
// and copying the session archives of the output directory onto it, each copy read back from the
// medium and compared with the archive.
namespace FloppyDisk {

// The host directory of drive A: when SORVIK_DRIVE_A maps it; empty when drive A: is one of the
// mounted removable media, which the user picks.
QString mappedDrive();

// Why nothing can be written to the drive now (missing, not a directory, not writable, or not apart
// from the output directory), as the text of a Warning; empty when the drive is ready.
QString driveProblem(const QString &hostDrive);
// Whether the drive is the output directory, lies in it or holds it.
bool overlapsOutputDirectory(const QString &hostDrive);

// Deletes every file in the root of the drive (any attributes). Entries that cannot be deleted
// (subdirectories, protected files) stay without a word. Pending messages are handled before each
// further entry.
void erase(Interaction &interaction, const QString &hostDrive);

// Copies every "*.zip" of the output directory that is not empty, older session archives included,
// to the root of the drive under the same name, never overwriting a file already there; one that is
// there already, byte for byte, counts as on the medium (and in alreadyThere). Each copy is flushed
// to the medium, read back and compared with the archive; a copy that does not match is removed.
// Each failed copy gets a plain box with the application title, "Failed to copy " + source path and
// the reason; the other archives are still copied. Pending messages are handled before each further
// entry. Returns the number of archives now on the medium.
int copyArchives(Interaction &interaction, const QString &hostDrive, int *alreadyThere = nullptr);

// Whether the output directory holds an archive that copyArchives would copy.
bool hasArchives();

// The text of the last box: where the disk is to be sent.
QString doneText();
// The last message when no archive could be put on the disk.
QString noArchiveText();

} // namespace FloppyDisk
