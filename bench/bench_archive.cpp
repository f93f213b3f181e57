// Session archive benchmark: generates report-like data files, builds the session archive from them
// headless and runs "zip -5 -q -j" on the same files, and prints time, size and peak memory of both.
//
//   bench_archive [--files N] [--total-mb M] [--big-gb G] [--generate-only DIR]
//
// --big-gb makes one of the files G GiB large (generated text, written to the work directory under
// /tmp and deleted afterwards); --generate-only writes the data files into DIR and stops. Each archive build runs in a
// child process of this program, so that its peak memory (maximum resident set) is its own and not that of the file
// generator.
#include "app/SessionArchive.h"
#include "platform/Drives.h"
#include "platform/Interaction.h"
#include "platform/ResultsSink.h"
#include "profile/ProfileStore.h"
#include "send/ZipError.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cmath>
#include <cstdio>
#include <random>

namespace {

class QuietInteraction final : public Interaction
{
public:
    Answer message(const QString &, const QString &text, Icon, Buttons) override
    {
        std::fprintf(stderr, "%s\n", qPrintable(text));
        return Answer::Ok;
    }
    std::optional<QString> inputBox(const QString &, const QString &, const QString &) override { return {}; }
    void showException(const QString &text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    void setBusyCursor(bool) override {}
    void processEvents() override { QCoreApplication::processEvents(); }
};

class QuietResults final : public ResultsSink
{
public:
    void appendLine(const QString &text, Color) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    void clear() override {}
};

long peakKilobytes(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_maxrss;
}

// Lines like those of a server data file: name/value rows, module rows, file rows.
class ReportGenerator
{
public:
    explicit ReportGenerator(std::uint32_t seed) : m_random(seed) {}

    QByteArray line()
    {
        static const char *const labels[] = {
            "Server Name",    "Operating System Version", "Maximum Connections", "Connections in Use",
            "Cache Buffers",  "Dirty Cache Buffers",      "Network Address",     "Node Address",
            "Volumes Mounted"};
        static const char *const modules[] = {"CLIB.QLM",    "STREAMS.QLM", "TCPIP.QLM",   "DS.QLM",  "MONITOR.QLM",
                                              "INSTALL.QLM", "BTRIEVE.QLM", "SERVMAN.QLM", "SPXS.QLM"};
        static const char *const extensions[] = {".QLM", ".EXE", ".DAT", ".CFG", ".TXT", ".LOG"};
        char text[200];
        switch (m_random() % 3) {
        case 0:
            std::snprintf(text, sizeof text, "%-32s%u\r\n", labels[m_random() % 9], unsigned(m_random() % 100000));
            break;
        case 1:
            std::snprintf(text, sizeof text,
                          "%-14s v%u.%02u  %02u-%02u-%02u  (C) Copyright 1989-1998 Quarlix, Inc.\r\n",
                          modules[m_random() % 9], unsigned(m_random() % 6), unsigned(m_random() % 100),
                          unsigned(m_random() % 12 + 1), unsigned(m_random() % 28 + 1), unsigned(m_random() % 10 + 90));
            break;
        default:
            std::snprintf(text, sizeof text, "SYS:\\PUBLIC\\F%05u%s  %10u  %02u/%02u/%04u  %02u:%02u:%02u\r\n",
                          unsigned(m_random() % 20000), extensions[m_random() % 6], unsigned(m_random() % 5000000),
                          unsigned(m_random() % 12 + 1), unsigned(m_random() % 28 + 1), 1990 + unsigned(m_random() % 9),
                          unsigned(m_random() % 24), unsigned(m_random() % 60), unsigned(m_random() % 60));
            break;
        }
        return QByteArray(text);
    }

private:
    std::mt19937 m_random;
};

bool writeReport(const QString &path, qint64 size, std::uint32_t seed)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    ReportGenerator generator(seed);
    QByteArray block;
    qint64 written = 0;
    while (written < size) {
        block.clear();
        while (block.size() < 1 << 20 && written + block.size() < size)
            block.append(generator.line());
        block.truncate(std::min<qint64>(block.size(), size - written));
        if (file.write(block) != block.size())
            return false;
        written += block.size();
    }
    return true;
}

void setUpDrives(const QString &root)
{
    qputenv("SORVIK_DRIVE_C", QFile::encodeName(root + QStringLiteral("/drive_c")));
    qputenv("SORVIK_DRIVE_A", QFile::encodeName(root + QStringLiteral("/drive_a")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root + QStringLiteral("/config")));
}

struct Measured
{
    double seconds = 0;
    long peakKilobytes = 0; // maximum resident set of the program alone
    QString output;
};

// Runs a program to its end. /usr/bin/time reports the program's own peak memory; without it the
// maximum over this process's children is taken, which may also count this process's size at the fork.
Measured runMeasured(const QString &program, const QStringList &args, const QString &directory)
{
    const bool timed = QFileInfo::exists(QStringLiteral("/usr/bin/time"));
    QProcess process;
    process.setWorkingDirectory(directory);
    QElapsedTimer timer;
    timer.start();
    if (timed)
        process.start(QStringLiteral("/usr/bin/time"),
                      QStringList({QStringLiteral("-f"), QStringLiteral("PEAK %M"), program}) + args);
    else
        process.start(program, args);
    if (!process.waitForFinished(-1) || process.exitCode() != 0)
        qFatal("%s failed: %s", qPrintable(program), process.readAllStandardError().constData());
    Measured measured;
    measured.seconds = timer.elapsed() / 1000.0;
    measured.output = QString::fromLocal8Bit(process.readAllStandardOutput());
    const QString errors = QString::fromLocal8Bit(process.readAllStandardError());
    const qsizetype peak = errors.lastIndexOf(QStringLiteral("PEAK "));
    measured.peakKilobytes =
        timed && peak >= 0 ? errors.mid(peak + 5).trimmed().toLong() : peakKilobytes(RUSAGE_CHILDREN);
    return measured;
}

// Child mode: build the session archive and report seconds and peak memory on standard output.
int buildOnly(const QString &root)
{
    setUpDrives(root);
    QuietInteraction interaction;
    QuietResults results;
    QElapsedTimer timer;
    timer.start();
    try {
        const QString archive = BuildSessionArchive(interaction, results);
        std::printf("%s %.3f %ld\n", qPrintable(Drives::hostPath(archive)), timer.elapsed() / 1000.0,
                    peakKilobytes(RUSAGE_SELF));
        return 0;
    } catch (const ZipError &failure) {
        std::fprintf(stderr, "%s\n", qPrintable(failure.message()));
        return 1;
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == QLatin1String("--build-only"))
        return buildOnly(args[2]);

    int files = 100;
    double totalMb = 60;
    double bigGb = 0;
    QString generateOnly;
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--files"))
            files = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--total-mb"))
            totalMb = args[i + 1].toDouble();
        else if (args[i] == QLatin1String("--big-gb"))
            bigGb = args[i + 1].toDouble();
        else if (args[i] == QLatin1String("--generate-only"))
            generateOnly = args[i + 1];
    }

