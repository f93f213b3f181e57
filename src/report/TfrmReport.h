#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>

#include <functional>
#include <initializer_list>
#include <memory>

class AtomicFile;
class ProgressView;
class Session;

// The server data file writer: one fixed-layout text file per server, a header with the contact
// profile, then "GENERAL REPORT", "LOADED MODULES" and, when asked for, "SYS: FILE LIST REPORT".
// Every line ends with CR LF; every character is written as the Windows-1252 byte it came as.
class TfrmReport final
{
public:
    struct Outcome
    {
        bool saved = false; // the whole run was written to the file
        QString error;      // why it was not, naming the file and the system's reason
    };

    TfrmReport(Session &session, ProgressView &progress);
    ~TfrmReport();

    // Writes the data file of the current server; returns whether it could be saved.
    Outcome btnRunClick();

    // The run of tabs that separates a general row's label from its value.
    static QByteArray PadLabel(const QByteArray &label);

    // "View Data": shows the data file written last in the desktop's plain-text editor and reports
    // a failed start.
    static void ViewDataFile(Session &session);
    // The message for a failed start, by the start's error number.
    static QString viewFailureText(int result, const QString &commandLine);

    // The clock for the date line; tests replace it.
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };

    // "mm/dd/yyyy hh:mm:ss AM/PM" with the locale's date and time separators.
    static QByteArray formatStamp(const QDateTime &when);

private:
    void AppendLine(const QByteArray &text);
    // One line made of the pieces one after the other.
    void AppendLine(std::initializer_list<QByteArrayView> pieces);
    void setStep(int percent);
    void writeHeader();
    void writeGeneralSection();
    void writeModuleSection();
    void writeFileListSection();
    void listDirectory(const QByteArray &path);

    Session &m_session;
    ProgressView &m_progress;
    // The data file being written, under a temporary name until the run ends.
    std::unique_ptr<AtomicFile> m_file;
    QByteArray m_line; // the line being written
};
