#include "FakeServer.h"
#include "client/TfrmFiler.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Entry
{
    QByteArray name;
    quint8 attributes = 0;
    quint32 length = 0;
    quint16 date = 0;
    quint16 time = 0;
};

// 15 March 1998 and 14:05:08 in the packed DOS layout, worked out by hand:
// date (1998 - 1980) << 9 | 3 << 5 | 15, time 14 << 11 | 5 << 5 | 8 / 2.
constexpr quint16 kMarch15 = 9327;
constexpr quint16 kFourteenFive = 28836;

// A directory served one entry per continuation, in the packed or the aligned layout. Each entry's
// sequence number is 100 + its index, so the lister must pass it back to get the next one.
class DirectoryServer : public FakeServer
{
public:
    explicit DirectoryServer(bool aligned) : m_aligned(aligned) {}

    qx::Code QXFileSearchInitialize(qx::Handle conn, quint8 dirHandle, const QByteArray &path,
                                    qx::SearchStart &start) override
    {
        initPaths.push_back(path);
        initHandles.push_back(conn);
        EXPECT_EQ(dirHandle, 0);
        if (conn == 0)
            return qx::InvalidConnection;
        if (initCode != qx::Success)
            return initCode;
        start.volumeNumber = 3;
        start.directoryId = 0x1234;
        start.sequence = 0xFFFF;
        return qx::Success;
    }
    qx::Code QXIntFileSearchContinue(qx::Handle, quint8 volume, quint16 directoryId, quint16 sequence,
                                     quint8 searchAttributes, const QByteArray &pattern, qx::SearchEntryRecord &entry,
                                     quint32 reserved) override
    {
        EXPECT_EQ(volume, 3);
        EXPECT_EQ(directoryId, 0x1234);
        EXPECT_EQ(reserved, 0u);
        patterns.push_back(pattern);
        attributesAsked.push_back(searchAttributes);
        sequences.push_back(sequence);
        const std::vector<Entry> &list = searchAttributes == qx::SearchDirectories ? directories : files;
        const std::size_t index = sequence == 0xFFFF ? 0 : std::size_t(sequence - 100 + 1);
        if (failAt >= 0 && index == std::size_t(failAt))
            return failCode;
        if (index >= list.size())
            return qx::NoMoreEntries;
        const Entry &e = list[index];
        entry.setU16(0, quint16(100 + index));
        entry.setText(4, 15, e.name);
        entry.setU8(19, e.attributes);
        if (searchAttributes == qx::SearchDirectories) {
            entry.setU16(m_aligned ? 22 : 21, e.date);
            entry.setU16(m_aligned ? 24 : 23, e.time);
        } else {
            entry.setU32(m_aligned ? 24 : 21, e.length);
            entry.setU16(m_aligned ? 32 : 29, e.date);
            entry.setU16(m_aligned ? 34 : 31, e.time);
        }
        return qx::Success;
    }

    std::vector<Entry> directories;
    std::vector<Entry> files;
    qx::Code initCode = qx::Success;
    int failAt = -1;
    qx::Code failCode = 0x8801;
    std::vector<QByteArray> initPaths;
    std::vector<qx::Handle> initHandles;
    std::vector<QByteArray> patterns;
    std::vector<quint8> attributesAsked;
    std::vector<quint16> sequences;

private:
    bool m_aligned;
};

std::vector<FileRow> listBoth(DirectoryServer &, SessionFixture &fixture, bool aligned)
{
    fixture.session.setCallsLibraryFlag(aligned);
    TfrmFiler filer(fixture.session);
    filer.prepare();
    filer.listDirectories("SYS:\\SYSTEM", "*");
    filer.listFiles("SYS:\\SYSTEM", "*");
    const auto rows = filer.rows();
    return {rows.begin(), rows.end()};
}

} // namespace

class FilerLayouts : public ::testing::TestWithParam<bool>
{
};

