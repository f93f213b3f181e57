#include "app/widgets/ResultsBox.h"
#include "app/widgets/TfrmMain.h"
#include "app/widgets/TfrmProgress.h"
#include "app/widgets/ToolbarButton.h"
#include "app/widgets/WindowProgram.h"
#include "client/widgets/TfrmLogin.h"
#include "platform/Drives.h"
#include "profile/ProfileStore.h"
#include "profile/widgets/TfrmProfile.h"
#include "report/TfrmReport.h"
#include "send/widgets/TURLLabel.h"
#include "send/widgets/TfrmFTP.h"
#include "send/widgets/TfrmSend.h"
#include "session/Product.h"
#include "simnet/SimulatedClient.h"
#include "ui/widgets/TfrmHelp.h"
#include "ui/widgets/TfrmSecure.h"
#include "ui/widgets/TfrmSplash.h"

#include "RecordingDesktop.h"
#include "RecordingInteraction.h"
#include "RecordingResults.h"
#include "StubClient.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFontInfo>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QWindow>

#include <cmath>
#include <functional>
#include <memory>
#include <utility>

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
    // Filling the list disabled "Scan Servers" for a while; it has the focus all the same.
    EXPECT_EQ(window->focusWidget(), window->scanButton());
    const QStringList box = window->resultsBox()->lines();
    EXPECT_EQ(box, (QStringList{QString(), QStringLiteral(" ")}));
    // The splash said "Done" and went away with the first showing.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(splash.isNull());
    EXPECT_TRUE(interaction.messages.empty());
}

// A workstation without a primary connection, whose user answers "No": the program shows its
// window and ends when the message loop takes its turn.
struct NoPrimaryClient final : StubClient
{
    qx::Code QXCallsInit(void *, void *) override
    {
        // The splash is on screen, painted, with its empty label, before the client is initialised.
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *splash = qobject_cast<TfrmSplash *>(w))
                splashReady = splash->isVisible() && splash->windowHandle()->isExposed() && splash->painted() &&
                              splash->status().isEmpty();
        }
        return qx::Success;
    }
    qx::Code QXCCGetPrimConnRef(quint32 &) override { return qx::NoPrimaryConnectionAlt; }
    bool splashReady = false;
};

TEST(WindowProgram, AnsweringNoAtStartUpEndsTheProgramThroughTheEventLoop)
{
    TestEnvironment::fresh();
    NoPrimaryClient client;
    RecordingInteraction interaction;
    // As in the window program, every pending-events point handles events.
    interaction.onProcessEvents = [] { QCoreApplication::processEvents(); };
    interaction.queueAnswer(Interaction::Answer::No);
    bool stillRunning = false;
    // A safety net only: the loop must have ended long before.
    QTimer::singleShot(60000, [&] {
        stillRunning = true;
        QCoreApplication::exit(2);
    });
    EXPECT_EQ(WindowProgram::run(client, interaction), 0);
    EXPECT_FALSE(stillRunning);
    EXPECT_TRUE(client.splashReady);
    EXPECT_TRUE(interaction.texts().contains(QStringLiteral(
        "You do not have a primary connection established\nWould you like to connect to a specific server?")));
    // The title is the application's own, not a display name that the platform would add to every caption.
    EXPECT_NE(QGuiApplication::applicationDisplayName(), QStringLiteral("Orvane Year2000 Sorvik"));
    EXPECT_EQ(qApp->property(WindowProgram::TitleProperty).toString(), QStringLiteral("Orvane Year2000 Sorvik"));
    // The windows have the program's icon also where no icon theme holds it (a run from the build folder).
    EXPECT_FALSE(QApplication::windowIcon().pixmap(32, 32).isNull());
    QApplication::setQuitOnLastWindowClosed(true);
}

