#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The contact profile's storage: an INI file under $XDG_CONFIG_HOME, group "Orvane_Y2K", one string
// value per field under the names First, Last, Address1, ... Opened around each use and closed
// afterwards; a missing value reads as empty; values are stored exactly as given.
class ProfileStore
{
public:
    // The 16 value names in the order of the data file's contact block.
    static const QStringList &dataFileOrder();
    // The 16 value names in the order the profile is loaded and saved.
    static const QStringList &storageOrder();

    // Path of the INI file.
    static QString filePath();

    // One value; empty when the value (or the whole store) is missing. On a store that cannot be
    // read, returns std::nullopt and sets *error to a sentence naming the file and the reason.
    static std::optional<QString> read(const QString &name, QString *error = nullptr);
    // Shorthand: a value, empty when missing or unreadable.
    static QString value(const QString &name) { return read(name).value_or(QString()); }
};
