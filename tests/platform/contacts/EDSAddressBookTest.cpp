// The desktop's address book service, started on the private session bus of
// the test display (scripts/with-display), never the user's own.
#if VANTREL_HAVE_EDS

#include "platform/contacts/EDSAddressBook.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace {

std::optional<PersonRecord> find(AddressBook& book, const std::string& identifier)
{
    for (auto& record : book.allPeople()) {
        if (record.identifier == identifier)
            return record;
    }
    return std::nullopt;
}

} // namespace

TEST(EDSAddressBookTest, RecordsRoundTripThroughTheServiceAndGoAgain)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the service's client library keeps process-lifetime caches the leak checker reports";
#endif
    const char* home = std::getenv("HOME");
    if (!std::getenv("DBUS_SESSION_BUS_ADDRESS") || !home
        || std::string(home).find("vantrel-display-") == std::string::npos)
        GTEST_SKIP() << "needs the private session bus and home of scripts/with-display";

    auto book = EDSAddressBook::open();
    ASSERT_TRUE(book);
    EXPECT_TRUE(EDSAddressBook::isRunning());
    // With the service up it is the user's address book, unless a folder is named.
    if (!std::getenv("VANTREL_CONTACTS_DIR")) {
        EXPECT_TRUE(dynamic_cast<EDSAddressBook*>(AddressBook::open().get()));
    }
    PersonRecord record;
    record.kind = PersonRecord::Kind::Organization;
    record.organization = "Acme\nTEL:+1 555 0666";
    record.phoneNumbers = { { "work", "+1 555 0100" }, { "mobile", "+1 555 0142" } };
    record.emailAddresses = { { "work", "hello@acme.example" } };
    record.note = "Open 9–5; closed Sundays";
    ASSERT_TRUE(book->addRecord(record));
    ASSERT_EQ(book->save(), std::nullopt);
    std::string identifier = book->allPeople().back().identifier;

    book = EDSAddressBook::open();
    ASSERT_TRUE(book);
    auto stored = find(*book, identifier);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->kind, PersonRecord::Kind::Organization);
    EXPECT_EQ(stored->organization, record.organization);
    EXPECT_EQ(stored->phoneNumbers, record.phoneNumbers);
    EXPECT_EQ(stored->emailAddresses, record.emailAddresses);
    EXPECT_EQ(stored->note, record.note);

    EXPECT_TRUE(book->removeRecord(identifier));
    EXPECT_EQ(book->save(), std::nullopt);
    EXPECT_FALSE(find(*EDSAddressBook::open(), identifier));
}

#endif
