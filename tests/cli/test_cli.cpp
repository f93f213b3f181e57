// The executable as a user runs it: command line, exit statuses, headless scan and Ctrl-C.
#include "TestEnvironment.h"
#include "ZipTestTools.h"
#include "cli/Console.h"
#include "platform/DirectoryLock.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>

#include <csignal>
#include <map>
#include <tuple>

namespace {

struct Outcome
{
    int status = -1;
    QString out;
    QString err;
};

Outcome sorvik(const QStringList &args, int timeoutMs = 60000, const QByteArray &input = {})
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(SORVIK_EXECUTABLE), args);
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(timeoutMs);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

QString writeNetwork(const QByteArray &json)
{
    const QString path = TestEnvironment::root() + QStringLiteral("/network.json");
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(json);
    return path;
}

const QByteArray kTwoServers = R"({
  "workstation": {"primaryServer": "FS1"},
  "servers": [
    {"name": "FS2", "address": {"ip": "10.1.2.3", "port": 524}},
    {"name": "FS1", "address": {"type": "ipx", "bytes": "01A2005C:000000000001:0451"}}
  ]
})";

void saveProfile()
{
    const Outcome run = sorvik({QStringLiteral("profile"),
                                QStringLiteral("--set"),
                                QStringLiteral("First=Ada"),
                                QStringLiteral("--set"),
                                QStringLiteral("Last=Lovelace"),
                                QStringLiteral("--set"),
                                QStringLiteral("Address1=1 Main St"),
                                QStringLiteral("--set"),
                                QStringLiteral("City=Springfield"),
                                QStringLiteral("--set"),
                                QStringLiteral("State=IL"),
                                QStringLiteral("--set"),
                                QStringLiteral("ZipCode=62701"),
                                QStringLiteral("--set"),
                                QStringLiteral("Country=United States"),
                                QStringLiteral("--set"),
                                QStringLiteral("Phone=555-0100"),
                                QStringLiteral("--set"),
                                QStringLiteral("Company=Acme"),
                                QStringLiteral("--set"),
                                QStringLiteral("SendTo=a@b.example")});
    ASSERT_EQ(run.status, 0) << qPrintable(run.err);
}

} // namespace

