#pragma once

#include <QString>

// Makes what has been written to a file, and the directory entry that names it, durable before
// the program deletes anything that depends on it.
namespace FileSync {

// Flushes a file's contents and its directory to the disk; false when either cannot be flushed.
bool syncFileAndDirectory(const QString &hostPath);

} // namespace FileSync
