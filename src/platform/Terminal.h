#pragma once

#include "platform/ProgressView.h"

#include <QTextStream>

// Terminal facts and Ctrl-C for the headless commands.
namespace Terminal {

bool isTerminal(int fd);

// From now on the first Ctrl-C (SIGINT) only raises a flag that interrupted() reports; the run
// decides what to do with it. A second Ctrl-C ends the program. restoreInterrupt() gives the
// signal its default action back.
void catchInterrupt();
bool interrupted();
void clearInterrupt();
void restoreInterrupt();

} // namespace Terminal

// A one-line progress bar on standard error, drawn only when it is a terminal.
class TerminalProgress final : public ProgressView
{
public:
    TerminalProgress(QTextStream &err, bool enabled) : m_err(err), m_enabled(enabled) {}

    void showProgress() override;
    void hideProgress() override;
    void setServerLabel(const QString &text) override;
    void setServerProgress(int percent) override;
    void setTotalProgress(int percent) override;

private:
    void draw();

    QTextStream &m_err;
    bool m_enabled;
    bool m_visible = false;
    QString m_label;
    int m_server = 0;
    int m_total = 0;
};
