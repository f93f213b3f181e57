#include "send/zip/ZipReadBack.h"

#include "platform/FileRead.h"
#include "send/zip/ZipDirectoryReader.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <thread>

namespace {

constexpr qint64 kPiece = 65536;

std::function<void(const QString &)> &beforeRemove()
{
    static std::function<void(const QString &)> hook;
    return hook;
}

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
bool localHeaderAgrees(ReadOnlyFile &archive, const ZipEntry &entry)
{
    const qint64 nameLength = entry.storedName.size();
    QByteArray header(30 + nameLength, Qt::Uninitialized);
    if (archive.readAt(entry.localHeaderOffset, header.data(), header.size()) != header.size())
        return false;
    const char *p = header.constData();
    return u32(p) == ZipDirectoryReader::kLocalHeaderSignature && u16(p + 8) == entry.method &&
           u32(p + 14) == entry.crc32 && u32(p + 18) == entry.compressedSize && u32(p + 22) == entry.uncompressedSize &&
           u16(p + 26) == nameLength && header.mid(30) == entry.storedName &&
           entry.dataOffset == qint64(entry.localHeaderOffset) + 30 + nameLength + u16(p + 28);
}

// The archive's bytes of one entry, read in turn from where its data starts.
class EntryData final
{
public:
    EntryData(ReadOnlyFile &archive, const ZipEntry &entry)
        : m_archive(archive), m_offset(entry.dataOffset), m_left(entry.compressedSize)
    {
    }
    qint64 left() const { return m_left; }
    // The next at most length bytes; 0 or less when none can be read.
    qint64 read(char *data, qint64 length)
    {
        const qint64 got = m_archive.readAt(m_offset, data, std::min(m_left, length));
        if (got > 0) {
            m_offset += got;
            m_left -= got;
        }
        return got;
    }

private:
    ReadOnlyFile &m_archive;
    qint64 m_offset;
    qint64 m_left;
};

// Compares the next bytes of the file with what came out of the archive.
bool sameAsFile(ReadOnlyFile &file, const char *data, qint64 length, char *buffer)
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

// The pieces one thread reads back through.
struct Pieces
{
    std::unique_ptr<char[]> in = std::make_unique<char[]>(kPiece);
    std::unique_ptr<char[]> out = std::make_unique<char[]>(kPiece);
    std::unique_ptr<char[]> compare = std::make_unique<char[]>(kPiece);
};

// A stored entry: its data is the file's content; the CRC-32 of what was compared.
bool storedHolds(EntryData &data, ReadOnlyFile &file, Pieces &pieces, uLong &crc, qint64 &produced)
{
    while (data.left() > 0) {
        const qint64 got = data.read(pieces.in.get(), kPiece);
        if (got <= 0 || !sameAsFile(file, pieces.in.get(), got, pieces.compare.get()))
            return false;
        crc = crc32_z(crc, reinterpret_cast<const Bytef *>(pieces.in.get()), z_size_t(got));
        produced += got;
    }
    return true;
}

// A deflated entry: its data inflates to the file's content, and the stream ends with the data.
bool deflatedHolds(EntryData &data, ReadOnlyFile &file, qint64 size, Pieces &pieces, uLong &crc, qint64 &produced)
{
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return false;
    const auto guard = std::unique_ptr<z_stream, int (*)(z_stream *)>(&stream, inflateEnd);
    int status = Z_OK;
    while (status != Z_STREAM_END) {
        if (stream.avail_in == 0) {
            if (data.left() == 0)
                return false; // the data ends before the deflate stream does
            const qint64 got = data.read(pieces.in.get(), kPiece);
            if (got <= 0)
                return false;
            stream.next_in = reinterpret_cast<Bytef *>(pieces.in.get());
            stream.avail_in = uInt(got);
        }
        stream.next_out = reinterpret_cast<Bytef *>(pieces.out.get());
        stream.avail_out = uInt(kPiece);
        status = inflate(&stream, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END)
            return false;
        const qint64 got = kPiece - stream.avail_out;
        if (produced + got > size || !sameAsFile(file, pieces.out.get(), got, pieces.compare.get()))
            return false;
        crc = crc32_z(crc, reinterpret_cast<const Bytef *>(pieces.out.get()), z_size_t(got));
        produced += got;
    }
    // The stream must end exactly where the entry's data does.
    return data.left() == 0 && stream.avail_in == 0;
}

bool holdsWith(ReadOnlyFile &archive, const ZipEntry &entry, ReadOnlyFile &file, Pieces &pieces)
{
    if ((entry.method != 0 && entry.method != 8) || (entry.flags & 0x0001) || entry.dataOffset <= 0)
        return false;
    if (!file.isPlainFile() || file.size() != qint64(entry.uncompressedSize) || !localHeaderAgrees(archive, entry) ||
        !file.rewind())
        return false;
    if (entry.method == 0 && entry.compressedSize != entry.uncompressedSize)
        return false;
    EntryData data(archive, entry);
    uLong crc = crc32(0L, Z_NULL, 0);
    qint64 produced = 0;
    const qint64 size = entry.uncompressedSize;
    if (!(entry.method == 0 ? storedHolds(data, file, pieces, crc, produced)
                            : deflatedHolds(data, file, size, pieces, crc, produced)))
        return false;
    char extra = 0;
    return produced == size && std::uint32_t(crc) == entry.crc32 && file.read(&extra, 1) == 0;
}

} // namespace

