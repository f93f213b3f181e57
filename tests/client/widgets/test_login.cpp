#include "client/widgets/TfrmLogin.h"
#include "session/Session.h"
#include "simnet/SimulatedClient.h"

#include "RecordingInteraction.h"
#include "RecordingResults.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <memory>

namespace {

sim::User user(const char *name, const char *password)
{
    sim::User u;
    u.name = name;
    u.password = password;
    return u;
}

// FS1 is the primary server, FS2 lets only console operators list modules, so that a new
// connection shows whose rights it carries. OLDFS is a bindery-only server.
sim::SimulatedNetwork network()
{
    sim::SimulatedNetwork net;
    for (const char *name : {"FS1", "FS2", "OLDFS"}) {
        sim::Server server;
        server.name = name;
        net.servers.push_back(server);
    }
    net.servers[1].publicConsoleRights = false;
    net.servers[2].tree = QByteArray();
    net.workstation.primaryServer = "FS1";

    sim::User admin = user("ADMIN", "Y2KREADY");
    admin.consoleOperator.all = true;
    net.users.push_back(admin);
    net.users.push_back(user("JSMITH", "SPRING98"));
    sim::User locked = user("TEMP01", "TEMP");
    locked.lockedOut = true;
    net.users.push_back(locked);
    sim::User expired = user("OLDUSER", "OLD");
    expired.passwordExpired = true;
    net.users.push_back(expired);
    return net;
}

const QString kObjectNotFound = QStringLiteral("QXDSLogin Returned:\nThe Object ID you entered could not be found\n"
                                               "You may need to login using your fully distinguished name\n"
                                               "ie Admin.ACME");

struct LoginTest : ::testing::Test
{
    void SetUp() override { TestEnvironment::fresh(); }

    void TearDown() override
    {
        if (window)
            window->close();
        EXPECT_EQ(interaction.busyDepth, 0);
        // Only what the session opened is left: the primary connection and its context.
        if (client) {
            EXPECT_EQ(client->openHandles(), std::vector<qx::Handle>{session->primaryConnection()});
            EXPECT_EQ(client->openContextCount(), 1);
        }
    }

    void start(sim::SimulatedNetwork net = network(), const QByteArray &currentServer = "FS1")
    {
        client = std::make_unique<SimulatedClient>(std::move(net));
        session = std::make_unique<Session>(*client, interaction, results);
        session->setUp();
        ASSERT_NE(session->primaryConnection(), 0u);
        session->currentServerName = currentServer;
        window = std::make_unique<TfrmLogin>(*session);
    }

    void show()
    {
        interaction.messages.clear();
        window->show();
    }

    template <typename T> T *child(const char *name) const
    {
        T *widget = window->findChild<T *>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QLineEdit *edit(const char *name) const { return child<QLineEdit>(name); }

    void click(const char *name) { QTest::mouseClick(child<QAbstractButton>(name), Qt::LeftButton); }

    // Types the user and password and presses OK; returns the message boxes that followed.
    std::vector<RecordingInteraction::Message> logIn(const QString &userName, const QString &password)
    {
        interaction.messages.clear();
        edit("edtLoginId")->setText(userName);
        edit("edtPassword")->clear();
        QTest::keyClicks(edit("edtPassword"), password);
        click("bbtLogin");
        return interaction.messages;
    }

    // Whose rights a fresh connection to FS2, opened as the scan opens it, carries: only a console
    // operator may check console privileges there.
    qx::Code consoleCheckOnFs2()
    {
        const qx::Handle conn = session->OpenServerConnection("FS2");
        EXPECT_NE(conn, 0u);
        const qx::Code code = client->QXCheckConsolePrivileges(conn);
        client->QXCCCloseConn(conn);
        return code;
    }

    RecordingInteraction interaction;
    RecordingResults results;
    std::unique_ptr<SimulatedClient> client;
    std::unique_ptr<Session> session;
    std::unique_ptr<TfrmLogin> window;
};

void expectWarning(const std::vector<RecordingInteraction::Message> &messages, const QString &text)
{
    QStringList shown;
    for (const auto &m : messages)
        shown.append(m.text);
    ASSERT_EQ(messages.size(), 1u) << shown.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(messages[0].caption, QStringLiteral("Warning"));
    EXPECT_EQ(messages[0].icon, Interaction::Icon::Warning);
    EXPECT_EQ(messages[0].buttons, Interaction::Buttons::Ok);
    EXPECT_EQ(messages[0].text, text);
}

void expectInformation(const std::vector<RecordingInteraction::Message> &messages, const QString &text)
{
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].caption, QStringLiteral("Information"));
    EXPECT_EQ(messages[0].icon, Interaction::Icon::Information);
    EXPECT_EQ(messages[0].buttons, Interaction::Buttons::Ok);
    EXPECT_EQ(messages[0].text, text);
}

} // namespace

