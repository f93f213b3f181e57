#include "simnet/NetworkLoader.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <sys/stat.h>

using namespace sim;

namespace {

QString loadError(const QByteArray &json, const QString &source = QStringLiteral("net.json"))
{
    QString error;
    const auto network = loadNetworkFromJson(json, source, &error);
    EXPECT_FALSE(network.has_value());
    return error;
}

SimulatedNetwork loadOk(const QByteArray &json)
{
    QString error;
    auto network = loadNetworkFromJson(json, QStringLiteral("net.json"), &error);
    EXPECT_TRUE(network.has_value()) << error.toStdString();
    return network ? *network : SimulatedNetwork{};
}

QByteArray oneServer(const QByteArray &serverFields)
{
    return R"({"servers": [{"name": "FS1", )" + serverFields + "}]}";
}

} // namespace

TEST(NetworkLoader, ReportsAMissingFileAndTextThatIsNotJson)
{
    const QString path = TestEnvironment::fresh() + QStringLiteral("/nowhere.json");
    QString error;
    EXPECT_FALSE(loadNetwork(path, &error).has_value());
    EXPECT_EQ(error, path + QStringLiteral(": no such file"));
    // A pipe would block the start until something writes to it: refused at once.
    const QString pipe = TestEnvironment::root() + QStringLiteral("/pipe.json");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    EXPECT_FALSE(loadNetwork(pipe, &error).has_value());
    EXPECT_EQ(error, pipe + QStringLiteral(": is not a regular file, not a network description"));

    // "servers" lacks its value: the parser stops on the second line.
    error = loadError("{\n  \"servers\": }", QStringLiteral("broken.json"));
    EXPECT_TRUE(error.startsWith(QStringLiteral("broken.json: not valid JSON: "))) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral(" at line 2, column "))) << error.toStdString();

    EXPECT_EQ(loadError("[1, 2]"), QStringLiteral("net.json: a network description is a JSON object"));
    EXPECT_TRUE(loadError("").startsWith(QStringLiteral("net.json: not valid JSON: ")));
}

TEST(NetworkLoader, ReadsAFileFromDisk)
{
    const QString path = TestEnvironment::fresh() + QStringLiteral("/small.json");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(oneServer(R"("reachable": false)"));
    file.close();
    QString error;
    const auto network = loadNetwork(path, &error);
    ASSERT_TRUE(network.has_value()) << error.toStdString();
    ASSERT_EQ(network->servers.size(), 1u);
    EXPECT_FALSE(network->servers[0].reachable);

    EXPECT_EQ((loadNetwork(TestEnvironment::root(), &error), error),
              TestEnvironment::root() + QStringLiteral(": is a directory, not a network description"));
}

TEST(NetworkLoader, NamesTheFieldOfEveryValueThatDoesNotFit)
{
    EXPECT_EQ(loadError(R"({"servers": [{"name": "ACCT-FS1"}, {"name": "SALES"}, {"name": "acct-fs1"}]})"),
              QStringLiteral("net.json: servers[2].name: \"acct-fs1\" names the same server as servers[0]"));
    EXPECT_EQ(loadError(oneServer(R"("modules": [{"fileName": "A.QLM"}, {"fileName": "B.QLM",
                                     "version": {"major": 300}}])")),
              QStringLiteral("net.json: servers[0].modules[1].version.major: 300 does not fit in 8 bits"));
    EXPECT_EQ(loadError(oneServer(R"("sftLevel": -1)")),
              QStringLiteral("net.json: servers[0].sftLevel: -1 does not fit in 8 bits"));
    EXPECT_EQ(loadError(oneServer(R"("maxConnections": "0x10000")")),
              QStringLiteral("net.json: servers[0].maxConnections: \"0x10000\" does not fit in 16 bits"));
    EXPECT_EQ(loadError(oneServer(R"("cacheCount": 1.5)")),
              QStringLiteral("net.json: servers[0].cacheCount: 1.5 is not a whole number"));
    EXPECT_EQ(loadError(oneServer(R"("address": {"type": 1, "bytes": "0102030405060708090A0B0C0D0E"})")),
              QStringLiteral("net.json: servers[0].address.bytes: 14 bytes do not fit in the 13-byte address buffer"));
    EXPECT_EQ(loadError(oneServer(R"("dateTime": [98, 12, 8, 14, 5, 9, 256])")),
              QStringLiteral("net.json: servers[0].dateTime[6]: 256 does not fit in 8 bits"));
    EXPECT_EQ(loadError(oneServer(R"("reachable": "yes")")),
              QStringLiteral("net.json: servers[0].reachable: expected true or false, found text"));
}

