// Data files of demo servers compared byte for byte with files worked out by hand from the layout
// rules and the demo network's values (tests/report/golden). The golden files hold the exact bytes
// of a data file (Windows-1252, tabs) with LF line ends; the test turns LF into CR LF. The date line
// (line 25) is checked against its pattern and the time of the scan, then masked in both.

#include "app/ScanDriver.h"
#include "platform/Drives.h"
#include "profile/ProfileStore.h"
#include "session/Product.h"
#include "session/Session.h"
#include "simnet/NetworkLoader.h"
#include "simnet/SimulatedClient.h"

#include "RecordingInteraction.h"
#include "RecordingProgress.h"
#include "RecordingResults.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <memory>
#include <optional>

namespace {

const QByteArray kMaskedDateLine = "<date and time>";
constexpr int kDateLine = 25;

const QString kComplete = QStringLiteral("Server Scan is complete. Please press the \"Send\" button to send your data "
                                         "to Orvane when you have completed scanning all desired servers.");
const QString kCreated = QStringLiteral("C:\\Orvane\\Sorvik did not exist, it will be created");

using Color = ResultsSink::Color;

QByteArray readBytes(const QString &hostPath)
{
    QFile file(hostPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The golden file with CR LF line ends; empty when it cannot be read or already holds a CR.
QByteArray golden(const char *name)
{
    const QByteArray text = readBytes(QStringLiteral(SORVIK_GOLDEN_DIR "/") + QLatin1String(name));
    if (text.isEmpty() || text.contains('\r'))
        return {};
    QByteArray withCrLf = text;
    return withCrLf.replace("\n", "\r\n");
}

// The date line's text, or nothing when the file has fewer lines.
std::optional<QByteArray> dateLine(const QByteArray &file)
{
    const QList<QByteArray> lines = file.split('\n');
    if (lines.size() <= kDateLine)
        return std::nullopt;
    QByteArray line = lines[kDateLine - 1];
    line.chop(line.endsWith('\r') ? 1 : 0);
    return line;
}

QByteArray maskDateLine(const QByteArray &file)
{
    QList<QByteArray> lines = file.split('\n');
    if (lines.size() > kDateLine)
        lines[kDateLine - 1] = kMaskedDateLine + '\r';
    return lines.join('\n');
}

// "mm/dd/yyyy hh:mm:ss AM/PM" read back by its own rules, independent of the writer's code.
std::optional<QDateTime> parseDateLine(const QByteArray &line)
{
    static const QRegularExpression pattern(QStringLiteral(
        R"(^(0[1-9]|1[0-2])/(0[1-9]|[12][0-9]|3[01])/([0-9]{4}) (0[1-9]|1[0-2]):([0-5][0-9]):([0-5][0-9]) (AM|PM)$)"));
    const QRegularExpressionMatch m = pattern.match(QString::fromLatin1(line));
    if (!m.hasMatch())
        return std::nullopt;
    const int hour12 = m.captured(4).toInt();
    const int hour = hour12 % 12 + (m.captured(7) == QLatin1String("PM") ? 12 : 0);
    const QDateTime when(QDate(m.captured(3).toInt(), m.captured(1).toInt(), m.captured(2).toInt()),
                         QTime(hour, m.captured(5).toInt(), m.captured(6).toInt()));
    return when.isValid() ? std::optional(when) : std::nullopt;
}

// Tabs, CR and non-ASCII bytes made visible for a failure message.
std::string visible(const QByteArray &line)
{
    std::string out;
    for (char c : line) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '\t')
            out += "\\t";
        else if (c == '\r')
            out += "\\r";
        else if (b < 0x20 || b >= 0x7F)
            out += "\\x" + QByteArray::number(b, 16).rightJustified(2, '0').toStdString();
        else
            out += c;
    }
    return out;
}

// Byte-for-byte comparison with the first differing line named on failure.
::testing::AssertionResult sameBytes(const QByteArray &expected, const QByteArray &actual)
{
    if (expected == actual)
        return ::testing::AssertionSuccess();
    const QList<QByteArray> e = expected.split('\n');
    const QList<QByteArray> a = actual.split('\n');
    for (qsizetype i = 0; i < std::max(e.size(), a.size()); ++i) {
        const QByteArray el = i < e.size() ? e[i] : QByteArray("<end of file>");
        const QByteArray al = i < a.size() ? a[i] : QByteArray("<end of file>");
        if (el != al)
            return ::testing::AssertionFailure() << "first difference at line " << i + 1
                                                 << "\n  expected: " << visible(el) << "\n  written:  " << visible(al);
    }
    return ::testing::AssertionFailure() << "files differ";
}

struct GoldenTest : ::testing::Test
{
    void SetUp() override
    {
        TestEnvironment::fresh();
        // A profile with empty optional values, leading blanks and characters beyond ASCII.
        ProfileValues values;
        values[QStringLiteral("First")] = QStringLiteral("Ren\u00e9e");
        values[QStringLiteral("Last")] = QStringLiteral("Lavoie");
        values[QStringLiteral("Title")] = QStringLiteral("  Network Administrator");
        values[QStringLiteral("Address1")] = QStringLiteral("1200 Rue Sainte-Catherine Ouest");
        values[QStringLiteral("Address2")] = QStringLiteral("Suite 400");
        values[QStringLiteral("Address3")] = QString();
        values[QStringLiteral("City")] = QStringLiteral("Montr\u00e9al");
        values[QStringLiteral("State")] = QStringLiteral("QC");
        values[QStringLiteral("ZipCode")] = QStringLiteral("H3B 1K9");
        values[QStringLiteral("Country")] = QStringLiteral("Canada");
        values[QStringLiteral("Email")] = QStringLiteral("rlavoie@acme.example");
        values[QStringLiteral("Phone")] = QStringLiteral("514-555-0199");
        values[QStringLiteral("Fax")] = QString();
        values[QStringLiteral("Company")] = QStringLiteral("Acme Tools, Inc.");
        values[QStringLiteral("SendTo")] = QStringLiteral("Orvane");
        values[QStringLiteral("Reseller")] = QStringLiteral("Northwind Resellers");
        ASSERT_TRUE(ProfileStore::writeAll(values));

        QString error;
        network = sim::loadNetwork(sim::BuiltInNetwork, &error);
        ASSERT_TRUE(network) << qPrintable(error);
        network->delayMs = 0; // the demo's calls are slowed for watching; tests run at full speed
    }

