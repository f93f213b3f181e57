// The save of TZipWriter: the entries, the central directory and the end record.
#include "send/zip/ZipWriter.h"

#include "platform/Drives.h"
#include "platform/FileSync.h"
#include "send/zip/CompressAhead.h"
#include "send/zip/EntryCompressor.h"
#include "send/zip/ScratchStream.h"
#include "send/zip/ZipError.h"
#include "send/zip/ZipOutput.h"
#include "send/zip/ZipRecords.h"

#include <QFileInfo>

#include <algorithm>
#include <limits>

namespace {

constexpr qint64 kCopyPiece = 32768;
constexpr qint64 kLargestOffset = std::numeric_limits<std::uint32_t>::max();
// The archive being built is handed to the disk in steps of this size.
constexpr qint64 kWriteBackStep = 1 << 20;

} // namespace

// A save into the file under the temporary name. Only the entries added since the last save are
// written; their directory headers join those of the entries before them.
void TZipWriter::writeInWork()
{
    const bool first = !m_workSaved;
    if (!m_work)
        m_work = createWorkFile();
    const int settled = first ? 0 : m_workEntries;
    ZipOutput out(*m_work, false, 0, 0, first ? 0 : m_workEnd, first ? -1 : m_workEnd);
    std::vector<ZipEntry> next(m_entries.begin() + settled, m_entries.end());
    QByteArray directory;
    int count = 0;
    try {
        const int unchanged = first ? copyUnchangedPrefix(*m_work, out) : 0;
        writeEntries(out, next, settled, unchanged);
        directory = directoryOf(next, count);
        checkDirectory(out.pos() + m_workDirectory.size() + directory.size(), m_workCount + count);
        out.finish();
    } catch (...) {
        if (first) {
            m_work->remove();
            m_work.reset();
        } else if (!out.cutBack(m_workEnd)) {
            // The file is neither the previous archive nor the new one: it never takes the name.
            m_status = asInvalid;
        }
        throw;
    }
    m_workSaved = true;
    m_workEnd = out.pos();
    // What the saves wrote goes to the disk while the next entries are compressed: the sync that
    // puts the archive in place then finds little left to write.
    if (m_workEnd - m_writtenBack >= kWriteBackStep) {
        FileSync::startWriteBack(*m_work, m_writtenBack, m_workEnd - m_writtenBack);
        m_writtenBack = m_workEnd;
    }
    if (first)
        m_workDirectory = directory;
    else
        m_workDirectory.append(directory);
    m_workCount += count;
    settleEntries(next, settled);
    m_workEntries = int(m_entries.size());
}

