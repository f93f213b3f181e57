#include "send/zip/ZipWriter.h"

#include "platform/Drives.h"
#include "platform/FileSync.h"
#include "platform/Interaction.h"
#include "platform/Windows1252.h"
#include "send/zip/CompressAhead.h"
#include "send/zip/EntryCompressor.h"
#include "send/zip/ScratchStream.h"
#include "send/zip/ZipDirectoryReader.h"
#include "send/zip/ZipError.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryFile>

#include <algorithm>
#include <filesystem>
#include <limits>

namespace {

constexpr qint64 kCopyPiece = 32768;
constexpr qint64 kLargestOffset = std::numeric_limits<std::uint32_t>::max();
constexpr int kDuplicateStoredName = 7;

const QString kAborted = QStringLiteral("Process aborted by user");

void put16(QByteArray &bytes, std::uint16_t value)
{
    bytes.append(char(value & 0xFF));
    bytes.append(char(value >> 8));
}

void put32(QByteArray &bytes, std::uint32_t value)
{
    put16(bytes, std::uint16_t(value & 0xFFFF));
    put16(bytes, std::uint16_t(value >> 16));
}

// Carried-over entries get their real sizes in the local header and no data descriptor, so the
// descriptor flag (bit 3) is dropped.
std::uint16_t writtenFlags(const ZipEntry &entry)
{
    return entry.flags & ~std::uint16_t(0x0008);
}

// The fields the local and the central header hold alike, in the same order: from the version needed
// to extract up to the length of the name.
void putSharedFields(QByteArray &bytes, const ZipEntry &entry)
{
    put16(bytes, entry.versionNeeded);
    put16(bytes, writtenFlags(entry));
    put16(bytes, entry.method);
    put16(bytes, entry.dosTime);
    put16(bytes, entry.dosDate);
    put32(bytes, entry.crc32);
    put32(bytes, entry.compressedSize);
    put32(bytes, entry.uncompressedSize);
    put16(bytes, std::uint16_t(entry.storedName.size()));
}

QByteArray localHeader(const ZipEntry &entry)
{
    QByteArray bytes;
    bytes.reserve(30 + entry.storedName.size());
    put32(bytes, ZipDirectoryReader::kLocalHeaderSignature);
    putSharedFields(bytes, entry);
    put16(bytes, 0);
    bytes.append(entry.storedName);
    return bytes;
}

QByteArray centralHeader(const ZipEntry &entry)
{
    QByteArray bytes;
    bytes.reserve(46 + entry.storedName.size() + entry.extraField.size() + entry.comment.size());
    put32(bytes, ZipDirectoryReader::kCentralHeaderSignature);
    put16(bytes, entry.versionMadeBy);
    putSharedFields(bytes, entry);
    put16(bytes, std::uint16_t(entry.extraField.size()));
    put16(bytes, std::uint16_t(entry.comment.size()));
    put16(bytes, entry.diskNumberStart);
    put16(bytes, entry.internalAttributes);
    put32(bytes, entry.externalAttributes);
    put32(bytes, entry.localHeaderOffset);
    bytes.append(entry.storedName);
    bytes.append(entry.extraField);
    bytes.append(entry.comment);
    return bytes;
}

bool writtenInDirectory(const ZipEntry &entry)
{
    return entry.action != aaFailed && entry.action != aaDelete;
}

} // namespace

// The re-entrant lock of the archive: a hold count, enough on the one GUI thread. The archive is busy
// while the outermost hold lasts; an addition that saves at once takes it again inside.
class TZipWriter::Hold final
{
public:
    explicit Hold(TZipWriter &writer) : m_writer(writer)
    {
        if (m_writer.m_holdCount++ == 0 && m_writer.m_status == asIdle)
            m_writer.m_status = asBusy;
    }
    ~Hold()
    {
        if (--m_writer.m_holdCount == 0 && m_writer.m_status == asBusy)
            m_writer.m_status = asIdle;
    }
    Hold(const Hold &) = delete;
    Hold &operator=(const Hold &) = delete;

private:
    TZipWriter &m_writer;
};

