#include "tests/ads/ad/AdTestSupport.h"

#include "json/JSONSerializer.h"
#include "server/DemoServer.h"

#include <gtest/gtest.h>

namespace {

// Ads from the real demo service, in the order its scenario rotates them.
class PellarAdDemoServiceTest : public AdFixture {
protected:
    void startService(const std::filesystem::path& scenario)
    {
        std::string error;
        service = DemoServer::start({ .port = 0, .scenarioDirectory = scenario }, &error);
        ASSERT_TRUE(service) << error;
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
    std::string base = service->baseURL();

    nextAd();
    ASSERT_EQ(owner->loaded, 1);
    EXPECT_EQ(ad->medium(), PellarAdMediumText);
    EXPECT_EQ(ad->userImage()->size(), (Size { 38, 38 }));
    EXPECT_TRUE(ad->actionImage());
    ad->loadAccountingPixel();
    ad->loadAccountingPixel();
    auto interactions = JSONValue::dictionary({ { "interactions", JSONValue::array({ JSONValue::string("0,10,20,0.100000") }) } });
    ad->clickWithData(interactions);
    ASSERT_TRUE(waitUntil([&] { return owner->clicksSucceeded == 1 && hits("/pixel/track") == 1; }));
    EXPECT_EQ(hits("/pixel/cpm"), 1);
    EXPECT_EQ(lastRequestTo("/click/url").method, "POST");
    EXPECT_EQ(lastRequestTo("/click/url").body, JSONSerializer().serializeDictionary(interactions));
    EXPECT_EQ(owner->response->find("redirect_url")->stringValue(), base + "/landing/url");

    struct Expected {
        const char* action;
        int medium;
    };
    for (Expected expected : { Expected { "search", PellarAdMediumSearch }, Expected { "call", PellarAdMediumText },
             Expected { "contact", PellarAdMediumText }, Expected { "store", PellarAdMediumText },
             Expected { "sms", PellarAdMediumText }, Expected { "canvas", PellarAdMediumBanner } }) {
        SCOPED_TRACE(expected.action);
        nextAd();
        ASSERT_EQ(owner->loaded, 1);
        EXPECT_EQ(ad->action(), expected.action);
        EXPECT_EQ(ad->medium(), expected.medium);
        ad->click();
        ASSERT_TRUE(waitUntil([&] { return owner->clicksSucceeded == 1; }));
        ASSERT_TRUE(owner->response);
        if (std::string(expected.action) == "contact") {
            EXPECT_EQ(owner->response->find("contact")->find("organization")->stringValue(), "Pixel Repair Shop");
        }
    }
    EXPECT_EQ(ad->userImage()->size(), (Size { 320, 48 }));
    EXPECT_EQ(hits("/static/mobile/img/search.png"), 0);
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
