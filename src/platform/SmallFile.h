#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

class QIODevice;

// A small text file that the user may have put anything in place of (the profile store, a file of
// profile values), read whole. What the name stands for is looked at before it is opened: opening a
// pipe waits for a writer, a device such as /dev/zero never ends, and a huge or sparse file would
// be taken into memory whole. A link counts as what it points to.
namespace SmallFile {

enum class Pipes
{
    Refused,
    Allowed // a named pipe, /dev/stdin or a process substitution, read to its end
};

// The file's bytes; nothing and *reason ("it is a directory", "it is not a regular file" or, with
// pipes, "it is neither a regular file nor a pipe", "it is larger than N bytes", or the system's
// reason) when it is not to be read or cannot be.
std::optional<QByteArray> read(const QString &hostPath, qint64 maxBytes, QString *reason, Pipes pipes = Pipes::Refused);
// The rest of an open device, read to its end; nothing and *reason when it holds more than maxBytes
// or a read fails.
std::optional<QByteArray> readAll(QIODevice &device, qint64 maxBytes, QString *reason);

} // namespace SmallFile
