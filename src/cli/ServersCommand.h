#pragma once

#include "cli/Command.h"

// `sorvik servers [--primary SERVER]`: the servers of the network, one name per line, in the order of
// the window's server list.
class ServersCommand final : public Command
{
public:
    Text text() const override;
    void addOptions(QCommandLineParser &parser) const override;
    int run(const QCommandLineParser &parser, const CommandContext &context, Console &console) override;
};
