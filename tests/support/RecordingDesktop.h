#pragma once

#include "platform/Desktop.h"

#include <QFile>
#include <QFileInfo>

#include <functional>

// Test double of the desktop: records every call as one line, answers as configured, and declares
// the test's own directories removable media. Installed for its lifetime.
class RecordingDesktop final : public Desktop
{
public:
    RecordingDesktop() { Desktop::install(this); }
    ~RecordingDesktop() override { Desktop::install(nullptr); }
    RecordingDesktop(const RecordingDesktop &) = delete;
    RecordingDesktop &operator=(const RecordingDesktop &) = delete;

    bool hasDisplay() const override { return display; }
    bool showFileInFolder(const QString &hostFile) override
    {
        record(QStringLiteral("show ") + hostFile);
        return fileManager;
    }
    bool openUrl(const QUrl &url) override
    {
        record(QStringLiteral("open ") + url.toString());
        return true;
    }
    bool composeMail(const QString &to, const QString &subject, const QString &body, const QString &attachment) override
    {
        mailBodies.append(body);
        record(QStringLiteral("mail %1 | %2 | %3").arg(to, subject, attachment));
        return mailProgram;
    }
    QStringList plainTextEditor() override { return textEditor; }
    bool startDetached(const QString &program, const QStringList &arguments) override
    {
        record(QStringLiteral("start ") + QStringList(QStringList{program} + arguments).join(QLatin1Char(' ')));
        return true;
    }
    QList<Medium> removableMedia() override { return media; }
    bool flushToMedium(const QString &hostFile) override
    {
        // A medium that drops what is written to it: the read-back finds other bytes.
        if (damagedOnMedium && damagedOnMedium(QFileInfo(hostFile).fileName())) {
            QFile file(hostFile);
            if (file.open(QIODevice::ReadWrite)) {
                file.seek(0);
                file.write("X");
            }
        }
        return true;
    }

    // Declares a directory a mounted removable medium.
    void addMedium(const QString &mountPoint, const QString &label)
    {
        media.append(Medium{mountPoint, label, QStringLiteral("/dev/sdz1"), 1474560, 1400000});
    }

    bool display = true;
    bool fileManager = true;
    bool mailProgram = true;
    QStringList textEditor;
    QList<Medium> media;
    std::function<bool(const QString &fileName)> damagedOnMedium;
    QStringList calls;
    QStringList mailBodies; // the body of each message composed, in order
    // Runs with each recorded call, e.g. to see what is on disk at that moment.
    std::function<void(const QString &call)> onCall;

private:
    void record(const QString &call)
    {
        calls.append(call);
        if (onCall)
            onCall(call);
    }
};
