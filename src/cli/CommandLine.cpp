#include "cli/CommandLine.h"

#include "app/session/Product.h"
#include "cli/Commands.h"
#include "cli/Console.h"

#include <QCommandLineParser>
#include <QRegularExpression>

namespace CommandLine {

namespace {

// In the order of the program's command list.
const Command *const commands[] = {&serversCommand, &scanCommand, &archiveCommand, &profileCommand, &sendCommand};

const Command *find(const QString &name)
{
    for (const Command *command : commands) {
        if (command->text.name == name)
            return command;
    }
    return nullptr;
}

// The parser's complaint in our words: an unknown option as the user typed it, other texts in lower
// case without the full stop.
QString parseError(const QCommandLineParser &parser, const QStringList &arguments)
{
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        for (const QString &argument : arguments) {
            const QString name = argument.section(QLatin1Char('='), 0, 0);
            if (name.startsWith(QLatin1Char('-')) &&
                QString(name).remove(QRegularExpression(QStringLiteral("^--?"))) == unknown.first())
                return QStringLiteral("unknown option '%1'").arg(name);
        }
        return QStringLiteral("unknown option '%1'").arg(unknown.first());
    }
    QString text = parser.errorText();
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    if (!text.isEmpty())
        text[0] = text[0].toLower();
    return text;
}

int usageError(QTextStream &err, const QString &text, const Command *command)
{
    if (command) {
        err << "sorvik " << command->text.name << ": " << text << "\n"
            << command->usageLine() << "  (see 'sorvik " << command->text.name << " --help')" << Qt::endl;
    } else {
        err << "sorvik: " << text << "\n"
            << "Usage: sorvik [--network FILE] [COMMAND [OPTIONS...]]  (see 'sorvik --help')" << Qt::endl;
    }
    return Usage;
}

const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show help."));
const QCommandLineOption versionOption(QStringLiteral("version"), QStringLiteral("Show the version."));
const QCommandLineOption networkOption(QStringLiteral("network"), QStringLiteral("Network description."),
                                       QStringLiteral("FILE"));

// An empty text when the --network value (if given) is usable.
QString networkProblem(const QCommandLineParser &parser)
{
    if (parser.isSet(networkOption) && parser.value(networkOption).isEmpty())
        return QStringLiteral("--network needs a file name");
    return {};
}

} // namespace

namespace {

// The options a command declares, as the parser describes them, indented below the command.
QString optionLines(const Command &command)
{
    QCommandLineParser parser;
    parser.addOptions(command.options);
    const QString help = parser.helpText();
    const qsizetype options = help.indexOf(QStringLiteral("Options:\n"));
    if (options < 0)
        return {};
    // Entries start with "  -"; the parser wraps long descriptions onto indented lines.
    QList<QPair<QString, QString>> entries;
    for (const QString &line : help.mid(options + 9).split(QLatin1Char('\n'))) {
        if (line.trimmed().isEmpty())
            break;
        if (line.startsWith(QStringLiteral("  -"))) {
            const QString entry = line.trimmed();
            const qsizetype gap = entry.indexOf(QStringLiteral("  "));
            entries.append({entry.left(gap), gap < 0 ? QString() : entry.mid(gap).trimmed()});
        } else if (!entries.isEmpty()) {
            entries.last().second += QLatin1Char(' ') + line.trimmed();
        }
    }
    constexpr int column = 28;
    constexpr int width = 79;
    QString text;
    for (auto [names, description] : entries) {
        names.replace(QRegularExpression(QStringLiteral("<([A-Z=]+)>")), QStringLiteral("\\1"));
        QString line = QStringLiteral("      ") + names;
        line = line.size() + 2 > column ? line + QLatin1Char('\n') + QString(column, QLatin1Char(' '))
                                        : line.leftJustified(column);
        qsizetype lineStart = line.lastIndexOf(QLatin1Char('\n')) + 1;
        bool first = true;
        for (const QString &word : description.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (!first && line.size() - lineStart + 1 + word.size() > width) {
                line += QLatin1Char('\n') + QString(column, QLatin1Char(' '));
                lineStart = line.size() - column;
                first = true;
            }
            line += (first ? QString() : QStringLiteral(" ")) + word;
            first = false;
        }
        text += line + QLatin1Char('\n');
    }
    return text;
}

} // namespace

