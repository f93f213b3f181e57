#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The contact profile's fields and the checks a profile must pass before it is stored. Shared by the
// profile window and the headless profile command.
class ProfileRules final
{
public:
    // Each field's places in the orders it takes part in are numbered from 0 (grid rows from 1), so that one
    // table says where a field goes in the window, in the store, in the data file and in the check of a save.
    struct Field
    {
        QString label;        // first column of the grid
        QString name;         // stored value name, also the field's label in the data file
        QString message;      // shown when a required field is empty; empty for optional fields
        int row = -1;         // grid row, 1 to 16
        int stored = -1;      // place in the order the profile is loaded and saved
        int dataFile = -1;    // place in the data file's contact block
        int dataFileTabs = 0; // tabs between the label and the value in the data file
        int checked = -1;     // place in the order a save checks the required fields; -1 for optional fields
        bool required() const { return !message.isEmpty(); }
    };
    // One of the orders above: &Field::stored, &Field::dataFile or &Field::checked.
    using Place = int Field::*;

    // The 16 fields in grid order (grid rows 1 to 16).
    static const std::vector<Field> &fields();
    // The fields that have a place in the order, in that order.
    static std::vector<const Field *> inOrder(Place place);
    // Their stored value names.
    static QStringList namesInOrder(Place place);
    // The field with this stored value name, or nullptr.
    static const Field *field(const QString &name);
    // Grid row (1 to 16) of a stored value name, -1 when unknown.
    static int row(const QString &name);

    // Stored value names of the required fields, in the order a save checks them.
    static const QStringList &checkingOrder();
    // The message for the first required field that is the empty string, in checking order; nothing
    // when all are filled. A field holding only blanks counts as filled.
    static std::optional<QString> firstMissing(const QMap<QString, QString> &values);

    // The country selector's 240 entries: the default country first, then the alphabetical list.
    static const QStringList &countries();
    static QString defaultCountry() { return countries().first(); }
    // Index of the first entry equal to text apart from letter case, -1 when none.
    static int countryIndex(const QString &text);
    static QString invalidCountryWarning();

    // Every data-file line ends with CR LF, so a profile value must never hold a line break.
    static bool hasLineBreak(const QString &text);
    // The text with every line break (CR LF counts as one) replaced by a blank.
    static QString withoutLineBreaks(const QString &text);
    // The first control character of the text (below U+0020, or U+007F to U+009F) that is not a line
    // break: a NUL, a tab, which separates a data-file line's columns, or a C1 control such as U+009D,
    // which Windows-1252 does not define. Nothing when there is none.
    static std::optional<QChar> controlCharacter(const QString &text);
    // Why a data file cannot hold the value ("a line break", "the control character U+0009"); nothing
    // when it can. A value read back from the store obeys the same rule as one given to be saved.
    static std::optional<QString> valueFault(const QString &text);
};