TEST(CommandLine, HelpAndUsageErrors)
{
    TestEnvironment::fresh();
    const Outcome help = sorvik({QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0);
    // The manual page is made from this text and the commands' own help: its sections and every
    // command.
    for (const char *word : {"Usage:", "\nCommands:\n", "\nOptions:\n", "\nEnvironment:\n", "\nExit status:\n",
                             "\n  servers ", "\n  scan ", "\n  archive", "\n  profile ", "--network", "-h, --help",
                             "NO_COLOR", "XDG_CONFIG_HOME", "\n  3    ", "\n  130  "})
        EXPECT_TRUE(help.out.contains(QLatin1String(word))) << word;
    EXPECT_TRUE(
        sorvik({QStringLiteral("scan"), QStringLiteral("-h")}).out.contains(QStringLiteral("--password-stdin")));
    // Every help fits a terminal of 80 columns.
    for (const char *command : {"--help", "servers", "scan", "archive", "profile", "send"}) {
        for (const QString &line : sorvik({QLatin1String(command), QStringLiteral("--help")}).out.split(u'\n'))
            EXPECT_LE(line.size(), 80) << command << ": " << qPrintable(line);
    }
    for (const QStringList &args :
         {QStringList{QStringLiteral("--version")}, QStringList{QStringLiteral("scan"), QStringLiteral("--version")}}) {
        const Outcome version = sorvik(args);
        EXPECT_EQ(version.status, 0);
        EXPECT_EQ(version.out, QStringLiteral("sorvik 1.3\n"));
    }

    EXPECT_EQ(sorvik({QStringLiteral("--bogus")}).status, 2);
    EXPECT_EQ(sorvik({QStringLiteral("frobnicate")}).status, 2);
    EXPECT_EQ(sorvik({QStringLiteral("scan")}).status, 2) << "scan needs servers or --all";
    const Outcome both = sorvik({QStringLiteral("scan"), QStringLiteral("--all"), QStringLiteral("FS1")});
    EXPECT_EQ(both.status, 2);
    EXPECT_TRUE(both.err.startsWith(QStringLiteral("sorvik scan: give --all or server names, not both\n")))
        << qPrintable(both.err);
    EXPECT_EQ(sorvik({QStringLiteral("scan"), QStringLiteral("--all"), QStringLiteral("--login=ADMIN")}).status, 2)
        << "a login needs --tree or --bindery";
    EXPECT_EQ(sorvik({QStringLiteral("scan"), QStringLiteral("--all"), QStringLiteral("--tree")}).status, 2)
        << "--tree needs --login";
    // An empty file name is a usage error, not a warning of the file layer.
    const Outcome noFile = sorvik({QStringLiteral("profile"), QStringLiteral("--from"), QString()});
    EXPECT_EQ(noFile.status, 2);
    EXPECT_TRUE(noFile.err.startsWith(QStringLiteral("sorvik profile: --from needs a file name")))
        << qPrintable(noFile.err);

    const Outcome noDisplay = sorvik({});
    EXPECT_EQ(noDisplay.status, 1);
    EXPECT_EQ(noDisplay.err.count(QLatin1Char('\n')), 1) << qPrintable(noDisplay.err);
    EXPECT_TRUE(noDisplay.err.contains(QStringLiteral("sorvik scan")));
    // A display that does not open (no X server listens on a socket that is not there) is said the
    // same way, not left to the GUI library's abort.
    QProcess wrongDisplay;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.insert(QStringLiteral("DISPLAY"), QStringLiteral("unix:/nonexistent/x11-socket"));
    wrongDisplay.setProcessEnvironment(env);
    wrongDisplay.start(QStringLiteral(SORVIK_EXECUTABLE), QStringList{});
    ASSERT_TRUE(wrongDisplay.waitForFinished(60000));
    EXPECT_EQ(wrongDisplay.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(wrongDisplay.exitCode(), 1);
    const QString said = QString::fromLocal8Bit(wrongDisplay.readAllStandardError());
    EXPECT_TRUE(said.startsWith(QStringLiteral("sorvik: cannot open the display \"unix:/nonexistent/x11-socket\"")))
        << qPrintable(said);
    EXPECT_TRUE(said.contains(QStringLiteral("'sorvik archive'"))) << qPrintable(said);
}

TEST(CommandLine, HelpAndVersionAnywhereDoNothingElse)
{
    const QString root = TestEnvironment::fresh();
    saveProfile();
    const QString output = root + QStringLiteral("/drive_c/Orvane/Sorvik");
    ASSERT_TRUE(QDir().mkpath(output));
    ZipTestTools::writeFile(output + QStringLiteral("/10123.DAT"), "data");
    // As git does: the first of them wins and names the command on the line.
    const struct
    {
        QStringList args;
        QString start;
    } cases[] = {
        {{QStringLiteral("--help"), QStringLiteral("archive")}, QStringLiteral("Usage: sorvik archive")},
        {{QStringLiteral("-h"), QStringLiteral("send"), QStringLiteral("--disk"), root},
         QStringLiteral("Usage: sorvik send")},
        {{QStringLiteral("archive"), QStringLiteral("--help")}, QStringLiteral("Usage: sorvik archive")},
        {{QStringLiteral("--version"), QStringLiteral("scan"), QStringLiteral("--all")},
         QStringLiteral("sorvik 1.3\n")},
        {{QStringLiteral("scan"), QStringLiteral("--all"), QStringLiteral("--version"), QStringLiteral("--help")},
         QStringLiteral("sorvik 1.3\n")},
    };
    for (const auto &c : cases) {
        const Outcome run = sorvik(c.args);
        EXPECT_EQ(run.status, 0) << qPrintable(c.args.join(QLatin1Char(' ')));
        EXPECT_TRUE(run.out.startsWith(c.start)) << qPrintable(run.out);
        EXPECT_TRUE(run.err.isEmpty()) << qPrintable(run.err);
    }
    EXPECT_EQ(QDir(output).entryList(QDir::Files), QStringList{QStringLiteral("10123.DAT")});
    EXPECT_EQ(QDir(root + QStringLiteral("/drive_a")).entryList(QDir::Files), QStringList{});
    // A value is not an option: --set takes "--help" as its value (and refuses it).
    EXPECT_EQ(sorvik({QStringLiteral("profile"), QStringLiteral("--set"), QStringLiteral("--help")}).status, 2);
}

TEST(CommandLine, AFailedWriteToStandardOutputIsSaid)
{
    const QString root = TestEnvironment::fresh();
    saveProfile();
    const QString program = QStringLiteral(SORVIK_EXECUTABLE);
    for (const QString &command :
         {QStringLiteral("servers"), QStringLiteral("--help"), QStringLiteral("scan SALES_HQ")}) {
        QProcess shell;
        shell.start(QStringLiteral("bash"),
                    {QStringLiteral("-c"), QStringLiteral("'%1' %2 >/dev/full").arg(program, command)});
        ASSERT_TRUE(shell.waitForFinished(60000));
        const QString err = QString::fromLocal8Bit(shell.readAllStandardError());
        EXPECT_EQ(shell.exitCode(), 1) << qPrintable(command) << qPrintable(err);
        EXPECT_EQ(err.count(QStringLiteral("cannot write to standard output: No space left on device\n")), 1)
            << qPrintable(err);
        EXPECT_FALSE(err.contains(QStringLiteral("Aborted"))) << qPrintable(err);
    }
    // The scan went on: its data file is there.
    EXPECT_TRUE(QFileInfo::exists(root + QStringLiteral("/drive_c/Orvane/Sorvik/10123.DAT")));

    // A closed descriptor is said as one, and no file opened later takes its place.
    QProcess closed;
    closed.start(QStringLiteral("bash"),
                 {QStringLiteral("-c"), QStringLiteral("'%1' servers >&-; echo $?; '%1' profile --from - <&-; echo $?; "
                                                       "'%1' scan FS1 --login U --bindery FS1 --password-stdin <&-")
                                            .arg(program)});
    ASSERT_TRUE(closed.waitForFinished(60000));
    EXPECT_EQ(closed.readAllStandardOutput(), "1\n1\n");
    EXPECT_EQ(closed.exitCode(), 1);
    const QString err = QString::fromLocal8Bit(closed.readAllStandardError());
    for (const char *said : {"sorvik servers: cannot write to standard output: Bad file descriptor\n",
                             "sorvik profile: Cannot read standard input: Bad file descriptor\n",
                             "sorvik scan: --password-stdin: cannot read standard input: Bad file descriptor\n"})
        EXPECT_TRUE(err.contains(QLatin1String(said))) << qPrintable(err);
}

TEST(CommandLine, MessagesNameTheHostPathBesideTheWindowsPath)
{
    const QString root = TestEnvironment::fresh();
    const QString drive = root + QStringLiteral("/drive_c/Orvane/Sorvik");
    EXPECT_EQ(Console::withHostPaths(QStringLiteral("Report for FS1 not saved. Could not create "
                                                    "C:\\Orvane\\Sorvik\\10123.DAT.")),
              QStringLiteral("Report for FS1 not saved. Could not create C:\\Orvane\\Sorvik\\10123.DAT (") + drive +
                  QStringLiteral("/10123.DAT)."));
    EXPECT_EQ(Console::withHostPaths(QStringLiteral("C:\\Orvane\\Sorvik and C:\\Orvane\\Sorvik\\A.zip")),
              QStringLiteral("C:\\Orvane\\Sorvik (") + drive + QStringLiteral(") and C:\\Orvane\\Sorvik\\A.zip (") +
                  drive + QStringLiteral("/A.zip)"));
    EXPECT_EQ(Console::withHostPaths(QStringLiteral("Could not write C:\\Orvane\\Sorvik\\A.DAT: No space left")),
              QStringLiteral("Could not write C:\\Orvane\\Sorvik\\A.DAT (") + drive +
                  QStringLiteral("/A.DAT): No space left"));
    for (const QString &other : {QStringLiteral("A:\\ only"), QStringLiteral("C:\\Orvane\\Sorvik2 is another")})
        EXPECT_EQ(Console::withHostPaths(other), other);
}

TEST(CommandLine, BadNetworkDescriptionsStopBeforeAnything)
{
    TestEnvironment::fresh();
    const struct
    {
        QByteArray json;
        const char *field;
    } cases[] = {
        {"{ not json", "not valid JSON"},
        {R"({"servers": [{"name": "FS1"}, {"name": "fs1"}]})", "servers[1].name"},
        {R"({"servers": [{"name": "FS1", "sftLevel": 300}]})", "servers[0].sftLevel"},
        {R"({"servers": [{"name": "FS1", "address": {"type": "ipx", "bytes": "0102030405060708090A0B0C0D0E"}}]})",
         "servers[0].address"},
    };
    for (const auto &c : cases) {
        const QString path = writeNetwork(c.json);
        const Outcome run =
            sorvik({QStringLiteral("--network"), path, QStringLiteral("scan"), QStringLiteral("--all")});
        EXPECT_EQ(run.status, 1) << c.field;
        EXPECT_TRUE(run.err.contains(path)) << qPrintable(run.err);
        EXPECT_TRUE(run.err.contains(QLatin1String(c.field))) << qPrintable(run.err);
        EXPECT_EQ(run.err.count(QLatin1Char('\n')), 1) << qPrintable(run.err);
    }
    const Outcome missing = sorvik({QStringLiteral("--network"), QStringLiteral("/nonexistent/net.json"),
                                    QStringLiteral("scan"), QStringLiteral("--all")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("/nonexistent/net.json")));
}

TEST(CommandLine, HeadlessScanWritesTheDataFiles)
{
    const QString root = TestEnvironment::fresh();
    const QString network = writeNetwork(kTwoServers);
    const Outcome refused =
        sorvik({QStringLiteral("--network"), network, QStringLiteral("scan"), QStringLiteral("--all")});
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("Profile Information is not complete")));

    saveProfile();
    const Outcome run = sorvik({QStringLiteral("--network"), network, QStringLiteral("scan"), QStringLiteral("--all"),
                                QStringLiteral("--no-sys-files")});
    EXPECT_EQ(run.status, 0) << qPrintable(run.err);
    EXPECT_TRUE(run.out.startsWith(QStringLiteral("FS1 Results\nC:\\Orvane\\Sorvik did not exist, it will be created\n"
                                                  "Saving report for FS1 as 01A2005C.DAT\n\nFS2 Results\n"
                                                  "Saving report for FS2 as 10123.DAT\n\n")))
        << qPrintable(run.out);
    EXPECT_TRUE(run.err.contains(QStringLiteral("Server Scan is complete.")));
    EXPECT_FALSE(run.err.contains(QStringLiteral("button"))) << "window wording stays in the window";
    EXPECT_TRUE(
        run.err.contains(QStringLiteral("C:\\Orvane\\Sorvik (") + root + QStringLiteral("/drive_c/Orvane/Sorvik)")))
        << qPrintable(run.err);
    const QDir output(root + QStringLiteral("/drive_c/Orvane/Sorvik"));
    EXPECT_EQ(output.entryList(QDir::Files), (QStringList{"01A2005C.DAT", "10123.DAT"}));

    // A server left without a data file gives status 3, after the others were written; its red line
    // stands in the results stream just before the server's own line.
    QByteArray withUnreachable = kTwoServers;
    withUnreachable.replace("{\"name\": \"FS2\",", "{\"name\": \"FS2\", \"reachable\": false,");
    const Outcome partial = sorvik({QStringLiteral("--network"), writeNetwork(withUnreachable), QStringLiteral("scan"),
                                    QStringLiteral("--all"), QStringLiteral("--no-sys-files")});
    EXPECT_EQ(partial.status, 3);
    EXPECT_TRUE(partial.out.contains(QStringLiteral("\n\nQXCCOpenConnByName Returned: 8847\nFS2 Could not attach\n")))
        << qPrintable(partial.out);
    EXPECT_TRUE(partial.err.contains(QStringLiteral("1 of 2 servers have no data file: FS2\n")));

    // A data file that cannot be written (a file where the output directory should be) fails the run.
    QDir(root + QStringLiteral("/drive_c/Orvane/Sorvik")).removeRecursively();
    ZipTestTools::writeFile(root + QStringLiteral("/drive_c/Orvane/Sorvik"), "not a directory");
    const Outcome unwritable =
        sorvik({QStringLiteral("scan"), QStringLiteral("--all"), QStringLiteral("--no-sys-files")});
    EXPECT_EQ(unwritable.status, 1) << qPrintable(unwritable.err);
    EXPECT_TRUE(unwritable.out.contains(QStringLiteral("not saved"))) << qPrintable(unwritable.out);
    QFile::remove(root + QStringLiteral("/drive_c/Orvane/Sorvik"));

    const Outcome unknown =
        sorvik({QStringLiteral("--network"), network, QStringLiteral("scan"), QStringLiteral("NOPE")});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_TRUE(unknown.err.contains(QStringLiteral("NOPE")));
}

