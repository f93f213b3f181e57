// Process entry: the window program by default, or one of the headless commands.
#include "app/Product.h"
#include "app/TfrmMain.h"
#include "cli/CommandLine.h"
#include "platform/DirectoryLock.h"
#include "platform/Drives.h"
#include "platform/WidgetInteraction.h"
#include "simnet/NetworkSource.h"
#include "ui/TfrmSplash.h"

#include <QApplication>
#include <QTextStream>
#include <QTimer>

#include <cstdio>
#include <exception>
#include <memory>

namespace {

bool displayAvailable()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

int runWindows(const QString &network, int argc, char **argv)
{
    if (!displayAvailable()) {
        std::fprintf(stderr, "sorvik: no display available; use the headless commands 'sorvik scan', "
                             "'sorvik archive' and 'sorvik profile' (see 'sorvik --help').\n");
        return 1;
    }
    // The network is read before any window opens, so a bad description ends the program at once.
    QString error;
    std::unique_ptr<QxClient> client = NetworkSource::open(network, &error);
    if (!client) {
        std::fprintf(stderr, "sorvik: %s\n", qPrintable(error));
        return 1;
    }

    QApplication app(argc, argv);
    WidgetInteraction interaction;
    // One session per output directory, held for the window's whole life.
    DirectoryLock lock(Drives::hostPath(Product::outputDirectory()), Product::outputDirectory());
    if (!lock.tryLock()) {
        interaction.warning(lock.errorString());
        return 1;
    }
    try {
        auto *splash = new TfrmSplash;
        splash->setStatus(QString());
        QApplication::processEvents();
        splash->show();
        splash->repaint();
        QApplication::processEvents();

        QApplication::setApplicationDisplayName(Product::applicationTitle());
        app.setProperty("helpFile", Product::helpFile());
        QApplication::setQuitOnLastWindowClosed(false);

        TfrmMain main(*client, interaction, splash);
        if (main.session().terminateRequested())
            QTimer::singleShot(0, &app, &QCoreApplication::quit);
        main.show();
        return QApplication::exec();
    } catch (const std::exception &e) {
        interaction.showException(QString::fromLocal8Bit(e.what()));
        return 1;
    }
}

} // namespace

int main(int argc, char **argv)
{
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
        return CommandLine::runCommand(invocation, out, err);
    }
    return runWindows(invocation.network, argc, argv);
}
