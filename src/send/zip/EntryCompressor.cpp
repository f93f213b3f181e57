#include "send/zip/EntryCompressor.h"

#include "platform/FileRead.h"
#include "send/zip/ScratchStream.h"
#include "send/zip/ZipError.h"

#include <QFileInfo>

#include <zlib.h>

#include <algorithm>
#include <memory>
#include <utility>

namespace {

// Deflate takes the file in pieces of this size, whatever size the reads have: the text flag is
// judged on the first piece, and the coder's input comes in the same steps as ever.
constexpr qint64 kDeflatePiece = 32768;
// Reads are this large: a data file of usual size is read in one call.
constexpr qint64 kReadSize = 4 * kDeflatePiece;

struct Effort
{
    int level;
    int goodLength;
    int maxLazy;
    int niceLength;
    int chain;
};

Effort effortOf(TDeflationOption option)
{
    switch (option) {
    case doSuperFast:
        return {1, 4, 4, 258, 16};
    case doFast:
        return {3, 8, 16, 258, 32};
    case doMaximum:
        return {9, 32, 258, 258, 4096};
    case doNormal:
        break;
    }
    return {5, 8, 64, 258, 128};
}

// Attributes as Windows would report them for the file: "archive" is set on every file that was
// written since it was last backed up, which for a freshly written data file is always the case.
std::uint32_t windowsAttributes(const ReadOnlyFile &file)
{
    std::uint32_t attributes = 0x20;
    if (!file.ownerWritable())
        attributes |= 0x01;
    if (QFileInfo(file.fileName()).fileName().startsWith(QLatin1Char('.')))
        attributes |= 0x02;
    return attributes;
}

[[noreturn]] void readFailed(const ReadOnlyFile &file)
{
    throw ZipError(QStringLiteral("Cannot read file %1: %2").arg(file.fileName(), file.errorString()));
}

[[noreturn]] void tooLarge(const ReadOnlyFile &file)
{
    throw ZipError(QStringLiteral("File too large for the archive: %1").arg(file.fileName()));
}

// One raw deflate coder a thread, reset for each file: setting a coder up costs more than a small
// data file's compression.
class Deflater final
{
public:
    static Deflater &forThread(TDeflationOption option)
    {
        thread_local std::unique_ptr<Deflater> coder;
        if (!coder || coder->m_option != option)
            coder = std::make_unique<Deflater>(option);
        else
            coder->reset();
        return *coder;
    }

    explicit Deflater(TDeflationOption option) : m_option(option)
    {
        const Effort effort = effortOf(option);
        // Negative window bits: a raw deflate stream with a 32 KB window and no zlib wrapper.
        if (deflateInit2(&m_stream, effort.level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            throw ZipError(QStringLiteral("Cannot start the deflate coder"));
        tune();
    }
    ~Deflater() { deflateEnd(&m_stream); }
    Deflater(const Deflater &) = delete;
    Deflater &operator=(const Deflater &) = delete;

    void feed(const char *data, qint64 length, bool last, ScratchStream &scratch)
    {
        m_stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data));
        m_stream.avail_in = uInt(length);
        const int flush = last ? Z_FINISH : Z_NO_FLUSH;
        int result = Z_OK;
        do {
            m_stream.next_out = reinterpret_cast<Bytef *>(m_out);
            m_stream.avail_out = sizeof m_out;
            result = deflate(&m_stream, flush);
            if (result == Z_STREAM_ERROR)
                throw ZipError(QStringLiteral("The deflate coder failed"));
            scratch.write(m_out, qint64(sizeof m_out - m_stream.avail_out));
        } while (m_stream.avail_out == 0 || (last && result != Z_STREAM_END));
    }

private:
    // A reset coder is a new one with the same settings; the reset sets the level's own tuning, so
    // the effort's tuning goes in again.
    void reset()
    {
        if (deflateReset(&m_stream) != Z_OK)
            throw ZipError(QStringLiteral("Cannot start the deflate coder"));
        tune();
    }
    void tune()
    {
        const Effort effort = effortOf(m_option);
        deflateTune(&m_stream, effort.goodLength, effort.maxLazy, effort.niceLength, effort.chain);
    }

    TDeflationOption m_option;
    z_stream m_stream{};
    char m_out[32768];
};

// What compressing one file found out, beyond the compressed bytes.
struct Pass
{
    qint64 total = 0;
    uLong crc = crc32(0L, Z_NULL, 0);
    bool textFlag = false;
};

// Reads a source file in large blocks from its start, handing each on.
class SourceReader final
{
public:
    SourceReader(ReadOnlyFile &file, const std::atomic<bool> *cancel) : m_file(file), m_cancel(cancel)
    {
        thread_local std::unique_ptr<char[]> buffer;
        if (!buffer)
            buffer = std::make_unique<char[]>(kReadSize);
        m_buffer = buffer.get();
    }