TEST_F(MainWindowTest, SelectionButtonsRefreshAndCurrentServer)
{
    open(networkOf({"A", "B", "C", "D"}));
    QListWidget *list = window->serverList();
    // The current server follows "Select All" and the keyboard as the count does.
    QTest::mouseClick(button("Button1"), Qt::LeftButton);
    EXPECT_EQ(window->statusPanel(1), QStringLiteral("4 Servers Selected"));
    EXPECT_EQ(window->session().currentServerName, QByteArray("A"));
    QTest::mouseClick(button("Button2"), Qt::LeftButton);
    EXPECT_EQ(window->statusPanel(1), QStringLiteral("0 Servers Selected"));
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(window->statusPanel(1), QStringLiteral("1 Servers Selected"));
    EXPECT_EQ(window->session().currentServerName, QByteArray("B"));
    list->clearSelection();

    // B and D selected, then a click that adds C: B is the current server.
    list->item(1)->setSelected(true);
    list->item(3)->setSelected(true);
    const QRect c = list->visualItemRect(list->item(2));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, c.center());
    EXPECT_EQ(window->session().currentServerName, QByteArray("B"));
    EXPECT_EQ(window->statusPanel(1), QStringLiteral("3 Servers Selected"));

    window->RefreshServerList1Click();
    EXPECT_EQ(window->focusWidget(), window->scanButton());
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
    EXPECT_EQ(window->focusWidget(), window->scanButton());
    EXPECT_EQ(window->progressWindow()->findChild<QLabel *>(QStringLiteral("lblTotal"))->text(),
              QStringLiteral("100%"));

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

TEST_F(MainWindowTest, SelectServersNotScannedAsTheLastScanLeftThem)
{
    ProfileValues values;
    values[QStringLiteral("Company")] = QStringLiteral("Acme");
    ASSERT_TRUE(ProfileStore::writeAll(values));
    sim::SimulatedNetwork network = networkOf({"A", "B", "C", "D"});
    network.servers[1].reachable = false;
    open(std::move(network));
    // The list's context menu, opened by keyboard (Shift+F10); `inMenu` runs while it is shown.
    const auto contextMenu = [&](const std::function<void(QMenu *)> &inMenu) {
        QTimer::singleShot(0, [&] { inMenu(qobject_cast<QMenu *>(QApplication::activePopupWidget())); });
        QTest::keyClick(window->serverList(), Qt::Key_F10, Qt::ShiftModifier);
    };
    bool enabled = true;
    contextMenu([&](QMenu *menu) {
        enabled = window->selectNotScannedAction()->isEnabled();
        menu->close();
    });
    EXPECT_FALSE(enabled) << "no scan remembered yet";

    // A saved, B unreachable, Abort while C is written, D not reached.
    QTest::mouseClick(button("Button1"), Qt::LeftButton);
    interaction.onProcessEvents = [&] {
        if (window->progressWindow()->findChild<QLabel *>(QStringLiteral("lblServer"))->text() ==
            QStringLiteral("Analyzing C"))
            window->session().abortFlag = true;
    };
    QTest::mouseClick(button("comp23"), Qt::LeftButton);
    interaction.onProcessEvents = nullptr;
    window->serverList()->clearSelection();
    window->serverList()->item(0)->setSelected(true);
    contextMenu([&](QMenu *menu) { QTest::keyClick(menu, Qt::Key_N); });
    QStringList selected;
    for (const QListWidgetItem *item : window->serverList()->selectedItems())
        selected << item->text();
    selected.sort();
    EXPECT_EQ(selected, (QStringList{"B", "C", "D"}));
    EXPECT_EQ(window->statusPanel(1), QStringLiteral("3 Servers Selected"));
}

