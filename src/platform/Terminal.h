#pragma once

#include "platform/ProgressView.h"

#include <QTextStream>

// Terminal facts and the signals that stop a headless run.
namespace Terminal {

bool isTerminal(int fd);

// From now on the first Ctrl-C (SIGINT), SIGTERM or SIGHUP only raises a flag that interrupted()
// reports; the run decides what to do with it. A second one ends the program. A closed output
// pipe no longer ends the program either: writing to it fails, which the run notices.
// restoreInterrupt() gives the signals their default action back.
void catchInterrupt();
bool interrupted();
void clearInterrupt();
void restoreInterrupt();

} // namespace Terminal

// A one-line progress bar on standard error, drawn only when it is a terminal. Whoever prints a
// line while the bar is shown clears it first (clear()) and draws it again afterwards (redraw()),
// so the bar never shares a line with text.
class TerminalProgress final : public ProgressView
{
public:
    TerminalProgress(QTextStream &err, bool enabled) : m_err(err), m_enabled(enabled) {}

    void showProgress() override;
    void hideProgress() override;
    void setServerLabel(const QString &text) override;
    void setServerProgress(int percent) override;
    void setTotalProgress(int percent) override;

    void clear();
    void redraw();
    int total() const { return m_total; }

private:
    void draw();

    QTextStream &m_err;
    bool m_enabled;
    bool m_visible = false;
    bool m_drawn = false;
    QString m_label;
    int m_server = 0;
    int m_total = 0;
};
