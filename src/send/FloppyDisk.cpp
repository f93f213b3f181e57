#include "send/FloppyDisk.h"

#include "platform/AtomicFile.h"
#include "platform/Desktop.h"
#include "platform/DirectoryShare.h"
#include "platform/Drives.h"
#include "platform/FileSync.h"
#include "platform/Interaction.h"
#include "platform/MediumSpace.h"
#include "send/OutputDirectory.h"
#include "send/SendChannel.h"
#include "send/zip/ZipDirectoryReader.h"
#include "send/zip/ZipError.h"
#include "session/Product.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <algorithm>
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

// Whether every entry of the archive already on the disk is in the grown archive, as it was: then
// the grown one holds all the old copy held, and may take its place.
bool holdsEveryEntryOf(const QString &grown, const QString &older)
{
    QFile grownFile(grown);
    QFile olderFile(older);
    if (!grownFile.open(QIODevice::ReadOnly) || !olderFile.open(QIODevice::ReadOnly))
        return false;
    try {
        const ZipDirectory grownDirectory = ZipDirectoryReader::read(grownFile);
        const ZipDirectory olderDirectory = ZipDirectoryReader::read(olderFile);
        if (olderDirectory.entries.empty())
            return false;
        for (const ZipEntry &old : olderDirectory.entries) {
            const bool kept = std::any_of(grownDirectory.entries.begin(), grownDirectory.entries.end(),
                                          [&old](const ZipEntry &entry) {
                                              return entry.storedName == old.storedName && entry.crc32 == old.crc32 &&
                                                     entry.uncompressedSize == old.uncompressedSize;
                                          });
            if (!kept)
                return false;
        }
        return true;
    } catch (const ZipError &) {
        return false;
    }
}

// Why the file on the medium, flushed there and read back, is not the archive byte for byte.
std::optional<QString> readBackProblem(const QString &source, const QString &onMedium)
{
    if (!Desktop::current().flushToMedium(onMedium))
        return QStringLiteral("The copy could not be written through to the disk");
    const QByteArray original = SendChannel::fileSha256(source);
    if (original.isEmpty() || SendChannel::fileSha256(onMedium) != original)
        return QStringLiteral("The copy on the disk does not match the archive");
    return std::nullopt;
}

// Copies one archive to the medium and proves it arrived; the reason when it did not. The bytes go
// into a temporary file on the medium first, which takes the archive's name only when all are
// written: a copy broken off leaves no partial archive under an archive's name. Where it is to take
// the place of an older copy (`replace`), it is read back before that, so the older copy stays
// unless a good one replaces it; otherwise a file of that name is never overwritten.
std::optional<QString> copyVerified(const QString &source, const QString &target, bool replace)
{
    QFile from(source);
    QString refused;
    // The archive itself, never a file a link put in its place since it was listed.
    if (!FileSync::openReadOnlyNoFollow(from, &refused))
        return refused;
    // Owner-only, like the archive: it holds the contact profile.
    QTemporaryFile copy(QFileInfo(target).absolutePath() + QStringLiteral("/.sorvik-copy-XXXXXX.tmp"));
    if (!copy.open())
        return copy.errorString();
    errno = 0;
    if (!FileSync::copyRange(from, 0, copy, 0, from.size()))
        return systemError(QStringLiteral("The copy stopped short"));
    copy.close();
    QString reason;
    if (replace) {
        if (std::optional<QString> problem = readBackProblem(source, copy.fileName()))
            return problem;
        if (!FileSync::renameOver(copy.fileName(), target, &reason))
            return reason;
    } else if (std::optional<QString> problem = nameCopy(copy.fileName(), target)) {
        return problem;
    }
    copy.setAutoRemove(false); // it is the archive's copy now
    std::optional<QString> problem = readBackProblem(source, target);
    // A copy damaged on its way must not stay behind looking sent; this run named it.
    if (problem)
        QFile::remove(target);
    return problem;
}

