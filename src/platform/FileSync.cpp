#include "platform/FileSync.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace FileSync {

std::filesystem::path fsPath(const QString &hostPath)
{
    return std::filesystem::path(QFile::encodeName(hostPath).toStdString());
}

bool isWithin(const QString &inner, const QString &outer)
{
    if (!QFileInfo::exists(outer))
        return false;
    // Walked upwards along the resolved path: every folder a link or a mount leads through is seen.
    QString path = QDir::cleanPath(QFileInfo(inner).absoluteFilePath());
    while (!QFileInfo::exists(path) && path != QLatin1String("/"))
        path = QFileInfo(path).path();
    if (const QString resolved = QFileInfo(path).canonicalFilePath(); !resolved.isEmpty())
        path = resolved;
    for (;;) {
        if (sameFile(path, outer))
            return true;
        if (path == QLatin1String("/") || path.isEmpty())
            return false;
        path = QFileInfo(path).path();
    }
}

} // namespace FileSync
