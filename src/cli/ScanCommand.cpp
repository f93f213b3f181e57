#include "cli/Commands.h"

#include "app/session/Product.h"
#include "app/ScanDriver.h"
#include "app/session/Session.h"
#include "cli/CommandLine.h"
#include "cli/Console.h"
#include "cli/HeadlessSession.h"
#include "platform/Drives.h"
#include "platform/Terminal.h"
#include "platform/Windows1252.h"

#include <QFile>

namespace {

const Command::Text text{QStringLiteral("scan"),
                         QStringLiteral("(--all | SERVER...) [--no-sys-files] [--primary SERVER] "
                                        "[--login USER (--tree | --bindery SERVER) [--password-stdin]]"),
                         QStringLiteral("scan servers and write their data files into ") + Product::outputDirectory(),
                         QStringLiteral(R"(
Scans the named servers (or all listed servers, see 'sorvik servers') and writes one
data file per server into %1. The results lines go to standard output,
messages to standard error. Ctrl-C (or SIGTERM, SIGHUP, a closed output pipe) aborts
after the section being written; a second Ctrl-C ends the program at once.

Options:
  --all                scan every server on the network
  --no-sys-files       leave out the SYS: file list
  --primary SERVER     when the workstation has no primary connection, connect to
                       SERVER
  --login USER         log in as USER before scanning, with --tree (the directory
                       tree) or --bindery SERVER (that server's bindery)
  --password-stdin     read the password from the first line of standard input;
                       without it the password is taken from SORVIK_PASSWORD
  --help               show this text

Exit status:
  0    every server's data file was saved
  1    the scan or the login was refused, a data file could not be written, or the run
       failed
  2    usage error
  3    the scan finished, but some servers could not be reached: they have no data file
  130  interrupted
)")
                             .arg(Product::outputDirectory())};

const QCommandLineOption allOption(QStringLiteral("all"), QStringLiteral("scan every server on the network"));
const QCommandLineOption noSysFilesOption(QStringLiteral("no-sys-files"),
                                          QStringLiteral("leave out the SYS: file list"));
const QCommandLineOption loginOption(QStringLiteral("login"), QStringLiteral("log in as USER before scanning"),
                                     QStringLiteral("USER"));
const QCommandLineOption treeOption(QStringLiteral("tree"),
                                    QStringLiteral("log in to the directory tree of the primary connection"));
const QCommandLineOption binderyOption(QStringLiteral("bindery"), QStringLiteral("log in to the bindery of SERVER"),
                                       QStringLiteral("SERVER"));
const QCommandLineOption passwordStdinOption(QStringLiteral("password-stdin"),
                                             QStringLiteral("read the password from the first line of standard "
                                                            "input (else SORVIK_PASSWORD)"));

const char *const kPasswordVariable = "SORVIK_PASSWORD";

// The password as the user gave it: the first line of standard input, or the environment.
QString password(const QCommandLineParser &parser)
{
    if (!parser.isSet(passwordStdinOption))
        return qEnvironmentVariable(kPasswordVariable);
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly))
        return {};
    QByteArray line = input.readLine();
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return QString::fromLocal8Bit(line);
}

// Selects the servers named on the command line (or all); an exit status when one is not listed.
std::optional<int> selectServers(Session &session, const QCommandLineParser &parser, Console &console)
{
    if (parser.isSet(allOption)) {
        session.selectAll(true);
        return std::nullopt;
    }
    for (const QString &name : parser.positionalArguments()) {
        const QByteArray wanted = Windows1252::fromUnicode(name);
        bool found = false;
        for (std::size_t i = 0; i < session.servers().size(); ++i) {
            if (session.servers()[i].name.compare(wanted, Qt::CaseInsensitive) == 0) {
                session.setSelected(i, true);
                found = true;
            }
        }
        if (!found) {
            if (session.servers().empty())
                console.error(QStringLiteral("the network lists no servers"));
            else
                console.error(QStringLiteral("no server named ") + name +
                              QStringLiteral(" on the network (see 'sorvik servers')"));
            return CommandLine::Failed;
        }
    }
    return std::nullopt;
}

