#pragma once

#include <QByteArray>
#include <QFile>

// Where a save writes: a file beside the archive, or the archive file itself when it is new on the
// removable drive. Only the latter can run out of disk and continue on a new one; it takes each
// record in a write of its own, so that a full disk shows at the record that did not fit. Elsewhere
// records are gathered and go out in large writes (at the latest when the save finishes), and a
// failed write raises ZipError.
class ZipOutput final
{
public:
    // start: where writing begins; fileEnd: the file's length when known (-1: not known).
    ZipOutput(QFile &file, bool removable, qint64 capacity, int diskNumber, qint64 start = 0, qint64 fileEnd = -1);

    QFile &file() { return m_file; }
    bool removable() const { return m_removable; }
    qint64 pos() const { return m_pos; }
    int diskNumber() const { return m_diskNumber; }
    bool continued() const { return m_continued; }

    // Writes one record; false when a removable disk is full (the record is then not on the disk).
    bool tryWrite(const char *data, qint64 length);
    void seek(qint64 position);
    // A record did not fit: the current disk ends before it, the next one starts empty.
    void startNextDisk();
    void reopen(const QString &windowsPath);
    // The end of what this save wrote: everything gathered goes out, and bytes beyond it (of a failed
    // entry) are cut off.
    void finish();
    // What was written since the file was last the given length is undone; false when that fails.
    bool cutBack(qint64 length);

private:
    bool writeOut(const char *data, qint64 length);
    void flushGathered();
    [[noreturn]] void writeFailed() const;

    QFile &m_file;
    bool m_removable;
    qint64 m_capacity;
    int m_diskNumber;
    qint64 m_pos = 0;
    // The length of the file as far as this output knows (-1: not known).
    qint64 m_fileEnd = -1;
    bool m_continued = false;
    // Records gathered for one write, to go at m_gatheredAt.
    QByteArray m_gathered;
    qint64 m_gatheredAt = 0;
};
