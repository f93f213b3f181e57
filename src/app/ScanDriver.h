#pragma once

#include "app/LastScan.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <map>
#include <optional>
#include <vector>

class ProgressView;
class Session;
class TfrmReport;

// "Scan Servers": for every selected server in list order, prove it reachable, name its data file
// after its transport address and have the writer write it; one block of results-box lines per
// server, a per-server and an overall progress bar, and Abort.
class ScanDriver final
{
public:
    enum class Result
    {
        Refused,
        Completed,
        Aborted
    };

    ScanDriver(Session &session, ProgressView &progress);

    // The main window's "Scan Servers" button and server list, disabled while a scan runs.
    std::function<void(bool enabled)> setControlsEnabled;

    enum class ServerOutcome
    {
        Saved,
        Unreachable,
        NotWritten,
        // Abort came during its turn: the data file holds the sections written so far.
        Aborted
    };
    // Told at the end of each server's turn, with its data file's name when one was saved.
    std::function<void(const QByteArray &server, ServerOutcome outcome, const QByteArray &dataFile)> serverDone;

    // Why a scan cannot start now (no server selected, the profile incomplete or unreadable), as the
    // text its box shows; nothing when it can.
    std::optional<QString> refusal() const;
    // The scan: the refusal's box, or every selected server in list order, then the closing box.
    Result run();
    // Servers of the last scan whose data file was not saved (unreachable or not written).
    int notSavedCount() const { return m_notSaved; }
    // Their names, in list order.
    const std::vector<QByteArray> &notSavedServers() const { return m_notSavedServers; }
    // How many of them were reached but their data file could not be written.
    int unwrittenCount() const { return m_unwritten; }

    // Base name of the current server's data file from its transport address: eight hex digits of
    // an IPX network number, the decimal digits of an IP address cut to their last eight, or empty.
    QByteArray ServerAddressId();

    // A server name made safe as a file name: characters a file name cannot hold, or that would
    // leave the output directory, become "_".
    static QByteArray safeFileName(const QByteArray &serverName);

private:
    void scanServer(const QByteArray &server, TfrmReport &writer);
    // The end of a server's turn: remembered for the next scan, told to serverDone, counted.
    void told(const QByteArray &server, ServerOutcome outcome, const QByteArray &dataFile = {});
    void rememberScan();
    void noteSharedFileName(const QByteArray &server);
    Result finish();

    Session &m_session;
    ProgressView &m_progress;
    int m_notSaved = 0;
    int m_unwritten = 0;
    std::vector<QByteArray> m_notSavedServers;
    std::map<QByteArray, QByteArray> m_savedAs; // data file name -> the server it holds
    int m_step = 0;
    int m_total = 0;
    int m_serversDone = 0;
    int m_serversToScan = 0;
    std::optional<LastScan::Recorder> m_record;
};
