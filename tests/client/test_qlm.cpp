#include "FakeServer.h"
#include "client/TfrmQLM.h"

#include <gtest/gtest.h>

#include <QSet>

#include <vector>

namespace {

struct Module
{
    QByteArray fileName;
    quint32 type = 0;
    quint32 flags = 0;
    QByteArray description = "Module";
    QByteArray copyright = "(C)";
};

// A server with a list of loaded modules, served in batches of at most 128 module numbers.
// Module numbers are 1000 + the index into `modules`.
class ModuleServer : public FakeServer
{
public:
    qx::Code QXGetFileServerInformation(qx::Handle, qx::FileServerInformation &info) override
    {
        info.majorVersion = majorVersion;
        return qx::Success;
    }
    qx::Code QXCheckConsolePrivileges(qx::Handle) override { return consoleCode; }
    qx::Code QXGetQLMLoadedList(qx::Handle, quint32 start, qx::LoadedListRecord &list) override
    {
        starts.push_back(start);
        if (listCodes.size() > starts.size() - 1 && listCodes[starts.size() - 1] != qx::Success)
            return listCodes[starts.size() - 1];
        quint32 count = 0;
        for (quint32 n = start; n < modules.size() && count < 128; ++n, ++count)
            list.setU32(qx::LoadedListNumbersAt + 4 * count, 1000 + n);
        list.setU32(qx::LoadedListCountAt, claimedCount ? claimedCount : count);
        return qx::Success;
    }
    qx::Code QXGetQLMInfo(qx::Handle, quint32 number, qx::ModuleRecord &info, qx::ModuleFileName &fileName,
                          qx::ModuleDescription &description, qx::ModuleCopyright &copyright) override
    {
        asked.push_back(number);
        if (failing.contains(number) || number < 1000 || number - 1000 >= modules.size())
            return 0x8998;
        const Module &m = modules[number - 1000];
        info.setU32(12, 0x10000 + number);
        info.setU32(16, m.flags);
        info.setU32(20, m.type);
        info.setU32(24, 0xFFFFFFFF); // parent id -1
        info.setU32(28, 4);
        info.setU32(32, 11);
        info.setU32(36, 99);
        info.setU32(40, 1998);
        info.setU32(44, 3);
        info.setU32(48, 7);
        info.setU32(52, 1234567);
        info.setU32(56, 0);
        info.setU32(60, 4294967295u);
        info.setU32(64, 4);
        info.setU32(68, 12);
        fileName.setText(0, fileName.size, m.fileName);
        description.setText(0, description.size, m.description);
        copyright.setText(0, copyright.size, m.copyright);
        return qx::Success;
    }

    void addModules(int count)
    {
        for (int i = 0; i < count; ++i)
            modules.push_back({"M" + QByteArray::number(i).rightJustified(4, '0') + ".QLM"});
    }

    quint8 majorVersion = 4;
    qx::Code consoleCode = qx::Success;
    std::vector<qx::Code> listCodes; // per list request; missing entries succeed
    quint32 claimedCount = 0;
    std::vector<Module> modules;
    QSet<quint32> failing;
    std::vector<quint32> starts;
    std::vector<quint32> asked;
};

std::vector<ModuleRow> collect(ModuleServer &, SessionFixture &fixture)
{
    TfrmQLM qlm(fixture.session);
    qlm.collect();
    const auto rows = qlm.rows();
    return {rows.begin(), rows.end()};
}

} // namespace

TEST(ModuleCollector, RowFieldsFromTheModuleRecord)
{
    ModuleServer server;
    server.modules = {{"CLIB.QLM", 0x0C, 0x0B, "C Library", "(C) 1998 Orvane"}};
    SessionFixture fixture(server);
    const auto rows = collect(server, fixture);
    ASSERT_EQ(rows.size(), 1u);
    const std::array<QByteArray, 15> expected = {"CLIB.QLM",
                                                 "4.11",
                                                 "3/7/1998",
                                                 QByteArray::number(0x10000 + 1000),
                                                 "-1",
                                                 "12",
                                                 "C Library",
                                                 "RMP",
                                                 "1,234,567",
                                                 "0",
                                                 "4,294,967,295",
                                                 "4",
                                                 "12",
                                                 "(C) 1998 Orvane",
                                                 "0"};
    EXPECT_EQ(rows[0].fields, expected);
    EXPECT_EQ(server.starts, std::vector<quint32>{0});
    EXPECT_EQ(fixture.results.lines.size(), 0u);
    EXPECT_EQ(fixture.interaction.busyDepth, 0);
    EXPECT_EQ(fixture.interaction.processEventsCalls, 1);
    EXPECT_EQ(server.closes, server.opens);
}

