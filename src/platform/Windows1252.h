#pragma once

#include <QByteArray>
#include <QString>

// Texts from a server and every line of a server data file are Windows-1252 bytes.
namespace Windows1252 {

// Bytes to text for showing; the five unassigned bytes map to the C1 controls of the same value.
QString toUnicode(const QByteArray &bytes);
// Text to bytes; a character the code page cannot hold becomes "?".
QByteArray fromUnicode(const QString &text);

} // namespace Windows1252
