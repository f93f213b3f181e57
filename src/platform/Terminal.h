#pragma once

#include "platform/ProgressView.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QStringList>
#include <QTextStream>

#include <optional>

// Terminal facts and the signals that stop a headless run.
namespace Terminal {

bool isTerminal(int fd);
// Gives each standard descriptor (0, 1, 2) that the program was started without a stand-in on
// which every read or write fails with "Bad file descriptor", as on the closed one. Without it the
// first file the program opens would take that number, and reading standard input or writing
// standard output would reach that file. Call first thing in main().
void holdClosedStandardDescriptors();
// Whether the user asked for plain text on terminals: NO_COLOR set (and not empty) or TERM=dumb.
// Then nothing but text is written: no colour, no cursor or line control.
bool plain();
// The width of the terminal on the descriptor in columns; 80 when it does not say.
int columns(int fd);
// Whether the descriptor is a pipe or socket whose reading end has gone: writing to it can only
// fail, and that is the reader's choice, not a fault.
bool readerGone(int fd);

// From now on the first Ctrl-C (SIGINT), SIGTERM or SIGHUP only raises a flag that interrupted()
// reports; the run decides what to do with it. A second one ends the program. A closed output
// pipe no longer ends the program either: writing to it fails, which the run notices.
// restoreInterrupt() gives the signals their default action back. A signal that was ignored when
// the program started (nohup, a background job) stays ignored throughout.
void catchInterrupt();
bool interrupted();
void restoreInterrupt();
// When a stop signal was caught, ends the program by that signal (its default action), so the
// caller sees the program was stopped by it (a shell reports 128 + the signal's number); else
// returns.
void endByCaughtSignal();

// From now on a change of the terminal's size raises a flag that resized() reports once.
void watchResize();
bool resized();
void unwatchResize();

// The first line of standard input, read a byte at a time so that nothing after it is taken; its
// line break (and a CR before it) is not part of it, and an empty line is an empty text. Nothing
// when the input ends before its first character or cannot be read: then *error holds the
// system's reason, or stays empty at the end of the input.
std::optional<QByteArray> readInputLine(QString *error);
// The same from standard input, a terminal, after the prompt on standard error, with echo off. A
// stop signal during the reading gives the terminal its echo back before it ends the program.
std::optional<QByteArray> readSecretLine(const char *prompt, QString *error);

} // namespace Terminal

// A one-line progress bar on standard error, drawn only when it is a terminal and the user has not
// asked for plain text (a bar is redrawn in place, which plain text cannot do), cut to the
// terminal's width. Whoever prints a line while the bar is shown clears it first (clear()) and
// draws it again afterwards (redraw()), so the bar never shares a line with text. When the work
// ends the bar is removed.
class TerminalProgress final : public ProgressView
{
public:
    TerminalProgress(QTextStream &err, bool enabled) : m_err(err), m_enabled(enabled) {}

    void showProgress() override;
    void hideProgress() override;
    void setServerLabel(const QString &text) override;
    void setServerProgress(int percent) override;
    void setTotalProgress(int percent) override;
    void setServersDone(int done, int total, const QStringList &inWork) override;

    void clear();
    void redraw();
    int total() const { return m_total; }

    // The count of a scan's servers, when the work has one: the overall figure is then done of
    // total, with the time gone since the bar was shown and an estimate of the time left.
    struct Count
    {
        int done = 0;
        int total = 0;
        qint64 elapsedMs = 0;
        QStringList inWork;
    };
    // The line drawn for the values at the given width, never longer than width - 3 characters:
    // room for the terminal's echo of Ctrl-C ("^C"), and nothing in the last column, which moves
    // the cursor to the next line on some terminals.
    static QString barLine(int width, int server, int total, const QString &label, const Count *count = nullptr);

private:
    void draw();
    template <typename T> void redraw(T &field, const T &value)
    {
        field = value;
        draw();
    }

    QTextStream &m_err;
    bool m_enabled;
    bool m_visible = false;
    bool m_drawn = false;
    int m_width = 80;
    QString m_label;
    int m_server = 0;
    int m_total = 0;
    std::optional<Count> m_count;
    QElapsedTimer m_clock;
};
