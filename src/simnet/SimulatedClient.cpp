#include "simnet/SimulatedClient.h"

#include <QThread>

#include <algorithm>

using namespace sim;

const QByteArray SimulatedClient::PublicIdentity = QByteArrayLiteral("[Public]");

namespace {

constexpr quint16 FirstSequence = 0xFFFF; // "before the first entry"
constexpr quint32 LastPosition = 0xFFFE;  // highest entry position a 16-bit sequence can name
constexpr quint8 HiddenAttribute = 0x02;
constexpr quint8 SystemAttribute = 0x04;
constexpr quint16 UserObjectType = 0x0100;

bool sameName(const QByteArray &a, const QByteArray &b)
{
    return a.size() == b.size() && a.compare(b, Qt::CaseInsensitive) == 0;
}

QByteArrayList pathParts(const QByteArray &path)
{
    QByteArrayList parts;
    QByteArray current;
    for (const char c : path) {
        if (c == '\\' || c == '/') {
            if (!current.isEmpty())
                parts.append(current);
            current.clear();
        } else {
            current.append(c);
        }
    }
    if (!current.isEmpty())
        parts.append(current);
    return parts;
}

bool searchMatches(const DirEntry &entry, quint8 searchAttributes, const QByteArray &pattern)
{
    if (entry.isDirectory() != bool(searchAttributes & DirEntry::DirectoryAttribute))
        return false;
    if ((entry.attributes & HiddenAttribute) && !(searchAttributes & HiddenAttribute))
        return false;
    if ((entry.attributes & SystemAttribute) && !(searchAttributes & SystemAttribute))
        return false;
    return wildcardMatch(pattern, entry.name);
}

void copyVersion(const Version &v, quint8 &major, quint8 &minor, quint8 &revision)
{
    major = v.major;
    minor = v.minor;
    revision = v.revision;
}

// Writes the values as consecutive 32-bit fields, the first at byte `at`.
template <typename Record, typename... Values> void setU32s(Record &record, std::size_t at, Values... values)
{
    ((record.setU32(at, quint32(values)), at += 4), ...);
}

} // namespace

SimulatedClient::SimulatedClient(SimulatedNetwork network) : m_network(std::move(network))
{
    m_index.resize(m_network.servers.size());
    m_binderyLogins.resize(m_network.servers.size());
    for (std::size_t i = 0; i < m_network.servers.size(); ++i) {
        const Server &server = m_network.servers[i];
        m_serverByName.insert(server.name.toUpper(), int(i));
        for (std::size_t m = 0; m < server.modules.size(); ++m) {
            if (!m_index[i].modules.contains(server.modules[m].id))
                m_index[i].modules.insert(server.modules[m].id, m);
        }
    }
    m_primaryServer = m_network.workstation.primaryServer.isEmpty()
                          ? -1
                          : m_serverByName.value(m_network.workstation.primaryServer.toUpper(), -1);
    m_aligned = usesAlignedRecords(m_network.workstation.calls);
}

SimulatedClient::~SimulatedClient() = default;

std::vector<qx::Handle> SimulatedClient::openHandles() const
{
    const std::lock_guard lock(m_mutex);
    std::vector<qx::Handle> handles;
    handles.reserve(m_connections.size());
    for (const auto &[handle, connection] : m_connections) {
        if (!connection.workstationOwned)
            handles.push_back(handle);
    }
    return handles;
}

void SimulatedClient::resetCallCounts()
{
    const std::lock_guard lock(m_mutex);
    m_calls = 0;
    m_opCalls.fill(0);
}

QByteArray SimulatedClient::serverOf(qx::Handle conn) const
{
    const std::lock_guard lock(m_mutex);
    const auto it = m_connections.find(conn);
    return it == m_connections.end() ? QByteArray() : m_network.servers[std::size_t(it->second.server)].name;
}

QByteArray SimulatedClient::identityOn(const QByteArray &serverName) const
{
    const std::lock_guard lock(m_mutex);
    const int i = m_serverByName.value(serverName.toUpper(), -1);
    if (i < 0)
        return PublicIdentity;
    return identityOf(Connection{i, true});
}

QByteArray SimulatedClient::treeIdentity() const
{
    const std::lock_guard lock(m_mutex);
    return treeLogin();
}

QByteArray SimulatedClient::treeLogin() const
{
    return m_treeLogin.isEmpty() ? PublicIdentity : m_treeLogin;
}