// Where a save writes: a temporary file beside the archive, or the archive file itself when it is new
// on the removable drive. Only the latter can run out of disk and continue on a new one.
class TZipWriter::Output final
{
public:
    Output(QFile &file, bool removable, qint64 capacity, int diskNumber)
        : m_file(file), m_removable(removable), m_capacity(capacity), m_diskNumber(diskNumber)
    {
    }

    QFile &file() { return m_file; }
    bool removable() const { return m_removable; }
    qint64 pos() const { return m_pos; }
    int diskNumber() const { return m_diskNumber; }
    bool continued() const { return m_continued; }

    // Writes one record; false when a removable disk is full (the record is then not on the disk).
    bool tryWrite(const char *data, qint64 length)
    {
        if (m_removable && m_capacity > 0 && m_pos + length > m_capacity)
            return false;
        // A write that stops short is tried again for the rest, so that a full disk reports itself.
        qint64 written = 0;
        while (written < length) {
            const qint64 got = m_file.write(data + written, length - written);
            if (got <= 0)
                break;
            written += got;
        }
        if (written == length) {
            m_pos += length;
            return true;
        }
        // A full disk: the error Qt gives for it, or a write that stopped short.
        if (m_removable && (m_file.error() == QFileDevice::ResourceError || written >= 0))
            return false;
        throw ZipError(QStringLiteral("Cannot write file %1: %2").arg(m_file.fileName(), m_file.errorString()));
    }

    void seek(qint64 position)
    {
        if (!m_file.seek(position))
            throw ZipError(QStringLiteral("Cannot write file %1: %2").arg(m_file.fileName(), m_file.errorString()));
        m_pos = position;
    }

    // A record did not fit: the current disk ends before it, the next one starts empty.
    void startNextDisk()
    {
        m_file.resize(m_pos);
        m_file.close();
        ++m_diskNumber;
        m_pos = 0;
        m_continued = true;
    }

    void reopen(const QString &windowsPath)
    {
        if (!m_file.open(QIODevice::ReadWrite | QIODevice::Truncate | QIODevice::Unbuffered))
            throw ZipError(QStringLiteral("Cannot create file %1").arg(windowsPath));
    }

    // The end of what this save wrote: bytes of a failed entry beyond it are cut off.
    void finish()
    {
        if (!m_file.resize(m_pos) || !m_file.flush())
            throw ZipError(QStringLiteral("Cannot write file %1: %2").arg(m_file.fileName(), m_file.errorString()));
    }

private:
    QFile &m_file;
    bool m_removable;
    qint64 m_capacity;
    int m_diskNumber;
    qint64 m_pos = 0;
    bool m_continued = false;
};

TZipWriter::TZipWriter(Interaction *interaction) : m_interaction(interaction) {}

TZipWriter::~TZipWriter()
{
    closeArchive(true);
}

bool TZipWriter::closeArchive(bool commit, QString *failure)
{
    bool committed = true;
    if (m_work) {
        // An archive made invalid (an abort, a save that could not be undone) is not put in place, and
        // neither is a file that no save completed: only an archive without entries is the empty file.
        if (commit && m_status != asInvalid && (m_workSaved || m_entries.empty()))
            committed = commitWork(failure);
        if (m_work) {
            m_work->remove();
            m_work.reset();
        }
    }
    m_workSaved = false;
    m_workEntries = 0;
    m_workDirectory = 0;
    m_workTail.clear();
    m_entries.clear();
    rebuildHash();
    m_comment.clear();
    m_spanned = false;
    m_dirty = false;
    m_diskNumber = 0;
    m_file.reset();
    m_status = asInvalid;
    return committed;
}

