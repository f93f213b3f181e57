#include "session/Session.h"

#include "platform/Locale.h"
#include "platform/Windows1252.h"

#include <algorithm>
#include <exception>

namespace {

// Where the early-requester warning sends the user for a newer client.
const QString kSupportSite = QStringLiteral("www.orvane.example/support");

QString hex4(qx::Code code)
{
    return QString::asprintf("%04X", code);
}

} // namespace

Session::Session(QxClient &client, Interaction &interaction, ResultsSink &results)
    : m_client(client), m_interaction(interaction), m_results(results)
{
}

Session::Session(const Session &shared, Interaction &interaction, ResultsSink &results)
    : includeSysFiles(shared.includeSysFiles), m_client(shared.m_client), m_interaction(interaction),
      m_results(results), m_servers(shared.m_servers), m_primaryConnection(shared.m_primaryConnection),
      m_primaryReference(shared.m_primaryReference), m_context(shared.m_context), m_hasContext(shared.m_hasContext),
      m_callsLibraryFlag(shared.m_callsLibraryFlag), m_sharesPrimary(true)
{
}

void Session::setUp()
{
    if (store(m_client.QXCallsInit(nullptr, nullptr)) != qx::Success) {
        m_interaction.warning(QStringLiteral("QXCallsInit Failed\nError Code: ") + hex4(m_lastCode));
        return;
    }

    QByteArray serverToOpen;
    for (;;) {
        if (!serverToOpen.isEmpty()) {
            // On the workstation this connection becomes its primary one, which outlives the tool:
            // the handle is neither kept nor closed.
            qx::Handle opened = 0;
            if (store(m_client.QXCCOpenConnByName(0, serverToOpen, qx::NameFormatBindery, qx::OpenStateUnlicensed,
                                                  qx::TransportAny, opened)) != qx::Success)
                m_interaction.warning(QStringLiteral("QXCCOpenConnByName Returned\nError Code: ") + hex4(m_lastCode));
        }

        const qx::Code code = store(m_client.QXCCGetPrimConnRef(m_primaryReference));
        if (code == qx::Success) {
            if (store(m_client.QXCCOpenConnByRef(m_primaryReference, qx::OpenStateUnlicensed, 0,
                                                 m_primaryConnection)) != qx::Success) {
                m_primaryConnection = 0;
                m_interaction.warning(QStringLiteral("QXCCOpenConnByRef Failed\nError Code: ") + hex4(m_lastCode));
                return;
            }
            if (storeDs(m_client.QXDSCreateContextHandle(m_context)) != qx::DsSuccess) {
                m_interaction.warning(
                    QStringLiteral("QXDSCreateContextHandle Failed\nError Code: %1").arg(m_lastDsStatus));
                storeDs(m_client.QXDSFreeContext(m_context));
                return;
            }
            m_hasContext = true;
            return;
        }
        if (code == qx::NoPrimaryConnection || code == qx::NoPrimaryConnectionAlt) {
            const auto answer =
                m_interaction.message(QStringLiteral("Confirm"),
                                      QStringLiteral("You do not have a primary connection established\n"
                                                     "Would you like to connect to a specific server?"),
                                      Interaction::Icon::Question, Interaction::Buttons::YesNo);
            if (answer != Interaction::Answer::Yes) {
                requestTerminate();
                return;
            }
            const auto entered =
                m_interaction.inputBox(QStringLiteral("Server Name"), QStringLiteral("Enter Server Name"), QString());
            serverToOpen = Windows1252::fromUnicode(entered.value_or(QString()));
            continue;
        }
        m_interaction.warning(QStringLiteral("QXCCGetPrimConnRef Returned\nError Code: ") + hex4(code));
        requestTerminate();
        return;
    }
}

void Session::checkClientVersions()
{
    quint8 major = 0, minor = 0, revision = 0;
    if (store(m_client.QXGetRequesterVersion(major, minor, revision)) != qx::Success) {
        m_interaction.warning(QStringLiteral("QXGetRequesterVersion Failed\nError Code: ") + hex4(m_lastCode));
    } else if (major == 0) {
        m_interaction.warning(QStringLiteral("You have an early Requester Version: %1.%2.%3.%4\n"
                                             "You need to upgrade your client, contact (%5)\n"
                                             "This application may not work properly")
                                  .arg(major)
                                  .arg(minor)
                                  .arg(revision)
                                  .arg(0)
                                  .arg(kSupportSite));
    }
    if (m_client.QXGetClientType() < 3) {
        m_interaction.warning(
            QStringLiteral("You may not have the Corvan Client loaded, this application may not run properly\n"));
    }
}

