#include "cli/CommandLine.h"

#include "cli/Commands.h"
#include "cli/Console.h"
#include "session/Product.h"

#include <QCommandLineParser>
#include <QRegularExpression>

#include <algorithm>

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
        const QString usage = command->usageLine();
        const QString see = QStringLiteral("(see 'sorvik ") + command->text.name + QStringLiteral(" --help')");
        const bool fits = usage.size() - usage.lastIndexOf(QLatin1Char('\n')) + 2 + see.size() <= kHelpWidth;
        err << "sorvik " << command->text.name << ": " << text << "\n"
            << usage << (fits ? QStringLiteral("  ") : QStringLiteral("\n")) << see << Qt::endl;
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

QString programHelp()
{
    QString text = QStringLiteral("Usage: sorvik [--network FILE] [COMMAND [OPTIONS...]]\n"
                                  "\n"
                                  "Without a command, starts the Sorvik window on the network. The commands do the\n"
                                  "whole job without a display; 'sorvik COMMAND --help' describes each with its\n"
                                  "options. --help, -h and --version may stand anywhere on the line: they print\n"
                                  "and do nothing else.\n"
                                  "\n"
                                  "Commands:\n");
    // Entries as the manual page generator reads them: the command with its synopsis on one line
    // (cut after the parts that fit, the rest is in the command's own help), and its summary at
    // column 22 (on the next line when the command is longer).
    constexpr int column = 22;
    for (const Command *command : commands) {
        QString head = QStringLiteral("  ") + command->text.name;
        const QStringList parts = synopsisParts(command->text.synopsis);
        for (qsizetype i = 0; i < parts.size(); ++i) {
            const bool last = i + 1 == parts.size();
            if (head.size() + 1 + parts[i].size() + (last ? 0 : 6) > kHelpWidth) {
                head += QStringLiteral(" [...]");
                break;
            }
            head += QLatin1Char(' ') + parts[i];
        }
        text += (head.size() + 2 <= column ? head.leftJustified(column)
                                           : head + QLatin1Char('\n') + QString(column, QLatin1Char(' '))) +
                filled(command->text.summary.split(QLatin1Char(' ')), column, column) + QLatin1Char('\n');
    }
    text += QStringLiteral("\n"
                           "Options:\n"
                           "  --network FILE      the network description to serve (default:\n"
                           "                      SORVIK_NETWORK, else the built-in demo network)\n"
                           "  -h, --help          this text; 'sorvik COMMAND --help' describes a command\n"
                           "  --version           the program's name and version\n"
                           "\n"
                           "Environment:\n"
                           "  SORVIK_DRIVE_C      the host directory of drive C: (default\n"
                           "                      $XDG_DATA_HOME/sorvik/drive_c)\n"
                           "  SORVIK_DRIVE_A      the host directory of drive A:; when not set, drive A:\n"
                           "                      is a mounted removable disk: the window offers those\n"
                           "                      mounted, 'sorvik send --disk' takes the one mounted\n"
                           "  SORVIK_NETWORK      the network description file\n"
                           "  SORVIK_PASSWORD     the password of 'sorvik scan --login' without\n"
                           "                      --password-stdin\n"
                           "  SORVIK_TEXT_EDITOR  the plain-text editor \"View Data\" starts (default: the\n"
                           "                      desktop's text editor, else xdg-open)\n"
                           "  XDG_CONFIG_HOME     where the contact profile is kept (default ~/.config)\n"
                           "  XDG_DATA_HOME       where drive C: is kept by default (default\n"
                           "                      ~/.local/share)\n"
                           "  XDG_STATE_HOME      where the outcome of the last scan is kept (default\n"
                           "                      ~/.local/state)\n"
                           "  NO_COLOR            when set and not empty, no colours and no line control\n"
                           "                      (so no progress bar) on a terminal, as with TERM=dumb\n"
                           "\n"
                           "Exit status:\n"
                           "  0    done\n"
                           "  1    refused or failed (the reason is on standard error), also when\n"
                           "       standard output could not be written\n"
                           "  2    usage error\n"
                           "  3    the scan finished, but some servers could not be reached\n"
                           "  129  ended by SIGHUP, after a scan stopped cleanly\n"
                           "  130  ended by Ctrl-C (SIGINT), after a scan stopped cleanly; or a closed\n"
                           "       output pipe aborted the scan\n"
                           "  143  ended by SIGTERM, after a scan stopped cleanly\n");
    return text;
}