    // Starts the session on the demo network as loaded (and possibly changed by the test).
    void start()
    {
        client = std::make_unique<SimulatedClient>(*network);
        session = std::make_unique<Session>(*client, interaction, results);
        session->setUp();
        session->FillServerList();
        session->readCallsLibraryVersion();
        ASSERT_EQ(session->servers().size(), 11u);
        ASSERT_EQ(client->openHandleCount(), 1);
    }

    void select(const QByteArray &name)
    {
        if (!session)
            start();
        for (std::size_t i = 0; i < session->servers().size(); ++i)
            if (session->servers()[i].name == name)
                return session->setSelected(i, true);
        FAIL() << "no server " << name.constData() << " in the list";
    }

    ScanDriver::Result scan(bool includeSysFiles)
    {
        session->includeSysFiles = includeSysFiles;
        ScanDriver driver(*session, progress);
        scanStarted = QDateTime::currentDateTime();
        const ScanDriver::Result result = driver.run();
        scanEnded = QDateTime::currentDateTime();
        return result;
    }

    // Compares the data file with its golden file after checking and masking the date line.
    void expectGolden(const char *dataFile, const char *goldenFile)
    {
        const QByteArray expected = golden(goldenFile);
        ASSERT_FALSE(expected.isEmpty()) << "golden file " << goldenFile << " missing or holding CR";
        const QByteArray written =
            readBytes(Drives::hostPath(QStringLiteral("C:\\Orvane\\Sorvik\\") + QLatin1String(dataFile)));
        ASSERT_FALSE(written.isEmpty()) << dataFile << " was not written";

        const std::optional<QByteArray> line = dateLine(written);
        ASSERT_TRUE(line) << dataFile << " is too short";
        const std::optional<QDateTime> when = parseDateLine(*line);
        ASSERT_TRUE(when) << "date line " << visible(*line);
        const QDateTime from = scanStarted.addMSecs(-scanStarted.time().msec());
        EXPECT_LE(from, *when) << visible(*line);
        EXPECT_LE(*when, scanEnded) << visible(*line);
        EXPECT_EQ(dateLine(expected), kMaskedDateLine);

        EXPECT_TRUE(sameBytes(expected, maskDateLine(written))) << dataFile << " against " << goldenFile;
    }

