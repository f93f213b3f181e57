#pragma once

#include "cli/Command.h"

class Console;

// `sorvik archive`: builds the session archive without windows and prints its path and a summary.
// Exit status 0 on success, 1 when the archive cannot be built (the message on standard error).
class ArchiveCommand final : public Command
{
public:
    Text text() const override;
    int run(const QCommandLineParser &parser, const CommandContext &context, Console &console) override;
};

// What `archive` and `send` print about the archive just built: its host path, entry count, size and
// SHA-256 on standard output, and a warning on standard error when it holds nothing (0 bytes) or its
// name has no company part.
void printArchiveSummary(Console &console, const QString &windowsPath);
