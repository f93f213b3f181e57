#include "client/TfrmGeneral.h"

#include "platform/Locale.h"
#include "platform/Windows1252.h"
#include "session/Session.h"

#include <array>

namespace {

QByteArray decimal(quint32 value)
{
    return QByteArray::number(value);
}
QByteArray trueFalse(quint8 flag)
{
    return flag != 0 ? QByteArrayLiteral("True") : QByteArrayLiteral("False");
}

QByteArray hexByte(quint8 value)
{
    static const char digits[] = "0123456789ABCDEF";
    const char pair[2] = {digits[value >> 4], digits[value & 0x0F]};
    return QByteArray(pair, 2);
}

// Directory numbers under SYS:\SYSTEM\NLS and their names, in the order they are tried.
struct Language
{
    int number;
    const char *name;
};
constexpr std::array<Language, 22> kLanguages{{
    {4, "English"},
    {0, "French Canadian"},
    {6, "French France"},
    {1, "Chinese Simplified"},
    {16, "Chinese Traditional"},
    {21, "Czech"},
    {2, "Danish"},
    {3, "Dutch"},
    {5, "Finnish"},
    {7, "German"},
    {20, "Hungarian"},
    {8, "Italian"},
    {9, "Japanese"},
    {10, "Korean"},
    {11, "Norwegian"},
    {17, "Polish"},
    {12, "Portuguese Brazil"},
    {18, "Portuguese Portugal"},
    {13, "Russian"},
    {14, "Spanish Latin America"},
    {19, "Spanish Spain"},
    {15, "Swedish"},
}};

constexpr std::array<const char *, 7> kDayNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                "Thursday", "Friday", "Saturday"};

} // namespace

TfrmGeneral::TfrmGeneral(Session &session)
    : m_session(session), m_connection(session), m_thousands(Locale::groupSeparatorBytes())
{
}

TfrmGeneral::~TfrmGeneral() = default;

void TfrmGeneral::addRow(const char *label, const QByteArray &value)
{
    m_rows.add({QByteArray(label), value});
}

void TfrmGeneral::collect()
{
    m_rows.clear();
    if (!m_connection.open())
        return;
    BusyCursor busy(m_session.interaction());
    querySeries();
}

void TfrmGeneral::querySeries()
{
    QxClient &client = m_session.client();
    const qx::Handle conn = m_connection.handle();

    qx::VersionInfoRecord versionInfo;
    if (m_session.store(client.QXGetFileServerVersionInfo(conn, versionInfo)) != qx::Success) {
        m_session.LogError(QStringLiteral("QXGetFileServerVersionInfo Returned: ") + hexCode(m_session.lastCode()));
        return;
    }
    addRow("Max Connections Ever Used", decimal(versionInfo.u16(60)));

    quint32 serialNumber = 0;
    quint16 applicationNumber = 0;
    qx::Code code = qx::Success;
    qx::OsVersionRecord osInfo;
    if (m_session.store(client.QXGetOSVersionInfo(conn, osInfo)) == qx::Success) {
        addOsVersionRows(osInfo);
        serialNumber = osInfo.u32(60);
        applicationNumber = osInfo.u16(64);
    } else {
        code = m_session.store(client.QXGetNetworkSerialNumber(conn, serialNumber, applicationNumber));
        if (code == qx::Success) {
            serialNumber = QxClient::QXLongSwap(serialNumber);
        } else if (code == qx::NotAuthenticated) {
            m_session.logLine(QStringLiteral("You must be authenticated to ") +
                              Windows1252::toUnicode(m_session.currentServerName) +
                              QStringLiteral(" to access all the General Information"));
        } else {
            m_session.logLine(Windows1252::toUnicode(m_session.currentServerName) + QStringLiteral(" Returned: ") +
                              QString::number(qint32(code)));
        }
    }
    if (code == qx::Success)
        addRow("Serial Number", QString::asprintf("%08X:%04X", serialNumber, unsigned(applicationNumber)).toLatin1());

    addVolumeCount();
    addFileServerInformation();
    addParentTree();
    addFlagsAndClock();
    addDescriptionAndMemory();
    addLanguages();
    addServerCounters();
    addTransportAddress();
}

