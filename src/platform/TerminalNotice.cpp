#include "platform/TerminalNotice.h"

#include "platform/Terminal.h"

void TerminalNotice::show(const QString &text)
{
    if (!m_terminal)
        return;
    if (Terminal::plain()) {
        m_err << text << '\n' << Qt::flush;
        return;
    }
    // As the progress bar: the last column and two for an echoed "^C" stay free.
    m_err << "\r\033[K" << text.left(qMax(0, Terminal::columns(2) - 3)) << Qt::flush;
    m_drawn = true;
}

void TerminalNotice::remove()
{
    if (m_drawn)
        m_err << "\r\033[K" << Qt::flush;
    m_drawn = false;
}
