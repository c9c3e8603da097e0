#include "platform/foundation/QueryString.h"

#include "platform/foundation/PercentEscaping.h"

#include <cstring>

namespace {

std::string unescapeComponent(std::string_view text, QueryString::Plus plus)
{
    std::string component(text);
    if (plus == QueryString::Plus::PlusIsSpace) {
        for (char& c : component) {
            if (c == '+')
                c = ' ';
        }
    }
    // The bytes are kept as sent: a value need not be valid UTF-8 to be worth reading.
    auto decoded = PercentEscaping::replacingPercentEscapes(component);
    return decoded ? *decoded : component;
}

std::string escapeComponent(std::string_view text)
{
    constexpr char kHexDigits[] = "0123456789ABCDEF";
    std::string escaped = PercentEscaping::addingPercentEscapesUTF8(text);
    std::string result;
    result.reserve(escaped.size());
    // The reserved characters pass the URL escaping but would split or change a pair here.
    for (char c : escaped) {
        if (c != '\0' && std::strchr(";/?:@&=+$,", c)) {
            result += '%';
            result += kHexDigits[static_cast<unsigned char>(c) >> 4];
            result += kHexDigits[static_cast<unsigned char>(c) & 0xF];
        } else {
            result += c;
        }
    }
    return result;
}

} // namespace

QueryString::Pairs QueryString::parse(std::string_view query, Plus plus)
{
    Pairs pairs;
    while (true) {
        size_t ampersand = query.find('&');
        std::string_view piece = query.substr(0, ampersand);
        if (!piece.empty()) {
            size_t equals = piece.find('=');
            std::string_view key = piece.substr(0, equals);
            std::string_view value = equals == std::string_view::npos ? std::string_view() : piece.substr(equals + 1);
            pairs.emplace_back(unescapeComponent(key, plus), unescapeComponent(value, plus));
        }
        if (ampersand == std::string_view::npos)
            break;
        query = query.substr(ampersand + 1);
    }
    return pairs;
}

std::string QueryString::build(const Pairs& pairs)
{
    std::string query;
    for (const auto& [key, value] : pairs) {
        if (!query.empty())
            query += '&';
        query += escapeComponent(key) + "=" + escapeComponent(value);
    }
    return query;
}
