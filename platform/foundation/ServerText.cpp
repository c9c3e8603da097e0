#include "platform/foundation/ServerText.h"

#include "platform/foundation/GUniquePtr.h"

#include <glib.h>

#include <algorithm>

bool ServerText::isDirectionControl(char32_t c)
{
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

std::string ServerText::forDisplay(std::string_view text, size_t maxCharacters)
{
    // Only the part that may be shown is validated and copied: a 15 MB text
    // costs no more than its first characters. Four bytes per character is
    // the most UTF-8 needs; invalid bytes count as one character each.
    std::string_view head = text.substr(0, std::min(text.size(), maxCharacters * 4 + 4));
    GUniquePtr<char> valid(g_utf8_make_valid(head.data(), static_cast<gssize>(head.size())));
    std::string result;
    result.reserve(std::min(head.size(), maxCharacters * 4));
    size_t count = 0;
    for (const gchar* p = valid.get(); *p && count < maxCharacters; p = g_utf8_next_char(p)) {
        gunichar c = g_utf8_get_char(p);
        if (isDirectionControl(c))
            continue;
        result.append(p, static_cast<size_t>(g_utf8_next_char(p) - p));
        ++count;
    }
    return result;
}
