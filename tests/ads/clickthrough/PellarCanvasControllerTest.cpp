#include "ads/clickthrough/PellarCanvasController.h"
#include "ClickthroughTestSupport.h"
#include "ads/clickthrough/PellarCanvasWebView.h"
#include "ads/core/PellarEndpoints.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/URL.h"
#include "platform/ui/controls/AlertView.h"

namespace {

using Parameters = std::map<std::string, std::string>;

TEST(PellarCanvasQueryParser, SkipsPiecesWithoutAKeyOrThatDoNotUnescapeAsASCII)
{
    EXPECT_EQ(
        PellarCanvasWebView::dictionaryWithQueryString("a=1&=2&b&c="), (Parameters { { "a", "1" }, { "c", "" } }));
    // Only the first "=" splits; a "+" is not a space; a later key wins.
    EXPECT_EQ(PellarCanvasWebView::dictionaryWithQueryString("k=a=b&p=1+2&k=last&u=http%3A%2F%2Fh%2F%3Fq%3D1%26r"),
        (Parameters { { "k", "last" }, { "p", "1+2" }, { "u", "http://h/?q=1&r" } }));
    // Non-ASCII escapes in a key or a value, and malformed escapes, drop only their piece.
    EXPECT_EQ(PellarCanvasWebView::dictionaryWithQueryString("v=caf%C3%A9&ok=1&%FF=2&bad=%zz&cut=%4"),
        (Parameters { { "ok", "1" } }));
}

class PellarCanvasControllerTest : public ClickthroughFixture {
protected:
    void SetUp() override
    {
        ClickthroughFixture::SetUp();
        Log::setCaptureHook([this](const std::string& line) { logLines.push_back(line); });
    }
    void TearDown() override
    {
        Log::setCaptureHook(nullptr);
        ClickthroughFixture::TearDown();
    }
    void present(const std::string& title = "Screen Test Lab")
    {
        canvasScreen = PellarCanvasController::create();
        canvasScreen->presentCanvasFromView(banner, *URL::withString("http://127.0.0.1:1/landing/canvas"), title, host);
        page = std::dynamic_pointer_cast<ScriptedWebView>(canvasScreen->canvas()->webView());
        ASSERT_TRUE(page);
    }
    // The page loads and answers the bridge test as a canvas page would.
    void loadCanvasPage(const std::string& typeOfPellar = "object")
    {
        page->scriptAnswers["typeof(pellar)"] = typeOfPellar;
        page->start();
        page->finish("Canvas", PellarEndpoints::canvasPageURL());
    }
    bool closing() const { return host->count("did") == 1; }

