#include "platform/DirectoryListing.h"

#include <QFile>

#include <dirent.h>

#include <cstring>

namespace DirectoryListing {

QByteArrayList rawNames(const QString &hostDirectory)
{
    QByteArrayList names;
    DIR *directory = ::opendir(QFile::encodeName(hostDirectory).constData());
    if (!directory)
        return names;
    while (const dirent *entry = ::readdir(directory)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names.append(QByteArray(entry->d_name));
    }
    ::closedir(directory);
    return names;
}

} // namespace DirectoryListing
