#pragma once

#include <string>

// Why a connection failed, in the terms the URL-loading layer reports:
// the transport's own errors mapped onto a small fixed set.
struct NetworkError {
    enum class Code {
        Unknown,
        Cancelled,
        BadURL,
        UnsupportedURL,
        TimedOut,
        CannotFindHost,
        CannotConnectToHost,
        NetworkConnectionLost,
        TooManyRedirects,
        BodyTooLarge,
    };

    Code code { Code::Unknown };
    std::string message;

    bool operator==(const NetworkError&) const = default;
};