    std::shared_ptr<PellarCanvasController> canvasScreen;
    std::shared_ptr<ScriptedWebView> page;
    std::vector<std::string> logLines;
};

TEST_F(PellarCanvasControllerTest, BoxInTheMiddleLoadsTheCanvasPageUnderASpinnerThenDarkens)
{
    present();
    EXPECT_EQ(page->frame(), (Rect { 0, 92.5, 320, 295 }));
    EXPECT_EQ(page->superview(), canvasScreen->view().get());
    EXPECT_EQ(page->requests, std::vector<std::string> { PellarEndpoints::canvasPageURL() });
    EXPECT_EQ(page->lastRequest.cachePolicy, WebView::CachePolicy::ReloadIgnoringCacheData);
    EXPECT_EQ(page->lastRequest.timeoutInterval, 600.0);
    EXPECT_TRUE(page->viewWithTag(PellarCanvasWebView::kSpinnerTag));

    // Grown from the banner and faded in; then the backdrop turns opaque over half a second.
    advance(0.8);
    auto backdrop = canvasScreen->background();
    ASSERT_TRUE(backdrop);
    EXPECT_EQ(backdrop->backgroundColor()->alpha, 1.0);
    EXPECT_LT(backdrop->layer().presentation().backgroundColor->alpha, 0.95);
    advance(0.5);
    EXPECT_EQ(backdrop->layer().presentation().backgroundColor->alpha, 1.0);

    EXPECT_FALSE(canvasScreen->shouldAutorotateToInterfaceOrientation(3));
}

TEST_F(PellarCanvasControllerTest, CanvasPageGetsOneCallWithTheContentAndTitleAsValues)
{
    present("It's a \\ \"test\"</script>\n");
    advance(0.8);
    loadCanvasPage();
    EXPECT_FALSE(page->viewWithTag(PellarCanvasWebView::kSpinnerTag));
    ASSERT_EQ(page->calls.size(), 1u);
    EXPECT_EQ(page->calls[0].first, "cb");
    EXPECT_EQ(page->calls[0].second,
        (std::vector<std::string> { "http://127.0.0.1:1/landing/canvas#sdk", "It's a \\ \"test\"</script>\n" }));
    // Pages the canvas loads later, failed or not, change nothing.
    page->finish("Other", "http://127.0.0.1:1/other");
    page->fail(URLErrorCannotConnectToHost);
    EXPECT_EQ(page->calls.size(), 1u);
    EXPECT_FALSE(closing());
}

TEST_F(PellarCanvasControllerTest, APageWithoutTheBridgeOrAFailedFirstLoadClosesTheScreen)
{
    // No `pellar`, or no answer at all to the test.
    for (const char* typeOfPellar : { "undefined", "" }) {
        host->events.clear();
        present();
        advance(0.8);
        loadCanvasPage(typeOfPellar);
        EXPECT_TRUE(closing());
        EXPECT_TRUE(page->calls.empty());
        EXPECT_TRUE(canvasScreen->canvas()->initialLoad());
        advance(0.8);
        EXPECT_FALSE(canvasScreen->modalWindow());
        EXPECT_EQ(visibleWindowCount(), 1);
    }

    host->events.clear();
    present();
    advance(0.8);
    page->start();
    page->fail(URLErrorTimedOut);
    EXPECT_TRUE(closing());
    EXPECT_TRUE(page->calls.empty());
}

TEST_F(PellarCanvasControllerTest, LaunchOpensAllowedLinksOutsideAndNeverNavigatesTheCanvas)
{
    present();
    advance(0.8);
    // Before the page has shown it is the canvas page, commands do nothing.
    page->command("pellar://launch?url=http%3A%2F%2Fexample.com%2F");
    page->command("pellar://closecanvas");
    EXPECT_TRUE(opened.empty());
    EXPECT_FALSE(closing());

    loadCanvasPage();
    page->command("pellar://launch?url=http%3A%2F%2Fexample.com%2Fa%3Fb%3D1%26c%3D2");
    page->command("pellar://launch?x=1&url=storeapp%3A%2F%2Fstore.example%2Fapp%2Fid1");
    EXPECT_EQ(
        opened, (std::vector<std::string> { "http://example.com/a?b=1&c=2", "storeapp://store.example/app/id1" }));

    opened.clear();
    for (const char* refused : { "pellar://launch?url=file%3A%2F%2F%2Fetc%2Fpasswd",
             "pellar://launch?url=javascript%3Aalert(1)", "pellar://launch", "pellar://launch?url=not%20a%20url",
             "pellar://unknown?url=http%3A%2F%2Fexample.com%2F" })
        page->command(refused);
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(std::count_if(logLines.begin(), logLines.end(),
                  [](auto& line) { return line.find("Refused to open a link with the scheme") != std::string::npos; }),
        2);
    for (auto& line : logLines)
        EXPECT_EQ(line.find("passwd"), std::string::npos) << line;
    EXPECT_FALSE(closing());
    // Ordinary pages load in the canvas; a command asked as a navigation (an
    // engine that cannot tell the frame) is never loaded and never obeyed.
    EXPECT_TRUE(page->navigate("http://127.0.0.1:1/landing/canvas#sdk"));
    EXPECT_FALSE(page->navigate("pellar://closecanvas"));
    EXPECT_FALSE(page->navigate("PELLAR://launch?url=http%3A%2F%2Fexample.com%2F"));
    EXPECT_TRUE(opened.empty());
    EXPECT_FALSE(closing());
}

TEST_F(PellarCanvasControllerTest, CallsMessagesAndMailAreConfirmedFirst)
{
    present();
    advance(0.8);
    loadCanvasPage();
    auto tap = [](const std::string& label) {
        for (auto& [text, frame] : Application::shared().accessibleElementsOnScreen()) {
            if (text == label) {
                Application::shared().sendTouch(TouchPhase::Began, frame.center());
                Application::shared().sendTouch(TouchPhase::Ended, frame.center());
                return true;
            }
        }
        return false;
    };
    struct Case {
        const char* command;
        const char* title;
        const char* confirm;
        const char* link;
    };
    for (const Case& c : {
             Case { "pellar://launch?url=tel%3A%2B15555550100", "Call +15555550100?", "Call", "tel:+15555550100" },
             Case { "pellar://launch?url=sms%3A%2B15555550100%3Fbody%3Dhi", "Send a message to +15555550100?", "Send",
                 "sms:+15555550100?body=hi" },
             Case { "pellar://launch?url=mailto%3Ahelp%40example.com%3Fsubject%3Dx", "Write to help@example.com?",
                 "Write", "mailto:help@example.com?subject=x" },
         }) {
        opened.clear();
        page->command(c.command);
        auto alerts = AlertView::visibleAlerts();
        ASSERT_EQ(alerts.size(), 1u) << c.command;
        EXPECT_EQ(alerts[0]->title(), c.title);
        EXPECT_TRUE(opened.empty()) << "nothing leaves before the user says so";
        // Cancel sends nothing; the confirmation sends the link unchanged.
        alerts.clear();
        ASSERT_TRUE(tap("Cancel"));
        EXPECT_TRUE(opened.empty());
        page->command(c.command);
        ASSERT_TRUE(tap(c.confirm));
        EXPECT_EQ(opened, std::vector<std::string> { c.link });
        EXPECT_TRUE(AlertView::visibleAlerts().empty());
    }
    // A message link that names nobody asks nothing and sends nothing.
    opened.clear();
    page->command("pellar://launch?url=sms%3A");
    EXPECT_TRUE(AlertView::visibleAlerts().empty());
    EXPECT_TRUE(opened.empty());
}

TEST_F(PellarCanvasControllerTest, CommandsCountOnlyWhileTheTopFrameShowsTheCanvasPagesOrigin)
{
    present();
    advance(0.8);
    page->scriptAnswers["typeof(pellar)"] = "object";
    page->start();
    // The canvas page answered from where its redirects ended.
    page->finish("Canvas", "http://media.example:8080/static/mobile/canvas.html");
    page->url = "http://MEDIA.example:8080/static/mobile/other.html"; // same origin, another page
    page->command("pellar://launch?url=http%3A%2F%2Fexample.com%2F");
    EXPECT_EQ(opened, std::vector<std::string> { "http://example.com/" });

    opened.clear();
    logLines.clear();
    for (const char* elsewhere : { "http://media.example:8081/static/mobile/canvas.html",
             "https://media.example:8080/static/mobile/canvas.html", "http://advertiser.example/landing", "" }) {
        page->url = elsewhere;
        page->command("pellar://launch?url=http%3A%2F%2Fexample.com%2F");
        page->command("pellar://closecanvas");
    }
    EXPECT_TRUE(opened.empty());
    EXPECT_FALSE(closing());
    ASSERT_EQ(logLines.size(), 8u);
    for (auto& line : logLines) {
        EXPECT_NE(line.find("Refused a \"pellar\" command"), std::string::npos) << line;
        EXPECT_EQ(line.find("example"), std::string::npos) << line;
    }
    page->url = "http://media.example:8080/";
    page->command("pellar://closecanvas");
    EXPECT_TRUE(closing());
    advance(1); // gone before the next screen
    EXPECT_FALSE(canvasScreen->modalWindow());
}

TEST_F(PellarCanvasControllerTest, CloseCanvasShrinksBackIntoTheBannerAndLeavesNothing)
{
    present();
    advance(0.8);
    loadCanvasPage();
    advance(0.5);
    page->command("pellar://closecanvas");
    EXPECT_TRUE(closing());
    page->command("pellar://closecanvas");
    EXPECT_EQ(host->count("did"), 1);
    advance(0.4);
    auto backdrop = canvasScreen->background();
    ASSERT_TRUE(backdrop); // shrinking back into the banner
    EXPECT_EQ(backdrop->frame(), banner->frame());
    advance(0.4);
    EXPECT_FALSE(canvasScreen->background());
    EXPECT_FALSE(canvasScreen->modalWindow());
    EXPECT_FALSE(banner->isHidden());
    EXPECT_TRUE(appWindow->isKeyWindow());
    EXPECT_EQ(visibleWindowCount(), 1);
    EXPECT_FALSE(PellarModalViewController::activeModalController());

    // The screen lives as long as its owner keeps it, and takes its page with it.
    std::weak_ptr<WebView> weakPage = page;
    page = nullptr;
    canvasScreen = nullptr;
    EXPECT_TRUE(weakPage.expired());
}

} // namespace
