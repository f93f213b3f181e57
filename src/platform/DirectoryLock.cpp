#include "platform/DirectoryLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

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
class LeftOverFile final
{
public:
    explicit LeftOverFile(const QString &path) : m_path(QFile::encodeName(path))
    {
        m_fd = ::open(m_path.constData(), O_RDONLY | O_CLOEXEC);
    }
    ~LeftOverFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    LeftOverFile(const LeftOverFile &) = delete;
    LeftOverFile &operator=(const LeftOverFile &) = delete;

    // Removes the file when no process holds it locked (every live session holds its lock file so),
    // the name still leads to it, and it is older than a session needs to fill it in. This process
    // keeps it locked until it goes, so that of two sessions looking at it at once only one removes
    // it, and neither removes the lock file the other has just made in its place.
    bool remove()
    {
        if (m_fd < 0 || ::flock(m_fd, LOCK_EX | LOCK_NB) != 0)
            return false;
        struct stat opened{};
        struct stat named{};
        if (::fstat(m_fd, &opened) != 0 || ::stat(m_path.constData(), &named) != 0 ||
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

DirectoryLock::DirectoryLock(const QString &hostDirectory, const QString &shownDirectory)
    : m_hostDirectory(hostDirectory), m_shownDirectory(shownDirectory)
{
}

DirectoryLock::~DirectoryLock() = default;

QString DirectoryLock::lockFilePath(const QString &hostDirectory)
{
    const QFileInfo directory(QDir::cleanPath(QFileInfo(hostDirectory).absoluteFilePath()));
    // Two spellings of one folder (a link, "..") lock the same file.
    const QString canonical = QFileInfo(directory.absolutePath()).canonicalFilePath();
    const QString parent = canonical.isEmpty() ? directory.absolutePath() : canonical;
    return parent + QLatin1Char('/') + directory.fileName() + QStringLiteral(".lock");
}

bool DirectoryLock::tryLock()
{
    m_error.clear();
    if (m_lock && m_lock->isLocked())
        return true;
    const QString parent = QFileInfo(QDir::cleanPath(QFileInfo(m_hostDirectory).absoluteFilePath())).absolutePath();
    if (!QDir().mkpath(parent)) {
        m_error = QStringLiteral("%1 cannot be locked for this session: the folder %2 cannot be created")
                      .arg(m_shownDirectory, QDir::toNativeSeparators(parent));
        return false;
    }
    m_lock = std::make_unique<QLockFile>(lockFilePath(m_hostDirectory));
    // Only a lock whose process is gone counts as stale, however long a session runs.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0))
        return true;
    qint64 pid = 0;
    QString host;
    QString application;
    // A session killed between creating the lock file and writing its process id into it leaves a
    // file that names no process. One that names nobody, that nobody holds and that is not brand new
    // is left over, and is taken over like the lock of a process that is gone.
    if (m_lock->error() == QLockFile::LockFailedError && !m_lock->getLockInfo(&pid, &host, &application)) {
        LeftOverFile leftOver(m_lock->fileName());
        if (leftOver.remove() && m_lock->tryLock(0))
            return true;
    }
    switch (m_lock->error()) {
    case QLockFile::LockFailedError:
        if (m_lock->getLockInfo(&pid, &host, &application))
            m_error = QStringLiteral("%1 is in use by another Sorvik session (process %2); end that one first")
                          .arg(m_shownDirectory)
                          .arg(pid);
        else
            m_error =
                QStringLiteral("%1 is in use by another Sorvik session; end that one first").arg(m_shownDirectory);
        break;
    case QLockFile::PermissionError:
        m_error = QStringLiteral("%1 cannot be locked for this session: no permission to create %2")
                      .arg(m_shownDirectory, QDir::toNativeSeparators(m_lock->fileName()));
        break;
    default:
        m_error = QStringLiteral("%1 cannot be locked for this session: %2 cannot be created")
                      .arg(m_shownDirectory, QDir::toNativeSeparators(m_lock->fileName()));
        break;
    }
    return false;
}

void DirectoryLock::unlock()
{
    if (m_lock)
        m_lock->unlock();
}
