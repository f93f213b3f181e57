#include "session/Session.h"

#include "RecordingInteraction.h"
#include "RecordingResults.h"
#include "StubClient.h"

#include <gtest/gtest.h>

#include <deque>
#include <set>

namespace {

using Answer = Interaction::Answer;

// A workstation whose primary connection, server names and authentication can be arranged.
class SessionClient : public StubClient
{
public:
    qx::Code initCode = 0;
    std::deque<qx::Code> primaryRefCodes; // one per lookup; empty: success
    std::set<QByteArray> reachable;
    std::vector<QByteArray> enumeration;
    qx::DsStatus authStatus = 0;
    quint8 requester[3] = {4, 10, 0};
    quint8 calls[4] = {5, 2, 3, 0};
    quint32 clientType = 3;
    int openByNameCalls = 0;
    std::set<qx::Handle> open;
    qx::Handle nextHandle = 100;
    quint8 serverMajor = 4;
    qx::Code infoCode = 0;

    qx::Code QXCallsInit(void *, void *) override { return initCode; }
    qx::Code QXGetRequesterVersion(quint8 &major, quint8 &minor, quint8 &revision) override
    {
        major = requester[0];
        minor = requester[1];
        revision = requester[2];
        return 0;
    }
    qx::Code QXGetQXCallsVersion(quint8 &major, quint8 &minor, quint8 &revision, quint8 &beta) override
    {
        major = calls[0];
        minor = calls[1];
        revision = calls[2];
        beta = calls[3];
        return 0;
    }
    quint32 QXGetClientType() override { return clientType; }
    qx::Code QXCCOpenConnByName(qx::Handle, const QByteArray &name, quint32, quint32, quint32,
                                qx::Handle &conn) override
    {
        ++openByNameCalls;
        if (!reachable.count(name))
            return qx::NoSuchServer;
        conn = nextHandle++;
        open.insert(conn);
        if (primaryRefCodes.size() > 0 && primaryRefCodes.front() != 0)
            primaryRefCodes = {0}; // connecting to a server gives the workstation a primary connection
        return 0;
    }
    qx::Code QXCCGetPrimConnRef(quint32 &reference) override
    {
        qx::Code code = 0;
        if (!primaryRefCodes.empty()) {
            code = primaryRefCodes.front();
            if (primaryRefCodes.size() > 1)
                primaryRefCodes.pop_front();
        }
        reference = 7;
        return code;
    }
    qx::Code QXCCOpenConnByRef(quint32, quint32, quint32, qx::Handle &conn) override
    {
        conn = nextHandle++;
        open.insert(conn);
        return 0;
    }
    qx::Code QXCCCloseConn(qx::Handle conn) override { return open.erase(conn) ? 0 : qx::InvalidConnection; }
    qx::DsStatus QXDSCreateContextHandle(qx::Context &context) override
    {
        context = 1;
        return 0;
    }
    qx::DsStatus QXDSFreeContext(qx::Context) override { return 0; }
    qx::DsStatus QXDSAuthenticate(qx::Handle, quint32, void *) override { return authStatus; }
    qx::Code QXScanObject(qx::Handle conn, const QByteArray &, quint16, quint32 &objectId,
                          qx::ObjectNameBuffer &objectName) override
    {
        if (!open.count(conn))
            return qx::InvalidConnection;
        const quint32 next = objectId == 0xFFFFFFFF ? 0 : objectId + 1;
        if (next >= enumeration.size())
            return qx::NoSuchObject;
        objectId = next;
        objectName.setText(0, objectName.size, enumeration[next]);
        return 0;
    }
    qx::Code QXGetFileServerInformation(qx::Handle, qx::FileServerInformation &info) override
    {
        info.majorVersion = serverMajor;
        return infoCode;
    }
};

struct SessionTest : ::testing::Test
{
    SessionClient client;
    RecordingInteraction interaction;
    RecordingResults results;
    Session session{client, interaction, results};
};

const QString kNoPrimary =
    QStringLiteral("You do not have a primary connection established\nWould you like to connect to a specific server?");

} // namespace

