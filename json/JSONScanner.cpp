#include "json/JSONScanner.h"

#include <cstring>
#include <functional>

#include "json/UTF8.h"

namespace {

// Objects up to this many members find duplicate keys by a linear look; larger
// ones switch to a hash index so that hostile input cannot make parsing quadratic.
constexpr size_t kLinearKeySearchLimit = 8;

inline int hexValue(unsigned char byte)
{
    if (byte >= '0' && byte <= '9')
        return byte - '0';
    byte |= 0x20;
    if (byte >= 'a' && byte <= 'f')
        return byte - 'a' + 10;
    return -1;
}

// Reads four hexadecimal digits; -1 when fewer than four bytes remain or one is not a digit.
inline int32_t hexQuad(const unsigned char* p, const unsigned char* end)
{
    if (end - p < 4)
        return -1;
    int32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        int digit = hexValue(p[i]);
        if (digit < 0)
            return -1;
        value = value << 4 | digit;
    }
    return value;
}

// Short lists, the usual case, are copied without the call a variable-length memcpy costs.
template <typename T> inline void copyNodes(T* to, const T* from, size_t count)
{
    if (count > 4) {
        std::memcpy(static_cast<void*>(to), from, sizeof(T) * count);
        return;
    }
    switch (count) {
    case 4:
        std::memcpy(static_cast<void*>(to + 3), from + 3, sizeof(T));
        [[fallthrough]];
    case 3:
        std::memcpy(static_cast<void*>(to + 2), from + 2, sizeof(T));
        [[fallthrough]];
    case 2:
        std::memcpy(static_cast<void*>(to + 1), from + 1, sizeof(T));
        [[fallthrough]];
    case 1:
        std::memcpy(static_cast<void*>(to), from, sizeof(T));
    }
}

inline bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// Length of the well-formed multi-byte UTF-8 sequence at p, or 0.
inline size_t wellFormedSequenceLength(const unsigned char* p, const unsigned char* end)
{
    unsigned char lead = p[0];
    ptrdiff_t available = end - p;
    if (lead >= 0xC2 && lead <= 0xDF)
        return available >= 2 && isContinuation(p[1]) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (available < 3 || !isContinuation(p[1]) || !isContinuation(p[2]))
            return 0;
        if ((lead == 0xE0 && p[1] < 0xA0) || (lead == 0xED && p[1] > 0x9F))
            return 0; // overlong, or a surrogate
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (available < 4 || !isContinuation(p[1]) || !isContinuation(p[2]) || !isContinuation(p[3]))
            return 0;
        if ((lead == 0xF0 && p[1] < 0x90) || (lead == 0xF4 && p[1] > 0x8F))
            return 0; // overlong, or past U+10FFFF
        return 4;
    }
    return 0;
}

bool decodeUTF32(std::string_view data, bool bigEndian, std::string& out)
{
    if (data.size() % 4)
        return false;
    auto* p = reinterpret_cast<const unsigned char*>(data.data());
    out.reserve(data.size() / 4);
    for (size_t i = 0; i < data.size(); i += 4) {
        char32_t c = bigEndian ? (char32_t(p[i]) << 24 | p[i + 1] << 16 | p[i + 2] << 8 | p[i + 3])
                               : (char32_t(p[i + 3]) << 24 | p[i + 2] << 16 | p[i + 1] << 8 | p[i]);
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return false;
        utf8::appendCodePoint(out, c);
    }
    return true;
}

}

JSONError JSONScanner::errorFor(ErrorCode code)
{
    const char* message = "";
    switch (code) {
    case kDictionaryNotStarted:
        message = "Could not scan dictionary. Dictionary that does not start with '{' character.";
        break;
    case kDictionaryKeyFailed:
        message = "Could not scan dictionary. Failed to scan a key.";
        break;
    case kDictionaryColonMissing:
        message = "Could not scan dictionary. Key was not terminated with a ':' character.";
        break;
    case kDictionaryValueFailed:
        message = "Could not scan dictionary. Failed to scan a value.";
        break;
    case kDictionaryCommaMissing:
        message = "Could not scan dictionary. Key value pairs not delimited with a ',' character.";
        break;
    case kDictionaryNotTerminated:
        message = "Could not scan dictionary. Dictionary not terminated by a '}' character.";
        break;
    case kArrayNotStarted:
        message = "Could not scan array. Array that does not start with '[' character.";
        break;
    case kArrayValueFailed:
        message = "Could not scan array. Could not scan a value.";
        break;
    case kArrayCommaMissing:
    case kArrayNotTerminated:
        message = "Could not scan array. Array not terminated by a ']' character.";
        break;
    case kStringNotStarted:
        message = "Could not scan string constant. String not started by a '\"' character.";
        break;
    case kStringUnicodeEscapeInvalid:
        message = "Could not scan string constant. Unicode character could not be decoded.";
        break;
    case kStringUnknownEscape:
        message = "Could not scan string constant. Unknown escape code.";
        break;
    case kNumberMissing:
        message = "Could not scan number constant.";
        break;
    case kStringNotTerminated:
        message = "Could not scan string constant. String not terminated by a '\"' character.";
        break;
    case kNestingTooDeep:
        message = "Could not scan value. Objects and arrays nested deeper than 512 levels.";
        break;
    }
    return JSONError { kErrorDomain, code, message };
}

