#include "profile/ProfileCommand.h"

#include "profile/ProfileRules.h"
#include "profile/ProfileStore.h"

#include <utility>
#include <vector>

namespace {

void printUsage(QTextStream &stream)
{
    stream << "Usage: sorvik profile [--set NAME=VALUE]...\n"
              "\n"
              "Without options, prints the stored contact profile, one NAME=value line per value.\n"
              "With --set (one pair each, may be repeated), merges the given values into the stored\n"
              "profile and saves it. Nothing is saved unless every required value is filled, the\n"
              "country is one of the country list (letter case ignored) and no value holds a line break.\n"
              "\n"
              "NAME is one of: "
           << ProfileStore::dataFileOrder().join(QStringLiteral(", "))
           << "\n"
              "Required: "
           << ProfileRules::checkingOrder().join(QStringLiteral(", "))
           << "\n"
              "\n"
              "Exit status: 0 done, 1 refused or failed, 2 usage error.\n";
}

int usageError(QTextStream &err, const QString &text)
{
    err << "sorvik profile: " << text << "\n";
    printUsage(err);
    return 2;
}

int printProfile(QTextStream &out, QTextStream &err)
{
    QString error;
    const auto values = ProfileStore::readAll(false, &error);
    if (!values) {
        err << error << "\n";
        return 1;
    }
    // One line per value, as the data file shows it.
    for (const QString &name : ProfileStore::dataFileOrder())
        out << name << '=' << ProfileRules::withoutLineBreaks(values->value(name)) << "\n";
    return 0;
}

} // namespace

int runProfileCommand(const QStringList &args, QTextStream &out, QTextStream &err)
{
    std::vector<std::pair<QString, QString>> changes;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (arg == QStringLiteral("--help") || arg == QStringLiteral("-h")) {
            printUsage(out);
            return 0;
        }
        if (arg != QStringLiteral("--set"))
            return usageError(err, QStringLiteral("unknown argument \"%1\"").arg(arg));
        if (i + 1 >= args.size())
            return usageError(err, QStringLiteral("--set needs NAME=VALUE"));
        const QString &pair = args[++i];
        const qsizetype equals = pair.indexOf(QLatin1Char('='));
        if (equals < 0)
            return usageError(err, QStringLiteral("--set needs NAME=VALUE, got \"%1\"").arg(pair));
        const QString name = pair.left(equals);
        if (!ProfileStore::storageOrder().contains(name))
            return usageError(err, QStringLiteral("unknown profile value \"%1\"").arg(name));
        changes.emplace_back(name, pair.mid(equals + 1));
    }
    if (changes.empty())
        return printProfile(out, err);

    QString error;
    auto values = ProfileStore::readAll(false, &error);
    if (!values) {
        err << error << "\n";
        return 1;
    }
    for (const auto &[name, value] : changes)
        values->insert(name, value);

    // A data file holds one value per line; a line break would split it.
    for (const QString &name : ProfileStore::storageOrder()) {
        if (ProfileRules::hasLineBreak(values->value(name))) {
            err << "The profile value " << name << " must not hold a line break.\n";
            return 1;
        }
    }
    if (const auto missing = ProfileRules::firstMissing(*values)) {
        err << *missing << "\n";
        return 1;
    }
    if (ProfileRules::countryIndex(values->value(QStringLiteral("Country"))) < 0) {
        err << ProfileRules::invalidCountryWarning() << "\n";
        return 1;
    }
    if (!ProfileStore::writeAll(*values, &error)) {
        err << error << "\n";
        return 1;
    }
    out << "Profile Information Saved\n";
    return 0;
}
