#include "app/SessionArchive.h"
#include "app/Product.h"

#include "platform/Drives.h"
#include "platform/FileSync.h"
#include "platform/Interaction.h"
#include "platform/ResultsSink.h"
#include "platform/Windows1252.h"
#include "profile/ProfileStore.h"
#include "send/ZipDirectoryReader.h"
#include "send/ZipError.h"
#include "send/ZipWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <zlib.h>

#include <memory>
#include <optional>

namespace {

struct Archived
{
    std::uint32_t size = 0;
    std::uint32_t crc32 = 0;
};

// What the archive on disk holds, by stored name; empty when it cannot be read.
QHash<QByteArray, Archived> archivedEntries(const QString &hostPath)
{
    QHash<QByteArray, Archived> entries;
    QFile file(hostPath);
    if (!file.open(QIODevice::ReadOnly))
        return entries;
    try {
        for (const ZipEntry &entry : ZipDirectoryReader::read(file).entries)
            entries.insert(entry.storedName, {entry.uncompressedSize, entry.crc32});
    } catch (const ZipError &) {
        entries.clear();
    }
    return entries;
}

// Size and CRC-32 of a file as it is now; nothing when it cannot be read whole.
std::optional<Archived> fileChecksum(const QString &hostPath)
{
    // Only plain files: opening a pipe would wait for a writer.
    if (!QFileInfo(hostPath).isFile())
        return std::nullopt;
    QFile file(hostPath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    constexpr qint64 kPiece = 65536;
    auto buffer = std::make_unique<char[]>(kPiece);
    uLong crc = crc32(0L, Z_NULL, 0);
    qint64 total = 0;
    for (;;) {
        const qint64 got = file.read(buffer.get(), kPiece);
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        crc = crc32_z(crc, reinterpret_cast<const Bytef *>(buffer.get()), z_size_t(got));
        total += got;
    }
    if (total > qint64(0xFFFFFFFFu))
        return std::nullopt;
    return Archived{std::uint32_t(total), std::uint32_t(crc)};
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

// The data files: names ending in ".DAT" exactly (".dat" is not one), by name as the workstation's
// file system lists them; subdirectories are not searched. Names that cannot be stored are listed
// in `unstorable` instead.
QStringList dataFiles(const QString &hostDirectory, QStringList &unstorable)
{
    QStringList names;
    const QStringList entries =
        QDir(hostDirectory).entryList(QDir::AllEntries | QDir::Hidden | QDir::System, QDir::Name | QDir::IgnoreCase);
    for (const QString &name : entries) {
        if (name == QLatin1String(".") || name == QLatin1String(".."))
            continue;
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        if (dot >= 0 && name.mid(dot) == QLatin1String(".DAT"))
            (storableName(name) ? names : unstorable).append(name);
    }
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

QString BuildSessionArchive(Interaction &interaction, ResultsSink &results, const QDateTime &now)
{
    const QString company = ProfileStore::value(QStringLiteral("Company"));
    // "mm" after "hh" is minutes: month, day, year, hour, minutes.
    const QString stamp = now.toLocalTime().toString(QStringLiteral("MMddyyHHmm"));
    const QString directory = Product::outputDirectory();
    const QString archivePath =
        directory + QLatin1Char('\\') + SessionArchive::companyPart(company) + stamp + QStringLiteral(".zip");

    TZipWriter arc(&interaction);
    arc.SetAutoSave(true);
    arc.SetFileName(archivePath);
    arc.SetBaseDirectory(directory);

    const QString hostDirectory = Drives::hostPath(directory);
    QStringList unstorable;
    const QStringList names = dataFiles(hostDirectory, unstorable);
    for (const QString &name : unstorable)
        results.appendLine(QStringLiteral("%1 was not archived: its name cannot be stored").arg(name),
                           ResultsSink::Color::Red);
    for (const QString &name : names)
        arc.AddFiles(name, 0);
    arc.Save();
    arc.SetFileName(QString());
    interaction.processEvents();

    // Nothing is deleted before the archive is safely on the disk.
    const QString hostArchive = Drives::hostPath(archivePath);
    if (!names.isEmpty() && !FileSync::syncFileAndDirectory(hostArchive)) {
        for (const QString &name : names)
            results.appendLine(
                QStringLiteral("%1 was not deleted: the archive could not be flushed to the disk").arg(name),
                ResultsSink::Color::Red);
        return archivePath;
    }

    // A data file goes only when the archive really holds it as it is now. A file that was left out
    // (locked, vanished, or a duplicate of an entry kept from an earlier archive of the same name) or
    // that changed since it was packed stays for the next session.
    const QHash<QByteArray, Archived> archived = archivedEntries(hostArchive);
    for (const QString &name : names) {
        const QString hostFile = hostDirectory + QLatin1Char('/') + name;
        const auto entry = archived.constFind(Windows1252::fromUnicode(name));
        const std::optional<Archived> current = entry != archived.cend() ? fileChecksum(hostFile) : std::nullopt;
        if (current && current->size == entry->size && current->crc32 == entry->crc32) {
            QFile::remove(hostFile);
            continue;
        }
        // A directory named like a data file is never archived; it is no data file to keep.
        const QFileInfo info(hostFile);
        if (info.exists() && !info.isDir())
            results.appendLine(
                QStringLiteral("%1 was not deleted: the archive does not hold it as it is now").arg(name),
                ResultsSink::Color::Red);
    }
    interaction.processEvents();
    return archivePath;
}
