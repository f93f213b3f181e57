#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

// Everything the program asks of the desktop it runs on: the file manager, the browser, the mail
// program, the plain-text editor, and the removable media that stand for drive A:. One real
// implementation talks to the desktop (D-Bus, the xdg tools, the mount table); tests install one
// that records the calls and declares their own directories removable.
class Desktop
{
public:
    // A mounted removable medium (USB stick, SD card, floppy disk).
    struct Medium
    {
        QString mountPoint; // host directory the medium is mounted on
        QString label;      // the volume label, else the last part of the mount point
        QString device;     // the block device, e.g. /dev/sdb1
        qint64 bytesTotal = 0;
        qint64 bytesFree = 0;
    };

    virtual ~Desktop() = default;

    // Whether a graphical desktop is there to open anything on.
    virtual bool hasDisplay() const = 0;
    // Shows a file selected in the file manager's window of its folder; false when that cannot be done.
    virtual bool showFileInFolder(const QString &hostFile) = 0;
    // Opens a folder, a document or an address with the desktop's default handler.
    virtual bool openUrl(const QUrl &url) = 0;
    // Opens a new message in the mail program with the body and the file attached; false when that
    // cannot be done.
    virtual bool composeMail(const QString &to, const QString &subject, const QString &body,
                             const QString &attachmentHostFile) = 0;
    // The program (and its first arguments) that opens plain text: the desktop's default application
    // for text/plain; empty when the desktop names none.
    virtual QStringList plainTextEditor() = 0;
    // Starts a program on its own; false when it could not be started.
    virtual bool startDetached(const QString &program, const QStringList &arguments) = 0;
    // The removable media mounted now, by mount point.
    virtual QList<Medium> removableMedia() = 0;
    // Makes a file copied to a medium durable there and forgets the cached copy, so that reading it
    // back reads what the medium holds; false when it cannot be flushed.
    virtual bool flushToMedium(const QString &hostFile) = 0;

    // The desktop in use: the real one unless a test has installed another.
    static Desktop &current();
    // Installs a desktop for the calls that follow; nullptr goes back to the real one.
    static void install(Desktop *desktop);

    // The medium mounted on a host directory, if it is one of the removable media.
    std::optional<Medium> mediumAt(const QString &hostDirectory);

private:
    // The desktop of this computer, made by the system's own folder (linux/LinuxDesktop.cpp).
    static Desktop &system();
};
