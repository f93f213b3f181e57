#include "profile/ProfileStore.h"

#include "platform/AtomicFile.h"
#include "platform/SmallFile.h"
#include "profile/ProfileRules.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

#include <filesystem>
#include <system_error>

namespace {
const QString kGroup = QStringLiteral("Orvane_Y2K");
const QByteArray kGroupLine = QByteArrayLiteral("[Orvane_Y2K]");

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

QString readFailure(const QString &path, const QString &reason)
{
    return QStringLiteral("Cannot read the profile file %1: %2").arg(QDir::toNativeSeparators(path), reason);
}

QString writeFailure(const QString &path, const QString &reason)
{
    return QStringLiteral("Cannot save the profile file %1: %2").arg(QDir::toNativeSeparators(path), reason);
}

// The file's bytes; empty when there is no file. Anything but a small regular file is refused
// before it is opened: every command and the window read the store, and a pipe put in its place
// would hang them all, a device or a huge file exhaust the memory.
std::optional<QByteArray> fileBytes(const QString &path, QString *error)
{
    if (!QFileInfo::exists(path))
        return QByteArray();
    QString reason;
    std::optional<QByteArray> bytes = SmallFile::read(path, ProfileStore::FileSizeMax, &reason);
    if (!bytes)
        setError(error, readFailure(path, reason));
    return bytes;
}

bool hasGroupLine(const QByteArray &bytes)
{
    const QList<QByteArray> lines = bytes.split('\n');
    for (const QByteArray &line : lines) {
        if (line.trimmed() == kGroupLine)
            return true;
    }
    return false;
}

QString settingsText(const QSettings &settings, const QString &name)
{
    const QVariant value = settings.value(name);
    // A hand-edited line "a, b" comes back as a list.
    if (value.metaType().id() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

// Reads the named values from the file; missing ones are empty.
std::optional<ProfileValues> readValues(const QStringList &names, QString *error)
{
    const QString path = ProfileStore::filePath();
    // Opening checks readability and gives the system's reason, which QSettings does not.
    if (!fileBytes(path, error))
        return std::nullopt;
    ProfileValues values;
    for (const QString &name : names)
        values.insert(name, QString());
    if (!QFileInfo::exists(path))
        return values;
    QSettings settings(path, QSettings::IniFormat);
    // The file is parsed on the first look at its keys; only then does a damaged one show.
    settings.allKeys();
    if (settings.status() != QSettings::NoError) {
        setError(error, readFailure(path, QStringLiteral("it is damaged")));
        return std::nullopt;
    }
    settings.beginGroup(kGroup);
    // A hand-edited value that a save would refuse (a NUL, a tab, a line break) must not reach a data
    // file: whichever value is asked for, such a store is damaged.
    for (const QString &name : ProfileStore::storageOrder()) {
        if (const std::optional<QString> fault = ProfileRules::valueFault(settingsText(settings, name))) {
            setError(error,
                     readFailure(path, QStringLiteral("it is damaged (the value %1 holds %2)").arg(name, *fault)));
            return std::nullopt;
        }
    }
    for (const QString &name : names)
        values[name] = settingsText(settings, name);
    return values;
}

// Replaces the file with bytes in one step, making its folder when missing. A store that is a
// symbolic link (into a folder of the user's settings kept elsewhere) stays one: the file it points
// to is what is replaced.
bool replaceFile(const QString &path, const QByteArray &bytes, QString *error)
{
    const std::optional<QString> target = AtomicFile::linkTarget(path);
    if (!target) {
        setError(error, writeFailure(path, QStringLiteral("its symbolic links go round in a loop")));
        return false;
    }
    std::error_code code;
    std::filesystem::create_directories(
        std::filesystem::path(QFile::encodeName(QFileInfo(*target).absolutePath()).toStdString()), code);
    if (code) {
        setError(error, writeFailure(path, QString::fromLocal8Bit(code.message())));
        return false;
    }
    const QFileInfo before(*target);
    const QDateTime oldTime = before.exists() ? before.lastModified() : QDateTime();

    // The profile holds personal contact data: the new file is readable by its owner only.
    AtomicFile file(*target);
    if (!file.open() || !file.write(bytes) || !file.commit()) {
        setError(error, writeFailure(path, file.errorString()));
        return false;
    }
    // QSettings keeps files it has read and rereads one only when its size or modification time
    // changed. Two saves of equal length within the file system's time resolution would look
    // unchanged to a reader in this process, so the time is kept strictly increasing.
    if (oldTime.isValid()) {
        for (const qint64 step : {qint64(1), qint64(1000), qint64(2000)}) {
            if (QFileInfo(*target).lastModified() > oldTime)
                break;
            QFile touched(*target);
            if (!touched.open(QIODevice::ReadOnly) ||
                !touched.setFileTime(oldTime.addMSecs(step), QFileDevice::FileModificationTime))
                break;
        }
    }
    return true;
}

// The file's new contents: the old ones with the profile's values replaced. QSettings does the
// formatting in a scratch file so that the real file is only ever replaced whole.
std::optional<QByteArray> withValues(const QString &path, const QByteArray &old, const ProfileValues &values,
                                     QString *error)
{
    QTemporaryDir scratchDir;
    if (!scratchDir.isValid()) {
        setError(error, writeFailure(path, scratchDir.errorString()));
        return std::nullopt;
    }
    const QString scratch = scratchDir.filePath(QStringLiteral("profile.ini"));
    auto writeScratch = [&](const QByteArray &bytes) {
        QFile file(scratch);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size())
            return true;
        setError(error, writeFailure(path, file.errorString()));
        return false;
    };
    if (!writeScratch(old))
        return std::nullopt;
    bool damaged = false;
    {
        QSettings parsed(scratch, QSettings::IniFormat);
        parsed.allKeys(); // the file is parsed on the first look at its keys
        damaged = parsed.status() != QSettings::NoError;
    }
    // A damaged file is replaced by the profile alone rather than blocking every save.
    if (damaged && !writeScratch(QByteArray()))
        return std::nullopt;
    {
        QSettings settings(scratch, QSettings::IniFormat);
        settings.beginGroup(kGroup);
        for (const QString &name : ProfileStore::storageOrder())
            settings.setValue(name, values.value(name));
        settings.endGroup();
        settings.sync();
        if (settings.status() != QSettings::NoError) {
            setError(error, writeFailure(path, QStringLiteral("the values could not be formatted")));
            return std::nullopt;
        }
    }
    QString scratchError;
    auto bytes = fileBytes(scratch, &scratchError);
    if (!bytes)
        setError(error, writeFailure(path, scratchError));
    return bytes;
}

} // namespace

const QStringList &ProfileStore::dataFileOrder()
{
    static const QStringList names = ProfileRules::namesInOrder(&ProfileRules::Field::dataFile);
    return names;
}

const QStringList &ProfileStore::storageOrder()
{
    static const QStringList names = ProfileRules::namesInOrder(&ProfileRules::Field::stored);
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
    auto values = readValues({name}, error);
    if (!values)
        return std::nullopt;
    return values->value(name);
}

std::optional<ProfileValues> ProfileStore::readAll(bool createKey, QString *error)
{
    const QString path = filePath();
    if (createKey) {
        const auto old = fileBytes(path, error);
        if (!old)
            return std::nullopt;
        if (!hasGroupLine(*old)) {
            QByteArray bytes = *old;
            if (!bytes.isEmpty() && !bytes.endsWith('\n'))
                bytes.append('\n');
            bytes.append(kGroupLine + '\n');
            if (!replaceFile(path, bytes, error))
                return std::nullopt;
        }
    }
    return readValues(storageOrder(), error);
}

bool ProfileStore::writeAll(const ProfileValues &values, QString *error)
{
    const QString path = filePath();
    // What a reader would take for a damaged store is never written.
    for (const QString &name : storageOrder()) {
        if (const std::optional<QString> fault = ProfileRules::valueFault(values.value(name))) {
            setError(error, writeFailure(path, QStringLiteral("the value %1 holds %2").arg(name, *fault)));
            return false;
        }
    }
    const auto old = fileBytes(path, error);
    if (!old)
        return false;
    const auto bytes = withValues(path, *old, values, error);
    return bytes && replaceFile(path, *bytes, error);
}

bool ProfileStore::keyExists()
{
    const auto bytes = fileBytes(filePath(), nullptr);
    return bytes && hasGroupLine(*bytes);
}