TEST(CommandLine, RetryScansWhatTheLastScanLeftWithoutADataFile)
{
    const QString root = TestEnvironment::fresh();
    saveProfile();
    const Outcome never = sorvik({QStringLiteral("scan"), QStringLiteral("--retry")});
    EXPECT_EQ(never.status, 1);
    EXPECT_TRUE(never.err.contains(QStringLiteral("no earlier scan of C:\\Orvane\\Sorvik"))) << qPrintable(never.err);

    // FS1 answers, U01 to U11 do not: the end names ten of them and says how to scan them again.
    QByteArray json = R"({"workstation": {"primaryServer": "FS1"}, "servers": [{"name": "FS1"})";
    for (int i = 11; i >= 1; --i)
        json += QStringLiteral(R"(, {"name": "U%1", "reachable": false, "address": {"ip": "10.0.0.%2"}})")
                    .arg(i, 2, 10, QLatin1Char('0'))
                    .arg(i)
                    .toUtf8();
    json += "]}";
    const QStringList scan{QStringLiteral("--network"), writeNetwork(json), QStringLiteral("scan"),
                           QStringLiteral("--no-sys-files")};
    const Outcome first = sorvik(scan + QStringList{QStringLiteral("--all")});
    EXPECT_EQ(first.status, 3);
    EXPECT_TRUE(first.err.contains(QStringLiteral("11 of 12 servers have no data file: U01, U02, U03, U04, U05, "
                                                  "U06, U07, U08, U09, U10 and 1 more (sorvik scan --retry)\n")))
        << qPrintable(first.err);

    // Reachable now: --retry scans those eleven, in list order, and then finds nothing more to do.
    writeNetwork(json.replace("\"reachable\": false", "\"reachable\": true"));
    const Outcome retry = sorvik(scan + QStringList{QStringLiteral("--retry"), QStringLiteral("--json")});
    EXPECT_EQ(retry.status, 0) << qPrintable(retry.err);
    QStringList scanned;
    for (const QJsonValue server : QJsonDocument::fromJson(retry.out.toUtf8())["servers"].toArray())
        scanned << server["name"].toString() + QLatin1Char(' ') + server["outcome"].toString();
    EXPECT_EQ(scanned.size(), 11);
    EXPECT_EQ(scanned.first(), QStringLiteral("U01 saved"));
    EXPECT_EQ(scanned.last(), QStringLiteral("U11 saved"));
    EXPECT_EQ(QDir(root + QStringLiteral("/drive_c/Orvane/Sorvik")).entryList(QDir::Files).size(), 12);
    const Outcome again = sorvik(scan + QStringList{QStringLiteral("--retry")});
    EXPECT_EQ(again.status, 0);
    EXPECT_TRUE(again.err.contains(QStringLiteral("nothing to retry"))) << qPrintable(again.err);
}

