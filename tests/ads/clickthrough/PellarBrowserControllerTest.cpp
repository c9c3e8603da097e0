#include "ads/clickthrough/PellarBrowserController.h"
#include "ClickthroughTestSupport.h"
#include "ads/core/PellarEndpoints.h"
#include "ads/core/PellarStoreURLCleaner.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/URL.h"
#include "platform/ui/controls/ActionSheet.h"
#include "platform/ui/controls/ActivityIndicatorView.h"
#include "platform/ui/controls/BarButtonItem.h"
#include "platform/ui/controls/NavigationBar.h"
#include "platform/ui/controls/NavigationItem.h"
#include "platform/ui/controls/Toolbar.h"

namespace {

class PellarBrowserControllerTest : public ClickthroughFixture {
protected:
    void present(const std::string& address = "http://127.0.0.1:1/landing")
    {
        browser = PellarBrowserController::create();
        browser->presentBrowserFromView(banner, *URL::withString(address), host);
        page = std::dynamic_pointer_cast<ScriptedWebView>(browser->webView());
        advance(0.8);
    }
    std::vector<std::string> toolbarLabels() const
    {
        std::vector<std::string> labels;
        for (auto& item : browser->bottomToolbar()->items()) {
            if (item->kind() == BarButtonItem::Kind::FlexibleSpace)
                labels.push_back("|");
            else
                labels.push_back(
                    item->accessibilityLabel().value_or(item->title()) + (item->isEnabled() ? "" : "(off)"));
        }
        return labels;
    }
    int spinnersInTopBar() const
    {
        int count = 0;
        for (auto& sub : browser->topToolbar()->subviews())
            count += std::dynamic_pointer_cast<ActivityIndicatorView>(sub) ? 1 : 0;
        return count;
    }