bool TZipWriter::commitWork(QString *failure)
{
    // Durable before it takes the name: a crash afterwards finds either the previous archive or this
    // complete one under the archive's name.
    if (!FileSync::syncFile(*m_work)) {
        if (failure)
            *failure = m_work->errorString();
        return false;
    }
    if (m_file && m_file->exists())
        m_work->setPermissions(m_file->permissions());
    m_work->close();
    m_file.reset();
    if (!FileSync::renameOver(m_work->fileName(), m_hostPath, failure))
        return false;
    m_work.reset();
    FileSync::syncDirectory(QFileInfo(m_hostPath).absolutePath());
    return true;
}

bool TZipWriter::isTemporaryName(const QString &fileName)
{
    static const QRegularExpression pattern(QStringLiteral("^\\.sorvik-archive-[A-Za-z0-9]{6}\\.tmp$"));
    return pattern.match(fileName).hasMatch();
}

// Every file this writer creates beside the archive is made here.
std::unique_ptr<QFile> TZipWriter::createWorkFile()
{
    const QString pattern = QFileInfo(m_hostPath).absolutePath() + QStringLiteral("/.sorvik-archive-XXXXXX.tmp");
    QTemporaryFile temporary(pattern);
    if (!temporary.open())
        throw ZipError(QStringLiteral("Cannot create file %1: %2").arg(pattern, temporary.errorString()));
    temporary.setAutoRemove(false); // removed by closeArchive unless it took the archive's name
    // Unbuffered: a write that fails (a full disk) fails at once and leaves nothing pending that a
    // later seek would try to write again, so a failed save can be undone.
    auto file = std::make_unique<QFile>(temporary.fileName());
    temporary.close();
    if (!file->open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        const QString reason = file->errorString();
        file->remove();
        throw ZipError(QStringLiteral("Cannot create file %1: %2").arg(file->fileName(), reason));
    }
    return file;
}

void TZipWriter::SetFileName(const QString &windowsPath)
{
    Hold hold(*this);
    if (m_file) {
        if (m_dirty && m_status != asInvalid) {
            // Closing must not fail: whatever this last save runs into is dropped.
            try {
                writeArchive();
            } catch (...) {
            }
        }
        QString failure;
        if (!closeArchive(true, &failure))
            throw ZipError(QStringLiteral("Cannot replace file %1: %2").arg(m_fileName, failure));
    }
    m_fileName = windowsPath;
    m_hostPath = windowsPath.isEmpty() ? QString() : Drives::hostPath(windowsPath);
    if (!windowsPath.isEmpty())
        openArchive();
}

namespace {

// Earlier versions moved the previous archive aside under this name while replacing it; a crash
// between their two renames left it there.
QString sideName(const QString &hostPath)
{
    return hostPath + QStringLiteral(".old");
}

} // namespace

QString TZipWriter::replaceArchive(const QString &tempPath)
{
    // One rename over the old archive: at every moment the name holds either the old archive or the
    // new one.
    QString failure;
    if (!FileSync::renameOver(tempPath, m_hostPath, &failure))
        return failure.isEmpty() ? QStringLiteral("rename failed") : failure;
    return QString();
}

void TZipWriter::openArchive()
{
    // A save that stopped between its two renames left the previous archive under the side name.
    if (!QFileInfo::exists(m_hostPath) && QFileInfo::exists(sideName(m_hostPath))) {
        std::error_code error;
        std::filesystem::rename(FileSync::fsPath(sideName(m_hostPath)), FileSync::fsPath(m_hostPath), error);
    }
    auto file = std::make_unique<QFile>(m_hostPath);
    if (QFileInfo::exists(m_hostPath)) {
        if (!file->open(QIODevice::ReadWrite))
            throw ZipError(QStringLiteral("Cannot open file %1").arg(m_fileName));
        if (ZipDirectoryReader::startsSpanned(*file) && !requestDisk(0))
            throw ZipError(kAborted);
        ZipDirectory directory = ZipDirectoryReader::read(*file);
        m_entries = std::move(directory.entries);
        m_comment = directory.comment;
        m_spanned = directory.spanned;
    } else if (Drives::isRemovable(m_fileName)) {
        // On the removable drive the first save writes straight into this file; unbuffered, a full
        // disk shows at the write that did not fit.
        if (!file->open(QIODevice::ReadWrite | QIODevice::NewOnly | QIODevice::Unbuffered,
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner))
            throw ZipError(QStringLiteral("Cannot create file %1").arg(m_fileName));
    } else {
        // Nothing takes the archive's name before the archive is complete: a new archive is made
        // under a temporary name from the start, so a killed run leaves only that file behind.
        try {
            m_work = createWorkFile();
        } catch (const ZipError &) {
            throw ZipError(QStringLiteral("Cannot create file %1").arg(m_fileName));
        }
    }
    m_file = std::move(file);
    rebuildHash();
    m_dirty = false;
    m_status = m_holdCount > 0 ? asBusy : asIdle;
}

