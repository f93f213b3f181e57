#pragma once

// A network description read into one flat tree of values: a large description (thousands of
// servers, tens of megabytes) is read in one pass with few allocations, and a value is a small handle
// into the tree. The common strict form of JSON is read directly; whatever is unusual (a number with
// a fraction or an exponent, a control character or an escape the common form does not need, very
// deep nesting) is left to QJsonDocument, so that exactly the texts it accepts are accepted, with the
// values it gives them.

#include <QByteArray>
#include <QByteArrayView>
#include <QJsonValue>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

class JsonTree;

// One value of a tree; valid while the tree lives.
class JsonValue
{
public:
    enum class Type : std::uint8_t
    {
        Null,
        Bool,
        Number,
        String,
        Array,
        Object,
        // What a missing field of an object reads as.
        Undefined
    };

    // A value that is not there (Undefined).
    JsonValue() = default;
    JsonValue(const JsonTree *tree, std::uint32_t index) : m_tree(tree), m_index(index) {}

    Type type() const;
    bool isNull() const { return type() == Type::Null; }
    bool isBool() const { return type() == Type::Bool; }
    bool isDouble() const { return type() == Type::Number; }
    bool isString() const { return type() == Type::String; }
    bool isArray() const { return type() == Type::Array; }
    bool isObject() const { return type() == Type::Object; }

    bool toBool() const;
    double toDouble() const;
    QString toString() const;
    // The text as UTF-8 bytes when it is held that way (true), else nothing (false): then toString().
    bool utf8(QByteArrayView &bytes) const;

    // A list's items or an object's fields.
    qsizetype size() const;
    JsonValue operator[](qsizetype i) const;
    // An object's field i: its name and its value.
    JsonValue key(qsizetype i) const;
    JsonValue value(qsizetype i) const;
    // The field of that name; Undefined when there is none.
    JsonValue operator[](const char *name) const;
    bool contains(const char *name) const { return (*this)[name].type() != Type::Undefined; }

private:
    const JsonTree *m_tree = nullptr;
    std::uint32_t m_index = 0xFFFFFFFF;
};

class JsonTree
{
public:
    // The tree of the text when it is read directly: an object with no field given twice in one object.
    // Otherwise false, and the text is QJsonDocument's to judge.
    bool read(const QByteArray &json);
    // The tree of a value QJsonDocument has read.
    void take(const QJsonValue &value);

    JsonValue root() const { return {this, 0}; }
    // The index of a value that is not there.
    static constexpr std::uint32_t Missing = 0xFFFFFFFF;

private:
    friend class JsonValue;
    friend class JsonReader;

    // Where a text is held: its bytes in the description, decoded from escapes, or as UTF-16.
    enum class Store : std::uint8_t
    {
        Source,
        Decoded,
        Utf16
    };
    struct Node
    {
        JsonValue::Type type;
        Store store = Store::Source;
        bool boolean = false;
        // String: offset and length of its bytes (or its index in m_texts); Array and Object: first and
        // count of its items in m_items (an object's as name, value pairs).
        std::uint32_t first = 0;
        std::uint32_t count = 0;
        double number = 0;
    };

    std::uint32_t takeValue(const QJsonValue &value);
    std::uint32_t takeText(const QString &text);

    QByteArray m_source;
    std::string m_decoded;
    std::vector<Node> m_nodes;
    std::vector<std::uint32_t> m_items;
    std::vector<QString> m_texts;
};

inline JsonValue::Type JsonValue::type() const
{
    return m_index == JsonTree::Missing ? Type::Undefined : m_tree->m_nodes[m_index].type;
}

inline qsizetype JsonValue::size() const
{
    const Type t = type();
    return t == Type::Array || t == Type::Object ? qsizetype(m_tree->m_nodes[m_index].count) : 0;
}

inline JsonValue JsonValue::operator[](qsizetype i) const
{
    return {m_tree, m_tree->m_items[m_tree->m_nodes[m_index].first + std::size_t(i)]};
}

inline JsonValue JsonValue::key(qsizetype i) const
{
    return {m_tree, m_tree->m_items[m_tree->m_nodes[m_index].first + 2 * std::size_t(i)]};
}

inline JsonValue JsonValue::value(qsizetype i) const
{
    return {m_tree, m_tree->m_items[m_tree->m_nodes[m_index].first + 2 * std::size_t(i) + 1]};
}

inline bool JsonValue::utf8(QByteArrayView &bytes) const
{
    if (type() != Type::String)
        return false;
    const JsonTree::Node &n = m_tree->m_nodes[m_index];
    if (n.store == JsonTree::Store::Utf16)
        return false;
    const char *data = n.store == JsonTree::Store::Decoded ? m_tree->m_decoded.data() : m_tree->m_source.constData();
    bytes = QByteArrayView(data + n.first, qsizetype(n.count));
    return true;
}

} // namespace sim
