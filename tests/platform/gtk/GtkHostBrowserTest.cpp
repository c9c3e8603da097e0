#include "platform/foundation/RunLoop.h"
#include "platform/gtk/GtkHost.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/controls/WebView.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/views/Window.h"
#include "tests/platform/gtk/GtkDisplayTest.h"
#include "tests/support/LoopbackServer.h"

#include <gtest/gtest.h>

namespace {

class LoadWatcher final : public WebViewDelegate {
public:
    void webViewDidFinishLoad(WebView&) override { ++ends; }
    void webViewDidFailLoad(WebView&, const URLError&) override { ++ends; }
    int ends { 0 };
};

int childCount(GtkWidget* widget)
{
    int count = 0;
    for (GtkWidget* child = gtk_widget_get_first_child(widget); child; child = gtk_widget_get_next_sibling(child))
        ++count;
    return count;
}

} // namespace

// A page opened over the screen and closed again, twenty times: the host
// keeps no page widget, picture or render node of it afterwards.
using GtkHostBrowserTest = GtkDisplayTest;

TEST_F(GtkHostBrowserTest, OpeningAndClosingAPageTwentyTimesLeavesNothingBehind)
{
    LoopbackServer server;
    server.respond(
        "/page", { 200, "<html><body style='background:#08f'><h1>Landing page</h1></body></html>", "text/html" });
    {
        GtkHost host({ 1.0 });
        ASSERT_EQ(host.start(), GtkHost::StartResult::Started);
        if (!WebView::hasEngine()) {
            host.close();
            GTEST_SKIP() << "built without a web engine";
        }
        auto window = View::make<Window>(Rect { 0, 0, 320, 480 });
        window->setBackgroundColor(Color::black());
        auto label = View::make<Label>(Rect { 10, 440, 300, 30 });
        label->setText("Under the page");
        window->addSubview(label);
        window->makeKeyAndVisible();
        auto drawn = [&](int frames) {
            int target = host.drawCount() + frames;
            return RunLoop::main().runUntil([&] { return host.drawCount() >= target; }, 5.0);
        };
        ASSERT_TRUE(drawn(1));
        auto& renderer = host.screen()->renderer();
        size_t pictures = renderer.cachedTextureCount();
        size_t tiles = renderer.cachedTileCount();
        int children = childCount(host.screenWidget());

        auto watcher = std::make_shared<LoadWatcher>();
        for (int i = 0; i < 20; ++i) {
            auto page = WebView::create(Rect { 0, 20, 320, 400 });
            page->setDelegate(watcher);
            window->addSubview(page);
            int ends = watcher->ends;
            page->loadURL(server.url("/page"));
            ASSERT_TRUE(RunLoop::main().runUntil([&] { return watcher->ends > ends && !page->isBusy(); }, 20.0))
                << "page " << i;
            ASSERT_TRUE(drawn(1));
            EXPECT_EQ(childCount(host.screenWidget()), children + 1);
            page->removeFromSuperview();
            page.reset();
            ASSERT_TRUE(drawn(1));
            EXPECT_EQ(childCount(host.screenWidget()), children) << "page " << i;
            EXPECT_EQ(renderer.cachedTextureCount(), pictures) << "page " << i;
            EXPECT_EQ(renderer.cachedTileCount(), tiles) << "page " << i;
        }
        // The page's place is drawn again from what is under it.
        EXPECT_FALSE(renderer.lastFrameDamage().empty());
        host.close();
    }
    Application::shared().reset();
    RunLoop::main().reset();
}
