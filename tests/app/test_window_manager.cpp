// Run by scripts/with-window-manager.sh on a virtual X display with a window manager: what the user
// sees there, which the headless platform cannot show (frames, mapping, the screen's pixels).
#include "app/widgets/TfrmMain.h"
#include "app/widgets/WindowProgram.h"
#include "client/widgets/TfrmLogin.h"
#include "simnet/SimulatedClient.h"
#include "ui/widgets/TfrmSplash.h"

#include "RecordingInteraction.h"
#include "StubClient.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QWindow>

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
