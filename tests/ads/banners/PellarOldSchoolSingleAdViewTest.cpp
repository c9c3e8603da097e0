#include "ads/banners/PellarOldSchoolSingleAdView.h"
#include "platform/foundation/PendingWork.h"
#include "platform/ui/controls/ActivityIndicatorView.h"
#include "platform/ui/controls/ImageView.h"
#include "tests/ads/ad/AdTestSupport.h"
#include "tests/ads/banners/BannerTestSupport.h"

#include <gtest/gtest.h>

namespace {

// Classic banners drawn from real ads loaded off a loopback server.
class TextBannerTest : public AdFixture {
protected:
    void SetUp() override
    {
        AdFixture::SetUp();
        server.respond("/m/icon.png",
            { .body = twoToneIcon(38, 0.85, 0.35, 0.1)->encodePNG().value(), .contentType = "image/png" });
        server.respond("/m/static/mobile/img/url.png",
            { .body = twoToneIcon(26, 0.2, 0.5, 0.9)->encodePNG().value(), .contentType = "image/png" });
    }
    void TearDown() override
    {
        banner = nullptr;
        AdFixture::TearDown();
    }

    void showTextAd(const std::string& text)
    {
        answerAdRequest(R"({"text": ")" + text + R"(", "6": "url", "204": "/icon.png", "jsonp_url": ")"
            + server.url("/click") + R"("})");
        show();
    }
    void show()
    {
        startAd(std::make_shared<MinimalHost>());
        ASSERT_TRUE(waitForOutcome());
        ASSERT_EQ(owner->loaded, 1);
        banner = View::make<PellarOldSchoolSingleAdView>(Rect { 0, 0, 320, 48 });
        banner->setAd(ad);
    }
    TouchSet touchAt(Point p, std::shared_ptr<Touch>& touch)
    {
        if (!touch)
            touch = std::make_shared<Touch>(banner, std::weak_ptr<Window> {}, p, 0);
        else
            touch->update(TouchPhase::Moved, p, 0);
        return TouchSet({ touch });
    }

    std::shared_ptr<PellarOldSchoolSingleAdView> banner;
};

TEST_F(TextBannerTest, ShortTextHasTheAttributionUnderItAndTheIconsAtBothEnds)
{
    showTextAd("Find dead pixels fast");
    auto iconView = std::dynamic_pointer_cast<ImageView>(banner->clickAnimationView());
    ASSERT_TRUE(iconView);
    EXPECT_EQ(iconView->frame(), (Rect { 290, 11, 26, 26 }));
    EXPECT_FALSE(banner->dateOfFirstRender());
    EXPECT_TRUE(matchesGolden(*renderView(*banner), "text-short"));
    EXPECT_TRUE(banner->dateOfFirstRender());
}

TEST_F(TextBannerTest, TwoLineTextIsCentredWithoutAttribution)
{
    showTextAd("Find dead and stuck pixels faster with Vantrel Pro today");
    EXPECT_GT(PellarOldSchoolSingleAdView::textFont().sizeWithText(*ad->text(), { 320 - 39 - 12 - 38, 48 }).height, 24);
    EXPECT_TRUE(matchesGolden(*renderView(*banner), "text-two-lines"));
}

TEST_F(TextBannerTest, ImageBannerDrawsItsImageAloneAtTheOriginAndFiresItsPixel)
{
    server.respond("/banner.png",
        { .body = twoToneIcon(320, 0.1, 0.6, 0.3, 48)->encodePNG().value(), .contentType = "image/png" });
    server.respond("/m/static/mobile/img/canvas.png",
        { .body = twoToneIcon(26, 0.9, 0.9, 0.2)->encodePNG().value(), .contentType = "image/png" });
    answerAdRequest(R"({"6": "canvas", "banner": ")" + server.url("/banner.png") + R"(", "jsonp_url": ")"
        + server.url("/click") + R"(", "cpm_url": ")" + server.url("/cpm") + R"("})");
    show();
    EXPECT_EQ(ad->medium(), PellarAdMedium::Banner);
    ASSERT_TRUE(banner->clickAnimationView());
    // The action icon still sits at the right, over the image.
    EXPECT_EQ(banner->clickAnimationView()->frame(), (Rect { 290, 11, 26, 26 }));
    EXPECT_TRUE(matchesGolden(*renderView(*banner), "image-banner"));
    ASSERT_TRUE(waitUntil([&] { return server.requestsTo("/cpm") == 1; }));
}