void TZipWriter::SetBaseDirectory(const QString &windowsDirectory)
{
    QString directory = windowsDirectory;
    if (directory.endsWith(QLatin1Char('\\')))
        directory.chop(1);
    if (!directory.isEmpty() && !QFileInfo(Drives::hostPath(directory)).isDir())
        throw ZipError(QStringLiteral("Directory does not exist"));
    m_baseDirectory = directory;
}

QString TZipWriter::resolve(const QString &name) const
{
    if (name.contains(QStringLiteral("\\\\")) || name.contains(QLatin1Char(':')) || m_baseDirectory.isEmpty())
        return name;
    if (name.isEmpty())
        return m_baseDirectory;
    return m_baseDirectory + QLatin1Char('\\') + name;
}

void TZipWriter::AddFiles(const QString &nameOrMask, int searchAttributes)
{
    Hold hold(*this);
    if (!m_file || m_status == asInvalid)
        throw ZipError(QStringLiteral("Archive does not exist - FileName is blank"));
    if (!nameOrMask.contains(QLatin1Char('*')) && !nameOrMask.contains(QLatin1Char('?'))) {
        addOne(Drives::hostPath(resolve(nameOrMask)), nameOrMask);
        return;
    }
    qsizetype split = nameOrMask.lastIndexOf(QLatin1Char('\\'));
    split = std::max(split, nameOrMask.lastIndexOf(QLatin1Char('/')));
    split = std::max(split, nameOrMask.lastIndexOf(QLatin1Char(':')));
    const QString givenDirectory = nameOrMask.left(split + 1);
    const QString mask = nameOrMask.mid(split + 1);
    QString directory = givenDirectory;
    if (directory.endsWith(QLatin1Char('\\')) || directory.endsWith(QLatin1Char('/')))
        directory.chop(1);
    const QString hostDirectory = Drives::hostPath(resolve(directory));
    const bool recurse = (m_storeOptions & ZipNames::soRecurse) && givenDirectory.isEmpty();
    addMatches(hostDirectory, givenDirectory, mask, searchAttributes, recurse);
}

void TZipWriter::AddFiles(const QStringList &names, int searchAttributes)
{
    Hold hold(*this);
    CompressAhead ahead(m_method, m_deflation);
    for (const QString &name : names) {
        // The path addOne gives the entry; names with a mask are added without help.
        if (!name.contains(QLatin1Char('*')) && !name.contains(QLatin1Char('?')))
            ahead.queue(QFileInfo(Drives::hostPath(resolve(name))).absoluteFilePath());
    }
    m_ahead = &ahead;
    const auto done = qScopeGuard([this] { m_ahead = nullptr; });
    for (const QString &name : names)
        AddFiles(name, searchAttributes);
}

