#include "cli/Commands.h"

#include "cli/Console.h"
#include "platform/Desktop.h"
#include "send/FloppyDisk.h"
#include "send/SendChannel.h"
#include "send/SendHistory.h"
#include "send/Sending.h"
#include "session/Product.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <optional>

namespace {

const Command::Text text{QStringLiteral("send"),
                         QStringLiteral("(--upload | --email | --disk [PATH] [--erase] | --history)"),
                         QStringLiteral("build the session archive and send it by upload page, e-mail or disk"),
                         QStringLiteral(R"(
Builds the session archive of the data files in %1 (as
'sorvik archive' does), prints its host path, entry count, size and SHA-256,
and sends it:

Options:
  --upload       show the archive in the file manager and open the upload
                 page in the browser; without a display, print where to
                 upload it: %2
                 Each archive to upload is listed with its size and
                 SHA-256.
  --email        open a new message to %3 with the subject
                 "%4", a body naming each archive with its
                 size and SHA-256, and the archive attached; where that
                 cannot be done, say what to send. An archive larger than
                 20 MB is warned of first; the mail goes on
  --disk [PATH]  copy every session archive (*.zip) of the output directory
                 to PATH (also --disk=PATH), else to drive A:
                 (SORVIK_DRIVE_A, else the one mounted removable disk); each
                 copy is read back and compared with the archive, and gets
                 its receipt NAME.zip.sha256 beside it ('sha256sum -c'
                 reads it)
  --erase        with --disk: first delete the files on the disk, as the
                 window's Create Disk does; only on a mounted removable disk,
                 never on a directory that is not one
  --history      list the send history, newest first: time, channel,
                 outcome, each archive's name, size and SHA-256; no other
                 option but --json goes with it
  --json         print one JSON object (this send's archive, every archive
                 that goes with where it was verified, what was kept and
                 why) instead of the listing; with --history, an array
  --help         show this text

A disk that is missing or not writable is refused before anything is erased,
archived or deleted. Archives that do not fit on the disk (once erased, with
--erase) are refused before anything on it is erased or written; they stay in
the output directory.

Every send that went, or built archives for a disk too small for them, is
kept in the send history, $XDG_STATE_HOME/sorvik/send-history.jsonl (by
default in ~/.local/state/sorvik, owner only); a history that cannot be read
or written is warned of and stops nothing.

Exit status:
  0    done
  1    refused or failed
  2    usage error
)")
                             .arg(Product::outputDirectory(), SendChannel::uploadAddress(), MakerAddress::dataMailbox(),
                                  SendChannel::mailSubject())};

const QCommandLineOption uploadOption(QStringLiteral("upload"),
                                      QStringLiteral("show the archive in the file manager and open the upload page"));
const QCommandLineOption emailOption(QStringLiteral("email"),
                                     QStringLiteral("open a mail to the data mailbox with the archive attached"));
const QCommandLineOption
    diskOption(QStringLiteral("disk"),
               QStringLiteral("copy the archives to PATH, else to the mounted removable disk, verified"));
const QCommandLineOption eraseOption(QStringLiteral("erase"),
                                     QStringLiteral("erase the files on the removable disk first"));
const QCommandLineOption historyOption(QStringLiteral("history"),
                                       QStringLiteral("list the sends kept in the send history, newest first"));

// Where --disk copies to, found before anything is touched.
struct DiskTarget
{
    QString hostDirectory;
    bool removable = false; // a mounted removable medium, which --erase may erase
};

std::optional<DiskTarget> findDiskTarget(const QCommandLineParser &parser, Console &console)
{
    Desktop &desktop = Desktop::current();
    DiskTarget target;
    if (!parser.positionalArguments().isEmpty()) {
        target.hostDirectory = QDir::cleanPath(QFileInfo(parser.positionalArguments().first()).absoluteFilePath());
    } else if (const QString mapped = FloppyDisk::mappedDrive(); !mapped.isEmpty()) {
        target.hostDirectory = mapped;
    } else {
        const QList<Desktop::Medium> media = desktop.removableMedia();
        if (media.size() != 1) {
            console.error(media.isEmpty() ? QStringLiteral("no removable disk is mounted; insert one or name a "
                                                           "directory: sorvik send --disk PATH")
                                          : QStringLiteral("%1 removable disks are mounted; name the one to use: "
                                                           "sorvik send --disk PATH")
                                                .arg(media.size()));
            for (const Desktop::Medium &medium : media)
                console.message(QStringLiteral("  %1  (%2)").arg(medium.mountPoint, medium.label));
            return std::nullopt;
        }
        target.hostDirectory = media.first().mountPoint;
    }
    target.removable = desktop.mediumAt(target.hostDirectory).has_value();
    const bool named = !parser.positionalArguments().isEmpty();
    if (QString problem = FloppyDisk::driveProblem(target.hostDirectory); !problem.isEmpty()) {
        // A directory the user named is no drive A:.
        const QFileInfo directory(target.hostDirectory);
        if (named && !FloppyDisk::overlapsOutputDirectory(target.hostDirectory))
            problem = QStringLiteral("%1 %2; nothing has been erased, archived or deleted")
                          .arg(target.hostDirectory, !directory.exists()  ? QStringLiteral("does not exist")
                                                     : !directory.isDir() ? QStringLiteral("is not a directory")
                                                                          : QStringLiteral("cannot be written to"));
        console.error(problem.replace(QLatin1Char('\n'), QLatin1Char(' ')));
        return std::nullopt;
    }
    if (parser.isSet(eraseOption) && !target.removable) {
        console.error(QStringLiteral("--erase: %1 is not a mounted removable disk, so nothing is erased there; "
                                     "nothing has been erased, archived or deleted")
                          .arg(target.hostDirectory));
        return std::nullopt;
    }
    return target;
}

QString usageProblem(const QCommandLineParser &parser)
{
    if (parser.isSet(historyOption)) {
        const bool other = parser.isSet(uploadOption) || parser.isSet(emailOption) || parser.isSet(diskOption) ||
                           parser.isSet(eraseOption) || !parser.positionalArguments().isEmpty();
        return other ? QStringLiteral("--history goes with no other option but --json") : QString();
    }
    const int channels =
        int(parser.isSet(uploadOption)) + int(parser.isSet(emailOption)) + int(parser.isSet(diskOption));
    if (channels != 1)
        return QStringLiteral("choose one of --upload, --email and --disk");
    const QStringList rest = parser.positionalArguments();
    if (!parser.isSet(diskOption) && !rest.isEmpty())
        return QStringLiteral("unexpected argument '%1'").arg(rest.first());
    if (rest.size() > 1)
        return QStringLiteral("--disk takes one directory, not '%1'").arg(rest.join(QLatin1Char(' ')));
    if (rest.size() == 1 && rest.first().isEmpty())
        return QStringLiteral("--disk needs a directory name, or nothing for drive A:");
    if (parser.isSet(eraseOption) && !parser.isSet(diskOption))
        return QStringLiteral("--erase goes with --disk");
    return {};
}

// Why the send did not start or did not go, on standard error; the exit status.
int refuse(Console &console, const Sending::Outcome &outcome)
{
    if (outcome.status == Sending::Status::NothingToSend) {
        if (outcome.noOutputDirectory)
            console.error(QStringLiteral("there is nothing to send: %1 does not exist (scan servers first)")
                              .arg(Product::outputDirectory()));
        else
            console.error(QStringLiteral("there is nothing to send: the output directory held no data files "
                                         "(scan servers first)"));
    } else {
        console.error(QString(outcome.reason).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    }
    return 1;
}

using Sending::Handover;

// Each archive to upload with its size and SHA-256, for the user to compare with what the page got.
void listUploads(QTextStream &out, const Sending::Outcome &outcome)
{
    for (const SendChannel::ArchiveFacts &archive : outcome.going)
        out << "  " << archive.name << "  " << SendChannel::sizeText(archive.size) << "  SHA-256 " << archive.sha256
            << Qt::endl;
}

Handover upload(QTextStream &out, const Sending::Outcome &outcome)
{
    Desktop &desktop = Desktop::current();
    if (desktop.hasDisplay() && SendChannel::revealArchive(outcome.archives.first()) &&
        Sending::openUploadPage() == Handover::Browser) {
        out << "The upload page " << SendChannel::uploadAddress()
            << " is opening in the browser; drag the archive from the file manager into it." << Qt::endl;
        for (const QString &more : outcome.archives.mid(1))
            out << "Upload " << more << " there as well." << Qt::endl;
        listUploads(out, outcome);
        return Handover::Browser;
    }
    for (const QString &archive : outcome.archives)
        out << "Upload " << archive << " at " << SendChannel::uploadAddress() << Qt::endl;
    listUploads(out, outcome);
    return Handover::None;
}

Handover email(QTextStream &out, const Sending::Outcome &outcome)
{
    const QString attached = outcome.archives.join(QStringLiteral(", "));
    if (Desktop::current().hasDisplay() && Sending::openMail(outcome) == Handover::MailProgram) {
        out << "The mail program has a new message to " << MakerAddress::dataMailbox()
            << " with the archive attached; check it and send it." << Qt::endl;
        for (const QString &more : outcome.archives.mid(1))
            out << "Attach " << more << " to it as well." << Qt::endl;
        return Handover::MailProgram;
    }
    // A plain mailto: message without the attachment is no handover: the text says what to send.
    out << "Send an e-mail to " << MakerAddress::dataMailbox() << " with the subject \"" << SendChannel::mailSubject()
        << "\" and " << attached << " attached." << Qt::endl;
    return Handover::None;
}

// Every archive on the disk with its SHA-256, then where the disk goes; an archive not on the disk
// makes the send a failure, named.
int disk(Console &console, QTextStream &out, const DiskTarget &target, const Sending::Outcome &outcome)
{
    if (outcome.status == Sending::Status::MediumTooSmall) {
        console.error(QString(outcome.reason).replace(QLatin1Char('\n'), QLatin1Char(' ')));
        return 1;
    }
    const int copied = int(outcome.verified.size() - outcome.alreadyThere.size());
    if (copied > 0)
        out << "Copied " << copied << (copied == 1 ? " archive" : " archives") << " to " << target.hostDirectory
            << ", each read back and verified." << Qt::endl;
    if (!outcome.alreadyThere.isEmpty())
        out << target.hostDirectory << " already holds " << outcome.alreadyThere.size()
            << (outcome.alreadyThere.size() == 1 ? " archive" : " archives") << ", byte for byte." << Qt::endl;
    for (const QString &archive : outcome.verified)
        out << "  " << QFileInfo(archive).fileName() << "  SHA-256 " << SendChannel::fileSha256(archive) << Qt::endl;
    if (!outcome.sent()) {
        const qsizetype missing = outcome.notOnMedium.size();
        console.error(QStringLiteral("%1 of the archives %2 not on %3, so the disk is not ready to send: %4")
                          .arg(missing)
                          .arg(missing == 1 ? QStringLiteral("is") : QStringLiteral("are"), target.hostDirectory,
                               outcome.notOnMedium.join(QStringLiteral("; "))));
        return 1;
    }
    if (target.removable)
        out << "Please send the disk to:\n  " << MakerAddress::postalAddress().join(QStringLiteral("\n  ")) << Qt::endl;
    return 0;
}

// What `--json` prints of a send that ran.
void printSendJson(Console &console, Sending::Channel channel, const std::optional<DiskTarget> &target,
                   const Sending::Outcome &outcome, Handover handover)
{
    QJsonArray archives;
    for (const QString &path : outcome.archives) {
        QJsonObject archive = archiveJson(path);
        const bool verified = outcome.verified.contains(path);
        archive.insert(QStringLiteral("verifiedOn"),
                       verified && target ? QJsonValue(target->hostDirectory) : QJsonValue());
        archive.insert(QStringLiteral("alreadyThere"), outcome.alreadyThere.contains(path));
        archives.append(archive);
    }
    QJsonObject sent{{QStringLiteral("channel"), Sending::channelName(channel)},
                     {QStringLiteral("archive"), outcome.archive.hostPath.isEmpty()
                                                     ? QJsonValue()
                                                     : QJsonValue(builtArchiveJson(outcome.archive))},
                     {QStringLiteral("archives"), archives},
                     {QStringLiteral("kept"), QJsonArray::fromStringList(outcome.archive.problems)},
                     {QStringLiteral("notSent"), QJsonArray::fromStringList(outcome.leftAlone)},
                     {QStringLiteral("notOnMedium"), QJsonArray::fromStringList(outcome.notOnMedium)},
                     {QStringLiteral("sent"), outcome.verifiedSent()},
                     {QStringLiteral("reason"), outcome.sent() ? QJsonValue() : QJsonValue(outcome.reason)},
                     {QStringLiteral("handedTo"), Sending::handoverName(handover)}};
    if (channel == Sending::Channel::Upload)
        sent.insert(QStringLiteral("uploadPage"), SendChannel::uploadAddress());
    if (channel == Sending::Channel::Email)
        sent.insert(QStringLiteral("mailbox"), MakerAddress::dataMailbox());
    if (target)
        sent.insert(QStringLiteral("medium"), target->hostDirectory);
    console.printJson(sent);
}

// One send of the history as `--history` lists it: when, how and how it ended, then each archive.
void printRecord(QTextStream &out, const QJsonObject &record)
{
    QString outcome = record.value(QStringLiteral("status")).toString();
    if (const QString program = record.value(QStringLiteral("handedTo")).toString(); !program.isEmpty())
        outcome += QStringLiteral(", handed to the ") +
                   (program == QLatin1String("browser") ? QStringLiteral("browser") : QStringLiteral("mail program"));
    if (const QString reason = record.value(QStringLiteral("reason")).toString(); !reason.isEmpty())
        outcome += QStringLiteral(": ") + QString(reason).replace(QLatin1Char('\n'), QLatin1Char(' '));
    out << record.value(QStringLiteral("time")).toString() << "  " << record.value(QStringLiteral("channel")).toString()
        << "  " << outcome << Qt::endl;
    for (const QJsonValue &value : record.value(QStringLiteral("archives")).toArray()) {
        const QJsonObject archive = value.toObject();
        out << "  " << archive.value(QStringLiteral("name")).toString() << "  "
            << SendChannel::sizeText(qint64(archive.value(QStringLiteral("size")).toDouble())) << "  SHA-256 "
            << archive.value(QStringLiteral("sha256")).toString();
        if (const QString medium = archive.value(QStringLiteral("verifiedOn")).toString(); !medium.isEmpty())
            out << "  verified on " << medium;
        out << Qt::endl;
    }
}

// `--history`: the send history, newest first; a damaged one is warned of and what reads is listed.
int listHistory(Console &console)
{
    QString problem;
    const QList<QJsonObject> records = SendHistory::read(&problem);
    if (!problem.isEmpty())
        console.error(QStringLiteral("warning: ") + problem);
    if (console.json()) {
        QJsonArray all;
        for (const QJsonObject &record : records)
            all.append(record);
        console.out() << QString::fromUtf8(QJsonDocument(all).toJson(QJsonDocument::Indented)) << Qt::flush;
        return 0;
    }
    for (const QJsonObject &record : records)
        printRecord(console.out(), record);
    return 0;
}

Sending::Channel channelOf(const QCommandLineParser &parser)
{
    return parser.isSet(uploadOption)  ? Sending::Channel::Upload
           : parser.isSet(emailOption) ? Sending::Channel::Email
                                       : Sending::Channel::Disk;
}

int run(const QCommandLineParser &parser, const CommandContext &, Console &console)
{
    if (parser.isSet(historyOption))
        return listHistory(console);
    // One session per output directory: a lock held elsewhere ends the run before anything is touched.
    const std::unique_ptr<DirectoryLock> lock = console.lockOutputDirectory();
    if (!lock)
        return 1;
    const Sending::Channel channel = channelOf(parser);
    // Before a disk is erased: an unreadable profile, or nothing to build an archive of.
    const Sending::Outcome ready = Sending::check(channel);
    if (ready.status != Sending::Status::Ready)
        return refuse(console, ready);
    // Nobody may be there to answer: the warning is said and the mail goes on.
    if (!ready.tooLargeForMail.isEmpty())
        console.error(QStringLiteral("warning: ") +
                      QString(ready.tooLargeForMail).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    std::optional<DiskTarget> target;
    if (channel == Sending::Channel::Disk) {
        target = findDiskTarget(parser, console);
        if (!target)
            return 1;
    }
    const Sending::Erase erase = parser.isSet(eraseOption) ? Sending::Erase::Yes : Sending::Erase::Keep;
    const Sending::Outcome outcome =
        target ? Sending::sendToDisk(console.interaction(), console.results(),
                                     {target->hostDirectory, target->removable, [erase] { return erase; }})
               : Sending::send(console.interaction(), console.results(), channel);
    // A disk too small for the archives is refused once they are built: they are named as well.
    if (!outcome.sent() && outcome.status != Sending::Status::NotOnMedium &&
        outcome.status != Sending::Status::MediumTooSmall)
        return refuse(console, outcome);
    if (!outcome.archive.windowsPath.isEmpty())
        printArchiveSummary(console, outcome.archive.windowsPath, outcome.archive.sha256);
    // Data files that the archive does not hold as they are now stay on disk; what is sent lacks them.
    int status = outcome.archive.problems.isEmpty() ? 0 : 1;
    // With --json the red lines are not printed; the object lists them.
    if (status != 0)
        console.error(
            QStringLiteral("%1 of the data files (%2) are not in the archive as they are now; they were kept "
                           "for the next send")
                .arg(outcome.archive.problems.size())
                .arg(console.json() ? QStringLiteral("see \"kept\"") : QStringLiteral("see the lines above")));
    // The channel acts as without --json; with it, what it says on standard output is the object.
    QString discarded;
    QTextStream quiet(&discarded);
    QTextStream &out = console.json() ? quiet : console.out();
    // Printing where to upload or what to mail, where nothing could be opened, is still a send that
    // did its part: the exit status says so, --json's "handedTo" tells the two apart.
    Handover handover = Handover::None;
    if (channel == Sending::Channel::Upload)
        handover = upload(out, outcome);
    else if (channel == Sending::Channel::Email)
        handover = email(out, outcome);
    else if (disk(console, out, *target, outcome) != 0)
        status = 1;
    // A disk send is in the history already; an upload or e-mail once it is handed over.
    if (channel != Sending::Channel::Disk)
        Sending::record(console.interaction(), channel, outcome, handover);
    if (console.json())
        printSendJson(console, channel, target, outcome, handover);
    return status;
}

} // namespace

const Command sendCommand{text,
                          {uploadOption, emailOption, diskOption, eraseOption, historyOption, Console::jsonOption()},
                          usageProblem,
                          run,
                          QStringLiteral("disk")};