TEST_F(MainWindowTest, EscapeIsAbortAndExitDuringAScanWaitsForItsEnd)
{
    ProfileValues values;
    values[QStringLiteral("Company")] = QStringLiteral("Acme");
    ASSERT_TRUE(ProfileStore::writeAll(values));
    open(networkOf({"FS1", "FS2"}));
    QTest::mouseClick(button("Button1"), Qt::LeftButton);
    // `act` runs once, while the first server is written.
    std::function<void()> act;
    interaction.onProcessEvents = [&] {
        if (act && window->progressWindow()->findChild<QLabel *>(QStringLiteral("lblServer"))->text() ==
                       QStringLiteral("Analyzing FS1"))
            std::exchange(act, nullptr)();
    };
    act = [&] { QTest::keyClick(window->progressWindow(), Qt::Key_Escape); };
    QTest::mouseClick(button("comp23"), Qt::LeftButton);
    EXPECT_EQ(interaction.texts(), QStringList{QStringLiteral("User Aborted Operation")});
    EXPECT_TRUE(window->isVisible());

    // Exit stops the scan as Abort does; the window stays until the scan has said so, then goes.
    interaction.messages.clear();
    act = [&] { window->comp16Click(); };
    bool visibleAtTheBox = false;
    interaction.onMessage = [&] { visibleAtTheBox = window->isVisible(); };
    QTest::mouseClick(button("comp23"), Qt::LeftButton);
    EXPECT_TRUE(visibleAtTheBox);
    EXPECT_EQ(interaction.texts(), QStringList{QStringLiteral("User Aborted Operation")});
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(client->openHandleCount(), 0);
}

// Moves the mouse over a widget (the offscreen platform has no real pointer to move).
void hover(QWidget *widget)
{
    const QPointF centre = QRectF(widget->rect()).center();
    QMouseEvent move(QEvent::MouseMove, centre, widget->mapToGlobal(centre), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &move);
}

TEST_F(MainWindowTest, ToolbarHoverAndPress)
{
    open(networkOf({"FS1"}));
    ToolbarButton *login = window->toolbarButton(0);
    ToolbarButton *view = window->toolbarButton(1);
    ToolbarButton *send = window->toolbarButton(4);
    hover(login->captionLabel());
    EXPECT_EQ(login->bevel(), ToolbarButton::Bevel::Raised);
    // Straight onto the next button: the first becomes flat, the second raised.
    hover(view);
    EXPECT_EQ(login->bevel(), ToolbarButton::Bevel::None);
    EXPECT_EQ(view->bevel(), ToolbarButton::Bevel::Raised);
    // Over the server list: flat again.
    hover(window->serverList()->viewport());
    EXPECT_EQ(view->bevel(), ToolbarButton::Bevel::None);

    // Pressing the caption lowers the button; releasing raises it and opens the Send window.
    QTest::mousePress(send->captionLabel(), Qt::LeftButton);
    EXPECT_EQ(send->bevel(), ToolbarButton::Bevel::Lowered);
    bool sendShown = false;
    QTimer::singleShot(0, [&] {
        sendShown = window->sendWindow()->isVisible();
        window->sendWindow()->reject();
    });
    QTest::mouseRelease(send->captionLabel(), Qt::LeftButton);
    EXPECT_EQ(send->bevel(), ToolbarButton::Bevel::Raised);
    EXPECT_TRUE(sendShown);
}