void TfrmGeneral::addOsVersionRows(const qx::OsVersionRecord &info)
{
    struct Field
    {
        const char *label;
        std::size_t at;
    };
    static constexpr Field bytes[] = {{"OS Major Version", 10},
                                      {"OS Minor Version", 11},
                                      {"OS Revision", 12},
                                      {"Accounting Version", 13},
                                      {"Security Restrictions Level", 16}};
    static constexpr Field words[] = {{"Max Num of NameSpaces", 32},   {"Max Num of Lans", 36},
                                      {"Max Num of Media Types", 40},  {"Max Licensed Connections", 28},
                                      {"Max Num of Protocols", 44},    {"Max SubDir Tree Depth", 48},
                                      {"Max Num of Data Streams", 52}, {"Max Num of Spool Printers", 56}};
    for (const Field &field : bytes)
        addRow(field.label, decimal(info.u8(field.at)));
    for (const Field &field : words)
        addRow(field.label, decimal(info.u32(field.at)));
}

void TfrmGeneral::addVolumeCount()
{
    quint32 named = 0;
    qx::Code code = qx::Success;
    for (quint16 volume = 0; volume <= 254; ++volume) {
        qx::VolumeNameBuffer name;
        code = m_session.store(m_session.client().QXGetVolumeName(m_connection.handle(), volume, name));
        if (code == qx::Success && !qx::bufferText(name).isEmpty())
            ++named;
    }
    // Only the answer for the last volume number decides whether the count is shown.
    if (code == qx::Success)
        addRow("Number of Volumes", decimal(named));
}

void TfrmGeneral::addFileServerInformation()
{
    qx::FileServerInformation info;
    if (m_session.store(m_session.client().QXGetFileServerInformation(m_connection.handle(), info)) != qx::Success)
        return;
    addRow("Server Name", qx::bufferText(info.serverName));
    addRow("Server Version", QByteArray::number(info.majorVersion) + '.' + QByteArray::number(info.minorVersion));
    addRow(info.majorVersion == 3 ? "Max Licensed Connections" : "Max Connections", decimal(info.maxConnections));
    addRow("SFT Level", decimal(info.sftLevel));
    addRow("TTS Level", decimal(info.ttsLevel));
    addRow("Connections In Use", decimal(info.connectionsInUse));
}

void TfrmGeneral::addParentTree()
{
    qx::ConnInfoRecord info;
    if (m_session.store(m_session.client().QXCCGetAllConnInfo(m_connection.handle(), 1, info)) != qx::Success)
        return;
    // The field is padded with underscores; a pair of them ends the name, but the first character
    // is taken as it is, so a name may begin with "__".
    const QByteArray field = info.text(qx::ConnInfoTreeNameAt, qx::ConnInfoTreeNameWidth);
    QByteArray tree;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (i > 0 && field[i] == '_' && i + 1 < field.size() && field[i + 1] == '_')
            break;
        tree.append(field[i]);
    }
    addRow("Parent Tree", tree);
}

void TfrmGeneral::addFlagsAndClock()
{
    QxClient &client = m_session.client();
    const qx::Handle conn = m_connection.handle();

    quint8 flag = 0;
    if (m_session.store(client.QXQueryAccountingInstalled(conn, flag)) == qx::Success)
        addRow("Accounting Installed", trueFalse(flag));
    flag = 0;
    if (m_session.store(client.QXGetFileServerLoginStatus(conn, flag)) == qx::Success)
        addRow("Login Enabled", trueFalse(flag));

    quint32 utc = 0;
    if (m_session.store(client.QXGetFileServerUTCTime(conn, utc)) == qx::Success)
        addRow("Server UTC Time", QByteArray::number(qint32(utc)));

    qx::DateAndTime clock{};
    if (m_session.store(client.QXGetFileServerDateAndTime(conn, clock)) == qx::Success) {
        const quint8 weekday = clock[6];
        const QByteArray dayName = weekday < kDayNames.size() ? QByteArray(kDayNames[weekday]) : QByteArray();
        // A full stop, not a colon, separates minutes and seconds.
        addRow("Server Date & Time", QByteArray::number(clock[1]) + '/' + QByteArray::number(clock[2]) + '/' +
                                         QByteArray::number(clock[0] + 1900) + ' ' + QByteArray::number(clock[3]) +
                                         ':' + QByteArray::number(clock[4]) + '.' + QByteArray::number(clock[5]) + ' ' +
                                         dayName);
    }
}

