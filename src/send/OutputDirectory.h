#pragma once

#include "platform/ResultsSink.h"

#include <QByteArrayList>
#include <QString>
#include <QStringList>

#include <memory>

class DirectoryLock;

// The output directory that the data files and the session archives live in: starting work there,
// what counts as a data file and as an archive, and which archives go. Everything that lists the
// directory asks here, so the window and every command see the same files.
namespace OutputDirectory {

// The suffix of a data file's name, exactly (".dat" is not one), and of a session archive's.
inline constexpr QLatin1String dataFileSuffix(".DAT");
inline constexpr QLatin1String archiveSuffix(".zip");

// The directory on this computer.
QString hostPath();

// Starts a session's work on the directory, the window's and every command's alike: takes the lock
// (held while the returned object lives), then tidies what a killed run left there, with its lines in
// the results. Null, with the reason in *refusal, when another session holds the directory.
std::unique_ptr<DirectoryLock> startWork(ResultsSink &results, QString *refusal);

// An entry named like a data file, and what it is. Only a regular file that is not a link is a data
// file: a link would pack, and then delete, what lies elsewhere; a pipe or a device holds none.
struct Candidate
{
    enum class Kind
    {
        DataFile,
        Link,
        Directory,
        NotRegular
    };
    QString name;
    Kind kind;
};
// Every entry whose name ends in ".DAT", by name ignoring case, as the workstation lists them.
QList<Candidate> dataFileCandidates();
// Names ending in ".DAT" that the system's encoding cannot turn into text, so no listing shows them.
QByteArrayList undecodableDataFileNames();
// Whether the directory holds at least one data file.
bool holdsDataFiles();

// Whether the file is a ZIP archive that can be read: a regular file itself (never one reached
// through a link) whose central directory reads whole. A 0-byte file has none.
bool readsAsArchive(const QString &hostPath);

// What the directory's "*.zip" files hold besides the archives that go, for the results to name.
struct ArchiveNotes
{
    QStringList links;       // a link or not a regular file: not sent
    QStringList notArchives; // no readable ZIP archive: not sent
    QStringList otherNames;  // a readable ZIP archive not named as this program names its archives: sent
};

// The session archives that can go: every "*.zip" (any letter case) that is a regular file, not a
// link, and reads as a ZIP archive, by name; an empty one (a session without data files) goes
// neither, without a note. The others are named in the notes.
QStringList archives(ArchiveNotes *notes = nullptr);
// The archives that go, as host paths: `first` (this send's archive) at the head when it is one of
// them, else the newest, then the rest by name.
QStringList archivesThatGo(const QString &first, ArchiveNotes *notes);

} // namespace OutputDirectory
