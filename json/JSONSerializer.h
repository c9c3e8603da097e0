#pragma once

#include <string>
#include <string_view>

#include "json/JSONSerializerException.h"
#include "json/JSONValue.h"

// Turns values into compact JSON text: no white space anywhere, dictionary
// members in the dictionary's own order, nothing sorted.
//
// In strings, backslash, double quote, slash and the five control characters
// with short escapes (\b \f \n \r \t) are escaped that way; the other control
// characters are written as \u00XX. A raw control character is not JSON, and a
// raw NUL near the start would make readers take the text for UTF-16 or UTF-32.
// Non-ASCII characters are written as they are.
//
// Raises JSONSerializerException for a value it cannot write: a date (no JSON
// form), a number that is not finite, or data that is not UTF-8 text.
class JSONSerializer {
public:
    std::string serializeObject(const JSONValue&) const;
    std::string serializeNull(const JSONValue& ignored = {}) const;
    // Booleans as true/false; integral values in plain decimal; other numbers
    // in the shortest form that reads back as the same double.
    std::string serializeNumber(const JSONValue&) const;
    std::string serializeString(std::string_view utf8) const;
    std::string serializeArray(const JSONValue&) const;
    std::string serializeDictionary(const JSONValue&) const;

private:
    using Node = JSONValue::Node;
    class Output;
    static void appendObject(Output&, const Node&);
    static void appendNumber(Output&, const Node&);
    static void appendString(Output&, std::string_view);
    static void appendArray(Output&, const Node&);
    static void appendDictionary(Output&, const Node&);
    [[noreturn]] static void cannotSerializeType(const Node&);
    [[noreturn]] static void couldNotSerialize(const Node&);
};
