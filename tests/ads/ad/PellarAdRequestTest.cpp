#include "tests/ads/ad/AdTestSupport.h"

#include "ads/core/PellarAppData.h"
#include "platform/foundation/Bundle.h"

#include <ctime>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

// The bundle names are read once per process, so they are set before any test runs.
class BundleEnvironment final : public ::testing::Environment {
public:
    void SetUp() override
    {
        Bundle::mainBundle().setInfoDictionary({ { Bundle::kDisplayNameKey, "Pixel Tést" },
            { Bundle::kNameKey, "Vantrel" }, { Bundle::kIdentifierKey, "org.vantrel.app" } });
    }
};
const auto* const bundleEnvironment = ::testing::AddGlobalTestEnvironment(new BundleEnvironment);

Date localNoon(int year, int month, int day)
{
    tm parts {};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = 12;
    parts.tm_isdst = -1;
    return Date(static_cast<double>(mktime(&parts)));
}

struct FullHost final : PellarDelegate {
    std::string publisherId() override { return "a&b=c d"; }
    std::optional<bool> mayAskForLocation() override { return true; }
    std::optional<std::optional<Location>> location() override { return hostLocation; }
    std::optional<std::optional<std::string>> postalCode() override { return std::optional<std::string>("10115"); }
    std::optional<std::optional<std::string>> areaCode() override { return std::optional<std::string>("030"); }
    std::optional<std::optional<std::string>> gender() override { return std::optional<std::string>("f"); }
    std::optional<std::optional<Date>> dateOfBirth() override { return std::optional<Date>(localNoon(1980, 2, 29)); }
    std::optional<std::optional<std::string>> keywords() override { return std::optional<std::string>("food,drink"); }
    std::optional<std::optional<std::string>> searchString() override { return std::optional<std::string>("pizza place"); }
    std::optional<bool> useTestAd() override { return testAd; }
    std::optional<std::optional<std::string>> testAdAction() override { return std::optional<std::string>("canvas"); }
    std::optional<std::optional<std::string>> adserverEndpoint() override { return endpoint; }

    std::optional<std::optional<Location>> hostLocation { std::optional<Location>(Location { 52.5, 13.4 }) };
    bool testAd { true };
    std::optional<std::optional<std::string>> endpoint;
};

struct LocationHost final : PellarDelegate {
    std::string publisherId() override { return "p"; }
    std::optional<bool> mayAskForLocation() override { return mayAsk; }
    std::optional<bool> mayAsk;
};

struct ThrowingHost final : PellarDelegate {
    std::string publisherId() override { throw std::runtime_error("no publisher"); }
};

std::string isuParameter()
{
    auto identifier = PellarAppData::deviceUniqueIdentifier();
    return identifier ? "&isu=" + *identifier : "";
}

using PellarAdRequestTest = AdFixture;

TEST_F(PellarAdRequestTest, MinimalHostWithFreshIconsMakesExactlyOneRequestOnce)
{
    startAd(std::make_shared<MinimalHost>());
    EXPECT_EQ(ad->state(), PellarAdStateRequestingAd);
    EXPECT_EQ(ad->activeDownloadCount(), 1u);
    ad->request();
    ASSERT_TRUE(waitForOutcome());

    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0].path, "/ad_request");
    EXPECT_EQ(server.requests()[0].method, "GET");
    // The accented display name goes out as UTF-8 escapes, the brackets are escaped.
    EXPECT_EQ(server.requests()[0].query,
        "s=pub-1&f=jsonp&v=20091130-SDK-e41b7c09d2a6f385&ex=1&client_sdk=1&ad_type=bar" + isuParameter()
            + "&pub_data%5Bdisplay_name%5D=Pixel%20T%C3%A9st&pub_data%5Bname%5D=Vantrel"
              "&pub_data%5Bidentifier%5D=org.vantrel.app&l=en");
}

TEST_F(PellarAdRequestTest, FullHostSendsEveryKeyInOrderToItsOwnEndpoint)
{
    PellarClassRegistry::declareClass("BannerRotatorView");
    PellarClassRegistry::declareClass("RewardConnect");
    auto fullHost = std::make_shared<FullHost>();
    fullHost->endpoint = std::optional<std::string>(server.url("/custom_ads"));
    // The library's own cache has a position, but the host's answer rules.
    PellarLocationManager::sharedManager().setLocationString("1.000000,2.000000");
    PellarLocationManager::sharedManager().setLastUpdated(Date::now());
    startAd(fullHost);
    ASSERT_TRUE(waitForOutcome());

    ASSERT_EQ(server.requestsTo("/custom_ads"), 1);
    EXPECT_EQ(server.requests()[0].query,
        "s=a&b=c%20d&f=jsonp&v=20091130-SDK-e41b7c09d2a6f385&ex=1&client_sdk=1&ad_type=bar"
        "&pub_data%5Brv%5D=1&pub_data%5Brc%5D=1"
            + isuParameter()
            + "&pub_data%5Bdisplay_name%5D=Pixel%20T%C3%A9st&pub_data%5Bname%5D=Vantrel"
              "&pub_data%5Bidentifier%5D=org.vantrel.app&m=test&test_action=canvas"
              "&d%5Bcoord%5D=52.500000,13.400000&d%5Bpc%5D=10115&d%5Bac%5D=030&d%5Bgender%5D=f&d%5Bdob%5D=19800229"
              "&l=en&search=pizza%20place&k=food,drink");
}

