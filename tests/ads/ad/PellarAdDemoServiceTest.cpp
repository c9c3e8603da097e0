#include "tests/ads/ad/AdTestSupport.h"

#include "ads/flex/PellarFlexAd.h"
#include "ads/flex/PellarFlexAdContainerView.h"
#include "server/DemoServer.h"

#include <gtest/gtest.h>

namespace {

// Ads from the real demo service, in the order its scenario rotates them.
class PellarAdDemoServiceTest : public AdFixture {
protected:
    void startService(const std::filesystem::path& scenario)
    {
        auto started = DemoServer::start({ .port = 0, .scenarioDirectory = scenario });
        ASSERT_TRUE(started) << started.error().message;
        service = started.release();
        auto configuration = PellarEndpoints::configuration();
        configuration.adServerURL = service->baseURL() + "/ad_request";
        configuration.mediaHostURL = service->baseURL();
        PellarEndpoints::setConfiguration(configuration);
    }
    // The next ad, loaded or failed.
    void nextAd()
    {
        owner = std::make_shared<RecordingOwner>();
        startAd(std::make_shared<MinimalHost>());
        ASSERT_TRUE(waitForOutcome());
    }
    int hits(const std::string& path) const
    {
        int count = 0;
        for (auto& entry : service->log().entries())
            count += entry.path == path ? 1 : 0;
        return count;
    }

    RequestLog::Entry lastRequestTo(const std::string& path) const
    {
        RequestLog::Entry found;
        for (auto& entry : service->log().entries()) {
            if (entry.path == path)
                found = entry;
        }
        return found;
    }

    std::unique_ptr<DemoServer> service;
};

TEST_F(PellarAdDemoServiceTest, BundledScenarioRotatesThroughEveryKindOfAdAndAnswersEachClick)
{
    startService(PELLAR_DEMO_SCENARIO_DIR);

    struct Expected {
        const char* action;
        PellarAdMedium medium;
        PellarClickAction clickAction;
        const char* clickPath;
        size_t flexibleElements { 0 }; // a flexible banner's top-level views
    };
    using enum PellarClickAction;
    for (Expected expected : { Expected { "url", PellarAdMedium::Text, URL, "/click/url" },
             Expected { "url", PellarAdMedium::Search, URL, "/search/click" },
             Expected { "call", PellarAdMedium::Text, Call, "/click/call" },
             Expected { "contact", PellarAdMedium::Text, Contact, "/click/contact" },
             Expected { "store", PellarAdMedium::Text, Store, "/click/store" },
             Expected { "sms", PellarAdMedium::Text, Other, "/click/other" },
             Expected { "url", PellarAdMedium::Text, URL, "/click/flex-doctor", 4 },
             Expected { "url", PellarAdMedium::Text, URL, "/click/flex-carousel", 2 },
             Expected { "url", PellarAdMedium::Text, URL, "/click/flex-showcase", 6 },
             Expected { "canvas", PellarAdMedium::Banner, Canvas, "/click/canvas" } }) {
        SCOPED_TRACE(expected.action);
        nextAd();
        ASSERT_EQ(owner->loaded, 1);
        EXPECT_EQ(ad->action(), expected.action);
        EXPECT_EQ(ad->medium(), expected.medium);
        EXPECT_EQ(ad->clickAction(), expected.clickAction);
        EXPECT_EQ(ad->flexAd() ? ad->flexAd()->containerView()->subviews().size() : 0u, expected.flexibleElements);
        ad->click();
        ASSERT_TRUE(waitUntil([&] { return owner->clicksSucceeded == 1; }));
        ASSERT_TRUE(owner->response);
        EXPECT_EQ(lastRequestTo(expected.clickPath).method, "GET");
        ad->loadAccountingPixel();
    }
    EXPECT_EQ(ad->userImage()->size(), (Size { 320, 48 }));
    EXPECT_EQ(hits("/static/mobile/img/search.png"), 0);
    ASSERT_TRUE(waitUntil([&] { return hits("/pixel/track") == 10; }));
    EXPECT_EQ(hits("/pixel/cpm"), 10);
}

TEST_F(PellarAdDemoServiceTest, FailureScenarioStagesEveryBrokenAnswer)
{
    startService(std::filesystem::path(VANTREL_SOURCE_DIR) / "server/scenarios/ad-failures");
    for (const char* staged : { "no action", "no click URL", "image 404", "undecodable image", "empty body" }) {
        SCOPED_TRACE(staged);
        nextAd();
        EXPECT_EQ(owner->failed, 1);
    }

    nextAd(); // the slow answer still makes an ad
    EXPECT_EQ(owner->loaded, 1);

    nextAd();
    ASSERT_EQ(owner->loaded, 1);
    ad->click();
    ASSERT_TRUE(waitUntil([&] { return owner->clicksSucceeded == 1; }));
    EXPECT_FALSE(owner->response);

    nextAd();
    ASSERT_EQ(owner->loaded, 1);
    ad->click();
    ASSERT_TRUE(waitUntil([&] { return owner->clicksFailed == 1; }));
    EXPECT_EQ(hits("/ad_request"), 8);
}

} // namespace
