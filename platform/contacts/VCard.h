#pragma once

#include "platform/contacts/PersonRecord.h"

#include <optional>
#include <string>
#include <string_view>

// Reads and writes one person record as a vCard (4.0 written; 3.0 and 4.0
// read). Values that come from elsewhere (an ad server, a synced collection)
// are escaped so that none of them can end its line or start a property of
// its own, and labels become plain TYPE tokens, with the exact text kept in
// an X-LABEL parameter when it is not one.
class VCard {
public:
    // CRLF line ends, lines folded at 75 octets. The record must have an
    // identifier and a name or an organization.
    static std::string serialize(const PersonRecord&);
    // nullopt when the text is not exactly one well-formed vCard. The
    // identifier is left empty: the store decides it.
    static std::optional<PersonRecord> parse(std::string_view);

    // Text value escaping: backslash, comma, semicolon and line breaks get a
    // backslash; other control characters are dropped; invalid UTF-8 is
    // replaced.
    static std::string escapeText(std::string_view);
    static std::string unescapeText(std::string_view);
    // A label as a TYPE token: letters, digits and '-' only.
    static std::string typeToken(std::string_view label);
    // A parameter value in double quotes with ^ escapes for ^, " and newlines.
    static std::string quotedParameter(std::string_view);

    VCard() = delete;
};
