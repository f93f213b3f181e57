#pragma once

#include "session/Session.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

// What the last scan of an output directory left: every server it was to scan, in list order, with
// its outcome, so that a later run can scan again the servers left without a data file (`sorvik
// scan --retry`, "Select servers not scanned"). It is kept outside the output directory, which the
// session archive empties and the user may wipe, in $XDG_STATE_HOME/sorvik (default
// ~/.local/state/sorvik, readable by its owner only), one file per output directory named after the
// directory's host path, and each scan replaces it whole.
namespace LastScan {

enum class Outcome
{
    Saved,
    Unreachable,
    NotWritten,
    // Abort came during its turn: its data file holds only the sections written so far.
    Aborted,
    // The scan ended before its turn.
    NotScanned
};

// The outcome's name as `sorvik scan --json` gives it: "saved", "unreachable", "not-written",
// "aborted", "not-scanned".
QLatin1String outcomeName(Outcome outcome);

struct Server
{
    QByteArray name;
    Outcome outcome;
};

// The file that holds the last scan of the output directory at hostDirectory.
QString filePath(const QString &hostDirectory);

// The last scan of the output directory at hostDirectory, in list order. Nothing when no scan of it
// is remembered; when the file is there but cannot be read or is damaged, nothing and *error says
// why.
std::optional<std::vector<Server>> read(const QString &hostDirectory, QString *error = nullptr);

// The servers of a scan that have no whole data file (every outcome but Saved), in list order.
std::vector<QByteArray> withoutDataFile(const std::vector<Server> &scan);

// The rows of the server list to scan again: the servers that the scan left without a data file,
// in list order (names compared ignoring case). Those no longer on the list go into *gone.
std::vector<std::size_t> rowsToRescan(const std::vector<Server> &scan, const std::vector<Session::ServerEntry> &list,
                                      std::vector<QByteArray> *gone = nullptr);

// A scan's outcome as it goes, whatever runs the servers: made with the servers to scan in list
// order, told each server's outcome as its turn ends (in any order), then saved over the last one.
// A server never told of was not scanned.
class Recorder final
{
public:
    explicit Recorder(const std::vector<QByteArray> &selected);

    void serverDone(const QByteArray &server, Outcome outcome);
    const std::vector<Server> &servers() const { return m_servers; }
    // Replaces the remembered scan of the output directory at hostDirectory in one step; false and
    // *error when it cannot be written.
    bool save(const QString &hostDirectory, QString *error) const;

private:
    std::vector<Server> m_servers;
    QHash<QByteArray, std::size_t> m_index;
};

} // namespace LastScan
