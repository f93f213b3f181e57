#include "FakeServer.h"
#include "client/TfrmGeneral.h"

#include <gtest/gtest.h>

#include <QSet>

#include <map>
#include <vector>

namespace {

// A server that answers every general query from fields a test may change. Defaults: a 4.11
// server on an IPX network that answers everything.
class GeneralServer : public FakeServer
{
public:
    GeneralServer()
    {
        versionInfo.setU16(60, 37);

        osInfo.setU8(10, 4);
        osInfo.setU8(11, 11);
        osInfo.setU8(12, 2);
        osInfo.setU8(13, 1);
        osInfo.setU8(16, 3);
        osInfo.setU32(28, 250);
        osInfo.setU32(32, 5);
        osInfo.setU32(36, 16);
        osInfo.setU32(40, 20);
        osInfo.setU32(44, 6);
        osInfo.setU32(48, 25);
        osInfo.setU32(52, 3);
        osInfo.setU32(56, 8);
        osInfo.setU32(60, 1);
        osInfo.setU16(64, 2);

        volumes[0] = "SYS";
        volumes[1] = "VOL1";

        information.serverName.setText(0, 48, "FS1");
        information.majorVersion = 4;
        information.minorVersion = 11;
        information.maxConnections = 250;
        information.maxConnectionsUsed = 99;
        information.connectionsInUse = 42;
        information.sftLevel = 2;
        information.ttsLevel = 1;

        connInfo.setText(qx::ConnInfoTreeNameAt, 33, QByteArray("CORP_TREE").leftJustified(33, '_'));

        description.companyName.setText(0, 80, "Orvane Inc.");
        description.revision.setText(0, 80, "Quarlix 4.11");
        description.revisionDate.setText(0, 28, "1 June 1998");
        description.copyrightNotice.setText(0, 80, "(C) 1998");

        cache.setU32(116, 8192);

        serverInfo.setU32(12, 7);
        serverInfo.setU32(16, 12);
        serverInfo.setU32(20, 1234567);
        serverInfo.setU32(140, 4000000000u);
        serverInfo.setU32(144, 0);

        address = {0x00, 0x00, 0xA1, 0xB2, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x04, 0x51};
    }

    qx::Code QXGetFileServerVersionInfo(qx::Handle conn, qx::VersionInfoRecord &info) override
    {
        ++calls;
        lastHandle = conn;
        info = versionInfo;
        return versionCode;
    }
    qx::Code QXGetOSVersionInfo(qx::Handle, qx::OsVersionRecord &info) override
    {
        ++calls;
        info = osInfo;
        return osCode;
    }
    qx::Code QXGetNetworkSerialNumber(qx::Handle, quint32 &serial, quint16 &application) override
    {
        ++calls;
        ++serialCalls;
        serial = networkSerial;
        application = networkApplication;
        return serialCode;
    }
    qx::Code QXGetVolumeName(qx::Handle, quint16 volume, qx::VolumeNameBuffer &name) override
    {
        ++calls;
        volumeNumbersAsked.push_back(volume);
        if (failingVolumes.contains(volume))
            return qx::NoSuchVolume;
        const auto found = volumes.find(volume);
        if (found != volumes.end())
            name.setText(0, name.size, found->second);
        return qx::Success;
    }
    qx::Code QXGetFileServerInformation(qx::Handle, qx::FileServerInformation &info) override
    {
        ++calls;
        info = information;
        return informationCode;
    }
    qx::Code QXCCGetAllConnInfo(qx::Handle, quint32 level, qx::ConnInfoRecord &info) override
    {
        ++calls;
        connInfoLevel = level;
        info = connInfo;
        return connInfoCode;
    }
    qx::Code QXQueryAccountingInstalled(qx::Handle, quint8 &flag) override
    {
        ++calls;
        flag = accounting;
        return qx::Success;
    }
    qx::Code QXGetFileServerLoginStatus(qx::Handle, quint8 &flag) override
    {
        ++calls;
        flag = login;
        return qx::Success;
    }
    qx::Code QXGetFileServerUTCTime(qx::Handle, quint32 &time) override
    {
        ++calls;
        time = utc;
        return qx::Success;
    }
    qx::Code QXGetFileServerDateAndTime(qx::Handle, qx::DateAndTime &value) override
    {
        ++calls;
        value = clock;
        return clockCode;
    }
    qx::Code QXGetFileServerDescription(qx::Handle, qx::ServerDescription &value) override
    {
        ++calls;
        value = description;
        return qx::Success;
    }
    qx::Code QXGetCacheInfo(qx::Handle, qx::CacheInfoRecord &info) override
    {
        ++calls;
        info = cache;
        return qx::Success;
    }
    qx::Code QXGetFileServerInfo(qx::Handle, qx::ServerInfoRecord &info) override
    {
        ++calls;
        info = serverInfo;
        return qx::Success;
    }
    bool networkDirectoryExists(const QByteArray &path) override
    {
        pathsAsked.push_back(path);
        return languageDirectories.contains(path);
    }
    qx::Code QXCCGetConnAddressLength(qx::Handle, quint32 &length) override
    {
        ++calls;
        length = reportedLength ? reportedLength : quint32(address.size());
        return qx::Success;
    }
    qx::Code QXCCGetConnAddress(qx::Handle, quint32 length, qx::TransportAddress &record) override
    {
        ++calls;
        ++addressCalls;
        record.type = addressType;
        record.length = claimedLength ? claimedLength : length;
        // A real client writes `length` bytes; writing them here lets the sanitizer catch a
        // length that does not fit the caller's buffer.
        for (quint32 i = 0; i < length; ++i)
            record.buffer[i] = i < quint32(address.size()) ? address[i] : 0xEE;
        return qx::Success;
    }

