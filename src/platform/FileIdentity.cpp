#include "platform/FileIdentity.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace FileIdentity {

Id of(const QString &hostPath)
{
    struct stat status {};
    if (hostPath.isEmpty() || ::stat(QFile::encodeName(hostPath).constData(), &status) != 0)
        return {};
    return Id{quint64(status.st_dev), quint64(status.st_ino), true};
}

bool within(const QString &inner, const QString &outer)
{
    const Id target = of(outer);
    if (!target.exists)
        return false;
    // Walked upwards along the resolved path: every folder a link or a mount leads through is seen.
    QString path = QDir::cleanPath(QFileInfo(inner).absoluteFilePath());
    while (!QFileInfo::exists(path) && path != QLatin1String("/"))
        path = QFileInfo(path).path();
    if (const QString resolved = QFileInfo(path).canonicalFilePath(); !resolved.isEmpty())
        path = resolved;
    for (;;) {
        if (of(path) == target)
            return true;
        if (path == QLatin1String("/") || path.isEmpty())
            return false;
        path = QFileInfo(path).path();
    }
}

} // namespace FileIdentity