JSONScanner::JSONScanner() = default;

JSONScanner::JSONScanner(std::string_view data)
{
    JSONScanner::setData(data);
}

void JSONScanner::setData(std::string_view data)
{
    m_converted.clear();
    if (data.size() > 3) {
        auto b = [&](size_t i) { return static_cast<unsigned char>(data[i]) != 0; };
        bool decoded = true;
        bool converted = true;
        if (b(0) && !b(1) && b(2) && !b(3))
            decoded = utf8::appendDecodedUTF16(m_converted, data, false);
        else if (b(0) && !b(1) && !b(2) && !b(3))
            decoded = decodeUTF32(data, false, m_converted);
        else if (!b(0) && b(1) && !b(2) && b(3))
            decoded = utf8::appendDecodedUTF16(m_converted, data, true);
        else if (!b(0) && !b(1) && !b(2) && b(3))
            decoded = decodeUTF32(data, true, m_converted);
        else
            converted = false;
        if (!decoded) {
            m_converted.clear();
            DataScanner::setData({});
            return;
        }
        if (converted)
            data = m_converted;
    }
    DataScanner::setData(data);
}

void JSONScanner::beginTopLevelScan()
{
    m_nestingExceeded = false;
    m_arena = std::make_shared<JSONArena>(static_cast<size_t>(m_end - m_current));
}

JSONValue JSONScanner::wrap(const Node& node) const
{
    return JSONValue(node, m_arena);
}

bool JSONScanner::fail(const unsigned char* start, ErrorCode code, JSONError* error)
{
    m_current = start;
    if (error && !m_nestingExceeded)
        *error = errorFor(code);
    return false;
}

const char* JSONScanner::storeCharacters(const char* characters, size_t length)
{
    char* stored = static_cast<char*>(m_arena->allocate(length ? length : 1));
    if (length)
        std::memcpy(stored, characters, length);
    return stored;
}

// Public entries: each gives its values an arena of their own.

bool JSONScanner::scanJSONObject(std::optional<JSONValue>* value, JSONError* error)
{
    beginTopLevelScan();
    Node node;
    bool hasValue = false;
    if (!scanValue(node, hasValue, error, 0)) {
        if (value)
            value->reset();
        return false;
    }
    if (value) {
        if (hasValue)
            *value = wrap(node);
        else
            value->reset();
    }
    return true;
}

bool JSONScanner::scanJSONDictionary(JSONValue* value, JSONError* error)
{
    beginTopLevelScan();
    Node node;
    if (!scanDictionary(localPlace(node), error, 0))
        return false;
    if (value)
        *value = wrap(node);
    return true;
}

bool JSONScanner::scanJSONArray(JSONValue* value, JSONError* error)
{
    beginTopLevelScan();
    Node node;
    if (!scanArray(localPlace(node), error, 0))
        return false;
    if (value)
        *value = wrap(node);
    return true;
}

bool JSONScanner::scanJSONStringConstant(JSONValue* value, JSONError* error)
{
    beginTopLevelScan();
    Node node;
    if (!scanString(node, error))
        return false;
    if (value)
        *value = wrap(node);
    return true;
}

bool JSONScanner::scanJSONNumberConstant(JSONValue* value, JSONError* error)
{
    beginTopLevelScan();
    Node node;
    if (!scanNumberNode(node, error))
        return false;
    if (value)
        *value = wrap(node);
    return true;
}

bool JSONScanner::scanNotQuoteCharactersIntoString(std::string* into)
{
    const unsigned char* runEnd = m_current;
    while (runEnd < m_end && *runEnd != '"' && *runEnd != '\\')
        ++runEnd;
    if (runEnd == m_current)
        return false;
    if (into) {
        into->clear();
        utf8::appendReplacingInvalid(*into, { reinterpret_cast<const char*>(m_current), size_t(runEnd - m_current) });
    }
    m_current = runEnd;
    return true;
}

