#pragma once

#include "cli/Command.h"

// `sorvik profile`: without options prints the stored contact profile, one Name=value line per
// value in the data file's order; "--set NAME=VALUE" (repeatable) merges values into the stored
// profile and saves it with the same checks as the profile window. Exit status: 0 done, 1 refused
// or failed (message on standard error).
class ProfileCommand final : public Command
{
public:
    QString name() const override { return QStringLiteral("profile"); }
    QString synopsis() const override { return QStringLiteral("[--set NAME=VALUE]..."); }
    QString summary() const override;
    QString details() const override;
    void addOptions(QCommandLineParser &parser) const override;
    QString usageProblem(const QCommandLineParser &parser) const override;
    int run(const QCommandLineParser &parser, const CommandContext &context, Console &console) override;
};
