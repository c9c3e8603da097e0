#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

// Reads the property lists the ad service sends as strings tables. Three forms
// are understood: the text form of strings files and old-style lists
// ("key" = "value"; with /* */ and // comments, backslash escapes including
// \Uxxxx, optional surrounding braces, unquoted words) and XML property
// lists (<plist><dict><key>..</key><string>..</string>..</dict></plist>),
// and binary property lists ("bplist00", read with libplist).
// Text may be UTF-8 (with or without a byte-order mark) or UTF-16 with a
// byte-order mark.
class PropertyListReader {
public:
    using StringTable = std::map<std::string, std::string>;

    // The table when the data is a property list whose top level is a
    // dictionary of strings to strings; nullopt for anything else (not a
    // property list, an array or a single string at the top, a dictionary
    // holding another kind of value).
    static std::optional<StringTable> stringTableFromData(std::string_view data);

    // The data as UTF-8 text, from whichever encoding its byte-order mark
    // (or its zero bytes) names; nullopt when it is not valid text.
    static std::optional<std::string> decodeText(std::string_view data);

    PropertyListReader() = delete;

private:
    static std::optional<StringTable> readTextForm(std::string_view text);
    static std::optional<StringTable> readXMLForm(std::string_view text);
    static std::optional<StringTable> readBinaryForm(std::string_view data);
};
