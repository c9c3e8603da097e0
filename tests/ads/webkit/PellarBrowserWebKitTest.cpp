#include "ads/clickthrough/PellarBrowserController.h"
#include "ads/core/PellarDelegate.h"
#include "ads/core/PellarView.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/SystemClock.h"
#include "platform/foundation/URL.h"
#include "platform/gtk/GtkWebView.h"
#include "platform/ui/controls/AlertView.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/views/Screen.h"
#include "platform/ui/views/Window.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

class QuietHost final : public PellarDelegate {
public:
    std::string publisherId() override { return "test"; }
};

// The embedded browser with a real WebKit page, on the real clock.
class PellarBrowserWebKitTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!GtkWebView::registerOffscreen())
            GTEST_SKIP() << "no display";
        RunLoop::main().setClock(std::make_shared<SystemClock>());
        Paths::setDataDirectoryOverride(dataDirectory.path());
        server.respond("/landing",
            { 200,
                "<html><body><a id='tel' href='tel:+15555550100'>Call</a> <a id='mail' "
                "href='mailto:a@b.example'>Mail</a>"
                " <a id='sms' href='sms:5550100'>Text</a></body></html>",
                "text/html" });
        Application::shared().setOpenURLHook([this](const std::string& url) {
            opened.push_back(url);
            return true;
        });
        appWindow = View::make<Window>(Screen::mainScreen().bounds());
        banner = View::make<PellarView>(Rect { 0, 432, 320, 48 });
        appWindow->addSubview(banner);
        appWindow->makeKeyAndVisible();
        host = std::make_shared<QuietHost>();
    }
    void TearDown() override
    {
        for (auto& alert : AlertView::visibleAlerts())
            alert->dismissWithClickedButtonIndex(0, false);
        browser = nullptr;
        appWindow = nullptr;
        banner = nullptr;
        GtkWebView::unregister();
        Application::shared().reset();
        RunLoop::main().reset();
        RunLoop::main().setClock(nullptr);
        Paths::setDataDirectoryOverride(std::nullopt);
    }
    bool settles()
    {
        return RunLoop::main().runUntil(
            [&] { return !browser->webView()->isBusy() && !browser->webView()->isLoading(); }, 20);
    }

    TempDir dataDirectory;
    LoopbackServer server;
    std::shared_ptr<Window> appWindow;
    std::shared_ptr<PellarView> banner;
    std::shared_ptr<QuietHost> host;
    std::shared_ptr<PellarBrowserController> browser;
    std::vector<std::string> opened;
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
