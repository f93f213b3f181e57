#include "report/TfrmReport.h"
#include "session/Product.h"

#include "client/TfrmFiler.h"
#include "client/TfrmGeneral.h"
#include "client/TfrmQLM.h"
#include "platform/AtomicFile.h"
#include "platform/Drives.h"
#include "platform/Locale.h"
#include "platform/ProgressView.h"
#include "platform/Shell.h"
#include "platform/Windows1252.h"
#include "profile/ProfileRules.h"
#include "profile/ProfileStore.h"
#include "session/Session.h"

#include <algorithm>
#include <exception>
#include <vector>

namespace {

struct ListedDirectory
{
    const char *path;
    const char *networkRest; // checked through the network path first when set
};

constexpr ListedDirectory kDirectories[] = {
    {"SYS:", nullptr},
    {"SYS:\\SYSTEM", nullptr},
    {"SYS:\\PUBLIC", nullptr},
    {"SYS:\\PUBLIC\\WIN95", "\\SYS\\PUBLIC\\WIN95"},
    {"SYS:\\PUBLIC\\WIN32", "\\SYS\\PUBLIC\\WIN32"},
    {"SYS:\\PUBLIC\\WINNT", "\\SYS\\PUBLIC\\WINNT"},
    {"SYS:\\ETC", nullptr},
    {"SYS:\\LOGIN", nullptr},
};

QByteArray twoDigits(int value)
{
    return QByteArray::number(value).rightJustified(2, '0');
}

} // namespace

TfrmReport::TfrmReport(Session &session, ProgressView &progress) : m_session(session), m_progress(progress) {}

TfrmReport::~TfrmReport() = default;

QByteArray TfrmReport::PadLabel(const QByteArray &label)
{
    const qsizetype length = label.size();
    int tabs = 1;
    if (length <= 6)
        tabs = 6;
    else if (length <= 10)
        tabs = 5;
    else if (length <= 15)
        tabs = 4;
    else if (length <= 21)
        tabs = 3;
    else if (length <= 26)
        tabs = 2;
    return QByteArray(tabs, '\t');
}

QByteArray TfrmReport::formatStamp(const QDateTime &when)
{
    const QByteArray date = Windows1252::fromUnicode(Locale::dateSeparator());
    const QByteArray time = Windows1252::fromUnicode(Locale::timeSeparator());
    const QDate d = when.date();
    const QTime t = when.time();
    const int hour12 = t.hour() % 12 == 0 ? 12 : t.hour() % 12;
    return twoDigits(d.month()) + date + twoDigits(d.day()) + date +
           QByteArray::number(d.year()).rightJustified(4, '0') + ' ' + twoDigits(hour12) + time +
           twoDigits(t.minute()) + time + twoDigits(t.second()) + ' ' + (t.hour() < 12 ? "AM" : "PM");
}

void TfrmReport::AppendLine(const QByteArray &text)
{
    AppendLine({QByteArrayView(text)});
}

void TfrmReport::AppendLine(std::initializer_list<QByteArrayView> pieces)
{
    if (!m_file || !m_file->isOpen())
        return;
    // The line is put together in one buffer kept from line to line, not in new texts.
    qsizetype length = 2;
    for (const QByteArrayView piece : pieces)
        length += piece.size();
    m_line.resize(length);
    char *next = m_line.data();
    for (const QByteArrayView piece : pieces)
        next = std::copy(piece.begin(), piece.end(), next);
    // A line break inside a value would break the fixed layout (and could forge lines): blanks.
    std::replace_if(
        m_line.data(), next, [](char c) { return c == '\r' || c == '\n'; }, ' ');
    *next++ = '\r';
    *next = '\n';
    m_file->write(m_line);
}

void TfrmReport::setStep(int percent)
{
    m_progress.setServerProgress(percent);
    m_session.interaction().processEvents();
}

TfrmReport::Outcome TfrmReport::btnRunClick()
{
    Outcome outcome;
    const QString path =
        Product::outputDirectory() + QLatin1Char('\\') + Windows1252::toUnicode(m_session.currentDataFileName);
    m_session.lastDataFilePath = path;
    // Written under a temporary name and renamed when the run ends: a run that fails leaves an earlier
    // file of that name as it was, and no truncated or empty file ever carries a data file's name.
    // Not synced to the disk: nothing relies on a data file being there before the session archive,
    // which is synced before any data file is deleted, has packed it.
    m_file = std::make_unique<AtomicFile>(Drives::hostPath(path), false);
    if (!m_file->open())
        outcome.error = QStringLiteral("Could not create %1: %2").arg(path, m_file->errorString());

    try {
        writeHeader();
        m_progress.setServerLabel(QStringLiteral("Analyzing ") + Windows1252::toUnicode(m_session.currentServerName));
        setStep(0);
        if (!m_session.abortFlag) {
            writeGeneralSection();
            setStep(15);
            if (!m_session.abortFlag) {
                writeModuleSection();
                setStep(45);
                const bool listFiles = m_session.includeSysFiles;
                if (!(listFiles && m_session.abortFlag)) {
                    if (listFiles) {
                        writeFileListSection();
                        setStep(90);
                    }
                    setStep(100);
                }
            }
        }
    } catch (const std::exception &e) {
        m_session.interaction().showException(QString::fromLocal8Bit(e.what()));
        if (outcome.error.isEmpty())
            outcome.error = QStringLiteral("Could not complete %1: %2").arg(path, QString::fromLocal8Bit(e.what()));
    }

    // After Abort the lines written so far are kept; after an exception the run is not saved.
    if (outcome.error.isEmpty() && !m_file->commit())
        outcome.error = (m_file->renameFailed() ? QStringLiteral("Could not create %1: %2")
                                                : QStringLiteral("Could not write %1: %2"))
                            .arg(path, m_file->errorString());
    m_file.reset();
    outcome.saved = outcome.error.isEmpty();
    return outcome;
}

