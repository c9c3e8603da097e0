// Contact files come from whatever synchronises the user's collection: the
// reader must survive any bytes, and what it accepts must be written back so
// that it reads the same again (escaping that round-trips).
#include "platform/contacts/VCard.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto record = VCard::parse(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!record)
        return 0;
    record->identifier = "fuzz";
    auto again = VCard::parse(VCard::serialize(*record));
    // Links and pictures are normalised on the way out, and a card without a
    // formatted name gets its organization's; text must come back as it was.
    auto name = record->name ? record->name : record->organization;
    if (!again || again->kind != record->kind || again->name != name || again->organization != record->organization
        || again->note != record->note || again->phoneNumbers != record->phoneNumbers
        || again->emailAddresses != record->emailAddresses || again->addresses != record->addresses)
        std::abort();
    return 0;
}
