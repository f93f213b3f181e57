#pragma once

#include "send/SendChannel.h"

#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class Interaction;
class ResultsSink;

// Sending the session's data, as the send windows and `sorvik send` both do it: which archives go,
// when there is nothing to send, and what counts as sent. The faces ask, confirm and show; the rules
// are here, and both render the one outcome.
namespace Sending {

enum class Channel
{
    Upload,
    Email,
    Disk
};

enum class Status
{
    Ready,             // check(): nothing stands in the way
    Sent,              // the archives that go are built and, on a disk, read back and equal
    Archived,          // archive(): the session archive is built
    Cancelled,         // the user chose not to go on; nothing was touched
    ProfileUnreadable, // the profile store cannot be read: the archive would be named without the company
    NothingToSend,     // no data file and no earlier archive; for archive(), no output directory
    DriveNotReady,     // disk: missing, not writable, or not apart from the output directory
    ArchiveFailed,     // the session archive could not be built; nothing was deleted
    NotOnMedium,       // disk: an archive that goes is not on the medium
    MediumTooSmall     // disk: the archives that go do not fit; the medium was left as it was
};

struct Outcome
{
    Status status = Status::Ready;
    QString reason;                         // why, for every status but Ready and Sent
    SendChannel::Archive archive;           // this send's archive; no paths when it held nothing and was removed
    QStringList archives;                   // host paths of the archives that go, the one to open or attach first
    QStringList verified;                   // disk: of those, the ones on the medium, read back and equal
    QStringList alreadyThere;               // disk: of the verified, the ones the medium held before this send
    QStringList notOnMedium;                // disk: "name: reason" for each one that is not there
    QStringList leftAlone;                  // archive names not sent: links, not regular files, no readable ZIP
    bool noOutputDirectory = false;         // nothing to send because the output directory does not exist yet
    QList<SendChannel::ArchiveFacts> going; // the archives that go, with size and SHA-256, as `archives`
    QString tooLargeForMail;                // check() for an e-mail: the archives too large for most mail servers, said

    bool sent() const { return status == Status::Sent; }
    // Whether what was sent is known to be where it went: a disk's copies, every one read back and
    // equal. An upload or a mail is finished by the user, elsewhere, so it never is.
    bool verifiedSent() const { return sent() && !verified.isEmpty(); }
};

// Why the profile store cannot be read (the archive is named after its company); empty when it can.
std::optional<QString> profileProblem();

// What stands in the way before anything is touched, so nothing is erased, archived or deleted: an
// unreadable profile, nothing to send, and for a disk the drive's problem (not looked at while the
// drive is not known yet, hostDrive empty).
Outcome check(Channel channel, const QString &hostDrive = {});

// Builds the session archive; its red lines go to `results` and are kept in Archive::problems.
// Failures of the ZIP writer pass as ZipError; archive() and send() turn them into an outcome.
SendChannel::Archive buildArchive(Interaction &interaction, ResultsSink &results);

// The whole send after the face's questions: check again, build the session archive, decide which
// archives go and, for a disk, make sure they fit, then copy each onto the medium and prove it arrived. An archive
// without entries made by this send is removed: it is nothing to send.
Outcome send(Interaction &interaction, ResultsSink &results, Channel channel, const QString &hostDrive = {});

// The largest archive a mail is given without a warning: most mail servers refuse larger messages
// once encoded.
inline constexpr qint64 mailLimitBytes = 20 * 1000 * 1000;

// The program an upload or e-mail was handed to; the user finishes the send there. None when where
// to go could only be said.
enum class Handover
{
    None,
    Browser,
    MailProgram
};

// The names the history and `--json` give a channel ("upload", "email", "disk") and a hand-over
// ("browser", "mailProgram", null).
QString channelName(Channel channel);
QJsonValue handoverName(Handover handover);

// Opens the upload page in the browser.
Handover openUploadPage();
// Opens a new message to the data mailbox with the first archive that goes attached and a body that
// names each with its size and SHA-256; where that cannot be done, the plain address and the folder.
Handover openMail(const Outcome &outcome);

// Keeps a send that went (or that left a disk without every archive) in the send history: the time,
// the channel, each archive that goes with its size, SHA-256 and the medium it was verified on, and
// the outcome with where it was handed to. A history that cannot be read or written is warned of
// and stops nothing. The disk send records itself; an upload or e-mail once it has been handed over.
void record(Interaction &interaction, Channel channel, const Outcome &outcome, Handover handover,
            const QString &medium = {});

// Whether the disk is erased before the archives go onto it.
enum class Erase
{
    Yes,
    Keep,
    Cancel // nothing is done at all
};

// A disk send as the face has chosen it.
struct DiskSend
{
    QString hostDrive;          // the directory that stands for drive A:
    bool mountedMedium = false; // one of the mounted removable media: it must still be mounted
    // Asked once nothing stands in the way, before anything is touched; none keeps the disk as it is.
    std::function<Erase()> askErase;
};

// The whole disk send: the refusals before anything is touched (an unreadable profile, nothing to
// send, a drive that is not ready or a medium no longer mounted), the question whether to erase, the
// session archive, then whether the archives fit on the medium once erased (when they do not, the
// medium is not touched and they stay in the output directory), the erasing, the copies and
// read-backs.
Outcome sendToDisk(Interaction &interaction, ResultsSink &results, const DiskSend &disk);

// The session archive on its own, as `sorvik archive` makes it: refused when the profile cannot be
// read or the output directory does not exist; the one place where a failure of the ZIP writer
// becomes an outcome (ArchiveFailed). An archive without data files is still built.
Outcome archive(Interaction &interaction, ResultsSink &results);

} // namespace Sending