    void expectConnectionsClosed()
    {
        EXPECT_EQ(client->openHandleCount(), 1) << "only the primary connection stays open";
        session->release();
        EXPECT_EQ(client->openHandleCount(), 0);
    }

    void expectOnlyCompletionMessage()
    {
        ASSERT_EQ(interaction.messages.size(), 1u) << qPrintable(interaction.texts().join(QLatin1Char('|')));
        EXPECT_EQ(interaction.messages[0].caption, QStringLiteral("Information"));
        EXPECT_EQ(interaction.messages[0].text, kComplete);
        EXPECT_TRUE(interaction.exceptions.isEmpty());
    }

    void expectResults(const std::vector<RecordingResults::Line> &expected)
    {
        ASSERT_EQ(results.lines.size(), expected.size()) << qPrintable(results.texts().join(QLatin1Char('|')));
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(results.lines[i].text, expected[i].text) << "line " << i;
            EXPECT_EQ(results.lines[i].color, expected[i].color) << qPrintable(results.lines[i].text);
        }
    }

    std::optional<sim::SimulatedNetwork> network;
    std::unique_ptr<SimulatedClient> client;
    RecordingInteraction interaction;
    RecordingResults results;
    RecordingProgress progress;
    std::unique_ptr<Session> session;
    QDateTime scanStarted;
    QDateTime scanEnded;
};

} // namespace

TEST_F(GoldenTest, IpxServerWithAllThreeSections)
{
    select("ACCT-FS1");
    EXPECT_EQ(scan(true), ScanDriver::Result::Completed);
    expectGolden("01A2005C.DAT", "01A2005C.txt");
    expectResults({{QStringLiteral("ACCT-FS1 Results"), Color::Blue},
                   {kCreated, Color::Black},
                   {QStringLiteral("Saving report for ACCT-FS1 as 01A2005C.DAT\n"), Color::Black}});
    EXPECT_EQ(progress.serverSteps, (std::vector<int>{0, 0, 15, 45, 90, 100}));
    EXPECT_EQ(progress.totalSteps, (std::vector<int>{0, 100}));
    expectOnlyCompletionMessage();
    expectConnectionsClosed();
}

TEST_F(GoldenTest, VersionThreeServerHasAnEmptyModuleSection)
{
    select("LEGACY31");
    EXPECT_EQ(scan(true), ScanDriver::Result::Completed);
    expectGolden("00000312.DAT", "00000312.txt");
    expectResults({{QStringLiteral("LEGACY31 Results"), Color::Blue},
                   {kCreated, Color::Black},
                   {QStringLiteral("The QLM List cannot be retrieved from a 3.X Server"), Color::Red},
                   {QStringLiteral("Saving report for LEGACY31 as 00000312.DAT\n"), Color::Black}});
    expectOnlyCompletionMessage();
    expectConnectionsClosed();
}

TEST_F(GoldenTest, UntickedOptionEndsWithTheModuleSection)
{
    select("TESTLAB");
    EXPECT_EQ(scan(false), ScanDriver::Result::Completed);
    // A transport of type 2 gives no address id: the file is named after the server.
    expectGolden("TESTLAB.DAT", "TESTLAB.txt");
    expectResults({{QStringLiteral("TESTLAB Results"), Color::Blue},
                   {kCreated, Color::Black},
                   {QStringLiteral("Saving report for TESTLAB as TESTLAB.DAT\n"), Color::Black}});
    EXPECT_EQ(progress.serverSteps, (std::vector<int>{0, 0, 15, 45, 100}));
    expectOnlyCompletionMessage();
    expectConnectionsClosed();
}

