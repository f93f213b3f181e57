#pragma once

#include <QString>

#include <memory>

class QLockFile;

// One session per output directory: an exclusive lock held while this object lives (or until
// unlock). The lock file sits beside the directory ("Sorvik.lock" for ".../Sorvik"), so that it
// neither depends on the directory existing nor goes when the directory is deleted. It is found from
// the directory fully resolved, so that every spelling of one directory (a link, "..") finds the same
// file; a directory that exists is locked itself as well, so that a second way to it (a bind mount)
// is refused too. A lock left by a process that no longer runs is taken over; a lock file that is
// not a regular file (a link, a directory) is never followed and is reported, not taken over.
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

    // The lock file of a directory: beside the directory with every link and ".." resolved, for a
    // directory that does not exist yet beside the resolved part of its path that does.
    static QString lockFilePath(const QString &hostDirectory);

private:
    QString m_hostDirectory;
    QString m_shownDirectory;
    bool tryLockFile(const QString &path);
    void describeFailure();

    // These ask the file system itself, so each system's folder defines them (linux/DirectoryLock.cpp).
    // Whether something that is not a regular file has the lock file's name.
    static bool isForeign(const QString &path);
    // Removes a lock file that names nobody, nobody holds and is not brand new, then takes the lock.
    bool takeOverLeftOver(const QString &path);
    bool lockDirectoryItself();
    void unlockDirectoryItself();

    std::unique_ptr<QLockFile> m_lock;
    // The directory itself, open and locked while the lock is held; -1 when it is not.
    int m_directory = -1;
    QString m_error;
};