QString programHelp()
{
    QString text = QStringLiteral("Usage: sorvik [--network FILE] [COMMAND [OPTIONS...]]\n"
                                  "\n"
                                  "Without a command, starts the Sorvik window on the network. The commands do the\n"
                                  "whole job without a display; 'sorvik COMMAND --help' describes each.\n"
                                  "\n"
                                  "Commands:\n");
    // Entries as the manual page generator reads them: the command with its summary at column 22
    // (on the next line when the command is longer), then its options.
    constexpr int column = 22;
    for (const Command *command : commands) {
        const QString head = QStringLiteral("  ") + command->text.name +
                             (command->text.synopsis.isEmpty() ? QString() : QLatin1Char(' ') + command->text.synopsis);
        text += (head.size() + 2 <= column ? head.leftJustified(column)
                                           : head + QLatin1Char('\n') + QString(column, QLatin1Char(' '))) +
                command->text.summary + QLatin1Char('\n') + optionLines(*command);
    }
    text +=
        QStringLiteral("\n"
                       "Options:\n"
                       "  --network FILE      the network description to serve (default: SORVIK_NETWORK, else the\n"
                       "                      built-in demo network)\n"
                       "  --help              this text; 'sorvik COMMAND --help' describes a command\n"
                       "  --version           the program's name and version\n"
                       "\n"
                       "Environment:\n"
                       "  SORVIK_DRIVE_C, SORVIK_DRIVE_A   host directories of the drives C: and A:\n"
                       "                                   (default $XDG_DATA_HOME/sorvik/drive_c and drive_a)\n"
                       "  SORVIK_NETWORK                   the network description file\n"
                       "  SORVIK_PASSWORD                  the password of 'sorvik scan --login' without\n"
                       "                                   --password-stdin\n"
                       "  SORVIK_TEXT_EDITOR               the plain-text editor \"View Data\" starts (default: the\n"
                       "                                   desktop's text editor, else xdg-open)\n"
                       "\n"
                       "Exit status:\n"
                       "  0    done\n"
                       "  1    refused or failed (the reason is on standard error)\n"
                       "  2    usage error\n"
                       "  3    the scan finished, but some servers could not be reached\n"
                       "  130  interrupted (Ctrl-C, SIGTERM, SIGHUP, or a closed output pipe)\n");
    return text;
}

Invocation parse(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    Invocation invocation;
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    parser.addOptions({networkOption, helpOption, versionOption});
    if (!parser.parse(QStringList{QStringLiteral("sorvik")} + arguments)) {
        invocation.finished = usageError(err, parseError(parser, arguments), nullptr);
        return invocation;
    }
    const QStringList rest = parser.positionalArguments();
    if (!rest.isEmpty()) {
        invocation.command = rest.first();
        invocation.commandArguments = rest.mid(1);
        if (!find(invocation.command)) {
            invocation.finished =
                usageError(err, QStringLiteral("unknown command '%1'").arg(invocation.command), nullptr);
            return invocation;
        }
    }
    if (const QString problem = networkProblem(parser); !problem.isEmpty()) {
        invocation.finished = usageError(err, problem, nullptr);
        return invocation;
    }
    invocation.network = parser.value(networkOption);
    if (rest.isEmpty() && parser.isSet(helpOption)) {
        out << programHelp();
        out.flush();
        invocation.finished = Done;
    } else if (rest.isEmpty() && parser.isSet(versionOption)) {
        out << "sorvik " << Product::versionText() << Qt::endl;
        invocation.finished = Done;
    }
    return invocation;
}

int runCommand(const Invocation &invocation, QTextStream &out, QTextStream &err)
{
    const Command *command = find(invocation.command);
    if (!command)
        return usageError(err, QStringLiteral("unknown command '%1'").arg(invocation.command), nullptr);

    QCommandLineParser parser;
    // The global --network and --version may also follow the command's name.
    parser.addOptions({helpOption, networkOption, versionOption});
    parser.addOptions(command->options);
    if (!parser.parse(QStringList{QStringLiteral("sorvik")} + invocation.commandArguments))
        return usageError(err, parseError(parser, invocation.commandArguments), command);
    if (parser.isSet(helpOption)) {
        out << command->usageLine() << "\n" << command->text.details;
        out.flush();
        return Done;
    }
    if (parser.isSet(versionOption)) {
        out << "sorvik " << Product::versionText() << Qt::endl;
        return Done;
    }
    QString problem = networkProblem(parser);
    if (problem.isEmpty())
        problem = command->usageProblem(parser);
    if (!problem.isEmpty())
        return usageError(err, problem, command);

    Console console(out, err, command->text.name);
    const CommandContext context{parser.isSet(networkOption) ? parser.value(networkOption) : invocation.network};
    const int status = command->run(parser, context, console);
    out.flush();
    err.flush();
    return status;
}

int run(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    const Invocation invocation = parse(arguments, out, err);
    if (invocation.finished)
        return *invocation.finished;
    return runCommand(invocation, out, err);
}

} // namespace CommandLine