TEST_F(LoginTest, FirstShowingProposesAdminForTheCurrentServerInBinderyMode)
{
    start();
    show();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Quarlix Login"));
    EXPECT_TRUE(interaction.messages.empty());

    EXPECT_TRUE(child<QRadioButton>("rbBindery")->isChecked());
    EXPECT_EQ(child<QRadioButton>("rbBindery")->text(), QStringLiteral("Bindery Server"));
    EXPECT_EQ(child<QRadioButton>("rbQDS")->text(), QStringLiteral("QDS Tree"));
    EXPECT_EQ(child<QLabel>("lblServer")->text(), QStringLiteral("Server Name:"));
    EXPECT_EQ(child<QLabel>("lblTree")->text(), QStringLiteral("Tree Name:"));
    EXPECT_EQ(child<QPushButton>("bbtLogin")->text(), QStringLiteral("OK"));
    EXPECT_TRUE(child<QPushButton>("bbtLogin")->isDefault());
    EXPECT_EQ(child<QPushButton>("bbtCancel")->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(edit("edtPassword")->echoMode(), QLineEdit::Password);
    QStringList groups;
    for (const QGroupBox *group : window->findChildren<QGroupBox *>())
        groups.append(group->title());
    EXPECT_EQ(groups, (QStringList{QStringLiteral("Login Type"), QStringLiteral("Login To")}));

    EXPECT_EQ(edit("edtServerName")->text(), QStringLiteral("FS1"));
    EXPECT_TRUE(edit("edtServerName")->isEnabled());
    EXPECT_FALSE(edit("edtTreeName")->isEnabled());
    EXPECT_FALSE(child<QLabel>("lblTree")->isEnabled());
    // Nobody is logged in: the tree answers "[Public]", which bindery mode proposes as "admin".
    EXPECT_EQ(edit("edtLoginId")->text(), QStringLiteral("admin"));
    EXPECT_TRUE(edit("edtPassword")->text().isEmpty());
    EXPECT_NE(window->connection(), 0u);
    EXPECT_TRUE(window->ownsConnection());
    EXPECT_TRUE(window->hasContext());
}

TEST_F(LoginTest, TreeModeTakesTheTreeNameUpToItsPaddingAndTheBinderyContext)
{
    sim::SimulatedNetwork net = network();
    net.tree = "MY_TREE";
    net.servers[0].binderyContext = QByteArray("SALES.CORP");
    start(std::move(net));
    show();
    click("rbQDS");
    EXPECT_EQ(edit("edtTreeName")->text(), QStringLiteral("MY_TREE"));
    EXPECT_TRUE(edit("edtTreeName")->isEnabled());
    EXPECT_TRUE(child<QLabel>("lblTree")->isEnabled());
    EXPECT_FALSE(edit("edtServerName")->isEnabled());
    EXPECT_FALSE(child<QLabel>("lblServer")->isEnabled());
    EXPECT_EQ(edit("edtLoginId")->text(), QStringLiteral("[Public].SALES.CORP"));
    EXPECT_TRUE(interaction.messages.empty());

    // The record's text alone: two underscores end it, so does a NUL.
    qx::ConnInfoRecord info;
    info.setText(qx::ConnInfoTreeNameAt, qx::ConnInfoTreeNameWidth, "A_B_C__D");
    EXPECT_EQ(TfrmLogin::treeNameOf(info), QByteArray("A_B_C"));
    info.setText(qx::ConnInfoTreeNameAt, qx::ConnInfoTreeNameWidth, "TREE_");
    EXPECT_EQ(TfrmLogin::treeNameOf(info), QByteArray("TREE_"));
    info.bytes.fill('X');
    EXPECT_EQ(TfrmLogin::treeNameOf(info), QByteArray(int(info.size - qx::ConnInfoTreeNameAt), 'X'));
}

TEST_F(LoginTest, TreeLoginFailuresShowTheirTexts)
{
    start();
    show();
    click("rbQDS");
    expectWarning(logIn(QStringLiteral("ADMIN"), QStringLiteral("wrong")),
                  QStringLiteral("QXDSLogin Returned: Bad Password"));
    EXPECT_TRUE(window->isVisible());
    expectWarning(logIn(QStringLiteral("NOBODY"), QStringLiteral("y2kready")), kObjectNotFound);
    expectWarning(logIn(QStringLiteral("ADMIN.OTHER"), QStringLiteral("y2kready")), kObjectNotFound);
    edit("edtTreeName")->setText(QStringLiteral("OTHER_TREE"));
    expectWarning(logIn(QStringLiteral("ADMIN"), QStringLiteral("y2kready")),
                  QStringLiteral("QXDSLogin Returned: Tree Object Not Found"));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(client->treeIdentity(), SimulatedClient::PublicIdentity);
}

TEST_F(LoginTest, TreeLoginStatusWithoutItsOwnTextIsShownInDecimal)
{
    sim::SimulatedNetwork net = network();
    net.workstation.faults.set(sim::Op::QXDSLogin, quint32(-304));
    start(std::move(net));
    show();
    click("rbQDS");
    expectWarning(logIn(QStringLiteral("ADMIN"), QStringLiteral("y2kready")),
                  QStringLiteral("QXDSLogin Returned: -304"));
}

TEST_F(LoginTest, SecondTryAfterAFailedTreeLoginSucceedsAndNewConnectionsCarryTheLogin)
{
    start();
    show();
    click("rbQDS");
    EXPECT_EQ(consoleCheckOnFs2(), qx::NoConsoleRights);
    logIn(QStringLiteral("ADMIN"), QStringLiteral("wrong"));
    // The failed attempt released its context; the next one works with a new one.
    EXPECT_FALSE(window->hasContext());
    expectInformation(logIn(QStringLiteral("ADMIN"), QStringLiteral("y2kready")),
                      QStringLiteral("DS Login Successful!"));
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(edit("edtServerName")->text().isEmpty());
    EXPECT_EQ(client->treeIdentity(), QByteArray("ADMIN"));
    EXPECT_EQ(client->identityOn("FS2"), QByteArray("ADMIN"));
    EXPECT_EQ(consoleCheckOnFs2(), qx::Success);

    // The next showing proposes the logged-in user with the server's bindery context.
    show();
    EXPECT_EQ(edit("edtLoginId")->text(), QStringLiteral("ADMIN.CORP"));
    expectWarning(logIn(QStringLiteral("JSMITH"), QStringLiteral("spring98")),
                  QStringLiteral("QXDSLogin Returned: A different object is already authenticated"));
}

TEST_F(LoginTest, BinderyLoginSendsThePasswordInUpperCase)
{
    start();
    show();
    expectInformation(logIn(QStringLiteral("JSMITH"), QStringLiteral("spring98")),
                      QStringLiteral("Bindery Login Successful!"));
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(client->identityOn("FS1"), QByteArray("JSMITH"));
    EXPECT_EQ(client->identityOn("FS2"), SimulatedClient::PublicIdentity);
    EXPECT_EQ(client->treeIdentity(), SimulatedClient::PublicIdentity);
}

TEST_F(LoginTest, BinderyLoginFailuresShowTheirTextsAndKeepTheWindowOpen)
{
    sim::SimulatedNetwork net = network();
    net.servers[1].faults.set(sim::Op::QXLoginToFileServer, 0x89FB);
    start(std::move(net));
    show();
    expectWarning(logIn(QStringLiteral("TEMP01"), QStringLiteral("temp")),
                  QStringLiteral("QXLoginToFileServer Returned: Intruder Lockout"));
    expectWarning(logIn(QStringLiteral("JSMITH"), QStringLiteral("autumn98")),
                  QStringLiteral("QXLoginToFileServer Returned: Invalid Password, try again!"));
    expectWarning(logIn(QStringLiteral("OLDUSER"), QStringLiteral("old")),
                  QStringLiteral("QXLoginToFileServer Returned: Password Expired!"));
    expectWarning(logIn(QStringLiteral("NOBODY"), QStringLiteral("x")),
                  QStringLiteral("QXLoginToFileServer Returned: Unknown Bindery Object\n"
                                 "If this is a 4.x server, make sure your login id is in its bindery context"));
    EXPECT_TRUE(window->isVisible());

    edit("edtServerName")->setText(QStringLiteral("FS2"));
    expectWarning(logIn(QStringLiteral("JSMITH"), QStringLiteral("spring98")),
                  QStringLiteral("QXLoginToFileServer Returned: 89FB"));

    edit("edtServerName")->setText(QStringLiteral("FS1"));
    logIn(QStringLiteral("JSMITH"), QStringLiteral("spring98"));
    EXPECT_FALSE(window->isVisible());
    show();
    expectWarning(logIn(QStringLiteral("ADMIN"), QStringLiteral("y2kready")),
                  QStringLiteral("QXLoginToFileServer Returned: Already Athenticated!"));
    EXPECT_EQ(client->identityOn("FS1"), QByteArray("JSMITH"));
}

TEST_F(LoginTest, BinderyChosenAfterTreeKeepsTheTreeFieldUntilTheNextShowingAndLogsInToTheBindery)
{
    start();
    show();
    click("rbQDS");
    click("rbBindery");
    EXPECT_TRUE(child<QRadioButton>("rbBindery")->isChecked());
    EXPECT_TRUE(edit("edtTreeName")->isEnabled());
    EXPECT_FALSE(edit("edtServerName")->isEnabled());

    expectInformation(logIn(QStringLiteral("ADMIN"), QStringLiteral("y2kready")),
                      QStringLiteral("Bindery Login Successful!"));
    EXPECT_EQ(client->identityOn("FS1"), QByteArray("ADMIN"));
    EXPECT_EQ(client->treeIdentity(), SimulatedClient::PublicIdentity);

    show();
    EXPECT_FALSE(edit("edtTreeName")->isEnabled());
    EXPECT_TRUE(edit("edtServerName")->isEnabled());
    EXPECT_EQ(edit("edtServerName")->text(), QStringLiteral("FS1"));
}

TEST_F(LoginTest, ServerThatCannotBeOpenedAtLoginIsReportedAndTheWindowStays)
{
    start();
    show();
    edit("edtServerName")->setText(QStringLiteral("NOSUCH"));
    expectWarning(logIn(QStringLiteral("ADMIN"), QStringLiteral("y2kready")),
                  QStringLiteral("Could not connect to server to login!"));
    EXPECT_EQ(results.redTexts(), QStringList{QStringLiteral("QXCCOpenConnByName Returned: 8847")});
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->connection(), 0u);
    // The context of the showing stays for the next try.
    EXPECT_TRUE(window->hasContext());

    edit("edtServerName")->setText(QStringLiteral("FS1"));
    expectInformation(logIn(QStringLiteral("ADMIN"), QStringLiteral("y2kready")),
                      QStringLiteral("Bindery Login Successful!"));
}

