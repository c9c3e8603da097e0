#include "ads/clickthrough/PellarClickToContactsAlert.h"
#include "ads/clickthrough/PellarContact.h"
#include "platform/contacts/VdirAddressBook.h"
#include "platform/ui/graphics/Image.h"
#include "platform/ui/graphics/ImageContext.h"
#include "tests/ads/clickthrough/CallAndContactsTestSupport.h"
#include "tests/support/FileSizeLimit.h"
#include "json/JSONDeserializer.h"

#include <fstream>

namespace {

const std::string kErasing
    = "Address Acme is already in the address book.  Erasing the old entry before adding the new one.";
const std::string kAdded = "Added contact Acme to the address book.";

class PellarContactTest : public CallAndContactsFixture {
protected:
    void SetUp() override
    {
        CallAndContactsFixture::SetUp();
        auto picture = ImageContext(Size { 8, 8 }, 1.0).image()->encodePNG();
        server.respond("/picture.png", { .body = *picture, .contentType = "image/png" });
        server.respond("/not-a-picture.png", { .body = "<html>oops</html>", .contentType = "image/png" });
    }

    std::filesystem::path contactsDirectory() const { return dataDirectory / "contacts"; }
    std::vector<PersonRecord> stored() { return VdirAddressBook::open(contactsDirectory())->allPeople(); }

    JSONValue json(const std::string& text)
    {
        auto value = JSONDeserializer().deserialize(text);
        EXPECT_TRUE(value) << text;
        return *value;
    }
    JSONValue acme(const std::string& extra = "")
    {
        return json(
            R"({"organization": "Acme", "phonenums": {"work": "+1 555 0100", "mobile": "+1 555 0142", "fax": 5550199},
            "emails": {"work": "hello@acme.example"}, "addresses": {"work": {"Street": "1 Market St", "City": "Springfield"}},
            "links": {"home": "https://acme.example/"}, "note": "Open 9-5")"
            + extra + "}");
    }

    void addEntry(const std::string& organization, PersonRecord::Kind kind = PersonRecord::Kind::Organization)
    {
        auto book = VdirAddressBook::open(contactsDirectory());
        PersonRecord record;
        record.kind = kind;
        record.organization = organization;
        record.name = organization + " person";
        book->addRecord(record);
        ASSERT_EQ(book->save(), std::nullopt);
    }
};

} // namespace

TEST_F(PellarContactTest, ReplacesEveryOldEntryOfTheOrganizationAndNothingElse)
{
    addEntry("Acme");
    addEntry("Acme");
    addEntry("Acme", PersonRecord::Kind::Individual); // someone who works there: not the advertiser's entry
    addEntry("Acme Two");

    PellarContact::createWithDictionary(acme())->addToAddressBook();
    EXPECT_EQ(logged(kErasing), 2);
    EXPECT_EQ(logged(kAdded), 1);

    // A name with a line break stays on its log line.
    auto forged = PellarContact::create();
    forged->setOrganization("Evil\n2026-01-01 00:00:00.000 vantrel[1] Pellar: Did receive ad");
    forged->addToAddressBook();
    EXPECT_EQ(
        logged("Added contact Evil 2026-01-01 00:00:00.000 vantrel[1] Pellar: Did receive ad to the address book."), 1);
    forged->removeFromAddressBook();

    auto people = stored();
    ASSERT_EQ(people.size(), 3u);
    int acmeEntries = 0;
    for (const auto& record : people)
        acmeEntries += record.kind == PersonRecord::Kind::Organization && record.organization == "Acme";
    EXPECT_EQ(acmeEntries, 1);
}

