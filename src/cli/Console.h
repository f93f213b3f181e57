#pragma once

#include "cli/StreamResults.h"
#include "platform/DirectoryLock.h"
#include "platform/HeadlessInteraction.h"
#include "platform/Terminal.h"

#include <QString>
#include <QTextStream>

#include <memory>

// What a headless command prints through. The results lines go to standard output in one ordered
// stream (red and blue lines in colour when it is a terminal); the messages of the interaction
// seam and the command's own error lines go to standard error; the progress bar on standard error
// is cleared before any line is printed and drawn again after it.
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

    // One line on standard output, e.g. a listing.
    void line(const QString &text);
    // One message line on standard error, each output-directory path followed by its host path.
    void message(const QString &text);
    // "sorvik COMMAND: text" as a message.
    void error(const QString &text);

    // Takes the output directory's lock for the command's run and tidies what a killed run left in
    // the directory; nullptr, with the reason said, when another session holds it.
    std::unique_ptr<DirectoryLock> lockOutputDirectory();

    // Whether standard output can no longer be written (a closed pipe).
    bool outputClosed() const { return m_out.status() == QTextStream::WriteFailed; }

    // Each "C:\Orvane\Sorvik..." path of the text followed by its host path in parentheses.
    static QString withHostPaths(const QString &text);
    // A message of the window in the words of the commands: where the window names a button, the
    // command names the command.
    static QString headlessWording(const QString &text);

private:
    void results(const QString &text, ResultsSink::Color color);

    QTextStream &m_out;
    QTextStream &m_err;
    QString m_command;
    bool m_colour;
    StreamResults m_results;
    HeadlessInteraction m_interaction;
    TerminalProgress m_progress;
};
