#include "send/zip/ZipReadBack.h"

#include "send/zip/ZipDirectoryReader.h"

#include <QFile>
#include <QFileInfo>

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <thread>

namespace {

constexpr qint64 kPiece = 65536;

std::uint32_t u32(const char *p)
{
    const auto *b = reinterpret_cast<const unsigned char *>(p);
    return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24;
}

std::uint16_t u16(const char *p)
{
    const auto *b = reinterpret_cast<const unsigned char *>(p);
    return std::uint16_t(b[0] | b[1] << 8);
}

// The local header says what the directory says: name, method, CRC-32 and sizes.
bool localHeaderAgrees(QFile &archive, const ZipEntry &entry)
{
    const qint64 nameLength = entry.storedName.size();
    if (!archive.seek(entry.localHeaderOffset))
        return false;
    const QByteArray header = archive.read(30 + nameLength);
    if (header.size() != 30 + nameLength)
        return false;
    const char *p = header.constData();
    return u32(p) == ZipDirectoryReader::kLocalHeaderSignature && u16(p + 8) == entry.method &&
           u32(p + 14) == entry.crc32 && u32(p + 18) == entry.compressedSize && u32(p + 22) == entry.uncompressedSize &&
           u16(p + 26) == nameLength && header.mid(30) == entry.storedName &&
           entry.dataOffset == qint64(entry.localHeaderOffset) + 30 + nameLength + u16(p + 28);
}

// Compares the next bytes of the file with what came out of the archive.
bool sameAsFile(QFile &file, const char *data, qint64 length, char *buffer)
{
    while (length > 0) {
        const qint64 got = file.read(buffer, std::min(length, kPiece));
        if (got <= 0 || std::memcmp(buffer, data, size_t(got)) != 0)
            return false;
        data += got;
        length -= got;
    }
    return true;
}

} // namespace

namespace ZipReadBack {

bool holds(QFile &archive, const ZipEntry &entry, QFile &file)
{
    if ((entry.method != 0 && entry.method != 8) || (entry.flags & 0x0001) || entry.dataOffset <= 0)
        return false;
    if (file.size() != qint64(entry.uncompressedSize) || !localHeaderAgrees(archive, entry) ||
        !archive.seek(entry.dataOffset) || !file.seek(0))
        return false;

    auto in = std::make_unique<char[]>(kPiece);
    auto out = std::make_unique<char[]>(kPiece);
    auto compare = std::make_unique<char[]>(kPiece);
    uLong crc = crc32(0L, Z_NULL, 0);
    qint64 produced = 0;
    qint64 left = entry.compressedSize;

    if (entry.method == 0) {
        if (entry.compressedSize != entry.uncompressedSize)
            return false;
        while (left > 0) {
            const qint64 got = archive.read(in.get(), std::min(left, kPiece));
            if (got <= 0 || !sameAsFile(file, in.get(), got, compare.get()))
                return false;
            crc = crc32_z(crc, reinterpret_cast<const Bytef *>(in.get()), z_size_t(got));
            produced += got;
            left -= got;
        }
    } else {
        z_stream stream{};
        if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
            return false;
        const auto guard = std::unique_ptr<z_stream, int (*)(z_stream *)>(&stream, inflateEnd);
        int status = Z_OK;
        while (status != Z_STREAM_END) {
            if (stream.avail_in == 0) {
                if (left == 0)
                    return false; // the data ends before the deflate stream does
                const qint64 got = archive.read(in.get(), std::min(left, kPiece));
                if (got <= 0)
                    return false;
                left -= got;
                stream.next_in = reinterpret_cast<Bytef *>(in.get());
                stream.avail_in = uInt(got);
            }
            stream.next_out = reinterpret_cast<Bytef *>(out.get());
            stream.avail_out = uInt(kPiece);
            status = inflate(&stream, Z_NO_FLUSH);
            if (status != Z_OK && status != Z_STREAM_END)
                return false;
            const qint64 got = kPiece - stream.avail_out;
            if (produced + got > qint64(entry.uncompressedSize) || !sameAsFile(file, out.get(), got, compare.get()))
                return false;
            crc = crc32_z(crc, reinterpret_cast<const Bytef *>(out.get()), z_size_t(got));
            produced += got;
        }
        // The stream must end exactly where the entry's data does.
        if (left != 0 || stream.avail_in != 0)
            return false;
    }
    char extra = 0;
    return produced == qint64(entry.uncompressedSize) && std::uint32_t(crc) == entry.crc32 && file.read(&extra, 1) == 0;
}

std::vector<bool> holdAll(const QString &hostArchive, const std::vector<Check> &checks)
{
    // Bytes, not bools: each thread writes its own answers.
    std::vector<char> held(checks.size(), 0);
    std::atomic<std::size_t> next = 0;
    auto work = [&] {
        QFile archive(hostArchive);
        if (!archive.open(QIODevice::ReadOnly))
            return;
        for (std::size_t i = next++; i < checks.size(); i = next++) {
            const Check &check = checks[i];
            if (!check.entry || !QFileInfo(check.hostFile).isFile())
                continue;
            QFile file(check.hostFile);
            held[i] = file.open(QIODevice::ReadOnly) && holds(archive, *check.entry, file);
        }
    };
    const std::size_t threads = std::min<std::size_t>({std::max(1u, std::thread::hardware_concurrency()), 4,
                                                       std::max<std::size_t>(checks.size(), 1)});
    std::vector<std::thread> helpers;
    for (std::size_t i = 1; i < threads; ++i)
        helpers.emplace_back(work);
    work();
    for (std::thread &helper : helpers)
        helper.join();
    return std::vector<bool>(held.begin(), held.end());
}

} // namespace ZipReadBack
