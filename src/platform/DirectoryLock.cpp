#include "platform/DirectoryLock.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStringList>

namespace {

// The path with every link and ".." resolved; for a path whose end does not exist yet, the part that
// does resolved and the rest added as written.
QString resolved(const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QString existing = absolute;
    QStringList rest;
    while (true) {
        const QString canonical = QFileInfo(existing).canonicalFilePath();
        if (!canonical.isEmpty())
            return QDir::cleanPath(rest.isEmpty() ? canonical
                                                  : canonical + QLatin1Char('/') + rest.join(QLatin1Char('/')));
        const qsizetype slash = existing.lastIndexOf(QLatin1Char('/'));
        if (slash <= 0)
            return QDir::cleanPath(absolute);
        rest.prepend(existing.mid(slash + 1));
        existing.truncate(slash);
    }
}

} // namespace

DirectoryLock::DirectoryLock(const QString &hostDirectory, const QString &shownDirectory)
    : m_hostDirectory(hostDirectory), m_shownDirectory(shownDirectory)
{
}

DirectoryLock::~DirectoryLock()
{
    unlock();
}

QString DirectoryLock::lockFilePath(const QString &hostDirectory)
{
    // Two spellings of one folder (a link, "..", the folder itself a link) lock the same file.
    const QFileInfo directory(resolved(hostDirectory));
    return directory.absolutePath() + QLatin1Char('/') + directory.fileName() + QStringLiteral(".lock");
}

bool DirectoryLock::tryLock()
{
    m_error.clear();
    if (m_lock && m_lock->isLocked())
        return true;
    const QFileInfo directory(QDir::cleanPath(QFileInfo(m_hostDirectory).absoluteFilePath()));
    const QString parent = directory.absolutePath();
    if (!QDir().mkpath(parent)) {
        m_error = QStringLiteral("%1 cannot be locked for this session: the folder %2 cannot be created")
                      .arg(m_shownDirectory, QDir::toNativeSeparators(parent));
        return false;
    }
    // Where the resolved directory's folder takes no new file (a link to the root of a mounted disk),
    // the lock file goes beside the directory as spelled, and the directory's own lock keeps other
    // spellings out.
    const QString canonicalParent = QFileInfo(parent).canonicalFilePath();
    const QString spelled = (canonicalParent.isEmpty() ? parent : canonicalParent) + QLatin1Char('/') +
                            directory.fileName() + QStringLiteral(".lock");
    bool locked = tryLockFile(lockFilePath(m_hostDirectory));
    if (!locked && !isForeign(m_lock->fileName()) && m_lock->error() != QLockFile::LockFailedError &&
        m_lock->fileName() != spelled)
        locked = tryLockFile(spelled);
    if (!locked) {
        describeFailure();
        return false;
    }
    if (!lockDirectoryItself()) {
        m_lock->unlock();
        m_error = QStringLiteral("%1 is in use by another Sorvik session; end that one first").arg(m_shownDirectory);
        return false;
    }
    return true;
}

bool DirectoryLock::tryLockFile(const QString &path)
{
    m_lock = std::make_unique<QLockFile>(path);
    if (isForeign(path))
        return false;
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
    if (m_lock->error() == QLockFile::LockFailedError && !m_lock->getLockInfo(&pid, &host, &application))
        return takeOverLeftOver(path);
    return false;
}

void DirectoryLock::describeFailure()
{
    qint64 pid = 0;
    QString host;
    QString application;
    const QString lockFile = QDir::toNativeSeparators(m_lock->fileName());
    if (isForeign(m_lock->fileName())) {
        m_error = QStringLiteral("%1 cannot be locked for this session: %2 is not a Sorvik lock file: remove it")
                      .arg(m_shownDirectory, lockFile);
        return;
    }
    switch (m_lock->error()) {
    case QLockFile::LockFailedError:
        if (m_lock->getLockInfo(&pid, &host, &application))
            m_error = QStringLiteral("%1 is in use by another Sorvik session (process %2); end that one first")
                          .arg(m_shownDirectory)
                          .arg(pid);
        else
            // A lock file that names no process yet: a session is taking it this moment, or one was
            // ended right after making it; either way it clears within seconds.
            m_error = QStringLiteral("%1 is being locked by a Sorvik session that is starting, or was left by one "
                                     "that ended a moment ago; try again in a few seconds")
                          .arg(m_shownDirectory);
        break;
    case QLockFile::PermissionError:
        m_error = QStringLiteral("%1 cannot be locked for this session: no permission to create %2")
                      .arg(m_shownDirectory, lockFile);
        break;
    default:
        m_error = QStringLiteral("%1 cannot be locked for this session: %2 cannot be created")
                      .arg(m_shownDirectory, lockFile);
        break;
    }
}

void DirectoryLock::unlock()
{
    unlockDirectoryItself();
    if (m_lock)
        m_lock->unlock();
}
