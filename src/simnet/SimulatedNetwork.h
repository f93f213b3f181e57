#pragma once

// The network that the simulated workstation client serves: servers with every value their
// records carry, volumes with directory trees, loaded modules, the directory tree, users, the
// workstation itself and the faults to inject. Plain structs, built by the loader from a JSON
// description (docs/network.md) or directly by tests and benchmarks. Texts are Windows-1252 bytes.

#include "session/QxClient.h"

#include <QByteArray>
#include <QtGlobal>

#include <array>
#include <optional>
#include <vector>

namespace sim {

// Operations of the workstation client that a fault can name. QXGetClientType returns a value,
// not a code, and the helpers are pure functions, so neither is here.
enum class Op : int
{
    QXCallsInit,
    QXGetRequesterVersion,
    QXGetQXCallsVersion,
    QXCCOpenConnByName,
    QXCCGetPrimConnRef,
    QXCCOpenConnByRef,
    QXCCCloseConn,
    QXCCGetAllConnInfo,
    QXCCGetConnAddressLength,
    QXCCGetConnAddress,
    QXDSCreateContextHandle,
    QXDSFreeContext,
    QXDSGetContext,
    QXDSSetContext,
    QXDSWhoAmI,
    QXDSGetBinderyContext,
    QXDSAuthenticate,
    QXDSLogin,
    QXLoginToFileServer,
    QXScanObject,
    QXCheckConsolePrivileges,
    QXGetFileServerInformation,
    QXGetFileServerVersionInfo,
    QXGetOSVersionInfo,
    QXGetNetworkSerialNumber,
    QXGetFileServerDescription,
    QXGetFileServerLoginStatus,
    QXQueryAccountingInstalled,
    QXGetFileServerUTCTime,
    QXGetFileServerDateAndTime,
    QXGetCacheInfo,
    QXGetFileServerInfo,
    QXGetVolumeName,
    QXGetQLMLoadedList,
    QXGetQLMInfo,
    QXFileSearchInitialize,
    QXIntFileSearchContinue,
    Count
};
constexpr std::size_t OpCount = std::size_t(Op::Count);

const char *opName(Op op);
std::optional<Op> opFromName(const QByteArray &name);
// Whether the operation works on one server (through a connection, a server name or the primary
// connection reference), so that a server's faults can name it.
bool isServerOp(Op op);

// A fault that hits only some calls of its operation: those about one volume number
// (QXGetVolumeName) or module number (QXGetQLMInfo), and, with `afterCalls`, only the one call
// that follows that many such calls.
struct Fault
{
    Op op = Op::Count;
    quint32 code = 0;
    std::optional<quint32> subject;
    std::optional<quint64> afterCalls;
};

// Completion code per operation for every call; 0 means no fault. Directory-services statuses are
// kept as their 32-bit pattern (-601 as 0xFFFFFDA7). `selective` faults come after these.
struct Faults
{
    std::array<quint32, OpCount> codes{};
    std::vector<Fault> selective;

    void set(Op op, quint32 code) { codes[std::size_t(op)] = code; }
    quint32 code(Op op) const { return codes[std::size_t(op)]; }
    void add(const Fault &fault) { selective.push_back(fault); }
};

struct Version
{
    quint8 major = 0;
    quint8 minor = 0;
    quint8 revision = 0;
    quint8 beta = 0; // only the calls library reports it
};

// One entry of a volume's directory tree. Directories carry the attribute bit 0x10 and their
// contents; `generatedFiles` adds that many synthetic files after the listed entries (see
// generatedFile), which keeps large benchmark trees cheap.
struct DirEntry
{
    QByteArray name; // at most 14 bytes: the search record holds 15 with the NUL
    quint8 attributes = 0x20;
    quint32 size = 0; // files only
    quint16 date = 0; // DOS date word
    quint16 time = 0; // DOS time word
    std::vector<DirEntry> entries;
    quint32 generatedFiles = 0;

    bool isDirectory() const { return attributes & DirectoryAttribute; }
    quint32 entryCount() const { return quint32(entries.size()) + generatedFiles; }

    static constexpr quint8 DirectoryAttribute = 0x10;
    static DirEntry directory(const QByteArray &name, quint16 date = 0, quint16 time = 0);
    static DirEntry file(const QByteArray &name, quint32 size, quint16 date = 0, quint16 time = 0,
                         quint8 attributes = 0x20);
    // Finds a direct child by name, letter case ignored; null when missing.
    const DirEntry *child(const QByteArray &name) const;
    DirEntry *child(const QByteArray &name);
};

// Entry `index` (0-based among the generated ones) of a directory with generated files:
// name "F" + seven digits of index + 1 + ".DAT", attributes 0x20, size (index + 1) * 512,
// the directory's own date and time.
DirEntry generatedFile(const DirEntry &directory, quint32 index);

struct Volume
{
    quint8 number = 0; // 0 to 254
    QByteArray name;   // at most 16 bytes
    DirEntry root = DirEntry::directory({});
};

// One loaded module: the fields of the 72-byte module record and its three texts.
struct Module
{
    quint32 id = 0; // also the module number of the loaded list
    quint32 flags = 0;
    quint32 type = 0;
    quint32 parentId = 0;
    Version version;
    quint32 year = 1998;
    quint32 month = 1;
    quint32 day = 1;
    quint32 bytesAvailable = 0;
    quint32 freeCount = 0;
    quint32 lastGarbageCollection = 0;
    quint32 messageLanguage = 4;
    quint32 referencedPublics = 0;
    QByteArray fileName;    // at most 31 bytes
    QByteArray description; // at most 359 bytes
    QByteArray copyright;   // at most 999 bytes
};

struct Address
{
    quint32 type = qx::AddressTypeIpx;
    QByteArray bytes;              // at most 13 bytes
    std::optional<quint32> length; // reported length; by default the number of bytes

