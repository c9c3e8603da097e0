#pragma once

#include <stdexcept>
#include <string>

// Raised by the writer for a value it cannot write; the reason names the value
// ("Cannot serialize data of type '...'" or "Could not serialize object '...'").
// The writer never catches it: callers building a request do.
class JSONSerializerException : public std::runtime_error {
public:
    explicit JSONSerializerException(const std::string& reason)
        : std::runtime_error(reason)
    {
    }
    std::string reason() const { return what(); }
};
