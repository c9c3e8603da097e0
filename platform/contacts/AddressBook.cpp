#include "platform/contacts/AddressBook.h"

#include "platform/contacts/VdirAddressBook.h"
#include "platform/foundation/Paths.h"

#include <cstdlib>

std::filesystem::path AddressBook::defaultDirectory()
{
    // A user may point us at a collection they already sync.
    if (const char* explicitDirectory = std::getenv("VANTREL_CONTACTS_DIR"); explicitDirectory && *explicitDirectory)
        return explicitDirectory;
    return Paths::dataDirectory() / "contacts";
}

std::shared_ptr<AddressBook> AddressBook::open()
{
    return VdirAddressBook::open(defaultDirectory());
}