TEST_F(GoldenTest, OneScanOfSeveralServersWritesEachFileAsAlone)
{
    select("TESTLAB");
    select("LEGACY31");
    select("ACCT-FS1");
    EXPECT_EQ(scan(true), ScanDriver::Result::Completed);
    expectGolden("01A2005C.DAT", "01A2005C.txt");
    expectGolden("00000312.DAT", "00000312.txt");
    // Blocks in list order; the output directory is created once.
    const std::vector<RecordingResults::Line> expected = {
        {QStringLiteral("ACCT-FS1 Results"), Color::Blue},
        {kCreated, Color::Black},
        {QStringLiteral("Saving report for ACCT-FS1 as 01A2005C.DAT\n"), Color::Black},
        {QStringLiteral("LEGACY31 Results"), Color::Blue},
        {QStringLiteral("The QLM List cannot be retrieved from a 3.X Server"), Color::Red},
        {QStringLiteral("Saving report for LEGACY31 as 00000312.DAT\n"), Color::Black},
        {QStringLiteral("TESTLAB Results"), Color::Blue},
        {QStringLiteral("Saving report for TESTLAB as TESTLAB.DAT\n"), Color::Black}};
    expectResults(expected);
    EXPECT_EQ(progress.totalSteps, (std::vector<int>{0, 33, 66, 99}));
    expectOnlyCompletionMessage();

    // A second scan with the option unticked replaces the files; TESTLAB's matches its golden file.
    results.clear();
    interaction.messages.clear();
    EXPECT_EQ(scan(false), ScanDriver::Result::Completed);
    expectGolden("TESTLAB.DAT", "TESTLAB.txt");
    expectConnectionsClosed();
}

TEST_F(GoldenTest, PackedDirectoryRecordsGiveTheSameFile)
{
    // A calls library before 5.2.3 hands out packed directory records; the file stays the same.
    network->workstation.calls = {5, 2, 2, 0};
    select("ACCT-FS1");
    ASSERT_FALSE(session->callsLibraryFlag());
    EXPECT_EQ(scan(true), ScanDriver::Result::Completed);
    expectGolden("01A2005C.DAT", "01A2005C.txt");
    expectConnectionsClosed();
}

TEST_F(GoldenTest, ServerBytesBeyondAsciiAreWrittenAsDelivered)
{
    // The server's company name in Windows-1252: each byte goes to the file unchanged.
    const QByteArray company = "Soci\xE9t\xE9 G\xE9n\xE9rale \xA9 1998";
    network->servers[std::size_t(network->serverIndex("ACCT-FS1"))].companyName = company;
    select("ACCT-FS1");
    EXPECT_EQ(scan(false), ScanDriver::Result::Completed);
    const QByteArray written = readBytes(Drives::hostPath(QStringLiteral("C:\\Orvane\\Sorvik\\01A2005C.DAT")));
    EXPECT_TRUE(written.contains("\r\nCompany Name\t\t\t\t" + company + "\r\n"));
    EXPECT_TRUE(written.contains("\r\nCity\t\t\tMontr\xE9"
                                 "al\r\n"));
}

TEST_F(GoldenTest, UnreachableServerWritesNoFile)
{
    select("MFG-PLANT2");
    select("TESTLAB");
    EXPECT_EQ(scan(false), ScanDriver::Result::Completed);
    expectResults({{QStringLiteral("QXCCOpenConnByName Returned: 8847"), Color::Red},
                   {QStringLiteral("MFG-PLANT2 Could not attach"), Color::Black},
                   {QStringLiteral("TESTLAB Results"), Color::Blue},
                   {kCreated, Color::Black},
                   {QStringLiteral("Saving report for TESTLAB as TESTLAB.DAT\n"), Color::Black}});
    EXPECT_EQ(QDir(Drives::hostPath(Product::outputDirectory())).entryList(QDir::Files),
              QStringList{QStringLiteral("TESTLAB.DAT")});
    expectGolden("TESTLAB.DAT", "TESTLAB.txt");
    EXPECT_EQ(progress.totalSteps, (std::vector<int>{0, 50}));
    expectOnlyCompletionMessage();
    expectConnectionsClosed();
}

