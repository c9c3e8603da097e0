#include "json/JSONValue.h"

#include <cstring>
#include <limits>
#include <stdexcept>
#include <unordered_map>

#include "json/UTF8.h"

namespace {

uint32_t checkedCount(size_t count)
{
    // Lengths are 32-bit, as in the reader's scanner; larger values cannot come out of a parse either.
    if (count > std::numeric_limits<uint32_t>::max())
        throw std::length_error("JSON value too large");
    return static_cast<uint32_t>(count);
}

}

JSONValue JSONValue::boolean(bool value)
{
    JSONValue result;
    result.m_node.type = Type::Number;
    result.m_node.madeAsBoolean = true;
    result.m_node.number = value ? 1.0 : 0.0;
    return result;
}

JSONValue JSONValue::number(double value)
{
    JSONValue result;
    result.m_node.type = Type::Number;
    result.m_node.number = value;
    return result;
}

JSONValue JSONValue::date(double secondsSinceReferenceDate)
{
    JSONValue result;
    result.m_node.type = Type::Date;
    result.m_node.number = secondsSinceReferenceDate;
    return result;
}

JSONValue::Node JSONValue::makeBytes(Type type, std::string_view bytes, JSONArena& arena)
{
    Node node;
    node.type = type;
    node.count = checkedCount(bytes.size());
    char* characters = static_cast<char*>(arena.allocate(bytes.size() ? bytes.size() : 1));
    if (!bytes.empty())
        std::memcpy(characters, bytes.data(), bytes.size());
    node.characters = characters;
    return node;
}

JSONValue JSONValue::string(std::string_view utf8Text)
{
    auto arena = std::make_shared<JSONArena>(utf8Text.size());
    Node node;
    if (utf8::isValid(utf8Text)) {
        node = makeBytes(Type::String, utf8Text, *arena);
    } else {
        std::string repaired;
        utf8::appendReplacingInvalid(repaired, utf8Text);
        node = makeBytes(Type::String, repaired, *arena);
    }
    return JSONValue(node, std::move(arena));
}

JSONValue JSONValue::data(std::string_view bytes)
{
    auto arena = std::make_shared<JSONArena>(bytes.size());
    Node node = makeBytes(Type::Data, bytes, *arena);
    return JSONValue(node, std::move(arena));
}

JSONValue JSONValue::array(std::span<const JSONValue> elements)
{
    auto arena = std::make_shared<JSONArena>(elements.size() * sizeof(Node));
    Node node;
    node.type = Type::Array;
    node.count = checkedCount(elements.size());
    auto* nodes = static_cast<Node*>(arena->allocate(sizeof(Node) * (elements.size() ? elements.size() : 1)));
    for (size_t i = 0; i < elements.size(); ++i) {
        new (&nodes[i]) Node(elements[i].m_node);
        arena->retain(elements[i].m_arena);
    }
    node.elements = nodes;
    return JSONValue(node, std::move(arena));
}

JSONValue JSONValue::dictionary(std::span<const std::pair<std::string_view, JSONValue>> members)
{
    auto arena = std::make_shared<JSONArena>(members.size() * sizeof(Member));
    std::vector<Member> unique;
    unique.reserve(members.size());
    std::unordered_map<std::string_view, size_t> positions;
    for (auto& [key, value] : members) {
        auto [position, inserted] = positions.try_emplace(key, unique.size());
        if (!inserted) {
            unique[position->second].value = value.m_node;
        } else {
            Member member;
            // The key's characters must live in this arena: copy them.
            std::string repaired;
            std::string_view keyText = key;
            if (!utf8::isValid(keyText)) {
                utf8::appendReplacingInvalid(repaired, keyText);
                keyText = repaired;
            }
            member.key = makeBytes(Type::String, keyText, *arena);
            member.value = value.m_node;
            unique.push_back(member);
        }
        arena->retain(value.m_arena);
    }
    Node node;
    node.type = Type::Dictionary;
    node.count = checkedCount(unique.size());
    auto* stored = static_cast<Member*>(arena->allocate(sizeof(Member) * (unique.size() ? unique.size() : 1)));
    for (size_t i = 0; i < unique.size(); ++i)
        new (&stored[i]) Member(unique[i]);
    node.members = stored;
    return JSONValue(node, std::move(arena));
}

JSONValue JSONValue::operator[](size_t index) const
{
    if (!isArray() || index >= m_node.count)
        return {};
    return JSONValue(m_node.elements[index], m_arena);
}

std::string_view JSONValue::keyAt(size_t index) const
{
    if (!isDictionary() || index >= m_node.count)
        return {};
    const Node& key = m_node.members[index].key;
    return std::string_view(key.characters, key.count);
}

JSONValue JSONValue::valueAt(size_t index) const
{
    if (!isDictionary() || index >= m_node.count)
        return {};
    return JSONValue(m_node.members[index].value, m_arena);
}

std::optional<JSONValue> JSONValue::find(std::string_view key) const
{
    if (!isDictionary())
        return std::nullopt;
    for (uint32_t i = 0; i < m_node.count; ++i) {
        const Node& candidate = m_node.members[i].key;
        if (std::string_view(candidate.characters, candidate.count) == key)
            return JSONValue(m_node.members[i].value, m_arena);
    }
    return std::nullopt;
}

bool JSONValue::operator==(const JSONValue& other) const
{
    return nodesEqual(m_node, other.m_node);
}

bool JSONValue::nodesEqual(const Node& a, const Node& b)
{
    if (a.type != b.type)
        return false;
    switch (a.type) {
    case Type::Null:
        return true;
    case Type::Number:
        return a.madeAsBoolean == b.madeAsBoolean && a.number == b.number;
    case Type::Date:
        return a.number == b.number;
    case Type::String:
    case Type::Data:
        return a.count == b.count && (a.count == 0 || std::memcmp(a.characters, b.characters, a.count) == 0);
    case Type::Array:
        if (a.count != b.count)
            return false;
        for (uint32_t i = 0; i < a.count; ++i) {
            if (!nodesEqual(a.elements[i], b.elements[i]))
                return false;
        }
        return true;
    case Type::Dictionary:
        if (a.count != b.count)
            return false;
        for (uint32_t i = 0; i < a.count; ++i) {
            if (!nodesEqual(a.members[i].key, b.members[i].key) || !nodesEqual(a.members[i].value, b.members[i].value))
                return false;
        }
        return true;
    }
    return false;
}

const char* JSONValue::typeName(Type type)
{
    switch (type) {
    case Type::Null:
        return "Null";
    case Type::Number:
        return "Number";
    case Type::String:
        return "String";
    case Type::Data:
        return "Data";
    case Type::Date:
        return "Date";
    case Type::Array:
        return "Array";
    case Type::Dictionary:
        return "Dictionary";
    }
    return "Unknown";
}
