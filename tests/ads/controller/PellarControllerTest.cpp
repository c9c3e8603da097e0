#include "ads/core/PellarController.h"
#include "ads/banners/PellarOldSchoolSingleAdView.h"
#include "ads/clickthrough/PellarBrowserController.h"
#include "ads/core/PellarEndpoints.h"
#include "ads/core/PellarStoreURLCleaner.h"
#include "ads/core/PellarView.h"
#include "ads/core/PellarViewInternal.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/PendingWork.h"
#include "platform/ui/controls/AlertView.h"
#include "platform/ui/layers/TransitionAnimation.h"
#include "platform/ui/views/Application.h"
#include "tests/ads/ad/AdTestSupport.h"
#include "tests/ads/clickthrough/ClickthroughTestSupport.h"

#include <gtest/gtest.h>

namespace {

// A host that counts what it is told.
struct CountingHost final : PellarDelegate {
    std::string publisherId() override { return "pub-1"; }
    void didReceiveAd(PellarView&) override { ++received; }
    void didFailToReceiveAd(PellarView&, const Error&) override { ++failed; }
    int received { 0 };
    int failed { 0 };
};

// One banner, its ad view and controller, against a loopback ad server whose
// answers each test stages; the system URL handler and the log are recorded.
class ControllerTest : public AdFixture {
protected:
    void SetUp() override
    {
        AdFixture::SetUp();
        server.respond("/m/icon.png", { .body = pngOfSize(38, 38), .contentType = "image/png" });
        for (const char* action : { "store", "sms", "call", "URL" })
            server.respond(std::string("/m/static/mobile/img/") + action + ".png",
                { .body = pngOfSize(26, 26), .contentType = "image/png" });
        Application::shared().setOpenURLHook([this](const std::string& url) {
            opened.push_back(url);
            return true;
        });
        Log::setCaptureHook([this](const std::string& line) { logLines.push_back(line); });
    }
    void TearDown() override
    {
        view = nullptr;
        AdFixture::TearDown();
    }

    // Stages the next answers of the ad server: a text ad with `action` whose
    // click answer sends the user to `redirect`.
    void stageTextAd(const std::string& action, const std::string& redirect = "", const std::string& text = "Ad")
    {
        std::string clickPath = "/click/" + std::to_string(++staged);
        answerAdRequest(R"({"text": ")" + text + R"(", "6": ")" + action + R"(", "204": "/icon.png", "jsonp_url": ")"
            + server.url(clickPath) + R"("})");
        std::string clickAnswer = redirect.empty() ? "{}" : R"({"redirect_url": ")" + redirect + R"("})";
        server.respond(clickPath, { .body = clickAnswer, .contentType = "application/json" });
    }
    void start()
    {
        view = PellarView::requestAdWithDelegate(host);
        controller = std::dynamic_pointer_cast<PellarViewInternal>(view)->controller();
    }
    bool waitForFirstAd()
    {
        return waitUntil([&] { return host->received + host->failed > 0; });
    }
    bool waitWhileBusy()
    {
        return waitUntil([&] { return !PendingWork::any(); });
    }
    std::shared_ptr<PellarOldSchoolSingleAdView> banner() const
    {
        return std::dynamic_pointer_cast<PellarOldSchoolSingleAdView>(controller->bannerView());
    }
    void tapBanner()
    {
        auto b = banner();
        ASSERT_TRUE(b);
        auto touch = std::make_shared<Touch>(b, std::weak_ptr<Window> {}, Point { 100, 20 }, 0);
        b->touchesBegan(TouchSet({ touch }), {});
        touch->update(TouchPhase::Ended, { 100, 20 }, 0);
        b->touchesEnded(TouchSet({ touch }), {});
    }

    std::shared_ptr<CountingHost> host { std::make_shared<CountingHost>() };
    std::shared_ptr<PellarView> view;
    std::shared_ptr<PellarController> controller;
    std::vector<std::string> opened;
    std::vector<std::string> logLines;
    int staged { 0 };
};