TEST(NetworkLoader, NamesTheFieldOfEveryTextThatIsTooLong)
{
    const QByteArray name48(48, 'S');
    EXPECT_EQ(
        loadError(R"({"servers": [{"name": ")" + name48 + R"("}]})"),
        QStringLiteral("net.json: servers[0].name: \"SSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSS...\" is 48 bytes long; "
                       "at most 47 fit"));
    EXPECT_TRUE(loadNetworkFromJson(R"({"servers": [{"name": ")" + QByteArray(47, 'S') + R"("}]})", {}, nullptr));

    EXPECT_EQ(loadError(R"({"tree": "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456"})"),
              QStringLiteral("net.json: tree: \"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456\" is 33 bytes long; at most 32 fit"));
    EXPECT_EQ(loadError(oneServer(R"("volumes": [{"name": "SYS"}, {"name": "VOLUME_NAME_17_CH"}])")),
              QStringLiteral("net.json: servers[0].volumes[1].name: \"VOLUME_NAME_17_CH\" is 17 bytes long; "
                             "at most 16 fit"));
    EXPECT_EQ(loadError(oneServer(R"("volumes": [{"name": "SYS", "entries": [{"name": "PUBLIC", "entries": [
                                       {"name": "LONGFILENAME.TXT"}]}]}])")),
              QStringLiteral("net.json: servers[0].volumes[0].entries[0].entries[0].name: \"LONGFILENAME.TXT\" is 16 "
                             "bytes long; at most 14 fit"));
    EXPECT_EQ(loadError(oneServer(R"("modules": [{"fileName": "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345"}])")),
              QStringLiteral("net.json: servers[0].modules[0].fileName: \"ABCDEFGHIJKLMNOPQRSTUVWXYZ012345\" is 32 "
                             "bytes long; at most 31 fit"));
    EXPECT_EQ(loadError(oneServer(R"("description": {"revisionDate": "Wednesday, 30 September 1998"})")),
              QStringLiteral("net.json: servers[0].description.revisionDate: \"Wednesday, 30 September 1998\" is 28 "
                             "bytes long; at most 27 fit"));
    EXPECT_EQ(loadError(oneServer(R"("description": {"company": "Ω Corp"})")),
              QStringLiteral("net.json: servers[0].description.company: \"Ω Corp\" holds a character that "
                             "Windows-1252 cannot hold"));
}

TEST(NetworkLoader, RefusesUnknownFieldsOperationsAndServers)
{
    EXPECT_EQ(loadError(oneServer(R"("reachble": true)")),
              QStringLiteral("net.json: servers[0].reachble: unknown field"));
    EXPECT_EQ(loadError(oneServer(R"("faults": {"QXGetOSVersion": "0x89FB"})")),
              QStringLiteral("net.json: servers[0].faults.QXGetOSVersion: no such operation"));
    EXPECT_EQ(loadError(oneServer(R"("faults": {"QXCallsInit": 1})")),
              QStringLiteral("net.json: servers[0].faults.QXCallsInit: is not an operation on a server; "
                             "name it under workstation.faults"));
    EXPECT_EQ(loadError(oneServer(R"("faults": {"QXGetCacheInfo": 0})")),
              QStringLiteral("net.json: servers[0].faults.QXGetCacheInfo: 0 is success, not a fault"));
    EXPECT_EQ(loadError(R"({"servers": [{"name": "FS1"}], "workstation": {"primaryServer": "FS2"}})"),
              QStringLiteral("net.json: workstation.primaryServer: \"FS2\" is not a server of this network"));
    EXPECT_EQ(loadError(R"({"servers": [{"name": "FS1"}], "users": [{"name": "BOB", "consoleOperator": ["FS9"]}]})"),
              QStringLiteral("net.json: users[0].consoleOperator[0]: \"FS9\" is not a server of this network"));
    EXPECT_EQ(loadError(oneServer(R"("volumes": [{"name": "SYS"}, {"name": "VOL1", "number": 0}])")),
              QStringLiteral("net.json: servers[0].volumes[1].number: 0 is already the number of volume SYS"));
    EXPECT_EQ(loadError(oneServer(R"("modules": [{"fileName": "A.QLM", "id": 7}, {"fileName": "B.QLM", "id": 7}])")),
              QStringLiteral("net.json: servers[0].modules[1].id: 7 is already the id of servers[0].modules[0]"));
    EXPECT_EQ(loadError(oneServer(R"("volumes": [{"name": "SYS", "entries": [{"name": "A"}, {"name": "a"}]}])")),
              QStringLiteral("net.json: servers[0].volumes[0].entries[1].name: \"a\" is already an entry of this "
                             "directory"));
    EXPECT_EQ(loadError(oneServer(R"("name2": 1, "languages": [4])")),
              QStringLiteral("net.json: servers[0].name2: unknown field"));
    EXPECT_EQ(loadError(oneServer(R"("languages": [4])")),
              QStringLiteral("net.json: servers[0].languages: language directories need a volume named SYS"));
    EXPECT_EQ(loadError(R"({"servers": [{"name": "FS\\1"}]})"),
              QStringLiteral("net.json: servers[0].name: \"FS\\1\" holds a character not allowed in a name"));
    // The parser keeps one of two equal keys; the description is refused instead, naming the field.
    EXPECT_EQ(loadError(R"({"tree": "A", "servers": [], "tree": "B"})"), QStringLiteral("net.json: tree: given twice"));
    EXPECT_EQ(
        loadError(oneServer(R"("volumes": [{"name": "SYS"}, {"name": "V1", "date": "1998-01-01", "d\u0061te": 5}])")),
        QStringLiteral("net.json: servers[0].volumes[1].date: given twice"));
    EXPECT_EQ(loadError(oneServer(R"("faults": {"QXGetCacheInfo": {"code": 1, "volume": 1}})")),
              QStringLiteral("net.json: servers[0].faults.QXGetCacheInfo.volume: only QXGetVolumeName is asked about a "
                             "volume number"));
}