TEST_F(MainWindowTest, HelpOpensAtTheTopAndAboutFromTheStatusBar)
{
    open(networkOf({"FS1"}));
    QTest::mouseClick(window->toolbarButton(3), Qt::LeftButton);
    TfrmHelp *help = window->helpWindow();
    ASSERT_TRUE(help->isVisible());
    EXPECT_EQ(help->windowTitle(), QStringLiteral("Orvane Sorvik Help"));
    EXPECT_TRUE(help->textBox()->toPlainText().startsWith(QStringLiteral("Orvane Year2000 Sorvik Help\n\n\nTopics:")));
    // The upload page, both mailboxes and the postal address are named.
    const QString text = help->textBox()->toPlainText();
    for (const QString &value :
         {MakerAddress::webHost() + MakerAddress::uploadPath(), MakerAddress::dataMailbox(),
          MakerAddress::questionMailbox(), MakerAddress::postalAddress().join(QStringLiteral("\n    "))})
        EXPECT_TRUE(text.contains(value)) << value.toStdString();
    help->textBox()->moveCursor(QTextCursor::End);
    help->close();
    QTest::mouseClick(window->toolbarButton(3), Qt::LeftButton);
    EXPECT_EQ(help->textBox()->textCursor().position(), 0);

    bool shown = false;
    QTimer::singleShot(0, [&] {
        shown = window->aboutWindow()->isVisible();
        // Escape closes About, as OK does.
        QTest::keyClick(window->aboutWindow(), Qt::Key_Escape);
    });
    QLabel *panel = window->findChild<QStatusBar *>(QStringLiteral("StatusBar1"))->findChild<QLabel *>();
    QTest::mouseDClick(panel, Qt::LeftButton);
    EXPECT_TRUE(shown);
    EXPECT_EQ(window->aboutWindow()->windowTitle(), QStringLiteral("About Quarlix Y2K Sorvik"));
    EXPECT_FALSE(window->aboutWindow()->isVisible());
}

TEST_F(MainWindowTest, ViewDataStartsTheEditorOrSaysWhyNot)
{
    open(networkOf({"FS1"}));
    qputenv("SORVIK_TEXT_EDITOR", "/bin/true");
    QTest::mouseClick(window->toolbarButton(1), Qt::LeftButton);
    EXPECT_TRUE(interaction.messages.empty()) << "before any scan the editor starts without a file";

    qputenv("SORVIK_TEXT_EDITOR", "/nonexistent/editor");
    window->session().lastDataFilePath = QStringLiteral("C:\\Orvane\\Sorvik\\01A2005C.DAT");
    QTest::mouseClick(window->toolbarButton(1), Qt::LeftButton);
    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_EQ(interaction.messages[0].caption, QStringLiteral("Warning"));
    EXPECT_EQ(interaction.messages[0].text,
              QStringLiteral("Program is not in your path.\nNOTEPAD.EXE C:\\Orvane\\Sorvik\\01A2005C.DAT\n"
                             "SORVIK_TEXT_EDITOR names /nonexistent/editor, which cannot be started: set it to "
                             "the plain-text editor to start."));
    qunsetenv("SORVIK_TEXT_EDITOR");

    // Without the variable, the desktop's own application for plain text opens the file.
    RecordingDesktop desktop;
    desktop.textEditor = QStringList{QStringLiteral("/bin/true"), QStringLiteral("--new-window")};
    QTest::mouseClick(window->toolbarButton(1), Qt::LeftButton);
    EXPECT_EQ(desktop.calls, QStringList{QStringLiteral("start /bin/true --new-window ") +
                                         Drives::hostPath(QStringLiteral("C:\\Orvane\\Sorvik\\01A2005C.DAT"))});
    EXPECT_EQ(TfrmReport::viewFailureText(11, QStringLiteral("X")), QStringLiteral("ERROR_BAD_FORMAT: X"));
    EXPECT_EQ(TfrmReport::viewFailureText(5, QStringLiteral("X")), QStringLiteral("Unknown Error :5\nX"));
}

TEST_F(MainWindowTest, LoginAsOpensTheLoginWindowAndClosingReleasesEverything)
{
    open(networkOf({"FS1", "FS2"}));
    QListWidget *list = window->serverList();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
    QTest::mouseClick(window->toolbarButton(0), Qt::LeftButton);
    TfrmLogin *login = window->loginWindow();
    ASSERT_TRUE(login->isVisible());
    EXPECT_EQ(login->windowTitle(), QStringLiteral("Quarlix Login"));
    EXPECT_EQ(login->findChild<QLineEdit *>(QStringLiteral("edtServerName"))->text(), QStringLiteral("FS2"));
    EXPECT_GT(client->openHandleCount(), 1);
    login->close();

    // Also when its connection cannot be opened at showing, the window opens centred.
    interaction.messages.clear();
    window->session().currentServerName = "GONE";
    QTest::mouseClick(window->toolbarButton(0), Qt::LeftButton);
    ASSERT_TRUE(login->isVisible());
    EXPECT_EQ(login->frameGeometry().center(), login->screen()->availableGeometry().center());
    window->close();
    EXPECT_EQ(client->openHandleCount(), 0);
    EXPECT_EQ(client->openContextCount(), 0);
}