TEST_F(PellarContactTest, ReadBackGivesWhatWasWrittenWithTheServersLabels)
{
    PellarContact::createWithDictionary(acme())->addToAddressBook();
    auto contact = PellarContact::createWithAddressBookEntryForOrganization("Acme");
    ASSERT_TRUE(contact);
    using Labeled = PellarContact::LabeledStrings;
    // The number that is not text is left out; the two labelled ones stay, in order.
    EXPECT_EQ(contact->phoneNumbers(), (Labeled { { "work", "+1 555 0100" }, { "mobile", "+1 555 0142" } }));
    EXPECT_EQ(contact->emailAddresses(), (Labeled { { "work", "hello@acme.example" } }));
    ASSERT_TRUE(contact->addresses());
    EXPECT_EQ(contact->addresses()->at(0).value,
        (PersonRecord::Address { { "Street", "1 Market St" }, { "City", "Springfield" } }));
    EXPECT_EQ(contact->links(), (Labeled { { "home", "https://acme.example/" } }));
    EXPECT_EQ(contact->note(), "Open 9-5");
    EXPECT_FALSE(contact->image());
    EXPECT_FALSE(PellarContact::createWithAddressBookEntryForOrganization("Nobody"));

    EXPECT_TRUE(contact->removeFromAddressBook());
    EXPECT_TRUE(stored().empty());
    EXPECT_FALSE(contact->removeFromAddressBook());
}

// The entry is written at once without its picture, then replaced by one
// with it; a picture that fails or is not an image leaves the first entry.
TEST_F(PellarContactTest, PictureArrivesInASecondWriteOrNotAtAll)
{
    std::weak_ptr<PellarContact> weakContact;
    {
        auto contact = PellarContact::createWithDictionary(acme(R"(, "image": ")" + server.url("/picture.png") + "\""));
        weakContact = contact;
        contact->addToAddressBook();
    }
    ASSERT_EQ(stored().size(), 1u);
    EXPECT_FALSE(stored()[0].imageData);
    EXPECT_FALSE(weakContact.expired()) << "kept alive by its own download";
    ASSERT_TRUE(loop().runUntil([&] { return logged(kAdded) == 2; }));
    EXPECT_EQ(logged(kErasing), 1);
    auto people = stored();
    ASSERT_EQ(people.size(), 1u);
    ASSERT_TRUE(people[0].imageData);
    EXPECT_TRUE(people[0].imageData->starts_with("\x89PNG"));
    loop().runUntilIdle();
    EXPECT_TRUE(weakContact.expired());

    const std::string failures[] = { server.url("/missing.png"), server.url("/not-a-picture.png"),
        "http://127.0.0.1:" + std::to_string(LoopbackServer::closedPort()) + "/p.png" };
    for (const auto& location : failures) {
        log.clear();
        {
            auto contact = PellarContact::createWithDictionary(acme(R"(, "image": ")" + location + "\""));
            weakContact = contact;
            contact->addToAddressBook();
        }
        ASSERT_TRUE(loop().runUntil([&] { return weakContact.expired(); })) << location;
        EXPECT_EQ(logged(kAdded), 1) << location;
        ASSERT_EQ(stored().size(), 1u) << location;
        EXPECT_FALSE(stored()[0].imageData) << location;
    }
}

TEST_F(PellarContactTest, AlertAddsOnAddAndReportsTheAcquisitionBeside)
{
    auto answer = json(R"({"contact": {"organization": "Acme", "phonenums": {"work": "+1 555 0100"}}})");
    auto alert = PellarClickToContactsAlert::create(answer.find("contact"), server.url("/acquisition"));
    ASSERT_TRUE(alert);
    alert->show();
    std::weak_ptr<PellarClickToContactsAlert> weakAlert = alert;
    alert.reset();
    ASSERT_EQ(AlertView::visibleAlerts().size(), 1u);
    EXPECT_EQ(AlertView::visibleAlerts()[0]->title(), "Add Acme to your Address Book?");
    ASSERT_TRUE(tapLabel("Add"));
    // Added at once; the acquisition request is not waited for.
    EXPECT_EQ(stored().size(), 1u);
    EXPECT_EQ(server.requestsTo("/acquisition"), 0);
    ASSERT_TRUE(loop().runUntil([&] { return server.requestsTo("/acquisition") == 1; }));
    loop().runUntil([&] { return weakAlert.expired(); }, 2);
    EXPECT_TRUE(weakAlert.expired());
    EXPECT_EQ(logged("Failed to record click-to-contacts acquisition."), 0);

    PellarClickToContactsAlert::create(answer.find("contact"), server.url("/missing"))->show();
    ASSERT_TRUE(tapLabel("Add"));
    ASSERT_TRUE(loop().runUntil([&] { return logged("Failed to record click-to-contacts acquisition.") == 1; }));
}

