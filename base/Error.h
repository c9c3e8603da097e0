#pragma once

#include <string>

// A failure as every layer reports it: the domain names what failed (a
// class's error domain, "JSONScannerErrorDomain", "kPellarURLDownloadErrorDomain",
// a tool's own), the code is fixed per cause within its domain (negative for
// the library's documented codes), the message is human-readable and may be
// empty.
struct Error {
    std::string domain;
    int code { 0 };
    std::string message;

    bool operator==(const Error&) const = default;
};
