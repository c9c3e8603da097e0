#include "ads/clickthrough/PellarCanvasController.h"
#include "ads/clickthrough/PellarCanvasWebView.h"
#include "ads/core/PellarDelegate.h"
#include "ads/core/PellarEndpoints.h"
#include "ads/core/PellarView.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/SystemClock.h"
#include "platform/foundation/URL.h"
#include "platform/gtk/GtkWebView.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/views/Screen.h"
#include "platform/ui/views/Window.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TempDir.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

class DismissalHost final : public PellarDelegate {
public:
    std::string publisherId() override { return "test"; }
    void didDismissFullScreenModal() override { ++dismissed; }
    int dismissed { 0 };
};

std::string demoCanvasPage()
{
    std::ifstream in(VANTREL_SOURCE_DIR "/server/scenarios/default/canvas.html");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The canvas screen with a real WebKit page, on the real clock, against a
// loopback media host serving the demo service's canvas page.
class PellarCanvasWebKitTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!GtkWebView::registerOffscreen())
            GTEST_SKIP() << "no display";
        RunLoop::main().setClock(std::make_shared<SystemClock>());
        Paths::setDataDirectoryOverride(dataDirectory.path());
        savedEndpoints = PellarEndpoints::configuration();
        auto endpoints = savedEndpoints;
        endpoints.mediaHostURL = server.baseURL();
        PellarEndpoints::setConfiguration(endpoints);
        server.respond(PellarEndpoints::kCanvasPagePath, { 200, demoCanvasPage(), "text/html; charset=utf-8" });
        server.respond("/plain", { 200, "<html><title>Plain</title></html>", "text/html" });
        Application::shared().setOpenURLHook([this](const std::string& url) {
            opened.push_back(url);
            return true;
        });
        appWindow = View::make<Window>(Screen::mainScreen().bounds());
        banner = View::make<PellarView>(Rect { 0, 432, 320, 48 });
        appWindow->addSubview(banner);
        appWindow->makeKeyAndVisible();
        host = std::make_shared<DismissalHost>();
    }
    void TearDown() override
    {
        screen = nullptr;
        appWindow = nullptr;
        banner = nullptr;
        GtkWebView::unregister();
        Application::shared().reset();
        RunLoop::main().reset();
        RunLoop::main().setClock(nullptr);
        PellarEndpoints::setConfiguration(savedEndpoints);
        Paths::setDataDirectoryOverride(std::nullopt);
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
        return RunLoop::main().runUntil([&] { return !screen->canvas()->initialLoad(); }, 20);
    }
    bool closes()
    {
        return RunLoop::main().runUntil([&] { return host->dismissed > 0; }, 20);
    }
    bool settles()
    {
        return RunLoop::main().runUntil([&] { return !screen->canvas()->webView()->isBusy(); }, 20);
    }

    TempDir dataDirectory;
    LoopbackServer server;
    PellarEndpoints::Configuration savedEndpoints;
    std::shared_ptr<Window> appWindow;
    std::shared_ptr<PellarView> banner;
    std::shared_ptr<DismissalHost> host;
    std::shared_ptr<PellarCanvasController> screen;
    std::vector<std::string> opened;
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
    EXPECT_EQ(host->dismissed, 0);
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
    EXPECT_EQ(host->dismissed, 0);

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

} // namespace
