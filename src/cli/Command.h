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

    // What the help says of a command.
    struct Text
    {
        QString name;
        // What follows "sorvik NAME" in the usage line.
        QString synopsis;
        // One line for the program's command list.
        QString summary;
        // The rest of "sorvik NAME --help" after the usage line.
        QString details;
    };
    virtual Text text() const = 0;

    QString name() const { return text().name; }
    QString synopsis() const { return text().synopsis; }
    QString summary() const { return text().summary; }
    QString details() const { return text().details; }

    virtual void addOptions(QCommandLineParser &parser) const { Q_UNUSED(parser) }
    // Checks what the parser cannot (positional arguments, combinations); an empty text means fine.
    virtual QString usageProblem(const QCommandLineParser &parser) const;

    // Returns the exit status.
    virtual int run(const QCommandLineParser &parser, const CommandContext &context, Console &console) = 0;

    QString usageLine() const;
};
