#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "json/DataScanner.h"
#include "json/JSONError.h"
#include "json/JSONValue.h"

// Recursive-descent JSON parser on the byte scanner. The grammar is JSON with
// a few leniencies that ad answers have come to rely on: trailing commas in
// objects and arrays, a member without a value (key, colon, then "," or "}")
// is left out, raw control bytes inside strings, and nothing after the
// top-level value is examined.
//
// Every scanning operation either succeeds and gives its value, or fails,
// returns the scan position to where it began and writes its own error,
// replacing any error an inner operation wrote: the outermost failing
// construct's error is the one the caller sees. The one exception is the
// nesting limit, whose error is passed out unchanged so the cause stays visible.
class JSONScanner final : public DataScanner {
public:
    static constexpr const char* kErrorDomain = "JSONScannerErrorDomain";
    enum ErrorCode {
        kDictionaryNotStarted = -1,
        kDictionaryKeyFailed = -2,
        kDictionaryColonMissing = -3,
        kDictionaryValueFailed = -4,
        kDictionaryCommaMissing = -5,
        kDictionaryNotTerminated = -6,
        kArrayNotStarted = -7,
        kArrayValueFailed = -8,
        kArrayCommaMissing = -9,
        kArrayNotTerminated = -10,
        kStringNotStarted = -11,
        kStringUnicodeEscapeInvalid = -12,
        kStringUnknownEscape = -13,
        kNumberMissing = -14,
        kStringNotTerminated = -15,
        kNestingTooDeep = -16,
    };
    // Containers nested deeper than this fail with kNestingTooDeep rather than
    // exhausting the stack; real answers nest a handful of levels.
    static constexpr unsigned kMaximumNesting = 512;
    static JSONError errorFor(ErrorCode);

    JSONScanner();
    explicit JSONScanner(std::string_view data);

    // Detects UTF-16 and UTF-32 (either byte order, no byte-order mark) from
    // the first four bytes and converts them to UTF-8; anything else is taken
    // as UTF-8. Text that does not decode leaves the scanner empty.
    void setData(std::string_view) override;

    // Any value. Succeeds without a value (nullopt) and without moving when
    // the current byte starts none: a container then decides what follows.
    bool scanJSONObject(std::optional<JSONValue>* value, JSONError* error = nullptr);
    // An object; its "{" must be the current byte (no white space is skipped before it).
    bool scanJSONDictionary(JSONValue* value, JSONError* error = nullptr);
    bool scanJSONArray(JSONValue* value, JSONError* error = nullptr);
    bool scanJSONStringConstant(JSONValue* value, JSONError* error = nullptr);
    bool scanJSONNumberConstant(JSONValue* value, JSONError* error = nullptr);
    // The longest run of bytes that are neither a double quote nor a backslash, decoded as UTF-8.
    bool scanNotQuoteCharactersIntoString(std::string* into = nullptr);

private:
    using Node = JSONValue::Node;
    using Member = JSONValue::Member;

    void beginTopLevelScan();
    JSONValue wrap(const Node&) const;

    // Where a container's node is written: a local node, or an element or
    // member value on the work stacks. Those stacks may move while the
    // container's contents are scanned, so the place is looked up only once
    // the container is done.
    struct Place {
        enum class Kind : uint8_t { Local, Element, MemberValue };
        Kind kind;
        size_t index;
        Node* local;
    };
    Node& nodeAt(const Place& place)
    {
        switch (place.kind) {
        case Place::Kind::Element:
            return m_elements[place.index];
        case Place::Kind::MemberValue:
            return m_members[place.index].value;
        case Place::Kind::Local:
            break;
        }
        return *place.local;
    }
    static Place localPlace(Node& node) { return { Place::Kind::Local, 0, &node }; }

    // Whether the next byte after white space opens an object or array.
    bool startsContainer()
    {
        skipWhitespace();
        return m_current < m_end && (*m_current == '{' || *m_current == '[');
    }
    bool scanValue(Node& out, bool& hasValue, JSONError*, unsigned depth);
    bool scanDictionary(const Place&, JSONError*, unsigned depth);
    bool scanArray(const Place&, JSONError*, unsigned depth);
    bool scanContainer(const Place& place, JSONError* error, unsigned depth)
    {
        return *m_current == '{' ? scanDictionary(place, error, depth) : scanArray(place, error, depth);
    }
    bool scanString(Node& out, JSONError*);
    bool scanStringSlowly(const unsigned char* contents, Node& out, JSONError*, ErrorCode& failure);
    bool scanNumberNode(Node& out, JSONError*);
    bool fail(const unsigned char* start, ErrorCode, JSONError*);
    const char* storeCharacters(const char*, size_t);

    std::string m_converted; // the UTF-8 form of data that came in another encoding
    std::shared_ptr<JSONArena> m_arena; // where the values of the current scan are built
    bool m_nestingExceeded = false;
    // Work stacks shared by all levels of one scan; a finished container moves its part into the arena.
    std::vector<Node> m_elements;
    std::vector<Member> m_members;
    std::string m_stringBuffer;
};
