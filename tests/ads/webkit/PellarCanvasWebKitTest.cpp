#include "ads/clickthrough/PellarCanvasController.h"
#include "ads/clickthrough/PellarCanvasWebView.h"
#include "ads/core/PellarEndpoints.h"
#include "platform/foundation/URL.h"
#include "tests/ads/clickthrough/ClickthroughTestSupport.h"
#include "tests/support/OffscreenWebKit.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

std::string demoCanvasPage()
{
    std::ifstream in(VANTREL_SOURCE_DIR "/server/scenarios/default/canvas.html");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The canvas screen with a real WebKit page, on the real clock, against a
// loopback media host serving the demo service's canvas page.
class PellarCanvasWebKitTest : public ClickthroughFixture {
protected:
    PellarCanvasWebKitTest()
        : ClickthroughFixture({ .manualClock = false, .network = true }, WebViews::Engine)
    {
    }
    void SetUp() override
    {
        if (!webKit.isAvailable())
            GTEST_SKIP() << "no display";
        ClickthroughFixture::SetUp();
        server.respond(PellarEndpoints::kCanvasPagePath, { 200, demoCanvasPage(), "text/html; charset=utf-8" });
        server.respond("/plain", { 200, "<html><title>Plain</title></html>", "text/html" });
    }
    void TearDown() override
    {
        ClickthroughFixture::TearDown();
        // The pages go before the engine does.
        screen = nullptr;
        appWindow = nullptr;
        content = nullptr;
        banner = nullptr;
        Application::shared().reset();
    }
    void present(const std::string& title)
    {
        screen = PellarCanvasController::create();
        screen->presentCanvasFromView(banner, *URL::withString(contentURL()), title, host);
    }
    std::string contentURL() const { return server.url("/landing/canvas"); }
    std::string script(const std::string& text)
    {
        return screen->canvas()->webView()->stringByEvaluatingJavaScriptFromString(text);
    }
    bool handedOver()
    {
        return OffscreenWebKit::await([&] { return !screen->canvas()->initialLoad(); });
    }
    bool closes()
    {
        return OffscreenWebKit::await([&] { return host->count("did") > 0; });
    }
    bool settles()
    {
        return OffscreenWebKit::await([&] { return !screen->canvas()->webView()->isBusy(); });
    }

    OffscreenWebKit webKit;
    LoopbackServer& server { environment.server() };
    std::shared_ptr<PellarCanvasController> screen;
};

TEST_F(PellarCanvasWebKitTest, ThePageGetsExactlyTheTitleItWasGivenOnceAndNothingRuns)
{
    const std::string title
        = "It's a \\ test </script><script>window.injected = 1</script>\n'); window.injected = 2; ('";
    present(title);
    ASSERT_TRUE(handedOver());
    EXPECT_EQ(script("pellar.received.length"), "1");
    EXPECT_EQ(script("pellar.received[0][0]"), contentURL() + "#sdk");
    EXPECT_EQ(script("pellar.received[0][1]"), title);
    // Shown as text, and nothing in it ran.
    EXPECT_EQ(script("document.getElementById('title').textContent"), title);
    EXPECT_EQ(script("typeof injected"), "undefined");
    EXPECT_EQ(script("document.scripts.length"), "1");

    // A later load of the same page inside the canvas hears nothing.
    screen->canvas()->webView()->reload();
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return server.requestsTo(PellarEndpoints::kCanvasPagePath) == 2; }, 20));
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return script("document.readyState") == "complete"; }, 20));
    ASSERT_TRUE(settles());
    EXPECT_EQ(script("pellar.received.length"), "0");
    EXPECT_EQ(host->count("did"), 0);
}

