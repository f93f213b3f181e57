#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

enum TZipAction
{
    aaFailed,
    aaNone,
    aaAdd,
    aaDelete,
    aaFreshen,
    aaMove
};
enum TZipCompressionMethod
{
    smStored,
    smDeflated,
    smBestMethod
};
enum TDeflationOption
{
    doNormal,
    doMaximum,
    doFast,
    doSuperFast
};

// One entry of an archive: what its central directory header says, plus where its data comes from.
struct ZipEntry
{
    QByteArray storedName; // 8-bit name with forward slashes, as written into the archive
    QString diskFileName;  // host path of the source file; empty for entries read from an archive
    TZipAction action = aaNone;

    std::uint16_t versionMadeBy = 20;
    std::uint16_t versionNeeded = 20;
    std::uint16_t flags = 0;
    std::uint16_t method = 8;
    std::uint16_t dosTime = 0;
    std::uint16_t dosDate = 0;
    std::uint32_t crc32 = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t uncompressedSize = 0;
    std::uint16_t diskNumberStart = 0;
    std::uint16_t internalAttributes = 0;
    std::uint32_t externalAttributes = 0;
    std::uint32_t localHeaderOffset = 0;
    QByteArray extraField; // central directory extra field, kept for entries carried over
    QByteArray comment;

    // Where the compressed data of a carried-over entry starts in the archive file it was read from.
    qint64 dataOffset = 0;
};

// Process types reported to the entry-failure hook.
enum TZipProcessType
{
    ptAdd,
    ptDelete,
    ptFreshen,
    ptMove,
    ptSave,
    ptLoad
};