TEST_F(SessionTest, PrimaryConnectionLoopAsksUntilNoOrReachable)
{
    client.primaryRefCodes = {qx::NoPrimaryConnection};
    client.reachable = {"FS1"};
    // Yes, then cancel the prompt: asked again. Yes, an unreachable name: warned and asked again.
    // Yes, a reachable name: done.
    interaction.queueAnswer(Answer::Yes);
    interaction.queueInput(std::nullopt);
    interaction.queueAnswer(Answer::Yes);
    interaction.queueInput(QStringLiteral("NOWHERE"));
    interaction.queueAnswer(Answer::Ok);
    interaction.queueAnswer(Answer::Yes);
    interaction.queueInput(QStringLiteral("FS1"));
    session.setUp();

    ASSERT_EQ(interaction.messages.size(), 4u);
    EXPECT_EQ(interaction.messages[0].text, kNoPrimary);
    EXPECT_EQ(interaction.messages[0].caption, QStringLiteral("Confirm"));
    EXPECT_EQ(interaction.messages[0].buttons, Interaction::Buttons::YesNo);
    EXPECT_EQ(interaction.messages[1].text, kNoPrimary);
    EXPECT_EQ(interaction.messages[2].text, QStringLiteral("QXCCOpenConnByName Returned\nError Code: 8847"));
    EXPECT_EQ(interaction.messages[2].caption, QStringLiteral("Warning"));
    EXPECT_EQ(interaction.messages[3].text, kNoPrimary);
    EXPECT_EQ(interaction.inputPrompts.size(), 3);
    EXPECT_FALSE(session.terminateRequested());
    EXPECT_NE(session.primaryConnection(), 0u);
    EXPECT_TRUE(session.hasContext());

    session.release();
    // The connection to the entered server became the workstation's primary one and outlives the tool.
    EXPECT_EQ(client.open.size(), 1u);
}

TEST_F(SessionTest, AnsweringNoEndsTheProgram)
{
    client.primaryRefCodes = {qx::NoPrimaryConnectionAlt};
    session.setUp();
    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_TRUE(session.terminateRequested());
    EXPECT_EQ(session.primaryConnection(), 0u);
}

TEST_F(SessionTest, OtherLookupFailuresAreReportedAndEndTheProgram)
{
    client.primaryRefCodes = {0x8801};
    session.setUp();
    EXPECT_EQ(interaction.texts(), QStringList{QStringLiteral("QXCCGetPrimConnRef Returned\nError Code: 8801")});
    EXPECT_TRUE(session.terminateRequested());
}

TEST_F(SessionTest, FailedInitialisationLeavesAnEmptyList)
{
    client.initCode = 0x8802;
    session.setUp();
    EXPECT_EQ(interaction.texts(), QStringList{QStringLiteral("QXCallsInit Failed\nError Code: 8802")});
    EXPECT_FALSE(session.terminateRequested());
    session.FillServerList();
    EXPECT_EQ(session.serverCountText(), QStringLiteral("0 Servers"));
    EXPECT_EQ(session.selectedCountText(), QStringLiteral("0 Servers Selected"));
}

TEST_F(SessionTest, RequesterAndClientTypeWarnings)
{
    client.requester[0] = 0;
    client.requester[1] = 9;
    client.requester[2] = 2;
    client.clientType = 2;
    session.checkClientVersions();
    ASSERT_EQ(interaction.messages.size(), 2u);
    EXPECT_TRUE(interaction.messages[0].text.startsWith(
        QStringLiteral("You have an early Requester Version: 0.9.2.0\nYou need to upgrade your client, contact (")));
    EXPECT_TRUE(interaction.messages[0].text.endsWith(QStringLiteral(")\nThis application may not work properly")));
    EXPECT_EQ(interaction.messages[1].text,
              QStringLiteral("You may not have the Corvan Client loaded, this application may not run properly\n"));

    interaction.messages.clear();
    client.requester[0] = 1;
    client.requester[1] = 0;
    client.clientType = 3;
    session.checkClientVersions();
    EXPECT_TRUE(interaction.messages.empty());
}

