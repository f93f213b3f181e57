#pragma once

// The workstation client as the program sees it: server calls (QX), directory services (QXDS)
// and the connection layer (QXCC). Every operation returns a completion code, 0 on success;
// directory-services operations return a signed status. Records that the client fills are
// byte buffers read at fixed offsets (little-endian), exactly as the libraries deliver them,
// so that the collectors can be tested byte for byte and never trust a length they did not check.

#include <QByteArray>
#include <QtGlobal>

#include <array>
#include <cstdint>
#include <cstring>

namespace qx {

using Code = quint32;    // completion code of server-calls and connection-layer operations
using DsStatus = qint32; // status of directory-services operations
using Handle = quint32;  // connection handle; 0 means none
using Context = quint32; // directory-services context handle

// Completion codes with a meaning to the program.
constexpr Code Success = 0;
constexpr Code NoPrimaryConnection = 0x228F;
constexpr Code NoPrimaryConnectionAlt = 0x8831;
constexpr Code NoMoreEntries = 0x89FF; // directory search exhausted; also "invalid password" at login
constexpr Code NoConsoleRights = 0x89C6;
constexpr Code OutdatedClient = 0x8833;
constexpr Code NotAuthenticated = 0x89FB;
constexpr Code IntruderLockout = 0x89C5;
constexpr Code PasswordExpired = 0x89DF;
constexpr Code AlreadyAuthenticated = 0x8899;
constexpr Code NoSuchServer = 0x8847;      // server unknown or unreachable
constexpr Code InvalidConnection = 0x8801; // handle not open
constexpr Code NoSuchObject = 0x89FC;      // no bindery object of that name and type; a scan past the last one
constexpr Code NotSupported = 0x8802;      // the workstation client does not offer the call
constexpr Code NoSuchVolume = 0x8998;
constexpr Code InvalidPath = 0x899C;

constexpr DsStatus DsSuccess = 0;
constexpr DsStatus DsNoSuchEntry = -601;
constexpr DsStatus DsBadContext = -303;
constexpr DsStatus DsNoAuthenticationNeeded = -344;
constexpr DsStatus DsBadPassword = -669;
constexpr DsStatus DsBadHandle = -322;

// Arguments with fixed values in the program.
constexpr quint32 NameFormatBindery = 2;
constexpr quint32 OpenStateLicensed = 1;
constexpr quint32 OpenStateUnlicensed = 2;
constexpr quint32 TransportAny = 0x8000;
constexpr quint16 ObjectTypeFileServer = 0x0400; // bindery type 4, byte order of the interface
constexpr quint16 ObjectTypeUser = 0x0100;       // bindery type 1
constexpr quint32 AddressTypeIpx = 1;
constexpr quint32 AddressTypeIp = 9;
constexpr int AddressBufferSize = 13;
constexpr quint8 SearchDirectories = 0x16;
constexpr quint8 SearchFiles = 0x06;

// Context keys of QXDSGetContext / QXDSSetContext.
constexpr int ContextFlags = 1;
constexpr int ContextNameContext = 3;
constexpr int ContextTreeName = 11;

// Fixed-size record filled by the client. The buffer is always fully allocated; readers use the
// accessors, which are bounded by the record size.
template <std::size_t N> struct Record
{
    std::array<quint8, N> bytes{};
    static constexpr std::size_t size = N;

    quint8 u8(std::size_t at) const { return at < N ? bytes[at] : 0; }
    quint16 u16(std::size_t at) const { return quint16(u8(at) | (u8(at + 1) << 8)); }
    quint32 u32(std::size_t at) const { return quint32(u16(at)) | (quint32(u16(at + 2)) << 16); }
    void setU8(std::size_t at, quint8 v)
    {
        if (at < N)
            bytes[at] = v;
    }
    void setU16(std::size_t at, quint16 v)
    {
        setU8(at, quint8(v));
        setU8(at + 1, quint8(v >> 8));
    }
    void setU32(std::size_t at, quint32 v)
    {
        setU16(at, quint16(v));
        setU16(at + 2, quint16(v >> 16));
    }
    // Text of at most `width` bytes from `at`, up to the first NUL; never reads past the record.
    QByteArray text(std::size_t at, std::size_t width) const
    {
        if (at >= N)
            return {};
        const std::size_t limit = std::min(width, N - at);
        const auto *begin = reinterpret_cast<const char *>(bytes.data() + at);
        const void *nul = std::memchr(begin, 0, limit);
        return QByteArray(begin, nul ? int(static_cast<const char *>(nul) - begin) : int(limit));
    }
    // Copies text into [at, at + width), NUL-terminated when it fits; longer text is cut.
    void setText(std::size_t at, std::size_t width, const QByteArray &value)
    {
        for (std::size_t i = 0; i < width && at + i < N; ++i)
            bytes[at + i] = i < std::size_t(value.size()) ? quint8(value[qsizetype(i)]) : 0;
    }
};

// Text buffer of a given capacity (terminator included), as the client fills it.
template <std::size_t N> using TextBuffer = Record<N>;

inline QByteArray bufferText(const auto &buffer)
{
    return buffer.text(0, buffer.size);
}

// QXCCGetAllConnInfo, information level 1: tree name from byte 12, padded with underscores.
constexpr std::size_t ConnInfoTreeNameAt = 12;
constexpr std::size_t ConnInfoTreeNameWidth = 33;
using ConnInfoRecord = Record<48>;

// QXGetFileServerVersionInfo: 16-bit maximum connections ever used at byte 60.
using VersionInfoRecord = Record<128>;
// QXGetOSVersionInfo: bytes 10-16, 32-bit values 28-60, 16-bit application number at 64.
using OsVersionRecord = Record<68>;
// QXGetCacheInfo: 32-bit cache count (4 KB units) at byte 116.
using CacheInfoRecord = Record<128>;
// QXGetFileServerInfo: 32-bit QCP stations 12, peak 16, requests 20, packets serviced 140, routed 144.
using ServerInfoRecord = Record<148>;
// QXGetQLMLoadedList: 32-bit batch count at 16, module numbers from 20; room for 128.
constexpr std::size_t LoadedListCountAt = 16;
constexpr std::size_t LoadedListNumbersAt = 20;
constexpr std::size_t LoadedListCapacity = 128;
using LoadedListRecord = Record<LoadedListNumbersAt + 4 * LoadedListCapacity>;
// QXGetQLMInfo: 72-byte module record, see the collector for its offsets.
using ModuleRecord = Record<72>;
using ModuleFileName = TextBuffer<32>;
using ModuleDescription = TextBuffer<360>;
using ModuleCopyright = TextBuffer<1000>;
// QXIntFileSearchContinue: 36-byte entry record, packed or aligned layout.
using SearchEntryRecord = Record<36>;
// QXScanObject: 256-byte object name buffer.
using ObjectNameBuffer = TextBuffer<256>;
// QXGetFileServerInformation: 48-byte server name buffer.
constexpr std::size_t ServerNameCapacity = 48;
using ServerNameBuffer = TextBuffer<ServerNameCapacity>;
// QXGetVolumeName: 17-byte volume name buffer.
using VolumeNameBuffer = TextBuffer<17>;
// QXDSWhoAmI, QXDSGetBinderyContext, context texts.
using DsNameBuffer = TextBuffer<257>;

// QXGetFileServerDescription: four NUL-terminated texts.
struct ServerDescription
{
    TextBuffer<80> companyName;
    TextBuffer<80> revision;
    TextBuffer<28> revisionDate;
    TextBuffer<80> copyrightNotice;
};

// QXGetFileServerInformation outputs.
struct FileServerInformation
{
    ServerNameBuffer serverName;
    quint8 majorVersion = 0;
    quint8 minorVersion = 0;
    quint8 revision = 0;
    quint16 maxConnections = 0;
    quint16 maxConnectionsUsed = 0;
    quint16 connectionsInUse = 0;
    quint16 numberOfVolumes = 0;
    quint8 sftLevel = 0;
    quint8 ttsLevel = 0;
};

// QXGetFileServerDateAndTime: year since 1900, month, day, hour, minute, second, weekday (0 = Sunday).
using DateAndTime = std::array<quint8, 7>;

// Transport address record: type, length and a pointer to the caller's 13-byte buffer.
struct TransportAddress
{
    quint32 type = 0;
    quint32 length = 0;
    quint8 *buffer = nullptr;
};

// QXFileSearchInitialize outputs.
struct SearchStart
{
    quint8 volumeNumber = 0;
    quint16 directoryId = 0;
    quint16 sequence = 0;
    quint8 accessRights = 0;
};

} // namespace qx