void TZipWriter::addMatches(const QString &hostDirectory, const QString &storedPrefix, const QString &mask,
                            int searchAttributes, bool recurse)
{
    constexpr int kHidden = 0x02;
    const QDir directory(hostDirectory);
    const QFileInfoList files =
        directory.entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &file : files) {
        if (file.fileName().startsWith(QLatin1Char('.')) && !(searchAttributes & kHidden))
            continue;
        if (ZipNames::matchesMask(file.fileName(), mask))
            addOne(file.absoluteFilePath(), storedPrefix + file.fileName());
    }
    if (!recurse)
        return;
    const QFileInfoList subdirectories =
        directory.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &subdirectory : subdirectories) {
        if (subdirectory.isSymLink())
            continue; // a link back up the tree would never end
        addMatches(subdirectory.absoluteFilePath(), storedPrefix + subdirectory.fileName() + QLatin1Char('\\'), mask,
                   searchAttributes, true);
    }
}

void TZipWriter::addOne(const QString &hostPath, const QString &givenName)
{
    const QFileInfo info(hostPath);
    // A file that is not there is not found by the search either: nothing to add. Directories and
    // special files (a pipe would block the save) are not data.
    if (!info.isFile())
        return;
    ZipEntry entry;
    entry.method = 8;
    entry.diskFileName = info.absoluteFilePath();
    entry.storedName = Windows1252::fromUnicode(ZipNames::storedName(givenName, m_storeOptions));
    if (OnConfirmProcessEntry && !OnConfirmProcessEntry(entry))
        return;
    addEntry(std::move(entry));
}

void TZipWriter::addEntry(ZipEntry entry)
{
    if (findStoredName(entry.storedName) >= 0) {
        reportFailure(ptAdd, kDuplicateStoredName, QStringLiteral("Cannot insert file - duplicates stored name"),
                      entry);
        return;
    }
    entry.action = aaAdd;
    m_entries.push_back(std::move(entry));
    m_buckets[ZipNames::bucketOf(m_entries.back().storedName)].push_back(int(m_entries.size() - 1));
    m_dirty = true;
    if (m_autoSave)
        Save();
}

void TZipWriter::Save()
{
    Hold hold(*this);
    if (!m_file || m_status == asInvalid || !m_dirty)
        return;
    if (writeArchive())
        m_dirty = false;
}

void TZipWriter::Abandon()
{
    closeArchive(false);
}

void TZipWriter::rebuildHash()
{
    for (auto &bucket : m_buckets)
        bucket.clear();
    for (int i = 0; i < int(m_entries.size()); ++i)
        m_buckets[ZipNames::bucketOf(m_entries[i].storedName)].push_back(i);
}

int TZipWriter::findStoredName(const QByteArray &storedName) const
{
    const QByteArray upper = ZipNames::upperCased(storedName);
    for (const int index : m_buckets[ZipNames::bucketOf(storedName)]) {
        const ZipEntry &entry = m_entries[index];
        if (entry.action != aaDelete && ZipNames::upperCased(entry.storedName) == upper)
            return index;
    }
    return -1;
}

void TZipWriter::reportFailure(TZipProcessType type, int errorNumber, const QString &message, const ZipEntry &entry)
{
    if (OnEntryFailure)
        OnEntryFailure(type, errorNumber, message, entry);
}

bool TZipWriter::requestBlankDisk()
{
    if (OnRequestBlankDisk)
        return OnRequestBlankDisk();
    if (m_interaction)
        m_interaction->message(QStringLiteral("Insert floppy"), QStringLiteral("Insert a blank floppy disk"),
                               Interaction::Icon::None, Interaction::Buttons::Ok);
    return true;
}

bool TZipWriter::requestDisk(int diskNumber)
{
    if (OnRequestDisk)
        return OnRequestDisk(diskNumber);
    if (m_interaction) {
        const QString text = diskNumber > 0
                                 ? QStringLiteral("Insert disk number %1 of the spanned disk set").arg(diskNumber)
                                 : QStringLiteral("Insert the last disk in the spanned disk set");
        m_interaction->message(QStringLiteral("Insert floppy"), text, Interaction::Icon::None,
                               Interaction::Buttons::Ok);
    }
    return true;
}

