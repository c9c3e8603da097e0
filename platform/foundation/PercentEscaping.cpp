#include "platform/foundation/PercentEscaping.h"

#include <glib.h>

#include <cstring>

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void appendEscaped(std::string& escaped, char c)
{
    auto byte = static_cast<unsigned char>(c);
    escaped += '%';
    escaped += kHexDigits[byte >> 4];
    escaped += kHexDigits[byte & 0xF];
}

std::string escapeBytes(std::string_view text)
{
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        if (PercentEscaping::isAllowedUnescaped(c))
            escaped += c;
        else
            appendEscaped(escaped, c);
    }
    return escaped;
}

std::optional<std::string> unescapeBytes(std::string_view text, bool asciiOnly)
{
    std::string decoded;
    decoded.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            decoded += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return std::nullopt;
        int high = g_ascii_xdigit_value(text[i + 1]);
        int low = g_ascii_xdigit_value(text[i + 2]);
        if (high < 0 || low < 0)
            return std::nullopt;
        int byte = high * 16 + low;
        if (asciiOnly && byte > 0x7F)
            return std::nullopt;
        decoded += static_cast<char>(byte);
        i += 2;
    }
    return decoded;
}

} // namespace

bool PercentEscaping::isAllowedUnescaped(char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    return c != '\0' && std::strchr("-_.!~*'();/?:@&=+$,", c) != nullptr;
}

std::optional<std::string> PercentEscaping::addingPercentEscapesASCII(std::string_view text)
{
    for (char c : text) {
        if (static_cast<unsigned char>(c) > 0x7F)
            return std::nullopt;
    }
    return escapeBytes(text);
}

std::string PercentEscaping::addingPercentEscapesUTF8(std::string_view text)
{
    return escapeBytes(text);
}

std::optional<std::string> PercentEscaping::addingPercentEscapesToPathSegment(std::string_view text)
{
    std::string escaped;
    escaped.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        bool isEscape
            = c == '%' && i + 2 < text.size() && g_ascii_isxdigit(text[i + 1]) && g_ascii_isxdigit(text[i + 2]);
        bool isSegmentCharacter = g_ascii_isalnum(c) || std::strchr("-._~!$&'()*+,;=:@", c) != nullptr;
        if (isEscape || (c != '\0' && isSegmentCharacter))
            escaped += c;
        else
            appendEscaped(escaped, c);
    }
    auto decoded = unescapeBytes(escaped, false);
    if (!decoded || *decoded == "." || *decoded == "..")
        return std::nullopt;
    return escaped;
}

std::optional<std::string> PercentEscaping::replacingPercentEscapesASCII(std::string_view text)
{
    return unescapeBytes(text, true);
}

std::optional<std::string> PercentEscaping::replacingPercentEscapesUTF8(std::string_view text)
{
    auto decoded = unescapeBytes(text, false);
    if (!decoded || !g_utf8_validate(decoded->data(), static_cast<gssize>(decoded->size()), nullptr))
        return std::nullopt;
    return decoded;
}

std::optional<std::string> PercentEscaping::replacingPercentEscapes(std::string_view text)
{
    return unescapeBytes(text, false);
}
