#include "platform/FileSync.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

namespace {

bool syncPath(const QString &path, int flags)
{
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

} // namespace

namespace FileSync {

bool syncFileAndDirectory(const QString &hostPath)
{
    const bool file = syncPath(hostPath, O_RDONLY);
    const bool directory = syncPath(QFileInfo(hostPath).absolutePath(), O_RDONLY | O_DIRECTORY);
    return file && directory;
}

} // namespace FileSync