class QxClient
{
public:
    virtual ~QxClient() = default;

    // Library start-up and workstation facts.
    virtual qx::Code QXCallsInit(void *reserved1, void *reserved2) = 0;
    virtual qx::Code QXGetRequesterVersion(quint8 &major, quint8 &minor, quint8 &revision) = 0;
    virtual qx::Code QXGetQXCallsVersion(quint8 &major, quint8 &minor, quint8 &revision, quint8 &beta) = 0;
    virtual quint32 QXGetClientType() = 0;

    // Connection layer.
    virtual qx::Code QXCCOpenConnByName(qx::Handle startConn, const QByteArray &name, quint32 nameFormat,
                                        quint32 openState, quint32 transport, qx::Handle &conn) = 0;
    virtual qx::Code QXCCGetPrimConnRef(quint32 &reference) = 0;
    virtual qx::Code QXCCOpenConnByRef(quint32 reference, quint32 openState, quint32 reserved, qx::Handle &conn) = 0;
    virtual qx::Code QXCCCloseConn(qx::Handle conn) = 0;
    virtual qx::Code QXCCGetAllConnInfo(qx::Handle conn, quint32 infoLevel, qx::ConnInfoRecord &info) = 0;
    virtual qx::Code QXCCGetConnAddressLength(qx::Handle conn, quint32 &length) = 0;
    // Fills address.type, address.length and `length` bytes of address.buffer (which the caller sizes).
    virtual qx::Code QXCCGetConnAddress(qx::Handle conn, quint32 length, qx::TransportAddress &address) = 0;