    qx::VersionInfoRecord versionInfo;
    qx::Code versionCode = qx::Success;
    qx::OsVersionRecord osInfo;
    qx::Code osCode = qx::Success;
    quint32 networkSerial = 0;
    quint16 networkApplication = 0;
    qx::Code serialCode = qx::Success;
    std::map<quint16, QByteArray> volumes;
    QSet<quint16> failingVolumes;
    qx::FileServerInformation information;
    qx::Code informationCode = qx::Success;
    qx::ConnInfoRecord connInfo;
    qx::Code connInfoCode = qx::Success;
    quint32 connInfoLevel = 0;
    quint8 accounting = 1;
    quint8 login = 0;
    quint32 utc = 0xFFFFFFFF;
    qx::DateAndTime clock{98, 12, 8, 14, 5, 9, 2};
    qx::Code clockCode = qx::Success;
    qx::ServerDescription description;
    qx::CacheInfoRecord cache;
    qx::ServerInfoRecord serverInfo;
    QSet<QByteArray> languageDirectories{"\\\\FS1\\SYS\\SYSTEM\\NLS\\4", "\\\\FS1\\SYS\\SYSTEM\\NLS\\6"};
    std::vector<quint8> address;
    quint32 addressType = qx::AddressTypeIpx;
    quint32 reportedLength = 0;
    quint32 claimedLength = 0;

    int calls = 0;
    int serialCalls = 0;
    int addressCalls = 0;
    qx::Handle lastHandle = 0;
    std::vector<quint16> volumeNumbersAsked;
    std::vector<QByteArray> pathsAsked;
};

using Rows = std::vector<std::pair<QByteArray, QByteArray>>;

Rows collect(GeneralServer &server, SessionFixture *fixtureOut = nullptr)
{
    SessionFixture local(server);
    SessionFixture &fixture = fixtureOut ? *fixtureOut : local;
    TfrmGeneral general(fixture.session);
    general.collect();
    Rows rows;
    for (const GeneralRow &row : general.rows())
        rows.emplace_back(row.label, row.value);
    return rows;
}

QByteArray valueOf(const Rows &rows, const QByteArray &label)
{
    for (const auto &[l, v] : rows)
        if (l == label)
            return v;
    return "<missing>";
}

int countOf(const Rows &rows, const QByteArray &label)
{
    return int(std::count_if(rows.begin(), rows.end(), [&](const auto &r) { return r.first == label; }));
}

} // namespace

