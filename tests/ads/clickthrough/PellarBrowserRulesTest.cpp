#include "ads/clickthrough/PellarBrowserRules.h"
#include "ads/core/PellarEndpoints.h"
#include "platform/foundation/URL.h"
#include "platform/ui/controls/URLError.h"

#include <gtest/gtest.h>

namespace {

using Decision = PellarBrowserRules::Decision;
const Decision kStay { .allowLoad = true };
const Decision kRefuse { .allowLoad = false };
// Whatever leaves the browser is not loaded in it as well.
const Decision kSystem { .allowLoad = false, .openWithSystem = true };
const Decision kHandOff { .allowLoad = false, .openWithSystem = true };
const Decision kClean { .allowLoad = false, .cleanStoreLink = true };

class PellarBrowserRulesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto configuration = PellarEndpoints::defaultConfiguration();
        configuration.mapServicePrefixes = { "maps.example.", "http://atlas.example/maps" };
        configuration.videoHosts = { "video.example", "www.video.example" };
        PellarEndpoints::setConfiguration(configuration);
    }
    void TearDown() override { PellarEndpoints::setConfiguration(PellarEndpoints::defaultConfiguration()); }

    static Decision decide(const char* text)
    {
        auto url = URL::withString(text);
        EXPECT_TRUE(url) << text;
        return url ? PellarBrowserRules::decisionForURL(*url) : Decision {};
    }
};

TEST_F(PellarBrowserRulesTest, RulesApplyInOrderFirstMatchWins)
{
    struct Case {
        const char* url;
        Decision expected;
    };
    const Case cases[] = {
        // file is refused before anything else, about stays.
        { "file:///etc/passwd", kRefuse },
        { "about:blank", kStay },
        // Other schemes go to the system and are not loaded; case matters.
        { "tel:+15551234", kHandOff },
        { "mailto:a@b.example", kHandOff },
        { "storeapp://app/1", kHandOff }, // a store scheme is not http: rule 3 wins over the cleaner
        { "HTTP://plain.example/", kHandOff },
        // Schemes the desktop may not be handed are refused, not loaded.
        { "ftp://files.example/x", kRefuse },
        { "javascript:alert(1)", kRefuse },
        { "data:text/html;base64,PHNjcmlwdD4=", kRefuse },
        { "x-hostile-scheme://run?cmd=id", kRefuse },
        { "sms:5551234", kHandOff },
        // Map prefixes: a host prefix, and a whole-address prefix.
        { "http://maps.example.org/?q=1", kSystem },
        { "https://maps.example.de/place", kSystem },
        { "http://notmaps.example.org/", kStay },
        { "http://atlas.example/maps/x", kSystem },
        { "http://atlas.example/other", kStay },
        // Video links need the host and a "/watch" or "/v/" path.
        { "http://video.example/watch?v=1", kSystem },
        { "http://www.video.example/v/abc", kSystem },
        { "http://video.example/watchlist", kSystem }, // a plain prefix test
        { "http://video.example/user/abc", kStay },
        { "http://video.example/vx/abc", kStay },
        { "http://other.example/watch?v=1", kStay },
        { "http://Video.example/watch", kStay },
        // Store and redirector hosts go to the cleaner.
        { "http://apps.store.example/app/id1?mt=8", kClean },
        { "https://go.affiliate.example/r?u=1", kClean },
        { "http://127.0.0.1:8457/landing", kStay },
    };
    for (auto& c : cases)
        EXPECT_EQ(decide(c.url), c.expected) << c.url;
}

TEST(PellarBrowserDefaultRules, MapLinksMatchTheDefaultHostPrefixesOnAnyDomain)
{
    PellarEndpoints::setConfiguration(PellarEndpoints::defaultConfiguration());
    for (auto& prefix : PellarEndpoints::mapServicePrefixes())
        EXPECT_TRUE(prefix.ends_with(".")) << prefix;
    auto decide = [](const char* text) { return PellarBrowserRules::decisionForURL(*URL::withString(text)); };
    EXPECT_EQ(decide("http://maps.example.org/?q=shop"), kSystem);
    EXPECT_EQ(decide("https://www.maps.example.de/place/1"), kSystem);
    // The bare name is no host prefix match, nor is a host that only contains it.
    EXPECT_EQ(decide("http://maps.example/?q=shop"), kStay);
    EXPECT_EQ(decide("http://old.maps.example.org/"), kStay);
}

TEST(PellarBrowserPageErrors, EachCodeGetsItsTablesMessage)
{
    const std::string connect = "Couldn't connect to that page.";
    const std::string unsupported = "That page is not supported.";
    const std::string file = "That file can't be displayed.";
    const std::string large = "That page is too large to load.";
    const std::string secure = "That page is not secure.";
    const std::string other = "That page could not be loaded.";
    struct Case {
        int code;
        std::string message;
    };
    const Case cases[] = {
        { -1000, unsupported },
        { -1002, unsupported },
        { -1001, connect },
        { -1004, connect },
        { -1005, connect },
        { -1008, connect },
        { -1009, connect },
        { -2000, connect },
        { -1100, file },
        { -1101, file },
        { -3000, file },
        { -3003, file },
        { -3005, file },
        { -1103, large },
        { -1200, secure },
        { -1202, secure },
        { -1204, secure },
        // Neighbours of the ranges, and codes the table leaves to the default.
        { -1003, other },
        { -1102, other },
        { -1006, other },
        { -1199, other },
        { -1205, other },
        { -2999, other },
        { -3006, other },
        { -1, other },
        { 0, other },
        { 404, other },
    };
    for (auto& c : cases) {
        auto message = PellarBrowserRules::pageErrorMessageForCode(c.code);
        ASSERT_TRUE(message) << c.code;
        EXPECT_EQ(*message, c.message) << c.code;
    }
    EXPECT_FALSE(PellarBrowserRules::pageErrorMessageForCode(URLErrorCancelled));
}

TEST(PellarBrowserMailLink, TitleAndAddressStayOneFieldEach)
{
    EXPECT_EQ(PellarBrowserRules::mailURL("Demo page", "http://127.0.0.1:8457/landing"),
        "mailto:?subject=Demo%20page&body=http://127.0.0.1:8457/landing");
    // Characters that would split the link's fields are escaped.
    EXPECT_EQ(PellarBrowserRules::mailURL("Fish & Chips = 5+1 #1", "http://h.example/p?a=1&b=2#top"),
        "mailto:?subject=Fish%20%26%20Chips%20%3D%205%2B1%20%231&body=http://h.example/p?a%3D1%26b%3D2%23top");
    // UTF-8 text is escaped byte by byte; an empty title leaves an empty field.
    EXPECT_EQ(PellarBrowserRules::mailURL("Caf\xC3\xA9", ""), "mailto:?subject=Caf%C3%A9&body=");
    EXPECT_TRUE(URL::withString(PellarBrowserRules::mailURL("a \"quoted\" <title>", "http://h.example/")));
}

} // namespace