void TZipWriter::nextDisk(Output &out)
{
    // What does not fit on a blank disk never will: asking for more disks would not end.
    if (out.pos() == 0)
        throw ZipError(QStringLiteral("Cannot write file %1: the disk is full").arg(m_fileName));
    // A full first disk says by its first four bytes that the archive goes on on another disk.
    if (out.diskNumber() == 0) {
        const QByteArray marker("PK\x07\x08", 4);
        const qint64 end = out.pos();
        out.seek(0);
        if (!out.tryWrite(marker.constData(), marker.size()))
            throw ZipError(QStringLiteral("Cannot write file %1").arg(m_fileName));
        out.seek(end);
    }
    out.startNextDisk();
    m_diskNumber = out.diskNumber();
    m_spanned = true;
    if (!requestBlankDisk()) {
        m_status = asInvalid;
        throw ZipError(kAborted);
    }
    out.reopen(m_fileName);
}

bool TZipWriter::writeArchive()
{
    Hold hold(*this);
    if (OnConfirmSave && !OnConfirmSave())
        return false;
    if (m_entries.empty())
        return true;
    if (m_spanned)
        throw ZipError(QStringLiteral("Cannot update an existing spanned disk set"));
    if (Drives::isRemovable(m_fileName))
        writeWhole();
    else
        writeInWork();
    return true;
}

void TZipWriter::writeInWork()
{
    const bool first = !m_workSaved;
    if (!m_work)
        m_work = createWorkFile();
    Output out(*m_work, false, 0, 0);
    std::vector<ZipEntry> next = m_entries;
    try {
        int unchanged = 0;
        if (first) {
            unchanged = copyUnchangedPrefix(*m_work, out);
        } else {
            // What the last save wrote stays where it is; the new entries go where its directory began.
            unchanged = m_workEntries;
            out.seek(m_workDirectory);
        }
        writeEntries(out, next, unchanged);
        out.finish();
    } catch (...) {
        if (first) {
            m_work->remove();
            m_work.reset();
        } else if (!restoreWork()) {
            // The file is neither the previous archive nor the new one: it never takes the name.
            m_status = asInvalid;
        }
        throw;
    }
    m_workSaved = true;
    m_workEntries = int(next.size());
    m_workDirectory = m_lastDirectory;
    m_workTail = m_lastTail;
    finishSave(next);
}

bool TZipWriter::restoreWork()
{
    // The previous directory and end record go back where they were, and the file is cut to its old
    // length: byte for byte the archive of the last save.
    Output out(*m_work, false, 0, 0);
    try {
        out.seek(m_workDirectory);
        if (!out.tryWrite(m_workTail.constData(), m_workTail.size()))
            return false;
        out.finish();
    } catch (const ZipError &) {
        return false;
    }
    return true;
}

// The archive on the removable drive: written straight into its file while that is empty, otherwise
// whole into a file beside it that then replaces it.
void TZipWriter::writeWhole()
{
    // Written straight into the archive file only while it is empty, when nothing in it can be lost.
    const bool direct =
        m_file->size() == 0 &&
        std::none_of(m_entries.begin(), m_entries.end(), [](const ZipEntry &entry) { return entry.action == aaNone; });
    std::unique_ptr<QFile> temp;
    QFile *target = m_file.get();
    if (direct) {
        if (!m_file->seek(0))
            throw ZipError(QStringLiteral("Cannot open file %1").arg(m_fileName));
    } else {
        temp = createWorkFile();
        target = temp.get();
    }

    Output out(*target, direct, m_removableCapacity, m_diskNumber);
    std::vector<ZipEntry> next = m_entries;
    try {
        if (direct) {
            const QByteArray marker("PK00", 4);
            while (!out.tryWrite(marker.constData(), marker.size()))
                nextDisk(out);
        }
        int unchanged = 0;
        if (!direct)
            unchanged = copyUnchangedPrefix(*temp, out);
        writeEntries(out, next, unchanged);
        out.finish();
    } catch (...) {
        if (direct && !out.continued())
            m_file->resize(0); // the archive was empty before this save and stays so
        if (temp)
            temp->remove();
        throw;
    }

    if (!direct) {
        temp->setPermissions(QFileInfo(m_hostPath).permissions());
        temp->close();
        m_file->close();
        const QString failure = replaceArchive(temp->fileName());
        if (!failure.isEmpty())
            temp->remove();
        // The held file is reopened on whichever archive is now in place.
        if (!m_file->open(QIODevice::ReadWrite)) {
            closeArchive(false);
            throw ZipError(QStringLiteral("Cannot open file %1").arg(m_fileName));
        }
        if (!failure.isEmpty())
            throw ZipError(QStringLiteral("Cannot replace file %1: %2").arg(m_fileName, failure));
    }
    finishSave(next);
}

