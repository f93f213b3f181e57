#include "send/FloppyDisk.h"
#include "app/Product.h"

#include "app/SessionArchive.h"
#include "platform/Drives.h"
#include "platform/Interaction.h"
#include "send/MakerAddress.h"

#include <QDir>
#include <QFile>

#include <filesystem>
#include <system_error>

namespace {

const QString kFloppyRoot = QStringLiteral("A:\\");

std::filesystem::path fsPath(const QString &hostPath)
{
#ifdef _WIN32
    return std::filesystem::path(hostPath.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(hostPath).toStdString());
#endif
}

// Every entry of a directory but "." and "..", hidden and system ones included, by name.
QStringList entries(const QString &hostDirectory, QDir::Filters kinds)
{
    return QDir(hostDirectory)
        .entryList(kinds | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
}

} // namespace

namespace FloppyDisk {

void erase(Interaction &interaction)
{
    const QString floppy = Drives::hostPath(kFloppyRoot);
    bool first = true;
    for (const QString &name : entries(floppy, QDir::AllEntries)) {
        if (!first)
            interaction.processEvents();
        first = false;
        // Only files go; removing a subdirectory fails and is meant to.
        QFile::remove(floppy + QLatin1Char('/') + name);
    }
}

void copyArchives(Interaction &interaction)
{
    const QString directory = Product::outputDirectory();
    const QString hostDirectory = Drives::hostPath(directory);
    const QString floppy = Drives::hostPath(kFloppyRoot);
    bool first = true;
    for (const QString &name : entries(hostDirectory, QDir::Files)) {
        if (!name.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive))
            continue;
        if (!first)
            interaction.processEvents();
        first = false;
        const std::filesystem::path target = fsPath(floppy + QLatin1Char('/') + name);
        std::error_code failure;
        const bool existed = std::filesystem::exists(std::filesystem::symlink_status(target, failure));
        // The default options refuse an existing target, whatever its kind.
        std::filesystem::copy_file(fsPath(hostDirectory + QLatin1Char('/') + name), target, failure);
        if (failure) {
            // A copy broken off (a full disk) must not leave a truncated archive that looks sent.
            std::error_code ignored;
            if (!existed)
                std::filesystem::remove(target, ignored);
            interaction.message(Product::applicationTitle(),
                                QStringLiteral("Failed to copy ") + directory + QLatin1Char('\\') + name +
                                    QLatin1Char('\n') + QString::fromLocal8Bit(failure.message()),
                                Interaction::Icon::None, Interaction::Buttons::Ok);
        }
    }
}

QString doneText()
{
    return QStringLiteral("Done Creating Floppy\nPlease Send to:\n\n") +
           MakerAddress::postalAddress().join(QLatin1Char('\n'));
}

} // namespace FloppyDisk
