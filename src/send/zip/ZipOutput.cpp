#include "send/zip/ZipOutput.h"

#include "send/zip/ZipError.h"

#include <algorithm>

namespace {

// Gathered records go out once they reach this size.
constexpr qint64 kGatherSize = 131072;

} // namespace

ZipOutput::ZipOutput(QFile &file, bool removable, qint64 capacity, int diskNumber, qint64 start, qint64 fileEnd)
    : m_file(file), m_removable(removable), m_capacity(capacity), m_diskNumber(diskNumber), m_pos(start),
      m_fileEnd(fileEnd)
{
    if (!removable)
        m_gathered.reserve(kGatherSize); // taken once: emptying it keeps the room
}

void ZipOutput::writeFailed() const
{
    throw ZipError(QStringLiteral("Cannot write file %1: %2").arg(m_file.fileName(), m_file.errorString()));
}

// Writes at the file's own position; a write that stops short is tried again for the rest, so that
// a full disk reports itself. False when not everything was written.
bool ZipOutput::writeOut(const char *data, qint64 length)
{
    qint64 written = 0;
    while (written < length) {
        const qint64 got = m_file.write(data + written, length - written);
        if (got <= 0)
            break;
        written += got;
    }
    return written == length;
}

void ZipOutput::flushGathered()
{
    if (m_gathered.isEmpty())
        return;
    if (m_file.pos() != m_gatheredAt && !m_file.seek(m_gatheredAt))
        writeFailed();
    if (!writeOut(m_gathered.constData(), m_gathered.size()))
        writeFailed();
    if (m_fileEnd >= 0)
        m_fileEnd = std::max(m_fileEnd, m_gatheredAt + m_gathered.size());
    m_gathered.resize(0);
}

bool ZipOutput::tryWrite(const char *data, qint64 length)
{
    if (!m_removable) {
        if (m_gathered.size() + length > kGatherSize)
            flushGathered();
        if (m_gathered.isEmpty())
            m_gatheredAt = m_pos;
        if (length >= kGatherSize) {
            // Too large to gather: it goes out as it is.
            if (m_file.pos() != m_pos && !m_file.seek(m_pos))
                writeFailed();
            if (!writeOut(data, length))
                writeFailed();
            if (m_fileEnd >= 0)
                m_fileEnd = std::max(m_fileEnd, m_pos + length);
        } else {
            m_gathered.append(data, length);
        }
        m_pos += length;
        return true;
    }
    if (m_capacity > 0 && m_pos + length > m_capacity)
        return false;
    if (writeOut(data, length)) {
        m_pos += length;
        return true;
    }
    // A full disk: the error Qt gives for it, or a write that stopped short.
    return false;
}

void ZipOutput::seek(qint64 position)
{
    // Back into what is still gathered: that part is simply dropped.
    if (!m_gathered.isEmpty() && position >= m_gatheredAt && position <= m_gatheredAt + m_gathered.size()) {
        m_gathered.truncate(position - m_gatheredAt);
        m_pos = position;
        return;
    }
    flushGathered();
    if (!m_file.seek(position))
        writeFailed();
    m_pos = position;
}

void ZipOutput::startNextDisk()
{
    m_file.resize(m_pos);
    m_file.close();
    ++m_diskNumber;
    m_pos = 0;
    m_continued = true;
}

void ZipOutput::reopen(const QString &windowsPath)
{
    if (!m_file.open(QIODevice::ReadWrite | QIODevice::Truncate | QIODevice::Unbuffered))
        throw ZipError(QStringLiteral("Cannot create file %1").arg(windowsPath));
}

void ZipOutput::finish()
{
    flushGathered();
    if (m_fileEnd < 0 || m_fileEnd > m_pos) {
        if (!m_file.resize(m_pos))
            writeFailed();
    }
    if (!m_file.flush())
        writeFailed();
    m_fileEnd = m_pos;
}

bool ZipOutput::cutBack(qint64 length)
{
    m_gathered.resize(0);
    if (!m_file.resize(length))
        return false;
    m_pos = length;
    m_fileEnd = length;
    return true;
}
