// Scans generated networks headless with the same scan driver, writer and collectors the window
// uses ("Include SYS: File Information" ticked) and prints, as tables for docs/performance.md:
//
// - throughput on the 200-server network (300 modules each, 2,000 files in each listed directory):
//   servers per second by the clock and by the process's processor time, client calls per server,
//   data file size, peak memory;
// - the latency of Abort on the large cases (a server with 10,000 loaded modules; a server whose
//   listed directories hold 65,535 entries each): the longest time between two moments pending
//   events were handled (what an Abort click waits at most) and the longest step between two
//   event points (what the program does between two chances to handle them).
//
// Usage: bench_scan [SERVERS [LATENCY_RUNS]]   (defaults 200 and 3)
#include "app/ScanDriver.h"
#include "platform/EventPump.h"
#include "platform/Interaction.h"
#include "platform/ProgressView.h"
#include "platform/ResultsSink.h"
#include "profile/ProfileStore.h"
#include "session/Session.h"
#include "simnet/SimulatedClient.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <ctime>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// What the scan did at its event points: how many there were, at how many pending events were
// handled, and the longest times between them.
struct EventPoints
{
    quint64 points = 0;
    quint64 handled = 0;
    quint64 gapsOver10ms = 0;
    qint64 longestGapNs = 0;
    // The same gaps in the thread's processor time, which leaves out the time other processes on
    // a busy machine held the processor: what the scan itself spends between two handlings.
    qint64 longestGapProcessorNs = 0;
    // Only measured with measureSteps.
    qint64 longestStepNs = 0;
};

double milliseconds(qint64 ns)
{
    return double(ns) / 1e6;
}