quint32 SimulatedClient::faultOf(const Faults &faults, Op op, std::optional<quint32> subject)
{
    if (const quint32 code = faults.code(op))
        return code;
    for (const Fault &fault : faults.selective) {
        if (fault.op != op || (fault.subject && fault.subject != subject))
            continue;
        if (!fault.afterCalls)
            return fault.code;
        if (m_faultCalls[&fault]++ == *fault.afterCalls)
            return fault.code;
    }
    return 0;
}

void SimulatedClient::sleepUnlocked(Lock &lock, quint32 delayMs)
{
    if (delayMs == 0)
        return;
    lock.unlock();
    QThread::msleep(delayMs);
    lock.lock();
}

quint32 SimulatedClient::begin(Lock &lock, Op op, int server, std::optional<quint32> subject)
{
    ++m_calls;
    ++m_opCalls[std::size_t(op)];
    const Server *s = server >= 0 ? &m_network.servers[std::size_t(server)] : nullptr;
    sleepUnlocked(lock, s && s->delayMs ? *s->delayMs : m_network.delayMs);
    if (const quint32 fault = faultOf(m_network.workstation.faults, op, subject))
        return fault;
    return s ? faultOf(s->faults, op, subject) : 0;
}

template <typename Fill> qx::Code SimulatedClient::readServer(Op op, qx::Handle conn, Fill &&fill)
{
    Lock lock(m_mutex);
    const Server *s = nullptr;
    if (const quint32 code = beginOnConnection(lock, op, conn, s))
        return code;
    fill(*s);
    return qx::Success;
}

quint32 SimulatedClient::beginOnConnection(Lock &lock, Op op, qx::Handle conn, const Server *&server,
                                           std::optional<quint32> subject)
{
    server = nullptr;
    const auto it = m_connections.find(conn);
    if (it == m_connections.end()) {
        const quint32 fault = begin(lock, op, -1, subject);
        return fault ? fault : qx::InvalidConnection;
    }
    server = &m_network.servers[std::size_t(it->second.server)];
    return begin(lock, op, it->second.server, subject);
}

qx::Code SimulatedClient::openConnection(int server, qx::Handle &conn)
{
    if (!m_network.servers[std::size_t(server)].reachable)
        return qx::NoSuchServer;
    conn = m_nextHandle++;
    // A workstation without a primary connection takes its first connection as the primary one; that
    // connection is the workstation's from then on.
    const bool becomesPrimary = m_primaryServer < 0;
    m_connections.emplace(conn, Connection{server, false, becomesPrimary});
    if (becomesPrimary)
        m_primaryServer = server;
    return qx::Success;
}

bool SimulatedClient::inTree(const Server &server) const
{
    const QByteArray tree = m_network.treeOf(server);
    return !tree.isEmpty() && sameName(tree, m_network.tree);
}

const User *SimulatedClient::findUser(const QByteArray &name) const
{
    for (const User &user : m_network.users) {
        if (sameName(user.name, name))
            return &user;
    }
    return nullptr;
}

QByteArray SimulatedClient::identityOf(const Connection &connection) const
{
    const QByteArray &bindery = m_binderyLogins[std::size_t(connection.server)];
    if (!bindery.isEmpty())
        return bindery;
    if (connection.treeAuthenticated && !m_treeLogin.isEmpty() &&
        inTree(m_network.servers[std::size_t(connection.server)]))
        return m_treeLogin;
    return PublicIdentity;
}

bool SimulatedClient::consoleOperator(const Connection &connection) const
{
    const Server &server = m_network.servers[std::size_t(connection.server)];
    const QByteArray identity = identityOf(connection);
    if (identity == PublicIdentity)
        return server.publicConsoleRights;
    const User *user = findUser(identity);
    return user && user->consoleOperator.contains(server.name);
}

// ---- library start-up and workstation facts ----

qx::Code SimulatedClient::QXCallsInit(void *, void *)
{
    Lock lock(m_mutex);
    return begin(lock, Op::QXCallsInit);
}

qx::Code SimulatedClient::QXGetRequesterVersion(quint8 &major, quint8 &minor, quint8 &revision)
{
    Lock lock(m_mutex);
    if (const quint32 code = begin(lock, Op::QXGetRequesterVersion))
        return code;
    copyVersion(m_network.workstation.requester, major, minor, revision);
    return qx::Success;
}

