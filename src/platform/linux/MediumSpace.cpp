#include "platform/MediumSpace.h"

#include <QFile>

#include <sys/stat.h>
#include <sys/statvfs.h>

namespace MediumSpace {

std::optional<Space> of(const QString &hostDirectory)
{
    struct statvfs system
    {
    };
    const bool known = ::statvfs(QFile::encodeName(hostDirectory).constData(), &system) == 0;
    Space space;
    if (known) {
        space.blockSize = qint64(system.f_frsize != 0 ? system.f_frsize : system.f_bsize);
        space.freeBytes = qint64(system.f_bavail) * space.blockSize;
    }
    bool standIn = false;
    const qint64 stated = qEnvironmentVariable("SORVIK_MEDIUM_FREE_BYTES").toLongLong(&standIn);
    if (standIn && stated >= 0)
        space.freeBytes = stated;
    else if (!known)
        return std::nullopt;
    return space;
}

qint64 taken(const QString &hostFile)
{
    struct stat status
    {
    };
    if (::lstat(QFile::encodeName(hostFile).constData(), &status) != 0)
        return 0;
    // st_blocks counts units of 512 bytes, whatever the file system's block.
    return qint64(status.st_blocks) * 512;
}

} // namespace MediumSpace
