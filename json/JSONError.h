#pragma once

#include <string>

// A reader failure as callers see it: the domain names the layer that failed
// ("JSONScannerErrorDomain" or "JSONDeserializerErrorDomain"), the code is
// negative and fixed per failure, the message is the human-readable text.
struct JSONError {
    std::string domain;
    int code = 0;
    std::string message;

    bool operator==(const JSONError&) const = default;
};
