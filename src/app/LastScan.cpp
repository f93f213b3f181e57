#include "app/LastScan.h"

#include "platform/AtomicFile.h"
#include "platform/SmallFile.h"
#include "platform/StateFile.h"
#include "platform/Windows1252.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace LastScan {

namespace {

constexpr QLatin1String kNames[] = {QLatin1String("saved"), QLatin1String("unreachable"), QLatin1String("not-written"),
                                    QLatin1String("aborted"), QLatin1String("not-scanned")};
// Two thousand servers take about 150 KB; anything far larger is not a file of ours.
constexpr qint64 kMaxBytes = 16 * 1024 * 1024;

// The output directory as the file names it: one directory has one key however its path was given.
QString key(const QString &hostDirectory)
{
    return QDir::cleanPath(QDir(hostDirectory).absolutePath());
}

std::optional<Outcome> outcomeNamed(const QString &name)
{
    for (std::size_t i = 0; i < std::size(kNames); ++i) {
        if (name == kNames[i])
            return Outcome(i);
    }
    return std::nullopt;
}

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

} // namespace

QLatin1String outcomeName(Outcome outcome)
{
    return kNames[std::size_t(outcome)];
}

QString filePath(const QString &hostDirectory)
{
    const QByteArray hash = QCryptographicHash::hash(key(hostDirectory).toUtf8(), QCryptographicHash::Sha256);
    return StateFile::hostPath(QStringLiteral("last-scan-") + QString::fromLatin1(hash.toHex().left(16)) +
                               QStringLiteral(".json"));
}

std::optional<std::vector<Server>> read(const QString &hostDirectory, QString *error)
{
    setError(error, {});
    const QString path = filePath(hostDirectory);
    if (!QFileInfo::exists(path))
        return std::nullopt;
    QString reason;
    const std::optional<QByteArray> bytes = SmallFile::read(path, kMaxBytes, &reason);
    if (!bytes) {
        setError(error, path + QStringLiteral(": ") + reason);
        return std::nullopt;
    }
    const QJsonObject root = QJsonDocument::fromJson(*bytes).object();
    // Another directory whose key gives the same file name: its scan is not this directory's.
    if (root.value(QStringLiteral("outputDirectory")).toString() != key(hostDirectory) && !root.isEmpty())
        return std::nullopt;
    const QJsonValue list = root.value(QStringLiteral("servers"));
    std::vector<Server> servers;
    for (const QJsonValue &entry : list.toArray()) {
        const QString name = entry.toObject().value(QStringLiteral("name")).toString();
        const std::optional<Outcome> outcome =
            outcomeNamed(entry.toObject().value(QStringLiteral("outcome")).toString());
        if (name.isEmpty() || !outcome) {
            setError(error, path + QStringLiteral(": damaged"));
            return std::nullopt;
        }
        servers.push_back({Windows1252::fromUnicode(name), *outcome});
    }
    if (!list.isArray()) {
        setError(error, path + QStringLiteral(": damaged"));
        return std::nullopt;
    }
    return servers;
}

std::vector<QByteArray> withoutDataFile(const std::vector<Server> &scan)
{
    std::vector<QByteArray> names;
    for (const Server &server : scan) {
        if (server.outcome != Outcome::Saved)
            names.push_back(server.name);
    }
    return names;
}

std::vector<std::size_t> rowsToRescan(const std::vector<Server> &scan, const std::vector<Session::ServerEntry> &list,
                                      std::vector<QByteArray> *gone)
{
    QHash<QByteArray, bool> wanted; // upper-case name -> on the list
    for (const QByteArray &name : withoutDataFile(scan))
        wanted.insert(name.toUpper(), false);
    std::vector<std::size_t> rows;
    for (std::size_t row = 0; row < list.size(); ++row) {
        if (const auto found = wanted.find(list[row].name.toUpper()); found != wanted.end()) {
            rows.push_back(row);
            *found = true;
        }
    }
    if (gone) {
        for (const QByteArray &name : withoutDataFile(scan)) {
            if (!wanted.value(name.toUpper()))
                gone->push_back(name);
        }
    }
    return rows;
}

Recorder::Recorder(const std::vector<QByteArray> &selected)
{
    m_servers.reserve(selected.size());
    for (const QByteArray &name : selected) {
        m_index.insert(name, m_servers.size());
        m_servers.push_back({name, Outcome::NotScanned});
    }
}

void Recorder::serverDone(const QByteArray &server, Outcome outcome)
{
    if (const auto found = m_index.constFind(server); found != m_index.cend())
        m_servers[*found].outcome = outcome;
}

bool Recorder::save(const QString &hostDirectory, QString *error) const
{
    QJsonArray servers;
    for (const Server &server : m_servers)
        servers.append(QJsonObject{{QStringLiteral("name"), Windows1252::toUnicode(server.name)},
                                   {QStringLiteral("outcome"), outcomeName(server.outcome)}});
    const QJsonObject root{{QStringLiteral("outputDirectory"), key(hostDirectory)},
                           {QStringLiteral("servers"), servers}};
    // The names of a network's servers are the user's business: the directory is the owner's alone.
    QString reason;
    const QString path = filePath(hostDirectory);
    if (!StateFile::makeDirectory(&reason)) {
        setError(error, path + QStringLiteral(": ") + reason);
        return false;
    }
    AtomicFile file(path);
    if (file.open() && file.write(QJsonDocument(root).toJson()) && file.commit())
        return true;
    setError(error, path + QStringLiteral(": ") + file.errorString());
    return false;
}

} // namespace LastScan
