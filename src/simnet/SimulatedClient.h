#pragma once

// The workstation client served from a simulated network. It keeps the state a real client keeps:
// open connections, the primary connection, directory-services contexts and who is logged in
// where (bindery logins per server, one directory-tree login). Calls on a handle that is not open
// return 0x8801; a fault in the network makes the named operation return its code; an optional
// delay sleeps in every call. Calls may come from several threads at once: the state is guarded by
// one mutex, which is not held during the delay, so the delays of concurrent calls overlap.

#include "session/QxClient.h"
#include "simnet/SimulatedNetwork.h"

#include <QHash>

#include <map>
#include <mutex>
#include <vector>

class SimulatedClient final : public QxClient
{
public:
    static constexpr qx::Code InvalidParameter = 0x8836; // an argument the program never passes
    static constexpr quint32 PrimaryReferenceBase = 0x00300000;
    static constexpr qx::DsStatus DsBadKey = -331; // context key not offered
    static const QByteArray PublicIdentity;        // "[Public]"

    explicit SimulatedClient(sim::SimulatedNetwork network);
    ~SimulatedClient() override;
    Q_DISABLE_COPY_MOVE(SimulatedClient)

    const sim::SimulatedNetwork &network() const { return m_network; }

    // State for tests and benchmarks. A connection opened while the workstation had no primary one
    // became the workstation's primary connection: it belongs to the workstation, not to the
    // program, and is not counted among the program's open handles.
    int openHandleCount() const { return int(openHandles().size()); }
    std::vector<qx::Handle> openHandles() const;
    int openContextCount() const
    {
        const std::lock_guard lock(m_mutex);
        return int(m_contexts.size());
    }
    quint64 callCount() const
    {
        const std::lock_guard lock(m_mutex);
        return m_calls;
    }
    quint64 callCount(sim::Op op) const
    {
        const std::lock_guard lock(m_mutex);
        return m_opCalls[std::size_t(op)];
    }
    void resetCallCounts();
    // Name of the server a handle is open on; empty when the handle is not open.
    QByteArray serverOf(qx::Handle conn) const;
    // The identity that a new, authenticated connection to the server acts under.
    QByteArray identityOn(const QByteArray &server) const;
    // The directory-tree login, "[Public]" when there is none.
    QByteArray treeIdentity() const;

    qx::Code QXCallsInit(void *reserved1, void *reserved2) override;
    qx::Code QXGetRequesterVersion(quint8 &major, quint8 &minor, quint8 &revision) override;
    qx::Code QXGetQXCallsVersion(quint8 &major, quint8 &minor, quint8 &revision, quint8 &beta) override;
    quint32 QXGetClientType() override;

    qx::Code QXCCOpenConnByName(qx::Handle startConn, const QByteArray &name, quint32 nameFormat, quint32 openState,
                                quint32 transport, qx::Handle &conn) override;
    qx::Code QXCCGetPrimConnRef(quint32 &reference) override;
    qx::Code QXCCOpenConnByRef(quint32 reference, quint32 openState, quint32 reserved, qx::Handle &conn) override;
    qx::Code QXCCCloseConn(qx::Handle conn) override;
    qx::Code QXCCGetAllConnInfo(qx::Handle conn, quint32 infoLevel, qx::ConnInfoRecord &info) override;
    qx::Code QXCCGetConnAddressLength(qx::Handle conn, quint32 &length) override;
    qx::Code QXCCGetConnAddress(qx::Handle conn, quint32 length, qx::TransportAddress &address) override;

    qx::DsStatus QXDSCreateContextHandle(qx::Context &context) override;
    qx::DsStatus QXDSFreeContext(qx::Context context) override;
    qx::DsStatus QXDSGetContext(qx::Context context, int key, quint32 &flags) override;
    qx::DsStatus QXDSSetContext(qx::Context context, int key, quint32 flags) override;
    qx::DsStatus QXDSSetContext(qx::Context context, int key, const QByteArray &text) override;
    qx::DsStatus QXDSWhoAmI(qx::Context context, qx::DsNameBuffer &name) override;
    qx::DsStatus QXDSGetBinderyContext(qx::Context context, qx::Handle conn, qx::DsNameBuffer &binderyContext) override;
    qx::DsStatus QXDSAuthenticate(qx::Handle conn, quint32 optionFlags, void *sessionKey) override;
    qx::DsStatus QXDSLogin(qx::Context context, quint32 optionFlags, const QByteArray &userName,
                           const QByteArray &password, quint32 validityPeriod) override;
    qx::Code QXLoginToFileServer(qx::Handle conn, const QByteArray &userName, quint16 objectType,
                                 const QByteArray &password) override;

