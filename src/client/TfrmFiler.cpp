#include "client/TfrmFiler.h"

#include "platform/Locale.h"
#include "session/Session.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <optional>

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

QByteArray buildAttributeText(quint8 attributes)
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

// "%02d" of a number at `out`; returns the end. The unpacked fields are never negative, and a
// number of three digits or more (the year) is written whole.
char *appendTwoDigits(char *out, int value)
{
    char digits[12];
    int count = 0;
    unsigned rest = unsigned(std::max(value, 0));
    do {
        digits[count++] = char('0' + rest % 10);
        rest /= 10;
    } while (rest != 0);
    if (count < 2)
        *out++ = '0';
    while (count > 0)
        *out++ = digits[--count];
    return out;
}

} // namespace

TfrmFiler::TfrmFiler(Session &session)
    : m_session(session), m_connection(session), m_thousands(Locale::groupSeparatorBytes())
{
}

TfrmFiler::~TfrmFiler()
{
    // A directory of 65,535 entries is a quarter of a million texts to free: in steps, so that
    // Abort is answered.
    m_rows.release([this] { m_session.interaction().processEvents(); });
}

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
    // One shared text per attribute byte: rows take a reference, not a copy of their own.
    static const std::array<QByteArray, 256> texts = [] {
        std::array<QByteArray, 256> all;
        for (int value = 0; value < 256; ++value)
            all[std::size_t(value)] = buildAttributeText(quint8(value));
        return all;
    }();
    return texts[attributes];
}

QByteArray TfrmFiler::stampText(quint16 date, quint16 time)
{
    int day = 0, month = 0, year = 0, hours = 0, minutes = 0, seconds = 0;
    QxClient::QXUnpackDate(date, day, month, year);
    QxClient::QXUnpackTime(time, hours, minutes, seconds);
    // "%02d/%02d/%02d %02d:%02d:%02d" of month, day, year, hours, minutes, seconds.
    char text[80];
    char *next = text;
    const int fields[] = {month, day, year, hours, minutes, seconds};
    const char after[] = {'/', '/', ' ', ':', ':'};
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        next = appendTwoDigits(next, fields[i]);
        if (i < std::size(after))
            *next++ = after[i];
    }
    return QByteArray(text, next - text);
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
    // Entries of one directory mostly share a few stamps; equal stamps share one text.
    std::optional<quint32> stampKey;
    QByteArray stamp;
    const auto sharedStamp = [&](quint16 date, quint16 time) {
        const quint32 key = quint32(date) << 16 | time;
        if (stampKey != key) {
            stampKey = key;
            stamp = stampText(date, time);
        }
        return stamp;
    };
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
            row.modified = sharedStamp(entry.u16(layout.directoryDate), entry.u16(layout.directoryTime));
        } else {
            row.size = Locale::formatGrouped(entry.u32(layout.length), m_thousands);
            row.modified = sharedStamp(entry.u16(layout.fileDate), entry.u16(layout.fileTime));
        }
        m_rows.add(std::move(row));
        m_session.interaction().processEvents();
    }
}
