#pragma once

#include <QString>
#include <QTextStream>

// A line on standard error that says what the program is busy with while nothing else shows it,
// e.g. "Loading the network description big.json...". On a terminal it is drawn in place, cut to
// the terminal's width, and removed when the work is done; where the user asked for plain text it
// stays as a line of its own; elsewhere (a file, a pipe) nothing is written.
class TerminalNotice final
{
public:
    // `terminal`: whether the stream writes to standard error and that is a terminal.
    TerminalNotice(QTextStream &err, bool terminal) : m_err(err), m_terminal(terminal) {}
    ~TerminalNotice() { remove(); }
    TerminalNotice(const TerminalNotice &) = delete;
    TerminalNotice &operator=(const TerminalNotice &) = delete;

    void show(const QString &text);
    void remove();

private:
    QTextStream &m_err;
    bool m_terminal;
    bool m_drawn = false;
};
