#include "platform/DirectoryLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// Whether a process holds the lock file locked, as every session does with its lock file.
bool heldOpen(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

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
    // file that names no process. A live session also holds the file locked while it lives, so one
    // that names nobody and that nobody holds is left over, and is taken over like the lock of a
    // process that is gone.
    if (m_lock->error() == QLockFile::LockFailedError && !m_lock->getLockInfo(&pid, &host, &application) &&
        !heldOpen(m_lock->fileName()) && QFile::remove(m_lock->fileName()) && m_lock->tryLock(0))
        return true;
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