    // The next block, empty at the end of the file; a read error is raised.
    std::pair<const char *, qint64> next()
    {
        if (m_ended)
            return {m_buffer, 0};
        if (m_cancel && m_cancel->load(std::memory_order_relaxed))
            throw ZipError(QStringLiteral("Compression of %1 cancelled").arg(m_file.fileName()));
        const qint64 got = m_file.readAt(m_offset, m_buffer, kReadSize);
        if (got < 0)
            readFailed(m_file);
        m_offset += got;
        if (m_offset > EntryCompressor::kLargestEntry)
            tooLarge(m_file);
        // A block that comes short at the length the file had when opened is the last one.
        m_ended = got == 0 || (got < kReadSize && m_offset >= m_file.size());
        return {m_buffer, got};
    }
    bool ended() const { return m_ended; }

private:
    ReadOnlyFile &m_file;
    const std::atomic<bool> *m_cancel;
    char *m_buffer = nullptr;
    qint64 m_offset = 0;
    bool m_ended = false;
};

// Deflates the whole file into the scratch stream. The coder gets the data in pieces of
// kDeflatePiece, the last one (short or empty) with the finish.
Pass deflateFile(ReadOnlyFile &file, TDeflationOption option, ScratchStream &scratch, const std::atomic<bool> *cancel)
{
    Deflater &deflater = Deflater::forThread(option);
    SourceReader reader(file, cancel);
    Pass pass;
    bool first = true;
    bool finished = false;
    while (!finished) {
        const auto [block, length] = reader.next();
        // The deflate coder does not tell how many bytes of its first block went out as literals.
        // The flag is judged on all bytes of the first piece instead: it covers at least the first
        // block, and in text the bytes that matches cover are text as well, so the verdict agrees
        // with the literal count for the files we pack; an empty file counts as text.
        if (first)
            pass.textFlag = EntryCompressor::looksLikeText(block, std::min(length, kDeflatePiece));
        first = false;
        pass.total += length;
        pass.crc = crc32_z(pass.crc, reinterpret_cast<const Bytef *>(block), z_size_t(length));
        qint64 done = 0;
        do {
            const qint64 piece = std::min(length - done, kDeflatePiece);
            finished = reader.ended() && done + piece == length && piece < kDeflatePiece;
            deflater.feed(block + done, piece, finished, scratch);
            done += piece;
        } while (done < length);
    }
    return pass;
}

// Copies the file as it is into the emptied scratch stream.
Pass storeFile(ReadOnlyFile &file, ScratchStream &scratch, const std::atomic<bool> *cancel)
{
    scratch.reset();
    SourceReader reader(file, cancel);
    Pass pass;
    for (;;) {
        const auto [block, length] = reader.next();
        if (length == 0)
            break;
        pass.total += length;
        pass.crc = crc32_z(pass.crc, reinterpret_cast<const Bytef *>(block), z_size_t(length));
        scratch.write(block, length);
    }
    return pass;
}

// Opens the source file and sets what the file itself says in the entry.
void openSource(ZipEntry &entry, ReadOnlyFile &file)
{
    const QString &hostPath = entry.diskFileName;
    // Only plain files: reading a pipe would wait for a writer.
    if (!file.open(hostPath) || !file.isPlainFile())
        throw ZipError(QStringLiteral("Cannot open file %1").arg(hostPath));
    entry.externalAttributes = windowsAttributes(file);
    if (file.size() > EntryCompressor::kLargestEntry)
        tooLarge(file);
    QDate date;
    QTime time;
    file.lastModifiedLocally(date, time);
    const std::uint32_t stamp = EntryCompressor::dosDateTime(date, time);
    entry.dosTime = std::uint16_t(stamp & 0xFFFF);
    entry.dosDate = std::uint16_t(stamp >> 16);
    entry.versionMadeBy = 20;
}

} // namespace

namespace EntryCompressor {

std::uint32_t dosDateTime(const QDateTime &local)
{
    return dosDateTime(local.date(), local.time());
}

std::uint32_t dosDateTime(const QDate &date, const QTime &time)
{
    if (!date.isValid() || date.year() < 1980)
        return std::uint32_t(1 << 5 | 1) << 16;
    const int year = std::min(date.year(), 2107) - 1980;
    const std::uint32_t dosDate = std::uint32_t(year << 9 | date.month() << 5 | date.day());
    const std::uint32_t dosTime = std::uint32_t(time.hour() << 11 | time.minute() << 5 | time.second() / 2);
    return dosDate << 16 | dosTime;
}

bool looksLikeText(const char *data, qint64 length)
{
    // Counted without a branch a byte, which the compiler turns into vector code.
    qint64 binary = 0;
    const auto *bytes = reinterpret_cast<const unsigned char *>(data);
    for (qint64 i = 0; i < length; ++i)
        binary += (bytes[i] <= 6) | (bytes[i] >= 128);
    const qint64 text = length - binary;
    return binary <= text / 4;
}

void copyCompressed(const ZipEntry &compressed, ZipEntry &entry)
{
    entry.flags = compressed.flags;
    entry.versionMadeBy = compressed.versionMadeBy;
    entry.versionNeeded = compressed.versionNeeded;
    entry.method = compressed.method;
    entry.dosTime = compressed.dosTime;
    entry.dosDate = compressed.dosDate;
    entry.crc32 = compressed.crc32;
    entry.compressedSize = compressed.compressedSize;
    entry.uncompressedSize = compressed.uncompressedSize;
    entry.internalAttributes = compressed.internalAttributes;
    entry.externalAttributes = compressed.externalAttributes;
}

void compress(ZipEntry &entry, TZipCompressionMethod method, TDeflationOption option, ScratchStream &scratch,
              const std::atomic<bool> *cancel)
{
    entry.flags = 0;
    entry.compressedSize = 0;
    ReadOnlyFile file;
    openSource(entry, file);
    Pass pass;
    bool deflated = false;
    if (method != smStored) {
        pass = deflateFile(file, option, scratch, cancel);
        deflated = method == smDeflated || scratch.size() < pass.total;
    }
    if (!deflated) {
        const bool textFlag = pass.textFlag;
        pass = storeFile(file, scratch, cancel);
        pass.textFlag = textFlag;
    }
    entry.uncompressedSize = std::uint32_t(pass.total);
    entry.crc32 = std::uint32_t(pass.crc);
    entry.internalAttributes = pass.textFlag ? 1 : 0;
    entry.method = deflated ? 8 : 0;
    entry.versionNeeded = deflated ? 20 : 10;
    entry.compressedSize = std::uint32_t(scratch.size());
}

} // namespace EntryCompressor