    // Directory services.
    virtual qx::DsStatus QXDSCreateContextHandle(qx::Context &context) = 0;
    virtual qx::DsStatus QXDSFreeContext(qx::Context context) = 0;
    virtual qx::DsStatus QXDSGetContext(qx::Context context, int key, quint32 &flags) = 0;
    virtual qx::DsStatus QXDSSetContext(qx::Context context, int key, quint32 flags) = 0;
    virtual qx::DsStatus QXDSSetContext(qx::Context context, int key, const QByteArray &text) = 0;
    virtual qx::DsStatus QXDSWhoAmI(qx::Context context, qx::DsNameBuffer &name) = 0;
    virtual qx::DsStatus QXDSGetBinderyContext(qx::Context context, qx::Handle conn,
                                               qx::DsNameBuffer &binderyContext) = 0;
    virtual qx::DsStatus QXDSAuthenticate(qx::Handle conn, quint32 optionFlags, void *sessionKey) = 0;
    virtual qx::DsStatus QXDSLogin(qx::Context context, quint32 optionFlags, const QByteArray &userName,
                                   const QByteArray &password, quint32 validityPeriod) = 0;
    virtual qx::Code QXLoginToFileServer(qx::Handle conn, const QByteArray &userName, quint16 objectType,
                                         const QByteArray &password) = 0;

    // Server calls.
    virtual qx::Code QXScanObject(qx::Handle conn, const QByteArray &searchName, quint16 objectType, quint32 &objectId,
                                  qx::ObjectNameBuffer &objectName) = 0;
    virtual qx::Code QXCheckConsolePrivileges(qx::Handle conn) = 0;
    virtual qx::Code QXGetFileServerInformation(qx::Handle conn, qx::FileServerInformation &info) = 0;
    virtual qx::Code QXGetFileServerVersionInfo(qx::Handle conn, qx::VersionInfoRecord &info) = 0;
    virtual qx::Code QXGetOSVersionInfo(qx::Handle conn, qx::OsVersionRecord &info) = 0;
    virtual qx::Code QXGetNetworkSerialNumber(qx::Handle conn, quint32 &serialNumber, quint16 &applicationNumber) = 0;
    virtual qx::Code QXGetFileServerDescription(qx::Handle conn, qx::ServerDescription &description) = 0;
    virtual qx::Code QXGetFileServerLoginStatus(qx::Handle conn, quint8 &loginEnabled) = 0;
    virtual qx::Code QXQueryAccountingInstalled(qx::Handle conn, quint8 &installed) = 0;
    virtual qx::Code QXGetFileServerUTCTime(qx::Handle conn, quint32 &time) = 0;
    virtual qx::Code QXGetFileServerDateAndTime(qx::Handle conn, qx::DateAndTime &dateTime) = 0;
    virtual qx::Code QXGetCacheInfo(qx::Handle conn, qx::CacheInfoRecord &info) = 0;
    virtual qx::Code QXGetFileServerInfo(qx::Handle conn, qx::ServerInfoRecord &info) = 0;
    virtual qx::Code QXGetVolumeName(qx::Handle conn, quint16 volumeNumber, qx::VolumeNameBuffer &name) = 0;
    virtual qx::Code QXGetQLMLoadedList(qx::Handle conn, quint32 startNumber, qx::LoadedListRecord &list) = 0;
    virtual qx::Code QXGetQLMInfo(qx::Handle conn, quint32 moduleNumber, qx::ModuleRecord &info,
                                  qx::ModuleFileName &fileName, qx::ModuleDescription &description,
                                  qx::ModuleCopyright &copyright) = 0;
    virtual qx::Code QXFileSearchInitialize(qx::Handle conn, quint8 dirHandle, const QByteArray &path,
                                            qx::SearchStart &start) = 0;
    // The record's layout (packed or aligned) follows the calls-library version of the workstation.
    virtual qx::Code QXIntFileSearchContinue(qx::Handle conn, quint8 volumeNumber, quint16 directoryId,
                                             quint16 sequence, quint8 searchAttributes, const QByteArray &pattern,
                                             qx::SearchEntryRecord &entry, quint32 reserved) = 0;

    // The workstation's own directory-exists test, for network paths such as \\FS1\SYS\SYSTEM\NLS\4.
    virtual bool networkDirectoryExists(const QByteArray &uncPath) = 0;

    // Helpers of the server-calls library; pure functions.
    static void QXUnpackDate(quint16 packed, int &day, int &month, int &year)
    {
        day = packed & 0x1F;
        month = (packed >> 5) & 0x0F;
        year = 1980 + (packed >> 9);
    }
    static void QXUnpackTime(quint16 packed, int &hours, int &minutes, int &seconds)
    {
        hours = packed >> 11;
        minutes = (packed >> 5) & 0x3F;
        seconds = (packed & 0x1F) * 2;
    }
    static quint32 QXLongSwap(quint32 value)
    {
        return (value >> 24) | ((value >> 8) & 0xFF00) | ((value << 8) & 0xFF0000) | (value << 24);
    }
};
