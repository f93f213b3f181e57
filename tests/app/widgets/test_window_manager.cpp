// Run by scripts/with-window-manager.sh on a virtual X display with a window manager: what the user
// sees there, which the headless platform cannot show (frames, mapping, the screen's pixels).
#include "app/widgets/TfrmMain.h"
#include "app/widgets/TfrmProgress.h"
#include "app/widgets/WindowProgram.h"
#include "client/widgets/TfrmLogin.h"
#include "platform/widgets/WidgetInteraction.h"
#include "send/widgets/TfrmDisk.h"
#include "send/widgets/TfrmSend.h"
#include "simnet/SimulatedClient.h"
#include "ui/widgets/TfrmHelp.h"
#include "ui/widgets/TfrmSecure.h"
#include "ui/widgets/TfrmSplash.h"

#include "RecordingInteraction.h"
#include "StubClient.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace {

constexpr int kWaitMs = 10000;

bool framed(const QWidget *window)
{
    return window->isVisible() && window->windowHandle() && !window->windowHandle()->frameMargins().isNull();
}

sim::SimulatedNetwork twoServers()
{
    sim::SimulatedNetwork network;
    for (const char *name : {"FS1", "FS2"}) {
        sim::Server server;
        server.name = name;
        server.address = sim::Address::ipx(network.servers.size() + 1, 1, 0x451);
        network.servers.push_back(server);
    }
    network.workstation.primaryServer = "FS1";
    return network;
}

// Looks at the screen when the client is initialised: the splash must be there, painted.
struct LookingClient final : StubClient
{
    qx::Code QXCallsInit(void *, void *) override
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *splash = qobject_cast<TfrmSplash *>(w)) {
                labelEmpty = splash->status().isEmpty();
                const QRect area = splash->geometry();
                screen = splash->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
            }
        }
        return qx::Success;
    }
    qx::Code QXCCGetPrimConnRef(quint32 &) override { return qx::NoPrimaryConnectionAlt; }
    bool labelEmpty = false;
    QImage screen;
};

bool near(QColor a, QColor b)
{
    return std::abs(a.red() - b.red()) < 12 && std::abs(a.green() - b.green()) < 12 &&
           std::abs(a.blue() - b.blue()) < 12;
}

} // namespace

TEST(WindowManager, TheSplashIsOnScreenBeforeTheClientStartsAndNoEndsTheProgram)
{
    TestEnvironment::fresh();
    LookingClient client;
    RecordingInteraction interaction;
    interaction.onProcessEvents = [] { QCoreApplication::processEvents(); };
    interaction.queueAnswer(Interaction::Answer::No);
    EXPECT_EQ(WindowProgram::run(client, interaction), 0);
    EXPECT_TRUE(client.labelEmpty);
    ASSERT_FALSE(client.screen.isNull());
    // The navy band at the top of the artwork, and white below it: painted, not a blank window.
    EXPECT_TRUE(near(client.screen.pixelColor(8, 8), QColor(0x1F, 0x3A, 0x5F)))
        << client.screen.pixelColor(8, 8).name().toStdString();
    EXPECT_TRUE(near(client.screen.pixelColor(8, 200), Qt::white))
        << client.screen.pixelColor(8, 200).name().toStdString();
    QApplication::setQuitOnLastWindowClosed(true);
}

TEST(WindowManager, TheMainWindowIsItsSizeOutsideCentredWithScanServersFocused)
{
    TestEnvironment::fresh();
    SimulatedClient client(twoServers());
    RecordingInteraction interaction;
    TfrmMain window(client, interaction, nullptr);
    window.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return framed(&window); }, kWaitMs));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return window.frameGeometry().size() == QSize(TfrmMain::kOuterWidth, TfrmMain::kOuterHeight); }, kWaitMs))
        << window.frameGeometry().width() << "x" << window.frameGeometry().height();
    const QPoint centre = window.screen()->availableGeometry().center();
    EXPECT_LE((window.frameGeometry().center() - centre).manhattanLength(), 2);
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_EQ(QApplication::focusWidget(), window.scanButton());

    // The login window opens centred also when its connection fails at showing.
    window.session().currentServerName = "GONE";
    window.comp1Click();
    TfrmLogin *login = window.loginWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return framed(login); }, kWaitMs));
    const auto loginCentred = [&] { return (login->frameGeometry().center() - centre).manhattanLength() <= 2; };
    EXPECT_TRUE(QTest::qWaitFor(loginCentred, kWaitMs))
        << login->frameGeometry().x() << "," << login->frameGeometry().y() << " " << login->frameGeometry().width()
        << "x" << login->frameGeometry().height();
    window.close();
}

namespace {

xcb_atom_t atomNamed(xcb_connection_t *connection, const char *name)
{
    xcb_intern_atom_reply_t *reply =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(strlen(name)), name), nullptr);
    const xcb_atom_t value = reply ? reply->atom : XCB_ATOM_NONE;
    free(reply);
    return value;
}

// A property of a window as 32-bit values.
std::vector<quint32> property(const QWidget *window, const char *name)
{
    auto *x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return {};
    xcb_connection_t *connection = x11->connection();
    const xcb_atom_t atom = atomNamed(connection, name);
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        connection,
        xcb_get_property(connection, 0, xcb_window_t(window->winId()), atom, XCB_GET_PROPERTY_TYPE_ANY, 0, 64),
        nullptr);
    std::vector<quint32> values;
    if (reply && reply->format == 32) {
        const auto *data = static_cast<const quint32 *>(xcb_get_property_value(reply));
        values.assign(data, data + xcb_get_property_value_length(reply) / 4);
    }
    free(reply);
    return values;
}