TEST(NetworkLoader, FillsTheModelFromEveryForm)
{
    const SimulatedNetwork n = loadOk(R"({
        "tree": "MY_TREE", "delayMs": 5,
        "workstation": {"primaryServer": "fs1", "callsVersion": {"major": 6, "minor": 0, "revision": 0},
                        "faults": {"QXDSLogin": -601}},
        "users": [{"name": "ADMIN", "password": "PW", "consoleOperator": "*"}],
        "servers": [{"name": "FS1", "dateTime": "2000-01-01 00:00:05", "serialNumber": "0x01020304",
                     "address": {"ip": "10.1.2.3"}, "delayMs": 0,
                     "faults": {"QXGetNetworkSerialNumber": "0x89FB"},
                     "volumes": [{"name": "SYS", "date": "1998-03-15", "time": "14:05:08", "entries": [
                         {"name": "PUBLIC", "entries": [{"name": "A.TXT", "size": 7, "attributes": "0x21"}]},
                         {"name": "DATA", "generatedFiles": 3}]}],
                     "languages": [4, 6],
                     "modules": [{"fileName": "X.QLM", "date": "1998-10-23", "type": -1}],
                     "generatedModules": 2},
                    {"name": "FS2", "tree": "", "address": {"type": 7, "bytes": "0A:0B", "length": 20}}]
    })");
    ASSERT_EQ(n.servers.size(), 2u);
    EXPECT_EQ(n.tree, "MY_TREE");
    EXPECT_EQ(n.delayMs, 5u);
    EXPECT_EQ(n.workstation.primaryServer, "fs1");
    EXPECT_FALSE(usesAlignedRecords(n.workstation.calls));
    EXPECT_EQ(n.workstation.faults.code(Op::QXDSLogin), 0xFFFFFDA7u);
    EXPECT_TRUE(n.users[0].consoleOperator.all);

    const Server &fs1 = n.servers[0];
    // 1 January 2000 was a Saturday; 946684805 seconds after 1 January 1970.
    EXPECT_EQ(fs1.dateTime, (qx::DateAndTime{100, 1, 1, 0, 0, 5, 6}));
    EXPECT_EQ(fs1.utcTime, 946684805u);
    EXPECT_EQ(fs1.serialNumber, 0x01020304u);
    EXPECT_EQ(fs1.delayMs, std::optional<quint32>(0));
    EXPECT_EQ(fs1.faults.code(Op::QXGetNetworkSerialNumber), 0x89FBu);
    EXPECT_EQ(fs1.faults.code(Op::QXGetOSVersionInfo), 0u);
    ASSERT_TRUE(fs1.address.has_value());
    EXPECT_EQ(fs1.address->type, 9u);
    EXPECT_EQ(fs1.address->bytes, QByteArray::fromHex("020C0A010203"));
    EXPECT_EQ(fs1.address->reportedLength(), 6u);

    const Volume *sys = fs1.volume("sys");
    ASSERT_NE(sys, nullptr);
    const DirEntry *file = sys->root.child("PUBLIC")->child("a.txt");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->attributes, 0x21);
    EXPECT_EQ(file->size, 7u);
    // Inherited stamp: ((1998 - 1980) << 9) | (3 << 5) | 15 and (14 << 11) | (5 << 5) | 8 / 2.
    EXPECT_EQ(file->date, 0x246F);
    EXPECT_EQ(file->time, 0x70A4);
    EXPECT_EQ(sys->root.child("DATA")->entryCount(), 3u);
    EXPECT_NE(sys->root.child("SYSTEM")->child("NLS")->child("6"), nullptr);

    ASSERT_EQ(fs1.modules.size(), 3u);
    EXPECT_EQ(fs1.modules[0].year, 1998u);
    EXPECT_EQ(fs1.modules[0].month, 10u);
    EXPECT_EQ(fs1.modules[0].day, 23u);
    EXPECT_EQ(fs1.modules[0].type, 0xFFFFFFFFu);
    EXPECT_EQ(fs1.modules[2].id, 3u);
    EXPECT_EQ(fs1.modules[2].fileName, "MOD0002.QLM");

    const Server &fs2 = n.servers[1];
    EXPECT_EQ(n.treeOf(fs2), "");
    EXPECT_EQ(fs2.address->bytes, QByteArray::fromHex("0A0B"));
    EXPECT_EQ(fs2.address->reportedLength(), 20u);
    EXPECT_FALSE(fs2.delayMs.has_value());
}

