#pragma once

#include <optional>
#include <string_view>

#include "json/JSONError.h"
#include "json/JSONValue.h"

// What every reader of structured answers offers: bytes in, a dictionary out.
class DeserializerProtocol {
public:
    virtual ~DeserializerProtocol() = default;
    // The dictionary, or nullopt with the error written (when one is passed).
    virtual std::optional<JSONValue> deserializeAsDictionary(
        std::string_view data, JSONError* error = nullptr) const = 0;
};
