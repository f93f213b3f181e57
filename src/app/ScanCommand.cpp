#include "app/ScanCommand.h"

#include "app/ScanDriver.h"
#include "app/Session.h"
#include "platform/HeadlessInteraction.h"
#include "platform/StreamResults.h"
#include "platform/Terminal.h"
#include "platform/Windows1252.h"

namespace {

const char kUsage[] = "Usage: sorvik scan [--network FILE] (--all | SERVER...) [--no-sys-files]\n"
                      "Scans the named servers (or all listed servers) and writes one data file per server\n"
                      "into C:\\Orvane\\Sorvik. Ctrl-C aborts after the section being written.\n"
                      "  --all            scan every server on the network\n"
                      "  --no-sys-files   leave out the SYS: file list\n";

} // namespace

int runScanCommand(QxClient &client, const QStringList &args, QTextStream &out, QTextStream &err)
{
    bool all = false;
    bool sysFiles = true;
    QStringList names;
    for (const QString &arg : args) {
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            out << kUsage;
            return 0;
        }
        if (arg == QLatin1String("--all"))
            all = true;
        else if (arg == QLatin1String("--no-sys-files"))
            sysFiles = false;
        else if (arg.startsWith(QLatin1Char('-'))) {
            err << "sorvik scan: unknown option " << arg << "\n" << kUsage;
            return 2;
        } else
            names.append(arg);
    }
    if (all == !names.isEmpty()) {
        err << "sorvik scan: name the servers to scan, or give --all\n" << kUsage;
        return 2;
    }

    HeadlessInteraction interaction(err);
    StreamResults results(out, err);
    Session session(client, interaction, results);
    session.setUp();
    if (session.terminateRequested()) {
        session.release();
        return 1;
    }
    session.checkClientVersions();
    session.FillServerList();
    session.readCallsLibraryVersion();

    if (all) {
        session.selectAll(true);
    } else {
        for (const QString &name : names) {
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
                    err << "sorvik scan: the network lists no servers\n";
                else
                    err << "sorvik scan: no server named " << name << " on the network\n";
                session.release();
                return 1;
            }
        }
    }
    session.includeSysFiles = sysFiles;

    Terminal::catchInterrupt();
    interaction.onProcessEvents = [&session] {
        if (Terminal::interrupted())
            session.abortFlag = true;
    };
    TerminalProgress progress(err, Terminal::isTerminal(2));
    ScanDriver driver(session, progress);
    const ScanDriver::Result result = driver.comp23Click();
    Terminal::restoreInterrupt();
    session.release();

    if (result == ScanDriver::Result::Completed && driver.notSavedCount() > 0)
        err << "sorvik scan: " << driver.notSavedCount() << " of " << session.selectedCount()
            << " servers have no data file\n";
    if (result != ScanDriver::Result::Completed || driver.notSavedCount() > 0 || session.terminateRequested())
        return 1;
    return 0;
}
