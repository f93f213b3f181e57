#include "send/zip/EntryCompressor.h"

#include "send/zip/ScratchStream.h"
#include "send/zip/ZipError.h"

#include <QFile>
#include <QFileInfo>

#include <zlib.h>

#include <limits>
#include <memory>

namespace {

constexpr qint64 kDeflateReadSize = 32768;
constexpr qint64 kStoreReadSize = 8192;
constexpr qint64 kLargestEntry = std::numeric_limits<std::uint32_t>::max();

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
std::uint32_t windowsAttributes(const QFileInfo &info)
{
    std::uint32_t attributes = 0x20;
    if (!(info.permissions() & QFileDevice::WriteOwner))
        attributes |= 0x01;
    if (info.fileName().startsWith(QLatin1Char('.')))
        attributes |= 0x02;
    return attributes;
}

[[noreturn]] void readFailed(const QFile &file)
{
    throw ZipError(QStringLiteral("Cannot read file %1: %2").arg(file.fileName(), file.errorString()));
}

class Deflater final
{
public:
    explicit Deflater(TDeflationOption option)
    {
        const Effort effort = effortOf(option);
        // Negative window bits: a raw deflate stream with a 32 KB window and no zlib wrapper.
        if (deflateInit2(&m_stream, effort.level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            throw ZipError(QStringLiteral("Cannot start the deflate coder"));
        deflateTune(&m_stream, effort.goodLength, effort.maxLazy, effort.niceLength, effort.chain);
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
    z_stream m_stream{};
    char m_out[32768];
};

} // namespace

namespace EntryCompressor {

std::uint32_t dosDateTime(const QDateTime &local)
{
    const QDate date = local.date();
    const QTime time = local.time();
    if (!date.isValid() || date.year() < 1980)
        return std::uint32_t(1 << 5 | 1) << 16;
    const int year = std::min(date.year(), 2107) - 1980;
    const std::uint32_t dosDate = std::uint32_t(year << 9 | date.month() << 5 | date.day());
    const std::uint32_t dosTime = std::uint32_t(time.hour() << 11 | time.minute() << 5 | time.second() / 2);
    return dosDate << 16 | dosTime;
}

bool looksLikeText(const char *data, qint64 length)
{
    qint64 binary = 0;
    qint64 text = 0;
    for (qint64 i = 0; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        if (byte <= 6 || byte >= 128)
            ++binary;
        else
            ++text;
    }
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
    const QString &hostPath = entry.diskFileName;
    QFile file(hostPath);
    // Only plain files: opening a pipe would wait for a writer.
    if (!QFileInfo(hostPath).isFile() || !file.open(QIODevice::ReadOnly))
        throw ZipError(QStringLiteral("Cannot open file %1").arg(hostPath));
    const QFileInfo info(hostPath);
    entry.externalAttributes = windowsAttributes(info);
    if (file.size() > kLargestEntry)
        throw ZipError(QStringLiteral("File too large for the archive: %1").arg(hostPath));
    const std::uint32_t stamp = dosDateTime(info.lastModified().toLocalTime());
    entry.dosTime = std::uint16_t(stamp & 0xFFFF);
    entry.dosDate = std::uint16_t(stamp >> 16);
    entry.versionMadeBy = 20;

    auto buffer = std::make_unique<char[]>(kDeflateReadSize);
    // Reads the next piece of at most size bytes; a read error is raised.
    auto readPiece = [&](qint64 size) {
        if (cancel && cancel->load(std::memory_order_relaxed))
            throw ZipError(QStringLiteral("Compression of %1 cancelled").arg(hostPath));
        const qint64 got = file.read(buffer.get(), size);
        if (got < 0)
            readFailed(file);
        return got;
    };
    bool deflated = false;
    bool textFlag = false;
    qint64 total = 0;
    uLong crc = crc32(0L, Z_NULL, 0);

    if (method != smStored) {
        Deflater deflater(option);
        bool first = true;
        for (;;) {
            const qint64 got = readPiece(kDeflateReadSize);
            // The deflate coder does not tell how many bytes of its first block went out as literals.
            // The flag is judged on all bytes of the first piece read instead: it covers at least the
            // first block, and in text the bytes that matches cover are text as well, so the verdict
            // agrees with the literal count for the files we pack; an empty file counts as text.
            if (first)
                textFlag = looksLikeText(buffer.get(), got);
            first = false;
            total += got;
            if (total > kLargestEntry)
                throw ZipError(QStringLiteral("File too large for the archive: %1").arg(hostPath));
            crc = crc32_z(crc, reinterpret_cast<const Bytef *>(buffer.get()), z_size_t(got));
            const bool last = got == 0 || (got < kDeflateReadSize && file.atEnd());
            deflater.feed(buffer.get(), got, last, scratch);
            if (last)
                break;
        }
        deflated = method == smDeflated || scratch.size() < total;
    }

    if (!deflated) {
        scratch.reset();
        if (!file.seek(0))
            readFailed(file);
        total = 0;
        crc = crc32(0L, Z_NULL, 0);
        for (;;) {
            const qint64 got = readPiece(kStoreReadSize);
            if (got == 0)
                break;
            total += got;
            if (total > kLargestEntry)
                throw ZipError(QStringLiteral("File too large for the archive: %1").arg(hostPath));
            crc = crc32_z(crc, reinterpret_cast<const Bytef *>(buffer.get()), z_size_t(got));
            scratch.write(buffer.get(), got);
        }
    }

    entry.uncompressedSize = std::uint32_t(total);
    entry.crc32 = std::uint32_t(crc);
    entry.internalAttributes = textFlag ? 1 : 0;
    entry.method = deflated ? 8 : 0;
    entry.versionNeeded = deflated ? 20 : 10;
    entry.compressedSize = std::uint32_t(scratch.size());
}

} // namespace EntryCompressor