void TfrmGeneral::addDescriptionAndMemory()
{
    QxClient &client = m_session.client();
    const qx::Handle conn = m_connection.handle();

    qx::ServerDescription description;
    if (m_session.store(client.QXGetFileServerDescription(conn, description)) == qx::Success) {
        addRow("Company Name", qx::bufferText(description.companyName));
        addRow("Revision Date", qx::bufferText(description.revisionDate));
        addRow("Revision String", qx::bufferText(description.revision));
        addRow("Copyright Notice", qx::bufferText(description.copyrightNotice));
    }

    qx::CacheInfoRecord cache;
    if (m_session.store(client.QXGetCacheInfo(conn, cache)) == qx::Success) {
        const quint32 kilobytes = cache.u32(116) * 4u; // cut to 32 bits, as the server's own figure is
        addRow("Aprox. Physical Memory", Locale::formatGrouped(kilobytes, m_thousands) + 'K');
    }
}

void TfrmGeneral::addLanguages()
{
    const QByteArray base = "\\\\" + m_session.currentServerName + "\\SYS\\SYSTEM\\NLS\\";
    QByteArray names;
    for (const Language &language : kLanguages) {
        if (!m_session.client().networkDirectoryExists(base + QByteArray::number(language.number)))
            continue;
        if (!names.isEmpty())
            names.append(", ");
        names.append(language.name);
    }
    if (!names.isEmpty())
        addRow("Language", names);
}

void TfrmGeneral::addServerCounters()
{
    qx::ServerInfoRecord info;
    if (m_session.store(m_session.client().QXGetFileServerInfo(m_connection.handle(), info)) != qx::Success)
        return;
    addRow("QCP Stations", decimal(info.u32(12)));
    addRow("QCP Peak Stations", decimal(info.u32(16)));
    addRow("QCP Requests", Locale::formatGrouped(info.u32(20), m_thousands));
    addRow("Packets Routed", Locale::formatGrouped(info.u32(144), m_thousands));
    addRow("Packets Serviced", Locale::formatGrouped(info.u32(140), m_thousands));
}

void TfrmGeneral::addTransportAddress()
{
    QxClient &client = m_session.client();
    const qx::Handle conn = m_connection.handle();

    quint32 length = 0;
    if (m_session.store(client.QXCCGetConnAddressLength(conn, length)) != qx::Success)
        return;
    // The address buffer holds 13 bytes; a longer address is not asked for and counts as a failed
    // query, so the client is never told to write past the buffer.
    if (length > quint32(qx::AddressBufferSize))
        return;
    std::array<quint8, qx::AddressBufferSize> bytes{};
    qx::TransportAddress address;
    address.buffer = bytes.data();
    if (m_session.store(client.QXCCGetConnAddress(conn, length, address)) != qx::Success)
        return;

    // Only the length asked for is read: it is the one that was checked against the buffer.
    if (address.type == qx::AddressTypeIpx) {
        QByteArray text;
        for (quint32 i = 0; i < length; ++i) {
            if (i == 4 || i == 10)
                text.append(':');
            text.append(hexByte(bytes[i]));
        }
        addRow("Transport Type", "IPX");
        addRow("Internal IPX Address", text);
    } else if (address.type == qx::AddressTypeIp) {
        const QByteArray text = QByteArray::number(bytes[2]) + '.' + QByteArray::number(bytes[3]) + '.' +
                                QByteArray::number(bytes[4]) + '.' + QByteArray::number(bytes[5]) + ':' +
                                QByteArray::number(bytes[0] * 256 + bytes[1]);
        addRow("Transport Type", "IP");
        addRow("Internal IPX Address", text);
    } else {
        QByteArray text;
        for (quint32 i = 0; i < length; ++i)
            text.append(hexByte(bytes[i]));
        addRow("Transport Type", decimal(address.type));
        addRow("Transport Address", text);
    }
}