TEST(CommandLine, CtrlCAbortsTheScan)
{
    TestEnvironment::fresh();
    // Slow calls, so the scan is still running when Ctrl-C arrives.
    QByteArray slow = kTwoServers;
    slow.replace("\"workstation\"", "\"delayMs\": 20, \"workstation\"");
    const QString network = writeNetwork(slow);
    saveProfile();

    QProcess process;
    process.start(QStringLiteral(SORVIK_EXECUTABLE),
                  {QStringLiteral("--network"), network, QStringLiteral("scan"), QStringLiteral("--all")});
    ASSERT_TRUE(process.waitForStarted());
    process.waitForReadyRead(20000); // the first results line: the scan has begun
    ::kill(pid_t(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(60000));
    const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(process.readAllStandardError());
    // After the clean stop the program ends by the signal, so a calling script stops too.
    EXPECT_EQ(process.exitStatus(), QProcess::CrashExit);
    EXPECT_EQ(process.exitCode(), SIGINT);
    EXPECT_TRUE(out.trimmed().endsWith(QStringLiteral("User Aborted Operation"))) << qPrintable(out);
    EXPECT_FALSE(out.contains(QStringLiteral("Saving report for FS2"))) << qPrintable(out);
    EXPECT_TRUE(err.contains(QStringLiteral("Information: User Aborted Operation"))) << qPrintable(err);
}

TEST(CommandLine, StopSignalsAndAClosedPipeAbortTheScan)
{
    TestEnvironment::fresh();
    // Slow calls, so the scan is still running when the signal arrives.
    QByteArray slow = kTwoServers;
    slow.replace("\"workstation\"", "\"delayMs\": 20, \"workstation\"");
    const QString network = writeNetwork(slow);
    saveProfile();

    // SIGTERM and SIGHUP act like the first Ctrl-C, and end the program by themselves.
    for (const int signal : {SIGTERM, SIGHUP}) {
        QProcess process;
        process.start(QStringLiteral(SORVIK_EXECUTABLE),
                      {QStringLiteral("--network"), network, QStringLiteral("scan"), QStringLiteral("--all")});
        ASSERT_TRUE(process.waitForStarted());
        process.waitForReadyRead(20000); // the first results line: the scan has begun
        ::kill(pid_t(process.processId()), signal);
        ASSERT_TRUE(process.waitForFinished(60000));
        const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
        const QString err = QString::fromLocal8Bit(process.readAllStandardError());
        EXPECT_EQ(process.exitStatus(), QProcess::CrashExit) << signal;
        EXPECT_EQ(process.exitCode(), signal);
        EXPECT_TRUE(out.trimmed().endsWith(QStringLiteral("User Aborted Operation"))) << qPrintable(out);
        EXPECT_FALSE(out.contains(QStringLiteral("Saving report for FS2"))) << qPrintable(out);
        EXPECT_TRUE(err.contains(QStringLiteral("Information: User Aborted Operation"))) << qPrintable(err);
    }

    // What the parent ignored (nohup, a background job's SIGINT) stays ignored: the scan goes on.
    QProcess ignoring;
    ignoring.start(QStringLiteral("bash"),
                   {QStringLiteral("-c"), QStringLiteral("trap '' HUP INT; exec '%1' --network "
                                                         "'%2' scan --all --no-sys-files")
                                              .arg(QStringLiteral(SORVIK_EXECUTABLE), network)});
    ASSERT_TRUE(ignoring.waitForReadyRead(20000));
    for (const int signal : {SIGHUP, SIGINT})
        ::kill(pid_t(ignoring.processId()), signal);
    ASSERT_TRUE(ignoring.waitForFinished(60000));
    EXPECT_EQ(ignoring.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(ignoring.exitCode(), 0);
    EXPECT_TRUE(ignoring.readAllStandardOutput().contains("Saving report for FS2"));

    // `sorvik scan --all | head -1`: the reader goes away after the first line.
    QProcess shell;
    shell.start(QStringLiteral("bash"),
                {QStringLiteral("-c"),
                 QStringLiteral("'%1' --network '%2' scan --all | head -1; echo \"status ${PIPESTATUS[0]}\"")
                     .arg(QStringLiteral(SORVIK_EXECUTABLE), network)});
    ASSERT_TRUE(shell.waitForFinished(60000));
    EXPECT_EQ(QString::fromLocal8Bit(shell.readAllStandardOutput()), QStringLiteral("FS1 Results\nstatus 130\n"));
    EXPECT_TRUE(
        QString::fromLocal8Bit(shell.readAllStandardError()).contains(QStringLiteral("User Aborted Operation")));
}

TEST(CommandLine, ServersPrimaryAndLogin)
{
    const QString root = TestEnvironment::fresh();
    // No primary connection; FS2's module list needs a console operator.
    const QString network = writeNetwork(R"({
  "workstation": {"primaryServer": null},
  "users": [{"name": "OPER", "password": "SECRET", "servers": "*", "consoleOperator": "*", "tree": false}],
  "servers": [{"name": "FS2", "publicConsoleRights": false}, {"name": "FS1"}]
})");
    const QStringList net{QStringLiteral("--network"), network};

    Outcome run = sorvik(net + QStringList{QStringLiteral("servers")});
    EXPECT_EQ(run.status, 1);
    // The window's question is not asked of a headless run: what is wrong, then what to do; every
    // line names the command.
    EXPECT_EQ(run.err, QStringLiteral("sorvik servers: You do not have a primary connection established\n"
                                      "sorvik servers: the workstation has no primary connection; name a server to "
                                      "connect to with --primary SERVER\n"));
    run = sorvik(net + QStringList{QStringLiteral("servers"), QStringLiteral("--primary=FS2")});
    EXPECT_EQ(run.status, 0) << qPrintable(run.err);
    EXPECT_EQ(run.out, QStringLiteral("FS1\nFS2\n"));

    saveProfile();
    const QStringList scan = net + QStringList{QStringLiteral("scan"),
                                               QStringLiteral("FS2"),
                                               QStringLiteral("--primary"),
                                               QStringLiteral("FS1"),
                                               QStringLiteral("--no-sys-files"),
                                               QStringLiteral("--login"),
                                               QStringLiteral("OPER"),
                                               QStringLiteral("--bindery"),
                                               QStringLiteral("FS2"),
                                               QStringLiteral("--password-stdin")};
    const QString noModules = QStringLiteral("(Console Operator) privileges to FS2");
    run = sorvik(scan.mid(0, scan.indexOf(QStringLiteral("--login"))));
    EXPECT_EQ(run.status, 0) << qPrintable(run.err);
    EXPECT_TRUE(run.out.contains(noModules)) << qPrintable(run.out);
    for (const auto &[password, status, text] :
         {std::tuple{"", 1, "standard input ended before the password line; nothing was tried"},
          std::tuple{"WRONG\n", 1, "Warning: QXLoginToFileServer Returned: Invalid Password, try again!"},
          std::tuple{"secret\n", 0, "Information: Bindery Login Successful!"}}) {
        QProcess process;
        process.start(QStringLiteral(SORVIK_EXECUTABLE), scan);
        process.write(password);
        process.closeWriteChannel();
        ASSERT_TRUE(process.waitForFinished(60000));
        const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
        const QString err = QString::fromLocal8Bit(process.readAllStandardError());
        EXPECT_EQ(process.exitCode(), status) << qPrintable(err);
        EXPECT_TRUE(err.contains(QLatin1String(text))) << qPrintable(err);
        // Logged in as a console operator, the same scan gets the module list.
        if (status == 0) {
            EXPECT_TRUE(out.contains(QStringLiteral("Saving report for FS2"))) << qPrintable(out);
            EXPECT_FALSE(out.contains(noModules)) << qPrintable(out);
        }
    }

    // A tree login on the built-in demo network, the password from the environment.
    QProcess tree;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SORVIK_PASSWORD"), QStringLiteral("not-it"));
    tree.setProcessEnvironment(env);
    tree.start(QStringLiteral(SORVIK_EXECUTABLE),
               {QStringLiteral("scan"), QStringLiteral("WAREHOUSE"), QStringLiteral("--login"), QStringLiteral("ADMIN"),
                QStringLiteral("--tree")});
    ASSERT_TRUE(tree.waitForFinished(60000));
    EXPECT_EQ(tree.exitCode(), 1);
    EXPECT_EQ(QString::fromLocal8Bit(tree.readAllStandardError()),
              QStringLiteral("sorvik scan: Warning: QXDSLogin Returned: Bad Password\n"));
    EXPECT_TRUE(tree.readAllStandardOutput().isEmpty());
}

TEST(CommandLine, BashCompletion)
{
    TestEnvironment::fresh();
    const QString network = writeNetwork(kTwoServers);
    // Completes commands, a command's options and the server names of the named network; what is
    // already on the line is not offered again, nor what it excludes (servers after --all, another
    // channel). After "=", which bash makes a word of its own, the value completes: a file, a country.
    const QString script =
        QStringLiteral("source '%1/data/sorvik.bash-completion'\n"
                       "complete_words() { COMP_WORDS=(\"$@\"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _sorvik; "
                       "echo \"${COMPREPLY[*]}\"; }\n"
                       "complete_words '%2' pro\n"
                       "complete_words '%2' send --e\n"
                       "complete_words '%2' --network '%3' scan --all F\n"
                       "complete_words '%2' send --erase --e\n"
                       "complete_words '%2' --network '%3' scan fs1 F\n"
                       "complete_words '%2' send --upload --\n"
                       "complete_words '%2' --network = '%4'\n"
                       "complete_words '%2' --network = '%3' profile --set Country = Switz\n")
            .arg(QStringLiteral(SORVIK_SOURCE_DIR), QStringLiteral(SORVIK_EXECUTABLE), network, network.chopped(2));
    QProcess bash;
    bash.start(QStringLiteral("bash"), {QStringLiteral("-c"), script});
    ASSERT_TRUE(bash.waitForFinished(60000));
    EXPECT_EQ(QString::fromLocal8Bit(bash.readAllStandardOutput()),
              QStringLiteral("profile\n--email --erase\n\n--email\nFS2\n--json --network --help\n") + network +
                  QStringLiteral("\nSwitzerland\n"))
        << qPrintable(QString::fromLocal8Bit(bash.readAllStandardError()));
}

TEST(CommandLine, ProfileValuesComeThroughAPipe)
{
    TestEnvironment::fresh();
    saveProfile();
    // On a pipe nothing has arrived yet when the file is opened.
    for (const QString &source : {QStringLiteral("-"), QStringLiteral("/dev/stdin")}) {
        const QByteArray city = "City=Bath " + source.toUtf8();
        const Outcome run =
            sorvik({QStringLiteral("profile"), QStringLiteral("--from"), source}, 60000, "# piped\r\n" + city + "\r\n");
        EXPECT_EQ(run.status, 0) << qPrintable(run.err);
        EXPECT_TRUE(sorvik({QStringLiteral("profile")}).out.contains(QString::fromUtf8(city + '\n')));
    }
    // The end of the input is no answer: nothing to save.
    const Outcome empty = sorvik({QStringLiteral("profile"), QStringLiteral("--from"), QStringLiteral("-")});
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.err,
              QStringLiteral("sorvik profile: Nothing to read: standard input is empty; nothing was saved\n"));
}

