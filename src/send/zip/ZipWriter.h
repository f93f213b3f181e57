#pragma once

#include "send/zip/ZipEntry.h"
#include "send/zip/ZipNames.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <vector>

class CompressAhead;
class Interaction;
class ZipOutput;

enum TZipArchiveStatus
{
    asInvalid,
    asIdle,
    asBusy
};

// Writes the session archive: a single-volume ZIP file with an entry list. The archive is built in a
// file under a temporary name beside it (see isTemporaryName), which nobody reads before it is
// complete: the first save writes the entries whole, copying the unchanged front of an archive that
// existed before inside the kernel; each later save appends the new entries where the previous one
// ended, and a failed save cuts the file back to that length, so its entries are again exactly those
// of the previous save. The central directory of the saved entries grows in memory with each save;
// closing the archive writes it and the end record after the entries, flushes the file to the disk
// and renames it over the archive's name, so that name only ever holds a complete archive. An archive
// on the removable drive is written whole at each save. Paths are the program's Windows texts
// ("C:\Orvane\Sorvik\X.zip"); the drive layer maps them to host paths. Failures are raised as
// ZipError. Used from the GUI thread only.
class TZipWriter final
{
public:
    // Hooks the program leaves unset; the comments give the behaviour when unset.
    // Confirm processing an entry (yes).
    std::function<bool(const ZipEntry &)> OnConfirmProcessEntry;
    // Confirm a save (yes).
    std::function<bool()> OnConfirmSave;
    // An entry that could not be added or written (nothing happens).
    std::function<void(TZipProcessType, int errorNumber, const QString &message, const ZipEntry &)> OnEntryFailure;
    // How far a save has come; false aborts it (go on).
    std::function<bool(int done, int total)> OnProgress;
    // A blank disk for the continuation of an archive on the removable drive; false aborts (a message box).
    std::function<bool()> OnRequestBlankDisk;
    // A particular disk of a multi-disk set, 0 meaning the last one; false aborts (a message box).
    std::function<bool(int diskNumber)> OnRequestDisk;

    // Message boxes of unset hooks go through the interaction; without one they answer OK.
    explicit TZipWriter(Interaction *interaction = nullptr);
    // Closes the archive file without saving.
    ~TZipWriter();
    TZipWriter(const TZipWriter &) = delete;
    TZipWriter &operator=(const TZipWriter &) = delete;

    bool AutoSave() const { return m_autoSave; }
    void SetAutoSave(bool on) { m_autoSave = on; }
    TZipCompressionMethod CompressionMethodToUse() const { return m_method; }
    void SetCompressionMethodToUse(TZipCompressionMethod method) { m_method = method; }
    TDeflationOption DeflationOption() const { return m_deflation; }
    void SetDeflationOption(TDeflationOption option) { m_deflation = option; }
    unsigned StoreOptions() const { return m_storeOptions; }
    void SetStoreOptions(unsigned options) { m_storeOptions = options; }
    // Room on a removable disk in bytes (0: as much as the host directory takes). Lets the simulated
    // floppy fill up like a real one.
    void SetRemovableCapacity(qint64 bytes) { m_removableCapacity = bytes; }

    const QString &FileName() const { return m_fileName; }
    // Saves (errors swallowed) and closes the open archive, putting what was saved in place under its
    // name (a failure to do that is raised), then opens or creates the named one.
    void SetFileName(const QString &windowsPath);
    const QString &BaseDirectory() const { return m_baseDirectory; }
    void SetBaseDirectory(const QString &windowsDirectory);
    // Adds one file, or every file matching a mask ("*", "?"), resolved against the base directory.
    void AddFiles(const QString &nameOrMask, int searchAttributes);
    // Adds each name in turn, as one AddFiles call each would (with AutoSave, one save each); with a
    // second processor the files that come next are compressed on other threads meanwhile.
    void AddFiles(const QStringList &names, int searchAttributes);
    // Writes the archive when it has changes.
    void Save();
    // Closes the archive without putting what this session saved in place: the archive's name keeps
    // what it held before (nothing, for a new archive).
    void Abandon();