TEST_F(MainWindowTest, SendWaitsForTheScanToEnd)
{
    ProfileValues values;
    values[QStringLiteral("Company")] = QStringLiteral("Acme");
    ASSERT_TRUE(ProfileStore::writeAll(values));
    open(networkOf({"FS1"}));
    QTest::mouseClick(button("Button1"), Qt::LeftButton);
    bool sendEnabledDuringScan = true;
    bool sendOpened = false;
    interaction.onProcessEvents = [&] {
        if (!window->isScanning())
            return;
        sendEnabledDuringScan = sendEnabledDuringScan && window->toolbarButton(4)->isEnabled();
        window->comp13Click(); // a click that reached the handler all the same
        sendOpened = sendOpened || window->sendWindow()->isVisible();
    };
    QTest::mouseClick(button("comp23"), Qt::LeftButton);
    interaction.onProcessEvents = nullptr;
    EXPECT_FALSE(sendEnabledDuringScan);
    EXPECT_FALSE(sendOpened);
    EXPECT_TRUE(window->toolbarButton(4)->isEnabled());
    EXPECT_TRUE(button("Button1")->isEnabled());
}

TEST_F(MainWindowTest, KeyboardReachesHelpTheToolbarAndTheScan)
{
    ProfileValues values;
    values[QStringLiteral("Company")] = QStringLiteral("Acme");
    ASSERT_TRUE(ProfileStore::writeAll(values));
    open(networkOf({"FS1"}));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_F1);
    EXPECT_TRUE(window->helpWindow()->isVisible());
    QApplication::setActiveWindow(window->helpWindow());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(window->helpWindow()->isVisible());
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));

    // A toolbar button is reached by Tab and clicked with Space; its caption stays as it is.
    ToolbarButton *profile = window->toolbarButton(2);
    EXPECT_TRUE(profile->focusPolicy() & Qt::TabFocus);
    profile->setFocus(Qt::TabFocusReason);
    QTest::keyClick(profile, Qt::Key_Space);
    EXPECT_TRUE(window->profileWindow()->isVisible());
    EXPECT_EQ(profile->captionLabel()->text(), QStringLiteral("Profile"));
    window->profileWindow()->close();

    // Enter in the server list scans the selection.
    QTest::mouseClick(button("Button1"), Qt::LeftButton);
    QTest::keyClick(window->serverList(), Qt::Key_Return);
    EXPECT_EQ(window->resultsBox()->lines().first(), QStringLiteral("FS1 Results"));

    // The results box shows that it has the focus.
    QApplication::setActiveWindow(window.get());
    window->scanButton()->setFocus();
    const QImage unfocused = window->resultsBox()->viewport()->grab().toImage();
    window->resultsBox()->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(window->resultsBox()->hasFocus());
    EXPECT_NE(window->resultsBox()->viewport()->grab().toImage(), unfocused);

    // Assistive technology finds the toolbar's push buttons, which it can press, and named fields.
    for (int i = 0; i < 6; ++i) {
        QAccessibleInterface *item = QAccessible::queryAccessibleInterface(window->toolbarButton(i));
        ASSERT_TRUE(item);
        EXPECT_EQ(item->role(), QAccessible::Button);
        EXPECT_EQ(item->text(QAccessible::Name), window->toolbarButton(i)->captionLabel()->text());
        EXPECT_EQ(item->childCount(), 0);
    }
    QAccessible::queryAccessibleInterface(window->toolbarButton(2))
        ->actionInterface()
        ->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->profileWindow()->isVisible(); }));
    window->profileWindow()->close();
    EXPECT_EQ(QAccessible::queryAccessibleInterface(window->findChild<QLineEdit *>(QStringLiteral("edtOutputDir")))
                  ->text(QAccessible::Name),
              QStringLiteral("Output Directory"));
    EXPECT_EQ(window->serverList()->accessibleName(), QStringLiteral("Quarlix Server List"));
    EXPECT_EQ(window->resultsBox()->accessibleName(), QStringLiteral("Year 2000 Report Results"));
    EXPECT_EQ(window->progressWindow()->findChild<QProgressBar *>(QStringLiteral("pbProgress"))->accessibleName(),
              QStringLiteral("Analysis Progress"));
    EXPECT_EQ(window->progressWindow()->findChild<QProgressBar *>(QStringLiteral("pbTotal"))->accessibleName(),
              QStringLiteral("Total Analysis Progress"));
}

