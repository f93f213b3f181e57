#pragma once

#include <QByteArrayList>
#include <QString>

// The names in a directory as the file system holds them.
namespace DirectoryListing {

// Every name in the directory ("." and ".." left out) as raw bytes, including names that are not
// valid in the system's encoding, which Qt's own listing passes over. Empty when it cannot be read.
QByteArrayList rawNames(const QString &hostDirectory);

// Whether a raw name is valid in the system's encoding: it turns into text and back unchanged.
bool validName(const QByteArray &rawName);

} // namespace DirectoryListing