TEST_F(ControllerTest, AdViewIsABannerSizedClearViewThatOwnsItsController)
{
    EXPECT_EQ(PellarView::version(), "20091130");
    stageTextAd("url");
    start();
    EXPECT_EQ(view->frame(), (Rect { 0, 0, 320, 48 }));
    EXPECT_EQ(view->backgroundColor(), Color::clear());
    EXPECT_EQ(view->autoresizingMask() & (AutoresizingFlexibleWidth | AutoresizingFlexibleHeight), 0u);
    // From a mask with every flexible bit set, only the size bits go.
    auto flexible = View::make(Rect { 0, 0, 320, 48 });
    unsigned margins = AutoresizingFlexibleLeftMargin | AutoresizingFlexibleRightMargin | AutoresizingFlexibleTopMargin
        | AutoresizingFlexibleBottomMargin;
    flexible->setAutoresizingMask(margins | AutoresizingFlexibleWidth | AutoresizingFlexibleHeight);
    PellarView::keepSizeFixed(*flexible);
    EXPECT_EQ(flexible->autoresizingMask(), margins);
    EXPECT_EQ(view->accessibilityLabel(), "Advertisement");
    EXPECT_EQ(controller->view(), view.get());
    ASSERT_TRUE(controller->currentlyDisplayedAd());
    std::weak_ptr<PellarController> weakController = controller;
    controller = nullptr;
    view = nullptr;
    EXPECT_TRUE(weakController.expired());
}

TEST_F(ControllerTest, FirstAdIsReportedOnceAndShownUnderTheBannerTag)
{
    stageTextAd("url");
    start();
    ASSERT_TRUE(waitForFirstAd());
    EXPECT_EQ(host->received, 1);
    ASSERT_TRUE(banner());
    EXPECT_EQ(banner()->tag(), PellarController::kBannerTag);
    EXPECT_EQ(banner()->ad(), controller->currentlyDisplayedAd());
    EXPECT_EQ(banner()->frame(), view->bounds());
    EXPECT_EQ(banner()->controller(), controller);
}

TEST_F(ControllerTest, FailedFirstAdIsReportedOnceAndShowsNothing)
{
    answerAdRequest("not json");
    start();
    ASSERT_TRUE(waitForFirstAd());
    loop().runUntilIdle();
    EXPECT_EQ(host->failed, 1);
    EXPECT_EQ(host->received, 0);
    EXPECT_FALSE(controller->currentlyDisplayedAd());
    EXPECT_TRUE(view->subviews().empty());
}

TEST_F(ControllerTest, RefreshesNeedThirtySecondsBetweenAcceptedRequests)
{
    stageTextAd("url");
    start();
    ASSERT_TRUE(waitForFirstAd());
    controller->requestFreshAd();
    ASSERT_TRUE(waitWhileBusy());
    EXPECT_EQ(server.requestsTo("/ad_request"), 2);
    advance(10);
    controller->requestFreshAd();
    advance(19.9);
    controller->requestFreshAd();
    EXPECT_FALSE(controller->loadingAd());
    EXPECT_EQ(server.requestsTo("/ad_request"), 2);
    advance(0.1);
    controller->requestFreshAd();
    ASSERT_TRUE(waitWhileBusy());
    EXPECT_EQ(server.requestsTo("/ad_request"), 3);
    EXPECT_EQ(host->received, 1);
}

TEST_F(ControllerTest, ImageBannerIsNeverReplacedButTheRequestTimeCounts)
{
    answerAdRequest(R"({"6": "sms", "banner": ")" + server.url("/banner.png") + R"(", "jsonp_url": ")"
        + server.url("/c") + R"("})");
    start();
    ASSERT_TRUE(waitForFirstAd());
    ASSERT_EQ(controller->currentlyDisplayedAd()->medium(), PellarAdMedium::Banner);
    advance(5);
    controller->requestFreshAd();
    EXPECT_FALSE(controller->loadingAd());
    EXPECT_EQ(controller->lastRequestForFreshAd(), RunLoop::main().now());
    EXPECT_EQ(server.requestsTo("/ad_request"), 1);
}

TEST_F(ControllerTest, RefreshedAdFlipsInAndTheOldBannerGoesWhenTheFlipEnds)
{
    stageTextAd("url", "", "First");
    start();
    ASSERT_TRUE(waitForFirstAd());
    auto first = banner();
    stageTextAd("url", "", "Second");
    controller->requestFreshAd();
    ASSERT_TRUE(waitUntil([&] { return banner() != first; }));
    auto second = banner();
    EXPECT_EQ(*second->ad()->text(), "Second");
    EXPECT_EQ(first->tag(), 0);
    EXPECT_FALSE(first->superview());
    EXPECT_FALSE(controller->loadingAd());
    EXPECT_EQ(controller->currentlyDisplayedAd(), second->ad());
    // The first ad no longer hears from the host.
    EXPECT_FALSE(first->ad()->delegate());
    auto flip = std::dynamic_pointer_cast<TransitionAnimation>(view->layer().animationForKey("transition"));
    ASSERT_TRUE(flip);
    EXPECT_EQ(flip->type(), TransitionAnimation::Type::FlipFromRight);
    EXPECT_EQ(flip->duration(), 0.7);
    std::weak_ptr<View> weakFirst = first;
    first = nullptr;
    advance(0.69);
    EXPECT_FALSE(weakFirst.expired());
    advance(0.02);
    loop().runUntilIdle();
    EXPECT_TRUE(weakFirst.expired());
    EXPECT_EQ(host->received, 1);
}

