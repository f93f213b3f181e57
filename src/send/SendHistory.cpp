#include "send/SendHistory.h"

#include "platform/StateFile.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>

#include <algorithm>

namespace {

// What the file holds (nothing when there is no file); false, with the reason, when it is there but
// cannot be read.
bool readWhole(QByteArray *bytes, QString *reason)
{
    const QString path = SendHistory::hostPath();
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return true;
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        *reason = info.isFile() ? file.errorString() : QStringLiteral("it is not a regular file");
        return false;
    }
    *bytes = file.readAll();
    return true;
}

// A record as every append writes it: an object with a time, a channel and a list of archives.
bool wellFormed(const QJsonObject &record)
{
    return record.value(QStringLiteral("time")).isString() && record.value(QStringLiteral("channel")).isString() &&
           record.value(QStringLiteral("archives")).isArray();
}

QString damagedText(int damaged)
{
    return QStringLiteral("The send history %1 has %2 damaged %3; %4 skipped.")
        .arg(SendHistory::hostPath())
        .arg(damaged)
        .arg(damaged == 1 ? QStringLiteral("line") : QStringLiteral("lines"),
             damaged == 1 ? QStringLiteral("it is") : QStringLiteral("they are"));
}

// The records of the file's bytes, oldest first, and the number of lines that are none.
QList<QJsonObject> parse(const QByteArray &bytes, int *damaged)
{
    QList<QJsonObject> records;
    for (const QByteArray &line : bytes.split('\n')) {
        if (line.trimmed().isEmpty())
            continue;
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(line, &error);
        if (error.error == QJsonParseError::NoError && document.isObject() && wellFormed(document.object()))
            records.append(document.object());
        else
            ++*damaged;
    }
    return records;
}

} // namespace

namespace SendHistory {

QString hostPath()
{
    return StateFile::hostPath(QStringLiteral("send-history.jsonl"));
}

QString append(const QJsonObject &record)
{
    QStringList problems;
    QByteArray held;
    QString reason;
    int damaged = 0;
    if (!readWhole(&held, &reason))
        problems.append(QStringLiteral("The send history %1 cannot be read: %2.").arg(hostPath(), reason));
    else if (parse(held, &damaged); damaged > 0)
        problems.append(damagedText(damaged));
    QByteArray line = QJsonDocument(record).toJson(QJsonDocument::Compact) + '\n';
    if (!held.isEmpty() && !held.endsWith('\n'))
        line.prepend('\n');
    if (!StateFile::append(hostPath(), line, &reason))
        problems.append(
            QStringLiteral("This send is not in the send history: %1 cannot be written: %2.").arg(hostPath(), reason));
    return problems.join(QLatin1Char('\n'));
}

QList<QJsonObject> read(QString *problem)
{
    problem->clear();
    QByteArray bytes;
    QString reason;
    if (!readWhole(&bytes, &reason)) {
        *problem = QStringLiteral("The send history %1 cannot be read: %2.").arg(hostPath(), reason);
        return {};
    }
    int damaged = 0;
    QList<QJsonObject> records = parse(bytes, &damaged);
    if (damaged > 0)
        *problem = damagedText(damaged);
    std::reverse(records.begin(), records.end());
    return records;
}

} // namespace SendHistory
