#include "profile/ProfileStore.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {
const QString kGroup = QStringLiteral("Orvane_Y2K");
}

const QStringList &ProfileStore::dataFileOrder()
{
    static const QStringList names = {
        QStringLiteral("First"),   QStringLiteral("Last"),    QStringLiteral("Title"),    QStringLiteral("Address1"),
        QStringLiteral("Address2"), QStringLiteral("Address3"), QStringLiteral("City"),   QStringLiteral("State"),
        QStringLiteral("ZipCode"), QStringLiteral("Country"), QStringLiteral("Email"),    QStringLiteral("Phone"),
        QStringLiteral("Fax"),     QStringLiteral("Company"), QStringLiteral("SendTo"),   QStringLiteral("Reseller"),
    };
    return names;
}

const QStringList &ProfileStore::storageOrder()
{
    static const QStringList names = {
        QStringLiteral("First"),   QStringLiteral("Last"),   QStringLiteral("Address1"), QStringLiteral("Address2"),
        QStringLiteral("Address3"), QStringLiteral("City"),  QStringLiteral("State"),    QStringLiteral("ZipCode"),
        QStringLiteral("Email"),   QStringLiteral("Phone"),  QStringLiteral("Fax"),      QStringLiteral("Company"),
        QStringLiteral("SendTo"),  QStringLiteral("Country"), QStringLiteral("Reseller"), QStringLiteral("Title"),
    };
    return names;
}

QString ProfileStore::filePath()
{
    QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (configHome.isEmpty())
        configHome = QDir::homePath() + QStringLiteral("/.config");
    return configHome + QStringLiteral("/sorvik/profile.ini");
}

std::optional<QString> ProfileStore::read(const QString &name, QString *error)
{
    const QString path = filePath();
    QFileInfo info(path);
    if (info.exists() && !info.isReadable()) {
        if (error)
            *error = QStringLiteral("Cannot read the profile file %1: permission denied").arg(path);
        return std::nullopt;
    }
    QSettings settings(path, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) {
        if (error)
            *error = QStringLiteral("Cannot read the profile file %1: it is damaged").arg(path);
        return std::nullopt;
    }
    settings.beginGroup(kGroup);
    return settings.value(name).toString();
}
