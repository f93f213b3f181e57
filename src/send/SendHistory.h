#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

// The send history: one record for each send that did something, kept in the user's state
// directory (send-history.jsonl), one JSON object a line, only ever appended. What a record holds is
// the send use case's to say (send/Sending.h); here it is kept and read back. A damaged history
// never stops a send: its problem is said and what can be read is read.
namespace SendHistory {

// The history file on this computer.
QString hostPath();

// Appends one record. A line that an earlier append left unfinished is closed first, so the new
// record stands on a line of its own. Returns the problem to warn of, empty when there is none: the
// file cannot be written, or what it held already cannot be read or is damaged.
QString append(const QJsonObject &record);

// Every record that reads whole, newest first; *problem names an unreadable file or the damaged
// lines that were skipped (empty when there is none). No file is an empty history.
QList<QJsonObject> read(QString *problem);

} // namespace SendHistory
