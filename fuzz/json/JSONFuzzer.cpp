// Feeds arbitrary bytes to both reader entries; whatever value comes out must
// write (or raise the writer's exception for a number beyond the double range)
// and read back to an equal value.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "json/JSONDeserializer.h"
#include "json/JSONSerializer.h"

namespace {

void checkRoundTrip(const JSONValue& value)
{
    std::string text;
    try {
        text = JSONSerializer().serializeObject(value);
    } catch (const JSONSerializerException&) {
        return; // infinity: numbers such as 1e999 have no JSON text
    }
    JSONError error;
    auto again = JSONDeserializer().deserialize(text, &error);
    if (!again || !(*again == value))
        std::abort();
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    JSONDeserializer deserializer;
    JSONError error;
    if (auto value = deserializer.deserialize(bytes, &error))
        checkRoundTrip(*value);
    if (auto dictionary = deserializer.deserializeAsDictionary(bytes, &error))
        checkRoundTrip(*dictionary);
    return 0;
}
