#include "ZipTestTools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>

#include <random>

namespace ZipTestTools {

void writeFile(const QString &hostPath, const QByteArray &content, const QDateTime &modified)
{
    QDir().mkpath(QFileInfo(hostPath).absolutePath());
    QFile file(hostPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(hostPath));
    file.write(content);
    file.flush();
    if (modified.isValid())
        file.setFileTime(modified, QFileDevice::FileModificationTime);
    file.close();
}

QByteArray readFile(const QString &hostPath)
{
    QFile file(hostPath);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

std::uint16_t u16(const QByteArray &bytes, qsizetype at)
{
    return std::uint16_t(quint8(bytes.at(at)) | quint8(bytes.at(at + 1)) << 8);
}

std::uint32_t u32(const QByteArray &bytes, qsizetype at)
{
    return u16(bytes, at) | std::uint32_t(u16(bytes, at + 2)) << 16;
}

std::optional<ToolResult> run(const QString &program, const QStringList &args, const QString &directory,
                              const QByteArray &input)
{
    if (QStandardPaths::findExecutable(program).isEmpty())
        return std::nullopt;
    QProcess process;
    process.setWorkingDirectory(directory);
    process.start(program, args);
    if (!process.waitForStarted())
        return std::nullopt;
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(120000);
    return ToolResult{process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                      QString::fromLocal8Bit(process.readAllStandardOutput()),
                      QString::fromLocal8Bit(process.readAllStandardError())};
}

std::optional<ToolResult> unzipTest(const QString &hostPath)
{
    return run(QStringLiteral("unzip"), {QStringLiteral("-t"), QStringLiteral("-q"), hostPath}, QDir::tempPath());
}

std::optional<PyArchive> pythonZipfile(const QString &hostPath)
{
    static const char script[] = R"(
import base64, json, sys, zipfile
out = {"sound": False, "error": "", "entries": [], "comment": ""}
try:
    with zipfile.ZipFile(sys.argv[1]) as z:
        bad = z.testzip()
        out["sound"] = bad is None
        out["error"] = "" if bad is None else "bad entry " + bad
        out["comment"] = base64.b64encode(z.comment).decode()
        for i in z.infolist():
            out["entries"].append({"name": i.filename, "size": i.file_size, "crc": i.CRC,
                                   "method": i.compress_type, "offset": i.header_offset,
                                   "content": base64.b64encode(z.read(i)).decode()})
except Exception as e:
    out["error"] = repr(e)
print(json.dumps(out))
)";
    // The interpreter itself, not a wrapper script that may start a shell first.
    static const QString python = [] {
        const auto found =
            run(QStringLiteral("python3"), {QStringLiteral("-c"), QStringLiteral("import sys; print(sys.executable)")},
                QDir::tempPath());
        return found && found->status == 0 ? found->output.trimmed() : QStringLiteral("python3");
    }();
    const auto result = run(python, {QStringLiteral("-c"), QString::fromLatin1(script), hostPath}, QDir::tempPath());
    if (!result)
        return std::nullopt;
    const QJsonObject object = QJsonDocument::fromJson(result->output.toUtf8()).object();
    PyArchive archive;
    archive.sound = object.value(QStringLiteral("sound")).toBool();
    archive.error = object.isEmpty() ? result->output : object.value(QStringLiteral("error")).toString();
    archive.comment = QByteArray::fromBase64(object.value(QStringLiteral("comment")).toString().toLatin1());
    for (const QJsonValue &value : object.value(QStringLiteral("entries")).toArray()) {
        const QJsonObject e = value.toObject();
        archive.entries.push_back(
            {e.value(QStringLiteral("name")).toString(), qint64(e.value(QStringLiteral("size")).toDouble()),
             std::uint32_t(e.value(QStringLiteral("crc")).toDouble()), e.value(QStringLiteral("method")).toInt(),
             qint64(e.value(QStringLiteral("offset")).toDouble()),
             QByteArray::fromBase64(e.value(QStringLiteral("content")).toString().toLatin1())});
    }
    return archive;
}

QByteArray reportText(qint64 size, int seed)
{
    static const char *const labels[] = {"Server Name",   "Server Version",  "Maximum Connections",
                                         "Cache Buffers", "Network Address", "Volume",
                                         "Module",        "Description",     "Copyright"};
    std::mt19937 random{std::uint32_t(seed)};
    QByteArray text;
    text.reserve(size + 200);
    while (text.size() < size) {
        const char *label = labels[random() % (sizeof labels / sizeof *labels)];
        text.append(label);
        text.append(QByteArray(28 - qsizetype(qstrlen(label)), ' '));
        text.append(QByteArray::number(quint32(random() % 100000)));
        text.append(' ');
        text.append(QByteArray::number(quint32(random()), 16).toUpper());
        text.append("\r\n");
    }
    text.truncate(size);
    return text;
}

} // namespace ZipTestTools