qx::Code SimulatedClient::QXGetQXCallsVersion(quint8 &major, quint8 &minor, quint8 &revision, quint8 &beta)
{
    Lock lock(m_mutex);
    if (const quint32 code = begin(lock, Op::QXGetQXCallsVersion))
        return code;
    copyVersion(m_network.workstation.calls, major, minor, revision);
    beta = m_network.workstation.calls.beta;
    return qx::Success;
}

quint32 SimulatedClient::QXGetClientType()
{
    Lock lock(m_mutex);
    ++m_calls;
    sleepUnlocked(lock, m_network.delayMs);
    return m_network.workstation.clientType;
}

// ---- connection layer ----

qx::Code SimulatedClient::QXCCOpenConnByName(qx::Handle, const QByteArray &name, quint32 nameFormat, quint32 openState,
                                             quint32, qx::Handle &conn)
{
    Lock lock(m_mutex);
    conn = 0;
    const int server = name.isEmpty() ? -1 : m_serverByName.value(name.toUpper(), -1);
    if (const quint32 code = begin(lock, Op::QXCCOpenConnByName, server))
        return code;
    if (nameFormat != qx::NameFormatBindery ||
        (openState != qx::OpenStateLicensed && openState != qx::OpenStateUnlicensed))
        return InvalidParameter;
    if (server < 0)
        return qx::NoSuchServer;
    return openConnection(server, conn);
}

qx::Code SimulatedClient::QXCCGetPrimConnRef(quint32 &reference)
{
    Lock lock(m_mutex);
    if (const quint32 code = begin(lock, Op::QXCCGetPrimConnRef))
        return code;
    if (m_primaryServer < 0)
        return qx::NoPrimaryConnectionAlt;
    reference = PrimaryReferenceBase + quint32(m_primaryServer);
    return qx::Success;
}

qx::Code SimulatedClient::QXCCOpenConnByRef(quint32 reference, quint32 openState, quint32, qx::Handle &conn)
{
    Lock lock(m_mutex);
    conn = 0;
    const quint32 position = reference - PrimaryReferenceBase;
    const int server = reference >= PrimaryReferenceBase && position < m_network.servers.size() ? int(position) : -1;
    if (const quint32 code = begin(lock, Op::QXCCOpenConnByRef, server))
        return code;
    if (server < 0)
        return qx::InvalidConnection;
    if (openState != qx::OpenStateLicensed && openState != qx::OpenStateUnlicensed)
        return InvalidParameter;
    return openConnection(server, conn);
}

qx::Code SimulatedClient::QXCCCloseConn(qx::Handle conn)
{
    Lock lock(m_mutex);
    const auto it = m_connections.find(conn);
    if (it == m_connections.end()) {
        const quint32 fault = begin(lock, Op::QXCCCloseConn);
        return fault ? fault : qx::InvalidConnection;
    }
    const quint32 code = begin(lock, Op::QXCCCloseConn, it->second.server);
    // A failed release is reported, but the connection is gone all the same, so that handle
    // accounting in tests reflects what the program did rather than the injected fault.
    m_connections.erase(conn);
    return code;
}

qx::Code SimulatedClient::QXCCGetAllConnInfo(qx::Handle conn, quint32 infoLevel, qx::ConnInfoRecord &info)
{
    Lock lock(m_mutex);
    const Server *server = nullptr;
    if (const quint32 code = beginOnConnection(lock, Op::QXCCGetAllConnInfo, conn, server))
        return code;
    if (infoLevel != 1)
        return InvalidParameter;
    info = {};
    const QByteArray tree = m_network.treeOf(*server);
    if (!tree.isEmpty()) {
        // The name fills the field with underscores up to its last byte, which stays NUL.
        const auto width = qsizetype(qx::ConnInfoTreeNameWidth - 1);
        info.setText(qx::ConnInfoTreeNameAt, qx::ConnInfoTreeNameWidth, tree.leftJustified(width, '_', true));
    }
    return qx::Success;
}

qx::Code SimulatedClient::QXCCGetConnAddressLength(qx::Handle conn, quint32 &length)
{
    Lock lock(m_mutex);
    const Server *server = nullptr;
    if (const quint32 code = beginOnConnection(lock, Op::QXCCGetConnAddressLength, conn, server))
        return code;
    length = m_network.addressOf(m_connections[conn].server).reportedLength();
    return qx::Success;
}