TEST_F(PellarAdRequestTest, OptionalKeysAndPositionFollowTheHostsAnswers)
{
    // useTestAd NO hides the test action; a host location of nil hides the cache's.
    auto fullHost = std::make_shared<FullHost>();
    fullHost->testAd = false;
    fullHost->hostLocation = std::optional<Location>();
    auto& manager = PellarLocationManager::sharedManager();
    manager.setLocationString("48.100000,11.600000");
    manager.setLastUpdated(Date::now().addingTimeInterval(-3600));
    auto probe = PellarAd::create();
    probe->setDelegate(fullHost);
    for (auto& [key, value] : probe->buildParams())
        EXPECT_TRUE(key != "m" && key != "test_action" && !key.starts_with("d[coord")) << key;

    // Without the host's own location the cache is used, with its time stamp,
    // but only when the host allows it and the service is on.
    auto locationHost = std::make_shared<LocationHost>();
    probe->setDelegate(locationHost);
    EXPECT_TRUE(probe->userDemographicInfo().empty()); // mayAskForLocation not implemented
    locationHost->mayAsk = false;
    EXPECT_TRUE(probe->userDemographicInfo().empty());
    locationHost->mayAsk = true;
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%f", Date::now().addingTimeInterval(-3600).timeIntervalSince1970());
    EXPECT_EQ(probe->userDemographicInfo(),
        (PellarAd::Parameters { { "d[coord]", "48.100000,11.600000" }, { "d[coord_timestamp]", stamp } }));
    EXPECT_EQ(locationSource->startCount(), 0); // an hour old is fresh
    locationSource->setLocationServicesEnabled(false);
    EXPECT_TRUE(probe->userDemographicInfo().empty());
}

TEST_F(PellarAdRequestTest, QueryEscapingPassesReservedCharactersAndEncodesTheRest)
{
    EXPECT_EQ(PellarAd::queryStringFromDictionary({}), "");
    EXPECT_EQ(PellarAd::queryStringFromDictionary({ { "k", "a&b=c d" }, { "p%", "#1" }, { "n", "Café" } }),
        "k=a&b=c%20d&p%25=%231&n=Caf%C3%A9");
}

TEST_F(PellarAdRequestTest, HostThatCannotAnswerGetsARequestWithEmptyQuery)
{
    startAd(std::make_shared<ThrowingHost>());
    ASSERT_TRUE(waitForOutcome());
    ASSERT_EQ(server.requestsTo("/ad_request"), 1);
    EXPECT_EQ(server.requests()[0].query, "");
    EXPECT_EQ(owner->failed, 1); // the server has no answer for it here
}

TEST_F(PellarAdRequestTest, MissingBrowserIconsAreCachedBeforeTheRequestAndABrokenOneFailsTheAd)
{
    std::filesystem::remove(PellarImageCache::imageCacheDirectory() / "back");
    std::filesystem::remove(PellarImageCache::imageCacheDirectory() / "forward_disable");
    server.respond("/m/static/mobile/browser/back.png", { .body = pngOfSize(30, 30) });
    server.respond("/m/static/mobile/browser/forward_disable.png", { .body = pngOfSize(30, 30) });
    startAd(std::make_shared<MinimalHost>());
    EXPECT_EQ(ad->activeDownloadCount(), 2u);
    ASSERT_TRUE(waitForOutcome());
    ASSERT_EQ(server.requests().size(), 3u);
    EXPECT_EQ(server.requests()[2].path, "/ad_request");
    EXPECT_TRUE(PellarImageCache::sharedCache().imageIsInCache("forward_disable"));

    std::filesystem::remove(PellarImageCache::imageCacheDirectory() / "back");
    server.respond("/m/static/mobile/browser/back.png", { .body = "not an image" });
    owner = std::make_shared<RecordingOwner>();
    startAd(std::make_shared<MinimalHost>());
    ASSERT_TRUE(waitForOutcome());
    EXPECT_EQ(owner->failed, 1);
    EXPECT_EQ(server.requestsTo("/ad_request"), 1); // none for the failed ad
    EXPECT_FALSE(PellarImageCache::sharedCache().imageIsInCache("back"));
}

} // namespace
