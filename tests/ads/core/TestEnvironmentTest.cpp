#include "tests/support/TestEnvironment.h"

#include "ads/core/PellarEndpoints.h"
#include "ads/core/PellarURLDownload.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/controls/WebView.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/views/Window.h"

#include <gtest/gtest.h>

// What one test changes in the process is gone when its environment goes, so
// the next test starts from the defaults whatever the last one did.
TEST(TestEnvironmentTest, EverythingATestChangedIsPutBack)
{
    auto defaultDataDirectory = Paths::dataDirectory();
    auto defaultAdServer = PellarEndpoints::defaultConfiguration().adServerURL;
    std::filesystem::path testDataDirectory;
    bool ran = false;
    {
        TestEnvironment environment({ .ui = true, .network = true });
        testDataDirectory = environment.dataDirectory().path();
        EXPECT_EQ(Paths::dataDirectory(), testDataDirectory);
        EXPECT_EQ(PellarEndpoints::adServerURL(), environment.server().url("/ad_request"));
        ASSERT_TRUE(environment.clock());

        PellarURLDownload::setTimeoutInterval(1);
        PellarURLDownload::setMaximumBodySize(10);
        WebView::setFactory([](const Rect&) { return std::shared_ptr<WebView>(); });
        auto window = View::make<Window>(Rect { 0, 0, 320, 480 });
        window->makeKeyAndVisible();
        RunLoop::main().performAfterDelay(1, [&] { ran = true; });
    }
    EXPECT_FALSE(std::filesystem::exists(testDataDirectory));
    EXPECT_EQ(Paths::dataDirectory(), defaultDataDirectory);
    EXPECT_EQ(PellarEndpoints::adServerURL(), defaultAdServer);
    EXPECT_EQ(PellarURLDownload::timeoutInterval(), PellarURLDownload::kTimeoutInterval);
    EXPECT_EQ(PellarURLDownload::maximumBodySize(), PellarURLDownload::kDefaultMaximumBodySize);
    EXPECT_FALSE(WebView::hasEngine());
    EXPECT_TRUE(Application::shared().windows().empty());
    // The next environment's clock never fires the last test's timers.
    TestEnvironment next({});
    RunLoop::main().advance(2);
    EXPECT_FALSE(ran);
}