qx::Code SimulatedClient::QXCCGetConnAddress(qx::Handle conn, quint32 length, qx::TransportAddress &address)
{
    Lock lock(m_mutex);
    const Server *server = nullptr;
    if (const quint32 code = beginOnConnection(lock, Op::QXCCGetConnAddress, conn, server))
        return code;
    if (!address.buffer)
        return InvalidParameter;
    const Address a = m_network.addressOf(m_connections[conn].server);
    // Never more than the 13-byte buffer, whatever length the caller passes.
    const auto count = std::min({std::size_t(length), std::size_t(a.bytes.size()), std::size_t(qx::AddressBufferSize)});
    std::copy_n(reinterpret_cast<const quint8 *>(a.bytes.constData()), count, address.buffer);
    address.type = a.type;
    address.length = a.reportedLength();
    return qx::Success;
}

// ---- directory services ----

qx::DsStatus SimulatedClient::QXDSCreateContextHandle(qx::Context &context)
{
    Lock lock(m_mutex);
    context = 0;
    if (const quint32 code = begin(lock, Op::QXDSCreateContextHandle))
        return qx::DsStatus(code);
    context = m_nextContext++;
    m_contexts.emplace(context, ContextState{});
    return qx::DsSuccess;
}

qx::DsStatus SimulatedClient::QXDSFreeContext(qx::Context context)
{
    Lock lock(m_mutex);
    if (const quint32 code = begin(lock, Op::QXDSFreeContext))
        return qx::DsStatus(code);
    return m_contexts.erase(context) ? qx::DsSuccess : qx::DsBadHandle;
}

qx::DsStatus SimulatedClient::beginOnContext(Lock &lock, Op op, qx::Context context, ContextState *&state)
{
    state = nullptr;
    if (const quint32 code = begin(lock, op))
        return qx::DsStatus(code);
    const auto it = m_contexts.find(context);
    if (it == m_contexts.end())
        return qx::DsBadHandle;
    state = &it->second;
    return qx::DsSuccess;
}

qx::DsStatus SimulatedClient::QXDSGetContext(qx::Context context, int key, quint32 &flags)
{
    Lock lock(m_mutex);
    ContextState *state = nullptr;
    if (const qx::DsStatus status = beginOnContext(lock, Op::QXDSGetContext, context, state))
        return status;
    if (key != qx::ContextFlags)
        return DsBadKey;
    flags = state->flags;
    return qx::DsSuccess;
}

qx::DsStatus SimulatedClient::QXDSSetContext(qx::Context context, int key, quint32 flags)
{
    Lock lock(m_mutex);
    ContextState *state = nullptr;
    if (const qx::DsStatus status = beginOnContext(lock, Op::QXDSSetContext, context, state))
        return status;
    if (key != qx::ContextFlags)
        return DsBadKey;
    state->flags = flags;
    return qx::DsSuccess;
}

qx::DsStatus SimulatedClient::QXDSSetContext(qx::Context context, int key, const QByteArray &text)
{
    Lock lock(m_mutex);
    ContextState *state = nullptr;
    if (const qx::DsStatus status = beginOnContext(lock, Op::QXDSSetContext, context, state))
        return status;
    if (key == qx::ContextNameContext)
        state->nameContext = text;
    else if (key == qx::ContextTreeName)
        state->treeName = text;
    else
        return DsBadKey;
    return qx::DsSuccess;
}

qx::DsStatus SimulatedClient::QXDSWhoAmI(qx::Context context, qx::DsNameBuffer &name)
{
    Lock lock(m_mutex);
    ContextState *state = nullptr;
    if (const qx::DsStatus status = beginOnContext(lock, Op::QXDSWhoAmI, context, state))
        return status;
    name = {};
    name.setText(0, name.size, treeLogin());
    return qx::DsSuccess;
}

qx::DsStatus SimulatedClient::QXDSGetBinderyContext(qx::Context context, qx::Handle conn,
                                                    qx::DsNameBuffer &binderyContext)
{
    Lock lock(m_mutex);
    const Server *server = nullptr;
    if (const quint32 code = beginOnConnection(lock, Op::QXDSGetBinderyContext, conn, server))
        return qx::DsStatus(code);
    if (!m_contexts.contains(context))
        return qx::DsBadHandle;
    binderyContext = {};
    binderyContext.setText(0, binderyContext.size, m_network.binderyContextOf(*server));
    return qx::DsSuccess;
}

qx::DsStatus SimulatedClient::QXDSAuthenticate(qx::Handle conn, quint32, void *)
{
    Lock lock(m_mutex);
    const Server *server = nullptr;
    if (const quint32 code = beginOnConnection(lock, Op::QXDSAuthenticate, conn, server))
        return qx::DsStatus(code);
    // Nothing to authenticate with: nobody is logged in to the tree, or the server is not in it.
    if (m_treeLogin.isEmpty() || !inTree(*server))
        return qx::DsNoAuthenticationNeeded;
    m_connections[conn].treeAuthenticated = true;
    return qx::DsSuccess;
}

