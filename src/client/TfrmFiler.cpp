#include "client/TfrmFiler.h"

#include "app/Session.h"
#include "platform/Locale.h"

namespace {

// Entry record offsets; the aligned layout pads the 32-bit length and what follows it.
struct EntryLayout
{
    std::size_t attributes, length, directoryDate, directoryTime, fileDate, fileTime;
};
constexpr std::size_t SequenceAt = 0;
constexpr std::size_t NameAt = 4;
constexpr std::size_t NameWidth = 15;
constexpr EntryLayout kPacked{19, 21, 21, 23, 29, 31};
constexpr EntryLayout kAligned{19, 24, 22, 24, 32, 34};

} // namespace

TfrmFiler::TfrmFiler(Session &session) : m_session(session), m_connection(session) {}

TfrmFiler::~TfrmFiler() = default;

void TfrmFiler::prepare()
{
    m_connection.open();
}

void TfrmFiler::listDirectories(const QByteArray &path, const QByteArray &pattern)
{
    list(path, pattern, qx::SearchDirectories, KindDirectory);
}

void TfrmFiler::listFiles(const QByteArray &path, const QByteArray &pattern)
{
    list(path, pattern, qx::SearchFiles, KindFile);
}

QByteArray TfrmFiler::attributeText(quint8 attributes)
{
    char text[12];
    int n = 0;
    text[n++] = '[';
    text[n++] = 'R';
    text[n++] = attributes & 0x01 ? 'o' : 'w';
    text[n++] = attributes & 0x02 ? 'H' : ' ';
    if (attributes & 0x04) {
        text[n++] = 'S';
        text[n++] = 'y';
    } else {
        text[n++] = '-';
    }
    text[n++] = attributes & 0x08 ? 'X' : '-';
    text[n++] = attributes & 0x10 ? 'D' : '-';
    text[n++] = attributes & 0x20 ? 'A' : '-';
    text[n++] = attributes & 0x80 ? 'S' : '-';
    text[n++] = ']';
    return QByteArray(text, n);
}

QByteArray TfrmFiler::stampText(quint16 date, quint16 time)
{
    int day = 0, month = 0, year = 0, hours = 0, minutes = 0, seconds = 0;
    QxClient::QXUnpackDate(date, day, month, year);
    QxClient::QXUnpackTime(time, hours, minutes, seconds);
    char text[64];
    const int n =
        std::snprintf(text, sizeof text, "%02d/%02d/%02d %02d:%02d:%02d", month, day, year, hours, minutes, seconds);
    return QByteArray(text, std::clamp(n, 0, int(sizeof text) - 1));
}

void TfrmFiler::list(const QByteArray &path, const QByteArray &pattern, quint8 searchAttributes, int kind)
{
    QxClient &client = m_session.client();
    const qx::Handle conn = m_connection.handle();

    qx::SearchStart start;
    if (m_session.store(client.QXFileSearchInitialize(conn, 0, path, start)) != qx::Success) {
        m_session.LogError(QStringLiteral("QXIntFileSearchInitialize Returned: ") + hexCode(m_session.lastCode()));
        return;
    }

    BusyCursor busy(m_session.interaction());
    const EntryLayout &layout = m_session.callsLibraryFlag() ? kAligned : kPacked;
    quint16 sequence = start.sequence;
    for (;;) {
        qx::SearchEntryRecord entry;
        const qx::Code code = m_session.store(client.QXIntFileSearchContinue(
            conn, start.volumeNumber, start.directoryId, sequence, searchAttributes, pattern, entry, 0));
        if (code == qx::NoMoreEntries)
            break;
        if (code != qx::Success) {
            m_session.LogError(QStringLiteral("QXIntFileSearchContinue Returned: ") + hexCode(code));
            break;
        }
        sequence = entry.u16(SequenceAt);

        FileRow row;
        row.name = entry.text(NameAt, NameWidth);
        row.attributes = attributeText(entry.u8(layout.attributes));
        row.kind = kind;
        if (kind == KindDirectory) {
            row.modified = stampText(entry.u16(layout.directoryDate), entry.u16(layout.directoryTime));
        } else {
            row.size = Locale::formatGrouped(entry.u32(layout.length));
            row.modified = stampText(entry.u16(layout.fileDate), entry.u16(layout.fileTime));
        }
        m_rows.add(std::move(row));
        m_session.interaction().processEvents();
    }
}
