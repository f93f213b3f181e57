#include "platform/Locale.h"

#include "platform/Windows1252.h"

#include <QLocale>

#include <algorithm>
#include <array>

namespace {

// Windows-1252 letters: the lower-case form of every byte (accented capitals included) and the
// base letter it sorts with ("é" with "e", "ß" with "s").
struct LetterTables
{
    std::array<unsigned char, 256> lower{};
    std::array<char, 256> base{};

    LetterTables()
    {
        for (int c = 0; c < 256; ++c)
            lower[c] = static_cast<unsigned char>(c);
        for (int c = 'A'; c <= 'Z'; ++c)
            lower[c] = static_cast<unsigned char>(c + 0x20);
        for (int c = 0xC0; c <= 0xDE; ++c)
            if (c != 0xD7)
                lower[c] = static_cast<unsigned char>(c + 0x20);
        lower[0x8A] = 0x9A; // Š
        lower[0x8C] = 0x9C; // Œ
        lower[0x8E] = 0x9E; // Ž
        lower[0x9F] = 0xFF; // Ÿ
        for (int c = 'a'; c <= 'z'; ++c)
            base[c] = char(c);
        const char *accented = "aaaaaaaceeeeiiiidnooooo\0ouuuuyty"; // 0xE0 to 0xFF, 0xF7 is no letter
        for (int c = 0xE0; c <= 0xFF; ++c)
            base[c] = accented[c - 0xE0];
        base[0xDF] = 's'; // ß
        base[0x9A] = 's';
        base[0x9C] = 'o';
        base[0x9E] = 'z';
        base[0x83] = 'f'; // ƒ
    }
};

const LetterTables &letters()
{
    static const LetterTables tables;
    return tables;
}

// Primary weight of a byte: blanks, punctuation and other symbols, then digits, then letters by
// their base letter, case and accents ignored.
int primaryWeight(unsigned char c)
{
    if (c >= '0' && c <= '9')
        return 0x100 + c;
    const char base = letters().base[letters().lower[c]];
    if (base != 0)
        return 0x200 + (base - 'a');
    return c;
}

// A separator a data file can hold: narrow and thin spaces become the no-break space, and a
// character Windows-1252 has no byte for gives way to the fallback.
QString writable(const QString &separator, const QString &fallback)
{
    QString text = separator;
    for (QChar &ch : text)
        if (ch == QChar(0x202F) || ch == QChar(0x2009) || ch == QChar(0x2007))
            ch = QChar(0x00A0);
    if (text.isEmpty() || Windows1252::toUnicode(Windows1252::fromUnicode(text)) != text)
        return fallback;
    return text;
}

// The first character of a date or time format that is no field letter, quote, blank or
// invisible direction mark.
QString separatorIn(const QString &format, const QString &fallback)
{
    for (const QChar ch : format) {
        if (!ch.isLetter() && ch != QLatin1Char('\'') && !ch.isSpace() && ch.category() != QChar::Other_Format)
            return writable(QString(ch), fallback);
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
    // Equal letters: the first accent difference decides, the plain letter first.
    for (qsizetype i = 0; i < common; ++i) {
        const unsigned char la = letters().lower[static_cast<unsigned char>(a[i])];
        const unsigned char lb = letters().lower[static_cast<unsigned char>(b[i])];
        if (la != lb)
            return la < lb ? -1 : 1;
    }
    // Equal but for case: the first difference decides, lower case first.
    for (qsizetype i = 0; i < common; ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if (ca != cb)
            return letters().lower[ca] == ca ? -1 : 1;
    }
    return 0;
}

QByteArray formatGrouped(quint32 value)
{
    return formatGrouped(value, groupSeparatorBytes());
}

QByteArray formatGrouped(quint32 value, const QByteArray &separator)
{
    char digits[10];
    int count = 0;
    do {
        digits[count++] = char('0' + value % 10);
        value /= 10;
    } while (value != 0);
    QByteArray out(count + (count - 1) / 3 * separator.size(), Qt::Uninitialized);
    char *next = out.data();
    for (int i = count - 1; i >= 0; --i) {
        *next++ = digits[i];
        if (i > 0 && i % 3 == 0)
            next = std::copy(separator.cbegin(), separator.cend(), next);
    }
    return out;
}

QByteArray groupSeparatorBytes()
{
    return Windows1252::fromUnicode(thousandsSeparator());
}

QString thousandsSeparator()
{
    return writable(QLocale().groupSeparator(), QStringLiteral(","));
}

QString dateSeparator()
{
    return separatorIn(QLocale().dateFormat(QLocale::ShortFormat), QStringLiteral("/"));
}

QString timeSeparator()
{
    return separatorIn(QLocale().timeFormat(QLocale::ShortFormat), QStringLiteral(":"));
}

} // namespace Locale
