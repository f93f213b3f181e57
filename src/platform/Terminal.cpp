#include "platform/Terminal.h"

#include <QtGlobal>

namespace Terminal {

bool plain()
{
    return !qEnvironmentVariableIsEmpty("NO_COLOR") || qEnvironmentVariable("TERM") == QLatin1String("dumb");
}

} // namespace Terminal

void TerminalProgress::showProgress()
{
    m_visible = true;
    m_server = 0;
    if (m_enabled) {
        Terminal::watchResize();
        m_width = Terminal::columns(2);
    }
    draw();
}

void TerminalProgress::hideProgress()
{
    // The bar goes when the work ends: what the work did is in the results and messages.
    clear();
    if (m_enabled && m_visible)
        Terminal::unwatchResize();
    m_visible = false;
}

// Each change of the label or a bar draws the line again.
void TerminalProgress::setServerLabel(const QString &text)
{
    redraw(m_label, text);
}

void TerminalProgress::setServerProgress(int percent)
{
    redraw(m_server, percent);
}

void TerminalProgress::setTotalProgress(int percent)
{
    redraw(m_total, percent);
}

void TerminalProgress::clear()
{
    if (m_drawn)
        m_err << "\r\033[K" << Qt::flush;
    m_drawn = false;
}

void TerminalProgress::redraw()
{
    draw();
}

QString TerminalProgress::barLine(int width, int server, int total, const QString &label)
{
    // Two columns stay free for the "^C" the terminal echoes, so that it does not wrap the bar
    // onto a second line that clear() would not reach; and the last column is never written.
    const int room = qMax(0, width - 3);
    const QString figures = QStringLiteral("%1%  total %2%").arg(server).arg(total);
    // The bar gives way first, down to a few cells, then the label; the figures are cut last.
    const int barWidth = qBound(4, room - 2 - 1 - int(figures.size()) - 2 - 12, 20);
    const int filled = qBound(0, server, 100) * barWidth / 100;
    QString line = QLatin1Char('[') + QString(filled, QLatin1Char('#')) + QString(barWidth - filled, QLatin1Char(' ')) +
                   QStringLiteral("] ") + figures + QStringLiteral("  ") + label.left(40);
    return line.left(room);
}

void TerminalProgress::draw()
{
    if (!m_enabled || !m_visible)
        return;
    if (Terminal::resized())
        m_width = Terminal::columns(2);
    const QString line = barLine(m_width, m_server, m_total, m_label);
    m_err << "\r\033[K" << line << Qt::flush;
    m_drawn = true;
}