TEST_P(FilerLayouts, EntriesBecomeRowsWithStampsAndAttributes)
{
    const bool aligned = GetParam();
    DirectoryServer server(aligned);
    server.directories = {{"SYSTEM", 0x10, 0, kMarch15, kFourteenFive}, {"ETC", 0x12, 0, 0, 0}};
    server.files = {{"SERVER.EXE", 0x21, 1234567, kMarch15, kFourteenFive},
                    {"HIDDEN.SYS", 0x06, 0, 0xFFFF, 0xFFFF},
                    {"ALL", 0xFF, 0xFFFFFFFF, 0x2821, 0}};
    SessionFixture fixture(server);
    const auto rows = listBoth(server, fixture, aligned);

    ASSERT_EQ(rows.size(), 5u);
    auto expectRow = [](const FileRow &r, const char *name, const char *size, const char *modified,
                        const char *attributes, int kind) {
        EXPECT_EQ(r.name, name);
        EXPECT_EQ(r.size, size);
        EXPECT_EQ(r.modified, modified);
        EXPECT_EQ(r.attributes, attributes);
        EXPECT_EQ(r.kind, kind);
    };
    expectRow(rows[0], "ALL", "4,294,967,295", "01/01/2000 00:00:00", "[RoHSyXDAS]", 2);
    expectRow(rows[1], "ETC", "", "00/00/1980 00:00:00", "[RwH--D--]", 1);
    expectRow(rows[2], "HIDDEN.SYS", "0", "15/31/2107 31:63:62", "[RwHSy----]", 2);
    expectRow(rows[3], "SERVER.EXE", "1,234,567", "03/15/1998 14:05:08", "[Ro ---A-]", 2);
    expectRow(rows[4], "SYSTEM", "", "03/15/1998 14:05:08", "[Rw --D--]", 1);

    EXPECT_EQ(server.initPaths, (std::vector<QByteArray>{"SYS:\\SYSTEM", "SYS:\\SYSTEM"}));
    EXPECT_EQ(server.attributesAsked, (std::vector<quint8>{0x16, 0x16, 0x16, 0x06, 0x06, 0x06, 0x06}));
    EXPECT_EQ(server.sequences, (std::vector<quint16>{0xFFFF, 100, 101, 0xFFFF, 100, 101, 102}));
    EXPECT_EQ(server.patterns, std::vector<QByteArray>(7, "*"));
    EXPECT_TRUE(fixture.results.lines.empty());
    EXPECT_EQ(fixture.interaction.processEventsCalls, 5);
    EXPECT_EQ(fixture.interaction.busyDepth, 0);
    EXPECT_EQ(server.opens, 1);
    EXPECT_EQ(server.closes, 1);
}

INSTANTIATE_TEST_SUITE_P(PackedAndAligned, FilerLayouts, ::testing::Bool());

TEST(Filer, AttributeAndStampTexts)
{
    EXPECT_EQ(TfrmFiler::attributeText(0x00), "[Rw -----]");
    EXPECT_EQ(TfrmFiler::attributeText(0x40), "[Rw -----]"); // 0x40 is not shown
    EXPECT_EQ(TfrmFiler::attributeText(0x80), "[Rw ----S]");
    EXPECT_EQ(TfrmFiler::attributeText(0x08), "[Rw -X---]");
    EXPECT_EQ(TfrmFiler::stampText(kMarch15, kFourteenFive), "03/15/1998 14:05:08");
}

TEST(Filer, EmptyDirectoryGivesNoRowsAndNoMessage)
{
    DirectoryServer server(false);
    SessionFixture fixture(server);
    EXPECT_TRUE(listBoth(server, fixture, false).empty());
    EXPECT_TRUE(fixture.results.lines.empty());
}

TEST(Filer, SearchFailuresAreReportedOnceAndKeepEarlierRows)
{
    DirectoryServer server(false);
    server.files = {{"A"}, {"B"}, {"C"}};
    server.failAt = 2;
    SessionFixture fixture(server);
    const auto rows = listBoth(server, fixture, false);
    EXPECT_EQ(rows.size(), 2u);
    EXPECT_EQ(fixture.results.redTexts(), QStringList{"QXIntFileSearchContinue Returned: 8801"});

    DirectoryServer badPath(false);
    badPath.initCode = qx::InvalidPath;
    badPath.files = {{"A"}};
    SessionFixture pf(badPath);
    EXPECT_TRUE(listBoth(badPath, pf, false).empty());
    EXPECT_EQ(pf.results.redTexts(),
              QStringList({"QXIntFileSearchInitialize Returned: 899C", "QXIntFileSearchInitialize Returned: 899C"}));
    EXPECT_TRUE(badPath.sequences.empty());
}

TEST(Filer, WithoutAConnectionEachSearchReportsItsFailure)
{
    DirectoryServer server(false);
    server.openCode = qx::NoSuchServer;
    server.files = {{"A"}};
    SessionFixture fixture(server);
    EXPECT_TRUE(listBoth(server, fixture, false).empty());
    EXPECT_EQ(fixture.results.redTexts(),
              QStringList({"QXCCOpenConnByName Returned: 8847", "QXIntFileSearchInitialize Returned: 8801",
                           "QXIntFileSearchInitialize Returned: 8801"}));
    EXPECT_EQ(server.closes, 0);
}

TEST(Filer, RowsOfBothListingsShareOneWordSortOrder)
{
    DirectoryServer server(true);
    server.directories = {{"b"}, {"A"}};
    server.files = {{"a"}, {"_Z"}, {"10"}, {"B"}};
    SessionFixture fixture(server);
    std::vector<QByteArray> names;
    for (const FileRow &row : listBoth(server, fixture, true))
        names.push_back(row.name);
    EXPECT_EQ(names, (std::vector<QByteArray>{"_Z", "10", "a", "A", "b", "B"}));
}

TEST(Filer, HostileEntriesStayInsideTheRecord)
{
    DirectoryServer server(true);
    server.files = {{QByteArray(20, 'L'), 0, 5}};
    SessionFixture fixture(server);
    const auto rows = listBoth(server, fixture, true);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].name, QByteArray(15, 'L')); // fills its 15 bytes without a NUL
}

TEST(Filer, FailedReleaseIsReported)
{
    DirectoryServer server(false);
    server.closeCode = 0x8801;
    SessionFixture fixture(server);
    listBoth(server, fixture, false);
    EXPECT_EQ(fixture.results.redTexts(), QStringList{"QXCCCloseConn Returned: 8801"});
}
