#include "platform/StateFile.h"

#include <QDir>

namespace StateFile {

QString directory()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return QDir::cleanPath(state + QStringLiteral("/sorvik"));
}

QString hostPath(const QString &name)
{
    return directory() + QLatin1Char('/') + name;
}

} // namespace StateFile
