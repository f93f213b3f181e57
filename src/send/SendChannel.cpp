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

Mail mailArchive(const QString &hostArchive)
{
    Desktop &desktop = Desktop::current();
    if (desktop.composeMail(MakerAddress::dataMailbox(), mailSubject(), hostArchive))
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
