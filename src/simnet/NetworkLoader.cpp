#include "simnet/NetworkLoader.h"

#include "platform/Windows1252.h"
#include "simnet/JsonTree.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QSet>
#include <QVarLengthArray>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <utility>

// The demo network lives in the static library sorvik_data, whose resource registration the
// linker would drop unless something refers to it.
static void registerBuiltInNetwork()
{
    Q_INIT_RESOURCE(demo_network);
}

namespace sim {

namespace {

constexpr int ServerNameMax = 47;
constexpr int TreeNameMax = 32;
constexpr int ContextMax = 256;
constexpr int VolumeNameMax = 16;
constexpr int EntryNameMax = 14;
constexpr int ModuleFileNameMax = 31;
constexpr int ModuleDescriptionMax = 359;
constexpr int ModuleCopyrightMax = 999;
constexpr int UserNameMax = 47;
constexpr int PasswordMax = 127;
constexpr int DirectoryDepthMax = 100;
constexpr quint32 DirectoryEntriesMax = 0xFFFF;
constexpr qint64 GeneratedModulesMax = 10000;
constexpr qint64 DelayMax = 10000;
constexpr qint64 FileSizeMax = 64 * 1024 * 1024;

struct Failure
{
    QString path;
    QString message;
};

// Where a value sits in the description, e.g. "servers[3].modules[7].version.major". Written out
// only for a message: a path names the path it extends, which lives as long as it is used.
class Path
{
public:
    Path() = default;

    Path field(const char *name) const { return Path(this, Kind::Field, name); }
    Path item(qsizetype index) const
    {
        Path p(this, Kind::Item, nullptr);
        p.m_index = index;
        return p;
    }
    // A field named by the description itself: as field(), or always after a dot.
    Path key(const QString &name, bool dotted) const
    {
        Path p(this, dotted ? Kind::Dotted : Kind::Key, nullptr);
        p.m_key = name;
        return p;
    }

    QString toString() const
    {
        if (m_kind == Kind::Root)
            return {};
        const QString base = m_parent->toString();
        switch (m_kind) {
        case Kind::Field:
            return base.isEmpty() ? QString::fromLatin1(m_name) : base + QLatin1Char('.') + QLatin1String(m_name);
        case Kind::Key:
            return base.isEmpty() ? m_key : base + QLatin1Char('.') + m_key;
        case Kind::Dotted:
            return base + QLatin1Char('.') + m_key;
        default:
            return base + QLatin1Char('[') + QString::number(m_index) + QLatin1Char(']');
        }
    }

private:
    enum class Kind
    {
        Root,
        Field,
        Key,
        Dotted,
        Item
    };
    Path(const Path *parent, Kind kind, const char *name) : m_parent(parent), m_kind(kind), m_name(name) {}

    const Path *m_parent = nullptr;
    Kind m_kind = Kind::Root;
    const char *m_name = nullptr;
    qsizetype m_index = 0;
    QString m_key;
};

[[noreturn]] void fail(const Path &path, const QString &message)
{
    throw Failure{path.toString(), message};
}

QString itemText(const QString &path, qsizetype index)
{
    return path + QLatin1Char('[') + QString::number(index) + QLatin1Char(']');
}

QString quoted(const QString &text)
{
    const QString shown = text.size() > 40 ? text.left(37) + QStringLiteral("...") : text;
    return QLatin1Char('"') + shown + QLatin1Char('"');
}

// Names are told apart with the ASCII letter case ignored, as the network compares them; each check
// of a list for a repeated name is one hash look-up per item, so that a long list loads in linear time.
bool firstOfName(QSet<QByteArray> &seen, const QByteArray &name)
{
    const qsizetype before = seen.size();
    seen.insert(name.toUpper());
    return seen.size() > before;
}

// The servers loaded so far, by name with the letter case ignored, and their positions in the list.
using ServerNames = QHash<QByteArray, qsizetype>;

QString kindOf(const JsonValue &value)
{
    static const std::pair<JsonValue::Type, const char *> kinds[] = {
        {JsonValue::Type::Null, "null"},       {JsonValue::Type::Bool, "true or false"},
        {JsonValue::Type::Number, "a number"}, {JsonValue::Type::String, "text"},
        {JsonValue::Type::Array, "a list"},    {JsonValue::Type::Object, "an object"},
    };
    for (const auto &[type, kind] : kinds)
        if (value.type() == type)
            return QString::fromLatin1(kind);
    return QStringLiteral("nothing");
}

QString shown(const JsonValue &value)
{
    if (value.isString())
        return quoted(value.toString());
    if (value.isDouble()) {
        const double d = value.toDouble();
        return d == std::floor(d) && std::fabs(d) < 1e18 ? QString::number(qint64(d)) : QString::number(d);
    }
    return kindOf(value);
}

quint64 unsignedBits(const JsonValue &value, const Path &path, int bits);
bool boolean(const JsonValue &value, const Path &path);

// An object at a path, with the fields it may hold ("comment" is allowed everywhere).
class Fields
{
public:
    Fields(const JsonValue &value, Path path, std::initializer_list<const char *> allowed) : m_path(std::move(path))
    {
        if (!value.isObject())
            fail(m_path, QStringLiteral("expected an object, found ") + kindOf(value));
        // Of several unknown fields the one first in alphabetical order is named.
        std::optional<QString> unknown;
        for (qsizetype i = 0; i < value.size(); ++i) {
            const JsonValue key = value.key(i);
            const char *known = allowedName(key, allowed);
            if (known)
                m_given.push_back({known, value.value(i)});
            else if (!unknown || key.toString() < *unknown)
                unknown = key.toString();
        }
        if (unknown)
            fail(m_path.key(*unknown, false), QStringLiteral("unknown field"));
    }