qx::DsStatus SimulatedClient::QXDSLogin(qx::Context context, quint32, const QByteArray &userName,
                                        const QByteArray &password, quint32)
{
    Lock lock(m_mutex);
    ContextState *found = nullptr;
    if (const qx::DsStatus status = beginOnContext(lock, Op::QXDSLogin, context, found))
        return status;
    const ContextState &state = *found;
    constexpr auto TreeNotFound = qx::DsStatus(0x886F);
    constexpr auto OtherObjectAuthenticated = qx::DsStatus(0x8890);
    if (m_network.tree.isEmpty() || (!state.treeName.isEmpty() && !sameName(state.treeName, m_network.tree)))
        return TreeNotFound;
    const bool knownContext = state.nameContext.isEmpty() || state.nameContext == "[Root]" ||
                              sameName(state.nameContext, m_network.context) ||
                              std::any_of(m_network.users.begin(), m_network.users.end(), [&](const User &u) {
                                  return sameName(state.nameContext, m_network.contextOf(u));
                              });
    if (!knownContext)
        return qx::DsBadContext;

    // "NAME" or "NAME.CONTEXT" (a leading dot marks a name from the root).
    QByteArray name = userName.startsWith('.') ? userName.mid(1) : userName;
    QByteArray userContext;
    if (const qsizetype dot = name.indexOf('.'); dot >= 0) {
        userContext = name.mid(dot + 1);
        name.truncate(dot);
    }
    const User *user = findUser(name);
    if (!user || !user->inTree || (!userContext.isEmpty() && !sameName(userContext, m_network.contextOf(*user))))
        return qx::DsNoSuchEntry;
    if (user->password != password)
        return qx::DsBadPassword;
    if (!m_treeLogin.isEmpty() && !sameName(m_treeLogin, user->name))
        return OtherObjectAuthenticated;
    m_treeLogin = user->name;
    return qx::DsSuccess;
}

qx::Code SimulatedClient::QXLoginToFileServer(qx::Handle conn, const QByteArray &userName, quint16 objectType,
                                              const QByteArray &password)
{
    Lock lock(m_mutex);
    const Server *server = nullptr;
    if (const quint32 code = beginOnConnection(lock, Op::QXLoginToFileServer, conn, server))
        return code;
    const Connection &connection = m_connections[conn];
    const User *user = findUser(userName);
    if (objectType != UserObjectType || !user || !user->binderyServers.contains(server->name))
        return qx::NoSuchObject;
    if (identityOf(connection) != PublicIdentity)
        return qx::AlreadyAuthenticated;
    if (user->lockedOut)
        return qx::IntruderLockout;
    if (user->password != password)
        return qx::NoMoreEntries; // the server's "invalid password"
    if (user->passwordExpired)
        return qx::PasswordExpired;
    m_binderyLogins[std::size_t(connection.server)] = user->name;
    return qx::Success;
}

// ---- server calls ----

qx::Code SimulatedClient::QXScanObject(qx::Handle conn, const QByteArray &searchName, quint16 objectType,
                                       quint32 &objectId, qx::ObjectNameBuffer &objectName)
{
    Lock lock(m_mutex);
    const Server *server = nullptr;
    if (const quint32 code = beginOnConnection(lock, Op::QXScanObject, conn, server))
        return code;
    // Object ids are 1-based positions in the network's own order, so the next object after
    // id n is the one at position n.
    const std::size_t start = objectId == 0xFFFFFFFF ? 0 : std::size_t(objectId);
    if (objectType == qx::ObjectTypeFileServer) {
        for (std::size_t i = start; i < m_network.servers.size(); ++i) {
            if (wildcardMatch(searchName, m_network.servers[i].name)) {
                objectName = {};
                objectName.setText(0, objectName.size, m_network.servers[i].name);
                objectId = quint32(i + 1);
                return qx::Success;
            }
        }
    } else if (objectType == UserObjectType) {
        for (std::size_t i = start; i < m_network.users.size(); ++i) {
            const User &user = m_network.users[i];
            if (user.binderyServers.contains(server->name) && wildcardMatch(searchName, user.name)) {
                objectName = {};
                objectName.setText(0, objectName.size, user.name);
                objectId = quint32(i + 1);
                return qx::Success;
            }
        }
    }
    return qx::NoSuchObject;
}

