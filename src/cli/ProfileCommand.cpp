#include "cli/Commands.h"

#include "cli/CommandLine.h"
#include "cli/Console.h"
#include "platform/SmallFile.h"
#include "platform/Windows1252.h"
#include "profile/ProfileRules.h"
#include "profile/ProfileStore.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QStringDecoder>

namespace {

const Command::Text text{QStringLiteral("profile"), QStringLiteral("[--set NAME=VALUE]... [--from FILE] [--countries]"),
                         QStringLiteral("show the contact profile, or change and save values of it"),
                         QStringLiteral(R"(
Without options, prints the stored contact profile, one NAME=value line per
value. With --from (a file of NAME=VALUE lines; blank lines and lines
starting with # are skipped) and --set (one pair each, may be repeated,
applied after the file), merges the given values into the stored profile and
saves it. Nothing is saved unless every required value is filled, the
country is one of the country list (letter case ignored), no value holds a
line break and every character can be written into a data file
(Windows-1252); every reason is reported at once. A --from input that is
empty or cannot be read saves nothing.

NAME is one of: %1

Required: %2

Options:
  --set NAME=VALUE   change one profile value
  --from FILE        read NAME=VALUE lines from FILE (- for standard input)
  --countries        list the 240 entries of the country list, one per line
  --json             print the 16 values (or the country list) as one JSON
                     object
  --help             show this text

Exit status:
  0    done
  1    refused or failed
  2    usage error
)")
                             .arg(filled(ProfileStore::dataFileOrder().join(QStringLiteral(", ")).split(u' '),
                                         int(qstrlen("NAME is one of: ")), 0),
                                  filled(ProfileRules::checkingOrder().join(QStringLiteral(", ")).split(u' '),
                                         int(qstrlen("Required: ")), 0))};

const QCommandLineOption setOption(QStringLiteral("set"), QStringLiteral("change one profile value"),
                                   QStringLiteral("NAME=VALUE"));
const QCommandLineOption fromOption(QStringLiteral("from"),
                                    QStringLiteral("read NAME=VALUE lines from FILE (before any --set)"),
                                    QStringLiteral("FILE"));
const QCommandLineOption countriesOption(QStringLiteral("countries"),
                                         QStringLiteral("list the 240 entries of the country list"));
const QCommandLineOption &jsonOption = Console::jsonOption();

int printProfile(Console &console)
{
    QString error;
    const auto values = ProfileStore::readAll(false, &error);
    if (!values) {
        console.message(error);
        return CommandLine::Failed;
    }
    if (console.json()) {
        QJsonObject profile;
        for (const QString &name : ProfileStore::dataFileOrder())
            profile.insert(name, values->value(name));
        console.printJson({{QStringLiteral("profile"), profile}});
        return CommandLine::Done;
    }
    // One line per value, as the data file shows it.
    for (const QString &name : ProfileStore::dataFileOrder())
        console.out() << name << '=' << ProfileRules::withoutLineBreaks(values->value(name)) << "\n";
    return CommandLine::Done;
}

// Merges the NAME=VALUE lines of the file into values; blank lines and lines starting with "#" are
// skipped. An error text naming the file and the line when the file cannot be used.
QString readValuesFile(const QString &path, ProfileValues &values)
{
    const bool standardInput = path == QLatin1String("-");
    // Read whole, then split: on a pipe (standard input, /dev/stdin, a process substitution) the
    // device says it is at its end whenever nothing has arrived yet. A device or a file larger than
    // any profile is refused, as for the store.
    QString reason;
    std::optional<QByteArray> all;
    if (standardInput) {
        QFile file;
        if (file.open(stdin, QIODevice::ReadOnly))
            all = SmallFile::readAll(file, ProfileStore::FileSizeMax, &reason);
        else
            reason = file.errorString();
    } else {
        all = SmallFile::read(path, ProfileStore::FileSizeMax, &reason, SmallFile::Pipes::Allowed);
    }
    const QString shown = standardInput ? QStringLiteral("standard input") : path;
    if (!all)
        return QStringLiteral("Cannot read %1: %2").arg(shown, reason);
    // An empty input, as from a closed standard input or /dev/null, gave no values: it is not an
    // answer to save.
    if (all->isEmpty())
        return QStringLiteral("Nothing to read: %1 is empty; nothing was saved").arg(shown);
    const QList<QByteArray> lines = all->split('\n');
    for (int number = 1; number <= lines.size(); ++number) {
        // Stateless: a sequence cut off at the end of the line is an error, not a state kept for
        // bytes that never come.
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString line = utf8(lines[number - 1]);
        if (utf8.hasError())
            return QStringLiteral("%1:%2: not UTF-8 text").arg(shown).arg(number);
        while (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0)
            return QStringLiteral("%1:%2: expected NAME=VALUE").arg(shown).arg(number);
        const QString name = line.left(equals);
        if (!ProfileStore::storageOrder().contains(name))
            return QStringLiteral("%1:%2: unknown profile value \"%3\"").arg(shown).arg(number).arg(name);
        values.insert(name, line.mid(equals + 1));
    }
    return {};
}

// The first character of the text that a data file (Windows-1252) cannot hold, if any.
std::optional<QString> unencodable(const QString &text)
{
    for (const char32_t c : text.toUcs4()) {
        // Control characters, C1 ones included, are refused as such.
        if (QChar::category(c) == QChar::Other_Control)
            continue;
        const QString character = QString::fromUcs4(&c, 1);
        if (c != U'?' && Windows1252::fromUnicode(character) == "?")
            return character;
    }
    return std::nullopt;
}

// Every reason not to save the values, one line each; empty when they can be saved. Every missing
// required value is named at once, in the order the profile window checks them.
QStringList refusals(const ProfileValues &values)
{
    QStringList lines;
    for (const QString &name : ProfileStore::storageOrder()) {
        const QString value = values.value(name);
        // A data file holds one value per line; a line break would split it.
        if (ProfileRules::hasLineBreak(value))
            lines << QStringLiteral("The profile value %1 must not hold a line break.").arg(name);
        // Nor a tab, which separates a line's columns, or another control character.
        else if (const std::optional<QChar> control = ProfileRules::controlCharacter(value))
            lines << QStringLiteral("The profile value %1 holds the control character U+%2, which a data file cannot "
                                    "hold.")
                         .arg(name, QString::number(control->unicode(), 16).toUpper().rightJustified(4, u'0'));
        if (const std::optional<QString> character = unencodable(value))
            lines << QStringLiteral("The profile value %1 holds \"%2\" (U+%3), which a data file cannot hold.")
                         .arg(name, *character,
                              QString::number(character->toUcs4().value(0), 16).toUpper().rightJustified(4, u'0'));
    }
    for (const QString &name : ProfileRules::checkingOrder()) {
        if (values.value(name).isEmpty())
            lines << ProfileRules::field(name)->message;
    }
    const QString country = values.value(QStringLiteral("Country"));
    if (!country.isEmpty() && ProfileRules::countryIndex(country) < 0)
        lines << QStringLiteral("The country \"%1\" is not in the country list (see 'sorvik profile --countries').")
                     .arg(country);
    return lines;
}

QString usageProblem(const QCommandLineParser &parser)
{
    if (const QString problem = noArguments(parser); !problem.isEmpty())
        return problem;
    if (parser.isSet(countriesOption) && (parser.isSet(setOption) || parser.isSet(fromOption)))
        return QStringLiteral("--countries cannot be combined with --set or --from");
    if (parser.values(fromOption).size() > 1)
        return QStringLiteral("--from can be given once");
    if (parser.isSet(fromOption) && parser.value(fromOption).isEmpty())
        return QStringLiteral("--from needs a file name (- for standard input)");
    if (parser.isSet(jsonOption) && (parser.isSet(setOption) || parser.isSet(fromOption)))
        return QStringLiteral("--json prints the profile or the country list; it cannot be combined with --set or "
                              "--from");
    for (const QString &pair : parser.values(setOption)) {
        const qsizetype equals = pair.indexOf(QLatin1Char('='));
        if (equals < 0)
            return QStringLiteral("--set needs NAME=VALUE, got \"%1\"").arg(pair);
        if (!ProfileStore::storageOrder().contains(pair.left(equals)))
            return QStringLiteral("unknown profile value \"%1\"").arg(pair.left(equals));
    }
    return {};
}

int run(const QCommandLineParser &parser, const CommandContext &, Console &console)
{
    if (parser.isSet(countriesOption)) {
        if (console.json()) {
            console.printJson({{QStringLiteral("countries"), QJsonArray::fromStringList(ProfileRules::countries())}});
            return CommandLine::Done;
        }
        for (const QString &country : ProfileRules::countries())
            console.out() << country << "\n";
        return CommandLine::Done;
    }
    const QStringList pairs = parser.values(setOption);
    if (pairs.isEmpty() && !parser.isSet(fromOption))
        return printProfile(console);

    QString error;
    auto values = ProfileStore::readAll(false, &error);
    if (!values) {
        console.message(error);
        return CommandLine::Failed;
    }
    if (parser.isSet(fromOption)) {
        if (const QString problem = readValuesFile(parser.value(fromOption), *values); !problem.isEmpty()) {
            console.message(problem);
            return CommandLine::Failed;
        }
    }
    for (const QString &pair : pairs) {
        const qsizetype equals = pair.indexOf(QLatin1Char('='));
        values->insert(pair.left(equals), pair.mid(equals + 1));
    }

    if (const QStringList lines = refusals(*values); !lines.isEmpty()) {
        for (const QString &line : lines)
            console.message(line);
        return CommandLine::Failed;
    }
    if (!ProfileStore::writeAll(*values, &error)) {
        console.message(error);
        return CommandLine::Failed;
    }
    console.message(QStringLiteral("Profile Information Saved"));
    return CommandLine::Done;
}

} // namespace

const Command profileCommand{text, {setOption, fromOption, countriesOption, jsonOption}, usageProblem, run, {}};