TEST(CommandLine, NothingToSendBeforeTheFirstScan)
{
    const QString root = TestEnvironment::fresh();
    saveProfile();
    for (const QStringList &command : {QStringList{QStringLiteral("archive")},
                                       QStringList{QStringLiteral("send"), QStringLiteral("--disk"), root}}) {
        const Outcome run = sorvik(command);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err,
                  QStringLiteral("sorvik %1: there is nothing to %2: C:\\Orvane\\Sorvik (%3) does not exist "
                                 "(scan servers first)\n")
                      .arg(command[0],
                           command[0] == QLatin1String("send") ? QStringLiteral("send") : QStringLiteral("pack"),
                           root + QStringLiteral("/drive_c/Orvane/Sorvik")));
    }
}

TEST(CommandLine, ArchiveCommandPrintsThePathsOrTheFailure)
{
    const QString root = TestEnvironment::fresh();
    const Outcome help = sorvik({QStringLiteral("archive"), QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.startsWith(QStringLiteral("Usage: sorvik archive")));
    const Outcome bogus = sorvik({QStringLiteral("archive"), QStringLiteral("--bogus")});
    EXPECT_EQ(bogus.status, 2);
    EXPECT_TRUE(bogus.err.contains(QStringLiteral("--bogus")));

    saveProfile();
    const QString output = root + QStringLiteral("/drive_c/Orvane/Sorvik");
    ZipTestTools::writeFile(output + QStringLiteral("/A.DAT"), "abc");
    const Outcome packed = sorvik({QStringLiteral("archive")});
    EXPECT_EQ(packed.status, 0);
    const QStringList lines = packed.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5) << qPrintable(packed.out);
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^C:\\\\Orvane\\\\Sorvik\\\\Acme\\d{10}\\.zip$")).match(lines[0]).hasMatch())
        << qPrintable(lines[0]);
    const QString host = output + QLatin1Char('/') + lines[0].section(QLatin1Char('\\'), -1);
    EXPECT_EQ(lines[1], QStringLiteral("Archive: ") + host);
    EXPECT_TRUE(QFileInfo::exists(host));
    EXPECT_EQ(lines[2], QStringLiteral("Entries: 1"));
    EXPECT_TRUE(packed.err.isEmpty()) << qPrintable(packed.err);

    QDir(output).removeRecursively();
    const Outcome nothing = sorvik({QStringLiteral("archive")});
    EXPECT_EQ(nothing.status, 1);
    EXPECT_EQ(nothing.err, QStringLiteral("sorvik archive: there is nothing to pack: C:\\Orvane\\Sorvik (%1) does not "
                                          "exist (scan servers first)\n")
                               .arg(output));
    EXPECT_TRUE(nothing.out.isEmpty());
}

