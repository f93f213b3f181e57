#include "platform/FileSync.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
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

// The same copy through a buffer, where the file system cannot copy ranges itself.
bool copyThroughBuffer(int from, off_t fromOffset, int to, off_t toOffset, qint64 length)
{
    constexpr qint64 kPiece = 32768;
    auto buffer = std::make_unique<char[]>(kPiece);
    while (length > 0) {
        const ssize_t got = ::pread(from, buffer.get(), size_t(std::min(length, kPiece)), fromOffset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::pwrite(to, buffer.get() + done, size_t(got - done), toOffset + done);
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0)
                return false;
            done += put;
        }
        fromOffset += got;
        toOffset += got;
        length -= got;
    }
    return true;
}

// The system's text for the last failure; empty when the call left none.
QString lastError()
{
    return errno != 0 ? QString::fromLocal8Bit(std::strerror(errno)) : QString();
}

} // namespace

namespace FileSync {

bool syncFileAndDirectory(const QString &hostPath)
{
    const bool file = syncPath(hostPath, O_RDONLY);
    const bool directory = syncDirectory(QFileInfo(hostPath).absolutePath());
    return file && directory;
}

bool syncFile(QFile &file)
{
    return file.flush() && file.handle() >= 0 && ::fsync(file.handle()) == 0;
}

bool syncDirectory(const QString &hostDirectory)
{
    return syncPath(hostDirectory, O_RDONLY | O_DIRECTORY);
}

void startWriteBack(QFile &file, qint64 offset, qint64 length)
{
    if (file.handle() >= 0 && offset >= 0 && length > 0)
        ::sync_file_range(file.handle(), off64_t(offset), off64_t(length), SYNC_FILE_RANGE_WRITE);
}

bool copyRange(QFile &from, qint64 fromOffset, QFile &to, qint64 toOffset, qint64 length)
{
    if (!from.flush() || !to.flush())
        return false;
    const int in = from.handle();
    const int out = to.handle();
    if (in < 0 || out < 0 || fromOffset < 0 || toOffset < 0 || length < 0)
        return false;
    off_t inOffset = off_t(fromOffset);
    off_t outOffset = off_t(toOffset);
    while (length > 0) {
        const ssize_t copied = ::copy_file_range(in, &inOffset, out, &outOffset, size_t(length), 0);
        if (copied < 0 && errno == EINTR)
            continue;
        if (copied < 0 && (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL))
            return copyThroughBuffer(in, inOffset, out, outOffset, length);
        if (copied <= 0)
            return false;
        length -= copied;
    }
    return true;
}

bool renameOver(const QString &fromHostPath, const QString &toHostPath, QString *reason)
{
    if (::rename(QFile::encodeName(fromHostPath).constData(), QFile::encodeName(toHostPath).constData()) == 0)
        return true;
    if (reason)
        *reason = QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

std::optional<QString> renameNoReplace(const QString &fromHostPath, const QString &toHostPath)
{
    const QByteArray from = QFile::encodeName(fromHostPath);
    const QByteArray to = QFile::encodeName(toHostPath);
    errno = 0;
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return std::nullopt;
    if (errno != EINVAL && errno != ENOSYS)
        return lastError();
    // A file system that cannot refuse by itself is asked first.
    struct stat existing
    {
    };
    if (::lstat(to.constData(), &existing) == 0)
        return QString::fromLocal8Bit(std::strerror(EEXIST));
    errno = 0;
    if (::rename(from.constData(), to.constData()) != 0)
        return lastError();
    return std::nullopt;
}

bool isRegularFileNoFollow(const QString &hostPath)
{
    struct stat status
    {
    };
    return ::lstat(QFile::encodeName(hostPath).constData(), &status) == 0 && S_ISREG(status.st_mode);
}

bool openReadOnlyNoFollow(QFile &file, QString *reason)
{
    auto refuse = [reason](const QString &why) {
        if (reason)
            *reason = why;
        return false;
    };
    // The name is looked at without following a link or waiting for a pipe's writer, then opened the
    // usual way (so that the QFile keeps its name), then proven to be the same file.
    errno = 0;
    const int fd =
        ::open(QFile::encodeName(file.fileName()).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return refuse(errno == ELOOP ? QStringLiteral("Is a symbolic link") : lastError());
    struct stat looked
    {
    };
    const bool regular = ::fstat(fd, &looked) == 0 && S_ISREG(looked.st_mode);
    ::close(fd);
    if (!regular)
        return refuse(QStringLiteral("Not a regular file"));
    if (!file.open(QIODevice::ReadOnly))
        return refuse(file.errorString());
    struct stat opened
    {
    };
    if (::fstat(file.handle(), &opened) != 0 || opened.st_dev != looked.st_dev || opened.st_ino != looked.st_ino) {
        file.close();
        return refuse(QStringLiteral("The file was replaced while it was opened"));
    }
    return true;
}

bool sameFile(const QString &firstHostPath, const QString &secondHostPath)
{
    struct stat first
    {
    };
    struct stat second
    {
    };
    return ::stat(QFile::encodeName(firstHostPath).constData(), &first) == 0 &&
           ::stat(QFile::encodeName(secondHostPath).constData(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

} // namespace FileSync
