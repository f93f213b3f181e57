// Process entry: the window program by default, or one of the headless commands.
#include "app/ArchiveCommand.h"
#include "app/NetworkSource.h"
#include "app/ScanCommand.h"
#include "app/WindowProgram.h"
#include "platform/WidgetInteraction.h"
#include "profile/ProfileCommand.h"

#include <QApplication>
#include <QTextStream>

#include <cstdio>
#include <memory>

namespace {

const char kHelp[] = "Usage: sorvik [--network FILE] [COMMAND [ARGS...]]\n"
                     "\n"
                     "Without a command, starts the Sorvik window on the network.\n"
                     "\n"
                     "Commands (no display needed):\n"
                     "  scan (--all | SERVER...) [--no-sys-files]\n"
                     "                      scan servers and write their data files into C:\\Orvane\\Sorvik\n"
                     "  archive             pack the data files into the session archive and delete them\n"
                     "  profile [--set NAME=VALUE]...\n"
                     "                      show the contact profile, or change and save values of it\n"
                     "\n"
                     "Options:\n"
                     "  --network FILE      the network description to serve (default: SORVIK_NETWORK, else the\n"
                     "                      built-in demo network)\n"
                     "  --help              this text; 'sorvik COMMAND --help' describes a command\n"
                     "\n"
                     "Environment:\n"
                     "  SORVIK_DRIVE_C, SORVIK_DRIVE_A   host directories of the drives C: and A:\n"
                     "                                   (default $XDG_DATA_HOME/sorvik/drive_c and drive_a)\n"
                     "  SORVIK_NETWORK                   the network description file\n"
                     "  SORVIK_TEXT_EDITOR               the plain-text editor \"View Data\" starts (default: the\n"
                     "                                   desktop's text editor, else xdg-open)\n";

struct Arguments
{
    QString network;
    QString command;
    QStringList rest;
    bool help = false;
    QString error;
};

Arguments parse(int argc, char **argv)
{
    Arguments a;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("--network")) {
            if (i + 1 >= argc) {
                a.error = QStringLiteral("--network needs a file name");
                return a;
            }
            a.network = QString::fromLocal8Bit(argv[++i]);
        } else if (arg.startsWith(QLatin1String("--network="))) {
            a.network = arg.mid(10);
        } else if (a.command.isEmpty() && (arg == QLatin1String("--help") || arg == QLatin1String("-h"))) {
            a.help = true;
        } else if (a.command.isEmpty() && !arg.startsWith(QLatin1Char('-'))) {
            a.command = arg;
        } else if (!a.command.isEmpty()) {
            a.rest.append(arg);
        } else {
            a.error = QStringLiteral("unknown option ") + arg;
            return a;
        }
    }
    return a;
}

bool displayAvailable()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

int runHeadless(const Arguments &args, int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (args.command == QLatin1String("scan")) {
        QString error;
        std::unique_ptr<QxClient> client = NetworkSource::open(args.network, &error);
        if (!client) {
            err << "sorvik: " << error << Qt::endl;
            return 1;
        }
        return runScanCommand(*client, args.rest, out, err);
    }
    if (args.command == QLatin1String("archive"))
        return runArchiveCommand(args.rest, out, err);
    if (args.command == QLatin1String("profile"))
        return runProfileCommand(args.rest, out, err);
    err << "sorvik: unknown command " << args.command << "\n" << kHelp;
    return 2;
}

int runWindows(const Arguments &args, int argc, char **argv)
{
    if (!displayAvailable()) {
        std::fprintf(stderr, "sorvik: no display available; use the headless commands 'sorvik scan', "
                             "'sorvik archive' and 'sorvik profile' (see 'sorvik --help').\n");
        return 1;
    }
    // The network is read before any window opens, so a bad description ends the program at once.
    QString error;
    std::unique_ptr<QxClient> client = NetworkSource::open(args.network, &error);
    if (!client) {
        std::fprintf(stderr, "sorvik: %s\n", qPrintable(error));
        return 1;
    }

    QApplication app(argc, argv);
    WidgetInteraction interaction;
    return WindowProgram::run(*client, interaction);
}

} // namespace

int main(int argc, char **argv)
{
    const Arguments args = parse(argc, argv);
    if (!args.error.isEmpty()) {
        std::fprintf(stderr, "sorvik: %s\n%s", qPrintable(args.error), kHelp);
        return 2;
    }
    if (args.help) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (!args.command.isEmpty())
        return runHeadless(args, argc, argv);
    return runWindows(args, argc, argv);
}
