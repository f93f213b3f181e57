#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

// Profile values by stored value name.
using ProfileValues = QMap<QString, QString>;

// The contact profile's storage: an INI file under $XDG_CONFIG_HOME, group "Orvane_Y2K", one string
// value per field under the names First, Last, Address1, ... Opened around each use and closed
// afterwards; a missing value reads as empty; values are stored exactly as given. A value that a data
// file cannot hold (a line break, a NUL, a tab or another control character) is never written, and a
// store that holds one, written by hand, reads as damaged. A store that is not a regular file or is
// larger than FileSizeMax cannot be read; a store that is a symbolic link is saved at its target.
//
// The group stands for the profile's key: the key exists when the file holds the section line
// "[Orvane_Y2K]", even with no values below it. Showing the profile window creates that line.
class ProfileStore
{
public:
    // The 16 value names in the order of the data file's contact block.
    static const QStringList &dataFileOrder();
    // The 16 value names in the order the profile is loaded and saved.
    static const QStringList &storageOrder();

    // Path of the INI file.
    static QString filePath();
    // The largest store (and file of values for it) that is read. A profile is 16 one-line values, a
    // few hundred bytes; a thousand times that leaves room for anything written by hand, while a
    // larger file is no profile and would only be taken into memory whole.
    static constexpr qint64 FileSizeMax = 1024 * 1024;

    // One value; empty when the value (or the whole store) is missing. On a store that cannot be
    // read, returns std::nullopt and sets *error to a sentence naming the file and the reason.
    static std::optional<QString> read(const QString &name, QString *error = nullptr);
    // Shorthand: a value, empty when missing or unreadable.
    static QString value(const QString &name) { return read(name).value_or(QString()); }

    // All 16 values, each present (empty when missing). With createKey, a store without the key gets
    // the empty key. On failure, std::nullopt and *error names the file and the system's reason.
    static std::optional<ProfileValues> readAll(bool createKey, QString *error = nullptr);
    // Writes the 16 values of storageOrder() (missing ones as empty strings) and nothing else. The file
    // is replaced in one step: on failure the stored profile is left as it was and *error says why.
    static bool writeAll(const ProfileValues &values, QString *error = nullptr);
    // Whether the key exists (see above).
    static bool keyExists();
};
