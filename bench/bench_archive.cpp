// Session archive benchmark: generates report-like data files and runs the real "sorvik archive" and
// "zip -5 -q -j" on the same files, in pairs, and prints wall time, CPU time, size and peak memory of
// both and their ratios.
//
//   bench_archive [--files N | --sweep | --counts N,N,...] [--total-mb M] [--big-gb G] [--runs R]
//                 [--copies-of FILE] [--copy-in | --synced] [--sorvik PATH] [--generate-only DIR]
//
// --sweep runs 10, 100, 400 and 800 files of the same total size (default 60 MB); --big-gb makes one
// of the files G GiB large (generated text under /tmp, deleted afterwards); --copies-of makes the
// data files copies of one data file instead, under as many names, each with a server name and
// address of its own; --runs repeats each pair and reports the median ratios; --generate-only writes
// the data files into DIR and stops.
//
// With --copy-in the data files are made once for each count, and each timed run copies them into
// place itself (cp -p, on both sides), after a sync: the way a scan leaves fresh files for the archive,
// whose flush then also pays for them. Without it the files are written before each pair and the
// copy is not timed. With --synced the data files are made once for each count too, and before each
// timed run they are copied into place (cp -p) and synced, outside the clock: the runs start from
// files already written and on the disk, as a finished scan leaves them. zip then runs as
// "zip -5 -m -q -j", which deletes the files it packed, against the archive's pack, read-back and
// delete; which of the two goes first alternates from pair to pair. The programs run through
// /usr/bin/time, so that the peak memory (maximum resident set) is their own and not that of this
// generator.
#include "platform/Drives.h"
#include "profile/ProfileStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

extern char **environ;

namespace {

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
    double seconds = 0;     // wall time
    double cpuSeconds = 0;  // user + system
    long peakKilobytes = 0; // maximum resident set of the program alone
};

// Runs a program to its end in a directory, its output thrown away. Through /usr/bin/time, which
// forks the program from its own small process: the peak a spawned program's wait4 reports would
// also count this generator's size at the moment of the spawn.
Measured runMeasured(const QString &program, const QStringList &args, const QString &directory)
{
    const QString timeBinary = QStringLiteral("/usr/bin/time");
    const bool timed = QFileInfo::exists(timeBinary);
    const QString report = QDir::tempPath() + QStringLiteral("/sorvik-bench-time-%1").arg(::getpid());
    std::vector<std::string> words;
    if (timed)
        for (const char *word : {"/usr/bin/time", "-f", "%U %S %M", "-o"})
            words.emplace_back(word);
    if (timed)
        words.push_back(QFile::encodeName(report).toStdString());
    words.push_back(QFile::encodeName(program).toStdString());
    for (const QString &arg : args)
        words.push_back(QFile::encodeName(arg).toStdString());
    std::vector<char *> argv;
    for (std::string &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const QByteArray previous = QDir::currentPath().toLocal8Bit();
    QDir::setCurrent(directory);
    const auto started = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    QDir::setCurrent(QString::fromLocal8Bit(previous));
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        qFatal("cannot start %s", qPrintable(program));
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    Measured measured;
    measured.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    measured.peakKilobytes = usage.ru_maxrss;
    measured.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                          double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        qFatal("%s failed (status %d)", qPrintable(program), status);
    if (timed) {
        QFile file(report);
        if (file.open(QIODevice::ReadOnly)) {
            const QList<QByteArray> fields = file.readAll().trimmed().split(' ');
            if (fields.size() == 3) {
                measured.cpuSeconds = fields[0].toDouble() + fields[1].toDouble();
                measured.peakKilobytes = fields[2].toLong();
            }
        }
        file.remove();
    }
    return measured;
}

// Data files like a scan's: sizes from 25 KB to 2 MB, spread evenly on a logarithmic scale and
// scaled to the total; with bigGb one of them that large.
QStringList writeDataFiles(const QString &output, int files, double totalMb, double bigGb, qint64 &total)
{
    std::vector<double> sizes;
    double sum = 0;
    for (int i = 0; i < files; ++i) {
        const double size = 25.0 * 1024 * std::pow(2048.0 / 25.0, double(i) / std::max(1, files - 1));
        sizes.push_back(size);
        sum += size;
    }
    const double scale = totalMb * 1024 * 1024 / sum;
    QStringList names;
    total = 0;
    for (int i = 0; i < files; ++i) {
        qint64 size = qint64(sizes[i] * scale);
        if (bigGb > 0 && i == files / 2)
            size = qint64(bigGb * 1024 * 1024 * 1024);
        const QString name = QStringLiteral("%1.DAT").arg(0x01A20000 + i * 7, 8, 16, QLatin1Char('0')).toUpper();
        if (!writeReport(output + QLatin1Char('/') + name, size, std::uint32_t(i + 1)))
            qFatal("cannot write the data files");
        names.append(name);
        total += size;
    }
    return names;
}

// Data files like those of a scan of many servers: the one data file under as many names, each with
// a server name and a network address of its own where the file has its server's (its first line
// naming a server, its name without the extension).
QStringList writeCopies(const QString &output, const QString &original, int files, qint64 &total)
{
    QFile source(original);
    if (!source.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(original));
    const QByteArray content = source.readAll();
    const QByteArray address = QFileInfo(original).completeBaseName().toLatin1();
    QByteArray server;
    for (const QByteArray &line : content.split('\n')) {
        const QByteArray name = line.trimmed();
        if (!name.isEmpty() && name == name.toUpper() && !name.contains(' ') && name.size() <= 47 &&
            content.count(name + "\r\n") >= 1 && name != "ADMINISTRATOR" && !name.contains('\t')) {
            server = name;
            break;
        }
    }
    QStringList names;
    total = 0;
    for (int i = 0; i < files; ++i) {
        const QByteArray newAddress = QByteArray::number(0x01A20000 + i * 7, 16).rightJustified(8, '0').toUpper();
        QByteArray copy = content;
        copy.replace(address, newAddress);
        if (!server.isEmpty())
            copy.replace(server, "SRV-" + QByteArray::number(i).rightJustified(5, '0'));
        const QString name = QString::fromLatin1(newAddress) + QStringLiteral(".DAT");
        QFile file(output + QLatin1Char('/') + name);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(copy) != copy.size())
            qFatal("cannot write the data files");
        names.append(name);
        total += copy.size();
    }
    return names;
}