void Session::readCallsLibraryVersion()
{
    quint8 major = 0, minor = 0, revision = 0, beta = 0;
    store(m_client.QXGetQXCallsVersion(major, minor, revision, beta));
    // Each number is compared on its own, so 6.0.0 does not qualify.
    m_callsLibraryFlag = major >= 5 && minor >= 2 && revision >= 3;
}

void Session::release()
{
    if (m_sharesPrimary)
        return;
    if (m_primaryConnection != 0) {
        store(m_client.QXCCCloseConn(m_primaryConnection));
        m_primaryConnection = 0;
    }
    if (m_hasContext) {
        storeDs(m_client.QXDSFreeContext(m_context));
        m_hasContext = false;
    }
}

void Session::FillServerList()
{
    quint32 objectId = 0xFFFFFFFF;
    m_servers.clear();
    m_lastCode = 0;
    while (m_lastCode == qx::Success) {
        m_interaction.processEvents();
        qx::ObjectNameBuffer name;
        if (store(m_client.QXScanObject(m_primaryConnection, QByteArrayLiteral("*"), qx::ObjectTypeFileServer, objectId,
                                        name)) == qx::Success)
            m_servers.push_back({qx::bufferText(name), false});
    }
    std::stable_sort(m_servers.begin(), m_servers.end(),
                     [](const ServerEntry &a, const ServerEntry &b) { return Locale::wordLess(a.name, b.name); });
}

void Session::setSelected(std::size_t index, bool selected)
{
    if (index < m_servers.size())
        m_servers[index].selected = selected;
}

void Session::selectAll(bool selected)
{
    for (ServerEntry &entry : m_servers)
        entry.selected = selected;
}

int Session::selectedCount() const
{
    return int(std::count_if(m_servers.begin(), m_servers.end(), [](const ServerEntry &e) { return e.selected; }));
}

QString Session::serverCountText() const
{
    return QStringLiteral("%1 Servers").arg(m_servers.size());
}

QString Session::selectedCountText() const
{
    return QStringLiteral("%1 Servers Selected").arg(selectedCount());
}

void Session::takeCurrentServerFromSelection()
{
    const auto first =
        std::find_if(m_servers.begin(), m_servers.end(), [](const ServerEntry &e) { return e.selected; });
    if (first != m_servers.end())
        currentServerName = first->name;
}

qx::Handle Session::OpenServerConnection(const QByteArray &name)
{
    if (name.isEmpty()) {
        m_interaction.warning(QStringLiteral("Please Select a Server and retry"));
        return 0;
    }
    BusyCursor busy(m_interaction);
    qx::Handle conn = 0;
    try {
        store(
            m_client.QXCCOpenConnByName(0, name, qx::NameFormatBindery, qx::OpenStateLicensed, qx::TransportAny, conn));
    } catch (const std::exception &e) {
        m_interaction.showException(QString::fromLocal8Bit(e.what()));
        return 0;
    }
    if (m_lastCode != qx::Success) {
        LogError(QStringLiteral("QXCCOpenConnByName Returned: ") + hex4(m_lastCode));
        return 0;
    }
    const qx::DsStatus status = storeDs(m_client.QXDSAuthenticate(conn, 0, nullptr));
    if (status != qx::DsSuccess && status != qx::DsNoAuthenticationNeeded)
        m_interaction.warning(QStringLiteral("QXDSAuthenticate Returned\nError Code: %1").arg(status));
    return conn;
}

bool Session::IsVersion3Server(qx::Handle conn)
{
    qx::FileServerInformation info;
    if (store(m_client.QXGetFileServerInformation(conn, info)) != qx::Success) {
        m_interaction.warning(QStringLiteral("QXGetFileServerInformation Returned: ") + hex4(m_lastCode));
        return false;
    }
    return info.majorVersion == 3;
}

void Session::LogError(const QString &text)
{
    m_results.appendLine(text, ResultsSink::Color::Red);
}

void Session::logLine(const QString &text, ResultsSink::Color color)
{
    m_results.appendLine(text, color);
}