TEST(CommandLine, AProfileThatCannotBeReadIsNamed)
{
    const QString root = TestEnvironment::fresh();
    // A directory in the profile file's place.
    ASSERT_TRUE(QDir().mkpath(root + QStringLiteral("/config/sorvik/profile.ini")));
    for (const QStringList &command :
         {QStringList{QStringLiteral("scan"), QStringLiteral("--all")}, QStringList{QStringLiteral("archive")}}) {
        const Outcome run = sorvik(command);
        EXPECT_EQ(run.status, 1) << qPrintable(command[0]);
        EXPECT_TRUE(run.err.contains(QStringLiteral("Cannot read the profile file"))) << qPrintable(run.err);
        EXPECT_FALSE(run.err.contains(QStringLiteral("Profile Information is not complete"))) << qPrintable(run.err);
    }
}

TEST(CommandLine, OneSessionPerOutputDirectory)
{
    const QString root = TestEnvironment::fresh();
    saveProfile();
    const QString output = root + QStringLiteral("/drive_c/Orvane/Sorvik");
    QHash<QString, QByteArray> data;
    for (int i = 0; i < 6; ++i) {
        const QString name = QStringLiteral("0000000%1.DAT").arg(i);
        data.insert(name, ZipTestTools::reportText(20000 + 5000 * i, i));
        ZipTestTools::writeFile(output + QLatin1Char('/') + name, data.value(name));
    }

    // While another live process holds the directory, a command is refused and touches nothing.
    {
        DirectoryLock held(output, QStringLiteral("C:\\Orvane\\Sorvik"));
        ASSERT_TRUE(held.tryLock()) << qPrintable(held.errorString());
        for (const QStringList &command :
             {QStringList{QStringLiteral("archive")}, QStringList{QStringLiteral("scan"), QStringLiteral("--all")}}) {
            const Outcome refused = sorvik(command);
            EXPECT_EQ(refused.status, 1) << qPrintable(command[0]);
            EXPECT_EQ(refused.err, QStringLiteral("sorvik %1: C:\\Orvane\\Sorvik (%2) is in use by another Sorvik "
                                                  "session (process %3); end that one first\n")
                                       .arg(command[0], output)
                                       .arg(QCoreApplication::applicationPid()));
            QStringList names = data.keys();
            names.sort();
            EXPECT_EQ(QDir(output).entryList(QDir::Files | QDir::Hidden), names) << qPrintable(command[0]);
        }
    }

    // A scan killed while it works leaves its lock file behind; the next command takes it over.
    QByteArray slow = kTwoServers;
    slow.replace("\"workstation\"", "\"delayMs\": 20, \"workstation\"");
    QProcess killed;
    killed.start(QStringLiteral(SORVIK_EXECUTABLE),
                 {QStringLiteral("--network"), writeNetwork(slow), QStringLiteral("scan"), QStringLiteral("FS2")});
    ASSERT_TRUE(killed.waitForStarted());
    killed.waitForReadyRead(20000); // "FS2 Results": the scan holds the lock
    killed.kill();
    ASSERT_TRUE(killed.waitForFinished(20000));
    ASSERT_TRUE(QFileInfo::exists(DirectoryLock::lockFilePath(output)));
    QFile::remove(output + QStringLiteral("/10123.DAT"));

    // A lock file that names no process (its session killed before writing it) is taken over.
    {
        QFile::remove(DirectoryLock::lockFilePath(output));
        QFile empty(DirectoryLock::lockFilePath(output));
        ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
        // A brand-new one may be a session that is filling it in right now: taking it over then would
        // let two sessions run.
        EXPECT_TRUE(
            sorvik({QStringLiteral("scan"), QStringLiteral("NOPE")}).err.contains("try again in a few seconds"));
        empty.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime);
        empty.close();
        // Every command that takes the lock tidies what the killed run left.
        const QString leftover = output + QStringLiteral("/.sorvik-archive-AbC123.tmp");
        ZipTestTools::writeFile(leftover, "part of an archive");
        const Outcome run = sorvik({QStringLiteral("scan"), QStringLiteral("NOPE")});
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(run.err.contains(QStringLiteral("no server named NOPE"))) << qPrintable(run.err);
        EXPECT_FALSE(QFileInfo::exists(leftover));
    }

    // Two archives started together: one may be refused, and every data file ends up in an archive
    // that Python's zipfile reads back whole, or stays on disk unchanged.
    QProcess first;
    QProcess second;
    first.start(QStringLiteral(SORVIK_EXECUTABLE), {QStringLiteral("archive")});
    second.start(QStringLiteral(SORVIK_EXECUTABLE), {QStringLiteral("archive")});
    ASSERT_TRUE(first.waitForFinished(60000) && second.waitForFinished(60000));
    const int succeeded = int(first.exitCode() == 0) + int(second.exitCode() == 0);
    EXPECT_GE(succeeded, 1);
    for (QProcess *run : {&first, &second}) {
        // Refused by the lock: held by the other run, or caught while the other was still naming itself.
        const QByteArray refusal = run->readAllStandardError();
        if (run->exitCode() != 0)
            EXPECT_TRUE(refusal.contains("by another Sorvik session") || refusal.contains("being locked by a Sorvik"));
    }
    QHash<QString, QByteArray> found;
    for (const QString &zip : QDir(output).entryList({QStringLiteral("*.zip")}, QDir::Files)) {
        const auto archive = ZipTestTools::pythonZipfile(output + QLatin1Char('/') + zip);
        if (!archive)
            GTEST_SKIP() << "python3 is not installed";
        EXPECT_TRUE(archive->sound) << qPrintable(archive->error);
        for (const ZipTestTools::PyEntry &entry : archive->entries)
            found.insert(entry.name, entry.content);
    }
    for (const QString &name : QDir(output).entryList({QStringLiteral("*.DAT")}, QDir::Files))
        found.insert(name, ZipTestTools::readFile(output + QLatin1Char('/') + name));
    EXPECT_EQ(found, data);
}

