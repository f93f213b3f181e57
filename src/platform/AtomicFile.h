#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

class QTemporaryFile;

// A file that reaches its name only when it is complete. It is written under a temporary name in the
// same directory, created readable by its owner only; commit() flushes it (to the disk as well, when
// asked) and renames it over the target in one step. When anything fails, or the file is dropped without commit(), the
// temporary file goes and a file that had the target's name stays exactly as it was.
class AtomicFile final
{
public:
    // With syncToDisk, commit() waits until the contents are on the disk before the rename, so that
    // even a power cut leaves the old file or the whole new one under the name.
    explicit AtomicFile(const QString &hostPath, bool syncToDisk = true);
    ~AtomicFile();
    Q_DISABLE_COPY_MOVE(AtomicFile)

    // Creates the temporary file; false (see errorString) when the directory does not allow it.
    bool open();
    bool isOpen() const;
    // Writes all bytes; false once any write has failed.
    bool write(const QByteArray &bytes);
    // Flushes, syncs when asked and renames; false (see errorString) when any of it failed, and then the
    // temporary file is removed.
    bool commit();
    // Removes the temporary file; the target is left alone.
    void discard();
    QString errorString() const { return m_error; }
    // Whether the last commit() wrote everything but could not give the file its name.
    bool renameFailed() const { return m_renameFailed; }

    // The file that a write meant for hostPath replaces when the name is to stay what it is: hostPath
    // itself, or where it is a symbolic link (or a chain of them), the file the last link points to,
    // existing or not. Nothing when the links go round in a loop.
    static std::optional<QString> linkTarget(const QString &hostPath);

    // Whether a file name is one of these temporary files for a target whose name ends in targetSuffix
    // (exactly, as a data file's ".DAT"): ".sorvik-" + target name + "." + six random letters or
    // digits. A killed run may leave one behind; a user's ".sorvik-profile.backup" is none.
    static bool isTemporaryName(const QString &fileName, const QString &targetSuffix = QStringLiteral(".DAT"));

private:
    QString m_hostPath;
    bool m_syncToDisk = true;
    std::unique_ptr<QTemporaryFile> m_temp;
    QString m_error;
    bool m_failed = false;
    bool m_renameFailed = false;
};