// One archive onto the disk, unless the disk's file of that name stands in the way.
FloppyDisk::Copy copyOne(const QString &source, const QString &target)
{
    FloppyDisk::Copy copy;
    copy.name = QFileInfo(target).fileName();
    const QFileInfo there(target);
    bool replace = false;
    if (there.isSymLink()) {
        copy.problem = QStringLiteral("%1 on the disk is a link, not an archive; it was left as it is").arg(copy.name);
    } else if (there.exists() && !there.isFile()) {
        copy.problem = QStringLiteral("%1 on the disk is not a file; it was left as it is").arg(copy.name);
    } else if (there.exists() && FileSync::sameFile(target, source)) {
        // A drive A: that is the output directory under another name holds no copy of anything.
        copy.problem = QStringLiteral("%1 on the disk is the archive itself, not a copy").arg(copy.name);
    } else if (there.exists() && SendChannel::fileSha256(target) == SendChannel::fileSha256(source)) {
        copy.result = FloppyDisk::Copy::Result::AlreadyThere;
        return copy;
    } else if (there.exists()) {
        replace = holdsEveryEntryOf(source, target);
        if (!replace)
            copy.problem = QStringLiteral("the disk holds another file named %1; it was left as it is").arg(copy.name);
    }
    if (copy.problem.isEmpty()) {
        if (const std::optional<QString> problem = copyVerified(source, target, replace))
            copy.problem = *problem;
        else
            copy.result = FloppyDisk::Copy::Result::Copied;
    }
    return copy;
}

const QString kReceiptSuffix = QStringLiteral(".sha256");

// The receipt's line for an archive, as `sha256sum -c` reads it: the digest, two blanks, the file
// name. A name with a backslash or a line break is written escaped, behind a backslash, as the tool
// writes such names itself.
QByteArray receiptLine(const QByteArray &sha256, const QString &name)
{
    QByteArray encoded = QFile::encodeName(name);
    const bool escaped = encoded.contains('\\') || encoded.contains('\n');
    if (escaped)
        encoded.replace("\\", "\\\\").replace("\n", "\\n");
    return (escaped ? QByteArray("\\") : QByteArray()) + sha256 + "  " + encoded + '\n';
}

// What the receipt on the medium holds, when it is a regular file itself; empty otherwise.
QByteArray receiptOnMedium(const QString &receipt)
{
    QFile file(receipt);
    if (!FileSync::openReadOnlyNoFollow(file))
        return {};
    // A receipt is one short line: its first few kilobytes tell whether it is the one wanted.
    return file.read(4096);
}

// Puts the receipt of the archive copied to `target` beside it, unless the medium holds that very
// receipt, and reads it back; why the archive has no good receipt on the medium otherwise.
std::optional<QString> writeReceipt(const QString &source, const QString &target)
{
    const QString receipt = target + kReceiptSuffix;
    auto problem = [&receipt](const QString &why) {
        return QStringLiteral("its receipt %1 could not be put on the disk: %2")
            .arg(QFileInfo(receipt).fileName(), why);
    };
    const QByteArray sha256 = SendChannel::fileSha256(source);
    if (sha256.isEmpty())
        return problem(QStringLiteral("the archive could not be read"));
    const QByteArray line = receiptLine(sha256, QFileInfo(target).fileName());
    if (receiptOnMedium(receipt) != line) {
        // Whole or not at all under its name; a link of that name is replaced, never followed.
        AtomicFile file(receipt);
        if (!file.open() || !file.write(line) || !file.commit())
            return problem(file.errorString());
    }
    if (!Desktop::current().flushToMedium(receipt))
        return problem(QStringLiteral("it could not be written through to the disk"));
    if (receiptOnMedium(receipt) != line) {
        // A receipt that would fail the check of a good archive does not stay behind.
        QFile::remove(receipt);
        return problem(QStringLiteral("it does not read back as written"));
    }
    return std::nullopt;
}

// A size for the user; exact to the byte when the rounded sizes would read the same.
QString sizeText(qint64 bytes, qint64 other)
{
    const QLocale locale;
    const QString rounded = locale.formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
    if (rounded != locale.formattedDataSize(other, 1, QLocale::DataSizeSIFormat))
        return rounded;
    return QStringLiteral("%1 bytes").arg(locale.toString(bytes));
}

} // namespace

