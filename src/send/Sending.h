#pragma once

#include "send/SendChannel.h"

#include <QString>
#include <QStringList>

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
    ProfileUnreadable, // the profile store cannot be read: the archive would be named without the company
    NothingToSend,     // no data file and no earlier archive
    DriveNotReady,     // disk: missing, not writable, or not apart from the output directory
    ArchiveFailed,     // the session archive could not be built; nothing was deleted
    NotOnMedium        // disk: an archive that goes is not on the medium
};

struct Outcome
{
    Status status = Status::Ready;
    QString reason;                 // why, for every status but Ready and Sent
    SendChannel::Archive archive;   // this send's archive; no paths when it held nothing and was removed
    QStringList archives;           // host paths of the archives that go, the one to open or attach first
    QStringList verified;           // disk: of those, the ones on the medium, read back and equal
    QStringList alreadyThere;       // disk: of the verified, the ones the medium held before this send
    QStringList notOnMedium;        // disk: "name: reason" for each one that is not there
    QStringList leftAlone;          // "*.zip" names not sent: links or not regular files
    bool noOutputDirectory = false; // nothing to send because the output directory does not exist yet

    bool sent() const { return status == Status::Sent; }
};

// Why the profile store cannot be read (the archive is named after its company); empty when it can.
std::optional<QString> profileProblem();

// What stands in the way before anything is touched, so nothing is erased, archived or deleted: an
// unreadable profile, nothing to send, and for a disk the drive's problem (not looked at while the
// drive is not known yet, hostDrive empty).
Outcome check(Channel channel, const QString &hostDrive = {});

// Builds the session archive; its red lines go to `results` and are kept in Archive::problems.
// Failures of the ZIP writer pass as ZipError.
SendChannel::Archive buildArchive(Interaction &interaction, ResultsSink &results);

// The whole send after the face's questions: check again, build the session archive, decide which
// archives go and, for a disk, copy each onto the medium and prove it arrived. An archive without
// entries made by this send is removed: it is nothing to send.
Outcome send(Interaction &interaction, ResultsSink &results, Channel channel, const QString &hostDrive = {});

} // namespace Sending
