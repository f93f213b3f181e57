#include "platform/Terminal.h"

#include <QtGlobal>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {
// The stop signal caught, or 0.
volatile std::sig_atomic_t g_signal = 0;
volatile std::sig_atomic_t g_resized = 0;

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The signals that were ignored when the program started, as `nohup` does with SIGHUP and a shell
// with SIGINT for a background job: whoever started us asked that they not stop us, so they are
// left alone. Read before main(), while every action is still the inherited one.
sigset_t inheritedIgnored()
{
    sigset_t set;
    sigemptyset(&set);
    for (const int inherited : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        struct sigaction action
        {
        };
        if (::sigaction(inherited, nullptr, &action) == 0 && action.sa_handler == SIG_IGN)
            sigaddset(&set, inherited);
    }
    return set;
}
const sigset_t g_ignoredAtStart = inheritedIgnored();

bool ignoredAtStart(int signal)
{
    return sigismember(&g_ignoredAtStart, signal) == 1;
}

// Gives each stop signal the handler, except one ignored at start, which stays ignored.
void handleStopSignals(void (*handler)(int))
{
    for (const int stop : kStopSignals) {
        if (!ignoredAtStart(stop))
            std::signal(stop, handler);
    }
}

// The first stop signal asks the run to stop; a second one ends the program at once.
extern "C" void onInterrupt(int signal)
{
    g_signal = signal;
    handleStopSignals(SIG_DFL);
}

extern "C" void onResize(int)
{
    g_resized = 1;
}

// The terminal's settings while a password is read without echo, given back on a stop signal.
termios g_savedTerminal;

extern "C" void onSignalWhileSecret(int signal)
{
    ::tcsetattr(STDIN_FILENO, TCSANOW, &g_savedTerminal);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}
} // namespace

namespace Terminal {

bool isTerminal(int fd)
{
    return ::isatty(fd) == 1;
}

void holdClosedStandardDescriptors()
{
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // Opened the other way round: standard input for writing only, the outputs for reading only.
        const int standIn = ::open("/dev/null", (fd == STDIN_FILENO ? O_WRONLY : O_RDONLY) | O_CLOEXEC);
        if (standIn >= 0 && standIn != fd) {
            ::dup3(standIn, fd, O_CLOEXEC);
            ::close(standIn);
        }
    }
}

int columns(int fd)
{
    winsize size{};
    if (::ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

bool readerGone(int fd)
{
    pollfd entry{fd, POLLOUT, 0};
    return ::poll(&entry, 1, 0) == 1 && (entry.revents & POLLERR) != 0;
}

void catchInterrupt()
{
    g_signal = 0;
    handleStopSignals(onInterrupt);
    std::signal(SIGPIPE, SIG_IGN);
}

bool interrupted()
{
    return g_signal != 0;
}

void restoreInterrupt()
{
    handleStopSignals(SIG_DFL);
    std::signal(SIGPIPE, ignoredAtStart(SIGPIPE) ? SIG_IGN : SIG_DFL);
}

void endByCaughtSignal()
{
    const int signal = g_signal;
    if (signal == 0)
        return;
    std::signal(signal, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    ::sigprocmask(SIG_UNBLOCK, &set, nullptr);
    std::raise(signal);
}

void watchResize()
{
    g_resized = 0;
    std::signal(SIGWINCH, onResize);
}

bool resized()
{
    if (g_resized == 0)
        return false;
    g_resized = 0;
    return true;
}

void unwatchResize()
{
    std::signal(SIGWINCH, SIG_DFL);
}

std::optional<QByteArray> readInputLine(QString *error)
{
    QByteArray line;
    char c = 0;
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, &c, 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            *error = QString::fromLocal8Bit(std::strerror(errno));
            return std::nullopt;
        }
        if (got == 0 && line.isEmpty())
            return std::nullopt;
        if (got == 0 || c == '\n')
            break;
        line.append(c);
    }
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

std::optional<QByteArray> readSecretLine(const char *prompt, QString *error)
{
    const bool saved = ::tcgetattr(STDIN_FILENO, &g_savedTerminal) == 0;
    using Handler = void (*)(int);
    Handler previous[std::size(kStopSignals)];
    if (saved) {
        for (std::size_t i = 0; i < std::size(kStopSignals); ++i)
            previous[i] = ignoredAtStart(kStopSignals[i]) ? SIG_IGN : std::signal(kStopSignals[i], onSignalWhileSecret);
        termios silent = g_savedTerminal;
        silent.c_lflag &= ~tcflag_t(ECHO);
        silent.c_lflag |= ECHONL;
        // Input typed ahead is kept: it may be the password.
        ::tcsetattr(STDIN_FILENO, TCSADRAIN, &silent);
    }
    // The prompt comes when the echo is off, so what is typed after it is never shown; unbuffered,
    // so it stands before the reading starts.
    std::optional<QByteArray> line;
    if (::write(STDERR_FILENO, prompt, qstrlen(prompt)) >= 0)
        line = readInputLine(error);
    else
        *error = QString::fromLocal8Bit(std::strerror(errno));
    if (saved) {
        ::tcsetattr(STDIN_FILENO, TCSADRAIN, &g_savedTerminal);
        for (std::size_t i = 0; i < std::size(kStopSignals); ++i)
            std::signal(kStopSignals[i], previous[i]);
    }
    return line;
}

} // namespace Terminal
