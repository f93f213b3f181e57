#include "send/Sending.h"

#include "send/SessionArchive.h"
#include "session/Product.h"
#include "platform/Drives.h"
#include "platform/ResultsSink.h"
#include "profile/ProfileStore.h"
#include "send/FloppyDisk.h"
#include "send/zip/ZipError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <exception>

namespace {

// Passes every line on and keeps the red ones.
class KeepingResults final : public ResultsSink
{
public:
    explicit KeepingResults(ResultsSink &next) : m_next(next) {}

    void appendLine(const QString &text, Color color) override
    {
        if (color == Color::Red)
            kept.append(text);
        m_next.appendLine(text, color);
    }
    void clear() override { m_next.clear(); }

    QStringList kept;

private:
    ResultsSink &m_next;
};

QString nothingToSendText()
{
    return QStringLiteral("There is nothing to send: %1 holds no data files.\nScan servers first, then send.")
        .arg(Product::outputDirectory());
}

// Whether the output directory holds a data file, which a send would pack.
bool holdsDataFiles()
{
    return !QDir(SendChannel::hostOutputDirectory())
                .entryList({QStringLiteral("*.DAT")}, QDir::Files | QDir::Hidden | QDir::System | QDir::CaseSensitive)
                .isEmpty();
}

// The archives that go, as host paths: this send's first when it holds anything, else the newest of
// the earlier ones, then the rest by name.
QStringList archivesThatGo(const SendChannel::Archive &built, QStringList *leftAlone)
{
    const QString directory = SendChannel::hostOutputDirectory() + QLatin1Char('/');
    QStringList paths;
    for (const QString &name : FloppyDisk::archivesToSend(leftAlone))
        paths.append(directory + name);
    auto first = std::find(paths.begin(), paths.end(), built.hostPath);
    if (first == paths.end())
        first = std::max_element(paths.begin(), paths.end(), [](const QString &a, const QString &b) {
            return QFileInfo(a).lastModified() < QFileInfo(b).lastModified();
        });
    if (first != paths.end())
        std::rotate(paths.begin(), first, first + 1);
    return paths;
}

// Copies the archives that go onto the disk and says which arrived.
void copyToDisk(Interaction &interaction, const QString &hostDrive, Sending::Outcome &outcome)
{
    QStringList names;
    for (const QString &path : outcome.archives)
        names.append(QFileInfo(path).fileName());
    const QString directory = SendChannel::hostOutputDirectory() + QLatin1Char('/');
    for (const FloppyDisk::Copy &copy : FloppyDisk::copyArchives(interaction, hostDrive, names)) {
        if (copy.result == FloppyDisk::Copy::Result::Failed) {
            outcome.notOnMedium.append(copy.name + QStringLiteral(": ") + copy.problem);
            continue;
        }
        outcome.verified.append(directory + copy.name);
        if (copy.result == FloppyDisk::Copy::Result::AlreadyThere)
            outcome.alreadyThere.append(directory + copy.name);
    }
    if (!outcome.notOnMedium.isEmpty()) {
        outcome.status = Sending::Status::NotOnMedium;
        outcome.reason = FloppyDisk::notOnDiskText(outcome.notOnMedium);
    }
}

} // namespace

namespace Sending {

std::optional<QString> profileProblem()
{
    QString error;
    if (ProfileStore::read(QStringLiteral("Company"), &error))
        return std::nullopt;
    return error;
}

Outcome check(Channel channel, const QString &hostDrive)
{
    Outcome outcome;
    if (std::optional<QString> problem = profileProblem()) {
        outcome.status = Status::ProfileUnreadable;
        outcome.reason = *problem;
    } else if (!QFileInfo(SendChannel::hostOutputDirectory()).isDir() ||
               (!holdsDataFiles() && FloppyDisk::archivesToSend().isEmpty())) {
        // Refused before a disk is erased or an empty archive is made.
        outcome.status = Status::NothingToSend;
        outcome.reason = nothingToSendText();
        outcome.noOutputDirectory = !QFileInfo(SendChannel::hostOutputDirectory()).isDir();
    } else if (channel == Channel::Disk && !hostDrive.isEmpty()) {
        if (QString problem = FloppyDisk::driveProblem(hostDrive); !problem.isEmpty()) {
            outcome.status = Status::DriveNotReady;
            outcome.reason = problem;
        }
    }
    return outcome;
}

SendChannel::Archive buildArchive(Interaction &interaction, ResultsSink &results)
{
    KeepingResults keeping(results);
    SendChannel::Archive archive;
    archive.windowsPath = SessionArchive::build(interaction, keeping, QDateTime::currentDateTime(), &archive.sha256);
    archive.hostPath = Drives::hostPath(archive.windowsPath);
    archive.problems = keeping.kept;
    return archive;
}

Outcome send(Interaction &interaction, ResultsSink &results, Channel channel, const QString &hostDrive)
{
    Outcome outcome = check(channel, hostDrive);
    if (outcome.status == Status::Ready && channel == Channel::Disk && hostDrive.isEmpty()) {
        outcome.status = Status::DriveNotReady;
        outcome.reason = FloppyDisk::driveProblem(hostDrive);
    }
    if (outcome.status != Status::Ready)
        return outcome;
    try {
        outcome.archive = buildArchive(interaction, results);
    } catch (const ZipError &failure) {
        outcome.status = Status::ArchiveFailed;
        outcome.reason = failure.message();
        return outcome;
    } catch (const std::exception &failure) {
        outcome.status = Status::ArchiveFailed;
        outcome.reason = QString::fromLocal8Bit(failure.what());
        return outcome;
    }
    // An archive without entries (no data files) made by this send is not left behind to be sent.
    if (const SendChannel::Summary summary = SendChannel::summarize(outcome.archive.hostPath, outcome.archive.sha256);
        summary.size == 0 || summary.entries == 0) {
        if (summary.size == 0)
            QFile::remove(outcome.archive.hostPath);
        outcome.archive.windowsPath.clear();
        outcome.archive.hostPath.clear();
        outcome.archive.sha256.clear();
    }
    outcome.archives = archivesThatGo(outcome.archive, &outcome.leftAlone);
    for (const QString &name : outcome.leftAlone)
        results.appendLine(QStringLiteral("%1\\%2 is a link or not a regular file; it is not sent")
                               .arg(Product::outputDirectory(), name),
                           ResultsSink::Color::Red);
    if (outcome.archives.isEmpty()) {
        outcome.status = Status::NothingToSend;
        outcome.reason = nothingToSendText();
        return outcome;
    }
    outcome.status = Status::Sent;
    if (channel == Channel::Disk)
        copyToDisk(interaction, hostDrive, outcome);
    return outcome;
}

} // namespace Sending