    QTemporaryDir root(QDir::tempPath() + QStringLiteral("/sorvik-bench-XXXXXX"));
    setUpDrives(root.path());
    const QString output =
        generateOnly.isEmpty() ? Drives::hostPath(QStringLiteral("C:\\Orvane\\Sorvik")) : generateOnly;
    QDir().mkpath(output);
    QDir().mkpath(root.path() + QStringLiteral("/config/sorvik"));
    {
        QSettings settings(ProfileStore::filePath(), QSettings::IniFormat);
        settings.beginGroup(QStringLiteral("Orvane_Y2K"));
        settings.setValue(QStringLiteral("Company"), QStringLiteral("Bench Company"));
    }

    // Sizes from 25 KB to 2 MB, spread evenly on a logarithmic scale and scaled to the total.
    std::vector<qint64> sizes;
    double sum = 0;
    for (int i = 0; i < files; ++i) {
        const double size = 25.0 * 1024 * std::pow(2048.0 / 25.0, double(i) / std::max(1, files - 1));
        sizes.push_back(qint64(size));
        sum += size;
    }
    const double scale = totalMb * 1024 * 1024 / sum;
    QStringList names;
    qint64 total = 0;
    for (int i = 0; i < files; ++i) {
        sizes[i] = std::clamp<qint64>(qint64(sizes[i] * scale), 25 * 1024, 2 * 1024 * 1024);
        if (bigGb > 0 && i == files / 2)
            sizes[i] = qint64(bigGb * 1024 * 1024 * 1024);
        const QString name = QStringLiteral("%1.DAT").arg(0x01A20000 + i * 7, 8, 16, QLatin1Char('0')).toUpper();
        if (!writeReport(output + QLatin1Char('/') + name, sizes[i], std::uint32_t(i + 1)))
            qFatal("cannot write the data files");
        names.append(name);
        total += sizes[i];
    }
    std::printf("data files: %d, %.1f MB\n", files, total / 1048576.0);
    if (!generateOnly.isEmpty())
        return 0;

    // zip -5 first, because building the session archive deletes the data files.
    const QString zipOut = root.path() + QStringLiteral("/reference.zip");
    QStringList zipArgs = {QStringLiteral("-5"), QStringLiteral("-q"), QStringLiteral("-j"), zipOut};
    zipArgs += names;
    const Measured zip = runMeasured(QStringLiteral("zip"), zipArgs, output);
    const qint64 zipSize = QFileInfo(zipOut).size();

    const Measured build =
        runMeasured(QCoreApplication::applicationFilePath(), {QStringLiteral("--build-only"), root.path()}, output);
    const QStringList report = build.output.split(QLatin1Char(' '));
    const QString archive = report.value(0);
    const double ourSeconds = report.value(1).toDouble();
    const qint64 ourSize = QFileInfo(archive).size();
    const double zipSeconds = zip.seconds;
    const double ourWall = build.seconds;
    const long zipPeak = zip.peakKilobytes;
    const long ourPeak = build.peakKilobytes;

    std::printf("%-18s %10s %14s %12s\n", "", "seconds", "bytes", "peak MB");
    std::printf("%-18s %10.2f %14lld %12.1f\n", "zip -5 -q -j", zipSeconds, zipSize, zipPeak / 1024.0);
    std::printf("%-18s %10.2f %14lld %12.1f   (%.2f s inside the build)\n", "session archive", ourWall, ourSize,
                ourPeak / 1024.0, ourSeconds);
    std::printf("time ratio %.2f, size ratio %.4f\n", ourWall / zipSeconds, double(ourSize) / double(zipSize));
    return 0;
}
