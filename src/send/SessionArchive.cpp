#include "send/SessionArchive.h"
#include "session/Product.h"

#include "platform/AtomicFile.h"
#include "platform/Drives.h"
#include "platform/FileSync.h"
#include "platform/Interaction.h"
#include "platform/ResultsSink.h"
#include "platform/Windows1252.h"
#include "profile/ProfileStore.h"
#include "send/OutputDirectory.h"
#include "send/SendChannel.h"
#include "send/zip/EntryCompressor.h"
#include "send/zip/ZipDirectoryReader.h"
#include "send/zip/ZipError.h"
#include "send/zip/ZipReadBack.h"
#include "send/zip/ZipWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include <future>
#include <system_error>

namespace {

// What the archive on disk holds, by stored name; empty when it cannot be read.
QHash<QByteArray, ZipEntry> archivedEntries(QFile &archive)
{
    QHash<QByteArray, ZipEntry> entries;
    try {
        for (ZipEntry &entry : ZipDirectoryReader::read(archive).entries)
            entries.insert(entry.storedName, std::move(entry));
    } catch (const ZipError &) {
        entries.clear();
    }
    return entries;
}

// Why a side file "X.zip.old" is not put back as the archive X.zip; empty when it is a regular file
// that reads as a ZIP archive. The type is checked before the file is opened: opening a pipe would
// wait for a writer.
QString notAnArchive(const QString &path)
{
    const QFileInfo info(path);
    if (info.isSymLink())
        return QStringLiteral("it is a symbolic link");
    if (!info.isFile())
        return QStringLiteral("it is not a regular file");
    if (!OutputDirectory::readsAsArchive(path))
        return QStringLiteral("it is not a ZIP archive");
    return QString();
}

// Whether a name can be handed to the archive writer as the bare name of one file: a character a
// Windows file name cannot hold would be read as a mask or a directory part there.
bool storableName(const QString &name)
{
    for (const QChar c : name)
        if (c.unicode() < 0x20 || QStringView(u"\\/:*?\"<>|").contains(c))
            return false;
    return true;
}

// Whether a name survives the way into the archive and back: the archive holds Windows-1252 names,
// and a character that code page cannot hold would be stored as another one.
bool storedExactly(const QString &name)
{
    return Windows1252::toUnicode(Windows1252::fromUnicode(name)) == name;
}

// The data files to pack, as the output directory lists them. A name that cannot be stored exactly,
// or that is not valid in the system's encoding, is not taken, nor an entry that is no data file:
// each gets its red line in the results.
QStringList dataFiles(ResultsSink &results)
{
    using Kind = OutputDirectory::Candidate::Kind;
    QStringList names;
    // Windows names differ in more than letter case: of two that do not, the archive takes the first.
    QHash<QString, QString> taken;
    for (const OutputDirectory::Candidate &candidate : OutputDirectory::dataFileCandidates()) {
        const QString &name = candidate.name;
        const QString twin = taken.value(name.toUpper());
        if (!twin.isEmpty() && candidate.kind == Kind::DataFile)
            results.appendLine(QStringLiteral("%1 was not archived: the archive holds %2, and Windows does not tell "
                                              "names apart by letter case")
                                   .arg(name, twin),
                               ResultsSink::Color::Red);
        else if (!storableName(name) || !storedExactly(name))
            results.appendLine(QStringLiteral("%1 was not archived: its name cannot be stored").arg(name),
                               ResultsSink::Color::Red);
        else if (candidate.kind == Kind::Link)
            results.appendLine(QStringLiteral("%1 was not archived: it is a symbolic link").arg(name),
                               ResultsSink::Color::Red);
        else if (candidate.kind == Kind::NotRegular)
            results.appendLine(QStringLiteral("%1 was not archived: it is not a regular file").arg(name),
                               ResultsSink::Color::Red);
        else if (candidate.kind == Kind::DataFile)
            taken.insert(name.toUpper(), names.emplace_back(name));
        // A directory named like a data file is no data file at all.
    }
    for (const QByteArray &raw : OutputDirectory::undecodableDataFileNames())
        results.appendLine(QStringLiteral("%1 was not archived: its name is not valid in the system's encoding")
                               .arg(QFile::decodeName(raw)),
                           ResultsSink::Color::Red);
    return names;
}

} // namespace

