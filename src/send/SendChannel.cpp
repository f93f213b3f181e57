#include "send/SendChannel.h"

#include "platform/Desktop.h"
#include "platform/Drives.h"
#include "platform/Sha256.h"
#include "send/OutputDirectory.h"
#include "send/zip/ZipDirectoryReader.h"
#include "send/zip/ZipError.h"
#include "session/Product.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QUrl>

namespace SendChannel {

QString problemsText(const QStringList &problems)
{
    return QStringLiteral("Not every data file went into the archive; these stay in %1:\n\n%2")
        .arg(Product::outputDirectory(), problems.join(QLatin1Char('\n')));
}

bool openOutputFolder()
{
    const QString folder = OutputDirectory::hostPath();
    QDir().mkpath(folder);
    return Desktop::current().openUrl(QUrl::fromLocalFile(folder));
}

bool revealArchive(const QString &hostArchive)
{
    Desktop &desktop = Desktop::current();
    if (desktop.showFileInFolder(hostArchive))
        return true;
    return desktop.openUrl(QUrl::fromLocalFile(QFileInfo(hostArchive).absolutePath()));
}

QString uploadAddress()
{
    return QStringLiteral("http://") + MakerAddress::webHost() + MakerAddress::uploadPath();
}

QString mailSubject()
{
    return QStringLiteral("Year 2000 Assessment");
}

QList<ArchiveFacts> describe(const QStringList &hostArchives, const Archive &built)
{
    QList<ArchiveFacts> facts;
    for (const QString &path : hostArchives) {
        const QFileInfo info(path);
        const bool known = !built.sha256.isEmpty() && path == built.hostPath;
        facts.append({info.fileName(), path, info.size(), known ? built.sha256 : fileSha256(path)});
    }
    return facts;
}

QString sizeText(qint64 bytes)
{
    const QString exact = QStringLiteral("%1 bytes").arg(bytes);
    if (bytes < 1000)
        return exact;
    return exact + QStringLiteral(" (%1)").arg(QLocale::c().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat));
}

QString factsText(const QList<ArchiveFacts> &archives)
{
    QString text;
    for (const ArchiveFacts &archive : archives)
        text += QStringLiteral("\n%1\nSize: %2\nSHA-256: %3\n")
                    .arg(archive.name, sizeText(archive.size), QString::fromLatin1(archive.sha256));
    return text;
}

QString mailBody(const QList<ArchiveFacts> &archives)
{
    const QString head = archives.size() == 1 ? QStringLiteral("The archive of this message:\n")
                                              : QStringLiteral("The archives of this message:\n");
    return head + factsText(archives) +
           QStringLiteral("\nA file that arrived whole has the SHA-256 given above (sha256sum prints it).\n");
}

Mail mailArchive(const QString &hostArchive, const QString &body)
{
    Desktop &desktop = Desktop::current();
    if (desktop.composeMail(MakerAddress::dataMailbox(), mailSubject(), body, hostArchive))
        return Mail::Attached;
    const bool opened = desktop.openUrl(QUrl(QStringLiteral("mailto:") + MakerAddress::dataMailbox()));
    const bool shown = revealArchive(hostArchive);
    return opened || shown ? Mail::AddressOnly : Mail::Nothing;
}

QByteArray fileSha256(const QString &hostFile)
{
    if (!QFileInfo(hostFile).isFile())
        return {};
    QFile file(hostFile);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    Sha256 hash;
    QByteArray piece(65536, Qt::Uninitialized);
    for (;;) {
        const qint64 got = file.read(piece.data(), piece.size());
        if (got < 0)
            return {};
        if (got == 0)
            break;
        hash.addData(piece.constData(), got);
    }
    return hash.result().toHex();
}

Summary summarize(const QString &hostArchive, const QByteArray &knownSha256)
{
    Summary summary;
    QFile file(hostArchive);
    summary.size = QFileInfo(hostArchive).size();
    summary.sha256 = knownSha256.isEmpty() ? fileSha256(hostArchive) : knownSha256;
    if (file.open(QIODevice::ReadOnly)) {
        try {
            summary.entries = int(ZipDirectoryReader::read(file).entries.size());
        } catch (const ZipError &) {
            summary.entries = -1;
        }
    }
    return summary;
}

} // namespace SendChannel
