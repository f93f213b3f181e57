#include "app/ArchiveCommand.h"

#include "app/SessionArchive.h"
#include "platform/Drives.h"
#include "platform/HeadlessInteraction.h"
#include "platform/StreamResults.h"
#include "send/ZipError.h"

#include <QTextStream>

#include <exception>

namespace {

const char kUsage[] = "Usage: sorvik archive\n"
                      "\n"
                      "Packs every server data file (*.DAT) of the output directory C:\\Orvane\\Sorvik into the\n"
                      "session archive <company><mmddyyhhmm>.zip in the same directory, then deletes the data\n"
                      "files that the archive holds. Prints the archive's path and the host path it maps to.\n"
                      "\n"
                      "Options:\n"
                      "  --help    show this text\n"
                      "\n"
                      "Exit status: 0 on success, 1 when the archive cannot be built, 2 on a usage error.\n";

} // namespace

int runArchiveCommand(const QStringList &args, QTextStream &out, QTextStream &err)
{
    for (const QString &arg : args) {
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            out << kUsage;
            out.flush();
            return 0;
        }
    }
    if (!args.isEmpty()) {
        err << "sorvik archive: unknown argument " << args.first() << "\n" << kUsage;
        err.flush();
        return 2;
    }
    HeadlessInteraction interaction(err);
    StreamResults results(out, err);
    try {
        const QString archive = BuildSessionArchive(interaction, results);
        out << archive << Qt::endl << Drives::hostPath(archive) << Qt::endl;
        return 0;
    } catch (const ZipError &failure) {
        err << failure.message() << Qt::endl;
        return 1;
    } catch (const std::exception &failure) {
        err << failure.what() << Qt::endl;
        return 1;
    }
}
