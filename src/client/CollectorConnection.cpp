#include "client/CollectorConnection.h"

#include "session/Session.h"

CollectorConnection::~CollectorConnection()
{
    release();
}

bool CollectorConnection::open()
{
    release();
    m_handle = m_session.OpenServerConnection(m_session.currentServerName);
    return m_handle != 0;
}

void CollectorConnection::release()
{
    if (m_handle == 0)
        return;
    const qx::Handle handle = m_handle;
    m_handle = 0;
    if (m_session.store(m_session.client().QXCCCloseConn(handle)) != qx::Success)
        m_session.LogError(QStringLiteral("QXCCCloseConn Returned: ") + hexCode(m_session.lastCode()));
}
