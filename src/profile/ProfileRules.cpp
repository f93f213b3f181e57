#include "profile/ProfileRules.h"

#include <algorithm>
#include <iterator>

namespace {

struct FieldLine
{
    const char *label;
    const char *name;
    int row;
    int stored;
    int dataFile;
    int dataFileTabs;
    int checked;
    const char *message; // nullptr for optional fields
};

// Every profile field once, its columns as in ProfileRules::Field: label, name, row, stored, dataFile,
// dataFileTabs, checked, message. The check of a save takes Zip Code before State/Region and Country last.
// clang-format off
constexpr FieldLine kFieldLines[] = {
    {"First Name",                "First",     1,  0,  0, 3,  0, "Please Enter First Name"},
    {"Last Name",                 "Last",      2,  1,  1, 3,  1, "Please Enter Last Name"},
    {"Address 1",                 "Address1",  3,  2,  3, 2,  2, "Please Enter Address"},
    {"Address 2",                 "Address2",  4,  3,  4, 2, -1, nullptr},
    {"Address 3",                 "Address3",  5,  4,  5, 2, -1, nullptr},
    {"City",                      "City",      6,  5,  6, 3,  3, "Please Enter your City"},
    {"State/Region",              "State",     7,  6,  7, 3,  5, "Please Enter your State or Region"},
    {"Zip Code",                  "ZipCode",   8,  7,  8, 3,  4, "Please Enter your Zip Code"},
    {"Country",                   "Country",   9, 13,  9, 3,  9, "Please Enter your Country Name"},
    {"Email Address",             "Email",    10,  8, 10, 3, -1, nullptr},
    {"Telephone Number",          "Phone",    11,  9, 11, 3,  6, "Please Enter your Phone Number"},
    {"Fax Number",                "Fax",      12, 10, 12, 3, -1, nullptr},
    {"Company Name",              "Company",  13, 11, 13, 3,  7, "Please Enter your Company Name"},
    {"Email Y2K Report to me at", "SendTo",   14, 12, 14, 3,  8, "Please enter the email address to send report to."},
    {"Title",                     "Title",    15, 15,  2, 3, -1, nullptr},
    {"Preferred Reseller",        "Reseller", 16, 14, 15, 2, -1, nullptr},
};
// clang-format on

// Whether the fields that have a place hold first, first + 1, ... each exactly once: a slip in a
// column of the table fails the build instead of dropping or doubling a value somewhere.
constexpr bool placesFollowOn(int FieldLine::*place, int first)
{
    int count = 0;
    for (const FieldLine &line : kFieldLines)
        count += line.*place >= 0 ? 1 : 0;
    for (int p = first; p < first + count; ++p) {
        int holders = 0;
        for (const FieldLine &line : kFieldLines)
            holders += line.*place == p ? 1 : 0;
        if (holders != 1)
            return false;
    }
    return true;
}

constexpr bool everyRequiredFieldIsChecked()
{
    for (const FieldLine &line : kFieldLines) {
        if ((line.message != nullptr) != (line.checked >= 0))
            return false;
    }
    return true;
}

static_assert(placesFollowOn(&FieldLine::row, 1));
static_assert(placesFollowOn(&FieldLine::stored, 0));
static_assert(placesFollowOn(&FieldLine::dataFile, 0));
static_assert(placesFollowOn(&FieldLine::checked, 0));
static_assert(everyRequiredFieldIsChecked());

} // namespace

const std::vector<ProfileRules::Field> &ProfileRules::fields()
{
    static const std::vector<Field> all = [] {
        std::vector<Field> list(std::size(kFieldLines));
        for (const FieldLine &line : kFieldLines) {
            list[std::size_t(line.row - 1)] = {QString::fromLatin1(line.label),
                                               QString::fromLatin1(line.name),
                                               QString::fromLatin1(line.message),
                                               line.row,
                                               line.stored,
                                               line.dataFile,
                                               line.dataFileTabs,
                                               line.checked};
        }
        return list;
    }();
    return all;
}

std::vector<const ProfileRules::Field *> ProfileRules::inOrder(Place place)
{
    std::vector<const Field *> ordered;
    for (const Field &f : fields()) {
        if (f.*place >= 0)
            ordered.push_back(&f);
    }
    std::sort(ordered.begin(), ordered.end(),
              [place](const Field *a, const Field *b) { return a->*place < b->*place; });
    return ordered;
}