QString SessionArchive::companyPart(const QString &company)
{
    QString part;
    for (const QChar c : company) {
        const char16_t u = c.unicode();
        if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9'))
            part.append(c);
    }
    return part;
}

bool SessionArchive::isArchiveName(const QString &name)
{
    // Month, day, year, hour and minutes, two digits each, of a date of this century.
    static const QRegularExpression pattern(
        QStringLiteral("^[A-Za-z0-9]{0,%1}([0-9]{2})([0-9]{2})([0-9]{2})([0-9]{2})([0-9]{2})\\.zip$")
            .arg(SessionArchive::kLongestCompanyPart));
    const QRegularExpressionMatch match = pattern.match(name);
    const auto part = [&match](int i) { return match.captured(i).toInt(); };
    return match.hasMatch() && QDate(2000 + part(3), part(1), part(2)).isValid() && QTime(part(4), part(5)).isValid();
}

void SessionArchive::recoverLeftovers(ResultsSink &results)
{
    const QString hostDirectory = OutputDirectory::hostPath();
    const QDir directory(hostDirectory);
    const QStringList entries = directory.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString &name : entries) {
        const QString path = hostDirectory + QLatin1Char('/') + name;
        // Temporary files of an archive save or of a data file that a killed run left behind.
        if (TZipWriter::isTemporaryName(name) || AtomicFile::isTemporaryName(name)) {
            QFile::remove(path);
            continue;
        }
        // Only a side file of an archive this program named is its own: the user's "Photos.zip.old"
        // put back as "Photos.zip" would be sent.
        if (!name.endsWith(QStringLiteral(".old")) || !isArchiveName(name.chopped(4)))
            continue;
        const QString archiveName = name.chopped(4);
        const QString archivePath = hostDirectory + QLatin1Char('/') + archiveName;
        const QFileInfo archiveInfo(archivePath);
        const bool present = archiveInfo.exists();
        if (archiveInfo.isSymLink() || (present && !archiveInfo.isFile()))
            continue; // a directory or a link of that name is nothing to replace
        if (present && OutputDirectory::readsAsArchive(archivePath))
            continue; // the archive is in place; the side file stays as it is
        // Only what a save moved aside goes back: a text file, or a link to a file elsewhere, under the
        // side name of an archive would be sent as one.
        if (const QString reason = notAnArchive(path); !reason.isEmpty()) {
            results.appendLine(QStringLiteral("%1 was not put back as %2: %3").arg(name, archiveName, reason),
                               ResultsSink::Color::Red);
            continue;
        }
        // A damaged archive is kept beside, under a name no channel copies: it may hold what nothing
        // else does.
        const QString damagedName = archiveName + QStringLiteral(".damaged");
        if (present && (QFileInfo::exists(hostDirectory + QLatin1Char('/') + damagedName) ||
                        !FileSync::renameOver(archivePath, hostDirectory + QLatin1Char('/') + damagedName)))
            continue;
        if (!FileSync::renameOver(path, archivePath))
            continue;
        FileSync::syncDirectory(hostDirectory);
        results.appendLine(
            present ? QStringLiteral("%1 was put back from %2: the archive was damaged and is kept as %3")
                          .arg(archiveName, name, damagedName)
                    : QStringLiteral("%1 was put back from %2: the archive was missing").arg(archiveName, name),
            ResultsSink::Color::Blue);
    }
}

