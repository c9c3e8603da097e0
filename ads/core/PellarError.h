#pragma once

#include <string>

// A failure as the library reports it: the domain names the class that failed
// ("kPellarURLDownloadErrorDomain", "kPellarFlexAdErrorDomain"), the code is
// negative and fixed per cause, the message may be empty.
struct PellarError {
    std::string domain;
    int code { 0 };
    std::string message;

    bool operator==(const PellarError&) const = default;
};
