#include "platform/Locale.h"
#include "platform/Windows1252.h"

#include <gtest/gtest.h>

#include <QLocale>

#include <algorithm>
#include <vector>

namespace {

std::vector<QByteArray> sorted(std::vector<QByteArray> v)
{
    std::stable_sort(v.begin(), v.end(), Locale::wordLess);
    return v;
}

} // namespace

TEST(WordSort, LettersIgnoreCaseAndCaseOnlyBreaksTies)
{
    EXPECT_GT(Locale::wordCompare("SFT Level", "Server Version"), 0);
    EXPECT_GT(Locale::wordCompare("TTS Level", "Transport Type"), 0);
    EXPECT_LT(Locale::wordCompare("abc", "ABD"), 0);
    EXPECT_LT(Locale::wordCompare("abc", "ABC"), 0);
    EXPECT_GT(Locale::wordCompare("ABC", "abc"), 0);
    EXPECT_EQ(Locale::wordCompare("abc", "abc"), 0);
}

TEST(WordSort, PunctuationBeforeDigitsBeforeLettersAndPrefixFirst)
{
    const auto order = sorted({"b", "1", "a1", "a", "_x", " z", "a.b", "A"});
    const std::vector<QByteArray> expected = {" z", "_x", "1", "a", "A", "a.b", "a1", "b"};
    EXPECT_EQ(order, expected);
    EXPECT_LT(Locale::wordCompare("Max Connections", "Max Connections Ever Used"), 0);
    EXPECT_LT(Locale::wordCompare("Server Date & Time", "Server Name"), 0);
}

TEST(GroupedNumber, UsesTheThousandsSeparator)
{
    EXPECT_EQ(Locale::formatGrouped(0), "0");
    EXPECT_EQ(Locale::formatGrouped(999), "999");
    EXPECT_EQ(Locale::formatGrouped(1234567), "1,234,567");
    EXPECT_EQ(Locale::formatGrouped(4294967295u), "4,294,967,295");
    // A separator taken once for a run of numbers, of any length.
    EXPECT_EQ(Locale::formatGrouped(1000, "\xA0"), "1\xA0"
                                                   "000");
    EXPECT_EQ(Locale::formatGrouped(1234567, "''"), "1''234''567");
    EXPECT_EQ(Locale::formatGrouped(100, ""), "100");
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(Locale::formatGrouped(32768), "32.768");
    EXPECT_EQ(Locale::dateSeparator(), QStringLiteral("."));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(Locale::dateSeparator(), QStringLiteral("/"));
    EXPECT_EQ(Locale::timeSeparator(), QStringLiteral(":"));
}

TEST(Windows1252, RoundTripAndReplacement)
{
    const QByteArray bytes("\x80\x93\xE9\x41", 4);
    const QString text = Windows1252::toUnicode(bytes);
    EXPECT_EQ(text, QString::fromUtf8("\u20AC\u201C\u00E9A"));
    EXPECT_EQ(Windows1252::fromUnicode(text), bytes);
    EXPECT_EQ(Windows1252::fromUnicode(QString::fromUtf8("\u4E2D\U0001F600x")), QByteArray("??x"));
}

TEST(WordSort, AccentedLettersSortWithTheirBaseLetterWithoutRegardToCase)
{
    // \xC9 = É, \xE9 = é, \xDF = ß, \x8A = Š
    EXPECT_GT(Locale::wordCompare("\xC9z", "\xE9"
                                           "a"),
              0)
        << "case of an accented letter does not decide first";
    EXPECT_LT(Locale::wordCompare("\xC9"
                                  "cole",
                                  "Zebra"),
              0);
    EXPECT_LT(Locale::wordCompare("e", "\xE9"), 0) << "the plain letter first";
    EXPECT_LT(Locale::wordCompare("\xE9"
                                  "a",
                                  "eb"),
              0)
        << "the accent only breaks ties";
    EXPECT_LT(Locale::wordCompare("\xE9", "\xC9"), 0) << "lower case first on ties";
    EXPECT_LT(Locale::wordCompare("\xDF", "t"), 0);
    EXPECT_GT(Locale::wordCompare("\xDF", "r"), 0);
    EXPECT_LT(Locale::wordCompare("\x8A"
                                  "a",
                                  "sb"),
              0);
    EXPECT_LT(Locale::wordCompare("\xA9", "0"), 0) << "symbols sort with punctuation";
}

TEST(GroupedNumber, SeparatorsADataFileCannotHoldAreReplaced)
{
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    const QByteArray grouped = Locale::formatGrouped(1234567);
    EXPECT_TRUE(grouped == QByteArray("1\xA0"
                                      "234\xA0"
                                      "567") ||
                grouped == QByteArray("1 234 567"))
        << grouped.toHex().constData();
    QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::SaudiArabia));
    EXPECT_NE(Locale::dateSeparator().at(0).category(), QChar::Other_Format);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}
