// Rows per second and peak memory of the module list collector and the directory lister against
// a synthetic server: 2,000 loaded modules and one directory of 100,000 entries, both served in
// an order unrelated to the row order, so that every row has to be placed.
#include "StubClient.h"
#include "client/TfrmFiler.h"
#include "client/TfrmQLM.h"
#include "session/Session.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocale>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

namespace {

class QuietInteraction final : public Interaction
{
public:
    Answer message(const QString &, const QString &, Icon, Buttons) override { return Answer::Ok; }
    std::optional<QString> inputBox(const QString &, const QString &, const QString &) override { return {}; }
    void showException(const QString &) override {}
    void setBusyCursor(bool) override {}
    void processEvents() override {}
};

class QuietResults final : public ResultsSink
{
public:
    void appendLine(const QString &, Color) override {}
    void clear() override {}
};

QByteArray randomName(std::mt19937 &random, int length)
{
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_-";
    QByteArray name;
    for (int i = 0; i < length; ++i)
        name.append(letters[random() % (sizeof(letters) - 1)]);
    return name;
}

class SyntheticServer final : public StubClient
{
public:
    SyntheticServer(int modules, int entries)
    {
        std::mt19937 random(1998);
        for (int i = 0; i < modules; ++i)
            m_modules.push_back(randomName(random, 8) + ".QLM");
        for (int i = 0; i < entries; ++i)
            m_entries.push_back(randomName(random, 8) + "." + randomName(random, 3));
    }

    qx::Code QXCCOpenConnByName(qx::Handle, const QByteArray &, quint32, quint32, quint32, qx::Handle &conn) override
    {
        conn = 7;
        return qx::Success;
    }
    qx::Code QXCCCloseConn(qx::Handle) override { return qx::Success; }
    qx::DsStatus QXDSAuthenticate(qx::Handle, quint32, void *) override { return qx::DsSuccess; }
    qx::Code QXGetFileServerInformation(qx::Handle, qx::FileServerInformation &info) override
    {
        info.majorVersion = 5;
        return qx::Success;
    }
    qx::Code QXCheckConsolePrivileges(qx::Handle) override { return qx::Success; }
    qx::Code QXGetQLMLoadedList(qx::Handle, quint32 start, qx::LoadedListRecord &list) override
    {
        quint32 count = 0;
        for (quint32 n = start; n < m_modules.size() && count < qx::LoadedListCapacity; ++n, ++count)
            list.setU32(qx::LoadedListNumbersAt + 4 * count, n);
        list.setU32(qx::LoadedListCountAt, count);
        return qx::Success;
    }
    qx::Code QXGetQLMInfo(qx::Handle, quint32 number, qx::ModuleRecord &info, qx::ModuleFileName &fileName,
                          qx::ModuleDescription &description, qx::ModuleCopyright &copyright) override
    {
        if (number >= m_modules.size())
            return 0x8998;
        info.setU32(12, number);
        info.setU32(16, number & 0x0F);
        info.setU32(20, number % 14);
        info.setU32(28, 5);
        info.setU32(32, number % 100);
        info.setU32(40, 1998);
        info.setU32(44, 1 + number % 12);
        info.setU32(48, 1 + number % 28);
        info.setU32(52, number * 4096);
        fileName.setText(0, fileName.size, m_modules[number]);
        description.setText(0, description.size, "Synthetic server module for the collector benchmark");
        copyright.setText(0, copyright.size, "(C) Copyright 1998 Orvane, Inc. All rights reserved.");
        return qx::Success;
    }
    qx::Code QXFileSearchInitialize(qx::Handle, quint8, const QByteArray &, qx::SearchStart &start) override
    {
        m_next = 0;
        start = {};
        start.sequence = 0xFFFF;
        return qx::Success;
    }
    qx::Code QXIntFileSearchContinue(qx::Handle, quint8, quint16, quint16, quint8, const QByteArray &,
                                     qx::SearchEntryRecord &entry, quint32) override
    {
        if (m_next >= m_entries.size())
            return qx::NoMoreEntries;
        entry.setU16(0, quint16(m_next));
        entry.setText(4, 15, m_entries[m_next]);
        entry.setU8(19, quint8(0x20 | (m_next & 0x07)));
        entry.setU32(21, quint32(m_next * 977));
        entry.setU16(29, 9327);
        entry.setU16(31, 28836);
        ++m_next;
        return qx::Success;
    }

private:
    std::vector<QByteArray> m_modules;
    std::vector<QByteArray> m_entries;
    std::size_t m_next = 0;
};

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss; // kilobytes on Linux
}

// Each run returns the milliseconds of its timed part.
template <typename Run> double medianMilliseconds(int repetitions, Run run)
{
    std::vector<double> times;
    for (int i = 0; i < repetitions; ++i)
        times.push_back(run());
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double elapsedMs(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    constexpr int Modules = 2000;
    constexpr int Entries = 100000;
    constexpr int Repetitions = 5;

    SyntheticServer server(Modules, Entries);
    QuietInteraction interaction;
    QuietResults results;
    Session session(server, interaction, results);
    session.currentServerName = "BENCH";
    const long baseline = peakKilobytes();

    std::size_t moduleRows = 0;
    const double moduleMs = medianMilliseconds(Repetitions, [&] {
        TfrmQLM qlm(session);
        QElapsedTimer timer;
        timer.start();
        qlm.collect();
        moduleRows = qlm.rows().size();
        return elapsedMs(timer);
    });
    const long afterModules = peakKilobytes();

    std::size_t fileRows = 0;
    bool ordered = true;
    const double fileMs = medianMilliseconds(Repetitions, [&] {
        TfrmFiler filer(session);
        filer.prepare();
        QElapsedTimer timer;
        timer.start();
        filer.listFiles("SYS:\\BENCH", "*");
        const auto rows = filer.rows();
        const double ms = elapsedMs(timer);
        fileRows = rows.size();
        ordered = ordered && std::is_sorted(rows.begin(), rows.end(), [](const FileRow &a, const FileRow &b) {
                      return Locale::wordLess(a.name, b.name);
                  });
        return ms;
    });
    const long afterFiles = peakKilobytes();

    std::printf("## Collectors\n\n");
    std::printf("Release build, median of %d runs, synthetic server in the same process (no client latency).\n\n",
                Repetitions);
    std::printf("| Case | Rows | Time (ms) | Rows per second | Peak RSS growth (KB) |\n");
    std::printf("|---|---|---|---|---|\n");
    std::printf("| Module list collector, collect + rows() | %zu | %.1f | %.0f | %ld |\n", moduleRows, moduleMs,
                moduleRows / (moduleMs / 1000.0), afterModules - baseline);
    std::printf("| Directory lister, listFiles + rows() | %zu | %.1f | %.0f | %ld |\n", fileRows, fileMs,
                fileRows / (fileMs / 1000.0), afterFiles - afterModules);
    std::printf("\nPeak RSS of the process: %ld KB (before the runs: %ld KB). Rows in word-sort order: %s.\n",
                afterFiles, baseline, ordered ? "yes" : "NO");
    return ordered && moduleRows == std::size_t(Modules) && fileRows == std::size_t(Entries) ? 0 : 1;
}
