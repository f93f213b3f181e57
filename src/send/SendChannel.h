#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// What the three ways of sending do on this computer, without windows: the archive shown in the file
// manager, the mail with the archive attached, what is said about an archive. Which archives go and
// what counts as sent is decided once, by the send use case (send/Sending.h).
namespace SendChannel {

// The session archive just built.
struct Archive
{
    QString windowsPath;  // "C:\Orvane\Sorvik\<name>.zip"
    QString hostPath;     // where that is on this computer
    QStringList problems; // the red lines the archive wrote into the results (files kept or left out)
    QByteArray sha256;    // of the archive as it was built (hexadecimal); empty when not known
};

// The text of the one Warning box that lists the archive's problems before the program closes.
QString problemsText(const QStringList &problems);

// Opens the output directory with the desktop's default handler (creating it when it is missing).
bool openOutputFolder();
// Shows the archive selected in the file manager, else opens its folder.
bool revealArchive(const QString &hostArchive);

// The upload page's address as the browser is given it.
QString uploadAddress();
// The subject of the mail to the data mailbox.
QString mailSubject();

// An archive that goes, as the mail's body, the upload listing and the send history name it.
struct ArchiveFacts
{
    QString name;     // the file name, e.g. "Acme0101990900.zip"
    QString hostPath; // where it is on this computer
    qint64 size = 0;
    QByteArray sha256; // hexadecimal; empty when it cannot be read whole
};
// The facts of each archive, in the order given; the digest of the one just built is taken as known.
QList<ArchiveFacts> describe(const QStringList &hostArchives, const Archive &built);

// A size in bytes and in a unit that reads easily: "2480533 bytes (2.5 MB)", 1 MB being 1000000 bytes.
QString sizeText(qint64 bytes);

// Each archive as a block of three lines, name, "Size: ..." and "SHA-256: ...", a blank line before each.
QString factsText(const QList<ArchiveFacts> &archives);
// The body of the mail: each archive to attach with its size and SHA-256, for the receiver to check.
QString mailBody(const QList<ArchiveFacts> &archives);

enum class Mail
{
    Attached,    // the mail program has a new message with the archive attached
    AddressOnly, // only a plain mailto: could be opened; the folder is shown for attaching by hand
    Nothing      // nothing could be opened
};
// Opens a new message to the data mailbox with the body and the archive attached; where the desktop
// cannot do that, the plain mailto: address (without the body) and the archive's folder.
Mail mailArchive(const QString &hostArchive, const QString &body);

// What `sorvik send` prints about an archive.
struct Summary
{
    int entries = -1; // -1 when the archive cannot be read
    qint64 size = 0;
    QByteArray sha256; // hexadecimal
};
// A SHA-256 already known for the file as it is is taken as it stands.
Summary summarize(const QString &hostArchive, const QByteArray &knownSha256 = {});

// SHA-256 of a file's contents; empty when it cannot be read whole.
QByteArray fileSha256(const QString &hostFile);

} // namespace SendChannel