// Every row of a server that answers everything, in the order the data file lists them; the
// order and the values are worked out from the rules by hand.
TEST(GeneralCollector, FullServerGivesEveryRowInWordSortOrder)
{
    GeneralServer server;
    const Rows rows = collect(server);
    const Rows expected = {
        {"Accounting Installed", "True"},
        {"Accounting Version", "1"},
        {"Aprox. Physical Memory", "32,768K"},
        {"Company Name", "Orvane Inc."},
        {"Connections In Use", "42"},
        {"Copyright Notice", "(C) 1998"},
        {"Internal IPX Address", "0000A1B2:000000000001:0451"},
        {"Language", "English, French France"},
        {"Login Enabled", "False"},
        {"Max Connections", "250"},
        {"Max Connections Ever Used", "37"},
        {"Max Licensed Connections", "250"},
        {"Max Num of Data Streams", "3"},
        {"Max Num of Lans", "16"},
        {"Max Num of Media Types", "20"},
        {"Max Num of NameSpaces", "5"},
        {"Max Num of Protocols", "6"},
        {"Max Num of Spool Printers", "8"},
        {"Max SubDir Tree Depth", "25"},
        {"Number of Volumes", "2"},
        {"OS Major Version", "4"},
        {"OS Minor Version", "11"},
        {"OS Revision", "2"},
        {"Packets Routed", "0"},
        {"Packets Serviced", "4,000,000,000"},
        {"Parent Tree", "CORP_TREE"},
        {"QCP Peak Stations", "12"},
        {"QCP Requests", "1,234,567"},
        {"QCP Stations", "7"},
        {"Revision Date", "1 June 1998"},
        {"Revision String", "Quarlix 4.11"},
        {"Security Restrictions Level", "3"},
        {"Serial Number", "00000001:0002"},
        {"Server Date & Time", "12/8/1998 14:5.9 Tuesday"},
        {"Server Name", "FS1"},
        {"Server UTC Time", "-1"},
        {"Server Version", "4.11"},
        {"SFT Level", "2"},
        {"Transport Type", "IPX"},
        {"TTS Level", "1"},
    };
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(server.serialCalls, 0);
    EXPECT_EQ(server.connInfoLevel, 1u);
    EXPECT_EQ(server.volumeNumbersAsked.size(), 255u);
    EXPECT_EQ(server.volumeNumbersAsked.back(), 254);
    EXPECT_EQ(server.openedName, "FS1");
    EXPECT_EQ(server.lastHandle, 0x41u);
    EXPECT_EQ(server.opens, 1);
    EXPECT_EQ(server.closes, 1); // released when the collector goes
}

TEST(GeneralCollector, Version3ServerWithoutOsInfoTakesTheSwappedNetworkSerial)
{
    GeneralServer server;
    server.osCode = qx::NotSupported;
    server.information.majorVersion = 3;
    server.information.minorVersion = 12;
    server.information.maxConnections = 100;
    server.networkSerial = 0x04030201;
    server.networkApplication = 0xABC;
    const Rows rows = collect(server);
    EXPECT_EQ(countOf(rows, "Max Licensed Connections"), 1);
    EXPECT_EQ(valueOf(rows, "Max Licensed Connections"), "100");
    EXPECT_EQ(countOf(rows, "Max Connections"), 0);
    EXPECT_EQ(valueOf(rows, "Serial Number"), "01020304:0ABC");
    EXPECT_EQ(valueOf(rows, "Server Version"), "3.12");
    for (const char *label : {"OS Major Version", "Max Num of Lans", "Security Restrictions Level"})
        EXPECT_EQ(countOf(rows, label), 0) << label;
    EXPECT_EQ(rows.size(), 40u - 13u - 1u + 1u);
}

TEST(GeneralCollector, Version3ServerAnsweringOsInfoHasBothLicensedRows)
{
    GeneralServer server;
    server.information.majorVersion = 3;
    server.information.maxConnections = 100;
    const Rows rows = collect(server);
    EXPECT_EQ(countOf(rows, "Max Licensed Connections"), 2);
    EXPECT_EQ(countOf(rows, "Max Connections"), 0);
    QSet<QByteArray> values;
    for (const auto &[label, value] : rows)
        if (label == "Max Licensed Connections")
            values.insert(value);
    EXPECT_EQ(values, (QSet<QByteArray>{"250", "100"}));
}

TEST(GeneralCollector, SerialNumberFailuresGoToTheResultsBoxInBlack)
{
    {
        GeneralServer server;
        server.osCode = qx::NotSupported;
        server.serialCode = qx::NotAuthenticated;
        SessionFixture fixture(server);
        const Rows rows = collect(server, &fixture);
        EXPECT_EQ(countOf(rows, "Serial Number"), 0);
        ASSERT_EQ(fixture.results.lines.size(), 1u);
        EXPECT_EQ(fixture.results.lines[0].text,
                  "You must be authenticated to FS1 to access all the General Information");
        EXPECT_EQ(fixture.results.lines[0].color, ResultsSink::Color::Black);
    }
    {
        GeneralServer server;
        server.osCode = qx::NotSupported;
        server.serialCode = qx::InvalidConnection;
        SessionFixture fixture(server);
        const Rows rows = collect(server, &fixture);
        EXPECT_EQ(countOf(rows, "Serial Number"), 0);
        ASSERT_EQ(fixture.results.lines.size(), 1u);
        EXPECT_EQ(fixture.results.lines[0].text, "FS1 Returned: 34817");
        EXPECT_EQ(fixture.results.lines[0].color, ResultsSink::Color::Black);
        // The other queries still run.
        EXPECT_EQ(valueOf(rows, "Server Name"), "FS1");
    }
}

