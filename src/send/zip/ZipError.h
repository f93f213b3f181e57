#pragma once

#include <QString>

#include <exception>

// A failure of the ZIP engine. The message is the text the user sees in the standard exception box.
class ZipError final : public std::exception
{
public:
    explicit ZipError(QString message, int errorNumber = 0)
        : m_message(std::move(message)), m_utf8(m_message.toUtf8()), m_errorNumber(errorNumber)
    {
    }

    // The user pressed Abort while the archive was being built or saved.
    static ZipError aborted() { return ZipError(QStringLiteral("Process aborted by user")); }

    const QString &message() const { return m_message; }
    int errorNumber() const { return m_errorNumber; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
    int m_errorNumber;
};
