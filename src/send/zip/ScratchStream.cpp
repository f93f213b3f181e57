#include "send/zip/ScratchStream.h"

#include "send/zip/ZipError.h"

#include <QDir>
#include <QTemporaryFile>

#include <algorithm>
#include <cstring>

ScratchStream::ScratchStream()
{
    m_pages.reserve(kMaxPages);
}

ScratchStream::~ScratchStream() = default;

QString ScratchStream::swapFilePath() const
{
    return m_swap ? m_swap->fileName() : QString();
}

void ScratchStream::openSwap()
{
    const QString pattern = QDir::tempPath() + QStringLiteral("/VMSXXXXXX");
    auto swap = std::make_unique<QTemporaryFile>(pattern);
    if (!swap->open())
        throw ZipError(QStringLiteral("VMS: Cannot open swap file %1").arg(pattern));
    m_swap = std::move(swap);
}

void ScratchStream::seekSwap(qint64 index)
{
    // Pages mostly go out and come back in order: the swap file is often where the page is already,
    // and its own buffer then gathers several pages into one write or read.
    if (m_swap->pos() == index * kPageSize)
        return;
    if (!m_swap->seek(index * kPageSize))
        throw ZipError(QStringLiteral("VMS: Failed to seek in swap file %1").arg(m_swap->fileName()));
}

void ScratchStream::evict(Page &page)
{
    if (page.dirty && page.index >= 0) {
        if (!m_swap)
            openSwap();
        seekSwap(page.index);
        if (m_swap->write(page.bytes.get(), kPageSize) != kPageSize)
            throw ZipError(
                QStringLiteral("VMS: Failed to write %1 bytes to swap file %2").arg(kPageSize).arg(m_swap->fileName()));
        if (m_inSwap.size() <= std::size_t(page.index))
            m_inSwap.resize(page.index + 1, false);
        m_inSwap[page.index] = true;
        page.dirty = false;
    }
    page.index = -1;
}

ScratchStream::Page &ScratchStream::pageFor(qint64 index)
{
    ++m_clock;
    for (Page &page : m_pages) {
        if (page.index == index) {
            page.lastUse = m_clock;
            return page;
        }
    }
    Page *slot = nullptr;
    if (int(m_pages.size()) < kMaxPages) {
        m_pages.emplace_back();
        slot = &m_pages.back();
        slot->bytes = std::make_unique<char[]>(kPageSize);
    } else {
        slot = &*std::min_element(m_pages.begin(), m_pages.end(),
                                  [](const Page &a, const Page &b) { return a.lastUse < b.lastUse; });
        evict(*slot);
    }
    slot->index = index;
    slot->lastUse = m_clock;
    slot->dirty = false;
    if (std::size_t(index) < m_inSwap.size() && m_inSwap[index]) {
        seekSwap(index);
        if (m_swap->read(slot->bytes.get(), kPageSize) != kPageSize)
            throw ZipError(QStringLiteral("VMS: Failed to read %1 bytes from swap file %2")
                               .arg(kPageSize)
                               .arg(m_swap->fileName()));
    } else {
        std::memset(slot->bytes.get(), 0, kPageSize);
    }
    return *slot;
}

void ScratchStream::write(const char *data, qint64 length)
{
    while (length > 0) {
        const qint64 index = m_size / kPageSize;
        const int within = int(m_size % kPageSize);
        const int piece = int(std::min<qint64>(length, kPageSize - within));
        Page &page = pageFor(index);
        std::memcpy(page.bytes.get() + within, data, piece);
        page.dirty = true;
        m_size += piece;
        data += piece;
        length -= piece;
    }
}

void ScratchStream::spill()
{
    for (Page &page : m_pages)
        evict(page);
    if (m_swap && !m_swap->flush())
        throw ZipError(QStringLiteral("VMS: Failed to write to swap file %1").arg(m_swap->fileName()));
    m_pages.clear();
}

void ScratchStream::reset()
{
    for (Page &page : m_pages) {
        page.index = -1;
        page.dirty = false;
    }
    std::fill(m_inSwap.begin(), m_inSwap.end(), false);
    m_size = 0;
    m_readPosition = 0;
}

qint64 ScratchStream::read(char *data, qint64 maxLength)
{
    qint64 done = 0;
    while (done < maxLength && m_readPosition < m_size) {
        const qint64 index = m_readPosition / kPageSize;
        const int within = int(m_readPosition % kPageSize);
        const int piece = int(std::min<qint64>({maxLength - done, kPageSize - within, m_size - m_readPosition}));
        const Page &page = pageFor(index);
        std::memcpy(data + done, page.bytes.get() + within, piece);
        m_readPosition += piece;
        done += piece;
    }
    return done;
}