// The parser proper works on nodes in the scan's arena.

bool JSONScanner::scanValue(Node& out, bool& hasValue, JSONError* error, unsigned depth)
{
    skipWhitespace();
    hasValue = false;
    if (m_current == m_end)
        return true;
    switch (*m_current) {
    case '"':
    case '\'': // fails: strings begin with a double quote
        hasValue = true;
        return scanString(out, error);
    case '-':
    case '0':
    case '1':
    case '2':
    case '3':
    case '4':
    case '5':
    case '6':
    case '7':
    case '8':
    case '9':
        hasValue = true;
        return scanNumberNode(out, error);
    case '{':
        hasValue = true;
        return scanDictionary(localPlace(out), error, depth);
    case '[':
        hasValue = true;
        return scanArray(localPlace(out), error, depth);
    case 't':
    case 'f': {
        bool isTrue = *m_current == 't';
        if (scanUTF8String(isTrue ? "true" : "false")) {
            out = Node();
            out.type = JSONValue::Type::Number;
            out.madeAsBoolean = true;
            out.number = isTrue ? 1.0 : 0.0;
            hasValue = true;
        }
        return true;
    }
    case 'n':
        if (scanUTF8String("null")) {
            out = Node();
            hasValue = true;
        }
        return true;
    default:
        // No value starts here; the surrounding container decides what that means.
        return true;
    }
}

bool JSONScanner::scanDictionary(const Place& place, JSONError* error, unsigned depth)
{
    const unsigned char* start = m_current;
    if (!scanCharacter('{'))
        return fail(start, kDictionaryNotStarted, error);
    if (depth >= kMaximumNesting) {
        if (error && !m_nestingExceeded)
            *error = errorFor(kNestingTooDeep);
        m_nestingExceeded = true;
        m_current = start;
        return false;
    }
    const size_t base = m_members.size();
    size_t stored = 0; // members on the stack for this object, removed ones included
    // Open-addressing index of stack positions (plus one; 0 is empty), once the object is large.
    std::vector<uint32_t> index;
    auto failHere = [&](ErrorCode code) {
        m_members.resize(base);
        return fail(start, code, error);
    };
    auto keyOf = [&](size_t position) {
        const Node& key = m_members[position].key;
        return std::string_view(key.characters, key.count);
    };
    auto hashOf = [](std::string_view key) { return std::hash<std::string_view> {}(key); };
    auto addToIndex = [&](size_t position) {
        size_t mask = index.size() - 1;
        size_t slot = hashOf(keyOf(position)) & mask;
        while (index[slot])
            slot = (slot + 1) & mask;
        index[slot] = static_cast<uint32_t>(position + 1);
    };
    auto rebuildIndex = [&] {
        size_t size = 32;
        while (size < stored * 2)
            size *= 2;
        index.assign(size, 0);
        for (size_t i = base; i < m_members.size(); ++i) {
            if (!m_members[i].key.madeAsBoolean)
                addToIndex(i);
        }
    };
    // Looks among the members stored before the one at `position`.
    auto findKey = [&](std::string_view key, size_t position) -> Member* {
        if (!index.empty()) {
            size_t mask = index.size() - 1;
            for (size_t slot = hashOf(key) & mask; index[slot]; slot = (slot + 1) & mask) {
                Member& member = m_members[index[slot] - 1];
                if (!member.key.madeAsBoolean && keyOf(index[slot] - 1) == key)
                    return &member;
            }
            return nullptr;
        }
        for (size_t i = base; i < position; ++i) {
            Member& member = m_members[i];
            // A key node's boolean flag marks a member removed by a later member without value.
            if (!member.key.madeAsBoolean && member.key.count == key.size()
                && std::memcmp(member.key.characters, key.data(), key.size()) == 0)
                return &member;
        }
        return nullptr;
    };

    if (currentCharacter() != '}') {
        while (true) {
            skipWhitespace();
            if (currentCharacter() == '}')
                break;
            // The member is scanned straight into a new place on the stack (see
            // scanArray for why) and taken off again when it turns out to be a duplicate or to have no value.
            const size_t position = m_members.size();
            if (!scanString(m_members.emplace_back().key, error))
                return failHere(kDictionaryKeyFailed);
            skipWhitespace();
            if (!scanCharacter(':'))
                return failHere(kDictionaryColonMissing);
            bool hasValue = true;
            if (startsContainer()) {
                if (!scanContainer({ Place::Kind::MemberValue, position, nullptr }, error, depth + 1))
                    return failHere(kDictionaryValueFailed);
            } else if (!scanValue(m_members[position].value, hasValue, error, depth + 1)) {
                return failHere(kDictionaryValueFailed);
            }

            const Node& key = m_members[position].key;
            Member* existing = findKey({ key.characters, key.count }, position);
            if (existing) {
                if (hasValue) {
                    existing->value = m_members[position].value; // a later duplicate replaces the value in its place
                } else {
                    existing->key.madeAsBoolean = true; // a member without value removes the key
                }
                m_members.pop_back();
            } else if (!hasValue) {
                m_members.pop_back();
            } else {
                ++stored;
                if (stored > kLinearKeySearchLimit) {
                    if (index.empty() || stored * 2 > index.size())
                        rebuildIndex();
                    else
                        addToIndex(position);
                }
            }

            skipWhitespace();
            if (scanCharacter(',')) {
                skipWhitespace();
                if (currentCharacter() == '}')
                    break; // trailing comma
                continue;
            }
            if (currentCharacter() == '}')
                break;
            return failHere(kDictionaryCommaMissing);
        }
    }
    if (!scanCharacter('}'))
        return failHere(kDictionaryNotTerminated);

    size_t live = 0;
    for (size_t i = base; i < m_members.size(); ++i)
        live += !m_members[i].key.madeAsBoolean;
    auto* members = static_cast<Member*>(m_arena->allocate(sizeof(Member) * (live ? live : 1)));
    if (live == m_members.size() - base) {
        copyNodes(members, m_members.data() + base, live);
    } else {
        size_t next = 0;
        for (size_t i = base; i < m_members.size(); ++i) {
            if (!m_members[i].key.madeAsBoolean)
                std::memcpy(static_cast<void*>(&members[next++]), &m_members[i], sizeof(Member));
        }
    }
    m_members.resize(base);
    Node& out = nodeAt(place);
    out = Node();
    out.type = JSONValue::Type::Dictionary;
    out.count = static_cast<uint32_t>(live);
    out.members = members;
    return true;
}

