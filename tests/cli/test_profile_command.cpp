#include "cli/CommandLine.h"
#include "profile/ProfileStore.h"

#include "CommandRun.h"
#include "ProfileTestUtil.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

CommandRun profile(const QStringList &args)
{
    return CommandRun::of(QStringList{QStringLiteral("profile")} + args);
}

QStringList setArgs(const ProfileValues &values)
{
    QStringList args;
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        args << QStringLiteral("--set") << it.key() + QLatin1Char('=') + it.value();
    return args;
}

// The message lines as 'sorvik profile' prints them on standard error, each after the command's name.
QString messages(const QString &lines)
{
    QString result;
    for (const QString &line : lines.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        result += QStringLiteral("sorvik profile: ") + line + QLatin1Char('\n');
    return result;
}

} // namespace

TEST(ProfileCommand, PrintsAll16ValuesInDataFileOrder)
{
    TestEnvironment::fresh();
    CommandRun run = profile({});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, QStringLiteral("First=\nLast=\nTitle=\nAddress1=\nAddress2=\nAddress3=\nCity=\nState=\n"
                                      "ZipCode=\nCountry=\nEmail=\nPhone=\nFax=\nCompany=\nSendTo=\nReseller=\n"));
    EXPECT_FALSE(QFileInfo::exists(ProfileStore::filePath()));

    ProfileValues values = ProfileTestUtil::complete();
    values[QStringLiteral("Title")] = QStringLiteral(" Dr = ; ");
    ASSERT_TRUE(ProfileStore::writeAll(values));
    run = profile({});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, QStringLiteral("First=Ada\nLast=Lovelace\nTitle= Dr = ; \nAddress1=12 St James's Square\n"
                                      "Address2=\nAddress3=\nCity=London\nState=Westminster\nZipCode=SW1Y 4JH\n"
                                      "Country=United Kingdom\nEmail=\nPhone=+44 20 0000 0000\nFax=\n"
                                      "Company=Analytical Engines Ltd\nSendTo=ada@example.org\nReseller=\n"));
    EXPECT_TRUE(run.err.isEmpty());
}

