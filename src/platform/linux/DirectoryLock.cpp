#include "platform/DirectoryLock.h"

#include <QFile>
#include <QLockFile>

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A session writes its process id into its lock file right after creating it; a file that still
// names nobody after this long was left by a session killed in between.
constexpr int kLeftOverAfterSeconds = 5;

// The lock file, opened and locked by this process while it decides whether the file is left over.
// Never through a link: the name itself must be the file.
class LeftOverFile final
{
public:
    explicit LeftOverFile(const QString &path) : m_path(QFile::encodeName(path))
    {
        m_fd = ::open(m_path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    }
    ~LeftOverFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    LeftOverFile(const LeftOverFile &) = delete;
    LeftOverFile &operator=(const LeftOverFile &) = delete;

    // Removes the file when no process holds it locked (every live session holds its lock file so),
    // the name still leads to it, it is a regular file, and it is older than a session needs to fill it
    // in. This process keeps it locked until it goes, so that of two sessions looking at it at once
    // only one removes it, and neither removes the lock file the other has just made in its place.
    bool remove()
    {
        if (m_fd < 0 || ::flock(m_fd, LOCK_EX | LOCK_NB) != 0)
            return false;
        struct stat opened
        {
        };
        struct stat named
        {
        };
        if (::fstat(m_fd, &opened) != 0 || !S_ISREG(opened.st_mode) || ::lstat(m_path.constData(), &named) != 0 ||
            opened.st_dev != named.st_dev || opened.st_ino != named.st_ino)
            return false;
        if (::time(nullptr) - opened.st_mtime < kLeftOverAfterSeconds)
            return false;
        return ::unlink(m_path.constData()) == 0;
    }

private:
    QByteArray m_path;
    int m_fd = -1;
};

} // namespace

// Whether something that is not a regular file has the lock file's name: a link (wherever it leads),
// a directory, a pipe. No session makes such a thing, and none can be taken over safely.
bool DirectoryLock::isForeign(const QString &path)
{
    struct stat status
    {
    };
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 && !S_ISREG(status.st_mode);
}

// The left-over file stays open and locked until the new lock is taken, so that a session looking at
// it at the same moment cannot mistake the new lock file for it.
bool DirectoryLock::takeOverLeftOver(const QString &path)
{
    LeftOverFile leftOver(path);
    return leftOver.remove() && m_lock->tryLock(0);
}

// The directory itself is locked too, so that a session that reaches it by another way (a bind
// mount: two paths that no resolving brings together) is refused. False only when another holds it.
bool DirectoryLock::lockDirectoryItself()
{
    m_directory = ::open(QFile::encodeName(m_hostDirectory).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // A directory not there yet has no second way to it; a file system that cannot lock a directory
    // (a network one) leaves the lock file alone to do it.
    if (m_directory < 0 || ::flock(m_directory, LOCK_EX | LOCK_NB) == 0)
        return true;
    const bool held = errno == EWOULDBLOCK;
    ::close(m_directory);
    m_directory = -1;
    return !held;
}

void DirectoryLock::unlockDirectoryItself()
{
    if (m_directory >= 0) {
        ::close(m_directory); // the directory's lock goes with it
        m_directory = -1;
    }
}