qx::Code SimulatedClient::QXCheckConsolePrivileges(qx::Handle conn)
{
    Lock lock(m_mutex);
    const Server *server = nullptr;
    if (const quint32 code = beginOnConnection(lock, Op::QXCheckConsolePrivileges, conn, server))
        return code;
    return consoleOperator(m_connections[conn]) ? qx::Success : qx::NoConsoleRights;
}

qx::Code SimulatedClient::QXGetFileServerInformation(qx::Handle conn, qx::FileServerInformation &info)
{
    return readServer(Op::QXGetFileServerInformation, conn, [&](const Server &s) {
        info = {};
        info.serverName.setText(0, info.serverName.size, s.name);
        info.majorVersion = s.version.major;
        info.minorVersion = s.version.minor;
        info.revision = s.version.revision;
        info.maxConnections = s.maxConnections;
        info.maxConnectionsUsed = s.maxConnectionsEverUsed.value_or(s.connectionsInUse);
        info.connectionsInUse = s.connectionsInUse;
        info.numberOfVolumes = s.numberOfVolumes.value_or(quint16(s.volumes.size()));
        info.sftLevel = s.sftLevel;
        info.ttsLevel = s.ttsLevel;
    });
}

qx::Code SimulatedClient::QXGetFileServerVersionInfo(qx::Handle conn, qx::VersionInfoRecord &info)
{
    return readServer(Op::QXGetFileServerVersionInfo, conn, [&](const Server &s) {
        info = {};
        info.setText(0, qx::ServerNameCapacity, s.name);
        info.setU16(60, s.maxConnectionsEverUsed.value_or(s.connectionsInUse));
    });
}

qx::Code SimulatedClient::QXGetOSVersionInfo(qx::Handle conn, qx::OsVersionRecord &info)
{
    return readServer(Op::QXGetOSVersionInfo, conn, [&](const Server &s) {
        info = {};
        info.setU8(10, s.version.major);
        info.setU8(11, s.version.minor);
        info.setU8(12, s.version.revision);
        info.setU8(13, s.accountingVersion);
        info.setU8(16, s.securityRestrictionsLevel);
        // Bytes 28 to 63.
        setU32s(info, 28, s.maxLicensedConnections.value_or(s.maxConnections), s.nameSpaces, s.lans, s.mediaTypes,
                s.protocols, s.subdirectoryTreeDepth, s.dataStreams, s.spoolPrinters, s.serialNumber);
        info.setU16(64, s.applicationNumber);
    });
}

qx::Code SimulatedClient::QXGetNetworkSerialNumber(qx::Handle conn, quint32 &serialNumber, quint16 &applicationNumber)
{
    return readServer(Op::QXGetNetworkSerialNumber, conn, [&](const Server &s) {
        // This call delivers the serial number in the opposite byte order; the program swaps it back.
        serialNumber = QXLongSwap(s.serialNumber);
        applicationNumber = s.applicationNumber;
    });
}

qx::Code SimulatedClient::QXGetFileServerDescription(qx::Handle conn, qx::ServerDescription &description)
{
    return readServer(Op::QXGetFileServerDescription, conn, [&](const Server &s) {
        description = {};
        description.companyName.setText(0, description.companyName.size, s.companyName);
        description.revision.setText(0, description.revision.size, s.revisionText);
        description.revisionDate.setText(0, description.revisionDate.size, s.revisionDate);
        description.copyrightNotice.setText(0, description.copyrightNotice.size, s.copyrightNotice);
    });
}

qx::Code SimulatedClient::QXGetFileServerLoginStatus(qx::Handle conn, quint8 &loginEnabled)
{
    return readServer(Op::QXGetFileServerLoginStatus, conn,
                      [&](const Server &s) { loginEnabled = s.loginEnabled ? 1 : 0; });
}

qx::Code SimulatedClient::QXQueryAccountingInstalled(qx::Handle conn, quint8 &installed)
{
    return readServer(Op::QXQueryAccountingInstalled, conn,
                      [&](const Server &s) { installed = s.accountingInstalled ? 1 : 0; });
}

qx::Code SimulatedClient::QXGetFileServerUTCTime(qx::Handle conn, quint32 &time)
{
    return readServer(Op::QXGetFileServerUTCTime, conn, [&](const Server &s) { time = s.utcTime; });
}

