#include "platform/Shell.h"

#include "platform/Drives.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace {

constexpr int kStarted = 33;
constexpr int kNotFound = 2;
constexpr int kBadFormat = 11;

QString textEditor()
{
    const QString chosen = qEnvironmentVariable("SORVIK_TEXT_EDITOR");
    if (!chosen.isEmpty())
        return chosen;
    for (const char *candidate :
         {"gnome-text-editor", "gedit", "kate", "kwrite", "mousepad", "xed", "pluma", "leafpad", "xdg-open"}) {
        const QString found = QStandardPaths::findExecutable(QLatin1String(candidate));
        if (!found.isEmpty())
            return found;
    }
    return QStringLiteral("xdg-open");
}

} // namespace

namespace Shell {

int startProgram(const QString &commandLine)
{
    const qsizetype blank = commandLine.indexOf(QLatin1Char(' '));
    const QString name = blank < 0 ? commandLine : commandLine.left(blank);
    const QString rest = blank < 0 ? QString() : commandLine.mid(blank + 1);

    const QString program = name.compare(QLatin1String("NOTEPAD.EXE"), Qt::CaseInsensitive) == 0 ? textEditor() : name;
    const QString executable = program.contains(QLatin1Char('/')) ? program : QStandardPaths::findExecutable(program);
    if (executable.isEmpty() || !QFileInfo(executable).isFile())
        return kNotFound;

    QStringList arguments;
    if (!rest.isEmpty())
        arguments.append(Drives::hostPath(rest));
    return QProcess::startDetached(executable, arguments) ? kStarted : kBadFormat;
}

} // namespace Shell
