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

#include <filesystem>
#include <optional>
#include <system_error>

namespace {

// Every entry of a directory but "." and "..", hidden and system ones included, by name.
QStringList entries(const QString &hostDirectory, QDir::Filters kinds)
{
    return QDir(hostDirectory)
        .entryList(kinds | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
}

// Copies one archive to the medium and proves it arrived; the reason when it did not.
std::optional<QString> copyVerified(const QString &source, const QString &target)
{
    const std::filesystem::path to = FileSync::fsPath(target);
    std::error_code failure;
    const bool existed = std::filesystem::exists(std::filesystem::symlink_status(to, failure));
    // The default options refuse an existing target, whatever its kind.
    std::filesystem::copy_file(FileSync::fsPath(source), to, failure);
    std::optional<QString> problem;
    if (failure)
        problem = QString::fromLocal8Bit(failure.message());
    else if (!Desktop::current().flushToMedium(target))
        problem = QStringLiteral("The copy could not be written through to the disk");
    else if (const QByteArray original = SendChannel::fileSha256(source);
             original.isEmpty() || SendChannel::fileSha256(target) != original)
        problem = QStringLiteral("The copy on the disk does not match the archive");
    // A copy broken off or damaged must not stay behind looking sent.
    if (problem && !existed) {
        std::error_code ignored;
        std::filesystem::remove(to, ignored);
    }
    return problem;
}

} // namespace

namespace FloppyDisk {

QString mappedDrive()
{
    return Drives::isMapped(QLatin1Char('A')) ? Drives::driveRoot(QLatin1Char('A')) : QString();
}

QString driveProblem(const QString &hostDrive)
{
    const QString nothingDone = QStringLiteral("\nNothing has been erased, archived or deleted.");
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

int copyArchives(Interaction &interaction, const QString &hostDrive)
{
    const QString directory = Product::outputDirectory();
    const QString hostDirectory = Drives::hostPath(directory);
    int copied = 0;
    bool first = true;
    for (const QString &name : entries(hostDirectory, QDir::Files)) {
        if (!name.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive))
            continue;
        if (!first)
            interaction.processEvents();
        first = false;
        const std::optional<QString> problem =
            copyVerified(hostDirectory + QLatin1Char('/') + name, hostDrive + QLatin1Char('/') + name);
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