void TZipWriter::finishSave(std::vector<ZipEntry> &next)
{
    std::vector<ZipEntry> kept;
    kept.reserve(next.size());
    bool removed = false;
    for (ZipEntry &entry : next) {
        if (entry.action == aaDelete) {
            removed = true;
            continue;
        }
        if (entry.action != aaFailed) {
            entry.action = aaNone;
            entry.dataOffset = qint64(entry.localHeaderOffset) + 30 + entry.storedName.size();
        }
        kept.push_back(std::move(entry));
    }
    m_entries = std::move(kept);
    // The hash is kept up to date by each addition; only entries leaving the list move the others.
    if (removed)
        rebuildHash();
}

int TZipWriter::copyUnchangedPrefix(QFile &target, Output &out)
{
    // The leading carried-over entries that would be written again byte for byte where they already
    // are (an archive this writer made): their local headers as this writer builds them, at the
    // offsets they would get. Each is read once, when the archive is first saved in this session.
    int count = 0;
    qint64 prefix = 0;
    for (const ZipEntry &entry : m_entries) {
        if (entry.action != aaNone)
            break;
        const QByteArray header = localHeader(entry);
        if (entry.dataOffset - header.size() != prefix || !m_file->seek(prefix) ||
            m_file->read(header.size()) != header)
            break;
        prefix = entry.dataOffset + entry.compressedSize;
        ++count;
    }
    if (count == 0)
        return 0;
    // Those bytes are copied as one piece by the file system, into the file already open.
    if (!FileSync::copyRange(*m_file, 0, target, 0, prefix)) {
        out.seek(0);
        return 0;
    }
    out.seek(prefix);
    return count;
}

