#include "ads/banners/PellarSearchAdView.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/views/Screen.h"
#include "tests/ads/ad/AdTestSupport.h"
#include "tests/ads/banners/BannerTestSupport.h"

#include <gtest/gtest.h>

namespace {

class SearchBannerTest : public AdFixture {
protected:
    void SetUp() override
    {
        AdFixture::SetUp();
        server.respond("/m/icon.png",
            { .body = twoToneIcon(38, 0.85, 0.35, 0.1)->encodePNG().value(), .contentType = "image/png" });
        answerAdRequest(R"({"text": "Search the web", "6": "url", "18": "search", "204": "/icon.png", "20": "1",
            "jsonp_url": ")"
            + server.url("/click") + R"("})");
        startAd(std::make_shared<MinimalHost>());
        ASSERT_TRUE(waitForOutcome());
        ASSERT_EQ(owner->loaded, 1);
    }
    void TearDown() override
    {
        Screen::mainScreen().setScale(1);
        AdFixture::TearDown();
    }
};

} // namespace

// The tile on the bar's own background, the tinted bar with the ad's text as
// placeholder, the attribution at the right; composed at the screen's scale.
TEST_F(SearchBannerTest, PictureMatchesAtBothScales)
{
    for (double scale : { 1.0, 2.0 }) {
        Screen::mainScreen().setScale(scale);
        auto banner = View::make<PellarSearchAdView>(Rect { 0, 0, 320, 48 });
        banner->setAd(ad);
        ASSERT_TRUE(banner->searchAdImage());
        EXPECT_EQ(banner->searchAdImage()->image()->scale(), scale);
        EXPECT_FALSE(banner->clickAnimationView()); // no action icon, so no pulse or spinner
        EXPECT_TRUE(matchesGolden(*renderView(*banner, scale), scale == 1 ? "search-banner" : "search-banner@2x"));
        EXPECT_TRUE(banner->dateOfFirstRender());
        EXPECT_TRUE(ad->accountingPixelLoaded());
    }
}