// Handles pending events like the window does (through the same EventPump) and keeps the longest
// time between two moments they were actually handled, and the longest time between two event
// points whether or not events were handled there.
class TimingInteraction final : public Interaction
{
public:
    Answer message(const QString &, const QString &, Icon, Buttons) override { return Answer::Ok; }
    std::optional<QString> inputBox(const QString &, const QString &, const QString &) override { return {}; }
    void showException(const QString &text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    void setBusyCursor(bool) override {}
    void processEvents() override
    {
        ++seen.points;
        if (measureSteps && m_step.isValid())
            seen.longestStepNs = std::max(seen.longestStepNs, m_step.nsecsElapsed());
        if (m_pump.due()) {
            QCoreApplication::processEvents();
            const qint64 processor = threadProcessorNs();
            if (m_gap.isValid()) {
                const qint64 gap = m_gap.nsecsElapsed();
                seen.longestGapNs = std::max(seen.longestGapNs, gap);
                seen.longestGapProcessorNs = std::max(seen.longestGapProcessorNs, processor - m_gapProcessor);
                seen.gapsOver10ms += gap > 10'000'000;
            }
            ++seen.handled;
            m_gap.start();
            m_gapProcessor = processor;
        }
        if (measureSteps)
            m_step.start();
    }

    // Also time every step between two points (two more clock readings per point, so the
    // throughput run leaves them out).
    bool measureSteps = false;
    EventPoints seen;

private:
    static qint64 threadProcessorNs()
    {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
    }

    EventPump m_pump;
    QElapsedTimer m_gap;
    QElapsedTimer m_step;
    qint64 m_gapProcessor = 0;
};

class CountingResults final : public ResultsSink
{
public:
    void appendLine(const QString &, Color color) override { red += color == Color::Red; }
    void clear() override {}
    int red = 0;
};

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double processorSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Run
{
    bool completed = false;
    int red = 0;
    qint64 dataFiles = 0;
    qint64 dataBytes = 0;
    double seconds = 0;
    double processor = 0;
    quint64 calls = 0;
    EventPoints events;
};

Run scan(SimulatedClient &client, const QString &outputDirectory, bool measureSteps)
{
    QDir(outputDirectory).removeRecursively();
    TimingInteraction interaction;
    interaction.measureSteps = measureSteps;
    CountingResults results;
    SilentProgress progress;
    Session session(client, interaction, results);
    session.setUp();
    session.FillServerList();
    session.readCallsLibraryVersion();
    session.selectAll(true);
    client.resetCallCounts();

    Run run;
    const double processorBefore = processorSeconds();
    QElapsedTimer timer;
    timer.start();
    ScanDriver driver(session, progress);
    run.completed = driver.run() == ScanDriver::Result::Completed;
    run.seconds = double(timer.nsecsElapsed()) / 1e9;
    run.processor = processorSeconds() - processorBefore;
    run.calls = client.callCount();
    session.release();

    for (const QFileInfo &file : QDir(outputDirectory).entryInfoList(QDir::Files)) {
        ++run.dataFiles;
        run.dataBytes += file.size();
    }
    run.red = results.red;
    run.events = interaction.seen;
    return run;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int servers = argc > 1 ? std::atoi(argv[1]) : 200;
    const int latencyRuns = argc > 2 ? std::atoi(argv[2]) : 3;
    QTemporaryDir root;
    qputenv("SORVIK_DRIVE_C", QFile::encodeName(root.path() + QStringLiteral("/c")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root.path() + QStringLiteral("/config")));
    const QString outputDirectory = root.path() + QStringLiteral("/c/Orvane/Sorvik");
    ProfileValues profile;
    profile[QStringLiteral("Company")] = QStringLiteral("Bench Corp");
    ProfileStore::writeAll(profile);
    bool ok = true;

    const long before = peakKilobytes();
    Run network;
    {
        SimulatedClient client(sim::generateNetwork(servers, 300, 2000));
        network = scan(client, outputDirectory, false);
    }
    ok = ok && network.completed && network.dataFiles == servers;
    std::printf("## Scan of %d servers (300 modules each, 8 listed directories of 2,000 files)\n\n", servers);
    std::printf("| Figure | Value |\n|---|---|\n");
    std::printf("| Servers per second (clock) | %.1f (%d servers in %.2f s, %s, %d red lines) |\n",
                servers / network.seconds, servers, network.seconds, network.completed ? "completed" : "NOT completed",
                network.red);
    std::printf("| Servers per second (processor time) | %.1f (%.2f s of processor time) |\n",
                servers / network.processor, network.processor);
    std::printf("| Client calls per server | %.0f |\n", double(network.calls) / servers);
    const double averageBytes = network.dataFiles ? double(network.dataBytes) / double(network.dataFiles) : 0.0;
    std::printf("| Data files | %lld of %.0f bytes on average (%.0f KB) |\n", static_cast<long long>(network.dataFiles),
                averageBytes, averageBytes / 1000.0);
    std::printf("| Event points | %llu (events handled at %llu) |\n",
                static_cast<unsigned long long>(network.events.points),
                static_cast<unsigned long long>(network.events.handled));
    std::printf("| Longest time between two handlings of pending events | %.2f ms (%.2f ms of processor time; %llu "
                "gaps above 10 ms) |\n",
                milliseconds(network.events.longestGapNs), milliseconds(network.events.longestGapProcessorNs),
                static_cast<unsigned long long>(network.events.gapsOver10ms));
    std::printf("| Peak memory | %ld KB (%ld KB before the network was built) |\n\n", peakKilobytes(), before);
    std::fflush(stdout);

    struct Case
    {
        const char *name;
        int modules;
        quint32 files;
    };
    const Case cases[] = {
        {"10,000 loaded modules (directories of 100 files)", 10000, 100},
        {"65,535 entries in each listed directory (300 modules)", 300, 65535},
    };
    std::printf("## Abort latency, one server (%d runs each)\n\n", latencyRuns);
    std::printf(
        "| Case | Run | Scan (s) | Event points | Longest gap between handlings (ms) | The same in processor "
        "time (ms) | Gaps above 10 ms | Longest step between points (ms) |\n|---|---|---|---|---|---|---|---|\n");
    for (const Case &c : cases) {
        SimulatedClient client(sim::generateNetwork(1, c.modules, c.files));
        for (int i = 1; i <= latencyRuns; ++i) {
            const Run run = scan(client, outputDirectory, true);
            ok = ok && run.completed && run.dataFiles == 1;
            std::printf("| %s | %d | %.2f | %llu | %.2f | %.2f | %llu | %.2f |\n", c.name, i, run.seconds,
                        static_cast<unsigned long long>(run.events.points), milliseconds(run.events.longestGapNs),
                        milliseconds(run.events.longestGapProcessorNs),
                        static_cast<unsigned long long>(run.events.gapsOver10ms),
                        milliseconds(run.events.longestStepNs));
            std::fflush(stdout);
        }
    }
    return ok ? 0 : 1;
}