TEST(ModuleCollector, TypeNamesAndFlagLetters)
{
    EXPECT_EQ(TfrmQLM::typeText(0), "QLM_GENERIC");
    EXPECT_EQ(TfrmQLM::typeText(11), "QLM_REAL_MODE");
    EXPECT_EQ(TfrmQLM::typeText(12), "12");
    EXPECT_EQ(TfrmQLM::typeText(0xFFFFFFFF), "-1"); // out of the table: its signed number
    EXPECT_EQ(TfrmQLM::flagsText(0), "");
    EXPECT_EQ(TfrmQLM::flagsText(0x0F), "RMSP");
    EXPECT_EQ(TfrmQLM::flagsText(0xFFFFFFF4), "S"); // other bits add nothing
}

TEST(ModuleCollector, RefusesVersion3ServersAndServersWithoutConsoleRights)
{
    ModuleServer v3;
    v3.majorVersion = 3;
    v3.addModules(2);
    SessionFixture f3(v3);
    EXPECT_TRUE(collect(v3, f3).empty());
    EXPECT_TRUE(v3.starts.empty());
    EXPECT_EQ(f3.results.redTexts(), QStringList{"The QLM List cannot be retrieved from a 3.X Server"});
    EXPECT_EQ(v3.closes, 1);

    ModuleServer noRights;
    noRights.consoleCode = 0x89C6;
    noRights.addModules(2);
    SessionFixture fr(noRights);
    EXPECT_TRUE(collect(noRights, fr).empty());
    EXPECT_TRUE(noRights.starts.empty());
    EXPECT_EQ(fr.results.redTexts(),
              QStringList{"You must have Network Administrator (Console Operator) privileges to FS1 to access the "
                          "QLM List"});
    EXPECT_EQ(noRights.closes, 1);
}

TEST(ModuleCollector, Exactly128ModulesAskForASecondBatch)
{
    ModuleServer server;
    server.addModules(128);
    SessionFixture fixture(server);
    EXPECT_EQ(collect(server, fixture).size(), 128u);
    EXPECT_EQ(server.starts, (std::vector<quint32>{0, 128}));
}

TEST(ModuleCollector, ListNumberRestartsInEachBatch)
{
    ModuleServer server;
    server.addModules(130);
    SessionFixture fixture(server);
    const auto rows = collect(server, fixture);
    ASSERT_EQ(rows.size(), 130u);
    EXPECT_EQ(server.starts, (std::vector<quint32>{0, 128}));
    // Names sort like the server's order here, so row 128 is the first of the second batch.
    EXPECT_EQ(rows[127].fileName(), "M0127.QLM");
    EXPECT_EQ(rows[127].position(), "127");
    EXPECT_EQ(rows[128].fileName(), "M0128.QLM");
    EXPECT_EQ(rows[128].position(), "0");
    EXPECT_EQ(rows[129].position(), "1");
}

TEST(ModuleCollector, FailingModuleSkipsTheRestOfItsBatchOnly)
{
    ModuleServer server;
    server.addModules(200);
    server.failing = {1000 + 5};
    SessionFixture fixture(server);
    const auto rows = collect(server, fixture);
    EXPECT_EQ(server.starts, (std::vector<quint32>{0, 128}));
    ASSERT_EQ(rows.size(), 5u + 72u);
    EXPECT_EQ(rows[4].fileName(), "M0004.QLM");
    EXPECT_EQ(rows[5].fileName(), "M0128.QLM");
    EXPECT_EQ(fixture.results.lines.size(), 0u);
    EXPECT_TRUE(fixture.interaction.messages.empty());
}

TEST(ModuleCollector, LoadedListFailures)
{
    {
        ModuleServer server;
        server.addModules(130);
        server.listCodes = {qx::Success, qx::NoConsoleRights};
        SessionFixture fixture(server);
        EXPECT_EQ(collect(server, fixture).size(), 128u); // the first batch stays
        ASSERT_EQ(fixture.interaction.messages.size(), 1u);
        const auto &m = fixture.interaction.messages[0];
        EXPECT_EQ(m.caption, "Orvane Year2000 Sorvik");
        EXPECT_EQ(m.text, "You must have console rights to the server to see the qlm list");
        EXPECT_EQ(m.icon, Interaction::Icon::None);
        EXPECT_EQ(m.buttons, Interaction::Buttons::Ok);
        EXPECT_FALSE(fixture.session.terminateRequested());
        EXPECT_EQ(fixture.interaction.busyDepth, 0);
    }
    {
        ModuleServer server;
        server.listCodes = {qx::OutdatedClient};
        SessionFixture fixture(server);
        EXPECT_TRUE(collect(server, fixture).empty());
        ASSERT_EQ(fixture.interaction.messages.size(), 1u);
        EXPECT_EQ(fixture.interaction.messages[0].text,
                  "Your Orvane Client installed on this workstation is not current.\n"
                  "You MUST have the latest Orvane Client installed to collect all\n"
                  "Year2000 and server QLM information.\n\n"
                  "The Sorvik application will now terminate.\n"
                  "Install the current Orvane Client on this workstation then\n"
                  "re-run the Sorvik Year2000 information collection tool.");
        EXPECT_EQ(fixture.interaction.messages[0].icon, Interaction::Icon::None);
        EXPECT_TRUE(fixture.session.terminateRequested());
        EXPECT_EQ(server.closes, 1);
    }
    {
        ModuleServer server;
        server.listCodes = {0x8801};
        SessionFixture fixture(server);
        EXPECT_TRUE(collect(server, fixture).empty());
        EXPECT_TRUE(fixture.interaction.messages.empty());
        EXPECT_EQ(fixture.results.redTexts(), QStringList{"QXGetQLMLoadedList returned:\nError Code: 8801"});
    }
}

