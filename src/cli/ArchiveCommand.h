#pragma once

#include "cli/Command.h"

// `sorvik archive`: builds the session archive without windows and prints its path. Exit status 0
// on success, 1 when the archive cannot be built (the message on standard error).
class ArchiveCommand final : public Command
{
public:
    QString name() const override { return QStringLiteral("archive"); }
    QString synopsis() const override { return {}; }
    QString summary() const override;
    QString details() const override;
    int run(const QCommandLineParser &parser, const CommandContext &context, Console &console) override;
};