TEST_F(LoginTest, FailedSetContextKeepsTheContextAndReportsTheStatus)
{
    sim::SimulatedNetwork net = network();
    net.workstation.faults.set(sim::Op::QXDSSetContext, quint32(qx::DsBadHandle));
    start(std::move(net));
    show();
    click("rbQDS");
    expectWarning(logIn(QStringLiteral("ADMIN"), QStringLiteral("y2kready")),
                  QStringLiteral("QXDSSetContext Failed\nError Code: -322"));
    EXPECT_TRUE(window->hasContext());
    EXPECT_EQ(client->treeIdentity(), SimulatedClient::PublicIdentity);
}

TEST_F(LoginTest, UnreachableServerAtShowingLeavesNeitherConnectionNorContext)
{
    sim::SimulatedNetwork net = network();
    net.servers[1].reachable = false;
    start(std::move(net), "FS2");
    show();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->connection(), 0u);
    EXPECT_FALSE(window->hasContext());
    EXPECT_EQ(results.redTexts(), QStringList{QStringLiteral("QXCCOpenConnByName Returned: 8847")});

    // OK on another server still logs in, with a context of its own.
    edit("edtServerName")->setText(QStringLiteral("FS1"));
    click("rbQDS");
    expectInformation(logIn(QStringLiteral("ADMIN.CORP"), QStringLiteral("y2kready")),
                      QStringLiteral("DS Login Successful!"));
    EXPECT_EQ(client->treeIdentity(), QByteArray("ADMIN"));
}