TEST(ProfileCommand, SetSavesACompleteProfileAndMergesLaterChanges)
{
    TestEnvironment::fresh();
    CommandRun run = profile(setArgs(ProfileTestUtil::complete()));
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_EQ(run.err, QStringLiteral("sorvik profile: Profile Information Saved\n"));
    EXPECT_EQ(ProfileStore::value(QStringLiteral("Company")), QStringLiteral("Analytical Engines Ltd"));

    // One change keeps the rest; the value after the first '=' is kept whole; the last pair wins.
    run = profile({QStringLiteral("--set"), QStringLiteral("Fax=a=b"), QStringLiteral("--set"),
                   QStringLiteral("Country=germany"), QStringLiteral("--set"), QStringLiteral("City= "),
                   QStringLiteral("--set"), QStringLiteral("Country=united states")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const auto stored = ProfileStore::readAll(false);
    EXPECT_EQ(stored->value(QStringLiteral("Fax")), QStringLiteral("a=b"));
    EXPECT_EQ(stored->value(QStringLiteral("City")), QStringLiteral(" "));
    EXPECT_EQ(stored->value(QStringLiteral("Country")), QStringLiteral("united states"));
    EXPECT_EQ(stored->value(QStringLiteral("First")), QStringLiteral("Ada"));

    // An optional value can be emptied again.
    run = profile({QStringLiteral("--set"), QStringLiteral("Fax=")});
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(ProfileStore::value(QStringLiteral("Fax")), QString());
}

TEST(ProfileCommand, RefusesAnIncompleteProfileNamingEveryMissingValue)
{
    TestEnvironment::fresh();
    CommandRun run = profile({QStringLiteral("--set"), QStringLiteral("Title=Dr")});
    EXPECT_EQ(run.status, 1);
    // Every required value, in the order the profile window checks them (Zip Code before State/Region,
    // Country last).
    EXPECT_EQ(run.err, messages(QStringLiteral("Please Enter First Name\nPlease Enter Last Name\nPlease Enter Address\n"
                                               "Please Enter your City\nPlease Enter your Zip Code\n"
                                               "Please Enter your State or Region\nPlease Enter your Phone Number\n"
                                               "Please Enter your Company Name\n"
                                               "Please enter the email address to send report to.\n"
                                               "Please Enter your Country Name\n")));
    EXPECT_FALSE(QFileInfo::exists(ProfileStore::filePath()));

    ProfileValues values = ProfileTestUtil::complete();
    values[QStringLiteral("ZipCode")].clear();
    values[QStringLiteral("State")].clear();
    run = profile(setArgs(values));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, messages(QStringLiteral("Please Enter your Zip Code\nPlease Enter your State or Region\n")));
    EXPECT_FALSE(QFileInfo::exists(ProfileStore::filePath()));

    // Emptying a required value of a stored profile is refused and changes nothing.
    ASSERT_TRUE(ProfileStore::writeAll(ProfileTestUtil::complete()));
    const QByteArray before = ProfileTestUtil::fileBytes();
    run = profile(
        {QStringLiteral("--set"), QStringLiteral("Fax=1"), QStringLiteral("--set"), QStringLiteral("Company=")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, messages(QStringLiteral("Please Enter your Company Name\n")));
    EXPECT_EQ(ProfileTestUtil::fileBytes(), before);
}

TEST(ProfileCommand, RefusesAnUnknownCountry)
{
    TestEnvironment::fresh();
    ASSERT_TRUE(ProfileStore::writeAll(ProfileTestUtil::complete()));
    const QByteArray before = ProfileTestUtil::fileBytes();
    const CommandRun run = profile({QStringLiteral("--set"), QStringLiteral("Country=Atlantis")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, messages(QStringLiteral("The country \"Atlantis\" is not in the country list "
                                               "(see 'sorvik profile --countries').\n")));
    EXPECT_EQ(ProfileTestUtil::fileBytes(), before);
}

TEST(ProfileCommand, RefusesLineBreaks)
{
    TestEnvironment::fresh();
    ASSERT_TRUE(ProfileStore::writeAll(ProfileTestUtil::complete()));
    const QByteArray before = ProfileTestUtil::fileBytes();
    const CommandRun run = profile({QStringLiteral("--set"), QStringLiteral("Address2=Suite 4\r\nFloor 2")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, messages(QStringLiteral("The profile value Address2 must not hold a line break.\n")));
    EXPECT_EQ(ProfileTestUtil::fileBytes(), before);
    // A tab would split the line's columns.
    const CommandRun tab = profile({QStringLiteral("--set"), QStringLiteral("City=Bath\tSpa")});
    EXPECT_EQ(tab.status, 1);
    EXPECT_EQ(tab.err,
              messages(QStringLiteral("The profile value City holds the control character U+0009, which a data file "
                                      "cannot hold.\n")));
    EXPECT_EQ(ProfileTestUtil::fileBytes(), before);
}

TEST(ProfileCommand, RefusesCharactersADataFileCannotHold)
{
    TestEnvironment::fresh();
    ProfileValues values = ProfileTestUtil::complete();
    // "é" and "€" are Windows-1252 characters; "Ł" and the emoji are not.
    values[QStringLiteral("City")] = QStringLiteral("Caf\u00e9 \u20ac");
    ASSERT_EQ(profile(setArgs(values)).status, 0);
    const QByteArray before = ProfileTestUtil::fileBytes();
    values[QStringLiteral("City")] = QStringLiteral("\u0141\u00f3d\u017a");
    values[QStringLiteral("Title")] = QString::fromUtf8("\xf0\x9f\x99\x82");
    const CommandRun run = profile(setArgs(values));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, messages(QStringLiteral(
                                    "The profile value City holds \"\u0141\" (U+0141), which a data file cannot hold.\n"
                                    "The profile value Title holds \"") +
                                QString::fromUtf8("\xf0\x9f\x99\x82") +
                                QStringLiteral("\" (U+1F642), which a data file cannot hold.\n")));
    EXPECT_EQ(ProfileTestUtil::fileBytes(), before);
}

TEST(ProfileCommand, ReadsValuesFromAFileAndListsTheCountries)
{
    TestEnvironment::fresh();
    const QString path = TestEnvironment::root() + QStringLiteral("/profile.txt");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    QByteArray lines = "# contact\r\n\n";
    const ProfileValues complete = ProfileTestUtil::complete();
    for (auto it = complete.cbegin(); it != complete.cend(); ++it)
        lines += (it.key() + QLatin1Char('=') + it.value()).toUtf8() + "\n";
    lines += "Fax= 01 = 02 \n";
    file.write(lines);
    file.close();
    // --set comes after the file.
    CommandRun run = profile({QStringLiteral("--from=") + path, QStringLiteral("--set"), QStringLiteral("City=Bath")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(ProfileStore::value(QStringLiteral("Fax")), QStringLiteral(" 01 = 02 "));
    EXPECT_EQ(ProfileStore::value(QStringLiteral("City")), QStringLiteral("Bath"));
    EXPECT_EQ(ProfileStore::value(QStringLiteral("Company")), complete.value(QStringLiteral("Company")));

    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("Town=Bath\n");
    file.close();
    run = profile({QStringLiteral("--from"), path});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, messages(path + QStringLiteral(":20: unknown profile value \"Town\"\n")));

    // Latin-1 bytes are not taken for characters, nor cut off at the end of a line.
    const QByteArray before = ProfileTestUtil::fileBytes();
    for (const char *latin1 : {"City=Lond\xe9n\n", "Last=Andr\xe9\n"}) {
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(latin1);
        file.close();
        run = profile({QStringLiteral("--from"), path});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, messages(path + QStringLiteral(":1: not UTF-8 text\n")));
    }
    // A device that never ends is not read.
    run = profile({QStringLiteral("--from"), QStringLiteral("/dev/zero")});
    EXPECT_EQ(run.err, messages(QStringLiteral("Cannot read /dev/zero: it is neither a regular file nor a pipe\n")));
    EXPECT_EQ(ProfileTestUtil::fileBytes(), before);

    run = profile({QStringLiteral("--countries")});
    EXPECT_EQ(run.status, 0);
    const QStringList countries = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(countries.size(), 240);
    EXPECT_EQ(countries.first(), QStringLiteral("United States"));
    EXPECT_EQ(countries.last(), QStringLiteral("Zimbabwe"));
    EXPECT_EQ(countries.count(QStringLiteral("United States")), 2);
}

TEST(ProfileCommand, UsageErrorsAndHelp)
{
    TestEnvironment::fresh();
    for (const QStringList &args :
         {QStringList{QStringLiteral("--set")}, QStringList{QStringLiteral("--set"), QStringLiteral("First")},
          QStringList{QStringLiteral("--set"), QStringLiteral("first=Ada")},
          QStringList{QStringLiteral("--set"), QStringLiteral("=Ada")}, QStringList{QStringLiteral("--bogus")},
          QStringList{QStringLiteral("First=Ada")}}) {
        const CommandRun run = profile(args);
        EXPECT_EQ(run.status, 2) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(run.err.contains(QStringLiteral("Usage: sorvik profile"))) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
    EXPECT_FALSE(QFileInfo::exists(ProfileStore::filePath()));

    const CommandRun help = profile({QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.startsWith(QStringLiteral("Usage: sorvik profile [--set NAME=VALUE]...")));
    EXPECT_TRUE(help.err.isEmpty());
}

TEST(ProfileCommand, StoreFailuresExitWith1)
{
    TestEnvironment::fresh();
    QFile blocker(TestEnvironment::root() + QStringLiteral("/config/sorvik"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    CommandRun run = profile(setArgs(ProfileTestUtil::complete()));
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(
        run.err.startsWith(QStringLiteral("sorvik profile: Cannot save the profile file ") + ProfileStore::filePath()))
        << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());

    TestEnvironment::fresh();
    QDir().mkpath(ProfileStore::filePath());
    run = profile({});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(
        run.err.startsWith(QStringLiteral("sorvik profile: Cannot read the profile file ") + ProfileStore::filePath()))
        << run.err.toStdString();
}
