#include "ads/core/PellarController.h"
#include "ads/core/PellarView.h"
#include "ads/core/PellarViewInternal.h"
#include "app/AdViewController.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/PendingWork.h"
#include "platform/ui/graphics/ImageContext.h"
#include "platform/ui/views/Application.h"
#include "tests/ads/ad/AdTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// The app's banner host, built as the interface description builds it, against
// a loopback ad server whose answers each test stages; the log is recorded.
class BannerHostTest : public AdFixture {
protected:
    void SetUp() override
    {
        AdFixture::SetUp();
        server.respond("/m/icon.png", { .body = pngOfSize(38, 38), .contentType = "image/png" });
        Application::shared().setOpenURLHook([](const std::string&) { return true; });
        Log::setCaptureHook([this](const std::string& line) { logLines.push_back(line); });
    }
    void TearDown() override
    {
        if (bannerHost)
            bannerHost->releaseForTesting();
        bannerHost = nullptr;
        AdFixture::TearDown();
    }

    // Stages a text ad whose click action is `action`.
    void stageTextAd(const std::string& action)
    {
        answerAdRequest(R"({"text": "Ad", "6": ")" + action + R"(", "204": "/icon.png", "jsonp_url": ")"
            + server.url("/click") + R"("})");
        server.respond("/click", { .body = "{}", .contentType = "application/json" });
    }
    void startHost()
    {
        bannerHost = std::make_shared<AdViewController>();
        area = View::make(Rect { 0, 0, 320, 48 });
        screen = View::make(Rect { 0, 0, 320, 480 });
        screen->addSubview(area);
        bannerHost->setView(area);
        bannerHost->awakeFromInterface();
    }
    bool waitWhileBusy()
    {
        return waitUntil([&] { return !PendingWork::any(); });
    }
    int logged(const std::string& line) const
    {
        return static_cast<int>(std::count(logLines.begin(), logLines.end(), line));
    }

    std::shared_ptr<AdViewController> bannerHost;
    std::shared_ptr<View> area;
    std::shared_ptr<View> screen;
    std::vector<std::string> logLines;
};

TEST_F(BannerHostTest, FirstAdShowsTheBannerAndRefreshesEveryMinute)
{
    stageTextAd("url");
    startHost();
    EXPECT_TRUE(area->isHidden());
    EXPECT_EQ(bannerHost->publisherId(), "c07d2e9b4f18a53");
    ASSERT_TRUE(waitUntil([&] { return logged("Pellar: Did receive ad") == 1; }));
    EXPECT_FALSE(area->isHidden());
    ASSERT_EQ(area->subviews().size(), 1u);
    EXPECT_EQ(area->subviews()[0], bannerHost->pellarAd());
    EXPECT_EQ(bannerHost->pellarAd()->frame(), area->bounds());
    ASSERT_TRUE(bannerHost->refreshTimer());
    // The host's colours reach the ad.
    EXPECT_EQ(std::dynamic_pointer_cast<PellarViewInternal>(bannerHost->pellarAd())
                  ->controller()
                  ->currentlyDisplayedAd()
                  ->backgroundColor(),
        Color::black());
    advance(59.9);
    EXPECT_EQ(server.requestsTo("/ad_request"), 1);
    advance(0.1);
    ASSERT_TRUE(waitWhileBusy());
    EXPECT_EQ(server.requestsTo("/ad_request"), 2);
    // A failing refresh changes nothing here, and the next tick asks again.
    answerAdRequest("", 500);
    advance(60);
    ASSERT_TRUE(waitWhileBusy());
    advance(60);
    ASSERT_TRUE(waitWhileBusy());
    EXPECT_EQ(server.requestsTo("/ad_request"), 4);
    EXPECT_EQ(logged("Pellar: Did receive ad"), 1);
    EXPECT_EQ(logged("Pellar: Did fail to receive ad"), 0);
    EXPECT_FALSE(area->isHidden());
}

TEST_F(BannerHostTest, FailedFirstAdIsLoggedAndTheBannerNeverShows)
{
    answerAdRequest("", 404);
    startHost();
    ASSERT_TRUE(waitUntil([&] { return logged("Pellar: Did fail to receive ad") == 1; }));
    loop().runUntilIdle();
    EXPECT_FALSE(bannerHost->pellarAd());
    EXPECT_TRUE(area->isHidden());
    EXPECT_FALSE(bannerHost->refreshTimer());
    advance(120);
    EXPECT_EQ(server.requestsTo("/ad_request"), 1);
}

TEST_F(BannerHostTest, ABannerPutAwayStaysHiddenAndCountsNoImpressionUntilItShows)
{
    server.respond("/cpm", {});
    answerAdRequest(R"({"6": "url", "banner": ")" + server.url("/banner.png") + R"(", "jsonp_url": ")"
        + server.url("/click") + R"(", "cpm_url": ")" + server.url("/cpm") + R"("})");
    startHost();
    bannerHost->setPutAway(true);
    ASSERT_TRUE(waitUntil([&] { return logged("Pellar: Did receive ad") == 1; }));
    // Arrived while away: not shown, so drawing the screen draws no banner.
    EXPECT_TRUE(area->isHidden());
    auto draw = [&] {
        ImageContext context(screen->bounds().size, 1);
        screen->layer().renderInContext(context.context());
        waitWhileBusy();
    };
    draw();
    EXPECT_EQ(server.requestsTo("/cpm"), 0);
    bannerHost->setPutAway(false);
    EXPECT_FALSE(area->isHidden());
    draw();
    ASSERT_TRUE(waitUntil([&] { return server.requestsTo("/cpm") == 1; }));
}

} // namespace
