#include "send/OutputDirectory.h"

#include "platform/DirectoryListing.h"
#include "platform/DirectoryLock.h"
#include "platform/Drives.h"
#include "platform/FileSync.h"
#include "send/SessionArchive.h"
#include "send/zip/ZipDirectoryReader.h"
#include "send/zip/ZipError.h"
#include "session/Product.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

// Every entry but "." and "..", hidden and system ones included, by name as the workstation lists them.
QFileInfoList entries()
{
    return QDir(OutputDirectory::hostPath())
        .entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                       QDir::Name | QDir::IgnoreCase);
}

OutputDirectory::Candidate::Kind kindOf(const QFileInfo &info)
{
    using Kind = OutputDirectory::Candidate::Kind;
    // The listing says what kind each entry is: a plain file is not looked up again.
    if (info.isSymLink())
        return Kind::Link;
    if (info.isDir())
        return Kind::Directory;
    return info.isFile() ? Kind::DataFile : Kind::NotRegular;
}

} // namespace

namespace OutputDirectory {

QString hostPath()
{
    return Drives::hostPath(Product::outputDirectory());
}

std::unique_ptr<DirectoryLock> startWork(ResultsSink &results, QString *refusal)
{
    auto lock = std::make_unique<DirectoryLock>(hostPath(), Product::outputDirectory());
    if (!lock->tryLock()) {
        *refusal = lock->errorString();
        return nullptr;
    }
    // Under the lock no other session works in the directory: what a killed run left is tidied now.
    SessionArchive::recoverLeftovers(results);
    return lock;
}

QList<Candidate> dataFileCandidates()
{
    QList<Candidate> candidates;
    for (const QFileInfo &info : entries())
        if (info.fileName().endsWith(dataFileSuffix))
            candidates.append({info.fileName(), kindOf(info)});
    return candidates;
}

QByteArrayList undecodableDataFileNames()
{
    QByteArrayList names;
    for (const QByteArray &raw : DirectoryListing::rawNames(hostPath()))
        if (raw.endsWith(dataFileSuffix.latin1()) && !DirectoryListing::validName(raw))
            names.append(raw);
    return names;
}

bool holdsDataFiles()
{
    const QList<Candidate> candidates = dataFileCandidates();
    return std::any_of(candidates.cbegin(), candidates.cend(),
                       [](const Candidate &candidate) { return candidate.kind == Candidate::Kind::DataFile; });
}

bool readsAsArchive(const QString &hostPath)
{
    QFile file(hostPath);
    if (!FileSync::openReadOnlyNoFollow(file))
        return false;
    try {
        ZipDirectoryReader::read(file);
        return true;
    } catch (const ZipError &) {
        return false;
    }
}

QStringList archives(ArchiveNotes *notes)
{
    ArchiveNotes unused;
    ArchiveNotes &noted = notes ? *notes : unused;
    QStringList names;
    for (const QFileInfo &info : entries()) {
        const QString name = info.fileName();
        if (!name.endsWith(archiveSuffix, Qt::CaseInsensitive))
            continue;
        // Only what reads as an archive goes: never a file reached through a link, nor one that a
        // receiver could not open.
        if (info.isSymLink() || !info.isFile()) {
            noted.links.append(name);
        } else if (info.size() == 0) {
            continue;
        } else if (!readsAsArchive(info.filePath())) {
            noted.notArchives.append(name);
        } else {
            names.append(name);
            if (!SessionArchive::isArchiveName(name))
                noted.otherNames.append(name);
        }
    }
    return names;
}

QStringList archivesThatGo(const QString &first, ArchiveNotes *notes)
{
    const QString directory = hostPath() + QLatin1Char('/');
    QStringList paths;
    for (const QString &name : archives(notes))
        paths.append(directory + name);
    auto head = std::find(paths.begin(), paths.end(), first);
    if (head == paths.end())
        head = std::max_element(paths.begin(), paths.end(), [](const QString &a, const QString &b) {
            return QFileInfo(a).lastModified() < QFileInfo(b).lastModified();
        });
    if (head != paths.end())
        std::rotate(paths.begin(), head, head + 1);
    return paths;
}

} // namespace OutputDirectory