    bool has(const char *name) const { return (*this)[name].type() != JsonValue::Type::Undefined; }
    // Sets `target` from the field when it is given: a whole number that fits in `bits` bits.
    template <typename T> void bits(const char *name, T &target, int bits) const
    {
        if (const JsonValue v = (*this)[name]; v.type() != JsonValue::Type::Undefined)
            target = T(unsignedBits(v, path(name), bits));
    }
    template <typename T> void bits(const char *name, std::optional<T> &target, int bits) const
    {
        if (const JsonValue v = (*this)[name]; v.type() != JsonValue::Type::Undefined)
            target = T(unsignedBits(v, path(name), bits));
    }
    void flag(const char *name, bool &target) const
    {
        if (const JsonValue v = (*this)[name]; v.type() != JsonValue::Type::Undefined)
            target = boolean(v, path(name));
    }
    JsonValue operator[](const char *name) const
    {
        for (const Given &given : m_given)
            if (given.name == name || (given.name[0] == name[0] && std::strcmp(given.name, name) == 0))
                return given.value;
        return {};
    }
    Path path(const char *name) const { return m_path.field(name); }
    const Path &path() const { return m_path; }

private:
    // The allowed name (or "comment") the field name of the description is; null when none.
    static const char *allowedName(const JsonValue &key, std::initializer_list<const char *> allowed)
    {
        QByteArrayView bytes;
        const QString text = key.utf8(bytes) ? QString() : key.toString();
        const auto is = [&](const char *name) {
            if (text.isNull())
                return !bytes.isEmpty() && bytes[0] == name[0] && bytes == QByteArrayView(name);
            return text == QLatin1String(name);
        };
        for (const char *name : allowed)
            if (is(name))
                return name;
        return is("comment") ? "comment" : nullptr;
    }

    struct Given
    {
        const char *name;
        JsonValue value;
    };

    Path m_path;
    QVarLengthArray<Given, 16> m_given;
};

// The number a text gives in its plain form, "123" or "0x7B" with at most 15 digits; nothing for
// any other form, which the general reading judges.
std::optional<qint64> plainNumber(QByteArrayView text)
{
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const QByteArrayView digits = hex ? text.sliced(2) : text;
    if (digits.isEmpty() || digits.size() > 15)
        return std::nullopt;
    qint64 n = 0;
    for (const char c : digits) {
        const int d = c >= '0' && c <= '9'          ? c - '0'
                      : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                      : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                    : -1;
        if (d < 0)
            return std::nullopt;
        n = n * (hex ? 16 : 10) + d;
    }
    if (n > qint64(9.0e15))
        return std::nullopt;
    return n;
}

qint64 integer(const JsonValue &value, const Path &path)
{
    if (QByteArrayView bytes; value.utf8(bytes))
        if (const std::optional<qint64> n = plainNumber(bytes))
            return *n;
    if (value.isDouble()) {
        const double d = value.toDouble();
        if (!std::isfinite(d) || d != std::floor(d))
            fail(path, shown(value) + QStringLiteral(" is not a whole number"));
        if (std::fabs(d) > 9.0e15)
            fail(path, shown(value) + QStringLiteral(" is far too large"));
        return qint64(d);
    }
    if (value.isString()) {
        QString text = value.toString().trimmed();
        const bool negative = text.startsWith(QLatin1Char('-'));
        if (negative)
            text.remove(0, 1);
        bool ok = false;
        qint64 n = 0;
        if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
            n = text.mid(2).toLongLong(&ok, 16);
        else
            n = text.toLongLong(&ok, 10);
        if (!ok || text.startsWith(QLatin1Char('+')) || text.startsWith(QLatin1Char('-')) || n > qint64(9.0e15))
            fail(path, shown(value) + QStringLiteral(" is not a number (write 123 or \"0x7B\")"));
        return negative ? -n : n;
    }
    fail(path, QStringLiteral("expected a number, found ") + kindOf(value));
}

quint64 unsignedBits(const JsonValue &value, const Path &path, int bits)
{
    const qint64 n = integer(value, path);
    if (n < 0 || (quint64(n) >> bits) != 0)
        fail(path, shown(value) + QStringLiteral(" does not fit in %1 bits").arg(bits));
    return quint64(n);
}

quint64 atMost(const JsonValue &value, const Path &path, qint64 max, const QString &unit = {})
{
    const qint64 n = integer(value, path);
    if (n < 0 || n > max)
        fail(path, shown(value) + QStringLiteral(" is outside 0 to %1%2").arg(max).arg(unit));
    return quint64(n);
}

// A 32-bit value given signed or unsigned (ids and types are shown signed).
quint32 any32(const JsonValue &value, const Path &path)
{
    const qint64 n = integer(value, path);
    if (n < -qint64(0x80000000) || n > qint64(0xFFFFFFFF))
        fail(path, shown(value) + QStringLiteral(" does not fit in 32 bits"));
    return quint32(n);
}

bool boolean(const JsonValue &value, const Path &path)
{
    if (!value.isBool())
        fail(path, QStringLiteral("expected true or false, found ") + kindOf(value));
    return value.toBool();
}

QByteArray text(const JsonValue &value, const Path &path, int maxBytes)
{
    // Plain ASCII is the same in Windows-1252.
    if (QByteArrayView bytes; value.utf8(bytes) && bytes.size() <= maxBytes &&
                              std::all_of(bytes.begin(), bytes.end(), [](char c) { return c > 0; }))
        return bytes.toByteArray();
    if (!value.isString())
        fail(path, QStringLiteral("expected text, found ") + kindOf(value));
    const QString s = value.toString();
    const QByteArray bytes = Windows1252::fromUnicode(s);
    if (Windows1252::toUnicode(bytes) != s)
        fail(path, quoted(s) + QStringLiteral(" holds a character that Windows-1252 cannot hold"));
    if (bytes.contains('\0'))
        fail(path, quoted(s) + QStringLiteral(" holds a NUL character"));
    if (bytes.size() > maxBytes)
        fail(path, quoted(s) + QStringLiteral(" is %1 bytes long; at most %2 fit").arg(bytes.size()).arg(maxBytes));
    return bytes;
}

// A name that becomes part of a path or a wildcard search: no separators, wildcards or controls.
QByteArray name(const JsonValue &value, const Path &path, int maxBytes, bool allowBlank)
{
    const QByteArray bytes = text(value, path, maxBytes);
    if (bytes.isEmpty())
        fail(path, QStringLiteral("must not be empty"));
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || c == '\\' || c == '/' || c == ':' || c == '*' || c == '?' || (c == ' ' && !allowBlank))
            fail(path, quoted(value.toString()) + QStringLiteral(" holds a character not allowed in a name"));
    }
    if (bytes == "." || bytes == "..")
        fail(path, quoted(value.toString()) + QStringLiteral(" is not a name"));
    return bytes;
}

