#include "cli/Console.h"

#include "platform/Drives.h"
#include "send/OutputDirectory.h"
#include "session/Product.h"

#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>

namespace {

// Whether the stream writes to the given standard descriptor and that is a terminal.
bool onTerminal(const QTextStream &stream, int fd)
{
    const auto *file = qobject_cast<const QFile *>(stream.device());
    return file && file->handle() == fd && Terminal::isTerminal(fd);
}

} // namespace

Console::Console(QTextStream &out, QTextStream &err, const QString &command)
    : m_out(out), m_err(err), m_command(command), m_colour(onTerminal(out, 1) && !Terminal::plain()),
      m_results([this](const QString &text, ResultsSink::Color color) { results(text, color); }), m_interaction(err),
      m_progress(err, &err != &out && onTerminal(err, 2) && !Terminal::plain())
{
    m_interaction.print = [this](const QString &text) { message(headlessWording(text)); };
}

bool Console::errOnTerminal() const
{
    return &m_err != &m_out && onTerminal(m_err, 2);
}

const QCommandLineOption &Console::jsonOption()
{
    static const QCommandLineOption option(QStringLiteral("json"),
                                           QStringLiteral("print the result as one JSON object (see the manual page)"));
    return option;
}

void Console::printJson(const QJsonObject &object)
{
    m_progress.clear();
    m_out << QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented)) << Qt::flush;
}

bool Console::outputClosed() const
{
    const auto *file = qobject_cast<const QFile *>(m_out.device());
    return m_out.status() == QTextStream::WriteFailed && file && Terminal::readerGone(file->handle());
}

QString Console::writeError(QTextStream &stream)
{
    stream.flush();
    if (stream.status() != QTextStream::WriteFailed)
        return {};
    const auto *file = qobject_cast<const QFile *>(stream.device());
    if (!file)
        return QStringLiteral("write failed");
    if (Terminal::readerGone(file->handle()))
        return {};
    return file->errorString();
}

void Console::results(const QString &text, ResultsSink::Color color)
{
    if (onResultsLine)
        onResultsLine(text, color);
    if (m_json)
        return;
    m_progress.clear();
    // A red line names a failure; where it names a file, say where that is on this computer.
    const QString shown = color == ResultsSink::Color::Red ? withHostPaths(text) : text;
    if (m_colour && color != ResultsSink::Color::Black)
        m_out << (color == ResultsSink::Color::Red ? "\033[31m" : "\033[34m") << shown << "\033[0m" << Qt::endl;
    else
        m_out << shown << Qt::endl;
    m_progress.redraw();
}

void Console::line(const QString &text)
{
    m_progress.clear();
    m_out << text << Qt::endl;
    m_progress.redraw();
}

void Console::message(const QString &text)
{
    m_progress.clear();
    m_out.flush();
    // Every line carries the prefix, so that each one found in a log names who said it.
    const QString prefix = QStringLiteral("sorvik ") + m_command + QStringLiteral(": ");
    QStringList lines = withHostPaths(text).split(QLatin1Char('\n'));
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast();
    for (const QString &line : lines)
        m_err << prefix << line << '\n';
    m_err.flush();
    m_progress.redraw();
}

QString Console::withHostPaths(const QString &text)
{
    static const QRegularExpression path(QRegularExpression::escape(Product::outputDirectory()) +
                                         QStringLiteral(R"((\\[^\s"']*)?(?![^\s"'.,;:)]))"));
    QString result;
    qsizetype from = 0;
    for (QRegularExpressionMatchIterator it = path.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        QString windowsPath = match.captured();
        // A full stop, comma, colon or semicolon after a path ends the sentence or the clause, not the
        // path.
        while (!windowsPath.isEmpty() && QStringView(u".,:;)").contains(windowsPath.back()))
            windowsPath.chop(1);
        const qsizetype end = match.capturedStart() + windowsPath.size();
        result += text.mid(from, end - from) + QStringLiteral(" (") + Drives::hostPath(windowsPath) + QLatin1Char(')');
        from = end;
    }
    return result + text.mid(from);
}

QString Console::headlessWording(const QString &text)
{
    static const struct
    {
        QString window;
        QString command;
    } wording[] = {
        {QStringLiteral("Please press the \"Send\" button"), QStringLiteral("Please run 'sorvik send'")},
        {QStringLiteral("click 'Save Profile'"), QStringLiteral("run 'sorvik profile --set Country=...'")},
        {QStringLiteral("Please fill out your profile and retry!"),
         QStringLiteral("Please fill out your profile ('sorvik profile --set NAME=VALUE') and retry!")},
    };
    QString result = text;
    for (const auto &w : wording)
        result.replace(w.window, w.command);
    return result;
}

std::unique_ptr<DirectoryLock> Console::lockOutputDirectory()
{
    QString refusal;
    std::unique_ptr<DirectoryLock> lock = OutputDirectory::startWork(m_results, &refusal);
    if (!lock)
        error(refusal);
    return lock;
}
