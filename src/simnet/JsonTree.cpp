#include "simnet/JsonTree.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>
#include <string_view>

namespace sim {

namespace {

constexpr std::uint32_t Missing = JsonTree::Missing;
// Far below the nesting QJsonDocument allows; deeper texts are left to it.
constexpr int DepthMax = 400;

bool isSpace(char c)
{
    return c == ' ' || c == '\n' || c == '\r' || c == '\t';
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Code points that are no characters; some JSON readers refuse them, so they are not read directly.
bool isNonCharacter(char32_t u)
{
    return (u >= 0xFDD0 && u <= 0xFDEF) || (u & 0xFFFE) == 0xFFFE;
}

void appendUtf8(std::string &out, char32_t u)
{
    if (u < 0x80) {
        out += char(u);
    } else if (u < 0x800) {
        out += char(0xC0 | (u >> 6));
        out += char(0x80 | (u & 0x3F));
    } else if (u < 0x10000) {
        out += char(0xE0 | (u >> 12));
        out += char(0x80 | ((u >> 6) & 0x3F));
        out += char(0x80 | (u & 0x3F));
    } else {
        out += char(0xF0 | (u >> 18));
        out += char(0x80 | ((u >> 12) & 0x3F));
        out += char(0x80 | ((u >> 6) & 0x3F));
        out += char(0x80 | (u & 0x3F));
    }
}

} // namespace

// Reads the strict form of JSON into a tree; false on anything else.
class JsonReader
{
public:
    JsonReader(JsonTree &tree, const QByteArray &json)
        : m_tree(tree), m_begin(json.constData()), m_p(json.constData()), m_end(json.constData() + json.size())
    {
    }

    bool document()
    {
        space();
        if (m_p == m_end || *m_p != '{')
            return false;
        std::uint32_t root = 0;
        if (!value(root, 0))
            return false;
        space();
        return m_p == m_end;
    }

private:
    void space()
    {
        while (m_p != m_end && isSpace(*m_p))
            ++m_p;
    }

    bool take(char c)
    {
        space();
        if (m_p == m_end || *m_p != c)
            return false;
        ++m_p;
        return true;
    }

    std::uint32_t node(JsonValue::Type type)
    {
        m_tree.m_nodes.push_back({type});
        return std::uint32_t(m_tree.m_nodes.size() - 1);
    }

    bool value(std::uint32_t &index, int depth)
    {
        space();
        if (m_p == m_end)
            return false;
        switch (*m_p) {
        case '{':
            return depth < DepthMax && object(index, depth + 1);
        case '[':
            return depth < DepthMax && array(index, depth + 1);
        case '"':
            return string(index);
        case 't':
            return literal("true", JsonValue::Type::Bool, true, index);
        case 'f':
            return literal("false", JsonValue::Type::Bool, false, index);
        case 'n':
            return literal("null", JsonValue::Type::Null, false, index);
        default:
            return number(index);
        }
    }

    bool literal(std::string_view word, JsonValue::Type type, bool boolean, std::uint32_t &index)
    {
        if (std::size_t(m_end - m_p) < word.size() || std::string_view(m_p, word.size()) != word)
            return false;
        m_p += word.size();
        index = node(type);
        m_tree.m_nodes[index].boolean = boolean;
        return true;
    }

    // A whole number of up to 18 digits; fractions and exponents are left to QJsonDocument, whose
    // rounding and range they would have to follow.
    bool number(std::uint32_t &index)
    {
        const bool negative = *m_p == '-';
        if (negative)
            ++m_p;
        const char *digits = m_p;
        while (m_p != m_end && *m_p >= '0' && *m_p <= '9')
            ++m_p;
        const auto count = m_p - digits;
        if (count == 0 || count > 18 || (*digits == '0' && count > 1))
            return false;
        if (m_p != m_end && (*m_p == '.' || *m_p == 'e' || *m_p == 'E'))
            return false;
        std::int64_t n = 0;
        for (const char *d = digits; d != m_p; ++d)
            n = n * 10 + (*d - '0');
        index = node(JsonValue::Type::Number);
        m_tree.m_nodes[index].number = double(negative ? -n : n);
        return true;
    }

    // One character of UTF-8 at m_p (not ASCII), checked strictly; false when it is not one.
    bool utf8Character()
    {
        const auto lead = static_cast<unsigned char>(*m_p);
        const int length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
        if (length == 0 || lead > 0xF4 || m_end - m_p < length)
            return false;
        char32_t u = lead & (0x7F >> length);
        for (int i = 1; i < length; ++i) {
            const auto c = static_cast<unsigned char>(m_p[i]);
            if ((c & 0xC0) != 0x80)
                return false;
            u = (u << 6) | (c & 0x3F);
        }
        const char32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
        if (u < least || u > 0x10FFFF || (u >= 0xD800 && u <= 0xDFFF) || isNonCharacter(u))
            return false;
        m_p += length;
        return true;
    }