namespace {

// Every data file of the output directory by name, the date line of each header made alike.
QHash<QString, QByteArray> dataFiles()
{
    static const QRegularExpression stamp(QStringLiteral(R"(\r\n\d\d\D\d\d\D\d{4} \d\d\D\d\d\D\d\d [AP]M\r\n)"));
    const QString output = TestEnvironment::root() + QStringLiteral("/drive_c/Orvane/Sorvik");
    QHash<QString, QByteArray> files;
    for (const QString &name : QDir(output).entryList(QDir::Files | QDir::Hidden)) {
        if (name.startsWith(QLatin1Char('.')))
            continue; // the output directory's lock file
        const QString text = QString::fromLatin1(ZipTestTools::readFile(output + QLatin1Char('/') + name));
        files.insert(name, QString(text).replace(stamp, QStringLiteral("\r\n(date)\r\n")).toLatin1());
    }
    return files;
}

} // namespace

TEST(CommandLine, SeveralServersAtOnceGiveWhatOneAtATimeGives)
{
    // AAA (slow) and CCC give one data file, 68100200.DAT, which must end with CCC's data; BBB cannot
    // be reached; DDD is no console operator and fails three calls; EEE fails every release of a connection; no server
    // has a SYS volume, so every file list fails.
    const QByteArray network = R"({
  "delayMs": 1,
  "workstation": {"primaryServer": "FFF"},
  "servers": [
    {"name": "AAA", "address": {"ip": "192.168.100.200"}, "delayMs": 3},
    {"name": "BBB", "reachable": false},
    {"name": "CCC", "address": {"ip": "10.68.100.200"}},
    {"name": "DDD", "publicConsoleRights": false, "faults": {"QXGetOSVersionInfo": "0x89FB",
     "QXGetNetworkSerialNumber": "0x89FB", "QXGetFileServerDescription": "0x8801"}},
    {"name": "EEE", "faults": {"QXCCCloseConn": "0x8801"}},
    {"name": "FFF"}
  ]
})";
    std::map<QString, Outcome> runs;
    std::map<QString, QHash<QString, QByteArray>> files;
    for (const QString &json : {QString(), QStringLiteral("--json")}) {
        const QString root = TestEnvironment::fresh();
        saveProfile();
        const QString path = writeNetwork(network);
        for (const QString &jobs : {QStringLiteral("1"), QStringLiteral("4")}) {
            QDir(root + QStringLiteral("/drive_c/Orvane")).removeRecursively();
            QStringList args{QStringLiteral("--network"), path, QStringLiteral("scan"), QStringLiteral("--all"),
                             QStringLiteral("--jobs"),    jobs};
            if (!json.isEmpty())
                args << json;
            runs[jobs + json] = sorvik(args);
            files[jobs + json] = dataFiles();
        }
    }
    const Outcome &one = runs[QStringLiteral("1")];
    EXPECT_EQ(one.status, 3) << qPrintable(one.err);
    EXPECT_TRUE(one.out.contains(QStringLiteral("AAA and CCC give the same data file 68100200.DAT; it now holds "
                                                "CCC's data")))
        << qPrintable(one.out);
    EXPECT_TRUE(files[QStringLiteral("1")].value(QStringLiteral("68100200.DAT")).contains("\r\nCCC\r\n"));
    for (const QString &run : {QStringLiteral("1"), QStringLiteral("1--json")}) {
        const QString other = QStringLiteral("4") + run.mid(1);
        EXPECT_EQ(runs[other].status, runs[run].status) << qPrintable(other);
        EXPECT_EQ(runs[other].out, runs[run].out) << qPrintable(other);
        EXPECT_EQ(runs[other].err, runs[run].err) << qPrintable(other);
        QStringList differing;
        for (const QString &name : QStringList(files[run].keys()) + QStringList(files[other].keys())) {
            if (files[run].value(name) != files[other].value(name))
                differing << name;
        }
        EXPECT_TRUE(differing.isEmpty()) << qPrintable(other + QStringLiteral(": ") + differing.join(' '));
    }
}

