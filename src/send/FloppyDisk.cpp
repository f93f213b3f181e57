#include "send/FloppyDisk.h"

#include "app/session/Product.h"
#include "platform/Desktop.h"
#include "platform/Drives.h"
#include "platform/FileSync.h"
#include "platform/Interaction.h"
#include "send/MakerAddress.h"
#include "send/SendChannel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
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

// The system's text for the last failure, or the fallback when the call left none.
QString systemError(const QString &fallback)
{
    return errno != 0 ? QString::fromLocal8Bit(std::strerror(errno)) : fallback;
}

// Gives the finished copy its name, never over a file already there.
std::optional<QString> nameCopy(const QString &temporary, const QString &target)
{
    std::optional<QString> problem = FileSync::renameNoReplace(temporary, target);
    if (problem && problem->isEmpty())
        problem = QStringLiteral("The copy could not be named");
    return problem;
}

// Copies one archive to the medium and proves it arrived; the reason when it did not. The bytes go
// into a temporary file on the medium first, which takes the archive's name only when all are
// written: a copy broken off leaves no partial archive under an archive's name.
std::optional<QString> copyVerified(const QString &source, const QString &target)
{
    QFile from(source);
    if (!from.open(QIODevice::ReadOnly))
        return from.errorString();
    // Owner-only, like the archive: it holds the contact profile.
    QTemporaryFile copy(QFileInfo(target).absolutePath() + QStringLiteral("/.sorvik-copy-XXXXXX.tmp"));
    if (!copy.open())
        return copy.errorString();
    errno = 0;
    if (!FileSync::copyRange(from, 0, copy, 0, from.size()))
        return systemError(QStringLiteral("The copy stopped short"));
    copy.close();
    if (std::optional<QString> problem = nameCopy(copy.fileName(), target))
        return problem;
    copy.setAutoRemove(false); // it is the archive's copy now
    std::optional<QString> problem;
    if (!Desktop::current().flushToMedium(target))
        problem = QStringLiteral("The copy could not be written through to the disk");
    if (!problem) {
        const QByteArray original = SendChannel::fileSha256(source);
        if (original.isEmpty() || SendChannel::fileSha256(target) != original)
            problem = QStringLiteral("The copy on the disk does not match the archive");
    }
    // A copy damaged on its way must not stay behind looking sent; this run named it.
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
    // What a copy broken off by a killed run left on the medium goes first.
    static const QRegularExpression leftover(QStringLiteral("^\\.sorvik-copy-[A-Za-z0-9]{6}\\.tmp$"));
    for (const QString &name : entries(hostDrive, QDir::Files))
        if (leftover.match(name).hasMatch())
            QFile::remove(hostDrive + QLatin1Char('/') + name);
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