void TZipWriter::writeEntries(Output &out, std::vector<ZipEntry> &next, int unchanged)
{
    auto write = [&](const QByteArray &record) {
        while (!out.tryWrite(record.constData(), record.size()))
            nextDisk(out);
    };
    // A local header records where it lands, which moves when it has to go to a new disk.
    auto writeLocalHeader = [&](ZipEntry &entry) {
        for (;;) {
            if (out.pos() > kLargestOffset)
                throw ZipError(QStringLiteral("Cannot write file %1: the archive would exceed 4 GB").arg(m_fileName));
            entry.localHeaderOffset = std::uint32_t(out.pos());
            entry.diskNumberStart = std::uint16_t(out.diskNumber());
            const QByteArray header = localHeader(entry);
            if (out.tryWrite(header.constData(), header.size()))
                return;
            nextDisk(out);
        }
    };

    QByteArray piece(kCopyPiece, Qt::Uninitialized);
    const int total = int(next.size());
    for (int i = 0; i < total; ++i) {
        ZipEntry &entry = next[i];
        if (i < unchanged) {
            // Already in place: copied with the archive's first bytes, or left by the last save.
            if (entry.action == aaNone) {
                entry.localHeaderOffset = std::uint32_t(entry.dataOffset - 30 - entry.storedName.size());
                entry.diskNumberStart = 0;
            }
        } else if (entry.action == aaNone) {
            writeLocalHeader(entry);
            if (!m_file->seek(entry.dataOffset))
                throw ZipError(QStringLiteral("Cannot read file %1").arg(m_fileName));
            for (qint64 left = entry.compressedSize; left > 0;) {
                const qint64 got = m_file->read(piece.data(), std::min(left, kCopyPiece));
                if (got <= 0)
                    throw ZipError(QStringLiteral("Cannot read file %1").arg(m_fileName));
                write(QByteArray::fromRawData(piece.constData(), got));
                left -= got;
            }
        } else if (entry.action == aaAdd) {
            const qint64 start = out.pos();
            const int startDisk = out.diskNumber();
            // The source file or the scratch stream failed: the entry is left out, and what it had
            // written is overwritten by what follows.
            auto leaveOut = [&](const ZipError &failure) {
                if (out.diskNumber() != startDisk)
                    throw failure;
                out.seek(start);
                entry.action = aaFailed;
                reportFailure(ptAdd, 0, failure.message(), entry);
            };
            // Compressed ahead on another thread when the file came in a list, else here and now.
            std::unique_ptr<CompressAhead::Result> ready;
            if (m_ahead)
                ready = m_ahead->take(entry.diskFileName, m_method, m_deflation);
            ScratchStream own;
            ScratchStream &scratch = ready ? ready->data : own;
            try {
                if (!ready) {
                    EntryCompressor::compress(entry, m_method, m_deflation, own);
                } else if (!ready->failure.isEmpty()) {
                    entry.flags = 0;
                    entry.compressedSize = 0;
                    throw ZipError(ready->failure);
                } else {
                    EntryCompressor::copyCompressed(ready->compressed, entry);
                }
            } catch (const ZipError &failure) {
                leaveOut(failure);
            }
            if (entry.action == aaAdd) {
                writeLocalHeader(entry);
                scratch.seekRead(0);
                for (;;) {
                    qint64 got = 0;
                    try {
                        got = scratch.read(piece.data(), kCopyPiece);
                    } catch (const ZipError &failure) {
                        leaveOut(failure);
                        break;
                    }
                    if (got <= 0)
                        break;
                    write(QByteArray::fromRawData(piece.constData(), got));
                }
            }
        }
        if (OnProgress && !OnProgress(i + 1, total)) {
            m_status = asInvalid;
            throw ZipError(kAborted);
        }
    }

    qint64 directoryOffset = out.pos();
    int directoryDisk = out.diskNumber();
    int count = 0;
    int countOnDisk = 0;
    qint64 directorySize = 0;
    m_lastTail.clear();
    for (const ZipEntry &entry : next) {
        if (!writtenInDirectory(entry))
            continue;
        const int diskBefore = out.diskNumber();
        const QByteArray header = centralHeader(entry);
        // Off the removable drive the directory and end record go out in one write.
        if (out.removable())
            write(header);
        m_lastTail.append(header);
        if (count == 0 && out.removable()) {
            // The directory starts where its first header landed, possibly on a new disk.
            directoryOffset = out.pos() - header.size();
            directoryDisk = out.diskNumber();
        }
        directorySize += header.size();
        ++count;
        countOnDisk = out.diskNumber() == diskBefore ? countOnDisk + 1 : 1;
    }
    if (count > 0xFFFF)
        throw ZipError(QStringLiteral("Cannot write file %1: too many entries").arg(m_fileName));
    if (out.pos() + (out.removable() ? 0 : directorySize) > kLargestOffset)
        throw ZipError(QStringLiteral("Cannot write file %1: the archive would exceed 4 GB").arg(m_fileName));

    QByteArray end;
    put32(end, ZipDirectoryReader::kEndRecordSignature);
    put16(end, std::uint16_t(out.diskNumber()));
    put16(end, std::uint16_t(directoryDisk));
    put16(end, std::uint16_t(out.diskNumber() == directoryDisk ? count : countOnDisk));
    put16(end, std::uint16_t(count));
    put32(end, std::uint32_t(directorySize));
    put32(end, std::uint32_t(directoryOffset));
    put16(end, std::uint16_t(m_comment.size()));
    end.append(m_comment);
    m_lastTail.append(end);
    if (out.removable())
        write(end);
    else
        write(m_lastTail);
    m_lastDirectory = directoryOffset;
}
