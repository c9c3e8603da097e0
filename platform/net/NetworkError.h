#pragma once

#include "platform/net/URLErrorCode.h"

#include <string>

// Why a connection failed, in the URL-loading codes a web view reports too:
// the transport's own errors mapped onto them.
struct NetworkError {
    URLErrorCode code { URLErrorUnknown };
    std::string message;

    bool operator==(const NetworkError&) const = default;
};
