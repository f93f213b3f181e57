#include "simnet/NetworkLoader.h"
#include "simnet/SimulatedClient.h"

#include <gtest/gtest.h>

using namespace sim;

namespace {

// 15 March 1998 = ((1998 - 1980) << 9) | (3 << 5) | 15 = 0x246F; 14:05:08 = (14 << 11) | (5 << 5) | 4 = 0x70A4.
constexpr quint16 March15 = 0x246F;
constexpr quint16 At140508 = 0x70A4;
// 20 October 1998 = (18 << 9) | (10 << 5) | 20 = 0x2554; 16:40:00 = (16 << 11) | (40 << 5) = 0x8500.
constexpr quint16 October20 = 0x2554;
constexpr quint16 At164000 = 0x8500;

SimulatedNetwork smallNetwork()
{
    SimulatedNetwork n;
    n.workstation.primaryServer = "FS1";

    Server fs1;
    fs1.name = "FS1";
    fs1.publicConsoleRights = false;
    fs1.address = Address::ipx(0x01A2005C, 1, 0x0451);
    Volume sys;
    sys.name = "SYS";
    sys.root = DirEntry::directory({}, March15, At140508);
    DirEntry pub = DirEntry::directory("PUBLIC", March15, At140508);
    pub.entries.push_back(DirEntry::directory("WIN95", October20, At164000));
    pub.entries.push_back(DirEntry::file("README.TXT", 0x00012345, March15, At140508, 0x21));
    pub.entries.push_back(DirEntry::file("HIDDEN.SYS", 10, March15, At140508, 0x26));
    DirEntry secret = DirEntry::directory("SECRET", March15, At140508);
    secret.attributes = 0x12;
    pub.entries.push_back(secret);
    sys.root.entries.push_back(pub);
    DirEntry data = DirEntry::directory("DATA", October20, At164000);
    data.generatedFiles = 2;
    sys.root.entries.push_back(data);
    fs1.volumes.push_back(sys);
    addLanguageDirectory(fs1, 4);
    Volume vol1;
    vol1.name = "VOL1";
    vol1.number = 2;
    fs1.volumes.push_back(vol1);
    n.servers.push_back(fs1);

    Server fs2;
    fs2.name = "FS2";
    fs2.tree = QByteArray();
    fs2.address = Address::ip(10, 1, 2, 3);
    fs2.faults.set(Op::QXGetOSVersionInfo, 0x89FB);
    n.servers.push_back(fs2);

    Server down;
    down.name = "DOWN";
    down.reachable = false;
    n.servers.push_back(down);

    User admin;
    admin.name = "ADMIN";
    admin.password = "SECRET";
    admin.consoleOperator.all = true;
    n.users.push_back(admin);
    User bob;
    bob.name = "BOB";
    bob.password = "PW";
    bob.binderyServers = ServerSet{false, {"FS2"}};
    n.users.push_back(bob);
    return n;
}

qx::Handle open(SimulatedClient &client, const QByteArray &name)
{
    qx::Handle conn = 0;
    EXPECT_EQ(client.QXCCOpenConnByName(0, name, qx::NameFormatBindery, qx::OpenStateLicensed, qx::TransportAny, conn),
              qx::Success)
        << name.constData();
    return conn;
}

std::vector<int> bytes(const qx::SearchEntryRecord &record, std::size_t from, std::size_t count)
{
    std::vector<int> out;
    for (std::size_t i = from; i < from + count; ++i)
        out.push_back(record.bytes[i]);
    return out;
}

} // namespace

TEST(SimulatedClient, AccountsForEveryHandle)
{
    SimulatedClient client(smallNetwork());
    EXPECT_EQ(client.openHandleCount(), 0);
    const qx::Handle a = open(client, "FS1");
    const qx::Handle b = open(client, "fs2");
    EXPECT_NE(a, 0u);
    EXPECT_NE(a, b);
    EXPECT_EQ(client.openHandleCount(), 2);
    EXPECT_EQ(client.openHandles(), (std::vector<qx::Handle>{a, b}));
    EXPECT_EQ(client.serverOf(b), "FS2");

    EXPECT_EQ(client.QXCCCloseConn(a), qx::Success);
    EXPECT_EQ(client.openHandleCount(), 1);
    EXPECT_EQ(client.QXCCCloseConn(a), qx::InvalidConnection);
    qx::CacheInfoRecord cache;
    EXPECT_EQ(client.QXGetCacheInfo(a, cache), qx::InvalidConnection);
    EXPECT_EQ(client.QXCCCloseConn(0), qx::InvalidConnection);
    EXPECT_EQ(client.QXCCCloseConn(b), qx::Success);
    EXPECT_EQ(client.openHandleCount(), 0);

    qx::Handle conn = 77;
    EXPECT_EQ(client.QXCCOpenConnByName(0, "NOSUCH", 2, 1, qx::TransportAny, conn), qx::NoSuchServer);
    EXPECT_EQ(conn, 0u);
    EXPECT_EQ(client.QXCCOpenConnByName(0, "DOWN", 2, 1, qx::TransportAny, conn), qx::NoSuchServer);
    EXPECT_EQ(client.QXCCOpenConnByName(0, "", 2, 1, qx::TransportAny, conn), qx::NoSuchServer);
    EXPECT_EQ(client.openHandleCount(), 0);
}

