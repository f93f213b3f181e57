#pragma once

#include <QByteArray>
#include <QString>

// The workstation's locale in one place: the word-sort comparison that orders every list of rows,
// the thousands separator and the date and time separators. All follow QLocale's default locale,
// which is the system locale unless a test sets another with QLocale::setDefault.
namespace Locale {

// Word-sort comparison of two Windows-1252 texts: letters compare without regard to case, blanks
// and punctuation before digits, digits before letters, a prefix before the longer text, and
// case only breaks ties between texts that are otherwise equal (lower case first).
// Returns a negative number, 0 or a positive number.
int wordCompare(const QByteArray &a, const QByteArray &b);
inline bool wordLess(const QByteArray &a, const QByteArray &b)
{
    return wordCompare(a, b) < 0;
}

// "###,###,###,##0": an unsigned 32-bit number grouped in threes with the thousands separator.
// This form reads the locale on every call; a run of numbers (the rows of a collector) takes the
// separator once with groupSeparatorBytes() and formats with the second form.
QByteArray formatGrouped(quint32 value);
QByteArray formatGrouped(quint32 value, const QByteArray &separator);
// The thousands separator as the Windows-1252 bytes a data file holds.
QByteArray groupSeparatorBytes();

QString thousandsSeparator();
QString dateSeparator();
QString timeSeparator();

} // namespace Locale