// The actions the window manager allows on a window, by their names (_NET_WM_ACTION_...).
QStringList allowedActions(const QWidget *window)
{
    xcb_connection_t *connection = qApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    QStringList names;
    for (const quint32 atom : property(window, "_NET_WM_ALLOWED_ACTIONS")) {
        xcb_get_atom_name_reply_t *name =
            xcb_get_atom_name_reply(connection, xcb_get_atom_name(connection, atom), nullptr);
        if (name) {
            names.append(QString::fromLatin1(xcb_get_atom_name_name(name), xcb_get_atom_name_name_length(name)));
            free(name);
        }
    }
    return names;
}

bool centredOnScreen(const QWidget *window)
{
    return (window->frameGeometry().center() - window->screen()->availableGeometry().center()).manhattanLength() <= 2;
}

// Checks a fixed-size dialog once it is framed: centred where asked, without minimise or maximise.
void expectDialogFrame(const QWidget *dialog, bool centred)
{
    ASSERT_TRUE(QTest::qWaitFor([&] { return framed(dialog); }, kWaitMs)) << dialog->windowTitle().toStdString();
    if (centred)
        EXPECT_TRUE(QTest::qWaitFor([&] { return centredOnScreen(dialog); }, kWaitMs))
            << dialog->windowTitle().toStdString() << " at " << dialog->frameGeometry().x() << ","
            << dialog->frameGeometry().y();
    // Asked for: the motif hints' functions and decorations hold neither minimise nor maximise.
    const std::vector<quint32> hints = property(dialog, "_MOTIF_WM_HINTS");
    ASSERT_GE(hints.size(), 3u) << dialog->windowTitle().toStdString();
    constexpr quint32 kMinimiseMaximiseFunctions = 0x08 | 0x10;
    constexpr quint32 kMinimiseMaximiseDecorations = 0x20 | 0x40;
    EXPECT_EQ(hints[1] & kMinimiseMaximiseFunctions, 0u) << dialog->windowTitle().toStdString();
    EXPECT_EQ(hints[2] & kMinimiseMaximiseDecorations, 0u) << dialog->windowTitle().toStdString();
    // Granted: the window manager lets the fixed size stand (openbox keeps its iconify button on
    // every window whatever the hints say).
    QStringList actions;
    (void)QTest::qWaitFor([&] { return !(actions = allowedActions(dialog)).isEmpty(); }, kWaitMs);
    EXPECT_TRUE(actions.contains(QStringLiteral("_NET_WM_ACTION_CLOSE"))) << actions.join(' ').toStdString();
    for (const QString &action : actions)
        EXPECT_FALSE(action.startsWith(QStringLiteral("_NET_WM_ACTION_MAXIMIZE")) ||
                     action == QStringLiteral("_NET_WM_ACTION_RESIZE"))
            << action.toStdString() << " on " << dialog->windowTitle().toStdString();
}

// Runs `step` from the event loop of a window's exec() once a top-level widget of the class is shown.
template <typename Window> void whenShown(std::function<void(Window *)> step)
{
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, step] {
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (auto *window = qobject_cast<Window *>(top); window && window->isVisible()) {
                poll->stop();
                poll->deleteLater();
                step(window);
                return;
            }
        }
    });
    poll->start(20);
}

} // namespace

TEST(WindowManager, DialogsHaveADialogFrameHelpAndAboutAreCentredAndEscapeClosesThem)
{
    TestEnvironment::fresh();
    SimulatedClient client(twoServers());
    WidgetInteraction interaction;
    TfrmMain window(client, interaction, nullptr);
    window.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return framed(&window); }, kWaitMs));

    // About: centred once framed, no minimise or maximise, and Escape closes it.
    whenShown<TfrmSecure>([](TfrmSecure *about) {
        expectDialogFrame(about, true);
        QTest::keyClick(about, Qt::Key_Escape);
    });
    window.StatusBar1DblClick();
    EXPECT_FALSE(window.aboutWindow()->isVisible());

    // A message box and the progress window have the same frame.
    whenShown<QMessageBox>([](QMessageBox *box) {
        expectDialogFrame(box, false);
        box->accept();
    });
    interaction.information(QStringLiteral("Profile Information Saved"));
    window.progressWindow()->showProgress();
    expectDialogFrame(window.progressWindow(), true);
    window.progressWindow()->hide();

    // Dialogs are centred at every showing, not a caption bar lower or higher at the first one.
    for (QWidget *dialog : std::initializer_list<QWidget *>{window.progressWindow(), window.sendWindow(),
                                                            window.sendWindow()->diskWindow()}) {
        for (int showing = 0; showing < 2; ++showing) {
            dialog->show();
            EXPECT_TRUE(QTest::qWaitFor([&] { return framed(dialog) && centredOnScreen(dialog); }, kWaitMs))
                << dialog->windowTitle().toStdString() << " showing " << showing << " at "
                << dialog->frameGeometry().x() << "," << dialog->frameGeometry().y();
            dialog->hide();
        }
    }

    // Help: centred once framed; Escape closes it.
    window.comp10Click();
    TfrmHelp *help = window.helpWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return framed(help); }, kWaitMs));
    EXPECT_TRUE(QTest::qWaitFor([&] { return centredOnScreen(help); }, kWaitMs))
        << help->frameGeometry().x() << "," << help->frameGeometry().y();
    QTest::keyClick(help->textBox(), Qt::Key_Escape);
    EXPECT_FALSE(help->isVisible());
    window.close();
}
