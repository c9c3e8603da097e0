#include "json/JSONDeserializer.h"

#include "json/JSONScanner.h"

namespace {

JSONError emptyDataError()
{
    return JSONError { JSONDeserializer::kErrorDomain, JSONDeserializer::kEmptyData, {} };
}

}

std::optional<JSONValue> JSONDeserializer::deserializeAsDictionary(std::string_view data, JSONError* error) const
{
    if (data.empty()) {
        if (error)
            *error = emptyDataError();
        return std::nullopt;
    }
    JSONScanner scanner(data);
    JSONValue dictionary;
    if (!scanner.scanJSONDictionary(&dictionary, error))
        return std::nullopt;
    return dictionary;
}

std::optional<JSONValue> JSONDeserializer::deserialize(std::string_view data, JSONError* error) const
{
    if (data.empty()) {
        if (error)
            *error = emptyDataError();
        return std::nullopt;
    }
    JSONScanner scanner(data);
    std::optional<JSONValue> value;
    if (!scanner.scanJSONObject(&value, error))
        return std::nullopt;
    return value;
}