TEST_F(ControllerTest, FailedRefreshKeepsTheBannerSilently)
{
    stageTextAd("url");
    start();
    ASSERT_TRUE(waitForFirstAd());
    auto first = banner();
    answerAdRequest("", 500);
    controller->requestFreshAd();
    ASSERT_TRUE(waitWhileBusy());
    EXPECT_EQ(banner(), first);
    EXPECT_EQ(first->tag(), PellarController::kBannerTag);
    EXPECT_FALSE(controller->loadingAd());
    EXPECT_EQ(host->failed, 0);
}

TEST_F(ControllerTest, TapSendsTheTouchRecordsAndTheAnswerRestoresTheBanner)
{
    stageTextAd("sms", "sms:+15555550100");
    start();
    ASSERT_TRUE(waitForFirstAd());
    tapBanner();
    EXPECT_FALSE(banner()->isUserInteractionEnabled());
    ASSERT_TRUE(waitWhileBusy());
    EXPECT_EQ(server.requests().back().method, "POST");
    EXPECT_EQ(server.requests().back().body, R"({"interactions":["0,100,20,0.000000","1,100,20,0.000000"]})");
    // Anything outside the table goes to the system as it is.
    EXPECT_EQ(opened, (std::vector<std::string> { "sms:+15555550100" }));
    EXPECT_TRUE(banner()->removeSpinnerRequested());
    advance(1.1);
    EXPECT_TRUE(banner()->isUserInteractionEnabled());
    EXPECT_TRUE(banner()->storedTouches().empty());
}

TEST_F(ControllerTest, ClickActionsFollowTheTableOrder)
{
    struct Case {
        const char* action;
        std::string redirect;
        std::vector<std::string> expected;
    };
    std::string storeLink = "http://apps.store.example/app/id42?mt=8";
    std::string landing = server.url("/landing");
    for (const Case& c : {
             // A store link is cleaned even when the action asks for the browser.
             Case { "url", "https://web.store.example/app/id42?mt=8", { storeLink } },
             Case { "store", "https://buy.store.example/app/id42?mt=8", { storeLink } },
             // Matching is case-sensitive: an unknown action goes to the system.
             Case { "URL", landing, { landing } },
             // No target: nothing is opened.
             Case { "sms", "", {} },
             // A call waits for the user: its alert comes up, and nothing is opened yet.
             Case { "call", "tel:+15555550100", {} },
         }) {
        SCOPED_TRACE(std::string(c.action) + " " + c.redirect);
        opened.clear();
        stageTextAd(c.action, c.redirect);
        view = nullptr;
        start();
        ASSERT_TRUE(waitForFirstAd());
        ASSERT_EQ(host->received, 1);
        host->received = 0;
        tapBanner();
        ASSERT_TRUE(waitWhileBusy());
        EXPECT_EQ(opened, c.expected);
    }
    ASSERT_EQ(AlertView::visibleAlerts().size(), 1u);
    EXPECT_EQ(AlertView::visibleAlerts()[0]->title(), "Call +15555550100?");
    AlertView::visibleAlerts()[0]->dismissWithClickedButtonIndex(0, false);
    // The number is the user's business: it never reaches the log.
    for (auto& line : logLines)
        EXPECT_EQ(line.find("5555550100"), std::string::npos) << line;
}

TEST_F(ControllerTest, UrlActionOpensTheRedirectInTheEmbeddedBrowser)
{
    std::vector<std::shared_ptr<ScriptedWebView>> pages;
    WebView::setFactory([&](const Rect& frame) {
        pages.push_back(std::make_shared<ScriptedWebView>(frame));
        return pages.back();
    });
    std::string landing = server.url("/landing");
    stageTextAd("url", landing);
    start();
    ASSERT_TRUE(waitForFirstAd());
    tapBanner();
    ASSERT_TRUE(waitWhileBusy());
    advance(1);
    auto browser
        = std::dynamic_pointer_cast<PellarBrowserController>(PellarModalViewController::activeModalController());
    WebView::setFactory(nullptr);
    ASSERT_TRUE(browser);
    EXPECT_EQ(browser->adView(), view);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(browser->webView(), pages[0]);
    EXPECT_EQ(pages[0]->requests, std::vector<std::string> { landing });
    EXPECT_TRUE(opened.empty());
    browser->dismissModal();
    advance(2);
}

