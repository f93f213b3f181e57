#include "cli/Commands.h"

#include "app/LastScan.h"
#include "app/ScanDriver.h"
#include "cli/CommandLine.h"
#include "cli/Console.h"
#include "cli/HeadlessSession.h"
#include "platform/Drives.h"
#include "platform/Terminal.h"
#include "platform/Windows1252.h"
#include "send/OutputDirectory.h"
#include "session/Product.h"
#include "session/Session.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>

#include <utility>

namespace {

const Command::Text text{QStringLiteral("scan"),
                         QStringLiteral("(--all | --retry | SERVER...) [--no-sys-files] [--jobs N] [--primary SERVER] "
                                        "[--login USER (--tree | --bindery SERVER) [--password-stdin]]"),
                         QStringLiteral("scan servers and write their data files into ") + Product::outputDirectory(),
                         QStringLiteral(R"(
Scans the named servers (or all listed servers, see 'sorvik servers') and
writes one data file per server into %1. The results lines go
to standard output, messages to standard error. Ctrl-C (or SIGTERM, SIGHUP)
aborts after the section being written and then ends the program by that
signal (the shell reports 130, 143, 129); a second Ctrl-C ends it at once. A
signal that was ignored when the program started (nohup, a background job)
stays ignored. A closed output pipe aborts the scan the same way, with exit
status 130. On a terminal a progress line shows the servers done of all, the
time since the start, an estimate of the time left and the servers in work.

Options:
  --all                scan every server on the network
  --retry              scan again, in list order, the servers that the last
                       scan of %1 left without a data file
                       (unreachable, not written, aborted or not scanned)
  --no-sys-files       leave out the SYS: file list
  --jobs N             collect up to N servers at the same time, 1 to 64
                       (default 8); the results lines come in list order
                       and the data files are the same as with --jobs 1,
                       which collects one server after the other
  --primary SERVER     when the workstation has no primary connection,
                       connect to SERVER
  --login USER         log in as USER before scanning, with --tree (the
                       directory tree) or --bindery SERVER (that server's
                       bindery)
  --password-stdin     read the password from the first line of standard
                       input (at a terminal after the prompt "Password: ",
                       not shown); an empty line is an empty password, an
                       input without a line is refused; without this option
                       the password is taken from SORVIK_PASSWORD
  --json               print one JSON object (servers, data files, outcomes,
                       red lines, totals) instead of the results lines
  --help               show this text

Exit status:
  0    every server's data file was saved, or --retry found nothing to
       scan again
  1    the scan or the login was refused, a data file could not be written,
       or the run failed
  2    usage error
  3    the scan finished, but some servers could not be reached: they have no
       data file
  129  ended by SIGHUP, after the clean stop
  130  ended by Ctrl-C (SIGINT), after the clean stop; or a closed output pipe
       aborted the scan
  143  ended by SIGTERM, after the clean stop
)")
                             .arg(Product::outputDirectory())};

const QCommandLineOption allOption(QStringLiteral("all"), QStringLiteral("scan every server on the network"));
const QCommandLineOption retryOption(QStringLiteral("retry"),
                                     QStringLiteral("scan again the servers the last scan left without a data file"));
const QCommandLineOption noSysFilesOption(QStringLiteral("no-sys-files"),
                                          QStringLiteral("leave out the SYS: file list"));
const QCommandLineOption jobsOption(QStringLiteral("jobs"), QStringLiteral("collect up to N servers at the same time"),
                                    QStringLiteral("N"));
// Most of what collecting at once gains on a network with a round trip of milliseconds, with few
// threads and connections (see docs/performance.md).
constexpr int kDefaultJobs = 8;
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
// How many servers without a data file the end of a scan names.
constexpr std::size_t kNamedAtTheEnd = 10;

const QCommandLineOption &jsonOption = Console::jsonOption();

// The password as the user gave it: the first line of standard input, or the environment. At a
// terminal the user is asked for it and it is not shown. Input that ends before a line (an empty
// file, a closed standard input, Ctrl-D) is no answer, so nothing is tried: the reason is said and
// the result is empty. An empty line is an empty password.
std::optional<QString> password(const QCommandLineParser &parser, Console &console)
{
    if (!parser.isSet(passwordStdinOption))
        return qEnvironmentVariable(kPasswordVariable);
    QString error;
    const std::optional<QByteArray> line =
        Terminal::isTerminal(0) ? Terminal::readSecretLine("Password: ", &error) : Terminal::readInputLine(&error);
    if (line)
        return QString::fromLocal8Bit(*line);
    console.error(error.isEmpty()
                      ? QStringLiteral("--password-stdin: standard input ended before the password line; nothing was "
                                       "tried (an empty line is an empty password)")
                      : QStringLiteral("--password-stdin: cannot read standard input: ") + error);
    return std::nullopt;
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

// What --json prints of a scan: every selected server with its outcome, its data file and the red
// lines of its turn, and the totals.
class ScanReport final
{
public:
    explicit ScanReport(Console &console) : m_console(console)
    {
        console.onResultsLine = [this](const QString &text, ResultsSink::Color color) {
            if (color == ResultsSink::Color::Red)
                m_pendingRed.append(QString(text).remove(QRegularExpression(QStringLiteral("[\\r\\n]+$"))));
        };
    }
    ~ScanReport() { m_console.onResultsLine = nullptr; }
    Q_DISABLE_COPY_MOVE(ScanReport)

    void serverDone(const QByteArray &server, ScanDriver::ServerOutcome outcome, const QByteArray &dataFile)
    {
        static const char *const names[] = {"saved", "unreachable", "not-written", "aborted"};
        QJsonObject entry{{QStringLiteral("name"), Windows1252::toUnicode(server)},
                          {QStringLiteral("outcome"), QLatin1String(names[int(outcome)])},
                          {QStringLiteral("redLines"), QJsonArray::fromStringList(m_pendingRed)}};
        const QString file = Windows1252::toUnicode(dataFile);
        entry.insert(QStringLiteral("dataFile"), file.isEmpty() ? QJsonValue() : QJsonValue(file));
        entry.insert(QStringLiteral("hostPath"),
                     file.isEmpty()
                         ? QJsonValue()
                         : QJsonValue(Drives::hostPath(Product::outputDirectory() + QLatin1Char('\\') + file)));
        m_servers.insert(server, entry);
        m_pendingRed.clear();
    }

    void print(const Session &session, bool aborted)
    {
        QJsonArray servers;
        QHash<QString, int> totals;
        int redLines = 0;
        for (const Session::ServerEntry &entry : session.servers()) {
            if (!entry.selected)
                continue;
            QJsonObject server =
                m_servers.value(entry.name, QJsonObject{{QStringLiteral("name"), Windows1252::toUnicode(entry.name)},
                                                        {QStringLiteral("outcome"), QStringLiteral("not-scanned")},
                                                        {QStringLiteral("dataFile"), QJsonValue()},
                                                        {QStringLiteral("hostPath"), QJsonValue()},
                                                        {QStringLiteral("redLines"), QJsonArray()}});
            ++totals[server.value(QStringLiteral("outcome")).toString()];
            redLines += int(server.value(QStringLiteral("redLines")).toArray().size());
            servers.append(server);
        }
        QJsonObject counts{{QStringLiteral("servers"), int(servers.size())}, {QStringLiteral("redLines"), redLines}};
        // Each outcome counted under its own name and, where that is not camel case as every other
        // key is, under a camel-case twin; the first names stay for the scripts that read them.
        static const std::pair<const char *, const char *> outcomeKeys[] = {{"saved", "saved"},
                                                                            {"unreachable", "unreachable"},
                                                                            {"not-written", "notWritten"},
                                                                            {"aborted", "aborted"},
                                                                            {"not-scanned", "notScanned"}};
        for (const auto &[outcome, camelCase] : outcomeKeys) {
            const int count = totals.value(QLatin1String(outcome));
            counts.insert(QLatin1String(outcome), count);
            counts.insert(QLatin1String(camelCase), count);
        }
        m_console.printJson({{QStringLiteral("outputDirectory"), Product::outputDirectory()},
                             {QStringLiteral("hostDirectory"), Drives::hostPath(Product::outputDirectory())},
                             {QStringLiteral("servers"), servers},
                             {QStringLiteral("totals"), counts},
                             {QStringLiteral("aborted"), aborted}});
    }

private:
    Console &m_console;
    QStringList m_pendingRed;
    QHash<QByteArray, QJsonObject> m_servers;
};

// Selects the servers that the last scan of the output directory left without a data file; an
// exit status when there is nothing to scan.
std::optional<int> selectRetry(Session &session, Console &console)
{
    QString error;
    const std::optional<std::vector<LastScan::Server>> last = LastScan::read(OutputDirectory::hostPath(), &error);
    if (!last) {
        console.error(error.isEmpty() ? QStringLiteral("no earlier scan of %1 is known, so there is nothing to retry; "
                                                       "scan with --all or name the servers")
                                            .arg(Product::outputDirectory())
                                      : QStringLiteral("cannot read the outcome of the last scan: ") + error);
        return CommandLine::Failed;
    }
    std::vector<QByteArray> gone;
    const std::vector<std::size_t> rows = LastScan::rowsToRescan(*last, session.servers(), &gone);
    if (!gone.empty()) {
        QStringList names;
        for (const QByteArray &name : gone)
            names << Windows1252::toUnicode(name);
        console.message(QStringLiteral("no longer on the network, not scanned: ") + names.join(QStringLiteral(", ")));
    }
    for (const std::size_t row : rows)
        session.setSelected(row, true);
    if (!rows.empty())
        return std::nullopt;
    console.message(QStringLiteral("the last scan of %1 left no server on the network without a data file; "
                                   "nothing to retry")
                        .arg(Product::outputDirectory()));
    if (console.json())
        ScanReport(console).print(session, false);
    return CommandLine::Done;
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
    driver.setJobs(parser.isSet(jobsOption) ? parser.value(jobsOption).toInt() : kDefaultJobs);
    std::optional<ScanReport> report;
    if (console.json()) {
        report.emplace(console);
        driver.serverDone = [&report](const QByteArray &server, ScanDriver::ServerOutcome outcome,
                                      const QByteArray &dataFile) { report->serverDone(server, outcome, dataFile); };
    }
    const ScanDriver::Result result = driver.run();
    interaction.onProcessEvents = nullptr;
    const bool interrupted = Terminal::interrupted() || console.outputClosed();
    Terminal::restoreInterrupt();

    if (result == ScanDriver::Result::Refused)
        return CommandLine::Failed;
    if (report)
        report->print(session, result == ScanDriver::Result::Aborted);
    const int saved = session.selectedCount() - driver.notSavedCount();
    if (saved > 0 || result == ScanDriver::Result::Aborted)
        console.message(QStringLiteral("The data files are in ") + Product::outputDirectory());
    if (result == ScanDriver::Result::Aborted)
        return interrupted ? CommandLine::Interrupted : CommandLine::Failed;
    if (session.terminateRequested())
        return CommandLine::Failed;
    if (driver.notSavedCount() > 0) {
        // Hundreds of names would make one unreadable line: ten, and the way to scan them all again.
        const std::vector<QByteArray> &notSaved = driver.notSavedServers();
        QStringList names;
        for (std::size_t i = 0; i < notSaved.size() && i < kNamedAtTheEnd; ++i)
            names << Windows1252::toUnicode(notSaved[i]);
        QString list = names.join(QStringLiteral(", "));
        if (notSaved.size() > kNamedAtTheEnd)
            list += QStringLiteral(" and %1 more (sorvik scan --retry)").arg(notSaved.size() - kNamedAtTheEnd);
        console.error(QStringLiteral("%1 of %2 servers have no data file: %3")
                          .arg(driver.notSavedCount())
                          .arg(session.selectedCount())
                          .arg(list));
        // A data file that could not be written is a failure of the run, not a server out of reach.
        return driver.unwrittenCount() > 0 ? CommandLine::Failed : CommandLine::Incomplete;
    }
    return CommandLine::Done;
}

QString usageProblem(const QCommandLineParser &parser)
{
    if (parser.isSet(jobsOption)) {
        bool number = false;
        const int jobs = parser.value(jobsOption).toInt(&number);
        if (!number || jobs < 1 || jobs > ScanDriver::JobsMax)
            return QStringLiteral("--jobs needs a number from 1 to %1").arg(ScanDriver::JobsMax);
    }
    if (parser.isSet(allOption) && !parser.positionalArguments().isEmpty())
        return QStringLiteral("give --all or server names, not both");
    if (parser.isSet(retryOption) && (parser.isSet(allOption) || !parser.positionalArguments().isEmpty()))
        return QStringLiteral("--retry takes the servers of the last scan: give no --all and no server names");
    if (!parser.isSet(allOption) && !parser.isSet(retryOption) && parser.positionalArguments().isEmpty())
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
        const std::optional<QString> secret = password(parser, console);
        if (!secret)
            return CommandLine::Failed;
        const HeadlessSession::LoginRequest request{parser.value(loginOption), *secret, parser.value(binderyOption)};
        if (!headless.login(request))
            return CommandLine::Failed;
    }
    // One session per output directory, from here to the end of the scan.
    const std::unique_ptr<DirectoryLock> lock = console.lockOutputDirectory();
    if (!lock)
        return CommandLine::Failed;
    if (parser.isSet(retryOption)) {
        if (const std::optional<int> status = selectRetry(headless.session(), console))
            return *status;
    } else if (const std::optional<int> status = selectServers(headless.session(), parser, console)) {
        return *status;
    }
    return scan(headless.session(), parser, console);
}

} // namespace

const Command scanCommand{text,
                          {allOption, retryOption, noSysFilesOption, jobsOption, HeadlessSession::primaryOption(),
                           loginOption, treeOption, binderyOption, passwordStdinOption, jsonOption},
                          usageProblem,
                          run,
                          {}};
