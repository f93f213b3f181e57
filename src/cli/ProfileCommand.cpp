#include "cli/ProfileCommand.h"

#include "cli/Console.h"
#include "profile/ProfileRules.h"
#include "profile/ProfileStore.h"

namespace {

const QCommandLineOption setOption(QStringLiteral("set"), QStringLiteral("Change one profile value."),
                                   QStringLiteral("NAME=VALUE"));

int printProfile(Console &console)
{
    QString error;
    const auto values = ProfileStore::readAll(false, &error);
    if (!values) {
        console.err() << error << "\n";
        return 1;
    }
    // One line per value, as the data file shows it.
    for (const QString &name : ProfileStore::dataFileOrder())
        console.out() << name << '=' << ProfileRules::withoutLineBreaks(values->value(name)) << "\n";
    return 0;
}

} // namespace

QString ProfileCommand::summary() const
{
    return QStringLiteral("show the contact profile, or change and save values of it");
}

QString ProfileCommand::details() const
{
    return QStringLiteral("\n"
                          "Without options, prints the stored contact profile, one NAME=value line per value.\n"
                          "With --set (one pair each, may be repeated), merges the given values into the stored\n"
                          "profile and saves it. Nothing is saved unless every required value is filled, the\n"
                          "country is one of the country list (letter case ignored) and no value holds a line break.\n"
                          "\n"
                          "NAME is one of: ") +
           ProfileStore::dataFileOrder().join(QStringLiteral(", ")) + QStringLiteral("\nRequired: ") +
           ProfileRules::checkingOrder().join(QStringLiteral(", ")) +
           QStringLiteral("\n"
                          "\n"
                          "Exit status: 0 done, 1 refused or failed, 2 usage error.\n");
}

void ProfileCommand::addOptions(QCommandLineParser &parser) const
{
    parser.addOption(setOption);
}

QString ProfileCommand::usageProblem(const QCommandLineParser &parser) const
{
    if (const QString problem = Command::usageProblem(parser); !problem.isEmpty())
        return problem;
    for (const QString &pair : parser.values(setOption)) {
        const qsizetype equals = pair.indexOf(QLatin1Char('='));
        if (equals < 0)
            return QStringLiteral("--set needs NAME=VALUE, got \"%1\"").arg(pair);
        if (!ProfileStore::storageOrder().contains(pair.left(equals)))
            return QStringLiteral("unknown profile value \"%1\"").arg(pair.left(equals));
    }
    return {};
}

int ProfileCommand::run(const QCommandLineParser &parser, const CommandContext &, Console &console)
{
    const QStringList pairs = parser.values(setOption);
    if (pairs.isEmpty())
        return printProfile(console);

    QString error;
    auto values = ProfileStore::readAll(false, &error);
    if (!values) {
        console.err() << error << "\n";
        return 1;
    }
    for (const QString &pair : pairs) {
        const qsizetype equals = pair.indexOf(QLatin1Char('='));
        values->insert(pair.left(equals), pair.mid(equals + 1));
    }

    // A data file holds one value per line; a line break would split it.
    for (const QString &name : ProfileStore::storageOrder()) {
        if (ProfileRules::hasLineBreak(values->value(name))) {
            console.err() << "The profile value " << name << " must not hold a line break.\n";
            return 1;
        }
    }
    if (const auto missing = ProfileRules::firstMissing(*values)) {
        console.err() << *missing << "\n";
        return 1;
    }
    if (ProfileRules::countryIndex(values->value(QStringLiteral("Country"))) < 0) {
        console.err() << ProfileRules::invalidCountryWarning() << "\n";
        return 1;
    }
    if (!ProfileStore::writeAll(*values, &error)) {
        console.err() << error << "\n";
        return 1;
    }
    console.out() << "Profile Information Saved\n";
    return 0;
}
