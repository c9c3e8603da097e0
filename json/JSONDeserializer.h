#pragma once

#include <optional>
#include <string_view>

#include "json/DeserializerProtocol.h"
#include "json/JSONError.h"
#include "json/JSONValue.h"

// The front end callers use to read JSON. Stateless: each call makes its own
// scanner, so it may run on any thread.
class JSONDeserializer final : public DeserializerProtocol {
public:
    static constexpr const char* kErrorDomain = "JSONDeserializerErrorDomain";
    static constexpr int kEmptyData = -1; // its error carries no message

    // The top level must be an object whose "{" is the very first byte (after
    // any conversion from UTF-16 or UTF-32): no white space is skipped before it.
    // Whatever follows the object is not examined.
    std::optional<JSONValue> deserializeAsDictionary(std::string_view data, JSONError* error = nullptr) const override;

    // Deprecated: any value may stand at the top level, after white space. When
    // the first byte starts no value the call succeeds without one: nullopt,
    // and the error is left untouched. New callers use deserializeAsDictionary().
    std::optional<JSONValue> deserialize(std::string_view data, JSONError* error = nullptr) const;
};