// The saved entries' directory and the end record go after them: the archive is complete.
bool TZipWriter::completeWork(QString *failure)
{
    ZipRecords::DirectoryEnd end;
    end.count = m_workCount;
    end.countOnDisk = m_workCount;
    end.size = m_workDirectory.size();
    end.offset = m_workEnd;
    const QByteArray record = ZipRecords::endRecord(end, m_comment);
    ZipOutput out(*m_work, false, 0, 0, m_workEnd, m_workEnd);
    try {
        out.tryWrite(m_workDirectory.constData(), m_workDirectory.size());
        out.tryWrite(record.constData(), record.size());
        out.finish();
    } catch (const ZipError &error) {
        if (failure)
            *failure = error.message();
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

    ZipOutput out(*target, direct, m_removableCapacity, m_diskNumber, 0, direct ? -1 : 0);
    std::vector<ZipEntry> next = m_entries;
    try {
        if (direct) {
            const QByteArray marker("PK00", 4);
            while (!out.tryWrite(marker.constData(), marker.size()))
                nextDisk(out);
        }
        const int unchanged = direct ? 0 : copyUnchangedPrefix(*temp, out);
        writeEntries(out, next, 0, unchanged);
        writeDirectory(out, next);
        out.finish();
    } catch (...) {
        if (direct && !out.continued())
            m_file->resize(0); // the archive was empty before this save and stays so
        if (temp)
            temp->remove();
        throw;
    }
    if (temp)
        replaceWhole(*temp);
    settleEntries(next, 0);
}

// The file written beside the archive replaces it; the held file is reopened on whichever archive is
// then in place.
void TZipWriter::replaceWhole(QFile &temp)
{
    temp.setPermissions(QFileInfo(m_hostPath).permissions());
    temp.close();
    m_file->close();
    const QString failure = replaceArchive(temp.fileName());
    if (!failure.isEmpty())
        temp.remove();
    if (!m_file->open(QIODevice::ReadWrite)) {
        closeArchive(false);
        throw ZipError(QStringLiteral("Cannot open file %1").arg(m_fileName));
    }
    if (!failure.isEmpty())
        throw ZipError(QStringLiteral("Cannot replace file %1: %2").arg(m_fileName, failure));
}

// The saved entries from index first on take the place of what the list held there: in place, or
// gone when deleted.
void TZipWriter::settleEntries(std::vector<ZipEntry> &next, int first)
{
    m_entries.erase(m_entries.begin() + first, m_entries.end());
    bool removed = false;
    for (ZipEntry &entry : next) {
        if (entry.action == aaDelete) {
            removed = true;
            continue;
        }
        if (entry.action != aaFailed) {
            entry.action = aaNone;
            entry.dataOffset = qint64(entry.localHeaderOffset) + ZipRecords::localHeaderSize(entry);
        }
        m_entries.push_back(std::move(entry));
    }
    // The hash is kept up to date by each addition; only entries leaving the list move the others.
    if (removed)
        rebuildHash();
}

int TZipWriter::copyUnchangedPrefix(QFile &target, ZipOutput &out)
{
    // The leading carried-over entries that would be written again byte for byte where they already
    // are (an archive this writer made): their local headers as this writer builds them, at the
    // offsets they would get. Each is read once, when the archive is first saved in this session.
    int count = 0;
    qint64 prefix = 0;
    for (const ZipEntry &entry : m_entries) {
        if (entry.action != aaNone)
            break;
        const QByteArray header = ZipRecords::localHeader(entry);
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

void TZipWriter::nextDisk(ZipOutput &out)
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
        throw ZipError::aborted();
    }
    out.reopen(m_fileName);
}

void TZipWriter::writeRecord(ZipOutput &out, const char *data, qint64 length)
{
    while (!out.tryWrite(data, length))
        nextDisk(out);
}

// A local header records where it lands, which moves when it has to go to a new disk.
void TZipWriter::writeLocalHeader(ZipOutput &out, ZipEntry &entry)
{
    for (;;) {
        if (out.pos() > kLargestOffset)
            throw ZipError(QStringLiteral("Cannot write file %1: the archive would exceed 4 GB").arg(m_fileName));
        entry.localHeaderOffset = std::uint32_t(out.pos());
        entry.diskNumberStart = std::uint16_t(out.diskNumber());
        const QByteArray header = ZipRecords::localHeader(entry);
        if (out.tryWrite(header.constData(), header.size()))
            return;
        nextDisk(out);
    }
}

void TZipWriter::reportProgress(int done, int total)
{
    if (OnProgress && !OnProgress(done, total)) {
        m_status = asInvalid;
        throw ZipError::aborted();
    }
}

// Writes the entries of next, which start at index first of the archive's list; the first unchanged
// of the list are in place already (copied with the archive's first bytes).
void TZipWriter::writeEntries(ZipOutput &out, std::vector<ZipEntry> &next, int first, int unchanged)
{
    if (m_piece.isEmpty())
        m_piece = QByteArray(kCopyPiece, Qt::Uninitialized);
    const int total = first + int(next.size());
    // The entries a previous save left in place count as done.
    if (OnProgress)
        for (int i = 0; i < first; ++i)
            reportProgress(i + 1, total);
    for (int i = 0; i < int(next.size()); ++i) {
        ZipEntry &entry = next[i];
        if (first + i < unchanged) {
            entry.localHeaderOffset = std::uint32_t(entry.dataOffset - ZipRecords::localHeaderSize(entry));
            entry.diskNumberStart = 0;
        } else if (entry.action == aaNone) {
            copyCarried(out, entry);
        } else if (entry.action == aaAdd) {
            writeAdded(out, entry);
        }
        reportProgress(first + i + 1, total);
    }
}

// An entry carried over from the archive as it was is copied from there.
void TZipWriter::copyCarried(ZipOutput &out, ZipEntry &entry)
{
    writeLocalHeader(out, entry);
    if (!m_file->seek(entry.dataOffset))
        throw ZipError(QStringLiteral("Cannot read file %1").arg(m_fileName));
    for (qint64 left = entry.compressedSize; left > 0;) {
        const qint64 got = m_file->read(m_piece.data(), std::min(left, kCopyPiece));
        if (got <= 0)
            throw ZipError(QStringLiteral("Cannot read file %1").arg(m_fileName));
        writeRecord(out, m_piece.constData(), got);
        left -= got;
    }
}

// A new entry: its file compressed, then its local header and data.
void TZipWriter::writeAdded(ZipOutput &out, ZipEntry &entry)
{
    const qint64 start = out.pos();
    const int startDisk = out.diskNumber();
    // The source file or the scratch stream failed: the entry is left out, and what it had written
    // is overwritten by what follows.
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
        return;
    }
    writeLocalHeader(out, entry);
    scratch.seekRead(0);
    for (;;) {
        qint64 got = 0;
        try {
            got = scratch.read(m_piece.data(), kCopyPiece);
        } catch (const ZipError &failure) {
            leaveOut(failure);
            return;
        }
        if (got <= 0)
            return;
        writeRecord(out, m_piece.constData(), got);
    }
}