TEST(CommandLine, CtrlCStopsEveryRunningServer)
{
    TestEnvironment::fresh();
    saveProfile();
    QByteArray servers;
    for (int i = 1; i <= 8; ++i)
        servers += QByteArrayLiteral(R"({"name": "FS%1"},)").replace("%1", QByteArray::number(i));
    servers.chop(1);
    const QString network =
        writeNetwork(R"({"delayMs": 20, "workstation": {"primaryServer": "FS1"}, "servers": [)" + servers + "]}");
    QProcess process;
    process.start(QStringLiteral(SORVIK_EXECUTABLE),
                  {QStringLiteral("--network"), network, QStringLiteral("scan"), QStringLiteral("--all"),
                   QStringLiteral("--jobs"), QStringLiteral("4")});
    ASSERT_TRUE(process.waitForStarted());
    process.waitForReadyRead(20000); // "FS1 Results": four servers are in work
    ::kill(pid_t(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitStatus(), QProcess::CrashExit);
    EXPECT_EQ(process.exitCode(), SIGINT);
    const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
    EXPECT_TRUE(out.trimmed().endsWith(QStringLiteral("User Aborted Operation"))) << qPrintable(out);
    EXPECT_FALSE(out.contains(QStringLiteral("Saving report"))) << qPrintable(out);
    // The four servers in work keep the sections written before the stop, whole: a file ends with
    // the blank line that closes its header or a section; the other four were not scanned.
    const QHash<QString, QByteArray> files = dataFiles();
    EXPECT_EQ(files.size(), 4) << qPrintable(QStringList(files.keys()).join(' '));
    EXPECT_TRUE(QDir(TestEnvironment::root() + QStringLiteral("/drive_c/Orvane/Sorvik"))
                    .entryList({QStringLiteral(".sorvik-*.DAT.*")}, QDir::Files | QDir::Hidden)
                    .isEmpty());
    for (int i = 1; i <= 4; ++i) {
        const QByteArray file = files.value(QStringLiteral("0000000%1.DAT").arg(i));
        EXPECT_TRUE(file.endsWith("\r\n\r\n") && file.contains("\r\nFS" + QByteArray::number(i) + "\r\n")) << i;
    }
}
