#include "ads/clickthrough/PellarBrowserController.h"
#include "platform/foundation/URL.h"
#include "tests/ads/clickthrough/ClickthroughTestSupport.h"
#include "tests/support/OffscreenWebKit.h"

#include <gtest/gtest.h>

namespace {

// The embedded browser with a real WebKit page, on the real clock.
class PellarBrowserWebKitTest : public ClickthroughFixture {
protected:
    PellarBrowserWebKitTest()
        : ClickthroughFixture({ .manualClock = false, .network = true }, WebViews::Engine)
    {
    }
    void SetUp() override
    {
        if (!webKit.isAvailable())
            GTEST_SKIP() << "no display";
        ClickthroughFixture::SetUp();
        server.respond("/landing",
            { 200,
                "<html><body><a id='tel' href='tel:+15555550100'>Call</a> <a id='mail' "
                "href='mailto:a@b.example'>Mail</a>"
                " <a id='sms' href='sms:5550100'>Text</a></body></html>",
                "text/html" });
    }
    void TearDown() override
    {
        ClickthroughFixture::TearDown();
        // The pages go before the engine does.
        browser = nullptr;
        appWindow = nullptr;
        content = nullptr;
        banner = nullptr;
        Application::shared().reset();
    }
    bool settles()
    {
        return OffscreenWebKit::await(
            [&] { return !browser->webView()->isBusy() && !browser->webView()->isLoading(); });
    }

    OffscreenWebKit webKit;
    LoopbackServer& server { environment.server() };
    std::shared_ptr<PellarBrowserController> browser;
};

TEST_F(PellarBrowserWebKitTest, LinksHandedToTheSystemShowNoErrorAfterwards)
{
    browser = PellarBrowserController::create();
    browser->presentBrowserFromView(banner, *URL::withString(server.url("/landing")), host);
    ASSERT_TRUE(RunLoop::main().runUntil(
        [&] {
            return browser->webView()->stringByEvaluatingJavaScriptFromString(
                       "document.readyState == 'complete' && !!document.getElementById('sms')")
                == "true";
        },
        20));
    ASSERT_TRUE(settles());
    const std::pair<const char*, const char*> links[] { { "tel", "tel:+15555550100" }, { "mail", "mailto:a@b.example" },
        { "sms", "sms:5550100" } };
    for (auto& [id, url] : links) {
        SCOPED_TRACE(id);
        opened.clear();
        browser->webView()->stringByEvaluatingJavaScriptFromString(
            std::string("document.getElementById('") + id + "').click()");
        ASSERT_TRUE(RunLoop::main().runUntil([&] { return !opened.empty(); }, 20));
        EXPECT_EQ(opened, std::vector<std::string> { url });
        // Whatever the engine makes of it, it has had a second to say so.
        RunLoop::main().runUntil([] { return false; }, 1.0);
        ASSERT_TRUE(settles());
        EXPECT_TRUE(AlertView::visibleAlerts().empty());
        EXPECT_EQ(browser->webView()->currentURL(), server.url("/landing"));
    }
}

} // namespace
