#include "platform/Desktop.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStorageInfo>

#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// "\040" and the like stand for blanks and other bytes in the mount table.
QString unescapeMountField(const QByteArray &field)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int value = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                bytes.append(char(value));
                i += 3;
                continue;
            }
        }
        bytes.append(field[i]);
    }
    return QFile::decodeName(bytes);
}

QString readSmallFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.read(4096)).trimmed();
}

// Whether the block device "major:minor" sits on a removable disk or on USB: a partition's own
// entry has no "removable" flag, its disk (the parent directory) has.
bool removableBlockDevice(const QString &majorMinor)
{
    const QString device = QFileInfo(QStringLiteral("/sys/dev/block/") + majorMinor).canonicalFilePath();
    if (device.isEmpty())
        return false;
    if (device.contains(QLatin1String("/usb")))
        return true;
    for (const QString &dir : {device, QFileInfo(device).absolutePath()}) {
        const QString flag = readSmallFile(dir + QStringLiteral("/removable"));
        if (!flag.isEmpty())
            return flag == QLatin1String("1");
    }
    return false;
}

// The volume label of a block device, from the links udev keeps.
QString volumeLabel(const QString &device)
{
    const QString canonical = QFileInfo(device).canonicalFilePath();
    const QDir labels(QStringLiteral("/dev/disk/by-label"));
    for (const QFileInfo &link : labels.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        if (!canonical.isEmpty() && link.canonicalFilePath() == canonical)
            return unescapeMountField(link.fileName().toUtf8().replace("\\x20", "\\040"));
    }
    return {};
}

// The Exec line of a desktop entry's [Desktop Entry] group.
// One value of a desktop entry file's [Desktop Entry] group.
QString desktopEntryValue(const QString &path, QLatin1String key)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    bool inEntry = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inEntry = line == QLatin1String("[Desktop Entry]");
        else if (inEntry && line.startsWith(key) && line.mid(key.size()).startsWith(QLatin1Char('=')))
            return line.mid(key.size() + 1).trimmed();
    }
    return {};
}

// The desktop of this computer: the file manager over D-Bus, the xdg tools, the mount table.
class LinuxDesktop final : public Desktop
{
public:
    bool hasDisplay() const override
    {
        return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    }

    bool showFileInFolder(const QString &hostFile) override
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected())
            return false;
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
            QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
        call << QStringList{QUrl::fromLocalFile(hostFile).toString()} << QString();
        const QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
        return reply.type() == QDBusMessage::ReplyMessage;
    }

    bool openUrl(const QUrl &url) override
    {
        const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
        if (opener.isEmpty())
            return false;
        // xdg-open ends at once with its verdict where the desktop hands the address on; where it starts
        // the program in the foreground it is still running after a moment, and then it opened.
        auto *process = new QProcess;
        process->start(opener, {url.isLocalFile() ? url.toLocalFile() : url.toString()});
        if (!process->waitForStarted(5000)) {
            delete process;
            return false;
        }
        if (!process->waitForFinished(2000))
            return true; // left running on purpose: ending it would close what it opened
        const bool opened = process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
        delete process;
        return opened;
    }

    bool composeMail(const QString &to, const QString &subject, const QString &body,
                     const QString &attachmentHostFile) override
    {
        const QString tool = QStandardPaths::findExecutable(QStringLiteral("xdg-email"));
        if (tool.isEmpty())
            return false;
        // xdg-email ends once the mail program has the message; a mail program that it starts in the
        // foreground keeps it running, and then the message is open all the same.
        auto *process = new QProcess;
        process->start(tool, {QStringLiteral("--subject"), subject, QStringLiteral("--body"), body,
                              QStringLiteral("--attach"), attachmentHostFile, to});
        if (!process->waitForStarted(5000)) {
            delete process;
            return false;
        }
        if (!process->waitForFinished(15000))
            return true; // left running on purpose: ending it would close the message
        const bool composed = process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
        delete process;
        return composed;
    }

    QStringList plainTextEditor() override
    {
        const QString query = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
        if (query.isEmpty())
            return {};
        QProcess process;
        process.start(query, {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/plain")});
        if (!process.waitForFinished(5000) || process.exitCode() != 0)
            return {};
        const QString entry = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
        if (entry.isEmpty())
            return {};
        const QString file = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, entry);
        if (file.isEmpty())
            return {};
        // A program that runs in a terminal would have none here, and would write into ours: the
        // desktop's own handler knows how to start it.
        if (desktopEntryValue(file, QLatin1String("Terminal")) == QLatin1String("true"))
            return {};
        QStringList command = QProcess::splitCommand(desktopEntryValue(file, QLatin1String("Exec")));
        // Field codes (%f, %U, ...) stand for the file, which the caller adds itself.
        command.erase(std::remove_if(command.begin(), command.end(),
                                     [](const QString &part) { return part.startsWith(QLatin1Char('%')); }),
                      command.end());
        return command;
    }

    bool startDetached(const QString &program, const QStringList &arguments) override
    {
        return QProcess::startDetached(program, arguments);
    }

    QList<Medium> removableMedia() override
    {
        QList<Medium> media;
        QFile table(QStringLiteral("/proc/self/mountinfo"));
        if (!table.open(QIODevice::ReadOnly))
            return media;
        // id parent major:minor root mount-point options [optional...] - type source super-options
        for (const QByteArray &line : table.readAll().split('\n')) {
            const QList<QByteArray> fields = line.split(' ');
            const qsizetype separator = fields.indexOf("-");
            if (fields.size() < 5 || separator < 0 || separator + 2 >= fields.size())
                continue;
            const QString source = unescapeMountField(fields[separator + 2]);
            if (!source.startsWith(QLatin1String("/dev/")) || !removableBlockDevice(QString::fromLatin1(fields[2])))
                continue;
            Medium medium;
            medium.mountPoint = unescapeMountField(fields[4]);
            medium.device = source;
            medium.label = volumeLabel(source);
            if (medium.label.isEmpty())
                medium.label = QFileInfo(medium.mountPoint).fileName();
            const QStorageInfo storage(medium.mountPoint);
            medium.bytesTotal = storage.bytesTotal();
            medium.bytesFree = storage.bytesAvailable();
            media.append(medium);
        }
        return media;
    }

    bool flushToMedium(const QString &hostFile) override
    {
        const int fd = ::open(QFile::encodeName(hostFile).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return false;
        bool flushed = ::fsync(fd) == 0;
        // Reading back after this goes to the medium, not to the cache that was just written.
        if (flushed)
            ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
        const int dir = ::open(QFile::encodeName(QFileInfo(hostFile).absolutePath()).constData(),
                               O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir < 0)
            return false;
        flushed = ::fsync(dir) == 0 && flushed;
        ::close(dir);
        return flushed;
    }
};

} // namespace

Desktop &Desktop::system()
{
    static LinuxDesktop desktop;
    return desktop;
}
