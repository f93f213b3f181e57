#include "send/zip/ZipNames.h"

#include "platform/Windows1252.h"

namespace ZipNames {

QString storedName(const QString &givenName, unsigned storeOptions)
{
    const QChar backslash = QLatin1Char('\\');
    QString name = givenName;
    name.replace(QLatin1Char('/'), backslash);
    if (storeOptions & soStripDrive) {
        if (name.size() >= 2 && name.at(1) == QLatin1Char(':') && name.at(0).isLetter()) {
            name.remove(0, 2);
            if (name.startsWith(backslash))
                name.remove(0, 1);
        } else if (name.startsWith(QStringLiteral("\\\\"))) {
            // \\SERVER\SHARE\rest: the server and the share go.
            const qsizetype afterServer = name.indexOf(backslash, 2);
            const qsizetype afterShare = afterServer < 0 ? -1 : name.indexOf(backslash, afterServer + 1);
            name = afterShare < 0 ? QString() : name.mid(afterShare);
        }
    }
    if (name.startsWith(backslash))
        name.remove(0, 1);
    if (storeOptions & soRemoveDots) {
        while (name.startsWith(QStringLiteral("..\\")))
            name.remove(0, 3);
    }
    if (storeOptions & soStripPath) {
        const qsizetype last = name.lastIndexOf(backslash);
        if (last >= 0)
            name = name.mid(last + 1);
    }
    name.replace(backslash, QLatin1Char('/'));
    return name;
}

QByteArray upperCased(const QByteArray &storedName)
{
    // One character at a time: a character whose upper case is not one Windows-1252 character
    // ("ß", "µ") stays as it is, so that distinct names stay distinct.
    QByteArray upper = storedName;
    for (char &c : upper) {
        // Windows-1252 is ASCII below 128, and there only a to z change.
        if (static_cast<unsigned char>(c) < 0x80) {
            if (c >= 'a' && c <= 'z')
                c = char(c - 'a' + 'A');
            continue;
        }
        const QChar unicode = Windows1252::toUnicode(QByteArray(1, c)).at(0);
        const QChar up = unicode.toUpper();
        if (up != unicode) {
            const QByteArray mapped = Windows1252::fromUnicode(QString(up));
            if (mapped != "?")
                c = mapped.at(0);
        }
    }
    return upper;
}

int bucketOf(const QByteArray &storedName)
{
    std::uint32_t h = 0;
    for (const char c : upperCased(storedName)) {
        h = (h << 4) + static_cast<unsigned char>(c);
        const std::uint32_t g = h & 0xF0000000u;
        if (g != 0) {
            h ^= g >> 24;
            h &= ~g;
        }
    }
    return int(h % 1021);
}

namespace {
bool sameLetter(QChar a, QChar b)
{
    return a == b || a.toUpper() == b.toUpper();
}
} // namespace

bool matchesMask(const QString &name, const QString &mask)
{
    if (mask == QStringLiteral("*.*"))
        return true;
    // Linear in the lengths: on a mismatch, the last "*" takes one more character and the match
    // goes on from there.
    qsizetype n = 0, m = 0;
    qsizetype star = -1, resume = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask.at(m) == QLatin1Char('*')) {
            star = m++;
            resume = n;
        } else if (m < mask.size() && (mask.at(m) == QLatin1Char('?') || sameLetter(mask.at(m), name.at(n)))) {
            ++m;
            ++n;
        } else if (star >= 0) {
            m = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask.at(m) == QLatin1Char('*'))
        ++m;
    return m == mask.size();
}

} // namespace ZipNames