// What the data files of one count are made of.
struct Plan
{
    int files = 100;
    double totalMb = 60;
    double bigGb = 0;
    QString copiesOf;
};

QStringList writeFiles(const QString &output, const Plan &plan, qint64 &total)
{
    return plan.copiesOf.isEmpty() ? writeDataFiles(output, plan.files, plan.totalMb, plan.bigGb, total)
                                   : writeCopies(output, plan.copiesOf, plan.files, total);
}

struct Pair
{
    Measured zip;
    Measured ours;
    qint64 zipBytes = 0;
    qint64 ourBytes = 0;
};

QString shellQuoted(const QString &text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

// One timed run that first copies the data files from source into output, then runs the program
// there; a sync before it, so that neither side pays for what the other left unwritten.
Measured runCopyingIn(const QString &source, const QString &output, const QString &command)
{
    ::sync();
    const QString script =
        QStringLiteral("cp -p %1/* %2/ && exec %3").arg(shellQuoted(source), shellQuoted(output), command);
    return runMeasured(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script}, output);
}

// The data files copied from source into an emptied output directory and synced, before any clock
// starts: both programs find the files already written and on the disk, as a scan leaves them.
QStringList placeSynced(const QString &source, const QString &output)
{
    QDir(output).removeRecursively();
    QDir().mkpath(output);
    const QString script = QStringLiteral("cp -p %1/* %2/").arg(shellQuoted(source), shellQuoted(output));
    runMeasured(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script}, output);
    ::sync();
    return QDir(output).entryList({QStringLiteral("*.DAT")}, QDir::Files, QDir::Name);
}