// The value's text read in a format of QDate, QTime or QDateTime; what it must be otherwise is named.
template <typename T> T parsed(const JsonValue &value, const Path &path, const QString &format, const QString &what)
{
    const T result = T::fromString(value.toString(), format);
    if (!result.isValid())
        fail(path, quoted(value.toString()) + QStringLiteral(" is not ") + what);
    return result;
}

// The number of `count` digits at `at`; -1 when one of them is no digit.
int digitsAt(QByteArrayView text, qsizetype at, qsizetype count)
{
    int n = 0;
    for (qsizetype i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return -1;
        n = n * 10 + (text[i] - '0');
    }
    return n;
}

// "YYYY-MM-DD" and "HH:MM:SS" in their plain form, read without the general date parser; nothing
// for any other form, which it judges.
struct Ymd
{
    int year;
    int month;
    int day;
};

Ymd ymd(const QDate &date)
{
    return {date.year(), date.month(), date.day()};
}

std::optional<Ymd> plainDate(const JsonValue &value)
{
    QByteArrayView t;
    if (!value.utf8(t) || t.size() != 10 || t[4] != '-' || t[7] != '-')
        return std::nullopt;
    const int y = digitsAt(t, 0, 4);
    const int m = digitsAt(t, 5, 2);
    const int d = digitsAt(t, 8, 2);
    if (y < 1000 || m < 0 || d < 0 || !QDate::isValid(y, m, d))
        return std::nullopt;
    return Ymd{y, m, d};
}

std::optional<QTime> plainTime(const JsonValue &value)
{
    QByteArrayView t;
    if (!value.utf8(t) || t.size() != 8 || t[2] != ':' || t[5] != ':')
        return std::nullopt;
    const int h = digitsAt(t, 0, 2);
    const int m = digitsAt(t, 3, 2);
    const int s = digitsAt(t, 6, 2);
    if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59)
        return std::nullopt;
    return QTime(h, m, s);
}

quint16 dosDateValue(const JsonValue &value, const Path &path)
{
    if (!value.isString())
        return quint16(unsignedBits(value, path, 16));
    const std::optional<Ymd> plain = plainDate(value);
    const Ymd date =
        plain ? *plain
              : ymd(parsed<QDate>(value, path, QStringLiteral("yyyy-MM-dd"), QStringLiteral("a date YYYY-MM-DD")));
    if (date.year < 1980 || date.year > 2107)
        fail(path, quoted(value.toString()) + QStringLiteral(" is outside the directory dates 1980 to 2107"));
    return dosDate(date.year, date.month, date.day);
}

quint16 dosTimeValue(const JsonValue &value, const Path &path)
{
    if (!value.isString())
        return quint16(unsignedBits(value, path, 16));
    const std::optional<QTime> plain = plainTime(value);
    const QTime time =
        plain ? *plain : parsed<QTime>(value, path, QStringLiteral("HH:mm:ss"), QStringLiteral("a time HH:MM:SS"));
    return dosTime(time.hour(), time.minute(), time.second());
}

Version version(const JsonValue &value, const Path &path, Version v, bool withBeta)
{
    const Fields f = withBeta ? Fields(value, path, {"major", "minor", "revision", "beta"})
                              : Fields(value, path, {"major", "minor", "revision"});
    f.bits("major", v.major, 8);
    f.bits("minor", v.minor, 8);
    f.bits("revision", v.revision, 8);
    f.bits("beta", v.beta, 8);
    return v;
}

// Server clock: "YYYY-MM-DD HH:MM:SS" or the seven bytes as they are. Also gives the matching
// seconds since 1970 when the value is a real date from 1970 on.
qx::DateAndTime dateTimeValue(const JsonValue &value, const Path &path, std::optional<quint32> &seconds)
{
    qx::DateAndTime bytes{};
    seconds.reset();
    if (value.isArray()) {
        const JsonValue &array = value;
        if (array.size() != 7)
            fail(path, QStringLiteral("expected 7 bytes (year - 1900, month, day, hour, minute, second, weekday)"));
        for (qsizetype i = 0; i < 7; ++i)
            bytes[std::size_t(i)] = quint8(unsignedBits(array[i], path.item(i), 8));
        return bytes;
    }
    if (!value.isString())
        fail(path, QStringLiteral("expected \"YYYY-MM-DD HH:MM:SS\" or a list of 7 bytes, found ") + kindOf(value));
    const auto dt = parsed<QDateTime>(value, path, QStringLiteral("yyyy-MM-dd HH:mm:ss"),
                                      QStringLiteral("a date and time YYYY-MM-DD HH:MM:SS"));
    const QDate d = dt.date();
    const QTime t = dt.time();
    if (d.year() < 1900 || d.year() > 2155)
        fail(path, quoted(value.toString()) + QStringLiteral(" is outside the server clock's years 1900 to 2155"));
    bytes = {quint8(d.year() - 1900), quint8(d.month()),  quint8(d.day()),          quint8(t.hour()),
             quint8(t.minute()),      quint8(t.second()), quint8(d.dayOfWeek() % 7)};
    const qint64 s = QDateTime(d, t, Qt::UTC).toSecsSinceEpoch();
    if (s >= 0 && s <= qint64(0xFFFFFFFF))
        seconds = quint32(s);
    return bytes;
}

quint32 faultCode(const JsonValue &value, const Path &path)
{
    const quint32 code = any32(value, path);
    if (code == 0)
        fail(path, QStringLiteral("0 is success, not a fault"));
    return code;
}

