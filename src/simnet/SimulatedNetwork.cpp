#include "simnet/SimulatedNetwork.h"

#include <algorithm>

namespace sim {

namespace {

constexpr std::array<const char *, OpCount> kOpNames = {
    "QXCallsInit",
    "QXGetRequesterVersion",
    "QXGetQXCallsVersion",
    "QXCCOpenConnByName",
    "QXCCGetPrimConnRef",
    "QXCCOpenConnByRef",
    "QXCCCloseConn",
    "QXCCGetAllConnInfo",
    "QXCCGetConnAddressLength",
    "QXCCGetConnAddress",
    "QXDSCreateContextHandle",
    "QXDSFreeContext",
    "QXDSGetContext",
    "QXDSSetContext",
    "QXDSWhoAmI",
    "QXDSGetBinderyContext",
    "QXDSAuthenticate",
    "QXDSLogin",
    "QXLoginToFileServer",
    "QXScanObject",
    "QXCheckConsolePrivileges",
    "QXGetFileServerInformation",
    "QXGetFileServerVersionInfo",
    "QXGetOSVersionInfo",
    "QXGetNetworkSerialNumber",
    "QXGetFileServerDescription",
    "QXGetFileServerLoginStatus",
    "QXQueryAccountingInstalled",
    "QXGetFileServerUTCTime",
    "QXGetFileServerDateAndTime",
    "QXGetCacheInfo",
    "QXGetFileServerInfo",
    "QXGetVolumeName",
    "QXGetQLMLoadedList",
    "QXGetQLMInfo",
    "QXFileSearchInitialize",
    "QXIntFileSearchContinue",
};

bool sameName(const QByteArray &a, const QByteArray &b)
{
    return a.size() == b.size() && a.compare(b, Qt::CaseInsensitive) == 0;
}

// The first item whose name matches, letter case ignored; null when none does.
template <typename T> const T *findNamed(const std::vector<T> &items, const QByteArray &name)
{
    const auto it = std::find_if(items.begin(), items.end(), [&](const T &item) { return sameName(item.name, name); });
    return it == items.end() ? nullptr : &*it;
}

bool containsName(const std::vector<QByteArray> &names, const QByteArray &name)
{
    return std::any_of(names.begin(), names.end(), [&](const QByteArray &n) { return sameName(n, name); });
}

char upper(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

bool matchFrom(const QByteArray &pattern, qsizetype p, const QByteArray &name, qsizetype n)
{
    // Iterative match with one backtrack point per star: linear enough for 8.3 names.
    qsizetype starP = -1;
    qsizetype starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || upper(pattern[p]) == upper(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

} // namespace

const char *opName(Op op)
{
    const auto i = std::size_t(op);
    return i < OpCount ? kOpNames[i] : "";
}

std::optional<Op> opFromName(const QByteArray &name)
{
    for (std::size_t i = 0; i < OpCount; ++i) {
        if (name == kOpNames[i])
            return Op(i);
    }
    return std::nullopt;
}

bool isServerOp(Op op)
{
    switch (op) {
    case Op::QXCallsInit:
    case Op::QXGetRequesterVersion:
    case Op::QXGetQXCallsVersion:
    case Op::QXCCGetPrimConnRef:
    case Op::QXDSCreateContextHandle:
    case Op::QXDSFreeContext:
    case Op::QXDSGetContext:
    case Op::QXDSSetContext:
    case Op::QXDSWhoAmI:
    case Op::QXDSLogin:
    case Op::Count:
        return false;
    default:
        return true;
    }
}

DirEntry DirEntry::directory(const QByteArray &name, quint16 date, quint16 time)
{
    DirEntry entry;
    entry.name = name;
    entry.attributes = DirectoryAttribute;
    entry.date = date;
    entry.time = time;
    return entry;
}

DirEntry DirEntry::file(const QByteArray &name, quint32 size, quint16 date, quint16 time, quint8 attributes)
{
    DirEntry entry;
    entry.name = name;
    entry.attributes = quint8(attributes & ~DirectoryAttribute);
    entry.size = size;
    entry.date = date;
    entry.time = time;
    return entry;
}

const DirEntry *DirEntry::child(const QByteArray &childName) const
{
    return findNamed(entries, childName);
}

DirEntry *DirEntry::child(const QByteArray &childName)
{
    return const_cast<DirEntry *>(std::as_const(*this).child(childName));
}

DirEntry generatedFile(const DirEntry &directory, quint32 index)
{
    const quint32 number = index + 1;
    if (number > 9'999'999)
        return DirEntry::file("F" + QByteArray::number(number) + ".DAT", number * 512u, directory.date, directory.time);
    // Listings ask for one generated entry per call: the name is put together in place.
    char name[] = "F0000000.DAT";
    for (quint32 rest = number, at = 7; rest != 0; rest /= 10, --at)
        name[at] = char('0' + rest % 10);
    return DirEntry::file(QByteArray(name, sizeof name - 1), number * 512u, directory.date, directory.time);
}

Address Address::ipx(quint32 network, quint64 node, quint16 socket)
{
    Address address;
    address.type = qx::AddressTypeIpx;
    for (int shift = 24; shift >= 0; shift -= 8)
        address.bytes.append(char(network >> shift));
    for (int shift = 40; shift >= 0; shift -= 8)
        address.bytes.append(char(node >> shift));
    address.bytes.append(char(socket >> 8));
    address.bytes.append(char(socket));
    return address;
}

Address Address::ip(quint8 a, quint8 b, quint8 c, quint8 d, quint16 port)
{
    Address address;
    address.type = qx::AddressTypeIp;
    const char bytes[] = {char(port >> 8), char(port), char(a), char(b), char(c), char(d)};
    address.bytes = QByteArray(bytes, sizeof bytes);
    return address;
}

bool ServerSet::contains(const QByteArray &server) const
{
    return all || containsName(names, server);
}

const Volume *Server::volume(const QByteArray &volumeName) const
{
    return findNamed(volumes, volumeName);
}

Volume *Server::volume(const QByteArray &volumeName)
{
    return const_cast<Volume *>(std::as_const(*this).volume(volumeName));
}

int SimulatedNetwork::serverIndex(const QByteArray &name) const
{
    for (std::size_t i = 0; i < servers.size(); ++i) {
        if (sameName(servers[i].name, name))
            return int(i);
    }
    return -1;
}

const Server *SimulatedNetwork::server(const QByteArray &name) const
{
    const int i = serverIndex(name);
    return i < 0 ? nullptr : &servers[std::size_t(i)];
}

Server *SimulatedNetwork::server(const QByteArray &name)
{
    return const_cast<Server *>(std::as_const(*this).server(name));
}

Address SimulatedNetwork::addressOf(int index) const
{
    if (index < 0 || std::size_t(index) >= servers.size())
        return {};
    const Server &s = servers[std::size_t(index)];
    return s.address ? *s.address : Address::ipx(quint32(index + 1), 1, 0x0451);
}

quint16 dosDate(int year, int month, int day)
{
    return quint16(((year - 1980) << 9) | (month << 5) | day);
}

quint16 dosTime(int hours, int minutes, int seconds)
{
    return quint16((hours << 11) | (minutes << 5) | (seconds / 2));
}

bool usesAlignedRecords(const Version &calls)
{
    return calls.major >= 5 && calls.minor >= 2 && calls.revision >= 3;
}

void addLanguageDirectory(Server &server, int number)
{
    Volume *sys = server.volume("SYS");
    if (!sys)
        return;
    DirEntry *dir = &sys->root;
    for (const QByteArray &part : {QByteArray("SYSTEM"), QByteArray("NLS"), QByteArray::number(number)}) {
        DirEntry *next = dir->child(part);
        if (!next) {
            dir->entries.push_back(DirEntry::directory(part, dir->date, dir->time));
            next = &dir->entries.back();
        } else if (!next->isDirectory()) {
            return;
        }
        dir = next;
    }
}

void addGeneratedModules(Server &server, int count)
{
    static constexpr std::array<const char *, 6> kKinds = {"LAN driver", "disk driver", "name space",
                                                           "utility",    "library",     "file system"};
    static constexpr std::array<quint32, 6> kTypes = {1, 2, 3, 4, 0, 10};
    quint32 next = 1;
    for (const Module &m : server.modules)
        next = std::max(next, m.id + 1);
    for (int i = 0; i < count; ++i) {
        Module m;
        const auto k = std::size_t(i) % kKinds.size();
        m.id = next++;
        m.type = kTypes[k];
        m.version = Version{quint8(1 + i % 5), quint8(i % 20), 0, 0};
        m.year = 1996 + quint32(i % 3);
        m.month = 1 + quint32(i % 12);
        m.day = 1 + quint32(i % 28);
        m.bytesAvailable = 4096u * quint32(1 + i % 7);
        m.freeCount = quint32(i % 11);
        m.messageLanguage = 4;
        m.referencedPublics = quint32(10 + i % 90);
        m.fileName = "MOD" + QByteArray::number(i + 1).rightJustified(4, '0') + ".QLM";
        m.description = QByteArray("Generated ") + kKinds[k] + " " + QByteArray::number(i + 1);
        m.copyright = "(C) Copyright 1996-1998 Quarlix, Inc. All Rights Reserved.";
        server.modules.push_back(std::move(m));
    }
}

SimulatedNetwork generateNetwork(int serverCount, int modulesPerServer, quint32 filesPerDirectory)
{
    const quint16 date = dosDate(1998, 3, 15);
    const quint16 time = dosTime(14, 5, 8);
    const auto withFiles = [&](const QByteArray &name) {
        DirEntry dir = DirEntry::directory(name, date, time);
        dir.generatedFiles = filesPerDirectory;
        return dir;
    };
    Volume sys;
    sys.name = "SYS";
    sys.root = withFiles({});
    DirEntry publicDir = withFiles("PUBLIC");
    for (const char *kit : {"WIN95", "WIN32", "WINNT"})
        publicDir.entries.push_back(withFiles(kit));
    sys.root.entries.push_back(withFiles("SYSTEM"));
    sys.root.entries.push_back(std::move(publicDir));
    sys.root.entries.push_back(withFiles("ETC"));
    sys.root.entries.push_back(withFiles("LOGIN"));

    SimulatedNetwork network;
    network.servers.reserve(std::size_t(std::max(serverCount, 0)));
    for (int i = 0; i < serverCount; ++i) {
        Server server;
        server.name = "FS" + QByteArray::number(i + 1).rightJustified(4, '0');
        server.address = Address::ipx(0x00B00000u + quint32(i + 1), quint64(i + 1), 0x0451);
        server.serialNumber = 0x00100000u + quint32(i);
        server.volumes.push_back(sys);
        addLanguageDirectory(server, 4);
        addGeneratedModules(server, modulesPerServer);
        network.servers.push_back(std::move(server));
    }
    if (!network.servers.empty())
        network.workstation.primaryServer = network.servers.front().name;
    return network;
}

bool wildcardMatch(const QByteArray &pattern, const QByteArray &name)
{
    if (pattern == "*.*")
        return true;
    return matchFrom(pattern, 0, name, 0);
}

} // namespace sim
