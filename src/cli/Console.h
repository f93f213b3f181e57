#pragma once

#include "cli/StreamResults.h"
#include "platform/DirectoryLock.h"
#include "platform/HeadlessInteraction.h"
#include "platform/Terminal.h"

#include <QCommandLineOption>
#include <QJsonObject>
#include <QString>
#include <QTextStream>

#include <functional>
#include <memory>

// What a headless command prints through. The results lines go to standard output in one ordered
// stream (red and blue lines in colour when it is a terminal); the messages of the interaction
// seam and the command's own error lines go to standard error; the progress bar on standard error
// is cleared before any line is printed and drawn again after it. Colours and line control only
// on a terminal and only when the user has not asked for plain text (NO_COLOR, TERM=dumb).
//
// With --json a command prints one JSON object on standard output instead of its listing and
// results lines (printJson()); messages stay on standard error as they are.
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
    // Whether the messages go to standard error and that is a terminal.
    bool errOnTerminal() const;

    // The --json option a command declares when it can print JSON.
    static const QCommandLineOption &jsonOption();
    // Whether the command was asked for JSON; set by the command line from --json.
    bool json() const { return m_json; }
    void setJson(bool json) { m_json = json; }
    // The command's whole output as one JSON document on standard output (indented, ending with a
    // line break).
    void printJson(const QJsonObject &object);

    // Told of every results line, in both modes, e.g. to gather the red lines for JSON.
    std::function<void(const QString &text, ResultsSink::Color color)> onResultsLine;

    // One line on standard output, e.g. a listing.
    void line(const QString &text);
    // One message on standard error as "sorvik COMMAND: text", on each of its lines, each
    // output-directory path followed by its host path.
    void message(const QString &text);
    void error(const QString &text) { message(text); }

    // Takes the output directory's lock for the command's run and tidies what a killed run left in
    // the directory; nullptr, with the reason said, when another session holds it.
    std::unique_ptr<DirectoryLock> lockOutputDirectory();

    // Whether standard output can no longer be written because its reader has gone (a closed
    // pipe): the run stops cleanly and says nothing of it.
    bool outputClosed() const;
    // Why the stream could not be written (e.g. "No space left on device"); empty when everything
    // was written or only the reader went away.
    static QString writeError(QTextStream &stream);

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
    bool m_json = false;
    StreamResults m_results;
    HeadlessInteraction m_interaction;
    TerminalProgress m_progress;
};