// {"code": ..., "volume" | "module": number, "afterCalls": N}: a fault for some calls only.
Fault selectiveFault(const JsonValue &value, const Path &path, Op op)
{
    const Fields f(value, path, {"code", "volume", "module", "afterCalls"});
    if (!f.has("code"))
        fail(f.path("code"), QStringLiteral("missing"));
    Fault fault;
    fault.op = op;
    fault.code = faultCode(f["code"], f.path("code"));
    if (f.has("volume")) {
        if (op != Op::QXGetVolumeName)
            fail(f.path("volume"), QStringLiteral("only QXGetVolumeName is asked about a volume number"));
        fault.subject = quint32(unsignedBits(f["volume"], f.path("volume"), 16));
    }
    if (f.has("module")) {
        if (op != Op::QXGetQLMInfo)
            fail(f.path("module"), QStringLiteral("only QXGetQLMInfo is asked about a module number"));
        fault.subject = any32(f["module"], f.path("module"));
    }
    f.bits("afterCalls", fault.afterCalls, 32);
    return fault;
}

Faults faults(const JsonValue &value, const Path &path, bool serverLevel)
{
    if (!value.isObject())
        fail(path, QStringLiteral("expected an object, found ") + kindOf(value));
    Faults result;
    // In alphabetical order of the operations' names.
    std::vector<std::pair<QString, qsizetype>> fields;
    for (qsizetype i = 0; i < value.size(); ++i)
        fields.emplace_back(value.key(i).toString(), i);
    std::sort(fields.begin(), fields.end());
    for (const auto &[key, i] : fields) {
        const Path p = path.key(key, true);
        if (key == QLatin1String("comment"))
            continue;
        const auto op = opFromName(key.toLatin1());
        if (!op)
            fail(p, QStringLiteral("no such operation"));
        if (serverLevel && !isServerOp(*op))
            fail(p, QStringLiteral("is not an operation on a server; name it under workstation.faults"));
        const JsonValue fault = value.value(i);
        if (fault.isArray()) {
            for (qsizetype j = 0; j < fault.size(); ++j)
                result.add(selectiveFault(fault[j], p.item(j), *op));
        } else if (fault.isObject()) {
            result.add(selectiveFault(fault, p, *op));
        } else {
            result.set(*op, faultCode(fault, p));
        }
    }
    return result;
}

