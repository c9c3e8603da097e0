#include "platform/foundation/StringUtilities.h"

#include <cstdio>

namespace {

bool isWhiteSpaceOrLineBreak(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

} // namespace

std::string StringUtilities::trimmed(std::string_view text)
{
    size_t first = 0;
    size_t last = text.size();
    while (first < last && isWhiteSpaceOrLineBreak(text[first]))
        ++first;
    while (last > first && isWhiteSpaceOrLineBreak(text[last - 1]))
        --last;
    return std::string(text.substr(first, last - first));
}

std::string StringUtilities::addressText(const void* address)
{
    char text[32];
    std::snprintf(text, sizeof text, "%p", address);
    return text;
}