    std::shared_ptr<PellarBrowserController> browser;
    std::shared_ptr<ScriptedWebView> page;
};

TEST_F(PellarBrowserControllerTest, BuildsTheScreenAroundThePage)
{
    host->barStyle = 1;
    host->tint = Color::rgba(0.5, 0.1, 0.1);
    present();
    ASSERT_TRUE(page);
    EXPECT_EQ(page->requests, std::vector<std::string> { "http://127.0.0.1:1/landing" });
    EXPECT_EQ(page->frame(), (Rect { 0, 44, 320, 392 }));
    EXPECT_EQ(browser->bottomToolbar()->frame(), (Rect { 0, 436, 320, 44 }));
    EXPECT_EQ(browser->topToolbar()->frame(), (Rect { 0, 0, 320, 44 }));
    EXPECT_EQ(browser->bottomToolbar()->barStyle(), Toolbar::Style::Black);
    EXPECT_EQ(browser->topToolbar()->tintColor(), host->tint->value());
    auto& subviews = browser->view()->subviews();
    ASSERT_EQ(subviews.size(), 3u);
    EXPECT_EQ(subviews[2], browser->webView());
    EXPECT_EQ(browser->topNavItem()->leftBarButtonItem()->title(), "Done");
    EXPECT_EQ(toolbarLabels(),
        (std::vector<std::string> { "Back(off)", "|", "Forward(off)", "|", "Refresh", "|", "Action" }));
}

TEST_F(PellarBrowserControllerTest, LoadingShowsOneSpinnerThenTheTitle)
{
    present();
    page->start();
    page->start();
    page->start();
    EXPECT_EQ(spinnersInTopBar(), 1);
    EXPECT_EQ(browser->topNavItem()->title(), "");
    EXPECT_EQ(toolbarLabels()[4], "Stop");
    browser->bottomToolbar()->items()[4]->trigger();
    EXPECT_EQ(page->stopCalls, 1);

    page->back = true;
    page->finish("Landing page", "http://127.0.0.1:1/landing");
    EXPECT_EQ(spinnersInTopBar(), 0);
    EXPECT_FALSE(browser->spinner());
    EXPECT_EQ(browser->topNavItem()->title(), "Landing page");
    EXPECT_EQ(toolbarLabels()[0], "Back");
    EXPECT_EQ(toolbarLabels()[4], "Refresh");
    browser->bottomToolbar()->items()[0]->trigger();
    EXPECT_EQ(page->backCalls, 1);
}

TEST_F(PellarBrowserControllerTest, FailedLoadsShowTheTablesAlertExceptWhenCancelled)
{
    present();
    struct Case {
        int code;
        const char* message;
    };
    const Case cases[] = {
        { -1009, "Couldn't connect to that page." },
        { -1003, "That page could not be loaded." },
        { -1004, "Couldn't connect to that page." },
        { -999, nullptr },
    };
    for (auto& c : cases) {
        page->start();
        page->fail(c.code);
        auto alerts = AlertView::visibleAlerts();
        if (!c.message) {
            EXPECT_TRUE(alerts.empty()) << c.code;
            continue;
        }
        ASSERT_EQ(alerts.size(), 1u) << c.code;
        EXPECT_EQ(alerts[0]->title(), "Whoops");
        EXPECT_EQ(alerts[0]->message(), c.message);
        EXPECT_EQ(alerts[0]->numberOfButtons(), 1);
        EXPECT_EQ(alerts[0]->buttonTitleAtIndex(0), "Ok");
        EXPECT_FALSE(browser->spinner());
        alerts[0]->dismissWithClickedButtonIndex(0, false);
    }
}

TEST_F(PellarBrowserControllerTest, NavigationsFollowTheRules)
{
    present();
    EXPECT_FALSE(page->navigate("tel:+15551234"));
    EXPECT_FALSE(page->navigate("file:///etc/passwd"));
    EXPECT_TRUE(page->navigate("http://127.0.0.1:1/next"));
    EXPECT_EQ(opened, std::vector<std::string> { "tel:+15551234" });
    // A store link on a store host is cleaned and opened at once, once, and
    // not loaded here as well: the refused load shows no error.
    opened.clear();
    EXPECT_FALSE(page->navigate("http://apps.store.example/app/id1?mt=8"));
    ASSERT_TRUE(browser->cleaner());
    EXPECT_EQ(opened, std::vector<std::string> { "http://" + PellarEndpoints::primaryStoreHost() + "/app/id1?mt=8" });
    page->fail(-999);
    EXPECT_TRUE(AlertView::visibleAlerts().empty());
}

TEST_F(PellarBrowserControllerTest, TheScreenFollowsTheWindowAndEscapeIsDone)
{
    present();
    page->start();
    // A bigger window, then a smaller one: bars and page keep to the full size.
    for (Size size : { Size { 480, 720 }, Size { 1000, 400 }, Size { 320, 480 } }) {
        Screen::mainScreen().setSize(size);
        EXPECT_EQ(browser->topToolbar()->frame(), (Rect { 0, 0, size.width, 44 }));
        EXPECT_EQ(browser->bottomToolbar()->frame(), (Rect { 0, size.height - 44, size.width, 44 }));
        EXPECT_EQ(page->frame(), (Rect { 0, 44, size.width, size.height - 88 }));
        ASSERT_TRUE(browser->spinner());
        EXPECT_NEAR(browser->spinner()->center().x, size.width / 2, 1e-9);
    }
    page->finish("Page", "http://127.0.0.1:1/landing");

    // Escape cancels the sheet first, then it is Done, once.
    browser->systemAction();
    ASSERT_EQ(ActionSheet::visibleSheets().size(), 1u);
    EXPECT_TRUE(Application::shared().sendKey(*Key::fromName("Escape")));
    EXPECT_TRUE(ActionSheet::visibleSheets().empty());
    EXPECT_TRUE(browser->isKeyWindow());
    EXPECT_TRUE(opened.empty());
    EXPECT_TRUE(Application::shared().sendKey(*Key::fromName("Escape")));
    EXPECT_TRUE(Application::shared().sendKey(*Key::fromName("Escape")));
    EXPECT_EQ(host->events, (std::vector<std::string> { "will", "did" }));
    advance(0.8);
    EXPECT_FALSE(browser->modalWindow());
    EXPECT_EQ(visibleWindowCount(), 1);
}

TEST_F(PellarBrowserControllerTest, ActionSheetHandsThePageToTheSystem)
{
    present();
    page->finish("Fish & Chips", "http://127.0.0.1:1/menu?a=1");
    browser->systemAction();
    auto sheets = ActionSheet::visibleSheets();
    ASSERT_EQ(sheets.size(), 1u);
    EXPECT_EQ(sheets[0]->numberOfButtons(), 3);
    EXPECT_EQ(sheets[0]->buttonTitleAtIndex(0), "Open in Browser");
    EXPECT_EQ(sheets[0]->buttonTitleAtIndex(1), "Email link");
    EXPECT_EQ(sheets[0]->cancelButtonIndex(), 2);
    EXPECT_FALSE(browser->isKeyWindow());
    sheets[0]->dismissWithClickedButtonIndex(2, false);
    EXPECT_TRUE(browser->isKeyWindow());

    browser->actionSheetClickedButtonAtIndex(*sheets[0], 2);
    EXPECT_TRUE(opened.empty());
    browser->actionSheetClickedButtonAtIndex(*sheets[0], 0);
    browser->actionSheetClickedButtonAtIndex(*sheets[0], 1);
    EXPECT_EQ(opened,
        (std::vector<std::string> {
            "http://127.0.0.1:1/menu?a=1", "mailto:?subject=Fish%20%26%20Chips&body=http://127.0.0.1:1/menu?a%3D1" }));
}

TEST_F(PellarBrowserControllerTest, DoneTellsTheHostOnceAndKeepsThePageAWhile)
{
    present();
    page->finish("Page", "http://127.0.0.1:1/landing");
    std::weak_ptr<WebView> weakPage = page;
    page = nullptr;
    browser->topNavItem()->leftBarButtonItem()->trigger();
    browser->topNavItem()->leftBarButtonItem()->trigger();
    EXPECT_EQ(host->events, (std::vector<std::string> { "will", "did" }));
    advance(0.8);
    EXPECT_FALSE(browser->modalWindow());
    EXPECT_EQ(visibleWindowCount(), 1);
    EXPECT_FALSE(banner->isHidden());
    browser = nullptr;
    EXPECT_FALSE(weakPage.expired());
    advance(10);
    EXPECT_TRUE(weakPage.expired());
}

TEST_F(PellarBrowserControllerTest, WithoutAnEngineTheLoadFailsWithAReason)
{
    WebView::setFactory(nullptr);
    std::vector<std::string> logged;
    Log::setCaptureHook([&](const std::string& line) { logged.push_back(line); });
    present();
    Log::setCaptureHook(nullptr);
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_NE(logged[0].find("no web engine"), std::string::npos);
    auto alerts = AlertView::visibleAlerts();
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0]->message(), "Couldn't connect to that page.");
}

} // namespace