namespace {

struct ServerCase
{
    const char *server;
    bool includeSysFiles;
    const char *dataFile;
    const char *goldenFile;
    // Lines the collectors add to the server's block, between the directory line and "Saving report".
    std::vector<RecordingResults::Line> collectorLines;
};

void PrintTo(const ServerCase &c, std::ostream *os)
{
    *os << c.server;
}

struct GoldenServerTest : GoldenTest, ::testing::WithParamInterface<ServerCase>
{
};

} // namespace

TEST_P(GoldenServerTest, WritesTheHandWorkedFile)
{
    const ServerCase &c = GetParam();
    select(c.server);
    EXPECT_EQ(scan(c.includeSysFiles), ScanDriver::Result::Completed);
    expectGolden(c.dataFile, c.goldenFile);
    std::vector<RecordingResults::Line> block = {{QLatin1String(c.server) + QStringLiteral(" Results"), Color::Blue},
                                                 {kCreated, Color::Black}};
    block.insert(block.end(), c.collectorLines.begin(), c.collectorLines.end());
    block.push_back(
        {QStringLiteral("Saving report for %1 as %2\n").arg(QLatin1String(c.server), QLatin1String(c.dataFile)),
         Color::Black});
    expectResults(block);
    expectOnlyCompletionMessage();
    expectConnectionsClosed();
}

INSTANTIATE_TEST_SUITE_P(
    DemoServers, GoldenServerTest,
    ::testing::Values(
        // An IP server: data file from the address digits, address and port in the general rows.
        ServerCase{"SALES_HQ", true, "10123.DAT", "10123.txt", {}},
        // No SYS:\PUBLIC\WIN95 on the server; a module of type 12 shows its number.
        ServerCase{"BRANCH-NYC", true, "0212555A.DAT", "0212555A.txt", {}},
        // No OS version record and no serial number without authentication.
        ServerCase{"HR_SECURE",
                   false,
                   "00004852.DAT",
                   "00004852.txt",
                   {{QStringLiteral("You must be authenticated to HR_SECURE to access all the General Information"),
                     Color::Black}}},
        // The address length cannot be read: no address rows, the file named after the server.
        ServerCase{"ENG_FS", false, "ENG_FS.DAT", "ENG_FS.txt", {}},
        // 150 modules in two batches, forty of them named alike: those keep the server's order.
        ServerCase{"BIGIRON", true, "68100200.DAT", "68100200.txt", {}},
        // "[Public]" is no console operator: no module rows, the files are listed all the same.
        ServerCase{"WAREHOUSE",
                   true,
                   "0000BEEF.DAT",
                   "0000BEEF.txt",
                   {{QStringLiteral("You must have Network Administrator (Console Operator) privileges to WAREHOUSE "
                                    "to access the QLM List"),
                     Color::Red}}},
        // Six languages, named in the order in which their directories are tried.
        ServerCase{"MKTG-EU", false, "17216409.DAT", "17216409.txt", {}},
        // No Windows directories under PUBLIC: three "does not exist." lines.
        ServerCase{"TESTLAB", true, "TESTLAB.DAT", "TESTLAB-sys.txt", {}}),
    [](const ::testing::TestParamInfo<ServerCase> &info) {
        return QByteArray(info.param.server).replace('-', '_').toStdString();
    });

TEST(GoldenDateLine, PatternReadsBackTwelveHourClock)
{
    EXPECT_EQ(parseDateLine("12/08/1998 02:05:09 PM"), QDateTime(QDate(1998, 12, 8), QTime(14, 5, 9)));
    EXPECT_EQ(parseDateLine("12/08/1998 12:30:00 AM"), QDateTime(QDate(1998, 12, 8), QTime(0, 30, 0)));
    EXPECT_EQ(parseDateLine("12/08/1998 12:30:00 PM"), QDateTime(QDate(1998, 12, 8), QTime(12, 30, 0)));
    EXPECT_FALSE(parseDateLine("12/8/1998 02:05:09 PM"));
    EXPECT_FALSE(parseDateLine("12/08/1998 14:05:09 PM"));
    EXPECT_FALSE(parseDateLine("12/08/1998 00:05:09 AM"));
    EXPECT_FALSE(parseDateLine("12-08-1998 02:05:09 PM"));
}
