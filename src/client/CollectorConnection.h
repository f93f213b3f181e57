#pragma once

#include "session/QxClient.h"

#include <QString>

class Session;

// The one connection a collector owns: opened by server name through the session, released when
// the collector is discarded. A failed release is reported in the results box.
class CollectorConnection final
{
public:
    explicit CollectorConnection(Session &session) : m_session(session) {}
    ~CollectorConnection();
    CollectorConnection(const CollectorConnection &) = delete;
    CollectorConnection &operator=(const CollectorConnection &) = delete;

    // Opens a connection to the current server; false (and handle 0) when none could be opened,
    // the session having reported why. A connection still open is released first.
    bool open();
    void release();
    qx::Handle handle() const { return m_handle; }

private:
    Session &m_session;
    qx::Handle m_handle = 0;
};

// A completion code as the messages show it: at least four upper-case hexadecimal digits.
inline QString hexCode(qx::Code code)
{
    return QString::asprintf("%04X", code);
}
