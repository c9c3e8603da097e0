#include "platform/contacts/AddressBook.h"

#include "platform/contacts/VdirAddressBook.h"
#include "platform/foundation/Paths.h"

#if VANTREL_HAVE_EDS
#include "platform/contacts/EDSAddressBook.h"
#endif

#include <cstdlib>

namespace {

std::optional<std::filesystem::path> explicitDirectory()
{
    // A user may point us at a collection they already sync.
    if (const char* directory = std::getenv("VANTREL_CONTACTS_DIR"); directory && *directory)
        return directory;
    return std::nullopt;
}

} // namespace

std::filesystem::path AddressBook::defaultDirectory()
{
    return explicitDirectory().value_or(Paths::dataDirectory() / "contacts");
}

std::shared_ptr<AddressBook> AddressBook::open()
{
#if VANTREL_HAVE_EDS
    // Where the desktop's address book service already runs, that is where
    // the user looks for contacts; a folder named explicitly still wins.
    if (!explicitDirectory() && EDSAddressBook::isRunning()) {
        if (auto book = EDSAddressBook::open())
            return book;
    }
#endif
    return VdirAddressBook::open(defaultDirectory());
}
