#include "send/Sending.h"

#include "platform/Desktop.h"
#include "platform/Drives.h"
#include "platform/Interaction.h"
#include "platform/ResultsSink.h"
#include "profile/ProfileStore.h"
#include "send/FloppyDisk.h"
#include "send/OutputDirectory.h"
#include "send/SendHistory.h"
#include "send/SessionArchive.h"
#include "send/zip/ZipError.h"
#include "session/Product.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QUrl>

#include <algorithm>
#include <exception>
#include <optional>

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

// Why the session archive could not be built, as the user sees it.
QString failureText(const std::exception &failure)
{
    // A failure of the ZIP engine carries its message as UTF-8.
    if (const auto *zip = dynamic_cast<const ZipError *>(&failure))
        return zip->message();
    return QString::fromLocal8Bit(failure.what());
}

// Builds the session archive into the outcome; false, with the outcome failed, when it could not be.
bool tryBuild(Interaction &interaction, ResultsSink &results, Sending::Outcome &outcome)
{
    try {
        outcome.archive = Sending::buildArchive(interaction, results);
        return true;
    } catch (const std::exception &failure) {
        outcome.status = Sending::Status::ArchiveFailed;
        outcome.reason = failureText(failure);
        return false;
    }
}

// Copies the archives that go onto the disk and says which arrived.
void copyToDisk(Interaction &interaction, const QString &hostDrive, Sending::Outcome &outcome)
{
    QStringList names;
    for (const QString &path : outcome.archives)
        names.append(QFileInfo(path).fileName());
    const QString directory = OutputDirectory::hostPath() + QLatin1Char('/');
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

// Names each "*.zip" of the output directory that is not sent, and each that is sent though this
// program did not name it. The latter line is blue: every readable archive of the folder goes, as it
// always has, so it is a note on what went, not something this send failed to do.
void noteArchives(const OutputDirectory::ArchiveNotes &notes, ResultsSink &results)
{
    const QString directory = Product::outputDirectory() + QLatin1Char('\\');
    for (const QString &name : notes.links)
        results.appendLine(directory + name + QStringLiteral(" is a link or not a regular file; it is not sent"),
                           ResultsSink::Color::Red);
    for (const QString &name : notes.notArchives)
        results.appendLine(directory + name + QStringLiteral(" is not a ZIP archive that can be read; it is not sent"),
                           ResultsSink::Color::Red);
    for (const QString &name : notes.otherNames)
        results.appendLine(directory + name +
                               QStringLiteral(" is sent as well: a ZIP archive in the output directory, though "
                                              "not one named as this program names its archives"),
                           ResultsSink::Color::Blue);
}

// The archives an e-mail would carry that are larger than most mail servers take, said; empty when
// none is. Before the build the session's archive is not there yet: the total of its data files
// stands for it, which deflated text never exceeds by more than the archive's few headers.
QString tooLargeForMailText()
{
    const QString directory = OutputDirectory::hostPath() + QLatin1Char('/');
    qint64 data = 0;
    for (const OutputDirectory::Candidate &candidate : OutputDirectory::dataFileCandidates()) {
        if (candidate.kind == OutputDirectory::Candidate::Kind::DataFile)
            data += QFileInfo(directory + candidate.name).size();
    }
    QStringList large;
    if (data > Sending::mailLimitBytes)
        large.append(
            QStringLiteral("the archive of the data files may be as large as %1").arg(SendChannel::sizeText(data)));
    for (const QString &name : OutputDirectory::archives()) {
        if (const qint64 size = QFileInfo(directory + name).size(); size > Sending::mailLimitBytes)
            large.append(QStringLiteral("%1 is %2").arg(name, SendChannel::sizeText(size)));
    }
    if (large.isEmpty())
        return {};
    QString text = large.join(QStringLiteral("; "));
    text[0] = text[0].toUpper();
    return text + QStringLiteral(".\nMost mail servers refuse a message larger than 20 MB; the disk or the upload page "
                                 "takes archives of any size.");
}

// Each archive that goes as the history keeps it: name, size, SHA-256 and the medium it was read back
// from (null where it was not).
QJsonArray historyArchives(const Sending::Outcome &outcome, const QString &medium)
{
    QJsonArray archives;
    for (const SendChannel::ArchiveFacts &archive : outcome.going) {
        const bool verified = !medium.isEmpty() && outcome.verified.contains(archive.hostPath);
        archives.append(QJsonObject{{QStringLiteral("name"), archive.name},
                                    {QStringLiteral("size"), double(archive.size)},
                                    {QStringLiteral("sha256"), QString::fromLatin1(archive.sha256)},
                                    {QStringLiteral("verifiedOn"), verified ? QJsonValue(medium) : QJsonValue()}});
    }
    return archives;
}

// Builds the session archive and finds the archives that go: false, with the outcome refused or
// failed, when there are none; otherwise the outcome is Sent, so far.
bool prepareArchives(Interaction &interaction, ResultsSink &results, Sending::Outcome &outcome)
{
    if (!tryBuild(interaction, results, outcome))
        return false;
    // An archive without entries (no data files) made by this send is not left behind to be sent.
    if (const SendChannel::Summary summary = SendChannel::summarize(outcome.archive.hostPath, outcome.archive.sha256);
        summary.size == 0 || summary.entries == 0) {
        if (summary.size == 0)
            QFile::remove(outcome.archive.hostPath);
        outcome.archive.windowsPath.clear();
        outcome.archive.hostPath.clear();
        outcome.archive.sha256.clear();
    }
    OutputDirectory::ArchiveNotes notes;
    outcome.archives = OutputDirectory::archivesThatGo(outcome.archive.hostPath, &notes);
    noteArchives(notes, results);
    outcome.leftAlone = notes.links + notes.notArchives;
    if (outcome.archives.isEmpty()) {
        outcome.status = Sending::Status::NothingToSend;
        outcome.reason = nothingToSendText();
        return false;
    }
    outcome.going = SendChannel::describe(outcome.archives, outcome.archive);
    outcome.status = Sending::Status::Sent;
    return true;
}

// Whether the archives that go fit on the disk as it will be; when they do not, the outcome says
// so with both sizes. A disk whose space cannot be told is tried: every copy is read back anyway.
bool fitsOnDisk(const QString &hostDrive, Sending::Erase erase, Sending::Outcome &outcome)
{
    QStringList names;
    for (const QString &path : outcome.archives)
        names.append(QFileInfo(path).fileName());
    const bool erased = erase == Sending::Erase::Yes;
    const std::optional<FloppyDisk::Room> room = FloppyDisk::room(hostDrive, names, erased);
    if (!room || room->fits())
        return true;
    outcome.status = Sending::Status::MediumTooSmall;
    outcome.reason = FloppyDisk::tooSmallText(*room, hostDrive, erased);
    return false;
}

} // namespace

