#include "platform/Terminal.h"

#include <csignal>
#include <unistd.h>

namespace {
volatile std::sig_atomic_t g_interrupted = 0;

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The first stop signal asks the run to stop; a second one ends the program at once.
extern "C" void onInterrupt(int)
{
    g_interrupted = 1;
    for (const int stop : kStopSignals)
        std::signal(stop, SIG_DFL);
}
} // namespace

namespace Terminal {

bool isTerminal(int fd)
{
    return ::isatty(fd) == 1;
}

void catchInterrupt()
{
    g_interrupted = 0;
    for (const int stop : kStopSignals)
        std::signal(stop, onInterrupt);
    std::signal(SIGPIPE, SIG_IGN);
}

bool interrupted()
{
    return g_interrupted != 0;
}

void clearInterrupt()
{
    g_interrupted = 0;
}

void restoreInterrupt()
{
    for (const int stop : kStopSignals)
        std::signal(stop, SIG_DFL);
    std::signal(SIGPIPE, SIG_DFL);
}

} // namespace Terminal

void TerminalProgress::showProgress()
{
    m_visible = true;
    m_server = 0;
    draw();
}

void TerminalProgress::hideProgress()
{
    // The last drawing stays on its own line: the overall bar as the scan left it.
    if (m_enabled && m_visible) {
        m_label = QStringLiteral("done");
        draw();
        m_err << "\n" << Qt::flush;
    }
    m_drawn = false;
    m_visible = false;
}

void TerminalProgress::setServerLabel(const QString &text)
{
    m_label = text;
    draw();
}

void TerminalProgress::setServerProgress(int percent)
{
    m_server = percent;
    draw();
}

void TerminalProgress::setTotalProgress(int percent)
{
    m_total = percent;
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

void TerminalProgress::draw()
{
    if (!m_enabled || !m_visible)
        return;
    constexpr int width = 20;
    const int filled = qBound(0, m_server, 100) * width / 100;
    m_err << "\r\033[K[" << QString(filled, QLatin1Char('#')) << QString(width - filled, QLatin1Char(' ')) << "] "
          << m_server << "%  total " << m_total << "%  " << m_label.left(40) << Qt::flush;
    m_drawn = true;
}