TEST(SimulatedClient, PrimaryConnectionPresentOrAbsent)
{
    SimulatedClient client(smallNetwork());
    quint32 reference = 0;
    ASSERT_EQ(client.QXCCGetPrimConnRef(reference), qx::Success);
    qx::Handle primary = 0;
    ASSERT_EQ(client.QXCCOpenConnByRef(reference, qx::OpenStateUnlicensed, 0, primary), qx::Success);
    EXPECT_EQ(client.serverOf(primary), "FS1");
    EXPECT_EQ(client.QXCCOpenConnByRef(reference + 100, qx::OpenStateUnlicensed, 0, primary), qx::InvalidConnection);

    SimulatedNetwork none = smallNetwork();
    none.workstation.primaryServer.clear();
    SimulatedClient lonely(none);
    EXPECT_EQ(lonely.QXCCGetPrimConnRef(reference), qx::NoPrimaryConnectionAlt);
    // The first connection the workstation makes becomes its primary one.
    qx::Handle byName = 0;
    EXPECT_EQ(lonely.QXCCOpenConnByName(0, "FS2", 2, qx::OpenStateUnlicensed, qx::TransportAny, byName), qx::Success);
    ASSERT_EQ(lonely.QXCCGetPrimConnRef(reference), qx::Success);
    ASSERT_EQ(lonely.QXCCOpenConnByRef(reference, qx::OpenStateUnlicensed, 0, primary), qx::Success);
    EXPECT_EQ(lonely.serverOf(primary), "FS2");
    // That first connection is the workstation's: only the program's own handle counts as open.
    EXPECT_EQ(lonely.openHandles(), std::vector<qx::Handle>{primary});

    none.workstation.faults.set(Op::QXCCGetPrimConnRef, qx::NoPrimaryConnection);
    SimulatedClient faulty(none);
    EXPECT_EQ(faulty.QXCCGetPrimConnRef(reference), qx::NoPrimaryConnection);
}

TEST(SimulatedClient, ListsServersOnePerCallInNetworkOrder)
{
    SimulatedClient client(smallNetwork());
    const qx::Handle conn = open(client, "FS1");
    quint32 id = 0xFFFFFFFF;
    qx::ObjectNameBuffer name;
    std::vector<QByteArray> names;
    while (client.QXScanObject(conn, "*", qx::ObjectTypeFileServer, id, name) == qx::Success)
        names.push_back(qx::bufferText(name));
    EXPECT_EQ(names, (std::vector<QByteArray>{"FS1", "FS2", "DOWN"}));
    EXPECT_EQ(client.QXScanObject(conn, "*", qx::ObjectTypeFileServer, id, name), qx::NoSuchObject);
    EXPECT_EQ(client.callCount(Op::QXScanObject), 5u);

    id = 0xFFFFFFFF;
    ASSERT_EQ(client.QXScanObject(conn, "f?2", qx::ObjectTypeFileServer, id, name), qx::Success);
    EXPECT_EQ(qx::bufferText(name), "FS2");
    EXPECT_EQ(client.QXScanObject(conn, "f?2", qx::ObjectTypeFileServer, id, name), qx::NoSuchObject);
    EXPECT_EQ(client.QXScanObject(0, "*", qx::ObjectTypeFileServer, id, name), qx::InvalidConnection);
}

TEST(SimulatedClient, ListsModulesInBatchesOf128)
{
    SimulatedNetwork n = smallNetwork();
    addGeneratedModules(n.servers[1], 128);
    SimulatedClient client(n);
    const qx::Handle conn = open(client, "FS2");
    qx::LoadedListRecord list;
    ASSERT_EQ(client.QXGetQLMLoadedList(conn, 0, list), qx::Success);
    EXPECT_EQ(list.u32(16), 128u);
    EXPECT_EQ(list.u32(20), 1u);
    EXPECT_EQ(list.u32(20 + 4 * 127), 128u);
    ASSERT_EQ(client.QXGetQLMLoadedList(conn, 128, list), qx::Success);
    EXPECT_EQ(list.u32(16), 0u);
    EXPECT_EQ(list.u32(20), 0u);

    n = smallNetwork();
    addGeneratedModules(n.servers[1], 150);
    SimulatedClient bigger(n);
    const qx::Handle c2 = open(bigger, "FS2");
    ASSERT_EQ(bigger.QXGetQLMLoadedList(c2, 128, list), qx::Success);
    EXPECT_EQ(list.u32(16), 22u);
    EXPECT_EQ(list.u32(20), 129u);
    EXPECT_EQ(list.u32(20 + 4 * 21), 150u);
    EXPECT_EQ(list.u32(20 + 4 * 22), 0u);
}

TEST(SimulatedClient, FillsTheModuleRecordAtItsOffsets)
{
    SimulatedNetwork n = smallNetwork();
    Module m;
    m.id = 0x11223344;
    m.flags = 0x0B;
    m.type = 12;
    m.parentId = 0xFFFFFFFF;
    m.version = Version{4, 11, 2, 0};
    m.year = 1998;
    m.month = 10;
    m.day = 23;
    m.bytesAvailable = 4096;
    m.freeCount = 5;
    m.lastGarbageCollection = 6;
    m.messageLanguage = 4;
    m.referencedPublics = 7;
    m.fileName = "QDS.QLM";
    m.description = "Directory Services";
    m.copyright = "(C) 1998";
    n.servers[1].modules.push_back(m);
    SimulatedClient client(n);
    const qx::Handle conn = open(client, "FS2");
    qx::ModuleRecord info;
    qx::ModuleFileName fileName;
    qx::ModuleDescription description;
    qx::ModuleCopyright copyright;
    ASSERT_EQ(client.QXGetQLMInfo(conn, 0x11223344, info, fileName, description, copyright), qx::Success);
    // Little-endian 32-bit fields from byte 12 on; bytes 0 to 11 stay zero.
    const std::array<quint8, 72> expected = {
        0,    0,    0,    0,    0,    0,    0,    0,    0,  0, 0, 0, // not read
        0x44, 0x33, 0x22, 0x11, 0x0B, 0,    0,    0,                 // id, flags
        12,   0,    0,    0,    0xFF, 0xFF, 0xFF, 0xFF,              // type, parent id
        4,    0,    0,    0,    11,   0,    0,    0,    2,  0, 0, 0, // major, minor, revision
        0xCE, 0x07, 0,    0,    10,   0,    0,    0,    23, 0, 0, 0, // 1998, month, day
        0,    0x10, 0,    0,    5,    0,    0,    0,    6,  0, 0, 0, // bytes available, free count, garbage collection
        4,    0,    0,    0,    7,    0,    0,    0,                 // language, referenced publics
    };
    EXPECT_EQ(info.bytes, expected);
    EXPECT_EQ(qx::bufferText(fileName), "QDS.QLM");
    EXPECT_EQ(qx::bufferText(description), "Directory Services");
    EXPECT_EQ(qx::bufferText(copyright), "(C) 1998");
    EXPECT_EQ(client.QXGetQLMInfo(conn, 5, info, fileName, description, copyright), SimulatedClient::InvalidParameter);
}