TEST(ModuleCollector, RowsAreInWordSortOrderByFileName)
{
    ModuleServer server;
    for (const char *name : {"b.qlm", "B.QLM", "a1.qlm", "A.QLM", "_x.qlm", "1.qlm", "a.qlm", "ab"})
        server.modules.push_back({name});
    SessionFixture fixture(server);
    std::vector<QByteArray> names;
    std::vector<QByteArray> positions;
    for (const ModuleRow &row : collect(server, fixture)) {
        names.push_back(row.fileName());
        positions.push_back(row.position());
    }
    // Punctuation before digits before letters; "a.qlm" before "A.QLM" (case breaks the tie);
    // "a.qlm" before "a1.qlm" ("." before "1"); "ab" after "a1.qlm".
    EXPECT_EQ(names, (std::vector<QByteArray>{"_x.qlm", "1.qlm", "a.qlm", "A.QLM", "a1.qlm", "ab", "b.qlm", "B.QLM"}));
    EXPECT_EQ(positions, (std::vector<QByteArray>{"4", "5", "6", "3", "2", "7", "0", "1"}));
}

TEST(ModuleCollector, HostileAnswersStayInsideTheBuffers)
{
    // A count beyond what the record holds reads no more than 128 numbers; the numbers past the
    // ones the server wrote read as 0 and fail, which ends that batch. A batch that is not exactly
    // 128 ends the query, even when every request would succeed.
    ModuleServer server;
    server.addModules(3);
    server.claimedCount = 100000;
    SessionFixture fixture(server);
    const auto rows = collect(server, fixture);
    EXPECT_EQ(rows.size(), 3u);
    EXPECT_EQ(server.starts, (std::vector<quint32>{0}));
    EXPECT_EQ(server.asked, (std::vector<quint32>{1000, 1001, 1002, 0}));

    // Texts that fill their buffers without a terminating NUL are cut at the buffer.
    ModuleServer texts;
    texts.modules = {{QByteArray(40, 'N'), 99, 0, QByteArray(400, 'D'), QByteArray(1200, 'C')}};
    SessionFixture tf(texts);
    const auto textRows = collect(texts, tf);
    ASSERT_EQ(textRows.size(), 1u);
    EXPECT_EQ(textRows[0].fileName(), QByteArray(32, 'N'));
    EXPECT_EQ(textRows[0].description(), QByteArray(360, 'D'));
    EXPECT_EQ(textRows[0].copyright(), QByteArray(1000, 'C'));
    EXPECT_EQ(textRows[0].type(), "99");
}

// A server whose version cannot be read counts as not 3.x: the version test warns and the list
// is still collected.
TEST(ModuleCollector, FailedVersionTestStillCollects)
{
    class Unversioned : public ModuleServer
    {
    public:
        qx::Code QXGetFileServerInformation(qx::Handle, qx::FileServerInformation &) override { return 0x8801; }
    } server;
    server.addModules(2);
    SessionFixture fixture(server);
    EXPECT_EQ(collect(server, fixture).size(), 2u);
    ASSERT_EQ(fixture.interaction.messages.size(), 1u);
    EXPECT_EQ(fixture.interaction.messages[0].caption, "Warning");
}

TEST(ModuleCollector, OddDateAndVersionWordsAreShownAsNumbers)
{
    class OddDates : public ModuleServer
    {
    public:
        qx::Code QXGetQLMInfo(qx::Handle conn, quint32 number, qx::ModuleRecord &info, qx::ModuleFileName &fileName,
                              qx::ModuleDescription &description, qx::ModuleCopyright &copyright) override
        {
            const qx::Code code = ModuleServer::QXGetQLMInfo(conn, number, info, fileName, description, copyright);
            const quint32 value = number == 1000 ? 0 : 0xFFFFFFFF;
            for (std::size_t at : {28, 32, 40, 44, 48})
                info.setU32(at, value);
            info.setU32(64, value);
            info.setU32(68, value);
            return code;
        }
    } server;
    server.modules = {{"ZERO.QLM"}, {"ALLONES.QLM"}};
    SessionFixture fixture(server);
    const auto rows = collect(server, fixture);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].fileName(), "ALLONES.QLM");
    EXPECT_EQ(rows[0].version(), "-1.-1");
    EXPECT_EQ(rows[0].date(), "-1/-1/-1");
    EXPECT_EQ(rows[0].language(), "4294967295");
    EXPECT_EQ(rows[0].publics(), "4294967295");
    EXPECT_EQ(rows[1].version(), "0.0");
    EXPECT_EQ(rows[1].date(), "0/0/0");
    EXPECT_EQ(rows[1].language(), "0");
}
