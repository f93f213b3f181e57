#pragma once

#include <QStringList>
#include <QTextStream>

#include <optional>

// The program's one command-line parser: global options (--network, --help, --version), then an
// optional command with its own options and --help.
namespace CommandLine {

enum ExitStatus
{
    Done = 0,
    // Refused or failed; the reason is on standard error.
    Failed = 1,
    Usage = 2,
    // A scan finished, but some servers have no data file.
    Incomplete = 3,
    // A stop signal (Ctrl-C, SIGTERM, SIGHUP) or a closed output pipe ended the run.
    Interrupted = 130
};

struct Invocation
{
    QString network;
    // Empty: start the window.
    QString command;
    QStringList commandArguments;
    // Set when parsing already ended the run (help, version, usage error), with its exit status.
    std::optional<int> finished;
};

// Reads the global options and the command name; prints help, the version or a usage error
// itself.
Invocation parse(const QStringList &arguments, QTextStream &out, QTextStream &err);

// Runs the invocation's command headless (needs a QCoreApplication) and returns the exit status.
int runCommand(const Invocation &invocation, QTextStream &out, QTextStream &err);

// parse() and runCommand() together, for arguments that name a command.
int run(const QStringList &arguments, QTextStream &out, QTextStream &err);

// "sorvik --help".
QString programHelp();

} // namespace CommandLine
