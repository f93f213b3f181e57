#include "app/ScanDriver.h"
#include "platform/Drives.h"
#include "profile/ProfileStore.h"
#include "session/Product.h"
#include "session/Session.h"
#include "simnet/SimulatedClient.h"

#include "RecordingInteraction.h"
#include "RecordingProgress.h"
#include "RecordingResults.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>

#include <csignal>
#include <memory>

#include <sys/resource.h>

namespace {

sim::Server server(const QByteArray &name, sim::Address address)
{
    sim::Server s;
    s.name = name;
    s.address = std::move(address);
    return s;
}

QByteArray readFile(const QString &windowsPath)
{
    QFile file(Drives::hostPath(windowsPath));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct ScanTest : ::testing::Test
{
    void SetUp() override
    {
        TestEnvironment::fresh();
        ProfileValues values;
        values[QStringLiteral("Company")] = QStringLiteral("Acme Tools, Inc.");
        ASSERT_TRUE(ProfileStore::writeAll(values));
        network.workstation.primaryServer = "";
    }

    // Starts the session on `network` with the first server as primary connection.
    void start()
    {
        if (network.workstation.primaryServer.isEmpty() && !network.servers.empty())
            network.workstation.primaryServer = network.servers.front().name;
        client = std::make_unique<SimulatedClient>(network);
        session = std::make_unique<Session>(*client, interaction, results);
        session->setUp();
        session->FillServerList();
        session->readCallsLibraryVersion();
    }

    ScanDriver::Result scan()
    {
        ScanDriver driver(*session, progress);
        driver.setControlsEnabled = [this](bool enabled) { controls.push_back(enabled); };
        return driver.run();
    }

    sim::SimulatedNetwork network;
    std::unique_ptr<SimulatedClient> client;
    RecordingInteraction interaction;
    RecordingResults results;
    RecordingProgress progress;
    std::unique_ptr<Session> session;
    std::vector<bool> controls;
};

const QString kComplete = QStringLiteral("Server Scan is complete. Please press the \"Send\" button to send your data "
                                         "to Orvane when you have completed scanning all desired servers.");

} // namespace

TEST_F(ScanTest, RefusesWithoutSelectionOrProfile)
{
    network.servers = {server("FS1", sim::Address::ipx(0x01A2005C, 1, 0x451))};
    start();
    EXPECT_EQ(scan(), ScanDriver::Result::Refused);
    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_EQ(interaction.messages[0].caption, QStringLiteral("Error"));
    EXPECT_EQ(interaction.messages[0].icon, Interaction::Icon::Error);
    EXPECT_EQ(interaction.messages[0].text, QStringLiteral("You must select at least one server."));

    session->selectAll(true);
    ASSERT_TRUE(ProfileStore::writeAll(ProfileValues{}));
    interaction.messages.clear();
    EXPECT_EQ(scan(), ScanDriver::Result::Refused);
    EXPECT_EQ(
        interaction.texts(),
        QStringList{QStringLiteral("Profile Information is not complete\nPlease fill out your profile and retry!")});
    EXPECT_EQ(progress.shown, 0);
    EXPECT_TRUE(controls.empty());
}

TEST_F(ScanTest, UnreachableFirstServerLeavesTheBarAtFifty)
{
    network.servers = {server("AAA", sim::Address::ipx(0x11, 1, 0x451)),
                       server("BBB", sim::Address::ipx(0x22, 1, 0x451))};
    network.servers[0].reachable = false;
    network.workstation.primaryServer = "BBB";
    start();
    session->selectAll(true);
    EXPECT_EQ(scan(), ScanDriver::Result::Completed);

    const QStringList lines = results.texts();
    ASSERT_GE(lines.size(), 4);
    EXPECT_EQ(lines[0], QStringLiteral("QXCCOpenConnByName Returned: 8847"));
    EXPECT_EQ(lines[1], QStringLiteral("AAA Could not attach"));
    EXPECT_EQ(lines[2], QStringLiteral("BBB Results"));
    EXPECT_EQ(results.lines[2].color, ResultsSink::Color::Blue);
    EXPECT_EQ(lines[3], QStringLiteral("C:\\Orvane\\Sorvik did not exist, it will be created"));
    EXPECT_TRUE(lines.contains(QStringLiteral("Saving report for BBB as 00000022.DAT\n")));
    EXPECT_EQ(progress.totalSteps, (std::vector<int>{0, 50}));
    EXPECT_EQ(interaction.texts().last(), kComplete);
    EXPECT_EQ(controls, (std::vector<bool>{false, true}));
    EXPECT_FALSE(progress.visible);
}

TEST_F(ScanTest, OverallBarUsesIntegerSteps)
{
    for (const char *name : {"FS1", "FS2", "FS3"})
        network.servers.push_back(server(name, sim::Address::ipx(0x100, 1, 0x451)));
    start();
    session->selectAll(true);
    scan();
    EXPECT_EQ(progress.totalSteps, (std::vector<int>{0, 33, 66, 99}));
}

TEST_F(ScanTest, OneHundredFiftyServersKeepTheBarAtZero)
{
    for (int i = 0; i < 150; ++i)
        network.servers.push_back(
            server("S" + QByteArray::number(1000 + i), sim::Address::ipx(quint32(i + 1), 1, 0x451)));
    start();
    session->selectAll(true);
    session->includeSysFiles = false;
    scan();
    ASSERT_EQ(progress.totalSteps.size(), 151u);
    for (int value : progress.totalSteps)
        EXPECT_EQ(value, 0);
    EXPECT_EQ(QDir(Drives::hostPath(Product::outputDirectory())).entryList(QDir::Files).size(), 150);
}

TEST_F(ScanTest, IpServersSharingTheirLastEightDigitsShareAFile)
{
    network.servers = {server("ALPHA", sim::Address::ip(192, 168, 100, 200)),
                       server("BETA", sim::Address::ip(92, 168, 100, 200))};
    start();
    session->selectAll(true);
    scan();
    EXPECT_TRUE(results.texts().contains(QStringLiteral("Saving report for ALPHA as 68100200.DAT\n")));
    EXPECT_TRUE(results.texts().contains(QStringLiteral("Saving report for BETA as 68100200.DAT\n")));
    const QByteArray file = readFile(QStringLiteral("C:\\Orvane\\Sorvik\\68100200.DAT"));
    EXPECT_TRUE(file.contains("\r\nBETA\r\n")) << "the later server replaces the earlier file";
    EXPECT_FALSE(file.contains("\r\nALPHA\r\n"));
    // ... and says so, in red, in the later server's block.
    EXPECT_EQ(results.texts().last(),
              QStringLiteral("ALPHA and BETA give the same data file 68100200.DAT; it now holds BETA's data"));
    EXPECT_EQ(results.lines.back().color, ResultsSink::Color::Red);
}

TEST_F(ScanTest, AddressIdRules)
{
    network.servers = {server("IPX1", sim::Address::ipx(0x01A2005C, 1, 0x451)),
                       server("IPSHORT", sim::Address::ip(10, 1, 2, 3)), server("NOADDR", sim::Address::ipx(1, 1, 1)),
                       server("OTHER", sim::Address::ipx(1, 1, 1)), server("TOOLONG", sim::Address::ipx(1, 1, 1))};
    network.servers[2].faults.set(sim::Op::QXCCGetConnAddressLength, 0x8801);
    network.servers[3].address->type = 5;
    network.servers[4].address->length = 14;
    start();
    ScanDriver driver(*session, progress);
    const std::pair<QByteArray, QByteArray> expected[] = {
        {"IPX1", "01A2005C"}, {"IPSHORT", "10123"}, {"NOADDR", ""}, {"OTHER", ""}, {"TOOLONG", ""}};
    for (const auto &[name, id] : expected) {
        session->currentServerName = name;
        EXPECT_EQ(driver.ServerAddressId(), id) << name.constData();
    }
    EXPECT_EQ(client->openHandleCount(), 1) << "only the primary connection stays open";
}

TEST_F(ScanTest, AbortDuringTheFirstServer)
{
    for (const char *name : {"FS1", "FS2"})
        network.servers.push_back(server(name, sim::Address::ipx(0x100, 1, 0x451)));
    start();
    session->selectAll(true);
    // Abort while the first server's general rows are being written (the third pending-events
    // point after the writer showed 0%).
    int pointsAfterStart = 0;
    interaction.onProcessEvents = [this, &pointsAfterStart] {
        if (!progress.labels.isEmpty() && progress.labels.last() == QStringLiteral("Analyzing FS1") &&
            progress.serverSteps.back() == 0 && ++pointsAfterStart == 3)
            session->abortFlag = true;
    };
    EXPECT_EQ(scan(), ScanDriver::Result::Aborted);
    interaction.onProcessEvents = nullptr;
    EXPECT_FALSE(session->abortFlag);
    EXPECT_EQ(interaction.texts().last(), QStringLiteral("User Aborted Operation"));
    EXPECT_EQ(results.texts().last(), QStringLiteral("User Aborted Operation"));
    for (const QString &line : results.texts())
        EXPECT_FALSE(line.startsWith(QStringLiteral("Saving report"))) << qPrintable(line);
    // The file keeps the header and the whole general section, nothing after it.
    const QByteArray partial = readFile(QStringLiteral("C:\\Orvane\\Sorvik\\00000100.DAT"));
    EXPECT_TRUE(partial.contains("GENERAL REPORT\r\n"));
    EXPECT_TRUE(partial.endsWith("TTS Level\t\t\t\t\t1\r\n\r\n"));
    EXPECT_FALSE(partial.contains("LOADED MODULES"));
    EXPECT_EQ(session->lastDataFilePath, QStringLiteral("C:\\Orvane\\Sorvik\\00000100.DAT"));

    // A second scan runs normally.
    results.clear();
    EXPECT_EQ(scan(), ScanDriver::Result::Completed);
    EXPECT_EQ(results.texts().filter(QStringLiteral("Saving report")).size(), 2);
}

TEST_F(ScanTest, UntickedOptionSkipsTheFileListStep)
{
    network.servers = {server("FS1", sim::Address::ipx(0x100, 1, 0x451))};
    start();
    session->selectAll(true);
    session->includeSysFiles = false;
    scan();
    // FormShow's 0, then the writer's checkpoints.
    EXPECT_EQ(progress.serverSteps, (std::vector<int>{0, 0, 15, 45, 100}));
    const QByteArray file = readFile(QStringLiteral("C:\\Orvane\\Sorvik\\00000100.DAT"));
    EXPECT_TRUE(file.endsWith("LOADED MODULES\r\n\r\n\r\n"));

    session->includeSysFiles = true;
    progress.serverSteps.clear();
    scan();
    EXPECT_EQ(progress.serverSteps, (std::vector<int>{0, 0, 15, 45, 90, 100}));
}

TEST_F(ScanTest, ServerCountLineCountsEveryListedServer)
{
    for (int i = 0; i < 12; ++i)
        network.servers.push_back(
            server("FS" + QByteArray::number(10 + i), sim::Address::ipx(quint32(i + 1), 1, 0x451)));
    start();
    session->setSelected(3, true);
    scan();
    const QByteArray file = readFile(session->lastDataFilePath);
    EXPECT_TRUE(file.startsWith("Orvane Quarlix Year2000 Sorvik v1.3 Report\r\n\r\n"
                                "Total # of Quarlix servers on network: 12\r\n\r\nADMINISTRATOR\r\n"));
}

TEST_F(ScanTest, EveryConnectionOpenedDuringAScanIsClosed)
{
    for (const char *name : {"FS1", "FS2", "FS3"})
        network.servers.push_back(server(name, sim::Address::ipx(0x100, 1, 0x451)));
    network.servers[1].reachable = false;
    start();
    ASSERT_EQ(client->openHandleCount(), 1);
    session->selectAll(true);
    scan();
    EXPECT_EQ(client->openHandleCount(), 1);
    session->release();
    EXPECT_EQ(client->openHandleCount(), 0);
}

TEST_F(ScanTest, ServerNamesNamingAFileStayInsideTheOutputDirectory)
{
    EXPECT_EQ(ScanDriver::safeFileName("FS1"), QByteArray("FS1"));
    EXPECT_EQ(ScanDriver::safeFileName("..\\..\\EVIL"), QByteArray(".._.._EVIL"));
    EXPECT_EQ(ScanDriver::safeFileName("a/b:c*d?e\"f<g>h|i"), QByteArray("a_b_c_d_e_f_g_h_i"));
    EXPECT_EQ(ScanDriver::safeFileName(QByteArray("x\ty\x01", 4)), QByteArray("x_y_"));
    EXPECT_EQ(ScanDriver::safeFileName(".."), QByteArray("__"));
    EXPECT_EQ(ScanDriver::safeFileName("."), QByteArray("_"));
}

TEST_F(ScanTest, AFileThatCannotBeCreatedIsReportedNotClaimed)
{
    network.servers = {server("FS1", sim::Address::ipx(0x100, 1, 0x451))};
    start();
    session->selectAll(true);
    // A directory in the data file's place makes the file impossible to create.
    QDir().mkpath(Drives::hostPath(QStringLiteral("C:\\Orvane\\Sorvik\\00000100.DAT")));
    EXPECT_EQ(scan(), ScanDriver::Result::Completed);
    for (const QString &line : results.texts())
        EXPECT_FALSE(line.startsWith(QStringLiteral("Saving report"))) << qPrintable(line);
    const QStringList red = results.redTexts();
    ASSERT_FALSE(red.isEmpty());
    EXPECT_TRUE(red.last().startsWith(QStringLiteral("Report for FS1 not saved. Could not create "
                                                     "C:\\Orvane\\Sorvik\\00000100.DAT: ")))
        << qPrintable(red.last());
    EXPECT_EQ(progress.totalSteps, (std::vector<int>{0}));
}

TEST_F(ScanTest, LineBreaksInValuesCannotForgeLines)
{
    network.servers = {server("FS1", sim::Address::ipx(0x100, 1, 0x451))};
    network.servers[0].companyName = "Evil\r\nFirst\t\t\tMallory";
    start();
    session->selectAll(true);
    // A line break written into the profile by hand refuses the scan.
    QFile profile(ProfileStore::filePath());
    ASSERT_TRUE(profile.open(QIODevice::WriteOnly | QIODevice::Truncate));
    profile.write("[Orvane_Y2K]\nCompany=Acme\\nTools\n");
    profile.close();
    EXPECT_EQ(scan(), ScanDriver::Result::Refused);
    EXPECT_EQ(interaction.texts(), QStringList{QStringLiteral("Cannot read the profile file %1: it is damaged (the "
                                                              "value Company holds a line break)")
                                                   .arg(ProfileStore::filePath())});
    ProfileValues values;
    values[QStringLiteral("Company")] = QStringLiteral("Acme Tools");
    ASSERT_TRUE(ProfileStore::writeAll(values));
    scan();
    const QByteArray file = readFile(session->lastDataFilePath);
    EXPECT_TRUE(file.contains("\r\nCompany\t\t\tAcme Tools\r\n"));
    EXPECT_TRUE(file.contains("\r\nCompany Name\t\t\t\tEvil  First\t\t\tMallory\r\n"));
    EXPECT_FALSE(file.contains("\r\nFirst\t\t\tMallory"));
}

TEST_F(ScanTest, TheScanWorksOnTheSelectionItStartedWith)
{
    for (const char *name : {"FS1", "FS2", "FS3"})
        network.servers.push_back(server(name, sim::Address::ipx(0x100, 1, 0x451)));
    network.servers[2].reachable = false;
    start();
    session->setSelected(0, true);
    session->setSelected(2, true);
    interaction.onProcessEvents = [this] { session->selectAll(true); };
    ScanDriver driver(*session, progress);
    EXPECT_EQ(driver.run(), ScanDriver::Result::Completed);
    EXPECT_EQ(results.texts().filter(QStringLiteral("Results")), QStringList{QStringLiteral("FS1 Results")});
    EXPECT_EQ(progress.totalSteps, (std::vector<int>{0, 50}));
    EXPECT_EQ(driver.notSavedCount(), 1) << "FS3 could not be reached";
}

namespace {

// Selects the servers named and scans them on a fresh results box.
void scanOnly(ScanTest &test, std::initializer_list<const char *> names)
{
    test.results.lines.clear();
    test.session->includeSysFiles = false;
    for (std::size_t i = 0; i < test.session->servers().size(); ++i) {
        bool wanted = false;
        for (const char *name : names)
            wanted = wanted || test.session->servers()[i].name == name;
        test.session->setSelected(i, wanted);
    }
    EXPECT_EQ(test.scan(), ScanDriver::Result::Completed);
}

// What the output directory holds, hidden files included.
QStringList outputFiles()
{
    return QDir(Drives::hostPath(Product::outputDirectory())).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

TEST_F(ScanTest, ARewriteThatFailsLeavesTheEarlierFileAsItWas)
{
    network.servers = {server("FS1", sim::Address::ipx(0x100, 1, 0x451))};
    start();
    scanOnly(*this, {"FS1"});
    const QString file = QStringLiteral("C:\\Orvane\\Sorvik\\00000100.DAT");
    const QByteArray earlier = readFile(file);
    ASSERT_GT(earlier.size(), 1024);

    // Files may not grow beyond 1 KB for the second scan: its data file cannot be written whole.
    rlimit before{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = before;
    small.rlim_cur = 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    scanOnly(*this, {"FS1"});
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldHandler);

    const QStringList red = results.redTexts();
    ASSERT_EQ(red.size(), 1) << qPrintable(results.texts().join(QLatin1Char('\n')));
    EXPECT_TRUE(red[0].startsWith(QStringLiteral("Report for FS1 not saved. Could not write ") + file + ": "))
        << qPrintable(red[0]);
    EXPECT_FALSE(results.texts().contains(QStringLiteral("Saving report for FS1 as 00000100.DAT\n")));
    EXPECT_EQ(readFile(file), earlier);
    EXPECT_EQ(outputFiles(), QStringList{QStringLiteral("00000100.DAT")}) << "no temporary file stays";

    // The data file and the profile hold contact data: readable by their owner only.
    constexpr auto others =
        QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::WriteOther;
    EXPECT_FALSE(QFile::permissions(Drives::hostPath(file)) & others);
    EXPECT_FALSE(QFile::permissions(ProfileStore::filePath()) & others);
}

TEST_F(ScanTest, AFullDiskLeavesNoDataFileBehind)
{
    network.servers = {server("FS1", sim::Address::ipx(0x100, 1, 0x451)),
                       server("FS2", sim::Address::ipx(0x200, 1, 0x451))};
    start();
    const QString directory = Drives::hostPath(Product::outputDirectory());
    ASSERT_TRUE(QDir().mkpath(directory));
    if (QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                                    QStringLiteral("size=256k"), QStringLiteral("tmpfs"), directory}) !=
        0)
        GTEST_SKIP() << "a small tmpfs cannot be mounted here (needs root): the full disk is not tried";
    const auto unmount = qScopeGuard([&directory] {
        QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), directory});
    });

    scanOnly(*this, {"FS1"});
    const QString fs1 = QStringLiteral("C:\\Orvane\\Sorvik\\00000100.DAT");
    const QByteArray earlier = readFile(fs1);
    ASSERT_FALSE(earlier.isEmpty());
    {
        QFile filler(directory + QStringLiteral("/filler"));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size()) {
        }
    }

    // A rewrite of FS1 and a first data file of FS2, both on the full disk.
    scanOnly(*this, {"FS1", "FS2"});
    const QStringList red = results.redTexts();
    ASSERT_EQ(red.size(), 2) << qPrintable(results.texts().join(QLatin1Char('\n')));
    for (const QString &line : red)
        EXPECT_TRUE(line.contains(QStringLiteral(" not saved. Could not write "))) << qPrintable(line);
    EXPECT_EQ(readFile(fs1), earlier);
    EXPECT_EQ(outputFiles(), (QStringList{QStringLiteral("00000100.DAT"), QStringLiteral("filler")}));
}