TEST_F(MainWindowTest, EveryCaptionFitsAtTheWindowSizes)
{
    const QString arial = QFontInfo(QFont(QStringLiteral("Arial"))).family();
    if (arial != QStringLiteral("Arial") && arial != QStringLiteral("Liberation Sans"))
        GTEST_SKIP() << "needs Arial or a metric-compatible font for it (fonts-liberation), found "
                     << arial.toStdString();
    open(networkOf({"FS1"}));
    // Inside a usual frame: a pixel at each side, 20 above for the caption bar, 5 below.
    EXPECT_LE(window->minimumSizeHint().width(), TfrmMain::kOuterWidth - 2);
    EXPECT_LE(window->minimumSizeHint().height(), TfrmMain::kOuterHeight - 25);
    window->resize(TfrmMain::kOuterWidth - 2, TfrmMain::kOuterHeight - 25);
    window->profileWindow()->show();
    window->loginWindow()->show();
    window->progressWindow()->show();
    window->aboutWindow()->show();
    for (QWidget *top : std::initializer_list<QWidget *>{window.get(), window->profileWindow(), window->loginWindow(),
                                                         window->progressWindow(), window->aboutWindow()}) {
        if (top->layout())
            top->layout()->activate();
        for (QWidget *w : top->findChildren<QWidget *>()) {
            QString text;
            if (auto *label = qobject_cast<QLabel *>(w); label && !label->wordWrap() && label->pixmap().isNull())
                text = label->text();
            else if (auto *button = qobject_cast<QAbstractButton *>(w))
                text = button->text();
            if (text.isEmpty() || !w->isVisibleTo(top))
                continue;
            // A push button's size hint has a minimum width of the style's beyond its caption.
            const int needed = qobject_cast<QPushButton *>(w)
                                   ? w->fontMetrics().horizontalAdvance(QString(text).remove(QLatin1Char('&'))) + 6
                                   : w->sizeHint().width();
            EXPECT_GE(w->width(), needed) << text.toStdString() << " in " << top->windowTitle().toStdString();
        }
    }
    window->aboutWindow()->hide();
    window->progressWindow()->hide();
}

namespace {

// Counts what the mouse did anywhere in the program.
struct MouseCounter final : QObject
{
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
            ++count;
            break;
        default:
            break;
        }
        return false;
    }
    int count = 0;
};

void key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(QApplication::focusWidget(), k, modifiers);
}

// Presses Tab until the focus is on `target`; false when it never gets there.
bool tabTo(const QWidget *target)
{
    for (int i = 0; i < 40 && QApplication::focusWidget() != target; ++i)
        key(Qt::Key_Tab);
    return QApplication::focusWidget() == target;
}

// Runs `step` from inside a window's own exec() once it is shown, with the keyboard given to it.
void whenShown(const char *objectName, std::function<void(QWidget *)> step)
{
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, name = QLatin1String(objectName), step] {
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (top->objectName() == name && top->isVisible()) {
                poll->stop();
                poll->deleteLater();
                QApplication::setActiveWindow(top);
                step(top);
                return;
            }
        }
    });
    poll->start(10);
}

} // namespace

