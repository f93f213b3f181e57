#pragma once

#include "cli/Command.h"

// `sorvik profile [--set NAME=VALUE]... [--from FILE] [--countries]`: without options prints the
// stored contact profile, one Name=value line per value in the data file's order; --from and --set
// merge values into the stored profile and save it with the checks of the profile window, reporting
// every missing required value at once; --countries lists the country list.
class ProfileCommand final : public Command
{
public:
    Text text() const override;
    void addOptions(QCommandLineParser &parser) const override;
    QString usageProblem(const QCommandLineParser &parser) const override;
    int run(const QCommandLineParser &parser, const CommandContext &context, Console &console) override;
};
