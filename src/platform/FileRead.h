#pragma once

#include <QDateTime>
#include <QString>

#include <cstdint>

// Which file a look found and what it held then: the same file (device and number) with the same
// size and the same times of its last write and last change has not been written to in between.
struct FileIdentity
{
    std::uint64_t device = 0;
    std::uint64_t number = 0;
    qint64 size = -1;
    std::int64_t modifiedNanoseconds = 0;
    std::int64_t changedNanoseconds = 0;

    bool operator==(const FileIdentity &) const = default;
};

// Deletes a file only when the name still leads to the very file `was` describes, unwritten since:
// a line appended after `was` was taken, or another file put in its place, stays. The check and the
// delete follow each other at once; Changed when the file is another or has changed, Failed when the
// system would not delete it.
enum class Removal
{
    Removed,
    Changed,
    Failed
};
Removal removeIfUnchanged(const QString &hostPath, const FileIdentity &was);

// A file opened for reading, with what one look at the open file tells about it: one open and one
// status query, whatever is asked afterwards. Opening never waits (a pipe without a writer opens at
// once), so only the answer of isPlainFile says whether reading it makes sense.
class ReadOnlyFile final
{
public:
    ReadOnlyFile() = default;
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile &) = delete;
    ReadOnlyFile &operator=(const ReadOnlyFile &) = delete;

    // Opens the file; false when it cannot be opened (errorString says why).
    bool open(const QString &hostPath);
    void close();
    bool isOpen() const { return m_handle >= 0; }

    // What the file was when it was opened.
    bool isPlainFile() const { return m_plain; }
    bool ownerWritable() const { return m_ownerWritable; }
    qint64 size() const { return m_size; }
    const FileIdentity &identity() const { return m_identity; }
    // The time of its last change, local time.
    QDateTime lastModified() const;
    // The same as a local date and a time of day, to the second, without looking the time zone up
    // again for each file.
    void lastModifiedLocally(QDate &date, QTime &time) const;

    // Reads up to length bytes from the current position, waiting out interruptions; 0 at the end,
    // -1 on an error.
    qint64 read(char *data, qint64 length);
    // Reads up to length bytes at an offset without moving the current position; as read.
    qint64 readAt(qint64 offset, char *data, qint64 length);
    // Back to the first byte; false on an error.
    bool rewind();

    const QString &fileName() const { return m_path; }
    QString errorString() const { return m_error; }

private:
    QString m_path;
    QString m_error;
    int m_handle = -1;
    bool m_plain = false;
    bool m_ownerWritable = false;
    qint64 m_size = 0;
    qint64 m_modifiedSeconds = 0;
    std::int64_t m_modifiedNanoseconds = 0;
    FileIdentity m_identity;
};
