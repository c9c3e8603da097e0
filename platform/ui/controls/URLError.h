#pragma once

#include "platform/net/URLErrorCode.h"

#include <string>

// A failed load as a web view reports it: the URL-loading code, the engine's
// own domain and message (for logs), and the address that failed.
struct URLError {
    static constexpr const char* kDomain = "URLErrorDomain";

    int code { URLErrorUnknown };
    std::string message;
    std::string failingURL;
};
