#pragma once

#include "cli/Command.h"

// `sorvik scan (--all | SERVER...) [--no-sys-files]`: the scan without a display. Results-box lines
// go to standard output (red ones to standard error); exit status 0 when every server's data file
// was saved, 1 when the scan was refused, aborted with Ctrl-C, left a server without a data file,
// or the client asked the program to end.
class ScanCommand final : public Command
{
public:
    QString name() const override { return QStringLiteral("scan"); }
    QString synopsis() const override { return QStringLiteral("(--all | SERVER...) [--no-sys-files]"); }
    QString summary() const override;
    QString details() const override;
    void addOptions(QCommandLineParser &parser) const override;
    QString usageProblem(const QCommandLineParser &parser) const override;
    int run(const QCommandLineParser &parser, const CommandContext &context, Console &console) override;
};