QStringList ProfileRules::namesInOrder(Place place)
{
    QStringList names;
    for (const Field *f : inOrder(place))
        names.append(f->name);
    return names;
}

const ProfileRules::Field *ProfileRules::field(const QString &name)
{
    for (const Field &f : fields()) {
        if (f.name == name)
            return &f;
    }
    return nullptr;
}

int ProfileRules::row(const QString &name)
{
    const Field *f = field(name);
    return f ? f->row : -1;
}

const QStringList &ProfileRules::checkingOrder()
{
    static const QStringList names = namesInOrder(&Field::checked);
    return names;
}

std::optional<QString> ProfileRules::firstMissing(const QMap<QString, QString> &values)
{
    for (const QString &name : checkingOrder()) {
        if (values.value(name).isEmpty())
            return field(name)->message;
    }
    return std::nullopt;
}

const QStringList &ProfileRules::countries()
{
    // clang-format off
    static const QStringList all = {
        QStringLiteral("United States"),
        QStringLiteral("Afghanistan"),
        QStringLiteral("Albania"),
        QStringLiteral("Algeria"),
        QStringLiteral("American Samoa"),
        QStringLiteral("Andorra"),
        QStringLiteral("Angola"),
        QStringLiteral("Anguilla"),
        QStringLiteral("Antarctica"),
        QStringLiteral("Antigua And Barbuda"),
        QStringLiteral("Argentina"),
        QStringLiteral("Armenia"),
        QStringLiteral("Aruba"),
        QStringLiteral("Australia"),
        QStringLiteral("Austria"),
        QStringLiteral("Azerbaijan"),
        QStringLiteral("Bahamas"),
        QStringLiteral("Bahrain"),
        QStringLiteral("Bangladesh"),
        QStringLiteral("Barbados"),
        QStringLiteral("Belarus"),
        QStringLiteral("Belgium"),
        QStringLiteral("Belize"),
        QStringLiteral("Benin"),
        QStringLiteral("Bermuda"),
        QStringLiteral("Bhutan"),
        QStringLiteral("Bolivia"),
        QStringLiteral("Bosnia And Herzegowina"),
        QStringLiteral("Botswana"),
        QStringLiteral("Bouvet Island"),
        QStringLiteral("Brazil"),
        QStringLiteral("British Indian Ocean Territory"),
        QStringLiteral("Brunei Darussalam"),
        QStringLiteral("Bulgaria"),
        QStringLiteral("Burkina Faso"),
        QStringLiteral("Burundi"),
        QStringLiteral("Cambodia"),
        QStringLiteral("Cameroon"),
        QStringLiteral("Canada"),
        QStringLiteral("Cape Verde"),
        QStringLiteral("Cayman Islands"),
        QStringLiteral("Central African Republic"),
        QStringLiteral("Chad"),
        QStringLiteral("Chile"),
        QStringLiteral("China"),
        QStringLiteral("Christmas Island"),
        QStringLiteral("Cocos (Keeling) Islands"),
        QStringLiteral("Colombia"),
        QStringLiteral("Comoros"),
        QStringLiteral("Congo"),
        QStringLiteral("Congo, The Democratic Republic Of The"),
        QStringLiteral("Cook Islands"),
        QStringLiteral("Costa Rica"),
        QStringLiteral("Cote D'ivoire"),
        QStringLiteral("Croatia (Local Name: Hrvatska)"),
        QStringLiteral("Cuba"),
        QStringLiteral("Cyprus"),
        QStringLiteral("Czech Republic"),
        QStringLiteral("Denmark"),
        QStringLiteral("Djibouti"),
        QStringLiteral("Dominica"),
        QStringLiteral("Dominican Republic"),
        QStringLiteral("East Timor"),
        QStringLiteral("Ecuador"),
        QStringLiteral("Egypt"),
        QStringLiteral("El Salvador"),
        QStringLiteral("Equatorial Guinea"),
        QStringLiteral("Eritrea"),
        QStringLiteral("Estonia"),
        QStringLiteral("Ethiopia"),
        QStringLiteral("Falkland Islands (Malvinas)"),
        QStringLiteral("Faroe Islands"),
        QStringLiteral("Fiji"),
        QStringLiteral("Finland"),
        QStringLiteral("France"),
        QStringLiteral("France, Metropolitan"),
        QStringLiteral("French Guiana"),
        QStringLiteral("French Polynesia"),
        QStringLiteral("French Southern Territories"),
        QStringLiteral("Gabon"),
        QStringLiteral("Gambia"),
        QStringLiteral("Georgia"),
        QStringLiteral("Germany"),
        QStringLiteral("Ghana"),
        QStringLiteral("Gibraltar"),
        QStringLiteral("Greece"),
        QStringLiteral("Greenland"),
        QStringLiteral("Grenada"),
        QStringLiteral("Guadeloupe"),
        QStringLiteral("Guam"),
        QStringLiteral("Guatemala"),
        QStringLiteral("Guinea"),
        QStringLiteral("Guinea-Bissau"),
        QStringLiteral("Guyana"),
        QStringLiteral("Haiti"),
        QStringLiteral("Heard And Mc Donald Islands"),
        QStringLiteral("Holy See (Vatican City State)"),
        QStringLiteral("Honduras"),
        QStringLiteral("Hong Kong"),
        QStringLiteral("Hungary"),
        QStringLiteral("Iceland"),
        QStringLiteral("India"),
        QStringLiteral("Indonesia"),
        QStringLiteral("Iran (Islamic Republic Of)"),
        QStringLiteral("Iraq"),
        QStringLiteral("Ireland"),
        QStringLiteral("Israel"),
        QStringLiteral("Italy"),
        QStringLiteral("Jamaica"),
        QStringLiteral("Japan"),
        QStringLiteral("Jordan"),
        QStringLiteral("Kazakhstan"),
        QStringLiteral("Kenya"),
        QStringLiteral("Kiribati"),
        QStringLiteral("Korea, Democratic People's Republic Of"),
        QStringLiteral("Korea, Republic Of"),
        QStringLiteral("Kuwait"),
        QStringLiteral("Kyrgyzstan"),
        QStringLiteral("Lao People's Democratic Republic"),
        QStringLiteral("Latvia"),
        QStringLiteral("Lebanon"),
        QStringLiteral("Lesotho"),
        QStringLiteral("Liberia"),
        QStringLiteral("Libyan Arab Jamahiriya"),
        QStringLiteral("Liechtenstein"),
        QStringLiteral("Lithuania"),
        QStringLiteral("Luxembourg"),
        QStringLiteral("Macau"),
        QStringLiteral("Macedonia, The Former Yugoslav Republic Of"),
        QStringLiteral("Madagascar"),
        QStringLiteral("Malawi"),
        QStringLiteral("Malaysia"),
        QStringLiteral("Maldives"),
        QStringLiteral("Mali"),
        QStringLiteral("Malta"),
        QStringLiteral("Marshall Islands"),
        QStringLiteral("Martinique"),
        QStringLiteral("Mauritania"),
        QStringLiteral("Mauritius"),
        QStringLiteral("Mayotte"),
        QStringLiteral("Mexico"),
        QStringLiteral("Micronesia, Federated States Of"),
        QStringLiteral("Moldova, Republic Of"),
        QStringLiteral("Monaco"),
        QStringLiteral("Mongolia"),
        QStringLiteral("Montserrat"),
        QStringLiteral("Morocco"),
        QStringLiteral("Mozambique"),
        QStringLiteral("Myanmar"),
        QStringLiteral("Namibia"),
        QStringLiteral("Nauru"),
        QStringLiteral("Nepal"),
        QStringLiteral("Netherlands"),
        QStringLiteral("Netherlands Antilles"),
        QStringLiteral("New Caledonia"),
        QStringLiteral("New Zealand"),
        QStringLiteral("Nicaragua"),
        QStringLiteral("Niger"),
        QStringLiteral("Nigeria"),
        QStringLiteral("Niue"),
        QStringLiteral("Norfolk Island"),
        QStringLiteral("Northern Mariana Islands"),
        QStringLiteral("Norway"),
        QStringLiteral("Oman"),
        QStringLiteral("Pakistan"),
        QStringLiteral("Palau"),
        QStringLiteral("Panama"),
        QStringLiteral("Papua New Guinea"),
        QStringLiteral("Paraguay"),
        QStringLiteral("Peru"),
        QStringLiteral("Philippines"),
        QStringLiteral("Pitcairn"),
        QStringLiteral("Poland"),
        QStringLiteral("Portugal"),
        QStringLiteral("Puerto Rico"),
        QStringLiteral("Qatar"),
        QStringLiteral("Reunion"),
        QStringLiteral("Romania"),
        QStringLiteral("Russian Federation"),
        QStringLiteral("Rwanda"),
        QStringLiteral("Saint Kitts And Nevis"),
        QStringLiteral("Saint Lucia"),
        QStringLiteral("Saint Vincent And The Grenadines"),
        QStringLiteral("Samoa"),
        QStringLiteral("San Marino"),
        QStringLiteral("Sao Tome And Principe"),
        QStringLiteral("Saudi Arabia"),
        QStringLiteral("Senegal"),
        QStringLiteral("Seychelles"),
        QStringLiteral("Sierra Leone"),
        QStringLiteral("Singapore"),
        QStringLiteral("Slovakia (Slovak Republic)"),
        QStringLiteral("Slovenia"),
        QStringLiteral("Solomon Islands"),
        QStringLiteral("Somalia"),
        QStringLiteral("South Africa"),
        QStringLiteral("South Georgia And The South Sandwich Islands"),
        QStringLiteral("Spain"),
        QStringLiteral("Sri Lanka"),
        QStringLiteral("St. Helena"),
        QStringLiteral("St. Pierre And Miquelon"),
        QStringLiteral("Sudan"),
        QStringLiteral("Suriname"),
        QStringLiteral("Svalbard And Jan Mayen Islands"),
        QStringLiteral("Swaziland"),
        QStringLiteral("Sweden"),
        QStringLiteral("Switzerland"),
        QStringLiteral("Syrian Arab Republic"),
        QStringLiteral("Taiwan"),
        QStringLiteral("Tajikistan"),
        QStringLiteral("Tanzania, United Republic Of"),
        QStringLiteral("Thailand"),
        QStringLiteral("Togo"),
        QStringLiteral("Tokelau"),
        QStringLiteral("Tonga"),
        QStringLiteral("Trinidad And Tobago"),
        QStringLiteral("Tunisia"),
        QStringLiteral("Turkey"),
        QStringLiteral("Turkmenistan"),
        QStringLiteral("Turks And Caicos Islands"),
        QStringLiteral("Tuvalu"),
        QStringLiteral("Uganda"),
        QStringLiteral("Ukraine"),
        QStringLiteral("United Arab Emirates"),
        QStringLiteral("United Kingdom"),
        QStringLiteral("United States"),
        QStringLiteral("United States Minor Outlying Islands"),
        QStringLiteral("Uruguay"),
        QStringLiteral("Uzbekistan"),
        QStringLiteral("Vanuatu"),
        QStringLiteral("Venezuela"),
        QStringLiteral("Viet Nam"),
        QStringLiteral("Virgin Islands (British)"),
        QStringLiteral("Virgin Islands (U.S.)"),
        QStringLiteral("Wallis And Futuna Islands"),
        QStringLiteral("Western Sahara"),
        QStringLiteral("Yemen"),
        QStringLiteral("Yugoslavia"),
        QStringLiteral("Zambia"),
        QStringLiteral("Zimbabwe"),
    };
    // clang-format on
    return all;
}