TEST_F(ControllerTest, ClickAnswerAfterTheBannerWasReplacedLeavesTheNewOneAloneButStillActs)
{
    stageTextAd("sms", "sms:1", "First");
    server.respond(
        "/click/1", { .body = R"({"redirect_url": "sms:1"})", .contentType = "application/json", .delay = 0.3 });
    start();
    ASSERT_TRUE(waitForFirstAd());
    auto first = banner();
    tapBanner();
    stageTextAd("sms", "sms:2", "Second");
    controller->requestFreshAd();
    ASSERT_TRUE(waitUntil([&] { return banner() != first; }));
    // The flip ends, and the old banner with it, before the click is answered.
    std::weak_ptr<View> weakFirst = first;
    first = nullptr;
    advance(1);
    loop().runUntilIdle();
    EXPECT_TRUE(weakFirst.expired());
    ASSERT_TRUE(waitWhileBusy());
    EXPECT_EQ(opened, (std::vector<std::string> { "sms:1" }));
    EXPECT_FALSE(banner()->removeSpinnerRequested());
    EXPECT_TRUE(banner()->isUserInteractionEnabled());
}

TEST_F(ControllerTest, DownloadsThatCannotEvenStartStillReachTheHostAndTheBanner)
{
    // A media host without a scheme: the first ad's picture cannot start,
    // and the failure comes after the controller has stored the ad.
    auto configuration = PellarEndpoints::defaultConfiguration();
    configuration.adServerURL = server.url("/ad_request");
    configuration.mediaHostURL = "127.0.0.1:9";
    PellarEndpoints::setConfiguration(configuration);
    answerAdRequest(R"({"text": "Ad", "6": "sms", "204": "/icon.png", "jsonp_url": "/click"})");
    start();
    ASSERT_TRUE(waitForFirstAd());
    EXPECT_EQ(host->failed, 1);

    // A relative click URL fails inside the tap; the spinner still goes.
    configuration.mediaHostURL = server.url("/m");
    PellarEndpoints::setConfiguration(configuration);
    host->failed = 0;
    view = nullptr;
    start();
    ASSERT_TRUE(waitForFirstAd());
    ASSERT_EQ(host->received, 1);
    tapBanner();
    ASSERT_TRUE(waitWhileBusy());
    loop().runUntilIdle();
    EXPECT_TRUE(banner()->removeSpinnerRequested());
    advance(1.1);
    EXPECT_TRUE(banner()->isUserInteractionEnabled());
}

TEST_F(ControllerTest, HostileClickTargetsNeverReachTheSystemNorTheLog)
{
    for (const char* target : { "javascript:alert(1)", "data:text/html;base64,PHNjcmlwdD4=", "file:///etc/passwd",
             "/etc/passwd", "/", "x-hostile-scheme://run?cmd=id" }) {
        SCOPED_TRACE(target);
        opened.clear();
        logLines.clear();
        stageTextAd("sms", target);
        view = nullptr;
        start();
        ASSERT_TRUE(waitForFirstAd());
        host->received = 0;
        tapBanner();
        ASSERT_TRUE(waitWhileBusy());
        EXPECT_TRUE(opened.empty());
        for (auto& line : logLines) {
            EXPECT_EQ(line.find("passwd"), std::string::npos) << line;
            EXPECT_EQ(line.find("cmd=id"), std::string::npos) << line;
            EXPECT_EQ(line.find("alert"), std::string::npos) << line;
        }
    }
}

TEST_F(ControllerTest, RedirectThatIsNotTextEndsTheClickAsFailed)
{
    stageTextAd("sms");
    server.respond("/click/1", { .body = R"({"redirect_url": 42})", .contentType = "application/json" });
    start();
    ASSERT_TRUE(waitForFirstAd());
    tapBanner();
    ASSERT_TRUE(waitWhileBusy());
    EXPECT_TRUE(opened.empty());
    advance(1.1);
    EXPECT_TRUE(banner()->isUserInteractionEnabled());
}

} // namespace
