#include "platform/SmallFile.h"

#include "platform/FileSync.h"

#include <QFile>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace SmallFile {

namespace {

std::optional<QByteArray> refuse(QString *reason, const QString &text)
{
    if (reason)
        *reason = text;
    return std::nullopt;
}

QString tooLarge(qint64 maxBytes)
{
    return QStringLiteral("it is larger than %1 bytes").arg(maxBytes);
}

} // namespace

std::optional<QByteArray> read(const QString &hostPath, qint64 maxBytes, QString *reason, Pipes pipes)
{
    std::error_code code;
    const std::filesystem::file_status status = std::filesystem::status(FileSync::fsPath(hostPath), code);
    const std::filesystem::file_type type = status.type();
    if (type == std::filesystem::file_type::directory)
        return refuse(reason, QStringLiteral("it is a directory"));
    const bool pipe = type == std::filesystem::file_type::fifo && pipes == Pipes::Allowed;
    // A missing file, or one that cannot be looked at, is left to the open below for the system's reason.
    if (!code && type != std::filesystem::file_type::regular && !pipe)
        return refuse(reason, pipes == Pipes::Allowed ? QStringLiteral("it is neither a regular file nor a pipe")
                                                      : QStringLiteral("it is not a regular file"));
    if (type == std::filesystem::file_type::regular) {
        const std::uintmax_t size = std::filesystem::file_size(FileSync::fsPath(hostPath), code);
        if (!code && size > std::uintmax_t(maxBytes))
            return refuse(reason, tooLarge(maxBytes));
    }
    QFile file(hostPath);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(reason, file.errorString());
    // Read with a bound all the same: the file may have grown since it was looked at.
    return readAll(file, maxBytes, reason);
}

std::optional<QByteArray> readAll(QIODevice &device, qint64 maxBytes, QString *reason)
{
    QByteArray bytes;
    char buffer[65536];
    for (;;) {
        // A pipe gives what has arrived so far; only 0 says it has ended.
        const qint64 got = device.read(buffer, std::min<qint64>(qint64(sizeof buffer), maxBytes + 1 - bytes.size()));
        if (got < 0)
            return refuse(reason, device.errorString());
        if (got == 0)
            return bytes;
        bytes.append(buffer, got);
        if (bytes.size() > maxBytes)
            return refuse(reason, tooLarge(maxBytes));
    }
}

} // namespace SmallFile
