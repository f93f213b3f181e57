#pragma once

#include <QByteArray>
#include <QString>

// A file in the user's state directory, $XDG_STATE_HOME/sorvik (by default ~/.local/state/sorvik):
// what the program keeps about its own past, such as the send history. The directory is the
// owner's alone (0700), and so is each file (0600). Records are only ever appended.
namespace StateFile {

// The directory, without a trailing separator; a relative XDG_STATE_HOME counts as unset.
QString directory();

// The host path of a file of that name in the directory.
QString hostPath(const QString &name);

// Makes the directory, the owner's alone, when it is missing; false, with the reason, when that cannot
// be done.
bool makeDirectory(QString *reason);

// Appends the bytes to the file in one write and flushes them to the disk, making the directory
// and the file first when they are missing. Never through a link in the file's place. False, with
// the system's reason, when that cannot be done.
bool append(const QString &hostPath, const QByteArray &bytes, QString *reason);

} // namespace StateFile
