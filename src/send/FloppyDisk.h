#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class Interaction;

// The GUI-free steps of making a disk for the maker: finding what stands for drive A:, erasing it
// and copying the session archives of the output directory onto it, each copy read back from the
// medium and compared with the archive. Beside each archive goes its receipt, NAME.zip.sha256, one
// line as `sha256sum -c` reads it, so that whoever gets the disk can check the archives.
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
        Failed        // not on the disk, or without its receipt; `problem` says why
    };
    QString name; // the archive's file name, in the output directory and on the disk
    Result result = Result::Failed;
    QString problem;
};

// Whether the named archives of the output directory fit on the drive, with their receipts: the
// bytes they take there (in the file system's blocks; an archive and receipt the disk holds already
// take none unless it is erased) and the bytes the disk has for them (its free space, and with
// `erased` what erasing frees). Nothing when the drive's space cannot be told.
struct Room
{
    qint64 needed = 0;
    qint64 available = 0;
    bool fits() const { return needed <= available; }
};
std::optional<Room> room(const QString &hostDrive, const QStringList &names, bool erased);
// The message when they do not fit: both sizes, and where the archives stay.
QString tooSmallText(const Room &room, const QString &hostDrive, bool erased);

// Copies the named archives of the output directory to the root of the drive under the same name.
// A file of that name already on the disk is never overwritten, with one exception: the same
// archive grown by a later save in its minute (every entry of the copy on the disk is in it) replaces
// its older copy once the new copy is read back and equal. A name on the disk that is a link, not a
// regular file, or the archive itself (the same file, not a copy) counts as a failure. Each archive
// on the disk then gets its receipt, written whole under its name (over an older receipt of that
// name) and read back, unless the disk holds that very receipt; an archive without its receipt counts
// as a failure, though its copy stays. Each failed copy gets a plain box with the application
// title, "Failed to copy " + source path and the reason; the other archives are still copied. Pending messages are
// handled before each further entry.
std::vector<Copy> copyArchives(Interaction &interaction, const QString &hostDrive, const QStringList &names);

// The text of the last box: where the disk is to be sent.
QString doneText();
// The last message when an archive that goes is not on the disk; `missing` names each with its reason.
QString notOnDiskText(const QStringList &missing);

} // namespace FloppyDisk
