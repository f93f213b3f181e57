#include "platform/Shell.h"

#include "platform/Desktop.h"
#include "platform/Drives.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

namespace Shell {

QString chosenTextEditor()
{
    return qEnvironmentVariable("SORVIK_TEXT_EDITOR");
}

} // namespace Shell

namespace {

constexpr int kStarted = 33;
constexpr int kNotFound = 2;
constexpr int kBadFormat = 11;

// The program and first arguments that stand for NOTEPAD.EXE.
QStringList textEditor()
{
    const QString chosen = Shell::chosenTextEditor();
    if (!chosen.isEmpty())
        return {chosen};
    const QStringList preferred = Desktop::current().plainTextEditor();
    if (!preferred.isEmpty())
        return preferred;
    return {QStringLiteral("xdg-open")};
}

} // namespace

namespace Shell {

int startProgram(const QString &commandLine)
{
    const qsizetype blank = commandLine.indexOf(QLatin1Char(' '));
    const QString name = blank < 0 ? commandLine : commandLine.left(blank);
    const QString rest = blank < 0 ? QString() : commandLine.mid(blank + 1);

    QStringList command =
        name.compare(QLatin1String("NOTEPAD.EXE"), Qt::CaseInsensitive) == 0 ? textEditor() : QStringList{name};
    const QString program = command.takeFirst();
    const QString executable = program.contains(QLatin1Char('/')) ? program : QStandardPaths::findExecutable(program);
    if (executable.isEmpty() || !QFileInfo(executable).isFile())
        return kNotFound;

    if (!rest.isEmpty())
        command.append(Drives::hostPath(rest));
    return Desktop::current().startDetached(executable, command) ? kStarted : kBadFormat;
}

} // namespace Shell