    // An escape at m_p (after the backslash), appended to the decoded text.
    bool escape(std::string &out)
    {
        if (m_p == m_end)
            return false;
        const char c = *m_p++;
        static constexpr std::string_view simple = "\"\\/bfnrt";
        static constexpr std::string_view meaning = "\"\\/\b\f\n\r\t";
        if (const auto at = simple.find(c); at != std::string_view::npos) {
            out += meaning[at];
            return true;
        }
        char32_t u = 0;
        if (c != 'u' || !hex4(u) || u < 0x20 || (u >= 0xDC00 && u <= 0xDFFF))
            return false;
        if (u >= 0xD800 && u <= 0xDBFF) {
            char32_t low = 0;
            if (m_end - m_p < 2 || m_p[0] != '\\' || m_p[1] != 'u')
                return false;
            m_p += 2;
            if (!hex4(low) || low < 0xDC00 || low > 0xDFFF)
                return false;
            u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
        }
        if (isNonCharacter(u))
            return false;
        appendUtf8(out, u);
        return true;
    }

    bool hex4(char32_t &u)
    {
        if (m_end - m_p < 4)
            return false;
        for (int i = 0; i < 4; ++i) {
            const int d = hexDigit(*m_p++);
            if (d < 0)
                return false;
            u = (u << 4) | char32_t(d);
        }
        return true;
    }

    bool string(std::uint32_t &index)
    {
        const char *start = ++m_p;
        std::string &decoded = m_tree.m_decoded;
        std::size_t decodedStart = 0;
        bool escaped = false;
        while (m_p != m_end && *m_p != '"') {
            const auto c = static_cast<unsigned char>(*m_p);
            if (c == '\\') {
                if (!escaped) {
                    escaped = true;
                    decodedStart = decoded.size();
                    decoded.append(start, std::size_t(m_p - start));
                }
                ++m_p;
                if (!escape(decoded))
                    return false;
                continue;
            }
            const char *from = m_p;
            if (c < 0x20 || (c >= 0x80 && !utf8Character()))
                return false;
            if (c < 0x80)
                ++m_p;
            if (escaped)
                decoded.append(from, std::size_t(m_p - from));
        }
        if (m_p == m_end)
            return false;
        index = node(JsonValue::Type::String);
        JsonTree::Node &n = m_tree.m_nodes[index];
        if (escaped) {
            n.store = JsonTree::Store::Decoded;
            n.first = std::uint32_t(decodedStart);
            n.count = std::uint32_t(decoded.size() - decodedStart);
        } else {
            n.first = std::uint32_t(start - m_begin);
            n.count = std::uint32_t(m_p - start);
        }
        ++m_p;
        return true;
    }

    bool array(std::uint32_t &index, int depth)
    {
        ++m_p;
        index = node(JsonValue::Type::Array);
        const std::size_t base = m_pending.size();
        if (!take(']')) {
            do {
                std::uint32_t item = 0;
                if (!value(item, depth))
                    return false;
                m_pending.push_back(item);
            } while (take(','));
            if (!take(']'))
                return false;
        }
        settle(index, base, m_pending.size() - base);
        return true;
    }

    bool object(std::uint32_t &index, int depth)
    {
        ++m_p;
        index = node(JsonValue::Type::Object);
        const std::size_t base = m_pending.size();
        if (!take('}')) {
            do {
                std::uint32_t key = 0;
                std::uint32_t item = 0;
                space();
                if (m_p == m_end || *m_p != '"' || !string(key) || !take(':') || !value(item, depth))
                    return false;
                m_pending.push_back(key);
                m_pending.push_back(item);
            } while (take(','));
            if (!take('}'))
                return false;
        }
        const std::size_t pairs = (m_pending.size() - base) / 2;
        if (givenTwice(base, pairs))
            return false;
        settle(index, base, pairs);
        return true;
    }

    std::string_view text(std::uint32_t index) const
    {
        const JsonTree::Node &n = m_tree.m_nodes[index];
        const char *bytes = n.store == JsonTree::Store::Decoded ? m_tree.m_decoded.data() : m_begin;
        return {bytes + n.first, n.count};
    }

