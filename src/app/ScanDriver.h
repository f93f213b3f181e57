#pragma once

#include "app/LastScan.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <map>
#include <optional>
#include <vector>

class ParallelScan;
class ProgressView;
class Session;
class TfrmReport;

// "Scan Servers": for every selected server in list order, prove it reachable, name its data file
// after its transport address and have the writer write it; one block of results-box lines per
// server, a per-server and an overall progress bar, and Abort. A headless scan may collect several
// servers at once (setJobs()); its results, data files and outcomes are those of the scan one
// server after the other.
class ScanDriver final
{
public:
    // At most this many servers at once.
    static constexpr int JobsMax = 64;

    enum class Result
    {
        Refused,
        Completed,
        Aborted
    };

    ScanDriver(Session &session, ProgressView &progress);

    // How many servers the scan collects at the same time, 1 to JobsMax; 1, the window's way, is
    // one after the other.
    void setJobs(int jobs) { m_jobs = jobs; }

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
    friend class ParallelScan;

    // How a server's turn went, up to the writer.
    struct Turn
    {
        bool reached = false;
        QByteArray dataFile;
        bool saved = false;
        QString error;
        // Abort came during its turn.
        bool aborted = false;
    };

    void scanServer(const QByteArray &server, TfrmReport &writer);
    // Proves the server reachable ("Could not attach" when not) and names its data file, which
    // becomes the session's current one; nothing when it cannot be reached.
    static std::optional<QByteArray> contact(Session &session, const QByteArray &server);
    static QByteArray addressId(Session &session);
    // Only a missing output directory is made; a file in its place makes the data file's write fail.
    static void makeOutputDirectory(Session &session);
    // The end of a server's turn, in list order: its outcome's lines, counts and serverDone.
    void account(const QByteArray &server, const Turn &turn);
    // The end of a server's turn: remembered for the next scan and told to serverDone.
    void told(const QByteArray &server, ServerOutcome outcome, const QByteArray &dataFile = {});
    void rememberScan();
    void noteSharedFileName(const QByteArray &server, const QByteArray &fileName);
    Result finish();

    Session &m_session;
    ProgressView &m_progress;
    int m_notSaved = 0;
    int m_unwritten = 0;
    std::vector<QByteArray> m_notSavedServers;
    std::map<QByteArray, QByteArray> m_savedAs; // data file name -> the server it holds
    int m_step = 0;
    int m_total = 0;
    int m_jobs = 1;
    int m_serversDone = 0;
    int m_serversToScan = 0;
    std::optional<LastScan::Recorder> m_record;
};