TEST_F(PellarCanvasWebKitTest, ThePagesButtonsOpenOutsideAndClose)
{
    present("Screen Test Lab");
    ASSERT_TRUE(handedOver());
    ASSERT_TRUE(settles());
    script("document.getElementById('open').click()");
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return !opened.empty(); }, 20));
    EXPECT_EQ(opened, std::vector<std::string> { contentURL() });
    // Links the page may not hand to the system go nowhere, and the canvas stays.
    script("pellar.launch('file:///etc/passwd'); setTimeout(function () { pellar.launch('javascript:alert(1)') }, 10)");
    RunLoop::main().runUntil([] { return false; }, 0.5);
    EXPECT_EQ(opened.size(), 1u);
    EXPECT_EQ(screen->canvas()->webView()->currentURL(), PellarEndpoints::canvasPageURL());
    EXPECT_EQ(host->count("did"), 0);

    script("document.getElementById('close').click()");
    ASSERT_TRUE(closes());
    // The backdrop shrinks back into the banner and everything goes.
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return !screen->modalWindow(); }, 5));
    EXPECT_FALSE(screen->background());
    EXPECT_TRUE(appWindow->isKeyWindow());
    EXPECT_FALSE(banner->isHidden());
}

TEST_F(PellarCanvasWebKitTest, APageWithoutTheBridgeClosesTheScreenEvenBeforeItHasFadedIn)
{
    server.respond(
        PellarEndpoints::kCanvasPagePath, { 200, "<html><title>Not the canvas</title></html>", "text/html" });
    present("t");
    ASSERT_TRUE(closes());
    EXPECT_TRUE(screen->canvas()->initialLoad());
    EXPECT_EQ(script("typeof cb"), "undefined");
}

TEST_F(PellarCanvasWebKitTest, AFrameInsideThePageIsNotObeyedButTheTopFrameStillIs)
{
    // Another origin (another port) inside the canvas page tries both
    // commands on its own, with no user action, then tells the page it has.
    LoopbackServer advertiser;
    advertiser.respond("/frame",
        { 200,
            "<html><script>location.href = 'pellar://launch?url=' + encodeURIComponent('http://example.com/frame');"
            "setTimeout(function () { location.href = 'pellar://closecanvas'; }, 50);"
            "setTimeout(function () { parent.postMessage('tried', '*'); }, 300);</script></html>",
            "text/html" });
    std::string page = demoCanvasPage();
    page.replace(page.find("</body>"), 7,
        "<iframe src=\"" + advertiser.url("/frame")
            + "\"></iframe><script>window.addEventListener('message', function () { window.tried = 1; });</script>"
              "</body>");
    server.respond(PellarEndpoints::kCanvasPagePath, { 200, page, "text/html; charset=utf-8" });
    present("Screen Test Lab");
    ASSERT_TRUE(handedOver());
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return script("window.tried") == "1"; }, 20));
    RunLoop::main().runUntil([] { return false; }, 0.3);
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(host->count("did"), 0);

    // The page's own buttons still work, and the page was never replaced.
    script("document.getElementById('open').click()");
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return !opened.empty(); }, 20));
    EXPECT_EQ(opened, std::vector<std::string> { contentURL() });
    EXPECT_EQ(screen->canvas()->webView()->currentURL(), PellarEndpoints::canvasPageURL());
    EXPECT_EQ(script("window.tried"), "1");
    script("document.getElementById('close').click()");
    ASSERT_TRUE(closes());
}

TEST_F(PellarCanvasWebKitTest, ASiteThePageWentOnToHasNoSay)
{
    LoopbackServer elsewhere;
    elsewhere.respond("/landing",
        { 200,
            "<html><title>Elsewhere</title><script>var pellar = {}; setTimeout(function () {"
            "location.href = 'pellar://closecanvas'; document.title = 'tried'; }, 100);</script></html>",
            "text/html" });
    present("Screen Test Lab");
    ASSERT_TRUE(handedOver());
    ASSERT_TRUE(settles());
    script("location.href = '" + elsewhere.url("/landing") + "'");
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return script("document.title") == "tried"; }, 20));
    RunLoop::main().runUntil([] { return false; }, 0.3);
    EXPECT_EQ(host->count("did"), 0);
}

} // namespace