TEST(SimulatedClient, ConsoleRightsFollowTheIdentityOnTheServer)
{
    SimulatedClient client(smallNetwork());
    const qx::Handle fs1 = open(client, "FS1");
    const qx::Handle fs2 = open(client, "FS2");
    qx::LoadedListRecord list;
    EXPECT_EQ(client.QXCheckConsolePrivileges(fs1), qx::NoConsoleRights);
    EXPECT_EQ(client.QXGetQLMLoadedList(fs1, 0, list), qx::NoConsoleRights);
    EXPECT_EQ(client.QXCheckConsolePrivileges(fs2), qx::Success); // "[Public]" is a console operator by default

    EXPECT_EQ(client.QXLoginToFileServer(fs1, "ADMIN", qx::ObjectTypeUser, "secret"), qx::NoMoreEntries);
    EXPECT_EQ(client.QXLoginToFileServer(fs1, "BOB", qx::ObjectTypeUser, "PW"), qx::NoSuchObject);
    EXPECT_EQ(client.QXLoginToFileServer(fs1, "ADMIN", qx::ObjectTypeFileServer, "SECRET"), qx::NoSuchObject);
    EXPECT_EQ(client.identityOn("FS1"), "[Public]");
    EXPECT_EQ(client.QXLoginToFileServer(fs1, "admin", qx::ObjectTypeUser, "SECRET"), qx::Success);
    EXPECT_EQ(client.identityOn("FS1"), "ADMIN");
    EXPECT_EQ(client.QXCheckConsolePrivileges(fs1), qx::Success);
    EXPECT_EQ(client.QXGetQLMLoadedList(fs1, 0, list), qx::Success);
    EXPECT_EQ(client.QXLoginToFileServer(fs1, "ADMIN", qx::ObjectTypeUser, "SECRET"), qx::AlreadyAuthenticated);
    // A bindery login holds on that server only.
    EXPECT_EQ(client.identityOn("FS2"), "[Public]");
    // BOB is no console operator anywhere.
    EXPECT_EQ(client.QXLoginToFileServer(fs2, "BOB", qx::ObjectTypeUser, "PW"), qx::Success);
    EXPECT_EQ(client.QXCheckConsolePrivileges(fs2), qx::NoConsoleRights);
}

TEST(SimulatedClient, TreeLoginAuthenticatesLaterConnections)
{
    SimulatedNetwork n = smallNetwork();
    n.servers[1].tree.reset(); // FS2 joins the tree
    SimulatedClient client(n);
    qx::Context context = 0;
    ASSERT_EQ(client.QXDSCreateContextHandle(context), qx::DsSuccess);
    qx::DsNameBuffer who;
    ASSERT_EQ(client.QXDSWhoAmI(context, who), qx::DsSuccess);
    EXPECT_EQ(qx::bufferText(who), "[Public]");
    const qx::Handle before = open(client, "FS1");
    EXPECT_EQ(client.QXDSAuthenticate(before, 0, nullptr), qx::DsNoAuthenticationNeeded);

    quint32 flags = 0;
    ASSERT_EQ(client.QXDSGetContext(context, qx::ContextFlags, flags), qx::DsSuccess);
    EXPECT_EQ(client.QXDSSetContext(context, qx::ContextFlags, flags | 4), qx::DsSuccess);
    EXPECT_EQ(client.QXDSSetContext(context, qx::ContextTreeName, QByteArray("OTHER_TREE")), qx::DsSuccess);
    EXPECT_EQ(client.QXDSLogin(context, 0, "ADMIN", "SECRET", 0), qx::DsStatus(0x886F));
    EXPECT_EQ(client.QXDSSetContext(context, qx::ContextTreeName, QByteArray("corp_tree")), qx::DsSuccess);
    EXPECT_EQ(client.QXDSSetContext(context, qx::ContextNameContext, QByteArray("[Root]")), qx::DsSuccess);
    EXPECT_EQ(client.QXDSLogin(context, 0, "NOBODY", "SECRET", 0), qx::DsNoSuchEntry);
    EXPECT_EQ(client.QXDSLogin(context, 0, "ADMIN.ELSEWHERE", "SECRET", 0), qx::DsNoSuchEntry);
    EXPECT_EQ(client.QXDSLogin(context, 0, "ADMIN", "secret", 0), qx::DsBadPassword);
    EXPECT_EQ(client.QXDSLogin(context, 0, "ADMIN.CORP", "SECRET", 0), qx::DsSuccess);
    EXPECT_EQ(client.QXDSLogin(context, 0, "BOB", "PW", 0), qx::DsStatus(0x8890));
    ASSERT_EQ(client.QXDSWhoAmI(context, who), qx::DsSuccess);
    EXPECT_EQ(qx::bufferText(who), "ADMIN");

    // FS2 is in the tree now; FS1's older connection stays as it was until authenticated.
    const qx::Handle fs2 = open(client, "FS2");
    EXPECT_EQ(client.QXDSAuthenticate(fs2, 0, nullptr), qx::DsSuccess);
    EXPECT_EQ(client.QXCheckConsolePrivileges(fs2), qx::Success);
    EXPECT_EQ(client.QXCheckConsolePrivileges(before), qx::NoConsoleRights);
    EXPECT_EQ(client.QXDSAuthenticate(before, 0, nullptr), qx::DsSuccess);
    EXPECT_EQ(client.QXCheckConsolePrivileges(before), qx::Success);

    qx::DsNameBuffer binderyContext;
    ASSERT_EQ(client.QXDSGetBinderyContext(context, fs2, binderyContext), qx::DsSuccess);
    EXPECT_EQ(qx::bufferText(binderyContext), "CORP");
    EXPECT_EQ(client.openContextCount(), 1);
    EXPECT_EQ(client.QXDSFreeContext(context), qx::DsSuccess);
    EXPECT_EQ(client.QXDSFreeContext(context), qx::DsBadHandle);
    EXPECT_EQ(client.QXDSWhoAmI(context, who), qx::DsBadHandle);
}