TEST_F(MainWindowTest, TheWholeJobByKeyboardAlone)
{
    open(networkOf({"FS1", "FS2"}));
    MouseCounter mouse;
    qApp->installEventFilter(&mouse);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));

    // Profile: Tab to the toolbar button, Space; the first field is open for typing.
    ASSERT_TRUE(tabTo(window->toolbarButton(2)));
    key(Qt::Key_Space);
    TfrmProfile *profile = window->profileWindow();
    ASSERT_TRUE(profile->isVisible());
    QApplication::setActiveWindow(profile);
    const QStringList typed = {
        "Ada",   "Lovelace", "1 Main St",        "",         "", "Springfield", "IL",
        "62701", "Canada",   "ada@acme.example", "555-0100", "", "Acme Tools",  "it@acme.example"};
    for (const QString &text : typed) {
        QTest::keyClicks(QApplication::focusWidget(), text);
        key(Qt::Key_Tab);
    }
    ASSERT_TRUE(tabTo(profile->findChild<QPushButton *>(QStringLiteral("btnSave"))));
    key(Qt::Key_Space);
    EXPECT_FALSE(profile->isVisible()) << interaction.texts().join(QLatin1Char('|')).toStdString();
    const auto stored = ProfileStore::readAll(true);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->value(QStringLiteral("First")), QStringLiteral("Ada"));
    EXPECT_EQ(stored->value(QStringLiteral("Country")), QStringLiteral("Canada"));
    EXPECT_EQ(stored->value(QStringLiteral("SendTo")), QStringLiteral("it@acme.example"));

    // Select All, Scan Servers.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    ASSERT_TRUE(tabTo(button("Button1")));
    key(Qt::Key_Space);
    EXPECT_EQ(window->statusPanel(1), QStringLiteral("2 Servers Selected"));
    ASSERT_TRUE(tabTo(window->scanButton()));
    key(Qt::Key_Space);
    EXPECT_EQ(window->resultsBox()->lines().first(), QStringLiteral("FS1 Results"));

    // View Data opens the last data file in the desktop's editor.
    RecordingDesktop desktop;
    desktop.textEditor = QStringList{QStringLiteral("/bin/true")};
    ASSERT_TRUE(tabTo(window->toolbarButton(1)));
    key(Qt::Key_Space);
    ASSERT_EQ(desktop.calls.size(), 1);
    EXPECT_TRUE(desktop.calls.first().endsWith(QStringLiteral(".DAT"))) << desktop.calls.first().toStdString();

    // Send, DISK, Create Disk: each window is reached and left by keys only.
    interaction.messages.clear();
    interaction.queueAnswer(Interaction::Answer::Ok); // "Insert diskette"
    interaction.queueAnswer(Interaction::Answer::Ok); // "All data will be erased"
    whenShown("frmSend", [](QWidget *send) {
        ASSERT_TRUE(tabTo(send->findChild<QPushButton *>(QStringLiteral("Button3"))));
        whenShown("frmDisk", [](QWidget *disk) {
            ASSERT_TRUE(tabTo(disk->findChild<QPushButton *>(QStringLiteral("Button1"))));
            key(Qt::Key_Space);
        });
        key(Qt::Key_Space);
    });
    ASSERT_TRUE(tabTo(window->toolbarButton(4)));
    key(Qt::Key_Space);
    EXPECT_FALSE(window->isVisible());
    const QStringList texts = interaction.texts();
    ASSERT_EQ(texts.size(), 3) << texts.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(texts.last().startsWith(QStringLiteral("Done Creating Floppy")));
    EXPECT_EQ(QDir(Drives::hostPath(QStringLiteral("A:\\"))).entryList({QStringLiteral("*.zip")}).size(), 1);
    EXPECT_EQ(mouse.count, 0);
    qApp->removeEventFilter(&mouse);
}

