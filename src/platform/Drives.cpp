#include "platform/Drives.h"

#include <QDir>
#include <QStandardPaths>
#include <QStringList>

namespace Drives {

namespace {

QString mapping(QChar letter)
{
    const QString variable = QStringLiteral("SORVIK_DRIVE_") + letter.toUpper();
    return qEnvironmentVariable(variable.toLatin1().constData());
}

} // namespace

bool isMapped(QChar letter)
{
    return !mapping(letter).isEmpty();
}

QString driveRoot(QChar letter)
{
    const QChar upper = letter.toUpper();
    const QString mapped = mapping(letter);
    if (!mapped.isEmpty())
        return QDir::cleanPath(mapped);
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty())
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(dataHome + QStringLiteral("/sorvik/drive_") + upper.toLower());
}

QString hostPath(const QString &windowsPath)
{
    QChar letter = QLatin1Char('C');
    QString rest = windowsPath;
    if (rest.size() >= 2 && rest.at(1) == QLatin1Char(':') && rest.at(0).isLetter()) {
        letter = rest.at(0);
        rest = rest.mid(2);
    }
    rest.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QStringList parts;
    for (const QString &part : rest.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            if (!parts.isEmpty())
                parts.removeLast();
            continue;
        }
        parts.append(part);
    }
    const QString root = driveRoot(letter);
    return parts.isEmpty() ? root : root + QLatin1Char('/') + parts.join(QLatin1Char('/'));
}

bool isRemovable(const QString &windowsPath)
{
    return windowsPath.size() >= 2 && windowsPath.at(1) == QLatin1Char(':') &&
           windowsPath.at(0).toUpper() == QLatin1Char('A');
}

} // namespace Drives
