#include "platform/AtomicFile.h"

#include "platform/FileSync.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <filesystem>
#include <system_error>

namespace {

const QString kPrefix = QStringLiteral(".sorvik-");

} // namespace

AtomicFile::AtomicFile(const QString &hostPath, bool syncToDisk) : m_hostPath(hostPath), m_syncToDisk(syncToDisk) {}

AtomicFile::~AtomicFile()
{
    discard();
}

bool AtomicFile::open()
{
    discard();
    m_error.clear();
    m_failed = false;
    m_renameFailed = false;
    const QFileInfo target(m_hostPath);
    // QTemporaryFile creates its file readable and writable by the owner only.
    m_temp = std::make_unique<QTemporaryFile>(target.absolutePath() + QLatin1Char('/') + kPrefix + target.fileName() +
                                              QStringLiteral(".XXXXXX"));
    if (!m_temp->open()) {
        m_error = m_temp->errorString();
        m_temp.reset();
        return false;
    }
    return true;
}

bool AtomicFile::isOpen() const
{
    return m_temp && m_temp->isOpen();
}

bool AtomicFile::write(const QByteArray &bytes)
{
    if (!isOpen() || m_failed)
        return false;
    if (m_temp->write(bytes) != bytes.size()) {
        m_failed = true;
        m_error = m_temp->errorString();
    }
    return !m_failed;
}

bool AtomicFile::commit()
{
    if (!isOpen())
        return false;
    if (!m_failed && !m_temp->flush()) {
        m_failed = true;
        m_error = m_temp->errorString();
    }
    if (!m_failed && m_syncToDisk && !FileSync::syncFile(*m_temp)) {
        m_failed = true;
        m_error = QStringLiteral("the file could not be flushed to the disk");
    }
    if (!m_failed) {
        std::error_code error;
        std::filesystem::rename(FileSync::fsPath(m_temp->fileName()), FileSync::fsPath(m_hostPath), error);
        if (error) {
            m_failed = true;
            m_renameFailed = true;
            m_error = QString::fromLocal8Bit(error.message().c_str());
        } else {
            m_temp->setAutoRemove(false);
        }
    }
    const bool committed = !m_failed;
    m_temp.reset();
    return committed;
}

void AtomicFile::discard()
{
    m_temp.reset();
}

std::optional<QString> AtomicFile::linkTarget(const QString &hostPath)
{
    // As many links as the system itself follows in one path.
    constexpr int LinksMax = 40;
    QString path = hostPath;
    for (int hops = 0; hops <= LinksMax; ++hops) {
        const QFileInfo info(path);
        if (!info.isSymbolicLink())
            return path;
        path = info.symLinkTarget();
    }
    return std::nullopt;
}

bool AtomicFile::isTemporaryName(const QString &fileName, const QString &targetSuffix)
{
    // Most names of the directory are data files: they are told apart without building a pattern.
    if (!fileName.startsWith(QLatin1String(".sorvik-")))
        return false;
    const QRegularExpression pattern(
        QStringLiteral("^\\.sorvik-.+%1\\.[A-Za-z0-9]{6}$").arg(QRegularExpression::escape(targetSuffix)));
    return !targetSuffix.isEmpty() && pattern.match(fileName).hasMatch();
}
