#include "platform/Locale.h"

#include "platform/Windows1252.h"

#include <QLocale>

namespace {

// Primary weight of a byte: blanks and punctuation, then digits, then letters (case folded),
// then the bytes above 0x7F in their order.
int primaryWeight(unsigned char c)
{
    if (c >= '0' && c <= '9')
        return 0x100 + c;
    if (c >= 'a' && c <= 'z')
        return 0x200 + (c - 'a');
    if (c >= 'A' && c <= 'Z')
        return 0x200 + (c - 'A');
    if (c >= 0x80)
        return 0x300 + c;
    return c; // control characters, blank and punctuation
}

QString separatorIn(const QString &format, const QString &fallback)
{
    for (const QChar ch : format) {
        if (!ch.isLetter() && ch != QLatin1Char('\'') && !ch.isSpace())
            return QString(ch);
    }
    return fallback;
}

} // namespace

namespace Locale {

int wordCompare(const QByteArray &a, const QByteArray &b)
{
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i) {
        const int wa = primaryWeight(static_cast<unsigned char>(a[i]));
        const int wb = primaryWeight(static_cast<unsigned char>(b[i]));
        if (wa != wb)
            return wa < wb ? -1 : 1;
    }
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    // Equal but for case: the first difference decides, lower case first.
    for (qsizetype i = 0; i < common; ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if (ca != cb)
            return ca > cb ? -1 : 1; // 'a' (0x61) sorts before 'A' (0x41)
    }
    return 0;
}

QByteArray formatGrouped(quint32 value)
{
    const QByteArray digits = QByteArray::number(value);
    const QByteArray separator = Windows1252::fromUnicode(thousandsSeparator());
    QByteArray out;
    out.reserve(digits.size() + digits.size() / 3 * separator.size());
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out.append(separator);
        out.append(digits[i]);
    }
    return out;
}

QString thousandsSeparator() { return QLocale().groupSeparator(); }

QString dateSeparator() { return separatorIn(QLocale().dateFormat(QLocale::ShortFormat), QStringLiteral("/")); }

QString timeSeparator() { return separatorIn(QLocale().timeFormat(QLocale::ShortFormat), QStringLiteral(":")); }

} // namespace Locale