    TZipArchiveStatus Status() const { return m_status; }
    bool Dirty() const { return m_dirty; }
    const std::vector<ZipEntry> &Entries() const { return m_entries; }
    // The archive comment read from an existing archive.
    const QByteArray &Comment() const { return m_comment; }
    int DiskNumber() const { return m_diskNumber; }

    // Whether a bare file name is one this writer gives the file an archive is built in. Such a file
    // left in a directory belongs to a run that was killed: nothing else is named so.
    static bool isTemporaryName(const QString &fileName);

private:
    class Hold;
    friend class Hold;

    // Puts the saved archive in place when asked (false when that fails), then forgets the archive.
    bool closeArchive(bool commit, QString *failure = nullptr);
    bool commitWork(QString *failure);
    bool completeWork(QString *failure);
    std::unique_ptr<QFile> createWorkFile();
    void openArchive();
    void addEntry(ZipEntry entry);
    void addMatches(const QString &hostDirectory, const QString &storedPrefix, const QString &mask,
                    int searchAttributes, bool recurse);
    void addOne(const QString &hostPath, const QString &givenName);

    // The save (ZipSave.cpp).
    bool writeArchive();
    void writeInWork();
    void writeWhole();
    void replaceWhole(QFile &temp);
    void settleEntries(std::vector<ZipEntry> &next, int first);
    void writeEntries(ZipOutput &out, std::vector<ZipEntry> &next, int first, int unchanged);
    void copyCarried(ZipOutput &out, ZipEntry &entry);
    void writeAdded(ZipOutput &out, ZipEntry &entry);
    void writeLocalHeader(ZipOutput &out, ZipEntry &entry);
    void writeRecord(ZipOutput &out, const char *data, qint64 length);
    void reportProgress(int done, int total);
    QByteArray directoryOf(const std::vector<ZipEntry> &entries, int &count) const;
    void checkDirectory(qint64 directoryEnd, int count) const;
    void writeDirectory(ZipOutput &out, const std::vector<ZipEntry> &entries);
    int copyUnchangedPrefix(QFile &target, ZipOutput &out);
    void nextDisk(ZipOutput &out);

    QString replaceArchive(const QString &tempPath);
    void reportFailure(TZipProcessType type, int errorNumber, const QString &message, const ZipEntry &entry);
    bool requestBlankDisk();
    bool requestDisk(int diskNumber);
    void rebuildHash();
    int findStoredName(const QByteArray &storedName) const;
    QString resolve(const QString &name) const;

    Interaction *m_interaction;
    bool m_autoSave = false;
    TZipCompressionMethod m_method = smBestMethod;
    TDeflationOption m_deflation = doNormal;
    unsigned m_storeOptions = ZipNames::soStripDrive | ZipNames::soRemoveDots;
    qint64 m_removableCapacity = 0;

    QString m_fileName;
    QString m_hostPath;
    QString m_baseDirectory;
    std::unique_ptr<QFile> m_file;
    // The archive being built under a temporary name, and what its last save left in it: the number of
    // entries in place, where they end (the file's length, where the directory will begin), and the
    // central directory headers of those of them that are written in the directory.
    std::unique_ptr<QFile> m_work;
    bool m_workSaved = false;
    int m_workEntries = 0;
    qint64 m_workEnd = 0;
    QByteArray m_workDirectory;
    int m_workCount = 0;
    qint64 m_writtenBack = 0; // where the writing to the disk that the saves started ends
    // The piece through which the data of carried-over entries and scratch streams is copied.
    QByteArray m_piece;
    std::vector<ZipEntry> m_entries;
    std::array<std::vector<int>, 1021> m_buckets;
    QByteArray m_comment;
    // While AddFiles takes a list: the files of the list being compressed ahead.
    CompressAhead *m_ahead = nullptr;
    bool m_spanned = false;
    bool m_dirty = false;
    TZipArchiveStatus m_status = asInvalid;
    int m_holdCount = 0;
    int m_diskNumber = 0;
};