TEST_F(LoginTest, WithoutCurrentServerThePrimaryConnectionIsUsedButNeverClosed)
{
    start(network(), QByteArray());
    show();
    // The login-type step opens by the empty server name, which the open operation refuses.
    EXPECT_EQ(interaction.texts(), QStringList{QStringLiteral("Please Select a Server and retry")});
    EXPECT_FALSE(window->ownsConnection());

    edit("edtServerName")->setText(QStringLiteral("fs1"));
    expectInformation(logIn(QStringLiteral("JSMITH"), QStringLiteral("Spring98")),
                      QStringLiteral("Bindery Login Successful!"));
    // TearDown checks that the primary connection is still open and nothing else is.
}

TEST_F(LoginTest, CancelAndRepeatedShowingsCloseEverythingTheWindowOpened)
{
    start();
    for (int i = 0; i < 3; ++i) {
        show();
        click("rbQDS");
        click("rbQDS");
        EXPECT_EQ(client->openHandleCount(), 2);
        EXPECT_EQ(client->openContextCount(), 2);
        // Escape in a field is Cancel too.
        if (i == 2)
            QTest::keyClick(edit("edtPassword"), Qt::Key_Escape);
        else
            click("bbtCancel");
        EXPECT_FALSE(window->isVisible());
        EXPECT_EQ(client->openHandleCount(), 1);
        EXPECT_EQ(client->openContextCount(), 1);
    }
    EXPECT_TRUE(interaction.messages.empty());
}

TEST_F(LoginTest, EnterInAFieldPressesOk)
{
    start();
    show();
    edit("edtLoginId")->setText(QStringLiteral("JSMITH"));
    QTest::keyClicks(edit("edtPassword"), QStringLiteral("spring98"));
    QTest::keyClick(edit("edtPassword"), Qt::Key_Return);
    EXPECT_EQ(interaction.texts(), QStringList{QStringLiteral("Bindery Login Successful!")});
    EXPECT_EQ(client->identityOn("FS1"), QByteArray("JSMITH"));
}
