#pragma once

#include <QString>

#include <filesystem>

class QFile;

// Makes what has been written to a file, and the directory entry that names it, durable before
// the program deletes anything that depends on it; copies file ranges inside the kernel.
namespace FileSync {

// Flushes a file's contents and its directory to the disk; false when either cannot be flushed.
bool syncFileAndDirectory(const QString &hostPath);

// Flushes an open file's contents (Qt's buffer first) to the disk.
bool syncFile(QFile &file);

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

} // namespace FileSync