TEST(SimulatedClient, SearchRecordsUseThePackedLayoutBefore523)
{
    SimulatedNetwork n = smallNetwork();
    n.workstation.calls = Version{6, 0, 0, 0}; // 0 < 2: packed
    SimulatedClient client(n);
    const qx::Handle conn = open(client, "FS1");
    qx::SearchStart start;
    ASSERT_EQ(client.QXFileSearchInitialize(conn, 0, "SYS:\\PUBLIC", start), qx::Success);
    EXPECT_EQ(start.volumeNumber, 0);

    qx::SearchEntryRecord e;
    ASSERT_EQ(client.QXIntFileSearchContinue(conn, start.volumeNumber, start.directoryId, start.sequence,
                                             qx::SearchDirectories, "*", e, 0),
              qx::Success);
    EXPECT_EQ(bytes(e, 0, 2), (std::vector<int>{0, 0}));
    EXPECT_EQ(e.text(4, 15), "WIN95");
    EXPECT_EQ(e.bytes[19], 0x10);
    EXPECT_EQ(bytes(e, 21, 4), (std::vector<int>{0x54, 0x25, 0x00, 0x85})); // date 0x2554, time 0x8500

    const quint16 afterWin95 = e.u16(0);
    ASSERT_EQ(client.QXIntFileSearchContinue(conn, 0, start.directoryId, afterWin95, qx::SearchDirectories, "*", e, 0),
              qx::Success);
    EXPECT_EQ(e.text(4, 15), "SECRET"); // hidden directories come with 0x16
    EXPECT_EQ(e.u16(0), 3);
    EXPECT_EQ(client.QXIntFileSearchContinue(conn, 0, start.directoryId, 3, qx::SearchDirectories, "*", e, 0),
              qx::NoMoreEntries);
    // Without the hidden bit the hidden directory stays out.
    EXPECT_EQ(client.QXIntFileSearchContinue(conn, 0, start.directoryId, afterWin95, 0x10, "*", e, 0),
              qx::NoMoreEntries);

    ASSERT_EQ(client.QXIntFileSearchContinue(conn, 0, start.directoryId, start.sequence, qx::SearchFiles, "*", e, 0),
              qx::Success);
    // README.TXT, sequence 1, attributes 0x21, length 0x00012345 at 21, date at 29, time at 31.
    // clang-format off
    const std::array<quint8, 36> readme = {
        1,    0,    0,    0,                                      // 0: sequence, 2: unused
        'R',  'E',  'A',  'D',  'M',  'E',  '.',  'T',  'X',  'T', // 4: name
        0,    0,    0,    0,    0,                                // 14: NUL and the rest of the name field
        0x21,                                                     // 19: attributes
        0,                                                        // 20: unused
        0x45, 0x23, 0x01, 0x00,                                   // 21: length 0x00012345
        0,    0,    0,    0,                                      // 25: unused
        0x6F, 0x24,                                               // 29: date 0x246F
        0xA4, 0x70,                                               // 31: time 0x70A4
        0,    0,    0,                                            // 33: unused
    };
    // clang-format on
    EXPECT_EQ(e.bytes, readme);
    ASSERT_EQ(client.QXIntFileSearchContinue(conn, 0, start.directoryId, 1, qx::SearchFiles, "*", e, 0), qx::Success);
    EXPECT_EQ(e.text(4, 15), "HIDDEN.SYS");
    EXPECT_EQ(e.bytes[19], 0x26);
    EXPECT_EQ(client.QXIntFileSearchContinue(conn, 0, start.directoryId, 2, qx::SearchFiles, "*", e, 0),
              qx::NoMoreEntries);
    EXPECT_EQ(client.QXIntFileSearchContinue(conn, 0, start.directoryId, 0xFFFF, qx::SearchFiles, "*.SYS", e, 0),
              qx::Success);
    EXPECT_EQ(e.text(4, 15), "HIDDEN.SYS");
}

TEST(SimulatedClient, SearchRecordsUseTheAlignedLayoutFrom523)
{
    SimulatedNetwork n = smallNetwork();
    n.workstation.calls = Version{5, 2, 3, 0};
    SimulatedClient client(n);
    const qx::Handle conn = open(client, "FS1");
    qx::SearchStart start;
    ASSERT_EQ(client.QXFileSearchInitialize(conn, 0, "sys:public", start), qx::Success);
    qx::SearchEntryRecord e;
    ASSERT_EQ(
        client.QXIntFileSearchContinue(conn, 0, start.directoryId, start.sequence, qx::SearchDirectories, "*", e, 0),
        qx::Success);
    EXPECT_EQ(bytes(e, 21, 5), (std::vector<int>{0, 0x54, 0x25, 0x00, 0x85})); // date at 22, time at 24

    ASSERT_EQ(client.QXIntFileSearchContinue(conn, 0, start.directoryId, start.sequence, qx::SearchFiles, "*", e, 0),
              qx::Success);
    // README.TXT: length at 24, date at 32, time at 34.
    // clang-format off
    const std::array<quint8, 36> readme = {
        1,    0,    0,    0,                                      // 0: sequence, 2: unused
        'R',  'E',  'A',  'D',  'M',  'E',  '.',  'T',  'X',  'T', // 4: name
        0,    0,    0,    0,    0,                                // 14: NUL and the rest of the name field
        0x21,                                                     // 19: attributes
        0,    0,    0,    0,                                      // 20: unused
        0x45, 0x23, 0x01, 0x00,                                   // 24: length 0x00012345
        0,    0,    0,    0,                                      // 28: unused
        0x6F, 0x24,                                               // 32: date 0x246F
        0xA4, 0x70,                                               // 34: time 0x70A4
    };
    // clang-format on
    EXPECT_EQ(e.bytes, readme);
}