// The central directory headers of the entries written in the directory, and how many they are.
QByteArray TZipWriter::directoryOf(const std::vector<ZipEntry> &entries, int &count) const
{
    QByteArray bytes;
    count = 0;
    for (const ZipEntry &entry : entries) {
        if (!ZipRecords::writtenInDirectory(entry))
            continue;
        ZipRecords::appendCentralHeader(bytes, entry);
        ++count;
    }
    return bytes;
}

// An archive of this kind holds at most 65,535 entries and ends its directory within 4 GB.
void TZipWriter::checkDirectory(qint64 directoryEnd, int count) const
{
    if (count > 0xFFFF)
        throw ZipError(QStringLiteral("Cannot write file %1: too many entries").arg(m_fileName));
    if (directoryEnd > kLargestOffset)
        throw ZipError(QStringLiteral("Cannot write file %1: the archive would exceed 4 GB").arg(m_fileName));
}

// The whole directory and the end record, header by header: on the removable drive the directory
// may begin on the next disk or go on there.
void TZipWriter::writeDirectory(ZipOutput &out, const std::vector<ZipEntry> &entries)
{
    ZipRecords::DirectoryEnd end;
    end.offset = out.pos();
    end.directoryDisk = out.diskNumber();
    QByteArray header;
    for (const ZipEntry &entry : entries) {
        if (!ZipRecords::writtenInDirectory(entry))
            continue;
        const int diskBefore = out.diskNumber();
        header.clear();
        ZipRecords::appendCentralHeader(header, entry);
        writeRecord(out, header.constData(), header.size());
        if (end.count == 0) {
            // The directory starts where its first header landed, possibly on a new disk.
            end.offset = out.pos() - header.size();
            end.directoryDisk = out.diskNumber();
        }
        end.size += header.size();
        ++end.count;
        end.countOnDisk = out.diskNumber() == diskBefore ? end.countOnDisk + 1 : 1;
    }
    checkDirectory(out.pos(), end.count);
    end.diskNumber = out.diskNumber();
    if (end.diskNumber == end.directoryDisk)
        end.countOnDisk = end.count;
    const QByteArray record = ZipRecords::endRecord(end, m_comment);
    writeRecord(out, record.constData(), record.size());
}
