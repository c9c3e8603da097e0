#include "tests/e2e/EndToEndSupport.h"

#include "platform/contacts/VdirAddressBook.h"

#include <algorithm>

namespace {

// The default rotation brings the "call" ad with the refresh at 120 s and the
// "contact" ad with the one at 180 s.
class CallAndContactEndToEndTest : public EndToEndTest {
protected:
    std::string contactsEnvironment() const { return "VANTREL_CONTACTS_DIR=" + (dir / "contacts").string(); }
    static constexpr const char* kToCallAd = "wait 0.5\ntap-label I understood\nwait 121\n";
    static constexpr const char* kToContactAd = "wait 0.5\ntap-label I understood\nwait 181\n";
};

// A headless run hands nothing to the desktop: it logs the link instead.
TEST_F(CallAndContactEndToEndTest, CallIsConfirmedReportedThenHandedToTheSystem)
{
    DemoService service(VANTREL_SOURCE_DIR "/server/scenarios/default", dir / "requests.jsonl");
    ASSERT_FALSE(service.baseURL().empty());
    auto run = runVantrel(service,
        std::string(kToCallAd) + "tap-label Advertisement\nwait 1\nscreenshot " + (dir / "alert.png").string()
            + "\ntap-label Call\nwait 1\nquit\n",
        contactsEnvironment());
    ASSERT_EQ(run.status, 0) << run.log;
    EXPECT_EQ(service.requestsTo("/click/call").size(), 1u) << run.log;
    EXPECT_EQ(service.requestsTo("/acquisition/call").size(), 1u) << run.log;
    EXPECT_EQ(run.count("Open with the system: tel:+15555550100"), 1) << run.log;
    EXPECT_EQ(run.count("Failed to record click-to-call acquisition."), 0);
}

TEST_F(CallAndContactEndToEndTest, ContactIsAddedWithItsPictureToTheContactsFolder)
{
    DemoService service(VANTREL_SOURCE_DIR "/server/scenarios/default", dir / "requests.jsonl");
    ASSERT_FALSE(service.baseURL().empty());
    auto run = runVantrel(service,
        std::string(kToContactAd) + "tap-label Advertisement\nwait 1\nscreenshot " + (dir / "alert.png").string()
            + "\ntap-label Add\nwait 1\nquit\n",
        contactsEnvironment());
    ASSERT_EQ(run.status, 0) << run.log;
    EXPECT_EQ(service.requestsTo("/acquisition/contact").size(), 1u) << run.log;
    // The picture is fetched once after the click (the banner's action icon shares its name).
    auto requests = service.requests();
    auto click = std::find_if(requests.begin(), requests.end(),
        [](const JSONValue& r) { return r.find("path")->stringValue() == "/click/contact"; });
    ASSERT_NE(click, requests.end());
    EXPECT_EQ(std::count_if(click, requests.end(),
                  [](const JSONValue& r) { return r.find("path")->stringValue() == "/static/mobile/img/contact.png"; }),
        1);
    EXPECT_EQ(run.count("Added contact Pixel Repair Shop to the address book."), 2) << run.log;

    auto book = VdirAddressBook::open(dir / "contacts");
    ASSERT_TRUE(book);
    auto people = book->allPeople();
    ASSERT_EQ(people.size(), 1u);
    EXPECT_EQ(people[0].organization, "Pixel Repair Shop");
    EXPECT_EQ(people[0].phoneNumbers.size(), 2u);
    EXPECT_EQ(people[0].emailAddresses.size(), 1u);
    EXPECT_EQ(people[0].addresses.size(), 1u);
    EXPECT_TRUE(people[0].imageData);
}

} // namespace