TEST(GeneralCollector, FailedFirstQueryEndsWithNoRowsAndARedLine)
{
    GeneralServer server;
    server.versionCode = 0x89A1;
    SessionFixture fixture(server);
    const Rows rows = collect(server, &fixture);
    EXPECT_TRUE(rows.empty());
    EXPECT_EQ(server.calls, 1);
    EXPECT_EQ(fixture.results.redTexts(), QStringList{"QXGetFileServerVersionInfo Returned: 89A1"});
    EXPECT_EQ(server.closes, 1);
    EXPECT_EQ(fixture.interaction.busyDepth, 0);
}

TEST(GeneralCollector, NoConnectionMeansNoQueriesAndNothingToRelease)
{
    GeneralServer server;
    server.openCode = qx::NoSuchServer;
    SessionFixture fixture(server);
    EXPECT_TRUE(collect(server, &fixture).empty());
    EXPECT_EQ(server.calls, 0);
    EXPECT_EQ(server.closes, 0);
    EXPECT_EQ(fixture.results.redTexts(), QStringList{"QXCCOpenConnByName Returned: 8847"});
}

TEST(GeneralCollector, FailedReleaseIsReportedInRed)
{
    GeneralServer server;
    server.closeCode = qx::InvalidConnection;
    SessionFixture fixture(server);
    collect(server, &fixture);
    EXPECT_EQ(fixture.results.redTexts(), QStringList{"QXCCCloseConn Returned: 8801"});
}

TEST(GeneralCollector, VolumeCountNeedsTheLastVolumeToAnswer)
{
    GeneralServer server;
    server.failingVolumes = {3, 200};
    EXPECT_EQ(valueOf(collect(server), "Number of Volumes"), "2");

    GeneralServer lastFails;
    lastFails.failingVolumes = {254};
    EXPECT_EQ(countOf(collect(lastFails), "Number of Volumes"), 0);

    GeneralServer empty;
    empty.volumes.clear();
    EXPECT_EQ(valueOf(collect(empty), "Number of Volumes"), "0");
}

TEST(GeneralCollector, ServerClockTexts)
{
    GeneralServer server;
    server.clock = {100, 1, 1, 0, 0, 5, 6};
    EXPECT_EQ(valueOf(collect(server), "Server Date & Time"), "1/1/2000 0:0.5 Saturday");

    server.clock = {99, 12, 31, 23, 59, 59, 7}; // weekday out of range: the value ends with the blank
    EXPECT_EQ(valueOf(collect(server), "Server Date & Time"), "12/31/1999 23:59.59 ");

    server.clock = {255, 255, 255, 255, 255, 255, 255};
    EXPECT_EQ(valueOf(collect(server), "Server Date & Time"), "255/255/2155 255:255.255 ");
}

TEST(GeneralCollector, ParentTreeDropsTheUnderscorePadding)
{
    struct Case
    {
        QByteArray field;
        QByteArray tree;
    };
    const std::vector<Case> cases = {
        {QByteArray("A_B__C"), "A_B"},
        {QByteArray("__X"), "__X"}, // no pair test at the first position
        {QByteArray("___X"), "_"},
        {QByteArray(), ""},
        {QByteArray("T_"), "T_"},
        {QByteArray(33, 'Q'), QByteArray(33, 'Q')}, // fills the field, no NUL: cut at the field
    };
    for (const Case &c : cases) {
        GeneralServer server;
        server.connInfo = {};
        server.connInfo.setText(qx::ConnInfoTreeNameAt, 36, c.field);
        EXPECT_EQ(valueOf(collect(server), "Parent Tree"), c.tree) << c.field.constData();
    }
}

