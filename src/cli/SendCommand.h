#pragma once

#include "cli/Command.h"

// `sorvik send --upload | --email | --disk [PATH] [--erase]`: builds the session archive and sends
// it the way the chosen channel of the Send window does, without windows. Exit status 0 done,
// 1 refused or failed, 2 usage.
class SendCommand final : public Command
{
public:
    Text text() const override;
    void addOptions(QCommandLineParser &parser) const override;
    QString usageProblem(const QCommandLineParser &parser) const override;
    int run(const QCommandLineParser &parser, const CommandContext &context, Console &console) override;
};
