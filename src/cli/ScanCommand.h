#pragma once

#include "cli/Command.h"

// `sorvik scan (--all | SERVER...) [--no-sys-files] [--primary SERVER] [--login USER (--tree |
// --bindery SERVER)]`: the scan without a display. Results lines go to standard output, messages to
// standard error. Exit status 0 when every server's data file was saved, 3 when the scan finished but
// some servers have none, 130 when a stop signal or a closed output pipe aborted it, 1 when it was
// refused or failed.
class ScanCommand final : public Command
{
public:
    Text text() const override;
    void addOptions(QCommandLineParser &parser) const override;
    QString usageProblem(const QCommandLineParser &parser) const override;
    int run(const QCommandLineParser &parser, const CommandContext &context, Console &console) override;
};
