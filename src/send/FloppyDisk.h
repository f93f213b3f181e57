#pragma once

#include <QString>
#include <QStringList>

#include <vector>

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

// What became of one archive on its way to the disk.
struct Copy
{
    enum class Result
    {
        Copied,       // written under a temporary name, flushed, read back and equal, then named
        AlreadyThere, // the disk held this archive already, byte for byte
        Failed        // not on the disk; `problem` says why
    };
    QString name; // the archive's file name, in the output directory and on the disk
    Result result = Result::Failed;
    QString problem;
};

// Copies the named archives of the output directory to the root of the drive under the same name.
// A file of that name already on the disk is never overwritten, with one exception: the same
// archive grown by a later save in its minute (every entry of the copy on the disk is in it) replaces
// its older copy once the new copy is read back and equal. A name on the disk that is a link, not a
// regular file, or the archive itself (the same file, not a copy) counts as a failure. Each failed
// copy gets a plain box with the application title, "Failed to copy " + source path and the reason;
// the other archives are still copied. Pending messages are handled before each further entry.
std::vector<Copy> copyArchives(Interaction &interaction, const QString &hostDrive, const QStringList &names);

// The text of the last box: where the disk is to be sent.
QString doneText();
// The last message when an archive that goes is not on the disk; `missing` names each with its reason.
QString notOnDiskText(const QStringList &missing);

} // namespace FloppyDisk
