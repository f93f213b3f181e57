// Process entry: the window program by default, or one of the headless commands.
#include "app/widgets/WindowProgram.h"
#include "cli/CommandLine.h"
#include "platform/DirectoryLock.h"
#include "platform/GraphicalDisplay.h"
#include "platform/Terminal.h"
#include "platform/TerminalNotice.h"
#include "platform/widgets/WidgetInteraction.h"
#include "send/OutputDirectory.h"
#include "session/Product.h"
#include "simnet/NetworkSource.h"

#include <QApplication>
#include <QTextStream>

#include <cstdio>
#include <memory>

namespace {

int runWindows(const QString &network, int argc, char **argv)
{
    // The GUI library would abort on a display it cannot open; the headless commands need none.
    if (const QString problem = GraphicalDisplay::problem(); !problem.isEmpty()) {
        std::fprintf(stderr,
                     "sorvik: %s; use the headless commands 'sorvik profile', 'sorvik servers', 'sorvik scan', "
                     "'sorvik archive' and 'sorvik send' (see 'sorvik --help').\n",
                     qPrintable(problem));
        return 1;
    }
    // The network is read before any window opens, so a bad description ends the program at once;
    // meanwhile the terminal the program was started from, if any, says it is loading.
    QString error;
    QTextStream err(stderr);
    TerminalNotice notice(err, Terminal::isTerminal(2));
    std::unique_ptr<QxClient> client = NetworkSource::open(network, &error, NetworkSource::Pace::AsDescribed,
                                                           [&notice](const QString &text) { notice.show(text); });
    notice.remove();
    if (!client) {
        std::fprintf(stderr, "sorvik: %s\n", qPrintable(error));
        return 1;
    }

    QApplication app(argc, argv);
    // The desktop matches the window to its menu entry and icon by this id.
    QGuiApplication::setDesktopFileName(Product::desktopFileName());
    WidgetInteraction interaction;
    // One session per output directory, held for the window's whole life; what tidying the leftovers
    // of a killed run says waits for the results box.
    HeldResults tidied;
    QString refusal;
    const std::unique_ptr<DirectoryLock> lock = OutputDirectory::startWork(tidied, &refusal);
    if (!lock) {
        interaction.warning(refusal);
        return 1;
    }
    return WindowProgram::run(*client, interaction, tidied);
}

} // namespace

int main(int argc, char **argv)
{
    Terminal::holdClosedStandardDescriptors();
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    QTextStream out(stdout);
    QTextStream err(stderr);
    const CommandLine::Invocation invocation = CommandLine::parse(arguments, out, err);
    if (invocation.finished)
        return *invocation.finished;
    if (!invocation.command.isEmpty()) {
        QCoreApplication app(argc, argv);
        const int status = CommandLine::runCommand(invocation, out, err);
        // A run that a stop signal ended cleanly ends by that signal, so that a calling script
        // stops too.
        Terminal::endByCaughtSignal();
        return status;
    }
    return runWindows(invocation.network, argc, argv);
}
