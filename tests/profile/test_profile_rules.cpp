#include "profile/ProfileRules.h"
#include "profile/ProfileStore.h"

#include "ProfileTestUtil.h"

#include <gtest/gtest.h>

#include <QSet>

TEST(ProfileRules, FieldsKeepGridRowsLabelsAndStoredNames)
{
    const auto &fields = ProfileRules::fields();
    ASSERT_EQ(fields.size(), 16u);
    EXPECT_EQ(fields[0].label, QStringLiteral("First Name"));
    EXPECT_EQ(ProfileRules::row(QStringLiteral("Country")), 9);
    EXPECT_EQ(ProfileRules::row(QStringLiteral("SendTo")), 14);
    EXPECT_EQ(ProfileRules::field(QStringLiteral("SendTo"))->label, QStringLiteral("Email Y2K Report to me at"));
    EXPECT_EQ(ProfileRules::field(QStringLiteral("Reseller"))->label, QStringLiteral("Preferred Reseller"));
    EXPECT_EQ(ProfileRules::row(QStringLiteral("Nope")), -1);

    // Every stored name appears once in each order.
    QSet<QString> names;
    for (const auto &f : fields)
        names.insert(f.name);
    EXPECT_EQ(names, QSet<QString>(ProfileStore::storageOrder().cbegin(), ProfileStore::storageOrder().cend()));
    EXPECT_EQ(names, QSet<QString>(ProfileStore::dataFileOrder().cbegin(), ProfileStore::dataFileOrder().cend()));

    int required = 0;
    for (const auto &f : fields)
        required += f.required() ? 1 : 0;
    EXPECT_EQ(required, 10);
    EXPECT_FALSE(ProfileRules::field(QStringLiteral("Title"))->required());
}

TEST(ProfileRules, FirstMissingFollowsTheCheckingOrder)
{
    ProfileValues values;
    EXPECT_EQ(ProfileRules::firstMissing(values), QStringLiteral("Please Enter First Name"));

    values = ProfileTestUtil::complete();
    EXPECT_EQ(ProfileRules::firstMissing(values), std::nullopt);

    // City before Zip Code, Zip Code before State/Region.
    values[QStringLiteral("City")].clear();
    values[QStringLiteral("ZipCode")].clear();
    values[QStringLiteral("State")].clear();
    EXPECT_EQ(ProfileRules::firstMissing(values), QStringLiteral("Please Enter your City"));
    values[QStringLiteral("City")] = QStringLiteral("x");
    EXPECT_EQ(ProfileRules::firstMissing(values), QStringLiteral("Please Enter your Zip Code"));
    values[QStringLiteral("ZipCode")] = QStringLiteral("x");
    EXPECT_EQ(ProfileRules::firstMissing(values), QStringLiteral("Please Enter your State or Region"));

    // Country comes last of all, after the report address.
    values = ProfileTestUtil::complete();
    values[QStringLiteral("Country")].clear();
    values[QStringLiteral("SendTo")].clear();
    EXPECT_EQ(ProfileRules::firstMissing(values), QStringLiteral("Please enter the email address to send report to."));
    values[QStringLiteral("SendTo")] = QStringLiteral("x");
    EXPECT_EQ(ProfileRules::firstMissing(values), QStringLiteral("Please Enter your Country Name"));

    // A single blank is filled; optional fields may stay empty.
    values = ProfileTestUtil::complete();
    values[QStringLiteral("First")] = QStringLiteral(" ");
    values[QStringLiteral("Title")].clear();
    EXPECT_EQ(ProfileRules::firstMissing(values), std::nullopt);
}

TEST(ProfileRules, CountryListHas240EntriesWithTheDefaultFirst)
{
    const QStringList &all = ProfileRules::countries();
    ASSERT_EQ(all.size(), 240);
    EXPECT_EQ(all.first(), QStringLiteral("United States"));
    EXPECT_EQ(ProfileRules::defaultCountry(), QStringLiteral("United States"));
    EXPECT_EQ(all[1], QStringLiteral("Afghanistan"));
    EXPECT_EQ(all.last(), QStringLiteral("Zimbabwe"));
    EXPECT_EQ(all.count(QStringLiteral("United States")), 2);
    const qsizetype second = all.lastIndexOf(QStringLiteral("United States"));
    EXPECT_EQ(all[second - 1], QStringLiteral("United Kingdom"));
    EXPECT_EQ(all[second + 1], QStringLiteral("United States Minor Outlying Islands"));

    // Entries 1 to 239 are alphabetical, letter case ignored, and otherwise unique.
    for (qsizetype i = 2; i < all.size(); ++i)
        EXPECT_LT(all[i - 1].compare(all[i], Qt::CaseInsensitive), 0) << all[i - 1].toStdString();
    qsizetype longest = 0;
    for (const QString &entry : all)
        longest = std::max(longest, entry.size());
    EXPECT_EQ(longest, 44);
    EXPECT_TRUE(all.contains(QStringLiteral("Cote D'ivoire")));
    EXPECT_TRUE(all.contains(QStringLiteral("Congo, The Democratic Republic Of The")));
    EXPECT_TRUE(all.contains(QStringLiteral("Virgin Islands (U.S.)")));
}

TEST(ProfileRules, CountryMatchIgnoresCaseOnly)
{
    EXPECT_EQ(ProfileRules::countryIndex(QStringLiteral("united states")), 0);
    EXPECT_EQ(ProfileRules::countryIndex(QStringLiteral("Afghanistan")), 1);
    EXPECT_EQ(ProfileRules::countryIndex(QStringLiteral("ZIMBABWE")), 239);
    EXPECT_EQ(ProfileRules::countryIndex(QStringLiteral("cote d'IVOIRE")),
              ProfileRules::countries().indexOf(QStringLiteral("Cote D'ivoire")));
    EXPECT_EQ(ProfileRules::countryIndex(QStringLiteral("Germany ")), -1);
    EXPECT_EQ(ProfileRules::countryIndex(QStringLiteral("Germ")), -1);
    EXPECT_EQ(ProfileRules::countryIndex(QStringLiteral("USA")), -1);
    EXPECT_EQ(ProfileRules::countryIndex(QString()), -1);
    EXPECT_EQ(ProfileRules::invalidCountryWarning(),
              QStringLiteral("Invalid COUNTRY code.  Defaulting to 'United States'.\n\n"
                             "Verify COUNTRY code and click 'Save Profile'."));
}

TEST(ProfileRules, LineBreaksBecomeOneBlankEach)
{
    EXPECT_FALSE(ProfileRules::hasLineBreak(QStringLiteral("a\tb  c")));
    EXPECT_TRUE(ProfileRules::hasLineBreak(QStringLiteral("a\nb")));
    EXPECT_TRUE(ProfileRules::hasLineBreak(QStringLiteral("a\rb")));
    EXPECT_TRUE(ProfileRules::hasLineBreak(QString(QChar(0x2028))));
    EXPECT_EQ(ProfileRules::withoutLineBreaks(QStringLiteral("12 Main St\r\nSuite 4\n\nx\r")),
              QStringLiteral("12 Main St Suite 4  x "));
    EXPECT_EQ(ProfileRules::withoutLineBreaks(QStringLiteral(" kept  as is ")), QStringLiteral(" kept  as is "));
}
