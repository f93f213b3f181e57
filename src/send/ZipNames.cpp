#include "send/ZipNames.h"

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
    return Windows1252::fromUnicode(Windows1252::toUnicode(storedName).toUpper());
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
bool matchFrom(const QString &name, qsizetype n, const QString &mask, qsizetype m)
{
    while (m < mask.size()) {
        const QChar c = mask.at(m);
        if (c == QLatin1Char('*')) {
            while (m < mask.size() && mask.at(m) == QLatin1Char('*'))
                ++m;
            if (m == mask.size())
                return true;
            for (qsizetype k = n; k <= name.size(); ++k)
                if (matchFrom(name, k, mask, m))
                    return true;
            return false;
        }
        if (n == name.size())
            return false;
        if (c != QLatin1Char('?') && c.toUpper() != name.at(n).toUpper())
            return false;
        ++n;
        ++m;
    }
    return n == name.size();
}
} // namespace

bool matchesMask(const QString &name, const QString &mask)
{
    if (mask == QStringLiteral("*.*"))
        return true;
    return matchFrom(name, 0, mask, 0);
}

} // namespace ZipNames