TEST_F(SessionTest, CallsLibraryFlagComparesEachNumberOnItsOwn)
{
    const struct
    {
        quint8 major, minor, revision;
        bool aligned;
    } cases[] = {{6, 0, 0, false}, {5, 10, 2, false}, {5, 2, 3, true}, {5, 3, 4, true}, {4, 9, 9, false}};
    for (const auto &c : cases) {
        client.calls[0] = c.major;
        client.calls[1] = c.minor;
        client.calls[2] = c.revision;
        session.readCallsLibraryVersion();
        EXPECT_EQ(session.callsLibraryFlag(), c.aligned)
            << int(c.major) << '.' << int(c.minor) << '.' << int(c.revision);
    }
}

TEST_F(SessionTest, ServerListIsSortedWhateverTheEnumerationOrder)
{
    client.enumeration = {"SALES_HQ", "acct-fs1", "Mail2", "ACCT-FS0", "10GATE"};
    session.setUp();
    session.FillServerList();
    std::vector<QByteArray> names;
    for (const auto &entry : session.servers())
        names.push_back(entry.name);
    const std::vector<QByteArray> expected = {"10GATE", "ACCT-FS0", "acct-fs1", "Mail2", "SALES_HQ"};
    EXPECT_EQ(names, expected);
    EXPECT_EQ(session.serverCountText(), QStringLiteral("5 Servers"));

    // A refresh clears the selection.
    session.selectAll(true);
    EXPECT_EQ(session.selectedCountText(), QStringLiteral("5 Servers Selected"));
    session.FillServerList();
    EXPECT_EQ(session.selectedCountText(), QStringLiteral("0 Servers Selected"));
    session.release();
}

TEST_F(SessionTest, CurrentServerIsTheFirstSelectedEntry)
{
    client.enumeration = {"A", "B", "C", "D"};
    session.setUp();
    session.FillServerList();
    session.setSelected(1, true);
    session.setSelected(3, true);
    session.setSelected(2, true); // a click that adds C
    session.takeCurrentServerFromSelection();
    EXPECT_EQ(session.currentServerName, QByteArray("B"));
    session.selectAll(false);
    session.takeCurrentServerFromSelection();
    EXPECT_EQ(session.currentServerName, QByteArray("B")) << "a click that leaves nothing selected keeps it";
    session.release();
}

TEST_F(SessionTest, OpenServerConnectionRules)
{
    EXPECT_EQ(session.OpenServerConnection(QByteArray()), 0u);
    EXPECT_EQ(client.openByNameCalls, 0) << "an empty name makes no client call";
    EXPECT_EQ(interaction.texts(), QStringList{QStringLiteral("Please Select a Server and retry")});

    interaction.messages.clear();
    EXPECT_EQ(session.OpenServerConnection("GONE"), 0u);
    EXPECT_EQ(results.redTexts(), QStringList{QStringLiteral("QXCCOpenConnByName Returned: 8847")});
    EXPECT_TRUE(interaction.messages.empty());

    client.reachable = {"FS1"};
    client.authStatus = qx::DsNoAuthenticationNeeded;
    const qx::Handle quiet = session.OpenServerConnection("FS1");
    EXPECT_NE(quiet, 0u);
    EXPECT_TRUE(interaction.messages.empty());

    client.authStatus = -601;
    const qx::Handle warned = session.OpenServerConnection("FS1");
    EXPECT_NE(warned, 0u) << "the handle is kept whatever the authentication status";
    EXPECT_EQ(interaction.texts(), QStringList{QStringLiteral("QXDSAuthenticate Returned\nError Code: -601")});
    EXPECT_EQ(interaction.busyDepth, 0);
    EXPECT_EQ(client.QXCCCloseConn(quiet), 0u);
    EXPECT_EQ(client.QXCCCloseConn(warned), 0u);
}

TEST_F(SessionTest, IsVersion3Server)
{
    client.serverMajor = 3;
    EXPECT_TRUE(session.IsVersion3Server(1));
    client.serverMajor = 4;
    EXPECT_FALSE(session.IsVersion3Server(1));
    client.infoCode = 0x8801;
    client.serverMajor = 3;
    EXPECT_FALSE(session.IsVersion3Server(1));
    EXPECT_EQ(interaction.texts(), QStringList{QStringLiteral("QXGetFileServerInformation Returned: 8801")});
}