QByteArray hexBytes(const JsonValue &value, const Path &path)
{
    if (!value.isString())
        fail(path, QStringLiteral("expected hexadecimal bytes as text, found ") + kindOf(value));
    QByteArray digits;
    for (const QChar c : value.toString()) {
        if (c == QLatin1Char(':') || c == QLatin1Char(' ') || c == QLatin1Char('.') || c == QLatin1Char('-'))
            continue;
        if (!c.isDigit() && !(c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f')))
            fail(path, quoted(value.toString()) + QStringLiteral(" is not hexadecimal bytes"));
        digits.append(char(c.unicode()));
    }
    if (digits.size() % 2 != 0)
        fail(path, quoted(value.toString()) + QStringLiteral(" has an odd number of hexadecimal digits"));
    return QByteArray::fromHex(digits);
}

Address address(const JsonValue &value, const Path &path)
{
    const Fields f(value, path, {"type", "bytes", "length", "ip", "port"});
    Address a;
    if (f.has("ip")) {
        if (f.has("bytes"))
            fail(f.path("ip"), QStringLiteral("give either \"ip\" or \"bytes\", not both"));
        if (!f["ip"].isString())
            fail(f.path("ip"), QStringLiteral("expected text, found ") + kindOf(f["ip"]));
        const QStringList parts = f["ip"].toString().split(QLatin1Char('.'));
        std::array<quint8, 4> octets{};
        bool ok = parts.size() == 4;
        for (qsizetype i = 0; ok && i < 4; ++i) {
            const uint n = parts[i].toUInt(&ok);
            ok = ok && n <= 255 && !parts[i].isEmpty() && parts[i].size() <= 3;
            octets[std::size_t(i)] = quint8(n);
        }
        if (!ok)
            fail(f.path("ip"), quoted(f["ip"].toString()) + QStringLiteral(" is not an IPv4 address"));
        const quint16 port = f.has("port") ? quint16(unsignedBits(f["port"], f.path("port"), 16)) : 524;
        a = Address::ip(octets[0], octets[1], octets[2], octets[3], port);
    } else {
        if (!f.has("bytes"))
            fail(path, QStringLiteral("give the address as \"bytes\" or as \"ip\""));
        if (f.has("port"))
            fail(f.path("port"), QStringLiteral("a port goes with \"ip\""));
        a.bytes = hexBytes(f["bytes"], f.path("bytes"));
        if (a.bytes.size() > qx::AddressBufferSize)
            fail(f.path("bytes"), QStringLiteral("%1 bytes do not fit in the %2-byte address buffer")
                                      .arg(a.bytes.size())
                                      .arg(qx::AddressBufferSize));
    }
    if (f.has("type")) {
        const JsonValue t = f["type"];
        if (t.isString() && t.toString().compare(QLatin1String("ipx"), Qt::CaseInsensitive) == 0)
            a.type = qx::AddressTypeIpx;
        else if (t.isString() && t.toString().compare(QLatin1String("ip"), Qt::CaseInsensitive) == 0)
            a.type = qx::AddressTypeIp;
        else
            a.type = quint32(unsignedBits(t, f.path("type"), 32));
    }
    f.bits("length", a.length, 32);
    return a;
}

DirEntry entry(const JsonValue &value, const Path &path, quint16 parentDate, quint16 parentTime, int depth);

// What a directory holds, and its date and time (else those of the directory it is in).
void directoryContents(const Fields &f, DirEntry &e, quint16 parentDate, quint16 parentTime, int depth)
{
    e.date = f.has("date") ? dosDateValue(f["date"], f.path("date")) : parentDate;
    e.time = f.has("time") ? dosTimeValue(f["time"], f.path("time")) : parentTime;
    if (f.has("entries")) {
        const Path entries = f.path("entries");
        const JsonValue array = f["entries"];
        if (!array.isArray())
            fail(entries, QStringLiteral("expected a list, found ") + kindOf(array));
        if (array.size() > qsizetype(DirectoryEntriesMax))
            fail(entries, QStringLiteral("a directory holds at most %1 entries").arg(DirectoryEntriesMax));
        QSet<QByteArray> seen;
        e.entries.reserve(std::size_t(array.size()));
        for (qsizetype i = 0; i < array.size(); ++i) {
            const Path p = entries.item(i);
            e.entries.push_back(entry(array[i], p, e.date, e.time, depth + 1));
            if (!firstOfName(seen, e.entries.back().name))
                fail(p.field("name"), quoted(QString::fromLatin1(e.entries.back().name)) +
                                          QStringLiteral(" is already an entry of this directory"));
        }
    }
    if (f.has("generatedFiles")) {
        e.generatedFiles = quint32(atMost(f["generatedFiles"], f.path("generatedFiles"), DirectoryEntriesMax));
        if (e.entryCount() > DirectoryEntriesMax)
            fail(f.path("generatedFiles"),
                 QStringLiteral("a directory holds at most %1 entries").arg(DirectoryEntriesMax));
    }
}

DirEntry entry(const JsonValue &value, const Path &path, quint16 parentDate, quint16 parentTime, int depth)
{
    if (depth > DirectoryDepthMax)
        fail(path, QStringLiteral("directories nest deeper than %1 levels").arg(DirectoryDepthMax));
    const Fields f(value, path,
                   {"name", "directory", "attributes", "size", "date", "time", "entries", "generatedFiles"});
    if (!f.has("name"))
        fail(f.path("name"), QStringLiteral("missing"));
    DirEntry e;
    e.name = name(f["name"], f.path("name"), EntryNameMax, true);
    bool isDirectory = f.has("entries") || f.has("generatedFiles");
    if (f.has("directory")) {
        const bool flagged = boolean(f["directory"], f.path("directory"));
        if (!flagged && isDirectory)
            fail(f.path("directory"), QStringLiteral("a file holds no entries"));
        isDirectory = flagged;
    }
    if (isDirectory && f.has("size"))
        fail(f.path("size"), QStringLiteral("a directory has no size"));
    e.attributes = isDirectory ? DirEntry::DirectoryAttribute : 0x20;
    f.bits("attributes", e.attributes, 8);
    // The directory bit follows the kind of entry.
    e.attributes = isDirectory ? quint8(e.attributes | DirEntry::DirectoryAttribute)
                               : quint8(e.attributes & ~DirEntry::DirectoryAttribute);
    f.bits("size", e.size, 32);
    directoryContents(f, e, parentDate, parentTime, depth);
    return e;
}

Volume volume(const JsonValue &value, const Path &path, quint8 defaultNumber)
{
    const Fields f(value, path, {"name", "number", "date", "time", "entries", "generatedFiles"});
    if (!f.has("name"))
        fail(f.path("name"), QStringLiteral("missing"));
    Volume v;
    v.name = name(f["name"], f.path("name"), VolumeNameMax, false);
    v.number = defaultNumber;
    if (f.has("number"))
        v.number = quint8(atMost(f["number"], f.path("number"), 254));
    // The root is a directory without a name.
    v.root.attributes = DirEntry::DirectoryAttribute;
    directoryContents(f, v.root, dosDate(1998, 1, 1), 0, 0);
    return v;
}

Module module(const JsonValue &value, const Path &path, quint32 defaultId)
{
    const Fields f(value, path,
                   {"fileName", "description", "copyright", "id", "flags", "type", "parentId", "version", "date",
                    "bytesAvailable", "freeCount", "lastGarbageCollection", "messageLanguage", "referencedPublics"});
    if (!f.has("fileName"))
        fail(f.path("fileName"), QStringLiteral("missing"));
    Module m;
    m.fileName = name(f["fileName"], f.path("fileName"), ModuleFileNameMax, false);
    if (f.has("description"))
        m.description = text(f["description"], f.path("description"), ModuleDescriptionMax);
    if (f.has("copyright"))
        m.copyright = text(f["copyright"], f.path("copyright"), ModuleCopyrightMax);
    m.id = f.has("id") ? any32(f["id"], f.path("id")) : defaultId;
    f.bits("flags", m.flags, 32);
    if (f.has("type"))
        m.type = any32(f["type"], f.path("type"));
    if (f.has("parentId"))
        m.parentId = any32(f["parentId"], f.path("parentId"));
    if (f.has("version"))
        m.version = version(f["version"], f.path("version"), m.version, false);
    if (f.has("date")) {
        const JsonValue d = f["date"];
        if (d.isString()) {
            std::optional<Ymd> date = plainDate(d);
            if (!date) {
                const QDate general = QDate::fromString(d.toString(), QStringLiteral("yyyy-MM-dd"));
                if (!general.isValid() || general.year() < 0)
                    fail(f.path("date"), quoted(d.toString()) + QStringLiteral(" is not a date YYYY-MM-DD"));
                date = ymd(general);
            }
            m.year = quint32(date->year);
            m.month = quint32(date->month);
            m.day = quint32(date->day);
        } else {
            const Fields df(d, f.path("date"), {"year", "month", "day"});
            df.bits("year", m.year, 32);
            df.bits("month", m.month, 32);
            df.bits("day", m.day, 32);
        }
    }
    f.bits("bytesAvailable", m.bytesAvailable, 32);
    f.bits("freeCount", m.freeCount, 32);
    f.bits("lastGarbageCollection", m.lastGarbageCollection, 32);
    f.bits("messageLanguage", m.messageLanguage, 32);
    f.bits("referencedPublics", m.referencedPublics, 32);
    return m;
}

JsonValue list(const JsonValue &value, const Path &path)
{
    if (!value.isArray())
        fail(path, QStringLiteral("expected a list, found ") + kindOf(value));
    return value;
}

// The server's figures, each a whole number of a fixed width; "reachable" whether it answers at all.
void serverFigures(const Fields &f, Server &s)
{
    f.flag("reachable", s.reachable);
    if (f.has("version"))
        s.version = version(f["version"], f.path("version"), s.version, false);
    f.bits("sftLevel", s.sftLevel, 8);
    f.bits("ttsLevel", s.ttsLevel, 8);
    f.bits("maxConnections", s.maxConnections, 16);
    f.bits("connectionsInUse", s.connectionsInUse, 16);
    f.bits("maxConnectionsEverUsed", s.maxConnectionsEverUsed, 16);
    f.bits("numberOfVolumes", s.numberOfVolumes, 16);
    f.bits("accountingVersion", s.accountingVersion, 8);
    f.bits("securityRestrictionsLevel", s.securityRestrictionsLevel, 8);
    f.bits("maxLicensedConnections", s.maxLicensedConnections, 32);
    f.bits("nameSpaces", s.nameSpaces, 32);
    f.bits("lans", s.lans, 32);
    f.bits("mediaTypes", s.mediaTypes, 32);
    f.bits("protocols", s.protocols, 32);
    f.bits("subdirectoryTreeDepth", s.subdirectoryTreeDepth, 32);
    f.bits("dataStreams", s.dataStreams, 32);
    f.bits("spoolPrinters", s.spoolPrinters, 32);
    f.bits("serialNumber", s.serialNumber, 32);
    f.bits("applicationNumber", s.applicationNumber, 16);
}

// The texts the server describes itself with.
void serverDescription(const Fields &f, Server &s)
{
    if (f.has("description")) {
        const Fields d(f["description"], f.path("description"), {"company", "revision", "revisionDate", "copyright"});
        if (d.has("company"))
            s.companyName = text(d["company"], d.path("company"), 79);
        if (d.has("revision"))
            s.revisionText = text(d["revision"], d.path("revision"), 79);
        if (d.has("revisionDate"))
            s.revisionDate = text(d["revisionDate"], d.path("revisionDate"), 27);
        if (d.has("copyright"))
            s.copyrightNotice = text(d["copyright"], d.path("copyright"), 79);
    }
}

// A tree name: the empty text stands for no tree.
QByteArray treeName(const Fields &f)
{
    return f["tree"].isString() && f["tree"].toString().isEmpty() ? QByteArray()
                                                                  : name(f["tree"], f.path("tree"), TreeNameMax, false);
}

// Logins, accounting, the clock, the traffic counters, the address and where it sits in the tree.
void serverState(const Fields &f, Server &s)
{
    f.flag("loginEnabled", s.loginEnabled);
    f.flag("accountingInstalled", s.accountingInstalled);
    if (f.has("dateTime")) {
        std::optional<quint32> seconds;
        s.dateTime = dateTimeValue(f["dateTime"], f.path("dateTime"), seconds);
        s.utcTime = seconds.value_or(0);
    }
    f.bits("utcTime", s.utcTime, 32);
    f.bits("cacheCount", s.cacheCount, 32);
    f.bits("qcpStations", s.qcpStations, 32);
    f.bits("qcpPeakStations", s.qcpPeakStations, 32);
    f.bits("qcpRequests", s.qcpRequests, 32);
    f.bits("packetsServiced", s.packetsServiced, 32);
    f.bits("packetsRouted", s.packetsRouted, 32);
    if (f.has("address"))
        s.address = address(f["address"], f.path("address"));
    if (f.has("tree"))
        s.tree = treeName(f);
    if (f.has("binderyContext"))
        s.binderyContext = text(f["binderyContext"], f.path("binderyContext"), ContextMax);
    f.flag("publicConsoleRights", s.publicConsoleRights);
}

// The volumes (numbers and names each once) and the language directories on SYS.
void serverVolumes(const Fields &f, Server &s)
{
    if (f.has("volumes")) {
        const Path listPath = f.path("volumes");
        const JsonValue array = list(f["volumes"], listPath);
        QHash<quint8, std::size_t> numbers;
        QSet<QByteArray> names;
        for (qsizetype i = 0; i < array.size(); ++i) {
            const Path p = listPath.item(i);
            Volume v = volume(array[i], p, quint8(std::min<qsizetype>(i, 254)));
            if (const auto other = numbers.constFind(v.number); other != numbers.constEnd())
                fail(p.field("number"), QStringLiteral("%1 is already the number of volume %2")
                                            .arg(v.number)
                                            .arg(QString::fromLatin1(s.volumes[*other].name)));
            numbers.insert(v.number, s.volumes.size());
            if (!firstOfName(names, v.name))
                fail(p.field("name"), quoted(QString::fromLatin1(v.name)) + QStringLiteral(" names a volume twice"));
            s.volumes.push_back(std::move(v));
        }
    }
    if (f.has("languages")) {
        const JsonValue array = list(f["languages"], f.path("languages"));
        if (array.size() > 0 && !s.volume("SYS"))
            fail(f.path("languages"), QStringLiteral("language directories need a volume named SYS"));
        for (qsizetype i = 0; i < array.size(); ++i)
            addLanguageDirectory(s, int(unsignedBits(array[i], f.path("languages").item(i), 8)));
    }
}

// The loaded modules (ids each once) and the generated ones.
void serverModules(const Fields &f, Server &s)
{
    if (f.has("modules")) {
        const Path listPath = f.path("modules");
        const JsonValue array = list(f["modules"], listPath);
        QHash<quint32, qsizetype> ids;
        for (qsizetype i = 0; i < array.size(); ++i) {
            const Path p = listPath.item(i);
            Module m = module(array[i], p, quint32(i + 1));
            if (const auto it = ids.constFind(m.id); it != ids.constEnd())
                fail(p.field("id"),
                     QStringLiteral("%1 is already the id of %2").arg(qint32(m.id)).arg(listPath.item(*it).toString()));
            ids.insert(m.id, i);
            s.modules.push_back(std::move(m));
        }
    }
    if (f.has("generatedModules"))
        addGeneratedModules(s, int(atMost(f["generatedModules"], f.path("generatedModules"), GeneratedModulesMax)));
}

Server server(const JsonValue &value, const Path &path, quint32 defaultDelay)
{
    const Fields f(value, path,
                   {"name",
                    "reachable",
                    "version",
                    "sftLevel",
                    "ttsLevel",
                    "maxConnections",
                    "connectionsInUse",
                    "maxConnectionsEverUsed",
                    "numberOfVolumes",
                    "accountingVersion",
                    "securityRestrictionsLevel",
                    "maxLicensedConnections",
                    "nameSpaces",
                    "lans",
                    "mediaTypes",
                    "protocols",
                    "subdirectoryTreeDepth",
                    "dataStreams",
                    "spoolPrinters",
                    "serialNumber",
                    "applicationNumber",
                    "description",
                    "loginEnabled",
                    "accountingInstalled",
                    "dateTime",
                    "utcTime",
                    "cacheCount",
                    "qcpStations",
                    "qcpPeakStations",
                    "qcpRequests",
                    "packetsServiced",
                    "packetsRouted",
                    "address",
                    "tree",
                    "binderyContext",
                    "publicConsoleRights",
                    "volumes",
                    "languages",
                    "modules",
                    "generatedModules",
                    "faults",
                    "delayMs"});
    if (!f.has("name"))
        fail(f.path("name"), QStringLiteral("missing"));
    Server s;
    s.name = name(f["name"], f.path("name"), ServerNameMax, false);
    serverFigures(f, s);
    serverDescription(f, s);
    serverState(f, s);
    serverVolumes(f, s);
    serverModules(f, s);
    if (f.has("faults"))
        s.faults = faults(f["faults"], f.path("faults"), true);
    if (f.has("delayMs")) {
        const auto delay = quint32(atMost(f["delayMs"], f.path("delayMs"), DelayMax, QStringLiteral(" milliseconds")));
        if (delay != defaultDelay)
            s.delayMs = delay;
    }
    return s;
}

ServerSet serverSet(const JsonValue &value, const Path &path, const ServerNames &servers)
{
    ServerSet set;
    if (value.isString() && value.toString() == QLatin1String("*")) {
        set.all = true;
        return set;
    }
    if (!value.isArray())
        fail(path, QStringLiteral("expected \"*\" or a list of server names, found ") + kindOf(value));
    const JsonValue &array = value;
    for (qsizetype i = 0; i < array.size(); ++i) {
        const Path p = path.item(i);
        const QByteArray n = text(array[i], p, ServerNameMax);
        if (!servers.contains(n.toUpper()))
            fail(p, quoted(array[i].toString()) + QStringLiteral(" is not a server of this network"));
        set.names.push_back(n);
    }
    return set;
}

User user(const JsonValue &value, const Path &path, const ServerNames &servers)
{
    const Fields f(
        value, path,
        {"name", "password", "context", "servers", "tree", "consoleOperator", "lockedOut", "passwordExpired"});
    if (!f.has("name"))
        fail(f.path("name"), QStringLiteral("missing"));
    User u;
    u.name = name(f["name"], f.path("name"), UserNameMax, false);
    if (u.name.contains('.'))
        fail(f.path("name"), quoted(f["name"].toString()) + QStringLiteral(" holds a dot; give the context apart"));
    if (f.has("password"))
        u.password = text(f["password"], f.path("password"), PasswordMax);
    if (f.has("context"))
        u.context = text(f["context"], f.path("context"), ContextMax);
    if (f.has("servers"))
        u.binderyServers = serverSet(f["servers"], f.path("servers"), servers);
    f.flag("tree", u.inTree);
    if (f.has("consoleOperator"))
        u.consoleOperator = serverSet(f["consoleOperator"], f.path("consoleOperator"), servers);
    f.flag("lockedOut", u.lockedOut);
    f.flag("passwordExpired", u.passwordExpired);
    return u;
}

Workstation workstation(const JsonValue &value, const Path &path, const ServerNames &servers)
{
    const Fields f(value, path, {"primaryServer", "requesterVersion", "callsVersion", "clientType", "faults"});
    Workstation w;
    if (f.has("primaryServer") && !f["primaryServer"].isNull()) {
        w.primaryServer = text(f["primaryServer"], f.path("primaryServer"), ServerNameMax);
        if (!w.primaryServer.isEmpty() && !servers.contains(w.primaryServer.toUpper()))
            fail(f.path("primaryServer"),
                 quoted(f["primaryServer"].toString()) + QStringLiteral(" is not a server of this network"));
    }
    if (f.has("requesterVersion"))
        w.requester = version(f["requesterVersion"], f.path("requesterVersion"), w.requester, false);
    if (f.has("callsVersion"))
        w.calls = version(f["callsVersion"], f.path("callsVersion"), w.calls, true);
    f.bits("clientType", w.clientType, 32);
    if (f.has("faults"))
        w.faults = faults(f["faults"], f.path("faults"), false);
    return w;
}

SimulatedNetwork network(const JsonValue &value)
{
    const Fields f(value, Path(), {"tree", "context", "delayMs", "workstation", "users", "servers"});
    SimulatedNetwork n;
    if (f.has("tree"))
        n.tree = treeName(f);
    if (f.has("context"))
        n.context = text(f["context"], f.path("context"), ContextMax);
    if (f.has("delayMs"))
        n.delayMs = quint32(atMost(f["delayMs"], f.path("delayMs"), DelayMax, QStringLiteral(" milliseconds")));
    ServerNames servers;
    if (f.has("servers")) {
        const Path listPath = f.path("servers");
        const JsonValue array = list(f["servers"], listPath);
        n.servers.reserve(std::size_t(array.size()));
        servers.reserve(array.size());
        for (qsizetype i = 0; i < array.size(); ++i) {
            const Path p = listPath.item(i);
            Server s = server(array[i], p, n.delayMs);
            if (const auto same = servers.constFind(s.name.toUpper()); same != servers.constEnd())
                fail(p.field("name"), quoted(QString::fromLatin1(s.name)) +
                                          QStringLiteral(" names the same server as ") +
                                          listPath.item(*same).toString());
            servers.insert(s.name.toUpper(), i);
            n.servers.push_back(std::move(s));
        }
    }
    if (f.has("users")) {
        const Path listPath = f.path("users");
        const JsonValue array = list(f["users"], listPath);
        QSet<QByteArray> names;
        for (qsizetype i = 0; i < array.size(); ++i) {
            const Path p = listPath.item(i);
            User u = user(array[i], p, servers);
            if (!firstOfName(names, u.name))
                fail(p.field("name"), quoted(QString::fromLatin1(u.name)) + QStringLiteral(" names a user twice"));
            n.users.push_back(std::move(u));
        }
    }
    if (f.has("workstation"))
        n.workstation = workstation(f["workstation"], f.path("workstation"), servers);
    return n;
}

QString position(const QByteArray &json, qsizetype offset)
{
    int line = 1;
    int column = 1;
    for (qsizetype i = 0; i < offset && i < json.size(); ++i) {
        if (json[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    return QStringLiteral("line %1, column %2").arg(line).arg(column);
}

// The path of the first key that an object of the (valid) JSON text gives twice; empty when there
// is none. The parser keeps only one of the two values, so a repeated field would go unnoticed.
QString repeatedKey(const QByteArray &json)
{
    struct Level
    {
        bool object = false;
        QString path;
        qsizetype index = 0;
        QString key;
        QSet<QString> keys;
    };
    std::vector<Level> levels;
    bool expectKey = false;
    const auto childPath = [&levels] {
        if (levels.empty())
            return QString();
        const Level &top = levels.back();
        return top.object ? (top.path.isEmpty() ? top.key : top.path + QLatin1Char('.') + top.key)
                          : itemText(top.path, top.index);
    };
    for (qsizetype i = 0; i < json.size(); ++i) {
        const char c = json[i];
        if (c == '{' || c == '[') {
            Level level;
            level.object = c == '{';
            level.path = childPath();
            levels.push_back(std::move(level));
            expectKey = c == '{';
        } else if (c == '}' || c == ']') {
            if (!levels.empty())
                levels.pop_back();
            expectKey = false;
        } else if (c == ',') {
            if (!levels.empty() && !levels.back().object)
                ++levels.back().index;
            expectKey = !levels.empty() && levels.back().object;
        } else if (c == '"') {
            const qsizetype start = i;
            bool escaped = false;
            for (++i; i < json.size() && json[i] != '"'; ++i) {
                if (json[i] == '\\') {
                    escaped = true;
                    ++i;
                }
            }
            if (!expectKey || levels.empty())
                continue;
            const QByteArray token = json.mid(start, i - start + 1);
            QString key = QString::fromUtf8(token.mid(1, token.size() - 2));
            if (escaped) // "na\u006De" is "name"
                key = QJsonDocument::fromJson("[" + token + "]").array().at(0).toString();
            Level &top = levels.back();
            if (top.keys.contains(key))
                return top.path.isEmpty() ? key : top.path + QLatin1Char('.') + key;
            top.keys.insert(key);
            top.key = key;
            expectKey = false;
        }
    }
    return {};
}

// The network of a description that was read; on a fault, nothing and *message says it.
std::optional<SimulatedNetwork> walk(const JsonValue &root, QString &message)
{
    try {
        return network(root);
    } catch (const Failure &failure) {
        message = failure.path.isEmpty() ? failure.message : failure.path + QStringLiteral(": ") + failure.message;
    }
    return std::nullopt;
}

} // namespace

std::optional<SimulatedNetwork> loadNetworkFromJson(const QByteArray &json, const QString &sourceName, QString *error)
{
    JsonTree tree;
    QString message;
    if (tree.read(json)) {
        if (auto loaded = walk(tree.root(), message))
            return loaded;
    } else {
        QJsonParseError parseError;
        const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
        if (parseError.error != QJsonParseError::NoError) {
            message = QStringLiteral("not valid JSON: %1 at %2")
                          .arg(parseError.errorString(), position(json, parseError.offset));
        } else if (!document.isObject()) {
            message = QStringLiteral("a network description is a JSON object");
        } else if (const QString repeated = repeatedKey(json); !repeated.isEmpty()) {
            message = repeated + QStringLiteral(": given twice");
        } else {
            tree.take(document.object());
            if (auto loaded = walk(tree.root(), message))
                return loaded;
        }
    }
    if (error)
        *error = sourceName + QStringLiteral(": ") + message;
    return std::nullopt;
}

std::optional<SimulatedNetwork> loadNetwork(const QString &path, QString *error)
{
    registerBuiltInNetwork();
    const auto failWith = [&](const QString &message) -> std::optional<SimulatedNetwork> {
        if (error)
            *error = path + QStringLiteral(": ") + message;
        return std::nullopt;
    };
    const QFileInfo info(path);
    if (!info.exists())
        return failWith(QStringLiteral("no such file"));
    if (info.isDir())
        return failWith(QStringLiteral("is a directory, not a network description"));
    // Opening a pipe would wait for a writer, and a device never ends.
    if (!info.isFile())
        return failWith(QStringLiteral("is not a regular file, not a network description"));
    if (info.size() > FileSizeMax)
        return failWith(QStringLiteral("is larger than %1 bytes").arg(FileSizeMax));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failWith(QStringLiteral("cannot be read: ") + file.errorString());
    const QByteArray json = file.read(FileSizeMax + 1);
    if (json.size() > FileSizeMax)
        return failWith(QStringLiteral("is larger than %1 bytes").arg(FileSizeMax));
    return loadNetworkFromJson(json, path, error);
}

QString chooseNetworkFile(const QString &networkOption)
{
    if (!networkOption.isEmpty())
        return networkOption;
    const QString fromEnvironment = qEnvironmentVariable("SORVIK_NETWORK");
    return fromEnvironment.isEmpty() ? BuiltInNetwork : fromEnvironment;
}

QString networkFileFromArguments(const QStringList &arguments)
{
    QString option;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == QLatin1String("--network") && i + 1 < arguments.size())
            option = arguments[++i];
        else if (argument.startsWith(QLatin1String("--network=")))
            option = argument.mid(10);
    }
    return chooseNetworkFile(option);
}

} // namespace sim