    qx::Code QXScanObject(qx::Handle conn, const QByteArray &searchName, quint16 objectType, quint32 &objectId,
                          qx::ObjectNameBuffer &objectName) override;
    qx::Code QXCheckConsolePrivileges(qx::Handle conn) override;
    qx::Code QXGetFileServerInformation(qx::Handle conn, qx::FileServerInformation &info) override;
    qx::Code QXGetFileServerVersionInfo(qx::Handle conn, qx::VersionInfoRecord &info) override;
    qx::Code QXGetOSVersionInfo(qx::Handle conn, qx::OsVersionRecord &info) override;
    qx::Code QXGetNetworkSerialNumber(qx::Handle conn, quint32 &serialNumber, quint16 &applicationNumber) override;
    qx::Code QXGetFileServerDescription(qx::Handle conn, qx::ServerDescription &description) override;
    qx::Code QXGetFileServerLoginStatus(qx::Handle conn, quint8 &loginEnabled) override;
    qx::Code QXQueryAccountingInstalled(qx::Handle conn, quint8 &installed) override;
    qx::Code QXGetFileServerUTCTime(qx::Handle conn, quint32 &time) override;
    qx::Code QXGetFileServerDateAndTime(qx::Handle conn, qx::DateAndTime &dateTime) override;
    qx::Code QXGetCacheInfo(qx::Handle conn, qx::CacheInfoRecord &info) override;
    qx::Code QXGetFileServerInfo(qx::Handle conn, qx::ServerInfoRecord &info) override;
    qx::Code QXGetVolumeName(qx::Handle conn, quint16 volumeNumber, qx::VolumeNameBuffer &name) override;
    qx::Code QXGetQLMLoadedList(qx::Handle conn, quint32 startNumber, qx::LoadedListRecord &list) override;
    qx::Code QXGetQLMInfo(qx::Handle conn, quint32 moduleNumber, qx::ModuleRecord &info, qx::ModuleFileName &fileName,
                          qx::ModuleDescription &description, qx::ModuleCopyright &copyright) override;
    qx::Code QXFileSearchInitialize(qx::Handle conn, quint8 dirHandle, const QByteArray &path,
                                    qx::SearchStart &start) override;
    qx::Code QXIntFileSearchContinue(qx::Handle conn, quint8 volumeNumber, quint16 directoryId, quint16 sequence,
                                     quint8 searchAttributes, const QByteArray &pattern, qx::SearchEntryRecord &entry,
                                     quint32 reserved) override;

    bool networkDirectoryExists(const QByteArray &uncPath) override;

private:
    struct Connection
    {
        int server = -1;
        bool treeAuthenticated = false;
        bool workstationOwned = false;
    };
    struct ContextState
    {
        quint32 flags = 0;
        QByteArray nameContext;
        QByteArray treeName;
    };
    // Search state of one server: directories get 16-bit ids when a search first reaches them.
    struct ServerIndex
    {
        QHash<quint32, std::size_t> modules;                               // module number -> position
        std::vector<std::pair<const sim::DirEntry *, quint8>> directories; // id - 1 -> directory, volume
        QHash<const sim::DirEntry *, quint16> directoryIds;
    };

    using Lock = std::unique_lock<std::mutex>;

    // Sleeps with the state's lock released.
    void sleepUnlocked(Lock &lock, quint32 delayMs);
    // Counts the call, sleeps the delay and applies the workstation's faults, then the server's;
    // returns the fault or 0. `subject` is the volume or module number the call is about. Every
    // call takes the lock first and holds it but for the delay.
    quint32 begin(Lock &lock, sim::Op op, int server = -1, std::optional<quint32> subject = {});
    // The same for a call on a connection; fills `server` when the handle is open.
    quint32 beginOnConnection(Lock &lock, sim::Op op, qx::Handle conn, const sim::Server *&server,
                              std::optional<quint32> subject = {});
    // A call that only hands out values of the server: the start of beginOnConnection, then `fill`
    // with the server on success.
    template <typename Fill> qx::Code readServer(sim::Op op, qx::Handle conn, Fill &&fill);
    // The start of a call on a directory-services context: `state` is set when the call may go on.
    qx::DsStatus beginOnContext(Lock &lock, sim::Op op, qx::Context context, ContextState *&state);
    quint32 faultOf(const sim::Faults &faults, sim::Op op, std::optional<quint32> subject);
    qx::Code openConnection(int server, qx::Handle &conn);
    bool consoleOperator(const Connection &connection) const;
    QByteArray identityOf(const Connection &connection) const;
    QByteArray treeLogin() const;
    bool inTree(const sim::Server &server) const;
    const sim::User *findUser(const QByteArray &name) const;
    const sim::DirEntry *findDirectory(const sim::Volume &volume, const QByteArrayList &parts) const;
    std::optional<quint16> directoryId(int server, const sim::DirEntry *directory, quint8 volume);
    void fillEntry(const sim::DirEntry &entry, quint16 sequence, qx::SearchEntryRecord &record) const;

    mutable std::mutex m_mutex;
    sim::SimulatedNetwork m_network;
    QHash<QByteArray, int> m_serverByName; // upper-case name -> position
    std::vector<ServerIndex> m_index;
    std::map<qx::Handle, Connection> m_connections;
    std::map<qx::Context, ContextState> m_contexts;
    qx::Handle m_nextHandle = 0x1001;
    qx::Context m_nextContext = 0x2001;
    int m_primaryServer = -1;
    std::vector<QByteArray> m_binderyLogins;         // per server; empty: nobody
    QByteArray m_treeLogin;                          // empty: nobody
    QHash<const sim::Fault *, quint64> m_faultCalls; // calls each selective fault has seen
    bool m_aligned = false;
    quint64 m_calls = 0;
    std::array<quint64, sim::OpCount> m_opCalls{};
};