TEST(SimulatedClient, SearchesGeneratedFilesAndRefusesBadPaths)
{
    SimulatedClient client(smallNetwork());
    const qx::Handle conn = open(client, "FS1");
    qx::SearchStart start;
    ASSERT_EQ(client.QXFileSearchInitialize(conn, 0, "SYS:\\DATA", start), qx::Success);
    qx::SearchEntryRecord e;
    EXPECT_EQ(
        client.QXIntFileSearchContinue(conn, 0, start.directoryId, start.sequence, qx::SearchDirectories, "*", e, 0),
        qx::NoMoreEntries);
    ASSERT_EQ(client.QXIntFileSearchContinue(conn, 0, start.directoryId, start.sequence, qx::SearchFiles, "*", e, 0),
              qx::Success);
    EXPECT_EQ(e.text(4, 15), "F0000001.DAT");
    EXPECT_EQ(e.u32(24), 512u);
    ASSERT_EQ(client.QXIntFileSearchContinue(conn, 0, start.directoryId, e.u16(0), qx::SearchFiles, "*", e, 0),
              qx::Success);
    EXPECT_EQ(e.text(4, 15), "F0000002.DAT");
    EXPECT_EQ(e.u32(24), 1024u);
    EXPECT_EQ(client.QXIntFileSearchContinue(conn, 0, start.directoryId, e.u16(0), qx::SearchFiles, "*", e, 0),
              qx::NoMoreEntries);

    EXPECT_EQ(client.QXFileSearchInitialize(conn, 0, "SYS:\\NOPE", start), qx::InvalidPath);
    EXPECT_EQ(client.QXFileSearchInitialize(conn, 0, "SYS:\\PUBLIC\\README.TXT", start), qx::InvalidPath);
    EXPECT_EQ(client.QXFileSearchInitialize(conn, 0, "VOL9:", start), qx::NoSuchVolume);
    EXPECT_EQ(client.QXFileSearchInitialize(conn, 0, "PUBLIC", start), qx::InvalidPath);
    ASSERT_EQ(client.QXFileSearchInitialize(conn, 0, "VOL1:", start), qx::Success);
    EXPECT_EQ(start.volumeNumber, 2);
    EXPECT_EQ(client.QXIntFileSearchContinue(conn, 2, start.directoryId, start.sequence, qx::SearchFiles, "*", e, 0),
              qx::NoMoreEntries);
    EXPECT_EQ(client.QXIntFileSearchContinue(conn, 0, start.directoryId, start.sequence, qx::SearchFiles, "*", e, 0),
              qx::NoSuchVolume);
    EXPECT_EQ(client.QXIntFileSearchContinue(conn, 0, 999, 0xFFFF, qx::SearchFiles, "*", e, 0), qx::InvalidPath);
}

TEST(SimulatedClient, FaultsHitOnlyTheNamedOperationOnTheNamedServer)
{
    SimulatedNetwork n = smallNetwork();
    n.workstation.faults.set(Op::QXCallsInit, 0x8800);
    SimulatedClient client(n);
    EXPECT_EQ(client.QXCallsInit(nullptr, nullptr), 0x8800u);
    quint8 major = 0, minor = 0, revision = 0;
    EXPECT_EQ(client.QXGetRequesterVersion(major, minor, revision), qx::Success);
    EXPECT_EQ(major, 4);

    const qx::Handle fs1 = open(client, "FS1");
    const qx::Handle fs2 = open(client, "FS2");
    qx::OsVersionRecord os;
    EXPECT_EQ(client.QXGetOSVersionInfo(fs2, os), qx::NotAuthenticated);
    ASSERT_EQ(client.QXGetOSVersionInfo(fs1, os), qx::Success);
    EXPECT_EQ(os.u8(10), 4);
    EXPECT_EQ(os.u8(11), 11);
    quint32 serial = 0;
    quint16 application = 0;
    EXPECT_EQ(client.QXGetNetworkSerialNumber(fs2, serial, application), qx::Success);

    SimulatedNetwork closing = smallNetwork();
    closing.servers[0].faults.set(Op::QXCCCloseConn, 0x8801);
    closing.servers[0].faults.set(Op::QXCCOpenConnByName, 0x8810);
    SimulatedClient c2(closing);
    qx::Handle conn = 0;
    EXPECT_EQ(c2.QXCCOpenConnByName(0, "FS1", 2, 1, qx::TransportAny, conn), 0x8810u);
    quint32 reference = 0;
    ASSERT_EQ(c2.QXCCGetPrimConnRef(reference), qx::Success);
    ASSERT_EQ(c2.QXCCOpenConnByRef(reference, 2, 0, conn), qx::Success);
    // A failed release is reported, yet the handle is gone.
    EXPECT_EQ(c2.QXCCCloseConn(conn), 0x8801u);
    EXPECT_EQ(c2.openHandleCount(), 0);
}

