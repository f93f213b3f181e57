#include "platform/DirectoryListing.h"

#include <QFile>

namespace DirectoryListing {

bool validName(const QByteArray &rawName)
{
    return QFile::encodeName(QFile::decodeName(rawName)) == rawName;
}

} // namespace DirectoryListing
