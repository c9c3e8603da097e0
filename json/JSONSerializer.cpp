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

constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHighBits = 0x8080808080808080ull;

// Marks (in its high bit) the lowest byte of the word that is zero; bits above
// the first such byte may be wrong, which is why only the lowest mark is read.
inline uint64_t zeroBytes(uint64_t word)
{
    return (word - kOnes) & ~word & kHighBits;
}

// Whether any of the eight bytes needs an escape: a control character, a
// double quote, a backslash or a slash. A wrong mark only ever sits above a
// right one, so a word is flagged exactly when it holds such a byte.
inline bool needsEscape(uint64_t word)
{
    uint64_t control = (word - kOnes * 0x20) & ~word & kHighBits;
    return control | zeroBytes(word ^ (kOnes * '"')) | zeroBytes(word ^ (kOnes * '\\'))
        | zeroBytes(word ^ (kOnes * '/'));
}

}

// The text being written: a buffer written through a raw pointer, grown by
// doubling, so that the many short pieces of a document cost a store or a
// small copy each rather than a call.
class JSONSerializer::Output {
public:
    Output()
    {
        m_text.resize(kInitialSize);
        m_next = m_text.data();
        m_limit = m_next + m_text.size();
    }

    // Room for at least this many more bytes at the write position, which it returns.
    char* reserve(size_t bytes)
    {
        if (static_cast<size_t>(m_limit - m_next) < bytes)
            grow(bytes);
        return m_next;
    }
    void setNext(char* next) { m_next = next; }

    void append(char c)
    {
        *reserve(1) = c;
        ++m_next;
    }
    // Literal text: the copy has a fixed length.
    template <size_t N> void appendLiteral(const char (&literal)[N])
    {
        std::memcpy(reserve(N - 1), literal, N - 1);
        m_next += N - 1;
    }

    std::string take()
    {
        m_text.resize(static_cast<size_t>(m_next - m_text.data()));
        return std::move(m_text);
    }

private:
    static constexpr size_t kInitialSize = 256;

    void grow(size_t bytes)
    {
        size_t used = static_cast<size_t>(m_next - m_text.data());
        m_text.resize(std::max(m_text.size() * 2, used + bytes));
        m_next = m_text.data() + used;
        m_limit = m_text.data() + m_text.size();
    }

    std::string m_text;
    char* m_next;
    char* m_limit;
};

std::string JSONSerializer::serializeObject(const JSONValue& value) const
{
    Output out;
    appendObject(out, value.m_node);
    return out.take();
}

std::string JSONSerializer::serializeNull(const JSONValue&) const
{
    return "null";
}

std::string JSONSerializer::serializeNumber(const JSONValue& value) const
{
    if (!value.isNumber())
        cannotSerializeType(value.m_node);
    Output out;
    appendNumber(out, value.m_node);
    return out.take();
}

std::string JSONSerializer::serializeString(std::string_view text) const
{
    Output out;
    appendString(out, text);
    return out.take();
}

std::string JSONSerializer::serializeArray(const JSONValue& value) const
{
    if (!value.isArray())
        cannotSerializeType(value.m_node);
    Output out;
    appendArray(out, value.m_node);
    return out.take();
}

std::string JSONSerializer::serializeDictionary(const JSONValue& value) const
{
    if (!value.isDictionary())
        cannotSerializeType(value.m_node);
    Output out;
    appendDictionary(out, value.m_node);
    return out.take();
}

void JSONSerializer::appendObject(Output& out, const Node& node)
{
    switch (node.type) {
    case JSONValue::Type::Null:
        out.appendLiteral("null");
        return;
    case JSONValue::Type::Number:
        appendNumber(out, node);
        return;
    case JSONValue::Type::String:
        appendString(out, { node.characters, node.count });
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

void JSONSerializer::appendNumber(Output& out, const Node& node)
{
    double value = node.number;
    if (node.madeAsBoolean && (value == 0.0 || value == 1.0)) {
        if (value != 0.0)
            out.appendLiteral("true");
        else
            out.appendLiteral("false");
        return;
    }
    // Infinity and NaN have no JSON text; writing them would make text no reader accepts.
    if (!std::isfinite(value))
        couldNotSerialize(node);
    // The longest shortest form, "-2.2250738585072014e-308", takes 24 bytes.
    constexpr size_t kLongestNumber = 32;
    char* buffer = out.reserve(kLongestNumber);
    char* end;
    if (value == 0.0) {
        end = std::signbit(value) ? std::copy_n("-0", 2, buffer) : std::copy_n("0", 1, buffer);
    } else if (std::fabs(value) < kPlainIntegerLimit && static_cast<double>(static_cast<long long>(value)) == value) {
        end = std::to_chars(buffer, buffer + kLongestNumber, static_cast<long long>(value)).ptr;
    } else {
        end = std::to_chars(buffer, buffer + kLongestNumber, value).ptr;
    }
    out.setNext(end);
}

void JSONSerializer::appendString(Output& out, std::string_view text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    const char* p = text.data();
    const char* const end = p + text.size();
    // Room is kept for the rest of the text as it is plus the closing quote;
    // each escape asks for its few bytes more.
    char* to = out.reserve(text.size() + 2);
    *to++ = '"';
    while (true) {
        // Runs without escapes are copied eight bytes at a time. A word that
        // holds an escape stops the loop; the byte loop then stops at that escape.
        while (end - p >= 8) {
            uint64_t word;
            std::memcpy(&word, p, 8);
            if (needsEscape(word))
                break;
            std::memcpy(to, &word, 8);
            p += 8;
            to += 8;
        }
        while (p < end && !kEscapes[static_cast<unsigned char>(*p)])
            *to++ = *p++;
        if (p == end)
            break;
        out.setNext(to);
        to = out.reserve(6 + static_cast<size_t>(end - p));
        auto byte = static_cast<unsigned char>(*p++);
        char escape = kEscapes[byte];
        *to++ = '\\';
        *to++ = escape;
        if (escape == 'u') {
            *to++ = '0';
            *to++ = '0';
            *to++ = kHex[byte >> 4];
            *to++ = kHex[byte & 15];
        }
    }
    *to++ = '"';
    out.setNext(to);
}

void JSONSerializer::appendArray(Output& out, const Node& node)
{
    out.append('[');
    for (uint32_t i = 0; i < node.count; ++i) {
        if (i)
            out.append(',');
        appendObject(out, node.elements[i]);
    }
    out.append(']');
}

void JSONSerializer::appendDictionary(Output& out, const Node& node)
{
    out.append('{');
    for (uint32_t i = 0; i < node.count; ++i) {
        if (i)
            out.append(',');
        const JSONValue::Member& member = node.members[i];
        appendString(out, { member.key.characters, member.key.count });
        out.append(':');
        appendObject(out, member.value);
    }
    out.append('}');
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
