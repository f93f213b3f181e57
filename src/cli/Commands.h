#pragma once

#include "cli/Command.h"

#include <QJsonObject>

namespace SendChannel {
struct Archive;
}

// The headless commands, one file each.

// `sorvik servers [--primary SERVER]`: the servers of the network, one name per line, in the order of
// the window's server list.
extern const Command serversCommand;

// `sorvik scan (--all | SERVER...) [--no-sys-files] [--primary SERVER] [--login USER (--tree |
// --bindery SERVER)]`: the scan without a display. Results lines go to standard output, messages to
// standard error. Exit status 0 when every server's data file was saved, 3 when the scan finished but
// some servers have none, 130 when a stop signal or a closed output pipe aborted it, 1 when it was
// refused or failed.
extern const Command scanCommand;

// `sorvik archive`: builds the session archive without windows and prints its path and a summary.
// Exit status 0 on success, 1 when the archive cannot be built (the message on standard error).
extern const Command archiveCommand;

// `sorvik profile [--set NAME=VALUE]... [--from FILE] [--countries]`: without options prints the
// stored contact profile, one Name=value line per value in the data file's order; --from and --set
// merge values into the stored profile and save it with the checks of the profile window, reporting
// every missing required value at once; --countries lists the country list.
extern const Command profileCommand;

// `sorvik send --upload | --email | --disk [PATH] [--erase]`: builds the session archive and sends
// it the way the chosen channel of the Send window does, without windows. Exit status 0 done,
// 1 refused or failed, 2 usage.
extern const Command sendCommand;

// What `archive` and `send` print about the archive just built: its host path, entry count, size and
// SHA-256 on standard output, and a warning on standard error when it holds nothing (0 bytes) or its
// name has no company part.
void printArchiveSummary(Console &console, const QString &windowsPath, const QByteArray &knownSha256 = {});
// An archive as `--json` gives it: its host path, entry count (null when unreadable), size, SHA-256.
QJsonObject archiveJson(const QString &hostPath, const QByteArray &knownSha256 = {});
// The archive just built as `--json` gives it: as above, with its Windows path as well.
QJsonObject builtArchiveJson(const SendChannel::Archive &archive);