namespace {

// Relative luminance and contrast ratio as the accessibility guidelines define them.
double luminanceOf(const QColor &colour)
{
    const auto linear = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) + 0.0722 * linear(colour.blueF());
}

double contrastOf(const QColor &a, const QColor &b)
{
    const double la = luminanceOf(a);
    const double lb = luminanceOf(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The pixel of `area` farthest from the ground: the core of the text drawn there.
QColor inkOf(const QImage &image, const QRect &area, const QColor &ground)
{
    QColor ink = ground;
    int farthest = -1;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            const int d = std::abs(c.red() - ground.red()) + std::abs(c.green() - ground.green()) +
                          std::abs(c.blue() - ground.blue());
            if (d > farthest) {
                farthest = d;
                ink = c;
            }
        }
    }
    return ink;
}

// A label's text against the ground it is drawn on, both read from the rendered label.
double labelContrast(QLabel *label)
{
    const QImage image = label->grab().toImage();
    const QColor ground = image.pixelColor(0, 0);
    return contrastOf(inkOf(image, image.rect(), ground), ground);
}

// The dark palette that Fusion users set for a dark desktop.
QPalette darkPalette()
{
    QPalette dark;
    const QColor window(0x35, 0x35, 0x35);
    for (const auto role : {QPalette::Window, QPalette::Button, QPalette::ToolTipBase})
        dark.setColor(role, window);
    dark.setColor(QPalette::Base, QColor(0x2a, 0x2a, 0x2a));
    dark.setColor(QPalette::AlternateBase, QColor(0x42, 0x42, 0x42));
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::ToolTipText})
        dark.setColor(role, Qt::white);
    dark.setColor(QPalette::Highlight, QColor(0x2a, 0x82, 0xda));
    dark.setColor(QPalette::HighlightedText, Qt::black);
    dark.setColor(QPalette::Link, QColor(0x2a, 0x82, 0xda));
    return dark;
}

} // namespace

TEST_F(MainWindowTest, UnderADarkPaletteEveryTextIsReadable)
{
    const QString style = QApplication::style()->name();
    const QPalette light = QApplication::palette();
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setPalette(darkPalette());
    open(networkOf({"FS1"}));

    // The results box: each line's colour against the box's ground, both as rendered.
    ResultsBox *box = window->resultsBox();
    box->clear();
    box->appendLine(QStringLiteral("Saving report for FS1 as 00000001.DAT"), ResultsBox::Color::Black);
    box->appendLine(QStringLiteral("FS1 Results"), ResultsBox::Color::Blue);
    box->appendLine(QStringLiteral("QXCCOpenConnByName Failed"), ResultsBox::Color::Red);
    const QImage shown = box->viewport()->grab().toImage();
    QTextCursor line(box->document());
    for (int i = 0; i < 3; ++i, line.movePosition(QTextCursor::NextBlock)) {
        const QRect caret = box->cursorRect(line);
        const QRect area(0, caret.top(), shown.width() * 3 / 4, caret.height());
        const QColor ground = shown.pixelColor(shown.width() - 4, area.center().y());
        const QColor ink = inkOf(shown, area, ground);
        EXPECT_GE(contrastOf(ink, ground), 4.5)
            << "line " << i << ": " << ink.name().toStdString() << " on " << ground.name().toStdString();
    }

    // The upload window's link and warning, About's product line.
    RecordingResults results;
    TfrmFTP ftp(SendContext{interaction, results, nullptr});
    ftp.show();
    for (QLabel *label : {static_cast<QLabel *>(ftp.urlLabel()), ftp.findChild<QLabel *>(QStringLiteral("Label2")),
                          window->aboutWindow()->findChild<QLabel *>(QStringLiteral("Label1"))})
        EXPECT_GE(labelContrast(label), 4.5) << label->text().toStdString();

    QApplication::setPalette(light);
    QApplication::setStyle(style);
}