qx::Code SimulatedClient::QXGetFileServerDateAndTime(qx::Handle conn, qx::DateAndTime &dateTime)
{
    return readServer(Op::QXGetFileServerDateAndTime, conn, [&](const Server &s) { dateTime = s.dateTime; });
}

qx::Code SimulatedClient::QXGetCacheInfo(qx::Handle conn, qx::CacheInfoRecord &info)
{
    return readServer(Op::QXGetCacheInfo, conn, [&](const Server &s) {
        info = {};
        info.setU32(116, s.cacheCount);
    });
}

qx::Code SimulatedClient::QXGetFileServerInfo(qx::Handle conn, qx::ServerInfoRecord &info)
{
    return readServer(Op::QXGetFileServerInfo, conn, [&](const Server &s) {
        info = {};
        info.setU32(12, s.qcpStations);
        info.setU32(16, s.qcpPeakStations);
        info.setU32(20, s.qcpRequests);
        info.setU32(140, s.packetsServiced);
        info.setU32(144, s.packetsRouted);
    });
}

qx::Code SimulatedClient::QXGetVolumeName(qx::Handle conn, quint16 volumeNumber, qx::VolumeNameBuffer &name)
{
    Lock lock(m_mutex);
    const Server *s = nullptr;
    if (const quint32 code = beginOnConnection(lock, Op::QXGetVolumeName, conn, s, volumeNumber))
        return code;
    if (volumeNumber > 254)
        return qx::NoSuchVolume;
    name = {};
    for (const Volume &volume : s->volumes) {
        if (volume.number == volumeNumber)
            name.setText(0, name.size, volume.name);
    }
    return qx::Success;
}

qx::Code SimulatedClient::QXGetQLMLoadedList(qx::Handle conn, quint32 startNumber, qx::LoadedListRecord &list)
{
    Lock lock(m_mutex);
    const Server *s = nullptr;
    if (const quint32 code = beginOnConnection(lock, Op::QXGetQLMLoadedList, conn, s))
        return code;
    if (!consoleOperator(m_connections[conn]))
        return qx::NoConsoleRights;
    list = {};
    const std::size_t total = s->modules.size();
    const std::size_t count = startNumber < total ? std::min(total - startNumber, qx::LoadedListCapacity) : 0;
    list.setU32(0, quint32(total));
    list.setU32(qx::LoadedListCountAt, quint32(count));
    for (std::size_t i = 0; i < count; ++i)
        list.setU32(qx::LoadedListNumbersAt + 4 * i, s->modules[startNumber + i].id);
    return qx::Success;
}

qx::Code SimulatedClient::QXGetQLMInfo(qx::Handle conn, quint32 moduleNumber, qx::ModuleRecord &info,
                                       qx::ModuleFileName &fileName, qx::ModuleDescription &description,
                                       qx::ModuleCopyright &copyright)
{
    Lock lock(m_mutex);
    const Server *s = nullptr;
    if (const quint32 code = beginOnConnection(lock, Op::QXGetQLMInfo, conn, s, moduleNumber))
        return code;
    const Connection &connection = m_connections[conn];
    if (!consoleOperator(connection))
        return qx::NoConsoleRights;
    const auto &modules = m_index[std::size_t(connection.server)].modules;
    const auto it = modules.constFind(moduleNumber);
    if (it == modules.constEnd())
        return InvalidParameter;
    const Module &m = s->modules[*it];
    info = {};
    // Bytes 12 to 71.
    setU32s(info, 12, m.id, m.flags, m.type, m.parentId, m.version.major, m.version.minor, m.version.revision, m.year,
            m.month, m.day, m.bytesAvailable, m.freeCount, m.lastGarbageCollection, m.messageLanguage,
            m.referencedPublics);
    fileName = {};
    fileName.setText(0, fileName.size, m.fileName);
    description = {};
    description.setText(0, description.size, m.description);
    copyright = {};
    copyright.setText(0, copyright.size, m.copyright);
    return qx::Success;
}

const DirEntry *SimulatedClient::findDirectory(const Volume &volume, const QByteArrayList &parts) const
{
    const DirEntry *dir = &volume.root;
    for (const QByteArray &part : parts) {
        dir = dir->child(part);
        if (!dir || !dir->isDirectory())
            return nullptr;
    }
    return dir;
}

