#pragma once

#include <QString>

#include <memory>

class QLockFile;

// One session per output directory: an exclusive lock held while this object lives (or until
// unlock). The lock file sits beside the directory ("Sorvik.lock" for ".../Sorvik"), so that it
// neither depends on the directory existing nor goes when the directory is deleted. A lock left by
// a process that no longer runs is taken over.
class DirectoryLock final
{
public:
    // hostDirectory is the directory on this computer; shownDirectory is how messages name it.
    DirectoryLock(const QString &hostDirectory, const QString &shownDirectory);
    ~DirectoryLock();
    Q_DISABLE_COPY_MOVE(DirectoryLock)

    // Takes the lock without waiting. False when another session holds it or the lock file cannot
    // be made; errorString() then says so in one sentence, naming the holder's process id.
    bool tryLock();
    void unlock();
    QString errorString() const { return m_error; }

    // The lock file of a directory.
    static QString lockFilePath(const QString &hostDirectory);

private:
    QString m_hostDirectory;
    QString m_shownDirectory;
    std::unique_ptr<QLockFile> m_lock;
    QString m_error;
};
