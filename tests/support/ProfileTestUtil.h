#pragma once

#include "profile/ProfileStore.h"

#include <QFile>
#include <QSettings>

#include <unistd.h>

// Helpers shared by the profile tests.
namespace ProfileTestUtil {

// A complete profile that passes every check.
inline ProfileValues complete()
{
    ProfileValues values;
    for (const QString &name : ProfileStore::storageOrder())
        values.insert(name, QString());
    values[QStringLiteral("First")] = QStringLiteral("Ada");
    values[QStringLiteral("Last")] = QStringLiteral("Lovelace");
    values[QStringLiteral("Address1")] = QStringLiteral("12 St James's Square");
    values[QStringLiteral("City")] = QStringLiteral("London");
    values[QStringLiteral("State")] = QStringLiteral("Westminster");
    values[QStringLiteral("ZipCode")] = QStringLiteral("SW1Y 4JH");
    values[QStringLiteral("Country")] = QStringLiteral("United Kingdom");
    values[QStringLiteral("Phone")] = QStringLiteral("+44 20 0000 0000");
    values[QStringLiteral("Company")] = QStringLiteral("Analytical Engines Ltd");
    values[QStringLiteral("SendTo")] = QStringLiteral("ada@example.org");
    return values;
}

inline QByteArray fileBytes()
{
    QFile file(ProfileStore::filePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Permission bits do not stop the superuser; such tests are skipped then.
inline bool permissionsApply()
{
    return ::geteuid() != 0;
}

} // namespace ProfileTestUtil
