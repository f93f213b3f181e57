#include "send/FloppyDisk.h"

#include "app/Product.h"
#include "platform/Desktop.h"
#include "platform/Drives.h"
#include "platform/FileSync.h"
#include "platform/Interaction.h"
#include "send/MakerAddress.h"
#include "send/SendChannel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <optional>

namespace {

// Every entry of a directory but "." and "..", hidden and system ones included, by name.
QStringList entries(const QString &hostDirectory, QDir::Filters kinds)
{
    return QDir(hostDirectory)
        .entryList(kinds | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
}

// The archives of the output directory worth sending: every "*.zip" but empty ones (a session
// without data files), by name.
QStringList archivesToCopy(const QString &hostDirectory)
{
    QStringList names;
    for (const QString &name : entries(hostDirectory, QDir::Files))
        if (name.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive) &&
            QFileInfo(hostDirectory + QLatin1Char('/') + name).size() > 0)
            names.append(name);
    return names;
}

// Copies one archive to the medium and proves it arrived; the reason when it did not.
std::optional<QString> copyVerified(const QString &source, const QString &target)
{
    QFile from(source);
    if (!from.open(QIODevice::ReadOnly))
        return from.errorString();
    QFile to(target);
    // Never over a file of that name, whatever its kind.
    if (!to.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return to.errorString();
    std::optional<QString> problem;
    errno = 0;
    if (!FileSync::copyRange(from, 0, to, 0, from.size()))
        problem = errno != 0 ? QString::fromLocal8Bit(std::strerror(errno)) : QStringLiteral("The copy stopped short");
    to.close();
    if (!problem && !Desktop::current().flushToMedium(target))
        problem = QStringLiteral("The copy could not be written through to the disk");
    if (!problem) {
        const QByteArray original = SendChannel::fileSha256(source);
        if (original.isEmpty() || SendChannel::fileSha256(target) != original)
            problem = QStringLiteral("The copy on the disk does not match the archive");
    }
    // A copy broken off or damaged must not stay behind looking sent; this run made the file.
    if (problem)
        QFile::remove(target);
    return problem;
}

} // namespace

namespace FloppyDisk {

QString mappedDrive()
{
    return Drives::isMapped(QLatin1Char('A')) ? Drives::driveRoot(QLatin1Char('A')) : QString();
}

bool overlapsOutputDirectory(const QString &hostDrive)
{
    auto resolved = [](const QString &path) {
        const QString canonical = QFileInfo(path).canonicalFilePath();
        return canonical.isEmpty() ? QDir::cleanPath(QFileInfo(path).absoluteFilePath()) : canonical;
    };
    const QString drive = resolved(hostDrive);
    const QString output = resolved(SendChannel::hostOutputDirectory());
    auto within = [](const QString &inner, const QString &outer) {
        return inner == outer || inner.startsWith(outer.endsWith(QLatin1Char('/')) ? outer : outer + QLatin1Char('/'));
    };
    return within(drive, output) || within(output, drive);
}

QString driveProblem(const QString &hostDrive)
{
    const QString nothingDone = QStringLiteral("\nNothing has been erased, archived or deleted.");
    // Erasing it would delete the data files (or the session's lock), and a copy into it goes nowhere.
    if (!hostDrive.isEmpty() && overlapsOutputDirectory(hostDrive))
        return QStringLiteral("Drive A: is not a disk of its own: %1 is, holds or lies in the output directory %2.")
                   .arg(hostDrive, Product::outputDirectory()) +
               nothingDone;
    const QFileInfo drive(hostDrive);
    if (hostDrive.isEmpty() || !drive.exists())
        return QStringLiteral("There is no disk in drive A: (%1 is not there).").arg(hostDrive) + nothingDone;
    if (!drive.isDir())
        return QStringLiteral("Drive A: is not a disk (%1 is not a directory).").arg(hostDrive) + nothingDone;
    if (!drive.isWritable())
        return QStringLiteral("The disk in drive A: cannot be written to (%1).").arg(hostDrive) + nothingDone;
    return {};
}

void erase(Interaction &interaction, const QString &hostDrive)
{
    bool first = true;
    for (const QString &name : entries(hostDrive, QDir::AllEntries)) {
        if (!first)
            interaction.processEvents();
        first = false;
        // Only files go; removing a subdirectory fails and is meant to.
        QFile::remove(hostDrive + QLatin1Char('/') + name);
    }
}

int copyArchives(Interaction &interaction, const QString &hostDrive, int *alreadyThere)
{
    const QString directory = Product::outputDirectory();
    const QString hostDirectory = Drives::hostPath(directory);
    int copied = 0;
    bool first = true;
    for (const QString &name : archivesToCopy(hostDirectory)) {
        const QString source = hostDirectory + QLatin1Char('/') + name;
        if (!first)
            interaction.processEvents();
        first = false;
        const QString target = hostDrive + QLatin1Char('/') + name;
        // The same archive already on the disk, byte for byte, is there: not a failed copy.
        if (QFileInfo(target).isFile() && SendChannel::fileSha256(target) == SendChannel::fileSha256(source)) {
            ++copied;
            if (alreadyThere)
                ++*alreadyThere;
            continue;
        }
        const std::optional<QString> problem = copyVerified(source, target);
        if (!problem) {
            ++copied;
            continue;
        }
        interaction.message(Product::applicationTitle(),
                            QStringLiteral("Failed to copy ") + directory + QLatin1Char('\\') + name +
                                QLatin1Char('\n') + *problem,
                            Interaction::Icon::None, Interaction::Buttons::Ok);
    }
    return copied;
}

bool hasArchives()
{
    return !archivesToCopy(SendChannel::hostOutputDirectory()).isEmpty();
}

QString doneText()
{
    return QStringLiteral("Done Creating Floppy\nPlease Send to:\n\n") +
           MakerAddress::postalAddress().join(QLatin1Char('\n'));
}

QString noArchiveText()
{
    return QStringLiteral("The disk in drive A: holds no archive: none could be copied to it.\n"
                          "The archives stay in %1 (on this computer: %2); try again with another disk.")
        .arg(Product::outputDirectory(), SendChannel::hostOutputDirectory());
}

} // namespace FloppyDisk