void TfrmReport::writeHeader()
{
    AppendLine(QByteArrayLiteral("Orvane Quarlix Year2000 Sorvik v") + Product::VersionText + " Report");
    AppendLine({});
    AppendLine("Total # of Quarlix servers on network: " + QByteArray::number(qulonglong(m_session.servers().size())));
    AppendLine({});
    AppendLine("ADMINISTRATOR");
    // The profile is read once for the whole contact block; a missing store or value is empty.
    const ProfileValues profile = ProfileStore::readAll(false).value_or(ProfileValues());
    static const std::vector<const ProfileRules::Field *> contactBlock =
        ProfileRules::inOrder(&ProfileRules::Field::dataFile);
    for (const ProfileRules::Field *field : contactBlock) {
        const QString value = profile.value(field->name);
        AppendLine({Windows1252::fromUnicode(field->name), QByteArray(field->dataFileTabs, '\t'),
                    Windows1252::fromUnicode(value)});
    }
    AppendLine({});
    AppendLine({});
    AppendLine(m_session.currentServerName);
    AppendLine(formatStamp(clock()));
    AppendLine({});
}

void TfrmReport::writeGeneralSection()
{
    AppendLine("GENERAL REPORT");
    AppendLine({});
    {
        TfrmGeneral general(m_session);
        general.collect();
        for (const GeneralRow &row : general.rows()) {
            AppendLine({row.label, PadLabel(row.label), row.value});
            m_session.interaction().processEvents();
        }
    }
    AppendLine({});
}

void TfrmReport::writeModuleSection()
{
    AppendLine("LOADED MODULES");
    AppendLine({});
    {
        TfrmQLM modules(m_session);
        modules.collect();
        for (const ModuleRow &row : modules.rows()) {
            AppendLine(row.fileName());
            AppendLine({"  CopyRight:\t\t\t\t", row.copyright()});
            AppendLine({"  Version:\t\t\t\t\t", row.version()});
            AppendLine({"  Date:\t\t\t\t\t", row.date()});
            AppendLine({"  Type:\t\t\t\t\t", row.type()});
            AppendLine({"  Description:\t\t\t\t", row.description()});
            AppendLine({});
            m_session.interaction().processEvents();
        }
    }
    AppendLine({});
}

void TfrmReport::writeFileListSection()
{
    AppendLine("SYS: FILE LIST REPORT");
    AppendLine({});
    for (const ListedDirectory &dir : kDirectories) {
        AppendLine(QByteArrayLiteral("  Directory of ") + dir.path);
        if (dir.networkRest &&
            !m_session.client().networkDirectoryExists("\\\\" + m_session.currentServerName + dir.networkRest)) {
            AppendLine(QByteArrayLiteral("Directory ") + dir.path + " does not exist.");
        } else {
            listDirectory(dir.path);
        }
        AppendLine({});
    }
}

void TfrmReport::listDirectory(const QByteArray &path)
{
    TfrmFiler filer(m_session);
    filer.prepare();
    filer.listDirectories(path, "*");
    filer.listFiles(path, "*");
    // The lister keeps its rows in word-sort order, so directories and files interleave by name.
    for (const FileRow &row : filer.rows()) {
        AppendLine({row.name, " ", row.size, " ", row.modified, " ", row.attributes});
        m_session.interaction().processEvents();
    }
}

QString TfrmReport::viewFailureText(int result, const QString &commandLine)
{
    switch (result) {
    case 0:
        return QStringLiteral("The System is out of memory to launch:\n") + commandLine;
    case 2:
        return QStringLiteral("Program is not in your path.\n") + commandLine;
    case 3:
        return QStringLiteral("ERROR_PATH_NOT_FOUND\n") + commandLine;
    case 11:
        return QStringLiteral("ERROR_BAD_FORMAT: ") + commandLine;
    default:
        return QStringLiteral("Unknown Error :%1\n").arg(result) + commandLine;
    }
}

void TfrmReport::ViewDataFile(Session &session)
{
    const QString commandLine = QStringLiteral("NOTEPAD.EXE ") + session.lastDataFilePath;
    int result = 0;
    {
        BusyCursor busy(session.interaction());
        result = Shell::startProgram(commandLine);
    }
    if (result > 31)
        return;
    // The editor the user chose is named beside the variable, so that a mistyped one shows.
    const QString chosen = Shell::chosenTextEditor();
    session.interaction().warning(
        viewFailureText(result, commandLine) +
        (chosen.isEmpty() ? QStringLiteral("\nSet SORVIK_TEXT_EDITOR to the plain-text editor to start.")
                          : QStringLiteral("\nSORVIK_TEXT_EDITOR names %1, which cannot be started: set it to the "
                                           "plain-text editor to start.")
                                .arg(chosen)));
}