bool JSONScanner::scanArray(const Place& place, JSONError* error, unsigned depth)
{
    const unsigned char* start = m_current;
    if (!scanCharacter('['))
        return fail(start, kArrayNotStarted, error);
    if (depth >= kMaximumNesting) {
        if (error && !m_nestingExceeded)
            *error = errorFor(kNestingTooDeep);
        m_nestingExceeded = true;
        m_current = start;
        return false;
    }
    const size_t base = m_elements.size();
    auto failHere = [&](ErrorCode code) {
        m_elements.resize(base);
        return fail(start, code, error);
    };
    skipWhitespace();
    while (currentCharacter() != ']') {
        // Values are written straight into their place on the stack: reading a
        // node back right after its fields were stored one by one stalls the processor.
        // White space is behind us here: the loop starts after it and every pass ends after it.
        if (m_current < m_end && (*m_current == '{' || *m_current == '[')) {
            m_elements.emplace_back();
            if (!scanContainer({ Place::Kind::Element, m_elements.size() - 1, nullptr }, error, depth + 1))
                return failHere(kArrayValueFailed);
        } else if (m_current < m_end && (*m_current == '-' || static_cast<unsigned char>(*m_current - '0') < 10)) {
            // Numbers, most of a coordinate list, go straight to their reader.
            if (!scanNumberNode(m_elements.emplace_back(), error))
                return failHere(kArrayValueFailed);
        } else {
            bool hasValue;
            if (!scanValue(m_elements.emplace_back(), hasValue, error, depth + 1))
                return failHere(kArrayValueFailed);
            // An element where no value begins ("[,1]", "[1,,2]", a stray letter) fails
            // the array: dropping it silently would shift every later element's position.
            if (!hasValue)
                return failHere(kArrayValueFailed);
        }
        skipWhitespace();
        if (scanCharacter(',')) {
            skipWhitespace();
            continue; // a "]" next is a trailing comma, accepted
        }
        if (currentCharacter() == ']')
            break;
        return failHere(kArrayCommaMissing);
    }
    if (!scanCharacter(']'))
        return failHere(kArrayNotTerminated);

    size_t count = m_elements.size() - base;
    auto* elements = static_cast<Node*>(m_arena->allocate(sizeof(Node) * (count ? count : 1)));
    copyNodes(elements, m_elements.data() + base, count);
    m_elements.resize(base);
    Node& out = nodeAt(place);
    out = Node();
    out.type = JSONValue::Type::Array;
    out.count = static_cast<uint32_t>(count);
    out.elements = elements;
    return true;
}