namespace Sending {

QString channelName(Channel channel)
{
    static const char *const names[] = {"upload", "email", "disk"};
    return QString::fromLatin1(names[int(channel)]);
}

QJsonValue handoverName(Handover handover)
{
    static const char *const names[] = {nullptr, "browser", "mailProgram"};
    return handover == Handover::None ? QJsonValue() : QJsonValue(QLatin1String(names[int(handover)]));
}

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
    } else if (!QFileInfo(OutputDirectory::hostPath()).isDir() ||
               (!OutputDirectory::holdsDataFiles() && OutputDirectory::archives().isEmpty())) {
        // Refused before a disk is erased or an empty archive is made.
        outcome.status = Status::NothingToSend;
        outcome.reason = nothingToSendText();
        outcome.noOutputDirectory = !QFileInfo(OutputDirectory::hostPath()).isDir();
    } else if (channel == Channel::Disk && !hostDrive.isEmpty()) {
        if (QString problem = FloppyDisk::driveProblem(hostDrive); !problem.isEmpty()) {
            outcome.status = Status::DriveNotReady;
            outcome.reason = problem;
        }
    }
    if (outcome.status == Status::Ready && channel == Channel::Email)
        outcome.tooLargeForMail = tooLargeForMailText();
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
    if (outcome.status != Status::Ready || !prepareArchives(interaction, results, outcome))
        return outcome;
    if (channel == Channel::Disk && fitsOnDisk(hostDrive, Erase::Keep, outcome))
        copyToDisk(interaction, hostDrive, outcome);
    return outcome;
}

