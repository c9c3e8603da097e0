#pragma once

#include <optional>
#include <string>
#include <string_view>

// Percent-escaping of text for use in URLs. The adding forms leave the
// characters RFC 2396 allows in a URL as they are (letters, digits,
// - _ . ! ~ * ' ( ) and the reserved ; / ? : @ & = + $ ,) and write every other
// byte as "%" and two upper-case hex digits: the space, "%", "#", control
// characters and, in the UTF-8 form, every byte of a non-ASCII character.
// Reserved characters pass, so "a&b=c" stays "a&b=c"; a caller that puts free
// text into one query value must deal with those itself.
class PercentEscaping {
public:
    // nullopt when the text is not pure ASCII: it has no escaped form in that encoding.
    static std::optional<std::string> addingPercentEscapesASCII(std::string_view text);
    // The bytes of the text as given (UTF-8); never fails.
    static std::string addingPercentEscapesUTF8(std::string_view text);

    // The text as one URL path segment (RFC 3986 "pchar"s): every byte that
    // cannot stand in a segment is escaped ("/", "?", "#", the space, controls,
    // non-ASCII bytes, a "%" that starts no escape), while a "%XX" already in
    // the text is kept as it comes, so a name escaped by its sender is not
    // escaped twice. nullopt for "." and ".." (escaped or not): they name no
    // file, they move up or stay in the path.
    static std::optional<std::string> addingPercentEscapesToPathSegment(std::string_view text);

    // Decodes every "%XX"; other characters are copied as they are. nullopt on
    // a "%" not followed by two hex digits, or when a decoded byte is not ASCII.
    static std::optional<std::string> replacingPercentEscapesASCII(std::string_view text);
    // The same, but the decoded text must be valid UTF-8.
    static std::optional<std::string> replacingPercentEscapesUTF8(std::string_view text);
    // The decoded bytes, whatever they are; nullopt only on a malformed escape.
    static std::optional<std::string> replacingPercentEscapes(std::string_view text);

    static bool isAllowedUnescaped(char c);
};
