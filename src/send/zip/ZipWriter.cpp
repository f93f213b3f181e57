#include "send/zip/ZipWriter.h"

#include "platform/Drives.h"
#include "platform/FileSync.h"
#include "platform/Interaction.h"
#include "platform/Windows1252.h"
#include "send/zip/CompressAhead.h"
#include "send/zip/ZipDirectoryReader.h"
#include "send/zip/ZipError.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryFile>

#include <algorithm>
#include <filesystem>

namespace {

constexpr int kDuplicateStoredName = 7;

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
    m_workEnd = 0;
    m_workDirectory.clear();
    m_workCount = 0;
    m_writtenBack = 0;
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
    if (m_workSaved && !completeWork(failure))
        return false;
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
    // Most names beside the archive are data files: they are told apart without the pattern.
    return fileName.startsWith(QLatin1String(".sorvik-archive-")) && pattern.match(fileName).hasMatch();
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
            throw ZipError::aborted();
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
