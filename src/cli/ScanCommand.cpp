#include "cli/ScanCommand.h"

#include "app/Product.h"
#include "app/ScanDriver.h"
#include "app/Session.h"
#include "cli/Console.h"
#include "platform/DirectoryLock.h"
#include "platform/Drives.h"
#include "platform/Terminal.h"
#include "platform/Windows1252.h"
#include "simnet/NetworkSource.h"

namespace {

const QCommandLineOption allOption(QStringLiteral("all"), QStringLiteral("Scan every server on the network."));
const QCommandLineOption noSysFilesOption(QStringLiteral("no-sys-files"), QStringLiteral("Leave out the SYS: file list."));

} // namespace

QString ScanCommand::summary() const
{
    return QStringLiteral("scan servers and write their data files into ") + Product::outputDirectory();
}

QString ScanCommand::details() const
{
    return QStringLiteral("Scans the named servers (or all listed servers) and writes one data file per server\n"
                          "into ") +
           Product::outputDirectory() +
           QStringLiteral(". Ctrl-C aborts after the section being written.\n"
                          "  --all            scan every server on the network\n"
                          "  --no-sys-files   leave out the SYS: file list\n");
}

void ScanCommand::addOptions(QCommandLineParser &parser) const
{
    parser.addOptions({allOption, noSysFilesOption});
}

QString ScanCommand::usageProblem(const QCommandLineParser &parser) const
{
    if (parser.isSet(allOption) == !parser.positionalArguments().isEmpty())
        return QStringLiteral("name the servers to scan, or give --all");
    return {};
}

int ScanCommand::run(const QCommandLineParser &parser, const CommandContext &context, Console &console)
{
    QString error;
    std::unique_ptr<QxClient> client = NetworkSource::open(context.network, &error);
    if (!client) {
        console.err() << "sorvik: " << error << Qt::endl;
        return 1;
    }
    // One session per output directory, from here to the end of the scan.
    DirectoryLock lock(Drives::hostPath(Product::outputDirectory()), Product::outputDirectory());
    if (!lock.tryLock()) {
        console.error(lock.errorString());
        return 1;
    }

    HeadlessInteraction &interaction = console.interaction();
    Session session(*client, interaction, console.results());
    session.setUp();
    if (session.terminateRequested()) {
        session.release();
        return 1;
    }
    session.checkClientVersions();
    session.FillServerList();
    session.readCallsLibraryVersion();

    if (parser.isSet(allOption)) {
        session.selectAll(true);
    } else {
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
                    console.error(QStringLiteral("no server named ") + name + QStringLiteral(" on the network"));
                session.release();
                return 1;
            }
        }
    }
    session.includeSysFiles = !parser.isSet(noSysFilesOption);

    Terminal::catchInterrupt();
    interaction.onProcessEvents = [&session] {
        if (Terminal::interrupted())
            session.abortFlag = true;
    };
    ScanDriver driver(session, console.progress());
    const ScanDriver::Result result = driver.comp23Click();
    Terminal::restoreInterrupt();
    interaction.onProcessEvents = nullptr;
    session.release();

    if (result == ScanDriver::Result::Completed && driver.notSavedCount() > 0)
        console.error(QStringLiteral("%1 of %2 servers have no data file")
                          .arg(driver.notSavedCount())
                          .arg(session.selectedCount()));
    if (result != ScanDriver::Result::Completed || driver.notSavedCount() > 0 || session.terminateRequested())
        return 1;
    return 0;
}