    // Whether the object whose name, value pairs wait from `base` on names a field twice.
    bool givenTwice(std::size_t base, std::size_t pairs)
    {
        m_names.clear();
        for (std::size_t i = 0; i < pairs; ++i)
            m_names.push_back(text(m_pending[base + 2 * i]));
        if (pairs <= 8) {
            for (std::size_t i = 0; i < pairs; ++i)
                for (std::size_t j = i + 1; j < pairs; ++j)
                    if (m_names[i] == m_names[j])
                        return true;
            return false;
        }
        std::sort(m_names.begin(), m_names.end());
        return std::adjacent_find(m_names.begin(), m_names.end()) != m_names.end();
    }

    // Moves the items waiting from `base` on into the tree as the items of the node.
    void settle(std::uint32_t index, std::size_t base, std::size_t count)
    {
        JsonTree::Node &n = m_tree.m_nodes[index];
        n.first = std::uint32_t(m_tree.m_items.size());
        n.count = std::uint32_t(count);
        m_tree.m_items.insert(m_tree.m_items.end(), m_pending.begin() + qsizetype(base), m_pending.end());
        m_pending.resize(base);
    }

    JsonTree &m_tree;
    const char *m_begin;
    const char *m_p;
    const char *m_end;
    std::vector<std::uint32_t> m_pending;
    std::vector<std::string_view> m_names;
};

bool JsonTree::read(const QByteArray &json)
{
    m_source = json;
    m_decoded.clear();
    m_nodes.clear();
    m_items.clear();
    m_texts.clear();
    // Texts beyond 4 GB do not fit the offsets; descriptions are far smaller.
    if (json.size() >= qsizetype(Missing))
        return false;
    m_nodes.reserve(std::size_t(json.size() / 8));
    m_items.reserve(std::size_t(json.size() / 8));
    return JsonReader(*this, json).document();
}

void JsonTree::take(const QJsonValue &value)
{
    m_source.clear();
    m_decoded.clear();
    m_nodes.clear();
    m_items.clear();
    m_texts.clear();
    takeValue(value);
}

std::uint32_t JsonTree::takeText(const QString &text)
{
    m_nodes.push_back({JsonValue::Type::String, Store::Utf16});
    m_nodes.back().first = std::uint32_t(m_texts.size());
    m_texts.push_back(text);
    return std::uint32_t(m_nodes.size() - 1);
}

std::uint32_t JsonTree::takeValue(const QJsonValue &value)
{
    const auto index = std::uint32_t(m_nodes.size());
    switch (value.type()) {
    case QJsonValue::Bool:
        m_nodes.push_back({JsonValue::Type::Bool});
        m_nodes.back().boolean = value.toBool();
        return index;
    case QJsonValue::Double:
        m_nodes.push_back({JsonValue::Type::Number});
        m_nodes.back().number = value.toDouble();
        return index;
    case QJsonValue::String:
        return takeText(value.toString());
    case QJsonValue::Array:
    case QJsonValue::Object: {
        const bool isObject = value.isObject();
        m_nodes.push_back({isObject ? JsonValue::Type::Object : JsonValue::Type::Array});
        std::vector<std::uint32_t> items;
        if (isObject) {
            const QJsonObject object = value.toObject();
            for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
                items.push_back(takeText(it.key()));
                items.push_back(takeValue(it.value()));
            }
        } else {
            for (const QJsonValue &item : value.toArray())
                items.push_back(takeValue(item));
        }
        m_nodes[index].first = std::uint32_t(m_items.size());
        m_nodes[index].count = std::uint32_t(isObject ? items.size() / 2 : items.size());
        m_items.insert(m_items.end(), items.begin(), items.end());
        return index;
    }
    default:
        m_nodes.push_back({JsonValue::Type::Null});
        return index;
    }
}

bool JsonValue::toBool() const
{
    return isBool() && m_tree->m_nodes[m_index].boolean;
}

double JsonValue::toDouble() const
{
    return isDouble() ? m_tree->m_nodes[m_index].number : 0;
}

QString JsonValue::toString() const
{
    if (!isString())
        return {};
    QByteArrayView bytes;
    if (utf8(bytes))
        return QString::fromUtf8(bytes);
    return m_tree->m_texts[m_tree->m_nodes[m_index].first];
}

JsonValue JsonValue::operator[](const char *name) const
{
    if (!isObject())
        return {m_tree, Missing};
    const std::string_view wanted(name);
    for (qsizetype i = 0; i < size(); ++i) {
        const JsonValue k = key(i);
        QByteArrayView bytes;
        if (k.utf8(bytes) ? std::string_view(bytes.data(), std::size_t(bytes.size())) == wanted
                          : k.toString() == QLatin1String(name))
            return value(i);
    }
    return {m_tree, Missing};
}

} // namespace sim