TEST(GeneralCollector, LanguagesAreTriedInTableOrder)
{
    GeneralServer server;
    server.languageDirectories.clear();
    const std::vector<int> order = {4, 0, 6, 1, 16, 21, 2, 3, 5, 7, 20, 8, 9, 10, 11, 17, 12, 18, 13, 14, 19, 15};
    for (int n : order)
        server.languageDirectories.insert("\\\\FS1\\SYS\\SYSTEM\\NLS\\" + QByteArray::number(n));
    const Rows rows = collect(server);
    ASSERT_EQ(server.pathsAsked.size(), order.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        EXPECT_EQ(server.pathsAsked[i], "\\\\FS1\\SYS\\SYSTEM\\NLS\\" + QByteArray::number(order[i]));
    EXPECT_EQ(valueOf(rows, "Language"),
              "English, French Canadian, French France, Chinese Simplified, Chinese Traditional, Czech, Danish, "
              "Dutch, Finnish, German, Hungarian, Italian, Japanese, Korean, Norwegian, Polish, Portuguese Brazil, "
              "Portuguese Portugal, Russian, Spanish Latin America, Spanish Spain, Swedish");

    GeneralServer none;
    none.languageDirectories.clear();
    EXPECT_EQ(countOf(collect(none), "Language"), 0);
}

TEST(GeneralCollector, TransportAddressByType)
{
    GeneralServer ipx10;
    ipx10.address.resize(10);
    Rows rows = collect(ipx10);
    EXPECT_EQ(valueOf(rows, "Internal IPX Address"), "0000A1B2:000000000001");

    GeneralServer ip;
    ip.addressType = qx::AddressTypeIp;
    ip.address = {0x02, 0x0C, 0x0A, 0x01, 0x02, 0x03};
    rows = collect(ip);
    EXPECT_EQ(valueOf(rows, "Transport Type"), "IP");
    EXPECT_EQ(valueOf(rows, "Internal IPX Address"), "10.1.2.3:524");
    EXPECT_EQ(countOf(rows, "Transport Address"), 0);

    GeneralServer other;
    other.addressType = 7;
    other.address = {0x00, 0xFF, 0x1A};
    rows = collect(other);
    EXPECT_EQ(valueOf(rows, "Transport Type"), "7");
    EXPECT_EQ(valueOf(rows, "Transport Address"), "00FF1A");
    EXPECT_EQ(countOf(rows, "Internal IPX Address"), 0);

    GeneralServer full;
    full.address = std::vector<quint8>(13, 0xAB);
    rows = collect(full);
    EXPECT_EQ(valueOf(rows, "Internal IPX Address"), "ABABABAB:ABABABABABAB:ABABAB");
}

// Answers from a hostile or broken server never make the collector read or write past a buffer.
TEST(GeneralCollector, HostileAnswersStayInsideTheBuffers)
{
    GeneralServer longAddress;
    longAddress.reportedLength = 14;
    Rows rows = collect(longAddress);
    EXPECT_EQ(longAddress.addressCalls, 0); // never asked to fill 14 bytes into 13
    EXPECT_EQ(countOf(rows, "Transport Type"), 0);
    EXPECT_EQ(countOf(rows, "Internal IPX Address"), 0);
    EXPECT_EQ(valueOf(rows, "Server Name"), "FS1"); // the rest stays intact

    GeneralServer hugeAddress;
    hugeAddress.reportedLength = 0xFFFFFFFF;
    EXPECT_EQ(countOf(collect(hugeAddress), "Transport Type"), 0);
    EXPECT_EQ(hugeAddress.addressCalls, 0);

    // A length field in the answer that disagrees with the length asked for is not trusted.
    GeneralServer lyingRecord;
    lyingRecord.addressType = 5;
    lyingRecord.address = {1, 2};
    lyingRecord.claimedLength = 1000;
    EXPECT_EQ(valueOf(collect(lyingRecord), "Transport Address"), "0102");

    GeneralServer fullTexts;
    fullTexts.information.serverName.setText(0, 48, QByteArray(48, 'S'));
    fullTexts.description.companyName.setText(0, 80, QByteArray(80, 'C'));
    fullTexts.description.revisionDate.setText(0, 28, QByteArray(28, 'D'));
    fullTexts.description.copyrightNotice.setText(0, 80, QByteArray(80, '\xA9'));
    rows = collect(fullTexts);
    EXPECT_EQ(valueOf(rows, "Server Name"), QByteArray(48, 'S'));
    EXPECT_EQ(valueOf(rows, "Company Name"), QByteArray(80, 'C'));
    EXPECT_EQ(valueOf(rows, "Revision Date"), QByteArray(28, 'D'));
    EXPECT_EQ(valueOf(rows, "Copyright Notice"), QByteArray(80, '\xA9'));

    GeneralServer bigCache;
    bigCache.cache.setU32(116, 0x40000001); // × 4 does not fit 32 bits: cut, as the label promises
    EXPECT_EQ(valueOf(collect(bigCache), "Aprox. Physical Memory"), "4K");
}
