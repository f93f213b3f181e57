#include "platform/Terminal.h"

#include <QtGlobal>

namespace Terminal {

bool plain()
{
    return !qEnvironmentVariableIsEmpty("NO_COLOR") || qEnvironmentVariable("TERM") == QLatin1String("dumb");
}

} // namespace Terminal

namespace {

// "1:05", from an hour on "1:02:05".
QString clockText(qint64 milliseconds)
{
    const qint64 seconds = milliseconds / 1000;
    const QString minutes = QStringLiteral("%1:%2")
                                .arg(seconds / 60 % 60, seconds < 3600 ? 1 : 2, 10, QLatin1Char('0'))
                                .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return seconds < 3600 ? minutes : QString::number(seconds / 3600) + QLatin1Char(':') + minutes;
}

// The servers in work within room characters: the label when it speaks of the one server in work
// and fits ("Analyzing FS1"), else as many names as fit and how many more there are, or the start
// of the first name.
QString inWorkText(const QStringList &inWork, const QString &label, int room)
{
    if (inWork.isEmpty() || room <= 0)
        return {};
    if (inWork.size() == 1 && label.endsWith(inWork.front()) && label.size() <= room)
        return label;
    for (qsizetype shown = inWork.size(); shown > 0; --shown) {
        QString text = inWork.mid(0, shown).join(QStringLiteral(", "));
        if (shown < inWork.size())
            text += QStringLiteral(" +%1").arg(inWork.size() - shown);
        if (text.size() <= room)
            return text;
    }
    // A name cut to a letter or two says nothing.
    return room >= 6 ? inWork.front().left(room) : QString();
}

// The line with a count of servers: the figures are done of total, the time gone and the time left
// at the pace so far (from the first server done on).
QString countedLine(int room, int server, const QString &label, const TerminalProgress::Count &count)
{
    const int total = qMax(count.total, 1);
    const QString counted = QStringLiteral("%1%  %2/%3").arg(server).arg(count.done).arg(count.total);
    QString figures = counted + QStringLiteral(" (%1%)").arg(qBound(0, count.done, total) * 100 / total);
    QString times = clockText(count.elapsedMs);
    if (count.done > 0 && count.done < count.total)
        times += QStringLiteral(", ") + clockText(count.elapsedMs * (count.total - count.done) / count.done) +
                 QStringLiteral(" left");
    // The bar gives way first, down to a few cells, then the servers in work, then the overall
    // percentage, which the count says as well; the figures are cut last.
    const auto fixed = [&] { return int(figures.size() + 2 + times.size()) + 3; };
    if (fixed() + 4 > room)
        figures = counted;
    const int barWidth = qBound(4, room - fixed() - 2 - 12, 20);
    const int filled = qBound(0, server, 100) * barWidth / 100;
    QString line = QLatin1Char('[') + QString(filled, QLatin1Char('#')) + QString(barWidth - filled, QLatin1Char(' ')) +
                   QStringLiteral("] ") + figures + QStringLiteral("  ") + times;
    const QString work = inWorkText(count.inWork, label.left(40), int(room - line.size() - 2));
    if (!work.isEmpty())
        line += QStringLiteral("  ") + work;
    return line.left(room);
}

} // namespace

void TerminalProgress::showProgress()
{
    m_visible = true;
    m_server = 0;
    m_count.reset();
    m_clock.start();
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

void TerminalProgress::setServersDone(int done, int total, const QStringList &inWork)
{
    m_count = Count{done, total, 0, inWork};
    draw();
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

QString TerminalProgress::barLine(int width, int server, int total, const QString &label, const Count *count)
{
    // Two columns stay free for the "^C" the terminal echoes, so that it does not wrap the bar
    // onto a second line that clear() would not reach; and the last column is never written.
    const int room = qMax(0, width - 3);
    if (count)
        return countedLine(room, server, label, *count);
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
    if (m_count)
        m_count->elapsedMs = m_clock.elapsed();
    const QString line = barLine(m_width, m_server, m_total, m_label, m_count ? &*m_count : nullptr);
    m_err << "\r\033[K" << line << Qt::flush;
    m_drawn = true;
}
