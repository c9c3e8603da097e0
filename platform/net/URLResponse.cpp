#include "platform/net/URLResponse.h"

#include <strings.h>

std::optional<std::string> URLResponse::valueForHeader(const std::string& name) const
{
    for (auto& [key, value] : headers) {
        if (strcasecmp(key.c_str(), name.c_str()) == 0)
            return value;
    }
    return std::nullopt;
}