TEST(NetworkLoader, TheDemoNetworkLoadsAndShowsEachCase)
{
    QString error;
    const auto demo = loadNetwork(BuiltInNetwork, &error);
    ASSERT_TRUE(demo.has_value()) << error.toStdString();
    const SimulatedNetwork &n = *demo;
    EXPECT_GE(n.servers.size(), 8u);
    EXPECT_LE(n.servers.size(), 12u);
    EXPECT_EQ(n.tree, "CORP_TREE");
    EXPECT_TRUE(usesAlignedRecords(n.workstation.calls));
    EXPECT_EQ(n.workstation.requester.major, 4);
    EXPECT_GE(n.workstation.clientType, 3u);
    ASSERT_NE(n.server(n.workstation.primaryServer), nullptr);

    const auto any = [&](auto predicate) { return std::any_of(n.servers.begin(), n.servers.end(), predicate); };
    const auto addressType = [&](const Server &s) { return n.addressOf(n.serverIndex(s.name)).type; };
    EXPECT_TRUE(any([&](const Server &s) { return s.reachable && addressType(s) == qx::AddressTypeIpx; }));
    EXPECT_TRUE(any([&](const Server &s) { return s.reachable && addressType(s) == qx::AddressTypeIp; }));
    EXPECT_TRUE(any([](const Server &s) { return s.reachable && s.version.major == 3; }));
    EXPECT_TRUE(any([](const Server &s) { return s.reachable && !s.publicConsoleRights; }));
    EXPECT_TRUE(any([](const Server &s) { return !s.reachable; }));
    EXPECT_TRUE(any([](const Server &s) { return s.faults.code(Op::QXCCGetConnAddressLength) != 0; }));
    EXPECT_TRUE(any([](const Server &s) { return s.modules.size() > 128; }));
    EXPECT_TRUE(any([](const Server &s) {
        return s.faults.code(Op::QXGetOSVersionInfo) != 0 && s.faults.code(Op::QXGetNetworkSerialNumber) == 0x89FB;
    }));
    const auto hasDir = [](const Server &s, std::initializer_list<QByteArray> path) {
        const Volume *sys = s.volume("SYS");
        const DirEntry *dir = sys ? &sys->root : nullptr;
        for (const QByteArray &part : path)
            dir = dir ? dir->child(part) : nullptr;
        return dir != nullptr;
    };
    EXPECT_TRUE(any([&](const Server &s) { return s.reachable && !hasDir(s, {"PUBLIC", "WIN95"}); }));
    EXPECT_TRUE(any([&](const Server &s) { return hasDir(s, {"SYSTEM", "NLS", "6"}); }));
    EXPECT_TRUE(any([&](const Server &s) { return hasDir(s, {"SYSTEM", "NLS", "7"}); }));
}

TEST(NetworkLoader, PicksTheNetworkFromOptionEnvironmentOrBuiltIn)
{
    qunsetenv("SORVIK_NETWORK");
    EXPECT_EQ(chooseNetworkFile({}), QStringLiteral(":/data/demo-network.json"));
    EXPECT_EQ(networkFileFromArguments({QStringLiteral("sorvik"), QStringLiteral("scan")}), BuiltInNetwork);
    qputenv("SORVIK_NETWORK", "/tmp/env.json");
    EXPECT_EQ(chooseNetworkFile({}), QStringLiteral("/tmp/env.json"));
    EXPECT_EQ(chooseNetworkFile(QStringLiteral("mine.json")), QStringLiteral("mine.json"));
    EXPECT_EQ(
        networkFileFromArguments({QStringLiteral("sorvik"), QStringLiteral("--network"), QStringLiteral("a.json")}),
        QStringLiteral("a.json"));
    EXPECT_EQ(networkFileFromArguments({QStringLiteral("sorvik"), QStringLiteral("--network=b.json")}),
              QStringLiteral("b.json"));
    // A dangling option names nothing; the environment still applies.
    EXPECT_EQ(networkFileFromArguments({QStringLiteral("sorvik"), QStringLiteral("--network")}),
              QStringLiteral("/tmp/env.json"));
    qunsetenv("SORVIK_NETWORK");
}
