#pragma once

#include "platform/Interaction.h"
#include "platform/ResultsSink.h"
#include "session/QxClient.h"

#include <QByteArray>
#include <QString>

#include <vector>

// The life of the client session and the state that the main window shares with the collectors,
// the writer and the scan driver: primary connection, directory-services context, the last
// completion code, the calls-library flag, the server list, the current server, the abort flag.
class Session final
{
public:
    struct ServerEntry
    {
        QByteArray name;
        bool selected = false;
    };

    Session(QxClient &client, Interaction &interaction, ResultsSink &results);
    // The session of one server of a scan that collects several at once: it shares the client,
    // the primary connection, the context, the server list and the calls-library flag of the
    // started session `shared`, and has its own current server, completion codes, results,
    // interaction and abort flag. Releasing it leaves the shared connection and context alone.
    Session(const Session &shared, Interaction &interaction, ResultsSink &results);
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    QxClient &client() { return m_client; }
    Interaction &interaction() { return m_interaction; }
    ResultsSink &results() { return m_results; }

    // Start-up: client initialisation, primary connection (asking for a server when there is
    // none) and the directory-services context.
    void setUp();
    // First showing: requester version and client type checks.
    void checkClientVersions();
    // First showing, last step: the calls-library flag from the library's version.
    void readCallsLibraryVersion();
    // Closing: releases the primary connection and the context.
    void release();

    // Rebuilds the server list from the primary connection, sorted by name.
    void FillServerList();
    const std::vector<ServerEntry> &servers() const { return m_servers; }
    void setSelected(std::size_t index, bool selected);
    void selectAll(bool selected);
    int selectedCount() const;
    QString serverCountText() const;
    QString selectedCountText() const;
    // A change of the selection (a click, a key, "Select All"): the current server becomes the first
    // selected entry, if any; with nothing selected it stays what it was.
    void takeCurrentServerFromSelection();

    // Opens and authenticates a connection by server name; 0 after reporting a failure.
    qx::Handle OpenServerConnection(const QByteArray &name);
    bool IsVersion3Server(qx::Handle conn);
    void LogError(const QString &text);
    void logLine(const QString &text, ResultsSink::Color color = ResultsSink::Color::Black);

    // Every client call's result is stored here before it is tested.
    qx::Code store(qx::Code code)
    {
        m_lastCode = code;
        return code;
    }
    qx::DsStatus storeDs(qx::DsStatus status)
    {
        m_lastDsStatus = status;
        return status;
    }
    qx::Code lastCode() const { return m_lastCode; }

    qx::Handle primaryConnection() const { return m_primaryConnection; }
    qx::Context context() const { return m_context; }
    bool hasContext() const { return m_hasContext; }
    bool callsLibraryFlag() const { return m_callsLibraryFlag; }
    void setCallsLibraryFlag(bool aligned) { m_callsLibraryFlag = aligned; }

    // "Ask the application to terminate": takes effect when the current work has returned to the
    // event loop.
    void requestTerminate() { m_terminateRequested = true; }
    bool terminateRequested() const { return m_terminateRequested; }

    // State shared by the scan driver, the writer and the collectors.
    QByteArray currentServerName;
    QByteArray currentDataFileName;
    QString lastDataFilePath;
    bool includeSysFiles = true;
    bool abortFlag = false;

private:
    QxClient &m_client;
    Interaction &m_interaction;
    ResultsSink &m_results;

    std::vector<ServerEntry> m_servers;
    qx::Code m_lastCode = 0;
    qx::DsStatus m_lastDsStatus = 0;
    qx::Handle m_primaryConnection = 0;
    quint32 m_primaryReference = 0;
    qx::Context m_context = 0;
    bool m_hasContext = false;
    bool m_callsLibraryFlag = false;
    bool m_terminateRequested = false;
    bool m_sharesPrimary = false;
};