// The scan itself: a stop signal or a closed standard output aborts it the way Abort does.
int scan(Session &session, const QCommandLineParser &parser, Console &console)
{
    session.includeSysFiles = !parser.isSet(noSysFilesOption);
    HeadlessInteraction &interaction = console.interaction();
    Terminal::catchInterrupt();
    interaction.onProcessEvents = [&session, &console] {
        if (Terminal::interrupted() || console.outputClosed())
            session.abortFlag = true;
    };
    ScanDriver driver(session, console.progress());
    const ScanDriver::Result result = driver.run();
    interaction.onProcessEvents = nullptr;
    const bool interrupted = Terminal::interrupted() || console.outputClosed();
    Terminal::restoreInterrupt();

    if (result == ScanDriver::Result::Refused)
        return CommandLine::Failed;
    const int saved = session.selectedCount() - driver.notSavedCount();
    if (saved > 0 || result == ScanDriver::Result::Aborted)
        console.message(QStringLiteral("The data files are in ") + Product::outputDirectory());
    if (result == ScanDriver::Result::Aborted)
        return interrupted ? CommandLine::Interrupted : CommandLine::Failed;
    if (session.terminateRequested())
        return CommandLine::Failed;
    if (driver.notSavedCount() > 0) {
        QStringList names;
        for (const QByteArray &server : driver.notSavedServers())
            names << Windows1252::toUnicode(server);
        console.error(QStringLiteral("%1 of %2 servers have no data file: %3")
                          .arg(driver.notSavedCount())
                          .arg(session.selectedCount())
                          .arg(names.join(QStringLiteral(", "))));
        // A data file that could not be written is a failure of the run, not a server out of reach.
        return driver.unwrittenCount() > 0 ? CommandLine::Failed : CommandLine::Incomplete;
    }
    return CommandLine::Done;
}

QString usageProblem(const QCommandLineParser &parser)
{
    if (parser.isSet(allOption) == !parser.positionalArguments().isEmpty())
        return QStringLiteral("name the servers to scan, or give --all");
    if (parser.isSet(loginOption)) {
        if (parser.isSet(treeOption) == parser.isSet(binderyOption))
            return QStringLiteral("--login needs either --tree or --bindery SERVER");
        if (!parser.isSet(passwordStdinOption) && !qEnvironmentVariableIsSet(kPasswordVariable))
            return QStringLiteral("--login needs the password: give --password-stdin or set SORVIK_PASSWORD");
    } else {
        for (const QCommandLineOption *option : {&treeOption, &binderyOption, &passwordStdinOption}) {
            if (parser.isSet(*option))
                return QStringLiteral("--%1 needs --login USER").arg(option->names().first());
        }
    }
    return {};
}

int run(const QCommandLineParser &parser, const CommandContext &context, Console &console)
{
    HeadlessSession headless(console);
    if (const std::optional<int> status = headless.start(context, parser.value(HeadlessSession::primaryOption())))
        return *status;
    if (parser.isSet(loginOption)) {
        const HeadlessSession::LoginRequest request{parser.value(loginOption), password(parser),
                                                    parser.value(binderyOption)};
        if (!headless.login(request))
            return CommandLine::Failed;
    }
    // One session per output directory, from here to the end of the scan.
    const std::unique_ptr<DirectoryLock> lock = console.lockOutputDirectory();
    if (!lock)
        return CommandLine::Failed;
    if (const std::optional<int> status = selectServers(headless.session(), parser, console))
        return *status;
    return scan(headless.session(), parser, console);
}

} // namespace

const Command scanCommand{text,
                          {allOption, noSysFilesOption, HeadlessSession::primaryOption(), loginOption, treeOption,
                           binderyOption, passwordStdinOption},
                          usageProblem,
                          run};
