#pragma once

#include "cli/StreamResults.h"
#include "platform/HeadlessInteraction.h"
#include "platform/Terminal.h"

#include <QString>
#include <QTextStream>

// What a headless command prints through: the results lines, the messages of the interaction seam
// and the progress bar, plus the command's own error lines, all named after the command.
class Console final
{
public:
    Console(QTextStream &out, QTextStream &err, const QString &command);
    Q_DISABLE_COPY_MOVE(Console)

    QTextStream &out() { return m_out; }
    QTextStream &err() { return m_err; }

    ResultsSink &results() { return m_results; }
    HeadlessInteraction &interaction() { return m_interaction; }
    TerminalProgress &progress() { return m_progress; }

    // "sorvik COMMAND: text" on standard error.
    void error(const QString &text);

private:
    QTextStream &m_out;
    QTextStream &m_err;
    QString m_command;
    StreamResults m_results;
    HeadlessInteraction m_interaction;
    TerminalProgress m_progress;
};
