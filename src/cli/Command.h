#pragma once

#include <QCommandLineParser>
#include <QString>

class Console;

// The network a command talks to, as the global option named it.
struct CommandContext
{
    QString network;
};

// One headless command: its name, its usage, its options and its run. The command line parses the
// arguments with the options a command declares and handles --help and usage errors for all of them.
class Command
{
public:
    virtual ~Command() = default;

    virtual QString name() const = 0;
    // What follows "sorvik NAME" in the usage line.
    virtual QString synopsis() const = 0;
    // One line for the program's command list.
    virtual QString summary() const = 0;
    // The rest of "sorvik NAME --help" after the usage line.
    virtual QString details() const = 0;

    virtual void addOptions(QCommandLineParser &parser) const { Q_UNUSED(parser) }
    // Checks what the parser cannot (positional arguments, combinations); an empty text means fine.
    virtual QString usageProblem(const QCommandLineParser &parser) const;

    // Returns the exit status.
    virtual int run(const QCommandLineParser &parser, const CommandContext &context, Console &console) = 0;

    QString usageLine() const;
};
