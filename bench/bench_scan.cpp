// Scans a generated network of 200 servers (300 modules each, 2,000 files in each listed
// directory) headless and prints servers per second, client calls per server, peak memory and the
// longest time between two points where pending events are handled (the latency of Abort).
#include "app/ScanDriver.h"
#include "app/Session.h"
#include "platform/EventPump.h"
#include "platform/Interaction.h"
#include "platform/ProgressView.h"
#include "platform/ResultsSink.h"
#include "simnet/SimulatedClient.h"
#include "profile/ProfileStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>

namespace {

// Handles pending events like the window does and keeps the longest time between two moments they
// were actually handled: the longest an Abort click waits.
class TimingInteraction final : public Interaction
{
public:
    Answer message(const QString &, const QString &, Icon, Buttons) override { return Answer::Ok; }
    std::optional<QString> inputBox(const QString &, const QString &, const QString &) override { return {}; }
    void showException(const QString &text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    void setBusyCursor(bool) override {}
    void processEvents() override
    {
        ++points;
        if (!m_pump.due())
            return;
        QCoreApplication::processEvents();
        if (m_clock.isValid())
            m_longestNs = std::max(m_longestNs, m_clock.nsecsElapsed());
        ++handled;
        m_clock.restart();
    }
    qint64 longestNs() const { return m_longestNs; }
    quint64 points = 0;
    quint64 handled = 0;

private:
    EventPump m_pump;
    QElapsedTimer m_clock;
    qint64 m_longestNs = 0;
};

class NoProgress final : public ProgressView
{
public:
    void showProgress() override {}
    void hideProgress() override {}
    void setServerLabel(const QString &) override {}
    void setServerProgress(int) override {}
    void setTotalProgress(int) override {}
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

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int servers = argc > 1 ? std::atoi(argv[1]) : 200;
    QTemporaryDir root;
    qputenv("SORVIK_DRIVE_C", QFile::encodeName(root.path() + QStringLiteral("/c")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root.path() + QStringLiteral("/config")));
    ProfileValues profile;
    profile[QStringLiteral("Company")] = QStringLiteral("Bench Corp");
    ProfileStore::writeAll(profile);

    const long before = peakKilobytes();
    SimulatedClient client(sim::generateNetwork(servers, 300, 2000));
    TimingInteraction interaction;
    CountingResults results;
    NoProgress progress;
    Session session(client, interaction, results);
    session.setUp();
    session.FillServerList();
    session.readCallsLibraryVersion();
    session.selectAll(true);
    client.resetCallCounts();

    QElapsedTimer timer;
    timer.start();
    ScanDriver driver(session, progress);
    const ScanDriver::Result result = driver.comp23Click();
    const double seconds = timer.nsecsElapsed() / 1e9;
    session.release();

    const auto files = QDir(root.path() + QStringLiteral("/c/Orvane/Sorvik")).entryList(QDir::Files).size();
    std::printf("servers scanned:          %d (%lld data files, %d red lines, %s)\n", servers,
                static_cast<long long>(files), results.red,
                result == ScanDriver::Result::Completed ? "completed" : "NOT completed");
    std::printf("time:                     %.2f s\n", seconds);
    std::printf("servers per second:       %.1f\n", servers / seconds);
    std::printf("client calls per server:  %.0f\n", double(client.callCount()) / servers);
    std::printf("event points:             %llu (events handled at %llu of them)\n",
                static_cast<unsigned long long>(interaction.points),
                static_cast<unsigned long long>(interaction.handled));
    std::printf("longest time between two handlings of pending events: %.2f ms\n", interaction.longestNs() / 1e6);
    std::printf("peak memory:              %ld KB (%ld KB before the network was built)\n", peakKilobytes(), before);
    return result == ScanDriver::Result::Completed && files == servers ? 0 : 1;
}