    quint32 reportedLength() const { return length.value_or(quint32(bytes.size())); }
    static Address ipx(quint32 network, quint64 node, quint16 socket);
    static Address ip(quint8 a, quint8 b, quint8 c, quint8 d, quint16 port = 524);
};

// A set of servers by name: every server, or the ones listed.
struct ServerSet
{
    bool all = false;
    std::vector<QByteArray> names;

    bool contains(const QByteArray &server) const;
};

struct Server
{
    QByteArray name; // at most 47 bytes
    bool reachable = true;
    // Operating system version, reported by both the server information and the OS version record.
    Version version{4, 11, 0, 0};
    quint8 sftLevel = 2;
    quint8 ttsLevel = 1;
    quint16 maxConnections = 250;
    quint16 connectionsInUse = 12;
    std::optional<quint16> maxConnectionsEverUsed; // default: connections in use
    std::optional<quint16> numberOfVolumes;        // default: the number of volumes
    // OS version record.
    quint8 accountingVersion = 1;
    quint8 securityRestrictionsLevel = 1;
    std::optional<quint32> maxLicensedConnections; // default: maximum connections
    quint32 nameSpaces = 2;
    quint32 lans = 4;
    quint32 mediaTypes = 5;
    quint32 protocols = 4;
    quint32 subdirectoryTreeDepth = 25;
    quint32 dataStreams = 2;
    quint32 spoolPrinters = 16;
    quint32 serialNumber = 0;
    quint16 applicationNumber = 0;
    // Description texts: at most 79, 79, 27 and 79 bytes.
    QByteArray companyName = "Quarlix, Inc.";
    QByteArray revisionText;
    QByteArray revisionDate;
    QByteArray copyrightNotice;
    bool loginEnabled = true;
    bool accountingInstalled = false;
    qx::DateAndTime dateTime{98, 12, 8, 14, 5, 9, 2};
    quint32 utcTime = 913125909; // the default date and time, seconds since 1970
    quint32 cacheCount = 8192;   // 4 KB units
    quint32 qcpStations = 12;
    quint32 qcpPeakStations = 40;
    quint32 qcpRequests = 1000000;
    quint32 packetsServiced = 2000000;
    quint32 packetsRouted = 0;
    std::optional<Address> address;           // default: IPX network (position + 1), node 1, socket 0x0451
    std::optional<QByteArray> tree;           // default: the network's tree; empty: not in a tree
    std::optional<QByteArray> binderyContext; // default: the network's context
    bool publicConsoleRights = true;          // whether "[Public]" is a console operator here
    std::vector<Volume> volumes;
    std::vector<Module> modules;
    Faults faults;
    std::optional<quint32> delayMs; // replaces the network's delay for calls on this server

    const Volume *volume(const QByteArray &name) const;
    Volume *volume(const QByteArray &name);
};

struct User
{
    QByteArray name;
    QByteArray password;                // compared exactly; the program sends it in upper case
    std::optional<QByteArray> context;  // default: the network's context
    ServerSet binderyServers{true, {}}; // servers whose bindery holds the user
    bool inTree = true;                 // whether the directory tree holds the user
    ServerSet consoleOperator;          // servers where the user is a console operator
    bool lockedOut = false;
    bool passwordExpired = false;
};

struct Workstation
{
    QByteArray primaryServer; // empty: no primary connection
    Version requester{4, 30, 0, 0};
    Version calls{5, 2, 3, 0};
    quint32 clientType = 3;
    Faults faults; // apply to every call of the operation
};

struct SimulatedNetwork
{
    QByteArray tree = "CORP_TREE"; // at most 32 bytes; empty: no directory tree
    QByteArray context = "CORP";
    quint32 delayMs = 0; // per client call
    Workstation workstation;
    std::vector<User> users;
    std::vector<Server> servers;

    // Position of the server of that name (letter case ignored), or -1.
    int serverIndex(const QByteArray &name) const;
    const Server *server(const QByteArray &name) const;
    Server *server(const QByteArray &name);
    // The values that default to something else in the network.
    QByteArray treeOf(const Server &server) const { return server.tree.value_or(tree); }
    QByteArray binderyContextOf(const Server &server) const { return server.binderyContext.value_or(context); }
    QByteArray contextOf(const User &user) const { return user.context.value_or(context); }
    Address addressOf(int serverIndex) const;
};

// DOS date and time words as the directory records carry them.
quint16 dosDate(int year, int month, int day);
quint16 dosTime(int hours, int minutes, int seconds);

// Whether directory records use the aligned layout: calls library at least 5.2.3, each of the
// three numbers compared on its own (6.0.0 does not qualify).
bool usesAlignedRecords(const Version &calls);

// Creates SYS:\SYSTEM\NLS\<number> (and the directories above it) on a server with a SYS volume.
void addLanguageDirectory(Server &server, int number);
// Appends `count` modules named MODnnnn.QLM with ids after the highest one present.
void addGeneratedModules(Server &server, int count);

// A network for benchmarks: servers FS0001, FS0002, ... with distinct IPX addresses, the given number of
// modules each, and a SYS volume whose root and report directories (SYSTEM, PUBLIC, PUBLIC\WIN95,
// PUBLIC\WIN32, PUBLIC\WINNT, ETC, LOGIN) each hold `filesPerDirectory` generated files. The first
// server is the primary connection.
SimulatedNetwork generateNetwork(int serverCount, int modulesPerServer, quint32 filesPerDirectory);

// Case-insensitive match of a name against a pattern of "*" and "?" wildcards; "*.*" matches all.
bool wildcardMatch(const QByteArray &pattern, const QByteArray &name);

} // namespace sim
