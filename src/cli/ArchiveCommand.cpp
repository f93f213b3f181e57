#include "cli/Commands.h"

#include "cli/Console.h"
#include "platform/Drives.h"
#include "profile/ProfileStore.h"
#include "send/SendChannel.h"
#include "send/Sending.h"
#include "send/SessionArchive.h"
#include "session/Product.h"

#include <QJsonArray>

QJsonObject archiveJson(const QString &hostPath, const QByteArray &knownSha256)
{
    const SendChannel::Summary summary = SendChannel::summarize(hostPath, knownSha256);
    return {{QStringLiteral("path"), hostPath},
            {QStringLiteral("entries"), summary.entries < 0 ? QJsonValue() : QJsonValue(summary.entries)},
            {QStringLiteral("size"), double(summary.size)},
            {QStringLiteral("sha256"), QString::fromLatin1(summary.sha256)}};
}

QJsonObject builtArchiveJson(const SendChannel::Archive &archive)
{
    QJsonObject built = archiveJson(archive.hostPath, archive.sha256);
    built.insert(QStringLiteral("windowsPath"), archive.windowsPath);
    return built;
}

void printArchiveSummary(Console &console, const QString &windowsPath, const QByteArray &knownSha256)
{
    const QString hostPath = Drives::hostPath(windowsPath);
    const SendChannel::Summary summary = SendChannel::summarize(hostPath, knownSha256);
    if (!console.json()) {
        QTextStream &out = console.out();
        out << "Archive: " << hostPath << Qt::endl;
        out << "Entries: " << (summary.entries < 0 ? QStringLiteral("unreadable") : QString::number(summary.entries))
            << Qt::endl;
        out << "Size: " << summary.size << " bytes" << Qt::endl;
        out << "SHA-256: " << summary.sha256 << Qt::endl;
    }
    if (summary.size == 0)
        console.error(QStringLiteral("warning: the archive is empty (0 bytes): there were no data files to pack"));
    const QString name = windowsPath.section(QLatin1Char('\\'), -1);
    if (SessionArchive::companyPart(ProfileStore::value(QStringLiteral("Company"))).isEmpty())
        console.error(QStringLiteral("warning: the archive's name %1 has no company part: the profile's Company "
                                     "holds no letters or digits")
                          .arg(name));
}

namespace {

const Command::Text text{QStringLiteral("archive"), QString(),
                         QStringLiteral("pack the data files into the session archive and delete them"),
                         QStringLiteral(R"(
Packs every server data file (*.DAT) of the output directory
%1 into the session archive <company><mmddyyhhmm>.zip in the
same directory, then deletes the data files that the archive holds. Prints
the archive's path, the host path it maps to, its entry count, size and
SHA-256, and warns when it is empty or its name has no company.

Options:
  --json    print one JSON object (the archive's path, entries, size and
            SHA-256, and the red lines of the data files that were kept)
            instead of the listing
  --help    show this text

Exit status:
  0    done
  1    the archive cannot be built, or data files had to be kept (the red
       lines name them)
  2    usage error
)")
                             .arg(Product::outputDirectory())};

int run(const QCommandLineParser &, const CommandContext &, Console &console)
{
    const std::unique_ptr<DirectoryLock> lock = console.lockOutputDirectory();
    if (!lock)
        return 1;
    const Sending::Outcome outcome = Sending::archive(console.interaction(), console.results());
    if (outcome.noOutputDirectory) {
        console.error(QStringLiteral("there is nothing to pack: %1 does not exist (scan servers first)")
                          .arg(Product::outputDirectory()));
        return 1;
    }
    if (outcome.status != Sending::Status::Archived) {
        console.error(outcome.reason);
        return 1;
    }
    const SendChannel::Archive &archive = outcome.archive;
    if (console.json()) {
        console.printJson({{QStringLiteral("archive"), builtArchiveJson(archive)},
                           {QStringLiteral("kept"), QJsonArray::fromStringList(archive.problems)}});
    } else {
        console.out() << archive.windowsPath << Qt::endl;
    }
    printArchiveSummary(console, archive.windowsPath, archive.sha256);
    // Data files that the archive does not hold as they are now stayed on disk (the red lines).
    return archive.problems.isEmpty() ? 0 : 1;
}

} // namespace

const Command archiveCommand{text, {Console::jsonOption()}, noArguments, run, {}};
