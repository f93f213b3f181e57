#pragma once

#include "RecordingInteraction.h"
#include "RecordingResults.h"
#include "StubClient.h"
#include "session/Session.h"

#include <QByteArray>

#include <ostream>

// Byte strings print as text in test failures.
inline void PrintTo(const QByteArray &bytes, std::ostream *os)
{
    *os << '"' << bytes.toStdString() << '"';
}

// A stub client that opens and authenticates connections to one server and counts them, so that
// every collector test can check that what was opened is released. Tests derive from it and
// answer the queries they feed with byte-level records.
class FakeServer : public StubClient
{
public:
    qx::Code QXCCOpenConnByName(qx::Handle, const QByteArray &name, quint32, quint32, quint32,
                                qx::Handle &conn) override
    {
        openedName = name;
        if (openCode != qx::Success)
            return openCode;
        ++opens;
        conn = 0x40 + opens;
        return qx::Success;
    }
    qx::Code QXCCCloseConn(qx::Handle conn) override
    {
        if (conn != 0)
            ++closes;
        return closeCode;
    }
    qx::DsStatus QXDSAuthenticate(qx::Handle, quint32, void *) override { return qx::DsSuccess; }

    qx::Code openCode = qx::Success;
    qx::Code closeCode = qx::Success;
    QByteArray openedName;
    int opens = 0;
    int closes = 0;
};

// A session around a fake client with recording seams, working on the server FS1.
struct SessionFixture
{
    explicit SessionFixture(QxClient &client) : session(client, interaction, results)
    {
        session.currentServerName = "FS1";
    }
    RecordingInteraction interaction;
    RecordingResults results;
    Session session;
};