TEST_F(TextBannerTest, TextAdFiresNoPixelWhenDrawn)
{
    server.respond("/cpm", {});
    server.respond("/track", {});
    answerAdRequest(R"({"text": "Find dead pixels fast", "6": "url", "204": "/icon.png", "jsonp_url": ")"
        + server.url("/click") + R"(", "cpm_url": ")" + server.url("/cpm") + R"(", "tracking_pixel": ")"
        + server.url("/track") + R"("})");
    show();
    ASSERT_EQ(ad->medium(), PellarAdMedium::Text);
    ASSERT_FALSE(PendingWork::any());
    renderView(*banner);
    renderView(*banner);
    EXPECT_FALSE(ad->accountingPixelLoaded());
    // A pixel would be a connection under way; let anything started finish.
    EXPECT_FALSE(PendingWork::any());
    ASSERT_TRUE(PendingWork::waitUntilTimeIsFree(5.0));
    loop().runUntilIdle();
    EXPECT_EQ(server.requestsTo("/cpm"), 0);
    EXPECT_EQ(server.requestsTo("/track"), 0);
}

TEST_F(TextBannerTest, HighlightAndSpinnerStatesLookRight)
{
    showTextAd("Find dead pixels fast");
    renderView(*banner);
    banner->setTouched(true);
    EXPECT_TRUE(matchesGolden(*renderView(*banner), "highlight"));
    banner->setTouched(false);
    banner->animateForClick();
    advance(0.2);
    EXPECT_TRUE(matchesGolden(*renderView(*banner), "pulse-peak"));
    advance(0.6);
    ASSERT_TRUE(banner->spinner());
    EXPECT_EQ(banner->spinner()->style(), ActivityIndicatorViewStyle::White);
    EXPECT_TRUE(matchesGolden(*renderView(*banner), "spinner"));
}

TEST_F(TextBannerTest, AdThatIsNotReadyDrawsNothingAndStampsTouchesAtZero)
{
    ad = PellarAd::create();
    banner = View::make<PellarOldSchoolSingleAdView>(Rect { 0, 0, 320, 48 });
    banner->setAd(ad);
    renderView(*banner);
    EXPECT_FALSE(banner->dateOfFirstRender());
    std::shared_ptr<Touch> touch;
    advance(5);
    banner->touchesBegan(touchAt({ 10, 10 }, touch), {});
    EXPECT_EQ(banner->storedTouches(), (std::vector<std::string> { "0,10,10,0.000000" }));
}

TEST_F(TextBannerTest, TouchThatLeavesTheBannerIsRecordedButSendsNoClick)
{
    showTextAd("Find dead pixels fast");
    renderView(*banner);
    advance(1.25);
    std::shared_ptr<Touch> touch;
    banner->touchesBegan(touchAt({ 100, 20 }, touch), {});
    EXPECT_TRUE(banner->isTouched());
    banner->touchesMoved(touchAt({ 100, 60 }, touch), {});
    EXPECT_FALSE(banner->isTouched());
    banner->touchesMoved(touchAt({ 100, 40 }, touch), {});
    EXPECT_TRUE(banner->isTouched());
    banner->touchesEnded(touchAt({ 330, 40 }, touch), {});
    EXPECT_FALSE(banner->isTouched());
    EXPECT_EQ(banner->storedTouches(), (std::vector<std::string> { "0,100,20,1.250000", "1,330,40,1.250000" }));
    EXPECT_EQ(ad->state(), PellarAdState::Ready);
    // A cancelled touch records nothing.
    std::shared_ptr<Touch> second;
    banner->touchesCancelled(touchAt({ 5, 5 }, second), {});
    EXPECT_EQ(banner->storedTouches().size(), 2u);
}

TEST(TextBannerHelpers, TileRectanglesAddOnePointForTheBevel)
{
    auto icon = twoToneIcon(30, 0, 0, 0);
    EXPECT_EQ(PellarOldSchoolSingleAdView::sizeWithBevelsAndRoundedCornersForImage(*icon), (Size { 31, 31 }));
    EXPECT_EQ(PellarOldSchoolSingleAdView::rectForTileImage(*icon, { 0, 0, 320, 44 }), (Rect { 6, 6.5, 31, 31 }));
}

} // namespace
