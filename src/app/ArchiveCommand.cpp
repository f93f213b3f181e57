#include "app/ArchiveCommand.h"

#include "app/SessionArchive.h"
#include "platform/Drives.h"
#include "platform/Interaction.h"
#include "platform/ResultsSink.h"
#include "send/ZipError.h"

#include <QCoreApplication>
#include <QTextStream>

#include <exception>

namespace {

// Message boxes become lines on standard error and are answered as nobody is there to answer:
// OK where that is the only button, otherwise Cancel or No.
class HeadlessArchiveInteraction final : public Interaction
{
public:
    explicit HeadlessArchiveInteraction(QTextStream &err) : m_err(err) {}

    Answer message(const QString &caption, const QString &text, Icon, Buttons buttons) override
    {
        m_err << caption << ": " << text << Qt::endl;
        switch (buttons) {
        case Buttons::Ok:
            return Answer::Ok;
        case Buttons::OkCancel:
            return Answer::Cancel;
        case Buttons::YesNo:
            return Answer::No;
        }
        return Answer::Ok;
    }
    std::optional<QString> inputBox(const QString &, const QString &, const QString &) override { return {}; }
    void showException(const QString &text) override { m_err << text << Qt::endl; }
    void setBusyCursor(bool) override {}
    void processEvents() override
    {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents();
    }

private:
    QTextStream &m_err;
};

// Results lines: red ones are failures and go to standard error, the others to standard output.
class HeadlessArchiveResults final : public ResultsSink
{
public:
    HeadlessArchiveResults(QTextStream &out, QTextStream &err) : m_out(out), m_err(err) {}
    void appendLine(const QString &text, Color color) override
    {
        (color == Color::Red ? m_err : m_out) << text << Qt::endl;
    }
    void clear() override {}

private:
    QTextStream &m_out;
    QTextStream &m_err;
};

const char kUsage[] = "Usage: sorvik archive\n"
                      "\n"
                      "Packs every server data file (*.DAT) of the output directory C:\\Orvane\\Sorvik into the\n"
                      "session archive <company><mmddyyhhmm>.zip in the same directory, then deletes the data\n"
                      "files that the archive holds. Prints the archive's path and the host path it maps to.\n"
                      "\n"
                      "Options:\n"
                      "  --help    show this text\n"
                      "\n"
                      "Exit status: 0 on success, 1 when the archive cannot be built, 2 on a usage error.\n";

} // namespace

int runArchiveCommand(const QStringList &args, QTextStream &out, QTextStream &err)
{
    for (const QString &arg : args) {
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            out << kUsage;
            out.flush();
            return 0;
        }
    }
    if (!args.isEmpty()) {
        err << "sorvik archive: unknown argument " << args.first() << "\n" << kUsage;
        err.flush();
        return 2;
    }
    HeadlessArchiveInteraction interaction(err);
    HeadlessArchiveResults results(out, err);
    try {
        const QString archive = BuildSessionArchive(interaction, results);
        out << archive << Qt::endl << Drives::hostPath(archive) << Qt::endl;
        return 0;
    } catch (const ZipError &failure) {
        err << failure.message() << Qt::endl;
        return 1;
    } catch (const std::exception &failure) {
        err << failure.what() << Qt::endl;
        return 1;
    }
}
