#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>

class Console;

// The network a command talks to, as the global option named it.
struct CommandContext
{
    QString network;
};

// The usage check of a command that takes no positional arguments: an empty text when there are none.
QString noArguments(const QCommandLineParser &parser);

// The widest line of the help texts: they are read on terminals of 80 columns, and the last column
// is left free.
constexpr int kHelpWidth = 79;
// The words as lines of at most kHelpWidth columns, the first starting at the column given, the
// others indented to indent.
QString filled(const QStringList &words, int column, int indent);
// A synopsis in its top-level parts: a word, or a bracketed group whole ("[--login USER (...)]").
QStringList synopsisParts(const QString &synopsis);

// One headless command as data: what its help says, the options it declares, the checks the parser
// cannot make, and its run. The command line parses the arguments with the options of the command
// and handles --help and usage errors for all of them.
struct Command
{
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
    Text text;
    QList<QCommandLineOption> options;
    // Checks what the parser cannot (positional arguments, combinations); an empty text means fine.
    QString (*usageProblem)(const QCommandLineParser &parser) = noArguments;
    // Returns the exit status.
    int (*run)(const QCommandLineParser &parser, const CommandContext &context, Console &console) = nullptr;
    // An option whose optional value is the positional argument after it (send's "--disk [PATH]"):
    // "--NAME=VALUE" is read as "--NAME VALUE", as every option that takes a value reads it.
    QString valueAsArgument;

    // "Usage: sorvik NAME SYNOPSIS", on more lines when it is long.
    QString usageLine() const;
};