namespace {

// What --help, -h or --version asks for, wherever it stands on the line: the first of them wins,
// and it names the command on the line (if any), as it does for git.
struct InfoRequest
{
    enum Kind
    {
        None,
        Help,
        Version
    } kind = None;
    // The command named on the line; empty for none.
    QString command;
};

// Whether the option named by the argument ("--name", "--name=value" or "-n") takes a value in the
// next argument.
bool takesSeparateValue(const QString &argument, const Command *command)
{
    if (argument.contains(QLatin1Char('=')))
        return false;
    const QString name = QString(argument).remove(QRegularExpression(QStringLiteral("^--?")));
    if (networkOption.names().contains(name))
        return true;
    if (command) {
        for (const QCommandLineOption &option : command->options) {
            if (option.names().contains(name))
                return !option.valueName().isEmpty();
        }
    }
    return false;
}

InfoRequest infoRequest(const QStringList &arguments)
{
    InfoRequest request;
    const Command *command = nullptr;
    bool named = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == QLatin1String("--"))
            break;
        if (request.kind == InfoRequest::None) {
            if (argument == QLatin1String("--help") || argument == QLatin1String("-h"))
                request.kind = InfoRequest::Help;
            else if (argument == QLatin1String("--version"))
                request.kind = InfoRequest::Version;
        }
        if (argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
            if (takesSeparateValue(argument, command))
                ++i;
        } else if (!named) {
            named = true;
            request.command = argument;
            command = find(argument);
        }
    }
    return request;
}

// The end of a run that only printed: a failed write is said and fails the run.
int finishOutput(QTextStream &out, QTextStream &err, const QString &who)
{
    if (const QString problem = Console::writeError(out); !problem.isEmpty()) {
        err << who << ": cannot write to standard output: " << problem << Qt::endl;
        return Failed;
    }
    return Done;
}

} // namespace

Invocation parse(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    Invocation invocation;
    if (const InfoRequest request = infoRequest(arguments); request.kind != InfoRequest::None) {
        const Command *command = find(request.command);
        if (!request.command.isEmpty() && !command) {
            invocation.finished = usageError(err, QStringLiteral("unknown command '%1'").arg(request.command), nullptr);
        } else {
            if (request.kind == InfoRequest::Version)
                out << "sorvik " << Product::versionText() << "\n";
            else if (command)
                out << command->usageLine() << "\n" << command->text.details;
            else
                out << programHelp();
            invocation.finished = finishOutput(
                out, err, command ? QStringLiteral("sorvik ") + command->text.name : QStringLiteral("sorvik"));
        }
        return invocation;
    }
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
    QStringList arguments = invocation.commandArguments;
    if (!command->valueAsArgument.isEmpty()) {
        const QString joined = QStringLiteral("--") + command->valueAsArgument + QLatin1Char('=');
        for (qsizetype i = 0; i < arguments.size() && arguments[i] != QLatin1String("--"); ++i) {
            if (arguments[i].startsWith(joined)) {
                arguments.insert(i + 1, arguments[i].mid(joined.size()));
                arguments[i].chop(arguments[i].size() - joined.size() + 1);
            }
        }
    }
    if (!parser.parse(QStringList{QStringLiteral("sorvik")} + arguments))
        return usageError(err, parseError(parser, arguments), command);
    QString problem = networkProblem(parser);
    if (problem.isEmpty())
        problem = command->usageProblem(parser);
    if (!problem.isEmpty())
        return usageError(err, problem, command);

    Console console(out, err, command->text.name);
    const auto hasJson = [](const QCommandLineOption &option) {
        return option.names() == Console::jsonOption().names();
    };
    console.setJson(std::any_of(command->options.cbegin(), command->options.cend(), hasJson) &&
                    parser.isSet(Console::jsonOption()));
    const CommandContext context{parser.isSet(networkOption) ? parser.value(networkOption) : invocation.network};
    int status = command->run(parser, context, console);
    // Output that did not reach its file fails the run, whatever the command did.
    if (finishOutput(out, err, QStringLiteral("sorvik ") + command->text.name) == Failed)
        status = Failed;
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
