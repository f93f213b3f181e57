#include "app/widgets/WindowProgram.h"

#include "app/widgets/TfrmMain.h"
#include "session/Product.h"
#include "session/Session.h"
#include "ui/widgets/Artwork.h"
#include "ui/widgets/TfrmSplash.h"

#include <QApplication>

#include <exception>

int WindowProgram::run(QxClient &client, Interaction &interaction, const HeldResults &tidied)
{
    try {
        QApplication::setWindowIcon(Artwork::applicationIcon());
        auto *splash = new TfrmSplash;
        splash->setStatus(QString());
        QApplication::processEvents();
        splash->showPainted();
        QApplication::processEvents();

        // The title is kept as a property, not as the display name: on X11 the display name would
        // be appended to every window's caption.
        qApp->setProperty(TitleProperty, Product::applicationTitle());
        qApp->setProperty("helpFile", Product::helpFile());
        QApplication::setQuitOnLastWindowClosed(false);

        TfrmMain main(client, interaction, splash, &tidied);
        main.start();
        return QApplication::exec();
    } catch (const std::exception &e) {
        interaction.showException(QString::fromLocal8Bit(e.what()));
        return 1;
    }
}
