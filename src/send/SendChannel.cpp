#include "send/SendChannel.h"

#include "app/session/Product.h"
#include "app/SessionArchive.h"
#include "platform/Desktop.h"
#include "platform/Drives.h"
#include "platform/ResultsSink.h"
#include "send/MakerAddress.h"
#include "send/zip/ZipDirectoryReader.h"
#include "send/zip/ZipError.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

namespace {

// Passes every line on and keeps the red ones.
class KeepingResults final : public ResultsSink
{
public:
    explicit KeepingResults(ResultsSink &next) : m_next(next) {}

    void appendLine(const QString &text, Color color) override
    {
        if (color == Color::Red)
            kept.append(text);
        m_next.appendLine(text, color);
    }
    void clear() override { m_next.clear(); }

    QStringList kept;

private:
    ResultsSink &m_next;
};

} // namespace

namespace SendChannel {

Archive build(Interaction &interaction, ResultsSink &results)
{
    KeepingResults keeping(results);
    Archive archive;
    archive.windowsPath = SessionArchive::build(interaction, keeping);
    archive.hostPath = Drives::hostPath(archive.windowsPath);
    archive.problems = keeping.kept;
    return archive;
}

QString problemsText(const QStringList &problems)
{
    return QStringLiteral("Not every data file went into the archive; these stay in %1:\n\n%2")
        .arg(Product::outputDirectory(), problems.join(QLatin1Char('\n')));
}

QString hostOutputDirectory()
{
    return Drives::hostPath(Product::outputDirectory());
}

bool openOutputFolder()
{
    const QString folder = hostOutputDirectory();
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
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file) || !file.atEnd())
        return {};
    return hash.result().toHex();
}

Summary summarize(const QString &hostArchive)
{
    Summary summary;
    QFile file(hostArchive);
    summary.size = QFileInfo(hostArchive).size();
    summary.sha256 = fileSha256(hostArchive);
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