std::optional<quint16> SimulatedClient::directoryId(int server, const DirEntry *directory, quint8 volume)
{
    ServerIndex &index = m_index[std::size_t(server)];
    if (const auto it = index.directoryIds.constFind(directory); it != index.directoryIds.constEnd())
        return *it;
    if (index.directories.size() >= LastPosition)
        return std::nullopt;
    index.directories.emplace_back(directory, volume);
    const auto id = quint16(index.directories.size());
    index.directoryIds.insert(directory, id);
    return id;
}

qx::Code SimulatedClient::QXFileSearchInitialize(qx::Handle conn, quint8 dirHandle, const QByteArray &path,
                                                 qx::SearchStart &start)
{
    Lock lock(m_mutex);
    const Server *s = nullptr;
    if (const quint32 code = beginOnConnection(lock, Op::QXFileSearchInitialize, conn, s))
        return code;
    if (dirHandle != 0)
        return InvalidParameter;
    const qsizetype colon = path.indexOf(':');
    if (colon <= 0)
        return qx::InvalidPath;
    const Volume *volume = s->volume(path.left(colon));
    if (!volume)
        return qx::NoSuchVolume;
    const DirEntry *directory = findDirectory(*volume, pathParts(path.mid(colon + 1)));
    if (!directory)
        return qx::InvalidPath;
    const auto id = directoryId(m_connections[conn].server, directory, volume->number);
    if (!id)
        return qx::InvalidPath;
    start.volumeNumber = volume->number;
    start.directoryId = *id;
    start.sequence = FirstSequence;
    start.accessRights = 0xFF;
    return qx::Success;
}

void SimulatedClient::fillEntry(const DirEntry &entry, quint16 sequence, qx::SearchEntryRecord &record) const
{
    record = {};
    record.setU16(0, sequence);
    record.setText(4, 15, entry.name);
    record.setU8(19, entry.attributes);
    if (entry.isDirectory()) {
        record.setU16(m_aligned ? 22 : 21, entry.date);
        record.setU16(m_aligned ? 24 : 23, entry.time);
    } else {
        record.setU32(m_aligned ? 24 : 21, entry.size);
        record.setU16(m_aligned ? 32 : 29, entry.date);
        record.setU16(m_aligned ? 34 : 31, entry.time);
    }
}

qx::Code SimulatedClient::QXIntFileSearchContinue(qx::Handle conn, quint8 volumeNumber, quint16 directoryId,
                                                  quint16 sequence, quint8 searchAttributes, const QByteArray &pattern,
                                                  qx::SearchEntryRecord &entry, quint32)
{
    Lock lock(m_mutex);
    const Server *s = nullptr;
    if (const quint32 code = beginOnConnection(lock, Op::QXIntFileSearchContinue, conn, s))
        return code;
    const ServerIndex &index = m_index[std::size_t(m_connections[conn].server)];
    if (directoryId == 0 || directoryId > index.directories.size())
        return qx::InvalidPath;
    const auto &[directory, volume] = index.directories[directoryId - 1];
    if (volume != volumeNumber)
        return qx::NoSuchVolume;

    const quint32 listed = quint32(directory->entries.size());
    // Generated entries are all files; a directory search need not visit them.
    const quint32 end =
        std::min(searchAttributes & DirEntry::DirectoryAttribute ? listed : directory->entryCount(), LastPosition + 1);
    for (quint32 position = sequence == FirstSequence ? 0 : quint32(sequence) + 1; position < end; ++position) {
        if (position < listed) {
            const DirEntry &candidate = directory->entries[position];
            if (searchMatches(candidate, searchAttributes, pattern)) {
                fillEntry(candidate, quint16(position), entry);
                return qx::Success;
            }
        } else {
            const DirEntry candidate = generatedFile(*directory, position - listed);
            if (searchMatches(candidate, searchAttributes, pattern)) {
                fillEntry(candidate, quint16(position), entry);
                return qx::Success;
            }
        }
    }
    return qx::NoMoreEntries;
}

bool SimulatedClient::networkDirectoryExists(const QByteArray &uncPath)
{
    Lock lock(m_mutex);
    ++m_calls;
    sleepUnlocked(lock, m_network.delayMs);
    if (!(uncPath.startsWith("\\\\") || uncPath.startsWith("//")))
        return false;
    const QByteArrayList parts = pathParts(uncPath);
    if (parts.size() < 2)
        return false;
    const int server = m_serverByName.value(parts[0].toUpper(), -1);
    if (server < 0 || !m_network.servers[std::size_t(server)].reachable)
        return false;
    const Volume *volume = m_network.servers[std::size_t(server)].volume(parts[1]);
    return volume && findDirectory(*volume, parts.mid(2));
}
