#include "platform/FileRead.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

namespace {

FileIdentity identityOf(const struct stat &status)
{
    constexpr std::int64_t kNano = 1000000000;
    return {std::uint64_t(status.st_dev), std::uint64_t(status.st_ino), qint64(status.st_size),
            std::int64_t(status.st_mtim.tv_sec) * kNano + status.st_mtim.tv_nsec,
            std::int64_t(status.st_ctim.tv_sec) * kNano + status.st_ctim.tv_nsec};
}

} // namespace

Removal removeIfUnchanged(const QString &hostPath, const FileIdentity &was)
{
    const QByteArray path = QFile::encodeName(hostPath);
    // The name itself is looked at (a link put in the file's place is another file), and the change
    // time catches a write whose modification time was set back afterwards.
    struct stat now
    {
    };
    if (::lstat(path.constData(), &now) != 0 || !S_ISREG(now.st_mode) || identityOf(now) != was)
        return Removal::Changed;
    return ::unlink(path.constData()) == 0 ? Removal::Removed : Removal::Failed;
}

bool ReadOnlyFile::open(const QString &hostPath)
{
    close();
    m_path = hostPath;
    m_error.clear();
    int handle = -1;
    do {
        // Data files and archives are read as themselves, never through a link put in their place.
        handle = ::open(QFile::encodeName(hostPath).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
    } while (handle < 0 && errno == EINTR);
    if (handle < 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    struct stat status
    {
    };
    if (::fstat(handle, &status) != 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        ::close(handle);
        return false;
    }
    m_handle = handle;
    m_plain = S_ISREG(status.st_mode);
    m_ownerWritable = (status.st_mode & S_IWUSR) != 0;
    m_size = qint64(status.st_size);
    m_modifiedSeconds = qint64(status.st_mtim.tv_sec);
    m_modifiedNanoseconds = std::int64_t(status.st_mtim.tv_nsec);
    m_identity = identityOf(status);
    return true;
}

void ReadOnlyFile::close()
{
    if (m_handle >= 0)
        ::close(m_handle);
    m_handle = -1;
    m_plain = false;
    m_ownerWritable = false;
    m_size = 0;
    m_identity = FileIdentity();
}

void ReadOnlyFile::lastModifiedLocally(QDate &date, QTime &time) const
{
    const time_t seconds = time_t(m_modifiedSeconds);
    struct tm local
    {
    };
    if (!::localtime_r(&seconds, &local)) {
        const QDateTime stamp = lastModified();
        date = stamp.date();
        time = stamp.time();
        return;
    }
    date = QDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    time = QTime(local.tm_hour, local.tm_min, std::min(local.tm_sec, 59));
}

qint64 ReadOnlyFile::read(char *data, qint64 length)
{
    for (;;) {
        const ssize_t got = ::read(m_handle, data, size_t(length));
        if (got >= 0)
            return qint64(got);
        if (errno != EINTR) {
            m_error = QString::fromLocal8Bit(std::strerror(errno));
            return -1;
        }
    }
}

qint64 ReadOnlyFile::readAt(qint64 offset, char *data, qint64 length)
{
    for (;;) {
        const ssize_t got = ::pread(m_handle, data, size_t(length), off_t(offset));
        if (got >= 0)
            return qint64(got);
        if (errno != EINTR) {
            m_error = QString::fromLocal8Bit(std::strerror(errno));
            return -1;
        }
    }
}

bool ReadOnlyFile::rewind()
{
    if (::lseek(m_handle, 0, SEEK_SET) == 0)
        return true;
    m_error = QString::fromLocal8Bit(std::strerror(errno));
    return false;
}