int ProfileRules::countryIndex(const QString &text)
{
    const QStringList &all = countries();
    for (qsizetype i = 0; i < all.size(); ++i) {
        if (all[i].compare(text, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

QString ProfileRules::invalidCountryWarning()
{
    return QStringLiteral("Invalid COUNTRY code.  Defaulting to 'United States'.\n\nVerify COUNTRY code and click "
                          "'Save Profile'.");
}

namespace {
bool isLineBreak(QChar c)
{
    switch (c.unicode()) {
    case u'\n':
    case u'\v':
    case u'\f':
    case u'\r':
    case 0x0085: // next line
    case 0x2028: // line separator
    case 0x2029: // paragraph separator
        return true;
    default:
        return false;
    }
}
} // namespace

bool ProfileRules::hasLineBreak(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(), isLineBreak);
}

QString ProfileRules::withoutLineBreaks(const QString &text)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (!isLineBreak(c)) {
            result.append(c);
            continue;
        }
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        result.append(u' ');
    }
    return result;
}

std::optional<QChar> ProfileRules::controlCharacter(const QString &text)
{
    // C1 controls too: five of them are bytes Windows-1252 leaves undefined, which a data file would
    // carry to readers that cannot map them; the others are not in the code page at all.
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control && !isLineBreak(c))
            return c;
    }
    return std::nullopt;
}

std::optional<QString> ProfileRules::valueFault(const QString &text)
{
    if (hasLineBreak(text))
        return QStringLiteral("a line break");
    if (const std::optional<QChar> control = controlCharacter(text))
        return QStringLiteral("the control character U+%1")
            .arg(QString::number(control->unicode(), 16).toUpper().rightJustified(4, u'0'));
    return std::nullopt;
}