namespace FloppyDisk {

QString mappedDrive()
{
    return Drives::isMapped(QLatin1Char('A')) ? Drives::driveRoot(QLatin1Char('A')) : QString();
}

bool overlapsOutputDirectory(const QString &hostDrive)
{
    const QString output = OutputDirectory::hostPath();
    return FileSync::isWithin(hostDrive, output) || FileSync::isWithin(output, hostDrive);
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

std::optional<Room> room(const QString &hostDrive, const QStringList &names, bool erased)
{
    const std::optional<MediumSpace::Space> space = MediumSpace::of(hostDrive);
    if (!space)
        return std::nullopt;
    Room room;
    room.available = space->freeBytes;
    // Erasing deletes the files in the disk's root; what they take becomes free.
    if (erased)
        for (const QString &name : entries(hostDrive, QDir::Files))
            room.available += MediumSpace::taken(hostDrive + QLatin1Char('/') + name);
    const QString hostDirectory = OutputDirectory::hostPath();
    for (const QString &name : names) {
        const QString source = hostDirectory + QLatin1Char('/') + name;
        const QString target = hostDrive + QLatin1Char('/') + name;
        const qint64 size = QFileInfo(source).size();
        // Only an archive the disk may hold already is read here.
        QByteArray sha256;
        bool there = false;
        if (!erased && FileSync::isRegularFileNoFollow(target) && QFileInfo(target).size() == size) {
            sha256 = SendChannel::fileSha256(source);
            there = !sha256.isEmpty() && SendChannel::fileSha256(target) == sha256;
        }
        if (!there)
            room.needed += MediumSpace::inBlocks(size, space->blockSize);
        if (!there || receiptOnMedium(target + kReceiptSuffix) != receiptLine(sha256, name))
            room.needed += MediumSpace::inBlocks(receiptLine(QByteArray(64, '0'), name).size(), space->blockSize);
    }
    return room;
}

QString tooSmallText(const Room &room, const QString &hostDrive, bool erased)
{
    return QStringLiteral("The archives need %1 on the disk, but the disk in drive A: (%2) has room for only %3%4.\n"
                          "Nothing on the disk has been erased or written. The archives are kept in %5 for another "
                          "channel or a larger disk.")
        .arg(sizeText(room.needed, room.available), hostDrive, sizeText(room.available, room.needed),
             erased ? QStringLiteral(" once erased") : QString(), Product::outputDirectory());
}

std::vector<Copy> copyArchives(Interaction &interaction, const QString &hostDrive, const QStringList &names)
{
    const QString directory = Product::outputDirectory();
    const QString hostDirectory = OutputDirectory::hostPath();
    // What a copy broken off by a killed run left on the medium goes first; but only when no other send
    // is copying onto the medium now, since one of them may be its live copy. Every send holds the
    // medium shared while its copies are being made.
    DirectoryShare medium(hostDrive);
    if (medium.tryAlone()) {
        static const QRegularExpression leftover(QStringLiteral("^\\.sorvik-copy-[A-Za-z0-9]{6}\\.tmp$"));
        for (const QString &name : entries(hostDrive, QDir::Files))
            if (leftover.match(name).hasMatch() || AtomicFile::isTemporaryName(name, kReceiptSuffix))
                QFile::remove(hostDrive + QLatin1Char('/') + name);
    }
    medium.share();
    std::vector<Copy> copies;
    for (const QString &name : names) {
        if (!copies.empty())
            interaction.processEvents();
        const QString source = hostDirectory + QLatin1Char('/') + name;
        const QString target = hostDrive + QLatin1Char('/') + name;
        copies.push_back(copyOne(source, target));
        if (copies.back().result != Copy::Result::Failed) {
            if (const std::optional<QString> problem = writeReceipt(source, target)) {
                copies.back().result = Copy::Result::Failed;
                copies.back().problem = *problem;
            }
        }
        if (copies.back().result == Copy::Result::Failed)
            interaction.message(Product::applicationTitle(),
                                QStringLiteral("Failed to copy ") + directory + QLatin1Char('\\') + name +
                                    QLatin1Char('\n') + copies.back().problem,
                                Interaction::Icon::None, Interaction::Buttons::Ok);
    }
    return copies;
}

QString doneText()
{
    return QStringLiteral("Done Creating Floppy\nPlease Send to:\n\n") +
           MakerAddress::postalAddress().join(QLatin1Char('\n'));
}

QString notOnDiskText(const QStringList &missing)
{
    return QStringLiteral("The disk in drive A: does not hold every archive; these are not on it:\n%1\n"
                          "The archives stay in %2 (on this computer: %3); try again with another disk.")
        .arg(missing.join(QLatin1Char('\n')), Product::outputDirectory(), OutputDirectory::hostPath());
}

} // namespace FloppyDisk
