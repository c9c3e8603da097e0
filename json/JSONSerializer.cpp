#include "json/JSONSerializer.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

#include "json/UTF8.h"

namespace {

// The second character of each byte's escape, or 0 for a byte written as it is.
// 'u' marks the control characters without a short escape, written as \u00XX.
constexpr std::array<char, 256> makeEscapes()
{
    std::array<char, 256> escapes {};
    for (int c = 0; c < 0x20; ++c)
        escapes[c] = 'u';
    escapes['\\'] = '\\';
    escapes['"'] = '"';
    escapes['/'] = '/';
    escapes['\b'] = 'b';
    escapes['\f'] = 'f';
    escapes['\n'] = 'n';
    escapes['\r'] = 'r';
    escapes['\t'] = 't';
    return escapes;
}
constexpr std::array<char, 256> kEscapes = makeEscapes();

// Integral values below this magnitude are written digit by digit, as integers;
// larger ones (no longer exact as integers anyway) take the shortest form, e.g. 1e+22.
constexpr double kPlainIntegerLimit = 1e17;

}

std::string JSONSerializer::serializeObject(const JSONValue& value) const
{
    std::string out;
    appendObject(out, value.m_node);
    return out;
}

std::string JSONSerializer::serializeNull(const JSONValue&) const
{
    return "null";
}

std::string JSONSerializer::serializeNumber(const JSONValue& value) const
{
    if (!value.isNumber())
        cannotSerializeType(value.m_node);
    std::string out;
    appendNumber(out, value.m_node);
    return out;
}

std::string JSONSerializer::serializeString(std::string_view text) const
{
    std::string out;
    appendString(out, text);
    return out;
}

std::string JSONSerializer::serializeArray(const JSONValue& value) const
{
    if (!value.isArray())
        cannotSerializeType(value.m_node);
    std::string out;
    appendArray(out, value.m_node);
    return out;
}

std::string JSONSerializer::serializeDictionary(const JSONValue& value) const
{
    if (!value.isDictionary())
        cannotSerializeType(value.m_node);
    std::string out;
    appendDictionary(out, value.m_node);
    return out;
}

void JSONSerializer::appendObject(std::string& out, const Node& node)
{
    switch (node.type) {
    case JSONValue::Type::Null:
        out.append("null", 4);
        return;
    case JSONValue::Type::Number:
        appendNumber(out, node);
        return;
    case JSONValue::Type::String:
        appendString(out, {node.characters, node.count});
        return;
    case JSONValue::Type::Array:
        appendArray(out, node);
        return;
    case JSONValue::Type::Dictionary:
        appendDictionary(out, node);
        return;
    case JSONValue::Type::Data: {
        // Data is written as the UTF-8 text it holds; other bytes have no text form.
        std::string_view bytes(node.characters, node.count);
        if (!utf8::isValid(bytes))
            couldNotSerialize(node);
        appendString(out, bytes);
        return;
    }
    case JSONValue::Type::Date:
        break;
    }
    cannotSerializeType(node);
}

void JSONSerializer::appendNumber(std::string& out, const Node& node)
{
    double value = node.number;
    if (node.madeAsBoolean && (value == 0.0 || value == 1.0)) {
        if (value != 0.0)
            out.append("true", 4);
        else
            out.append("false", 5);
        return;
    }
    // Infinity and NaN have no JSON text; writing them would make text no reader accepts.
    if (!std::isfinite(value))
        couldNotSerialize(node);
    char buffer[32];
    char* end;
    if (value == 0.0) {
        end = std::signbit(value) ? std::copy_n("-0", 2, buffer) : std::copy_n("0", 1, buffer);
    } else if (std::fabs(value) < kPlainIntegerLimit && static_cast<double>(static_cast<long long>(value)) == value) {
        end = std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(value)).ptr;
    } else {
        end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    }
    out.append(buffer, static_cast<size_t>(end - buffer));
}

void JSONSerializer::appendString(std::string& out, std::string_view text)
{
    out.push_back('"');
    const char* run = text.data();
    const char* end = text.data() + text.size();
    for (const char* p = run; p < end; ++p) {
        char escape = kEscapes[static_cast<unsigned char>(*p)];
        if (!escape)
            continue;
        out.append(run, static_cast<size_t>(p - run));
        out.push_back('\\');
        out.push_back(escape);
        if (escape == 'u') {
            static constexpr char kHex[] = "0123456789abcdef";
            auto byte = static_cast<unsigned char>(*p);
            const char digits[4] = {'0', '0', kHex[byte >> 4], kHex[byte & 15]};
            out.append(digits, 4);
        }
        run = p + 1;
    }
    out.append(run, static_cast<size_t>(end - run));
    out.push_back('"');
}

void JSONSerializer::appendArray(std::string& out, const Node& node)
{
    out.push_back('[');
    for (uint32_t i = 0; i < node.count; ++i) {
        if (i)
            out.push_back(',');
        appendObject(out, node.elements[i]);
    }
    out.push_back(']');
}

void JSONSerializer::appendDictionary(std::string& out, const Node& node)
{
    out.push_back('{');
    for (uint32_t i = 0; i < node.count; ++i) {
        if (i)
            out.push_back(',');
        const JSONValue::Member& member = node.members[i];
        appendString(out, {member.key.characters, member.key.count});
        out.push_back(':');
        appendObject(out, member.value);
    }
    out.push_back('}');
}

void JSONSerializer::cannotSerializeType(const Node& node)
{
    throw JSONSerializerException(
        std::string("Cannot serialize data of type '") + JSONValue::typeName(node.type) + "'");
}

void JSONSerializer::couldNotSerialize(const Node& node)
{
    std::string description;
    if (node.type == JSONValue::Type::Number) {
        description = std::isnan(node.number) ? "nan" : node.number > 0 ? "inf" : "-inf";
    } else {
        // Data shows as hexadecimal bytes, at most the first 64 of them.
        static constexpr char kHex[] = "0123456789abcdef";
        description = "<";
        for (uint32_t i = 0; i < node.count && i < 64; ++i) {
            if (i && i % 4 == 0)
                description.push_back(' ');
            auto byte = static_cast<unsigned char>(node.characters[i]);
            description.push_back(kHex[byte >> 4]);
            description.push_back(kHex[byte & 15]);
        }
        description += node.count > 64 ? " ...>" : ">";
    }
    throw JSONSerializerException("Could not serialize object '" + description + "'");
}
