#include "cli/ArchiveCommand.h"

#include "app/Product.h"
#include "app/SessionArchive.h"
#include "cli/Console.h"
#include "platform/Drives.h"
#include "profile/ProfileStore.h"
#include "send/ZipError.h"

#include <exception>

QString ArchiveCommand::summary() const
{
    return QStringLiteral("pack the data files into the session archive and delete them");
}

QString ArchiveCommand::details() const
{
    return QStringLiteral("\n"
                          "Packs every server data file (*.DAT) of the output directory ") +
           Product::outputDirectory() +
           QStringLiteral(" into the\n"
                          "session archive <company><mmddyyhhmm>.zip in the same directory, then deletes the data\n"
                          "files that the archive holds. Prints the archive's path and the host path it maps to.\n"
                          "\n"
                          "Options:\n"
                          "  --help    show this text\n"
                          "\n"
                          "Exit status: 0 on success, 1 when the archive cannot be built, 2 on a usage error.\n");
}

int ArchiveCommand::run(const QCommandLineParser &, const CommandContext &, Console &console)
{
    const std::unique_ptr<DirectoryLock> lock = console.lockOutputDirectory();
    if (!lock)
        return 1;
    // The archive is named after the company: a profile that cannot be read says why.
    QString profileError;
    if (!ProfileStore::read(QStringLiteral("Company"), &profileError)) {
        console.error(profileError);
        return 1;
    }
    try {
        SessionArchive::recoverLeftovers(console.results());
        const QString archive = BuildSessionArchive(console.interaction(), console.results());
        console.out() << archive << Qt::endl << Drives::hostPath(archive) << Qt::endl;
        return 0;
    } catch (const ZipError &failure) {
        console.err() << failure.message() << Qt::endl;
        return 1;
    } catch (const std::exception &failure) {
        console.err() << failure.what() << Qt::endl;
        return 1;
    }
}
