#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

class QTemporaryFile;

// The byte stream that receives the compressed data of one entry before it is copied into the archive.
// At most kMaxPages pages of kPageSize bytes stay in memory; when more are needed the least recently
// used page goes to a swap file, made on first need in the temporary directory and deleted with the
// stream. That keeps the memory of a save flat however large a data file is.
class ScratchStream final
{
public:
    static constexpr int kPageSize = 4096;
    static constexpr int kMaxPages = 25;

    ScratchStream();
    ~ScratchStream();
    ScratchStream(const ScratchStream &) = delete;
    ScratchStream &operator=(const ScratchStream &) = delete;

    // Appends at the write position. Throws ZipError on a swap file failure.
    void write(const char *data, qint64 length);
    // Moves every page held in memory to the swap file and frees them: for a stream that waits.
    // Throws ZipError on a swap file failure.
    void spill();
    // Back to an empty stream; the swap file, if any, is kept for reuse.
    void reset();
    qint64 size() const { return m_size; }

    // Reads from the read position (set by seekRead) up to the end; returns the bytes read.
    void seekRead(qint64 position) { m_readPosition = position; }
    qint64 read(char *data, qint64 maxLength);

    // Path of the swap file; empty while everything fits in memory.
    QString swapFilePath() const;

private:
    struct Page
    {
        qint64 index = -1;
        std::uint64_t lastUse = 0;
        bool dirty = false;
        std::unique_ptr<char[]> bytes;
    };

    Page &pageFor(qint64 index);
    void evict(Page &page);
    void openSwap();
    void seekSwap(qint64 index);

    std::vector<Page> m_pages;
    std::vector<bool> m_inSwap;
    std::unique_ptr<QTemporaryFile> m_swap;
    std::uint64_t m_clock = 0;
    qint64 m_size = 0;
    qint64 m_readPosition = 0;
};
