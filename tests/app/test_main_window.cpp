#include "app/ResultsBox.h"
#include "app/TfrmMain.h"
#include "app/TfrmProgress.h"
#include "platform/SimulatedClient.h"
#include "profile/ProfileStore.h"
#include "ui/TfrmSplash.h"

#include "RecordingInteraction.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace {

sim::SimulatedNetwork networkOf(std::initializer_list<const char *> names)
{
    sim::SimulatedNetwork network;
    quint32 number = 1;
    for (const char *name : names) {
        sim::Server server;
        server.name = name;
        server.address = sim::Address::ipx(number++, 1, 0x451);
        network.servers.push_back(server);
    }
    network.workstation.primaryServer = network.servers.front().name;
    return network;
}

struct MainWindowTest : ::testing::Test
{
    void SetUp() override { TestEnvironment::fresh(); }

    void open(sim::SimulatedNetwork network)
    {
        client = std::make_unique<SimulatedClient>(std::move(network));
        splash = new TfrmSplash;
        window = std::make_unique<TfrmMain>(*client, interaction, splash.data());
        window->show();
    }

    QPushButton *button(const char *name) { return window->findChild<QPushButton *>(QLatin1String(name)); }
    QStringList listed() const
    {
        QStringList names;
        for (int i = 0; i < window->serverList()->count(); ++i)
            names.append(window->serverList()->item(i)->text());
        return names;
    }

    std::unique_ptr<SimulatedClient> client;
    RecordingInteraction interaction;
    QPointer<TfrmSplash> splash;
    std::unique_ptr<TfrmMain> window;
};

} // namespace

TEST_F(MainWindowTest, ShowsTheServersSortedWithTheirCounts)
{
    open(networkOf({"SALES_HQ", "ACCT-FS1", "mail2", "BRANCH-NYC"}));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Orvane Year2000 Sorvik v1.3"));
    EXPECT_EQ(listed(), (QStringList{"ACCT-FS1", "BRANCH-NYC", "mail2", "SALES_HQ"}));
    EXPECT_EQ(window->statusPanel(0), QStringLiteral("4 Servers"));
    EXPECT_EQ(window->statusPanel(1), QStringLiteral("0 Servers Selected"));
    const QStringList box = window->resultsBox()->lines();
    EXPECT_EQ(box, (QStringList{QString(), QStringLiteral(" ")}));
    // The splash said "Done" and went away with the first showing.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(splash.isNull());
    EXPECT_TRUE(interaction.messages.empty());
}

TEST_F(MainWindowTest, SelectionButtonsRefreshAndCurrentServer)
{
    open(networkOf({"A", "B", "C", "D"}));
    QTest::mouseClick(button("Button1"), Qt::LeftButton);
    EXPECT_EQ(window->statusPanel(1), QStringLiteral("4 Servers Selected"));
    QTest::mouseClick(button("Button2"), Qt::LeftButton);
    EXPECT_EQ(window->statusPanel(1), QStringLiteral("0 Servers Selected"));

    // B and D selected, then a click that adds C: B is the current server.
    QListWidget *list = window->serverList();
    list->item(1)->setSelected(true);
    list->item(3)->setSelected(true);
    const QRect c = list->visualItemRect(list->item(2));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, c.center());
    EXPECT_EQ(window->session().currentServerName, QByteArray("B"));
    EXPECT_EQ(window->statusPanel(1), QStringLiteral("3 Servers Selected"));

    window->RefreshServerList1Click();
    EXPECT_EQ(window->statusPanel(1), QStringLiteral("0 Servers Selected"));
    EXPECT_EQ(list->selectedItems().size(), 0);
    EXPECT_EQ(interaction.busyDepth, 0);
}

TEST_F(MainWindowTest, FailedClientStartStillOpensWithNoServers)
{
    sim::SimulatedNetwork network = networkOf({"FS1"});
    network.workstation.faults.set(sim::Op::QXCallsInit, 0x8802);
    open(std::move(network));
    EXPECT_EQ(window->statusPanel(0), QStringLiteral("0 Servers"));
    EXPECT_EQ(interaction.texts(), QStringList{QStringLiteral("QXCallsInit Failed\nError Code: 8802")});
}

TEST_F(MainWindowTest, ScanInTheWindowWithAbort)
{
    ProfileValues values;
    values[QStringLiteral("Company")] = QStringLiteral("Acme");
    ASSERT_TRUE(ProfileStore::writeAll(values));
    open(networkOf({"FS1", "FS2"}));
    QTest::mouseClick(button("Button1"), Qt::LeftButton);

    // A full scan: blocks in the results box, progress window hidden again, controls enabled.
    QTest::mouseClick(button("comp23"), Qt::LeftButton);
    const QStringList lines = window->resultsBox()->lines();
    EXPECT_EQ(lines.first(), QStringLiteral("FS1 Results"));
    EXPECT_TRUE(lines.contains(QStringLiteral("Saving report for FS2 as 00000002.DAT")));
    EXPECT_FALSE(window->progressWindow()->isVisible());
    EXPECT_TRUE(button("comp23")->isEnabled());
    EXPECT_TRUE(window->serverList()->isEnabled());
    EXPECT_EQ(window->progressWindow()->findChild<QLabel *>(QStringLiteral("lblTotal"))->text(), QStringLiteral("100%"));

    // Abort pressed on the progress window while the first server is written.
    bool pressed = false;
    interaction.onProcessEvents = [&] {
        auto *abort = window->progressWindow()->findChild<QPushButton *>(QStringLiteral("bbtAbort"));
        if (!pressed && window->progressWindow()->isVisible() && abort->isEnabled() &&
            window->progressWindow()->findChild<QLabel *>(QStringLiteral("lblServer"))->text() ==
                QStringLiteral("Analyzing FS1")) {
            pressed = true;
            QTest::mouseClick(abort, Qt::LeftButton);
        }
    };
    interaction.messages.clear();
    QTest::mouseClick(button("comp23"), Qt::LeftButton);
    interaction.onProcessEvents = nullptr;
    EXPECT_TRUE(pressed);
    EXPECT_EQ(interaction.texts(), QStringList{QStringLiteral("User Aborted Operation")});
    EXPECT_EQ(window->resultsBox()->lines().last(), QStringLiteral("User Aborted Operation"));
    EXPECT_FALSE(window->session().abortFlag);
}