Outcome archive(Interaction &interaction, ResultsSink &results)
{
    Outcome outcome;
    // The archive is named after the company: a profile that cannot be read says why.
    if (std::optional<QString> problem = profileProblem()) {
        outcome.status = Status::ProfileUnreadable;
        outcome.reason = *problem;
    } else if (!QFileInfo(OutputDirectory::hostPath()).isDir()) {
        outcome.status = Status::NothingToSend;
        outcome.reason = nothingToSendText();
        outcome.noOutputDirectory = true;
    } else if (tryBuild(interaction, results, outcome)) {
        outcome.status = Status::Archived;
    }
    return outcome;
}

Outcome sendToDisk(Interaction &interaction, ResultsSink &results, const DiskSend &disk)
{
    Outcome outcome = check(Channel::Disk, disk.hostDrive);
    if (outcome.status != Status::Ready)
        return outcome;
    // A medium picked from the mounted ones that is gone now gets nothing: no erasing, no archive.
    if (disk.mountedMedium && !Desktop::current().mediumAt(disk.hostDrive)) {
        outcome.status = Status::DriveNotReady;
        outcome.reason =
            QStringLiteral("The disk %1 is no longer mounted.\nNothing has been erased, archived or deleted.")
                .arg(disk.hostDrive);
        return outcome;
    }
    const Erase erase = disk.askErase ? disk.askErase() : Erase::Keep;
    if (erase == Erase::Cancel) {
        outcome.status = Status::Cancelled;
        return outcome;
    }
    // The archives are built and measured before the medium is touched.
    if (!prepareArchives(interaction, results, outcome))
        return outcome;
    if (!fitsOnDisk(disk.hostDrive, erase, outcome)) {
        record(interaction, Channel::Disk, outcome, Handover::None, disk.hostDrive);
        return outcome;
    }
    if (erase == Erase::Yes)
        FloppyDisk::erase(interaction, disk.hostDrive);
    copyToDisk(interaction, disk.hostDrive, outcome);
    record(interaction, Channel::Disk, outcome, Handover::None, disk.hostDrive);
    return outcome;
}

Handover openUploadPage()
{
    return Desktop::current().openUrl(QUrl(SendChannel::uploadAddress())) ? Handover::Browser : Handover::None;
}

Handover openMail(const Outcome &outcome)
{
    const SendChannel::Mail mail =
        SendChannel::mailArchive(outcome.archives.first(), SendChannel::mailBody(outcome.going));
    return mail == SendChannel::Mail::Attached ? Handover::MailProgram : Handover::None;
}

void record(Interaction &interaction, Channel channel, const Outcome &outcome, Handover handover, const QString &medium)
{
    // Only what went, a disk that was written to, or archives built for a disk too small for them, is a
    // send to remember.
    static const std::pair<Status, const char *> remembered[] = {
        {Status::Sent, "sent"}, {Status::NotOnMedium, "notOnMedium"}, {Status::MediumTooSmall, "mediumTooSmall"}};
    const auto kept = std::find_if(std::begin(remembered), std::end(remembered),
                                   [&outcome](const auto &entry) { return entry.first == outcome.status; });
    if (kept == std::end(remembered))
        return;
    const QJsonObject entry{{QStringLiteral("time"), QDateTime::currentDateTimeUtc().toString(Qt::ISODate)},
                            {QStringLiteral("channel"), channelName(channel)},
                            {QStringLiteral("status"), QLatin1String(kept->second)},
                            {QStringLiteral("handedTo"), handoverName(handover)},
                            {QStringLiteral("reason"), outcome.sent() ? QJsonValue() : QJsonValue(outcome.reason)},
                            {QStringLiteral("archives"), historyArchives(outcome, medium)}};
    if (const QString problem = SendHistory::append(entry); !problem.isEmpty())
        interaction.warning(problem);
}

} // namespace Sending