TEST(SimulatedClient, SelectiveFaultsHitOneVolumeOneModuleOrOneCall)
{
    QString error;
    const auto network = loadNetworkFromJson(R"({"servers": [{"name": "FS1",
        "volumes": [{"name": "SYS"}, {"name": "VOL1"}],
        "modules": [{"fileName": "A.QLM"}, {"fileName": "B.QLM"}],
        "faults": {"QXGetVolumeName": {"code": "0x8998", "volume": 1},
                   "QXGetQLMInfo": {"code": "0x89C6", "module": 2},
                   "QXGetCacheInfo": [{"code": "0x8801", "afterCalls": 1}]}}]})",
                                             QStringLiteral("net.json"), &error);
    ASSERT_TRUE(network.has_value()) << error.toStdString();
    SimulatedClient client(*network);
    const qx::Handle fs1 = open(client, "FS1");

    qx::VolumeNameBuffer name;
    EXPECT_EQ(client.QXGetVolumeName(fs1, 0, name), qx::Success);
    EXPECT_EQ(client.QXGetVolumeName(fs1, 1, name), 0x8998u);
    EXPECT_EQ(client.QXGetVolumeName(fs1, 1, name), 0x8998u) << "every call about that volume";

    qx::ModuleRecord record;
    qx::ModuleFileName fileName;
    qx::ModuleDescription description;
    qx::ModuleCopyright copyright;
    EXPECT_EQ(client.QXGetQLMInfo(fs1, 1, record, fileName, description, copyright), qx::Success);
    EXPECT_EQ(client.QXGetQLMInfo(fs1, 2, record, fileName, description, copyright), 0x89C6u);

    // After one call, the next one fails, and only that one.
    qx::CacheInfoRecord cache;
    EXPECT_EQ(client.QXGetCacheInfo(fs1, cache), qx::Success);
    EXPECT_EQ(client.QXGetCacheInfo(fs1, cache), 0x8801u);
    EXPECT_EQ(client.QXGetCacheInfo(fs1, cache), qx::Success);
}

TEST(SimulatedClient, ServesTheServerRecordsAtTheirOffsets)
{
    SimulatedNetwork n = smallNetwork();
    Server &s = n.servers[0];
    s.serialNumber = 0x01020304;
    s.applicationNumber = 0x0506;
    s.cacheCount = 8192;
    s.qcpStations = 1;
    s.qcpPeakStations = 2;
    s.qcpRequests = 3;
    s.packetsServiced = 4;
    s.packetsRouted = 5;
    s.maxConnectionsEverUsed = 0x0123;
    SimulatedClient client(n);
    const qx::Handle conn = open(client, "FS1");

    qx::OsVersionRecord os;
    ASSERT_EQ(client.QXGetOSVersionInfo(conn, os), qx::Success);
    EXPECT_EQ(os.u32(60), 0x01020304u);
    EXPECT_EQ(os.u16(64), 0x0506);
    quint32 serial = 0;
    quint16 application = 0;
    ASSERT_EQ(client.QXGetNetworkSerialNumber(conn, serial, application), qx::Success);
    EXPECT_EQ(serial, 0x04030201u); // the program swaps it back
    EXPECT_EQ(application, 0x0506);

    qx::VersionInfoRecord version;
    ASSERT_EQ(client.QXGetFileServerVersionInfo(conn, version), qx::Success);
    EXPECT_EQ(version.bytes[60], 0x23);
    EXPECT_EQ(version.bytes[61], 0x01);
    qx::CacheInfoRecord cache;
    ASSERT_EQ(client.QXGetCacheInfo(conn, cache), qx::Success);
    EXPECT_EQ(cache.bytes[117], 0x20); // 8192 = 0x2000
    qx::ServerInfoRecord info;
    ASSERT_EQ(client.QXGetFileServerInfo(conn, info), qx::Success);
    EXPECT_EQ(info.bytes[12], 1);
    EXPECT_EQ(info.bytes[16], 2);
    EXPECT_EQ(info.bytes[20], 3);
    EXPECT_EQ(info.bytes[140], 4);
    EXPECT_EQ(info.bytes[144], 5);

    qx::FileServerInformation fsi;
    ASSERT_EQ(client.QXGetFileServerInformation(conn, fsi), qx::Success);
    EXPECT_EQ(qx::bufferText(fsi.serverName), "FS1");
    EXPECT_EQ(fsi.majorVersion, 4);
    EXPECT_EQ(fsi.minorVersion, 11);
    EXPECT_EQ(fsi.numberOfVolumes, 2);

    qx::VolumeNameBuffer volume;
    ASSERT_EQ(client.QXGetVolumeName(conn, 0, volume), qx::Success);
    EXPECT_EQ(qx::bufferText(volume), "SYS");
    ASSERT_EQ(client.QXGetVolumeName(conn, 1, volume), qx::Success);
    EXPECT_EQ(qx::bufferText(volume), "");
    ASSERT_EQ(client.QXGetVolumeName(conn, 2, volume), qx::Success);
    EXPECT_EQ(qx::bufferText(volume), "VOL1");
    EXPECT_EQ(client.QXGetVolumeName(conn, 255, volume), qx::NoSuchVolume);

    qx::DateAndTime clock{};
    ASSERT_EQ(client.QXGetFileServerDateAndTime(conn, clock), qx::Success);
    EXPECT_EQ(clock, (qx::DateAndTime{98, 12, 8, 14, 5, 9, 2}));
}

