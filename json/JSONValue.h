#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "json/JSONArena.h"

// One immutable value of the JSON codec, shared with the property-list
// reader: null, a number (which remembers whether it was made as a boolean,
// since that decides between true/false and 1/0 when written), a UTF-8
// string, raw data, a date, an array, or a dictionary with string keys.
//
// A value is a small handle: the node itself plus a shared reference to the
// arena that holds what it points to. Copying is cheap, nothing is ever
// mutated, and the arena's reference count is atomic, so a parsed answer can
// be handed from the parsing thread to the main thread as it is.
//
// Dictionaries keep their members in first-insertion order; a later value for
// a key already present replaces the earlier value in its original place.
class JSONValue {
public:
    enum class Type : uint8_t { Null, Number, String, Data, Date, Array, Dictionary };

    // Creation
    JSONValue() = default; // null
    static JSONValue null() { return {}; }
    static JSONValue boolean(bool);
    static JSONValue number(double);
    static JSONValue string(std::string_view utf8); // ill-formed UTF-8 becomes U+FFFD
    static JSONValue data(std::string_view bytes);
    static JSONValue date(double secondsSinceReferenceDate);
    static JSONValue array(std::span<const JSONValue> elements);
    static JSONValue array(std::initializer_list<JSONValue> elements)
    {
        return array(std::span<const JSONValue>(elements.begin(), elements.size()));
    }
    static JSONValue dictionary(std::span<const std::pair<std::string_view, JSONValue>> members);
    static JSONValue dictionary(std::initializer_list<std::pair<std::string_view, JSONValue>> members)
    {
        return dictionary(std::span<const std::pair<std::string_view, JSONValue>>(members.begin(), members.size()));
    }

    // Properties
    Type type() const { return m_node.type; }
    bool isNull() const { return type() == Type::Null; }
    bool isNumber() const { return type() == Type::Number; }
    bool isBoolean() const { return isNumber() && m_node.madeAsBoolean; }
    bool isString() const { return type() == Type::String; }
    bool isData() const { return type() == Type::Data; }
    bool isDate() const { return type() == Type::Date; }
    bool isArray() const { return type() == Type::Array; }
    bool isDictionary() const { return type() == Type::Dictionary; }

    // Numbers (booleans included) and dates; 0 for every other type.
    double numberValue() const { return isNumber() || isDate() ? m_node.number : 0.0; }
    bool boolValue() const { return numberValue() != 0.0; }
    // Strings and data; empty for every other type.
    std::string_view stringValue() const
    {
        return isString() || isData() ? std::string_view(m_node.characters, m_node.count) : std::string_view();
    }

    // Arrays and dictionaries: number of elements or members; 0 otherwise.
    size_t size() const { return isArray() || isDictionary() ? m_node.count : 0; }
    JSONValue operator[](size_t index) const; // array element; null when out of range
    std::string_view keyAt(size_t index) const; // dictionary member key, in member order
    JSONValue valueAt(size_t index) const; // dictionary member value, in member order
    std::optional<JSONValue> find(std::string_view key) const; // nullopt when absent or not a dictionary

    // Deep equality; dictionary members compare in order, numbers compare their
    // value and whether they were made as booleans.
    bool operator==(const JSONValue&) const;

    // The type's name as it appears in writer exceptions.
    static const char* typeName(Type);

private:
    friend class JSONScanner;
    friend class JSONSerializer;

    struct Member;
    // Sixteen bytes: the payload's meaning follows the type. Element and
    // member lists and characters live in an arena.
    struct Node {
        Type type = Type::Null;
        bool madeAsBoolean = false;
        uint32_t count = 0; // characters, bytes, elements or members
        union {
            double number = 0;
            const char* characters;
            const Node* elements;
            const Member* members;
        };
    };
    struct Member {
        Node key; // always a string
        Node value;
    };

    JSONValue(const Node& node, std::shared_ptr<const JSONArena> arena)
        : m_node(node)
        , m_arena(std::move(arena))
    {
    }
    static bool nodesEqual(const Node&, const Node&);
    static Node makeBytes(Type, std::string_view, JSONArena&);

    Node m_node;
    std::shared_ptr<const JSONArena> m_arena; // null for values that point to nothing
};