namespace {

// The archive's Windows path. A company part too long for a file name is cut, and the results say so.
QString archivePathFor(const QString &company, const QDateTime &now, ResultsSink &results)
{
    QString part = SessionArchive::companyPart(company);
    // "mm" after "hh" is minutes: month, day, year, hour, minutes.
    const QString stamp = now.toLocalTime().toString(QStringLiteral("MMddyyHHmm"));
    if (part.size() > SessionArchive::kLongestCompanyPart) {
        const qsizetype whole = part.size();
        part.truncate(SessionArchive::kLongestCompanyPart);
        results.appendLine(QStringLiteral("%1 is named after the first %2 of the company's %3 letters and digits: "
                                          "a file name holds at most 255 bytes")
                               .arg(part + stamp + OutputDirectory::archiveSuffix)
                               .arg(SessionArchive::kLongestCompanyPart)
                               .arg(whole),
                           ResultsSink::Color::Blue);
    }
    return Product::outputDirectory() + QLatin1Char('\\') + part + stamp + OutputDirectory::archiveSuffix;
}

// A data file goes only when the saved archive's entry of its name, read back from the disk and
// inflated, is the file as it is now. A file that was left out (locked, vanished, or a duplicate of
// an entry kept from an earlier archive of the same name), that changed since it was packed, that
// became a link, or whose entry does not read back whole stays for the next session.
void deleteArchived(const QString &hostArchive, const QString &hostDirectory, const QStringList &names,
                    ResultsSink &results)
{
    QFile archive(hostArchive);
    const QHash<QByteArray, ZipEntry> archived =
        archive.open(QIODevice::ReadOnly) ? archivedEntries(archive) : QHash<QByteArray, ZipEntry>();
    archive.close();
    std::vector<ZipReadBack::Check> checks;
    checks.reserve(names.size());
    for (const QString &name : names) {
        const auto entry = archived.constFind(Windows1252::fromUnicode(name));
        checks.push_back({entry == archived.cend() ? nullptr : &*entry, hostDirectory + QLatin1Char('/') + name});
    }
    // The read-back deletes each file it has proved held (opened as itself, never through a link) and
    // that nothing has written to since.
    using Answer = ZipReadBack::Answer;
    const std::vector<Answer> answers = ZipReadBack::holdAll(hostArchive, checks, ZipReadBack::RemoveHeld::Yes);
    for (std::size_t i = 0; i < checks.size(); ++i) {
        if (answers[i] == Answer::Held)
            continue; // deleted by the read-back
        // A directory named like a data file is never archived; it is no data file to keep.
        const QFileInfo info(checks[i].hostFile);
        if (answers[i] == Answer::NotRemoved)
            results.appendLine(QStringLiteral("%1 was not deleted: the system refused to delete it").arg(names[int(i)]),
                               ResultsSink::Color::Red);
        else if (info.size() > EntryCompressor::kLargestEntry)
            results.appendLine(
                QStringLiteral("%1 was not archived: it is too large for a ZIP archive").arg(names[int(i)]),
                ResultsSink::Color::Red);
        else if (info.exists() && !info.isDir())
            results.appendLine(
                QStringLiteral("%1 was not deleted: the archive does not hold it as it is now").arg(names[int(i)]),
                ResultsSink::Color::Red);
    }
}

} // namespace

QString SessionArchive::build(Interaction &interaction, ResultsSink &results, const QDateTime &now, QByteArray *sha256)
{
    const QString directory = Product::outputDirectory();
    const QString archivePath = archivePathFor(ProfileStore::value(QStringLiteral("Company")), now, results);

    TZipWriter arc(&interaction);
    arc.SetAutoSave(true);
    arc.SetFileName(archivePath);
    arc.SetBaseDirectory(directory);

    const QString hostDirectory = OutputDirectory::hostPath();
    const QStringList names = dataFiles(results);
    try {
        arc.AddFiles(names, 0);
        arc.Save();
    } catch (...) {
        // A build that failed part way (a full disk) is not put in place: every data file stays, and
        // a partial archive beside the next one would send some of them twice.
        arc.Abandon();
        throw;
    }
    arc.SetFileName(QString());
    interaction.processEvents();

    // The archive is complete: its digest is worked out while the read-back runs.
    const QString hostArchive = Drives::hostPath(archivePath);
    std::future<QByteArray> digest;
    if (sha256) {
        try {
            digest = std::async(std::launch::async, [hostArchive] { return SendChannel::fileSha256(hostArchive); });
        } catch (const std::system_error &) {
            // No thread to spare: the digest follows the read-back.
        }
    }
    // Nothing is deleted before the archive is safely on the disk.
    if (!names.isEmpty() && !FileSync::syncFileAndDirectory(hostArchive)) {
        for (const QString &name : names)
            results.appendLine(
                QStringLiteral("%1 was not deleted: the archive could not be flushed to the disk").arg(name),
                ResultsSink::Color::Red);
    } else {
        deleteArchived(hostArchive, hostDirectory, names, results);
    }
    if (sha256)
        *sha256 = digest.valid() ? digest.get() : SendChannel::fileSha256(hostArchive);
    interaction.processEvents();
    return archivePath;
}
