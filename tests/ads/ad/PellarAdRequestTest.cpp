#include "tests/ads/ad/AdTestSupport.h"

#include "ads/core/PellarAppData.h"
#include "platform/foundation/Bundle.h"

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
    EXPECT_EQ(ad->state(), PellarAdState::RequestingAd);
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
    // The failed ad has given its downloads up: nothing is tracked any more.
    EXPECT_EQ(ad->activeDownloadCount(), 0u);
    EXPECT_TRUE(ad->description().ends_with(", (null)>"));
    EXPECT_FALSE(PellarImageCache::sharedCache().imageIsInCache("back"));
}

} // namespace
