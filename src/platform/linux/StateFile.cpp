#include "platform/StateFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemReason()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// The directory of the file, made the owner's alone when this call creates it.
bool makeOwnDirectory(const QString &directory, QString *reason)
{
    if (QFileInfo(directory).isDir())
        return true;
    if (!QDir().mkpath(QFileInfo(directory).absolutePath())) {
        *reason = QStringLiteral("its folder cannot be made");
        return false;
    }
    if (::mkdir(QFile::encodeName(directory).constData(), 0700) != 0 && errno != EEXIST) {
        *reason = systemReason();
        return false;
    }
    return true;
}

} // namespace

namespace StateFile {

bool makeDirectory(QString *reason)
{
    QString unused;
    return makeOwnDirectory(directory(), reason ? reason : &unused);
}

bool append(const QString &hostPath, const QByteArray &bytes, QString *reason)
{
    QString unused;
    QString &why = reason ? *reason : unused;
    if (!makeOwnDirectory(QFileInfo(hostPath).absolutePath(), &why))
        return false;
    const int fd =
        ::open(QFile::encodeName(hostPath).constData(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        why = systemReason();
        return false;
    }
    // O_APPEND puts every piece at the end, after whatever another run appended meanwhile.
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            why = systemReason();
            ::close(fd);
            return false;
        }
        done += put;
    }
    const bool synced = ::fsync(fd) == 0;
    if (!synced)
        why = systemReason();
    ::close(fd);
    return synced;
}

} // namespace StateFile
