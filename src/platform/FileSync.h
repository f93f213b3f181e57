#pragma once

#include <QString>

#include <filesystem>
#include <optional>

class QFile;

// Makes what has been written to a file, and the directory entry that names it, durable before
// the program deletes anything that depends on it; copies file ranges inside the kernel; opens and
// names files without ever going through a symbolic link that stands in a file's place.
namespace FileSync {

// Flushes a file's contents and its directory to the disk; false when either cannot be flushed.
bool syncFileAndDirectory(const QString &hostPath);

// Flushes an open file's contents (Qt's buffer first) to the disk.
bool syncFile(QFile &file);

// Starts writing a range of an open file to the disk without waiting for it, so that a later sync
// of the file finds little left to write; nothing when the system cannot.
void startWriteBack(QFile &file, qint64 offset, qint64 length);

// Flushes a directory's entries (names created, renamed or removed in it) to the disk.
bool syncDirectory(const QString &hostDirectory);

// Copies length bytes from one open file at fromOffset into another at toOffset, without passing them
// through the program where the system allows it. Neither file's position is used or changed. False
// when not every byte could be copied.
bool copyRange(QFile &from, qint64 fromOffset, QFile &to, qint64 toOffset, qint64 length);

// The host path as the standard library takes it, in the file system's encoding of names.
std::filesystem::path fsPath(const QString &hostPath);

// Gives a file its new name, replacing a file of that name in one step.
bool renameOver(const QString &fromHostPath, const QString &toHostPath, QString *reason = nullptr);

// Gives a file its new name only when nothing has that name yet (not even a link that leads nowhere),
// in one step where the file system allows it. nullopt when renamed; otherwise the system's reason
// ("File exists"), or an empty text when the system gave none.
std::optional<QString> renameNoReplace(const QString &fromHostPath, const QString &toHostPath);

// Whether the path itself is a regular file: false for a symbolic link (wherever it leads), a
// directory, a device, a pipe, and a path that names nothing.
bool isRegularFileNoFollow(const QString &hostPath);

// Opens file.fileName() for reading, but only a regular file itself: a symbolic link as the name's last
// component is never followed, and a directory, device or pipe is not opened (nor waited for). False,
// with the reason ("Is a symbolic link", "Not a regular file", the system's), otherwise.
bool openReadOnlyNoFollow(QFile &file, QString *reason = nullptr);

// Whether two paths reach one file or directory (the same device and inode), through links or
// mount points alike; false when either cannot be reached.
bool sameFile(const QString &firstHostPath, const QString &secondHostPath);

// Whether `inner` is `outer` or lies anywhere inside it, however either is spelled (links, "..", bind
// mounts). A path that does not exist yet is judged by the nearest of its folders that does.
bool isWithin(const QString &inner, const QString &outer);

} // namespace FileSync