bool JSONScanner::scanString(Node& out, JSONError* error)
{
    const unsigned char* start = m_current;
    skipWhitespace();
    if (!scanCharacter('"'))
        return fail(start, kStringNotStarted, error);
    const unsigned char* contents = m_current;

    // Fast path: well-formed UTF-8 up to the closing quote, no escapes; copied as it is.
    const unsigned char* p = contents;
    while (true) {
        p = byteRuns::findStringStop(p, m_end);
        if (p == m_end || *p != '"') {
            if (p < m_end && *p >= 0x80) {
                // Step over the well-formed sequences of a non-ASCII run (text in
                // most scripts is one) and go on; anything else takes the slow path.
                size_t length;
                while ((length = wellFormedSequenceLength(p, m_end))) {
                    p += length;
                    if (p == m_end || *p < 0x80)
                        break;
                }
                if (length)
                    continue;
            }
            ErrorCode failure;
            if (!scanStringSlowly(contents, out, error, failure))
                return fail(start, failure, error);
            return true;
        }
        break;
    }
    out = Node();
    out.type = JSONValue::Type::String;
    out.count = static_cast<uint32_t>(p - contents);
    out.characters = storeCharacters(reinterpret_cast<const char*>(contents), out.count);
    m_current = p + 1;
    return true;
}

bool JSONScanner::scanStringSlowly(const unsigned char* contents, Node& out, JSONError*, ErrorCode& failure)
{
    std::string& buffer = m_stringBuffer;
    buffer.clear();
    m_current = contents;
    while (true) {
        if (scanCharacter('"'))
            break;
        const unsigned char* run = m_current;
        while (m_current < m_end && *m_current != '"' && *m_current != '\\')
            ++m_current;
        // Ill-formed UTF-8 becomes U+FFFD rather than failing the answer.
        utf8::appendReplacingInvalid(buffer, { reinterpret_cast<const char*>(run), size_t(m_current - run) });
        if (m_current == m_end) {
            failure = kStringNotTerminated;
            return false;
        }
        if (!scanCharacter('\\'))
            continue; // at the closing quote
        if (m_current == m_end) {
            failure = kStringNotTerminated;
            return false;
        }
        unsigned char escape = *m_current++;
        switch (escape) {
        case '"':
        case '/':
        case '\\':
            buffer.push_back(static_cast<char>(escape));
            break;
        case 'b':
            buffer.push_back('\b');
            break;
        case 'f':
            buffer.push_back('\f');
            break;
        case 'n':
            buffer.push_back('\n');
            break;
        case 'r':
            buffer.push_back('\r');
            break;
        case 't':
            buffer.push_back('\t');
            break;
        case 'u': {
            int32_t unit = hexQuad(m_current, m_end);
            if (unit < 0) {
                failure = kStringUnicodeEscapeInvalid;
                return false;
            }
            m_current += 4;
            char32_t codePoint = static_cast<char32_t>(unit);
            // Each escape is one UTF-16 code unit: a high surrogate escape directly
            // followed by a low one forms one character. An unpaired surrogate
            // cannot be UTF-8 and becomes U+FFFD.
            if (unit >= 0xD800 && unit <= 0xDBFF && m_end - m_current >= 6 && m_current[0] == '\\'
                && m_current[1] == 'u') {
                int32_t low = hexQuad(m_current + 2, m_end);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + char32_t(low - 0xDC00);
                    m_current += 6;
                }
            }
            utf8::appendCodePoint(buffer, codePoint);
            break;
        }
        default:
            failure = kStringUnknownEscape;
            return false;
        }
    }
    out = Node();
    out.type = JSONValue::Type::String;
    out.count = static_cast<uint32_t>(buffer.size());
    out.characters = storeCharacters(buffer.data(), buffer.size());
    return true;
}

bool JSONScanner::scanNumberNode(Node& out, JSONError* error)
{
    double number;
    const unsigned char* runEnd = numberRunEnd(&number);
    if (runEnd == m_current)
        return fail(m_current, kNumberMissing, error);
    out.type = JSONValue::Type::Number;
    out.madeAsBoolean = false;
    out.count = 0;
    out.number = number;
    m_current = runEnd;
    return true;
}
