#include "platform/Terminal.h"

#include <csignal>
#include <unistd.h>

namespace {
volatile std::sig_atomic_t g_interrupted = 0;

// The first Ctrl-C asks the run to stop; a second one ends the program at once.
extern "C" void onInterrupt(int)
{
    g_interrupted = 1;
    std::signal(SIGINT, SIG_DFL);
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
    std::signal(SIGINT, onInterrupt);
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
    std::signal(SIGINT, SIG_DFL);
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
    if (m_enabled && m_visible)
        m_err << "\r\033[K" << Qt::flush;
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

void TerminalProgress::draw()
{
    if (!m_enabled || !m_visible)
        return;
    constexpr int width = 20;
    const int filled = qBound(0, m_server, 100) * width / 100;
    m_err << "\r\033[K[" << QString(filled, QLatin1Char('#')) << QString(width - filled, QLatin1Char(' ')) << "] "
          << m_server << "%  total " << m_total << "%  " << m_label.left(40) << Qt::flush;
}