// One pair of runs on files placed and synced before each: "zip -5 -m -q -j", which packs and
// deletes, against the archive, which packs, reads back and deletes; the one first that the run's
// number says, so that neither side always runs on a disk the other has just left busy.
Pair runSyncedPair(const QString &sorvik, const QString &root, const QString &output, const QString &source, int run)
{
    Pair pair;
    const QString zipOut = root + QStringLiteral("/reference.zip");
    for (int side = 0; side < 2; ++side) {
        const QStringList names = placeSynced(source, output);
        if ((side + run) % 2 == 0) {
            QFile::remove(zipOut);
            ::sync();
            pair.zip = runMeasured(QStringLiteral("zip"),
                                   QStringList({QStringLiteral("-5"), QStringLiteral("-m"), QStringLiteral("-q"),
                                                QStringLiteral("-j"), zipOut}) +
                                       names,
                                   output);
            pair.zipBytes = QFileInfo(zipOut).size();
            QFile::remove(zipOut);
            continue;
        }
        pair.ours = runMeasured(sorvik, {QStringLiteral("archive")}, output);
        const QStringList archives = QDir(output).entryList({QStringLiteral("*.zip")}, QDir::Files);
        pair.ourBytes = archives.size() == 1 ? QFileInfo(output + QLatin1Char('/') + archives[0]).size() : 0;
        if (archives.size() != 1 || !QDir(output).entryList({QStringLiteral("*.DAT")}, QDir::Files).isEmpty())
            qFatal("the session archive did not take every data file");
    }
    if (!QDir(output).entryList({QStringLiteral("*.DAT")}, QDir::Files).isEmpty())
        qFatal("zip -m did not take every data file");
    return pair;
}