namespace ZipReadBack {

bool holds(ReadOnlyFile &archive, const ZipEntry &entry, ReadOnlyFile &file)
{
    Pieces pieces;
    return holdsWith(archive, entry, file, pieces);
}

void setBeforeRemove(std::function<void(const QString &hostFile)> hook)
{
    beforeRemove() = std::move(hook);
}

std::vector<Answer> holdAll(const QString &hostArchive, const std::vector<Check> &checks, RemoveHeld removeHeld)
{
    std::vector<Answer> answers(checks.size(), Answer::NotHeld);
    std::atomic<std::size_t> next = 0;
    auto work = [&] {
        ReadOnlyFile archive;
        if (!archive.open(hostArchive))
            return;
        Pieces pieces;
        for (std::size_t i = next++; i < checks.size(); i = next++) {
            const Check &check = checks[i];
            if (!check.entry)
                continue;
            // Opening does not wait for a pipe's writer; only a plain file is compared.
            ReadOnlyFile file;
            if (!file.open(check.hostFile) || !holdsWith(archive, *check.entry, file, pieces))
                continue;
            // What the file was when it was opened: written to since, it is no longer what was compared.
            const FileIdentity compared = file.identity();
            file.close();
            answers[i] = Answer::Held;
            if (removeHeld == RemoveHeld::No)
                continue;
            if (beforeRemove())
                beforeRemove()(check.hostFile);
            // Deleting is shared out as well: the kernel's part of it is not small beside a small file.
            const Removal removal = removeIfUnchanged(check.hostFile, compared);
            if (removal != Removal::Removed)
                answers[i] = removal == Removal::Changed ? Answer::NotHeld : Answer::NotRemoved;
        }
    };
    // A deletion mostly waits for the disk (the file system frees and may discard the file's blocks
    // there and then): while some threads wait in one, others compare, so there are twice as many
    // threads as processors when deleting.
    const bool deleting = removeHeld == RemoveHeld::Yes;
    const std::size_t processors = std::max(1u, std::thread::hardware_concurrency()) * (deleting ? 2 : 1);
    const std::size_t threads =
        std::min<std::size_t>({processors, std::size_t(deleting ? 8 : 4), std::max<std::size_t>(checks.size(), 1)});
    std::vector<std::thread> helpers;
    for (std::size_t i = 1; i < threads; ++i)
        helpers.emplace_back(work);
    work();
    for (std::thread &helper : helpers)
        helper.join();
    return answers;
}

} // namespace ZipReadBack