TEST(SimulatedClient, TellsTheTreeNameAndTheTransportAddress)
{
    SimulatedNetwork n = smallNetwork();
    Server odd;
    odd.name = "ODD";
    odd.address = Address{7, QByteArray(13, '\x11'), 20};
    n.servers.push_back(odd);
    SimulatedClient client(n);
    const qx::Handle fs1 = open(client, "FS1");
    const qx::Handle fs2 = open(client, "FS2");

    qx::ConnInfoRecord info;
    ASSERT_EQ(client.QXCCGetAllConnInfo(fs1, 1, info), qx::Success);
    // CORP_TREE from byte 12, underscores up to byte 43, NUL at 44.
    EXPECT_EQ(info.text(12, 33), QByteArray("CORP_TREE") + QByteArray(23, '_'));
    EXPECT_EQ(info.bytes[43], '_');
    EXPECT_EQ(info.bytes[44], 0);
    ASSERT_EQ(client.QXCCGetAllConnInfo(fs2, 1, info), qx::Success);
    EXPECT_EQ(info.bytes[12], 0);

    quint32 length = 0;
    ASSERT_EQ(client.QXCCGetConnAddressLength(fs1, length), qx::Success);
    EXPECT_EQ(length, 12u);
    std::array<quint8, 20> buffer;
    buffer.fill(0xEE);
    qx::TransportAddress address{0, 0, buffer.data()};
    ASSERT_EQ(client.QXCCGetConnAddress(fs1, length, address), qx::Success);
    EXPECT_EQ(address.type, 1u);
    EXPECT_EQ(address.length, 12u);
    const std::array<quint8, 20> ipx = {0x01, 0xA2, 0x00, 0x5C, 0,    0,    0,    0,    0,    1,
                                        0x04, 0x51, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(buffer, ipx);

    ASSERT_EQ(client.QXCCGetConnAddress(fs2, 6, address), qx::Success);
    EXPECT_EQ(address.type, 9u);
    EXPECT_EQ(std::vector<int>(buffer.begin(), buffer.begin() + 6), (std::vector<int>{2, 12, 10, 1, 2, 3}));

    // A reported length beyond the 13-byte buffer never writes past it.
    const qx::Handle conn = open(client, "ODD");
    ASSERT_EQ(client.QXCCGetConnAddressLength(conn, length), qx::Success);
    EXPECT_EQ(length, 20u);
    buffer.fill(0xEE);
    ASSERT_EQ(client.QXCCGetConnAddress(conn, length, address), qx::Success);
    EXPECT_EQ(address.type, 7u);
    EXPECT_EQ(buffer[12], 0x11);
    EXPECT_EQ(buffer[13], 0xEE);
    address.buffer = nullptr;
    EXPECT_EQ(client.QXCCGetConnAddress(conn, length, address), SimulatedClient::InvalidParameter);
}

TEST(SimulatedClient, AnswersNetworkDirectoriesFromTheSysVolume)
{
    SimulatedClient client(smallNetwork());
    EXPECT_TRUE(client.networkDirectoryExists("\\\\FS1\\SYS\\SYSTEM\\NLS\\4"));
    EXPECT_TRUE(client.networkDirectoryExists("\\\\fs1\\sys\\system\\nls\\4\\"));
    EXPECT_TRUE(client.networkDirectoryExists("\\\\FS1\\SYS\\PUBLIC\\WIN95"));
    EXPECT_FALSE(client.networkDirectoryExists("\\\\FS1\\SYS\\SYSTEM\\NLS\\6"));
    EXPECT_FALSE(client.networkDirectoryExists("\\\\FS1\\SYS\\PUBLIC\\README.TXT"));
    EXPECT_FALSE(client.networkDirectoryExists("\\\\FS1\\VOL9\\PUBLIC"));
    EXPECT_FALSE(client.networkDirectoryExists("\\\\FS9\\SYS\\PUBLIC"));
    EXPECT_FALSE(client.networkDirectoryExists("\\\\FS1"));
    EXPECT_FALSE(client.networkDirectoryExists("FS1\\SYS\\PUBLIC"));

    SimulatedNetwork n = smallNetwork();
    n.servers[0].reachable = false;
    SimulatedClient unreachable(n);
    EXPECT_FALSE(unreachable.networkDirectoryExists("\\\\FS1\\SYS\\SYSTEM\\NLS\\4"));
}

TEST(SimulatedClient, CountsEveryCall)
{
    SimulatedClient client(smallNetwork());
    EXPECT_EQ(client.callCount(), 0u);
    const qx::Handle conn = open(client, "FS1");
    quint8 flag = 0;
    client.QXGetFileServerLoginStatus(conn, flag);
    client.QXGetFileServerLoginStatus(conn + 1000, flag);
    client.networkDirectoryExists("\\\\FS1\\SYS");
    EXPECT_EQ(client.callCount(), 4u);
    EXPECT_EQ(client.callCount(Op::QXGetFileServerLoginStatus), 2u);
    client.resetCallCounts();
    EXPECT_EQ(client.callCount(), 0u);
}

TEST(SimulatedClient, TheDemoNetworkShowsWhatItsCommentsPromise)
{
    QString error;
    auto demo = loadNetwork(BuiltInNetwork, &error);
    ASSERT_TRUE(demo.has_value()) << error.toStdString();
    EXPECT_EQ(demo->delayMs, 1u) << "the demo slows its calls so that a scan can be watched";
    demo->delayMs = 0;
    SimulatedClient client(std::move(*demo));

    quint32 reference = 0;
    qx::Handle primary = 0;
    ASSERT_EQ(client.QXCCGetPrimConnRef(reference), qx::Success);
    ASSERT_EQ(client.QXCCOpenConnByRef(reference, qx::OpenStateUnlicensed, 0, primary), qx::Success);
    EXPECT_EQ(client.serverOf(primary), "ACCT-FS1");
    quint32 id = 0xFFFFFFFF;
    qx::ObjectNameBuffer name;
    int listed = 0;
    while (client.QXScanObject(primary, "*", qx::ObjectTypeFileServer, id, name) == qx::Success)
        ++listed;
    EXPECT_EQ(listed, 11);

    std::array<quint8, qx::AddressBufferSize> buffer{};
    qx::TransportAddress address{0, 0, buffer.data()};
    quint32 length = 0;
    const qx::Handle acct = open(client, "ACCT-FS1");
    ASSERT_EQ(client.QXCCGetConnAddress(acct, 12, address), qx::Success);
    EXPECT_EQ(address.type, qx::AddressTypeIpx);
    EXPECT_EQ(std::vector<int>(buffer.begin(), buffer.begin() + 4), (std::vector<int>{0x01, 0xA2, 0x00, 0x5C}));
    const qx::Handle sales = open(client, "SALES_HQ");
    ASSERT_EQ(client.QXCCGetConnAddress(sales, 6, address), qx::Success);
    EXPECT_EQ(address.type, qx::AddressTypeIp);
    EXPECT_EQ(std::vector<int>(buffer.begin() + 2, buffer.begin() + 6), (std::vector<int>{10, 1, 2, 3}));
    EXPECT_TRUE(client.networkDirectoryExists("\\\\SALES_HQ\\SYS\\SYSTEM\\NLS\\6"));
    EXPECT_TRUE(client.networkDirectoryExists("\\\\SALES_HQ\\SYS\\SYSTEM\\NLS\\7"));
    const qx::Handle eng = open(client, "ENG_FS");
    EXPECT_NE(client.QXCCGetConnAddressLength(eng, length), qx::Success);

    qx::FileServerInformation info;
    qx::OsVersionRecord os;
    quint32 serial = 0;
    quint16 application = 0;
    const qx::Handle legacy = open(client, "LEGACY31");
    ASSERT_EQ(client.QXGetFileServerInformation(legacy, info), qx::Success);
    EXPECT_EQ(info.majorVersion, 3);
    EXPECT_NE(client.QXGetOSVersionInfo(legacy, os), qx::Success);
    EXPECT_EQ(client.QXGetNetworkSerialNumber(legacy, serial, application), qx::Success);
    const qx::Handle hr = open(client, "HR_SECURE");
    EXPECT_NE(client.QXGetOSVersionInfo(hr, os), qx::Success);
    EXPECT_EQ(client.QXGetNetworkSerialNumber(hr, serial, application), qx::NotAuthenticated);

    const qx::Handle warehouse = open(client, "WAREHOUSE");
    EXPECT_EQ(client.QXCheckConsolePrivileges(warehouse), qx::NoConsoleRights);
    EXPECT_EQ(client.QXLoginToFileServer(warehouse, "JSMITH", qx::ObjectTypeUser, "SPRING98"), qx::Success);
    EXPECT_EQ(client.QXCheckConsolePrivileges(warehouse), qx::Success);

    qx::Handle none = 0;
    EXPECT_EQ(client.QXCCOpenConnByName(0, "MFG-PLANT2", 2, 1, qx::TransportAny, none), qx::NoSuchServer);

    const qx::Handle big = open(client, "BIGIRON");
    qx::LoadedListRecord list;
    ASSERT_EQ(client.QXGetQLMLoadedList(big, 0, list), qx::Success);
    EXPECT_EQ(list.u32(qx::LoadedListCountAt), 128u);
    ASSERT_EQ(client.QXGetQLMLoadedList(big, 128, list), qx::Success);
    EXPECT_EQ(list.u32(qx::LoadedListCountAt), 22u);

    EXPECT_FALSE(client.networkDirectoryExists("\\\\BRANCH-NYC\\SYS\\PUBLIC\\WIN95"));
    EXPECT_TRUE(client.networkDirectoryExists("\\\\BRANCH-NYC\\SYS\\PUBLIC\\WIN32"));
    EXPECT_TRUE(client.networkDirectoryExists("\\\\ACCT-FS1\\SYS\\PUBLIC\\WIN95"));

    // Every reachable server holds the directories the file list report searches.
    for (const Server &server : client.network().servers) {
        if (!server.reachable)
            continue;
        const qx::Handle conn = open(client, server.name);
        for (const char *path : {"SYS:", "SYS:\\SYSTEM", "SYS:\\PUBLIC", "SYS:\\ETC", "SYS:\\LOGIN"}) {
            qx::SearchStart start;
            EXPECT_EQ(client.QXFileSearchInitialize(conn, 0, path, start), qx::Success)
                << server.name.constData() << " " << path;
        }
        EXPECT_EQ(client.QXCCCloseConn(conn), qx::Success);
    }
    for (const qx::Handle h : {primary, acct, sales, eng, legacy, hr, warehouse, big})
        EXPECT_EQ(client.QXCCCloseConn(h), qx::Success);
    EXPECT_EQ(client.openHandleCount(), 0);
}

TEST(SimulatedClient, GeneratesBenchmarkNetworks)
{
    SimulatedClient client(generateNetwork(3, 300, 2000));
    ASSERT_EQ(client.network().servers.size(), 3u);
    const qx::Handle conn = open(client, "FS0003");
    qx::LoadedListRecord list;
    ASSERT_EQ(client.QXGetQLMLoadedList(conn, 256, list), qx::Success);
    EXPECT_EQ(list.u32(qx::LoadedListCountAt), 44u);
    qx::SearchStart start;
    ASSERT_EQ(client.QXFileSearchInitialize(conn, 0, "SYS:\\PUBLIC\\WINNT", start), qx::Success);
    qx::SearchEntryRecord e;
    int files = 0;
    quint16 sequence = start.sequence;
    while (client.QXIntFileSearchContinue(conn, 0, start.directoryId, sequence, qx::SearchFiles, "*", e, 0) == 0) {
        sequence = e.u16(0);
        ++files;
    }
    EXPECT_EQ(files, 2000);
    EXPECT_EQ(e.text(4, 15), "F0002000.DAT");
    EXPECT_TRUE(client.networkDirectoryExists("\\\\FS0002\\SYS\\SYSTEM\\NLS\\4"));
}