// One pair of runs: zip first, because the archive deletes the data files. With a source the files
// are copied from there inside each timed run, else they are written anew before the pair.
Pair runPair(const QString &sorvik, const QString &root, const QString &output, const QString &source, const Plan &plan,
             qint64 &total)
{
    QDir(output).removeRecursively();
    QDir().mkpath(output);
    QStringList names;
    if (source.isEmpty()) {
        names = writeFiles(output, plan, total);
        ::sync(); // the data files' own write-back is not the programs' cost
    }
    Pair pair;
    const QString zipOut = root + QStringLiteral("/reference.zip");
    QFile::remove(zipOut);
    if (source.isEmpty()) {
        pair.zip = runMeasured(
            QStringLiteral("zip"),
            QStringList({QStringLiteral("-5"), QStringLiteral("-q"), QStringLiteral("-j"), zipOut}) + names, output);
    } else {
        pair.zip = runCopyingIn(source, output, QStringLiteral("zip -5 -q -j %1 *.DAT").arg(shellQuoted(zipOut)));
    }
    pair.zipBytes = QFileInfo(zipOut).size();
    QFile::remove(zipOut);
    if (!source.isEmpty()) {
        QDir(output).removeRecursively();
        QDir().mkpath(output);
        pair.ours = runCopyingIn(source, output, shellQuoted(sorvik) + QStringLiteral(" archive"));
    } else {
        pair.ours = runMeasured(sorvik, {QStringLiteral("archive")}, output);
    }
    const QStringList archives = QDir(output).entryList({QStringLiteral("*.zip")}, QDir::Files);
    for (const QString &archive : archives)
        pair.ourBytes += QFileInfo(output + QLatin1Char('/') + archive).size();
    if (archives.size() != 1 || !QDir(output).entryList({QStringLiteral("*.DAT")}, QDir::Files).isEmpty())
        qFatal("the session archive did not take every data file");
    return pair;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Options
{
    std::vector<int> counts = {100};
    Plan plan;
    int runs = 1;
    bool copyIn = false;
    bool synced = false;
    QString sorvik = QStringLiteral(SORVIK_EXECUTABLE);
    QString generateOnly;
};

Options parseOptions(const QStringList &args)
{
    Options options;
    for (int i = 1; i < args.size(); ++i) {
        const QString value = args.value(i + 1);
        if (args[i] == QLatin1String("--sweep")) {
            options.counts = {10, 100, 400, 800};
        } else if (args[i] == QLatin1String("--files")) {
            options.counts = {value.toInt()}, ++i;
        } else if (args[i] == QLatin1String("--counts")) {
            options.counts.clear();
            for (const QString &count : value.split(QLatin1Char(',')))
                options.counts.push_back(count.toInt());
            ++i;
        } else if (args[i] == QLatin1String("--total-mb")) {
            options.plan.totalMb = value.toDouble(), ++i;
        } else if (args[i] == QLatin1String("--big-gb")) {
            options.plan.bigGb = value.toDouble(), ++i;
        } else if (args[i] == QLatin1String("--copies-of")) {
            options.plan.copiesOf = QFileInfo(value).absoluteFilePath(), ++i;
        } else if (args[i] == QLatin1String("--copy-in")) {
            options.copyIn = true;
        } else if (args[i] == QLatin1String("--synced")) {
            options.synced = true;
        } else if (args[i] == QLatin1String("--runs")) {
            options.runs = std::max(1, value.toInt()), ++i;
        } else if (args[i] == QLatin1String("--sorvik")) {
            options.sorvik = value, ++i;
        } else if (args[i] == QLatin1String("--generate-only")) {
            options.generateOnly = value, ++i;
        }
    }
    return options;
}

// The pairs of one count of files, a line each, and their medians.
void runCount(const Options &options, Plan plan, const QString &root, const QString &output)
{
    const bool copies = options.copyIn || options.synced;
    const QString source = copies ? root + QStringLiteral("/source") : QString();
    qint64 total = 0;
    if (copies) {
        QDir(source).removeRecursively();
        QDir().mkpath(source);
        writeFiles(source, plan, total);
    }
    std::vector<double> wall;
    std::vector<double> cpu;
    std::vector<double> size;
    std::vector<double> ourWall;
    std::vector<double> ourCpu;
    for (int run = 0; run < options.runs; ++run) {
        const Pair pair = options.synced ? runSyncedPair(options.sorvik, root, output, source, run)
                                         : runPair(options.sorvik, root, output, source, plan, total);
        wall.push_back(pair.ours.seconds / pair.zip.seconds);
        cpu.push_back(pair.ours.cpuSeconds / pair.zip.cpuSeconds);
        size.push_back(double(pair.ourBytes) / double(pair.zipBytes));
        ourWall.push_back(pair.ours.seconds);
        ourCpu.push_back(pair.ours.cpuSeconds);
        std::printf("%6d %7.1f %7.2f %8.2f %6.3f %7.2f %8.2f %6.3f %11lld %12lld %7.4f %7.1f %9.1f\n", plan.files,
                    total / 1048576.0, pair.zip.seconds, pair.ours.seconds, wall.back(), pair.zip.cpuSeconds,
                    pair.ours.cpuSeconds, cpu.back(), pair.zipBytes, pair.ourBytes, size.back(),
                    pair.zip.peakKilobytes / 1024.0, pair.ours.peakKilobytes / 1024.0);
        std::fflush(stdout);
    }
    if (options.runs > 1)
        std::printf("%6d median wall ratio %.3f, cpu ratio %.3f, size ratio %.4f; sorvik median wall %.3f s, "
                    "cpu %.3f s\n",
                    plan.files, median(wall), median(cpu), median(size), median(ourWall), median(ourCpu));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const Options options = parseOptions(app.arguments());
    QTemporaryDir root(QDir::tempPath() + QStringLiteral("/sorvik-bench-XXXXXX"));
    setUpDrives(root.path());
    QDir().mkpath(root.path() + QStringLiteral("/config/sorvik"));
    {
        QSettings settings(ProfileStore::filePath(), QSettings::IniFormat);
        settings.beginGroup(QStringLiteral("Orvane_Y2K"));
        settings.setValue(QStringLiteral("Company"), QStringLiteral("Bench Company"));
    }
    Plan plan = options.plan;
    if (!options.generateOnly.isEmpty()) {
        QDir().mkpath(options.generateOnly);
        qint64 total = 0;
        plan.files = options.counts.front();
        writeFiles(options.generateOnly, plan, total);
        std::printf("data files: %d, %.1f MB\n", plan.files, total / 1048576.0);
        return 0;
    }
    const QString output = Drives::hostPath(QStringLiteral("C:\\Orvane\\Sorvik"));
    std::printf("%6s %7s %7s %8s %6s %7s %8s %6s %11s %12s %7s %7s %9s\n", "files", "MB", "zip s", "sorvik s", "wall",
                "zip cpu", "sorv cpu", "cpu", "zip bytes", "sorvik bytes", "size", "zip MB", "sorvik MB");
    for (const int files : options.counts) {
        plan.files = files;
        runCount(options, plan, root.path(), output);
    }
    return 0;
}