TEST_F(PellarContactTest, CancelAndBadAnswersChangeNothing)
{
    auto answer = json(
        R"({"contact": {"organization": "Acme"}, "nameless": {"note": "x"}, "org-number": {"organization": 7}, "list": [1]})");
    EXPECT_FALSE(PellarClickToContactsAlert::create(std::nullopt, server.url("/acquisition")));
    EXPECT_FALSE(PellarClickToContactsAlert::create(answer.find("list"), server.url("/acquisition")));
    EXPECT_FALSE(PellarClickToContactsAlert::create(answer.find("nameless"), server.url("/acquisition")));
    EXPECT_FALSE(PellarClickToContactsAlert::create(answer.find("org-number"), server.url("/acquisition")));
    EXPECT_EQ(logged("No contact information in click response."), 2);
    EXPECT_EQ(logged("No organization name in the contact information in click response."), 2);
    EXPECT_TRUE(AlertView::visibleAlerts().empty());

    PellarClickToContactsAlert::create(answer.find("contact"), server.url("/acquisition"))->show();
    ASSERT_TRUE(tapLabel("Cancel"));
    loop().runUntil([] { return false; }, 0.1);
    EXPECT_EQ(server.requests().size(), 0u);
    EXPECT_FALSE(std::filesystem::exists(contactsDirectory())) << "cancel does not even open the address book";
}

TEST_F(PellarContactTest, AnAddThatCannotBeWrittenIsLoggedAndShownAndNotReported)
{
    // A file stands where the contacts folder should be.
    std::filesystem::create_directories(contactsDirectory().parent_path());
    {
        std::ofstream(contactsDirectory()) << "not a folder";
    }
    auto answer = json(R"({"contact": {"organization": "Acme\nCorp"}})");
    PellarClickToContactsAlert::create(answer.find("contact"), server.url("/acquisition"))->show();
    ASSERT_TRUE(tapLabel("Add"));
    auto failures = std::count_if(log.begin(), log.end(),
        [](auto& line) { return line.starts_with("Could not add contact Acme Corp to the address book: "); });
    EXPECT_EQ(failures, 1);
    ASSERT_EQ(AlertView::visibleAlerts().size(), 1u);
    EXPECT_EQ(AlertView::visibleAlerts()[0]->title(), "Acme\nCorp was not added to your Address Book.");
    ASSERT_TRUE(tapLabel("OK"));
    EXPECT_TRUE(AlertView::visibleAlerts().empty());
    loop().runUntil([] { return false; }, 0.1);
    EXPECT_EQ(server.requestsTo("/acquisition"), 0);
    EXPECT_EQ(logged(kAdded), 0);
}

TEST_F(PellarContactTest, AReplacementThatCannotBeWrittenKeepsTheOldEntry)
{
    addEntry("Acme");
    auto before = stored();
    ASSERT_EQ(before.size(), 1u);
    auto contact = PellarContact::createWithDictionary(acme());
    {
        FileSizeLimit full(16); // the disk fills up under the new card
        EXPECT_TRUE(contact->addToAddressBook());
    }
    EXPECT_EQ(stored(), before);
    EXPECT_EQ(logged(kAdded), 0);
    // Once there is room again, the next add replaces it as usual.
    EXPECT_FALSE(contact->addToAddressBook());
    ASSERT_EQ(stored().size(), 1u);
    EXPECT_EQ(stored()[0].phoneNumbers.size(), 2u);
}

TEST_F(PellarContactTest, AddressKeysBeyondTheStructuredOnesAreKept)
{
    auto contact = PellarContact::createWithDictionary(json(R"({"organization": "Acme", "addresses": {"work":
        {"Street": "1 Market St", "CountryCode": "us", "Floor": "3; \"B\", east", "a=b": "dropped"}}})"));
    EXPECT_FALSE(contact->addToAddressBook());
    ASSERT_EQ(stored().size(), 1u);
    ASSERT_EQ(stored()[0].addresses.size(), 1u);
    EXPECT_EQ(stored()[0].addresses[0].value,
        (PersonRecord::Address {
            { "Street", "1 Market St" }, { "CountryCode", "us" }, { "Floor", "3; \"B\", east" } }));
}
