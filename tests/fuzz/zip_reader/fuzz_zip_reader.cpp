// Feeds arbitrary bytes to the archive reader as if they were an existing archive of the session's
// name. The reader must refuse what it cannot use with ZipError and never read outside the bytes.
#include "send/zip/ZipDirectoryReader.h"
#include "send/zip/ZipError.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    try {
        ZipDirectoryReader::startsSpanned(buffer);
        const ZipDirectory directory = ZipDirectoryReader::read(buffer);
        if (directory.spanned)
            return 0;
        // What a save would copy of each carried-over entry lies inside the file.
        for (const ZipEntry &entry : directory.entries) {
            if (entry.dataOffset < 0 || entry.dataOffset + qint64(entry.compressedSize) > qint64(size))
                std::abort();
            volatile std::uint8_t sum = 0;
            for (qint64 at = entry.dataOffset; at < entry.dataOffset + qint64(entry.compressedSize); ++at)
                sum = sum + data[at];
        }
    } catch (const ZipError &) {
    }
    return 0;
}
