#include <pellar/pellar.h>

#include "embed/PellarEmbedding.h"
#include "platform/foundation/ManualClock.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/RunLoop.h"
#include "platform/gtk/GtkHost.h"
#include "platform/ui/layers/AnimationEngine.h"
#include "platform/ui/layers/Layer.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/views/Touch.h"
#include "platform/ui/views/View.h"
#include "platform/ui/views/Window.h"
#include "server/DemoServer.h"
#include "tests/support/TempDir.h"

#include "platform/foundation/Log.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <list>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

// What a banner told its application.
struct Heard {
    int received { 0 };
    std::vector<std::pair<GQuark, int>> failures;
    int presented { 0 };
    int dismissed { 0 };
    std::vector<std::string> notified;
};

void listen(PellarBanner* banner, Heard& heard)
{
    g_signal_connect(banner, "ad-received", G_CALLBACK(+[](PellarBanner*, Heard* h) { ++h->received; }), &heard);
    g_signal_connect(banner, "ad-failed", G_CALLBACK(+[](PellarBanner*, GError* error, Heard* h) {
        h->failures.emplace_back(error->domain, error->code);
    }),
        &heard);
    g_signal_connect(
        banner, "will-present-screen", G_CALLBACK(+[](PellarBanner*, Heard* h) { ++h->presented; }), &heard);
    g_signal_connect(
        banner, "did-dismiss-screen", G_CALLBACK(+[](PellarBanner*, Heard* h) { ++h->dismissed; }), &heard);
    g_signal_connect(banner, "notify", G_CALLBACK(+[](GObject*, GParamSpec* pspec, Heard* h) {
        h->notified.emplace_back(g_param_spec_get_name(pspec));
    }),
        &heard);
}

class PellarBannerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // Without a session bus the accessibility bridge would abort.
        g_setenv("GTK_A11Y", "none", TRUE);
        ASSERT_TRUE(gtk_init_check()) << "no display";
    }

    void SetUp() override
    {
        Paths::setDataDirectoryOverride(dataDirectory.path());
        DemoServer::Options options;
        options.port = 0;
        auto started = DemoServer::start(options);
        ASSERT_TRUE(started) << started.error().message;
        server = std::move(*started);
    }

    void TearDown() override
    {
        for (GtkWidget* window : windows)
            gtk_window_destroy(GTK_WINDOW(window));
        windows.clear();
        RunLoop::main().runUntil([] { return !PellarEmbedding::shared().screensWindow(); }, 5);
        RunLoop::main().setClock(nullptr);
        Paths::setDataDirectoryOverride(std::nullopt);
    }

    // A banner asking the test's server, shown at the bottom of a window of its own.
    PellarBanner* showBanner(const char* publisherId = "a1b2c3", int refreshInterval = -1)
    {
        auto* banner = PELLAR_BANNER(pellar_banner_new(publisherId));
        std::string base = server->baseURL();
        g_object_set(banner, "ad-server-url", (base + "/ad_request").c_str(), "media-host", base.c_str(),
            "refresh-interval", refreshInterval, nullptr);
        showInWindow({ GTK_WIDGET(banner) });
        return banner;
    }

    GtkWidget* showInWindow(const std::vector<GtkWidget*>& banners)
    {
        GtkWidget* window = gtk_window_new();
        GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
        GtkWidget* content = gtk_label_new("Content");
        gtk_widget_set_vexpand(content, TRUE);
        gtk_box_append(GTK_BOX(box), content);
        for (GtkWidget* banner : banners)
            gtk_box_append(GTK_BOX(box), banner);
        gtk_window_set_child(GTK_WINDOW(window), box);
        gtk_window_set_default_size(GTK_WINDOW(window), 360, 300);
        gtk_window_present(GTK_WINDOW(window));
        windows.push_back(window);
        return window;
    }

    size_t adRequests() const
    {
        size_t count = 0;
        for (auto& entry : server->log().entries())
            count += entry.path == "/ad_request";
        return count;
    }

    static bool waitFor(const std::function<bool()>& condition, double seconds = 15)
    {
        return RunLoop::main().runUntil(condition, seconds);
    }

    // A tap in the middle of the banner, as the pointer gives it.
    static void tap(PellarBanner* banner)
    {
        (void)banner;
        Application::shared().sendTouch(TouchPhase::Began, Point { 160, 24 });
        Application::shared().sendTouch(TouchPhase::Ended, Point { 160, 24 });
    }

    // What `window` shows now, as GTK renders it; written to `name` in the
    // build folder for a look. Null when the window is not on screen.
    static GdkTexture* render(GtkWidget* window, const char* name)
    {
        GskRenderer* renderer = gtk_native_get_renderer(GTK_NATIVE(window));
        int width = gtk_widget_get_width(window);
        int height = gtk_widget_get_height(window);
        if (!renderer || width <= 0 || height <= 0)
            return nullptr;
        GdkPaintable* paintable = gtk_widget_paintable_new(window);
        GtkSnapshot* snapshot = gtk_snapshot_new();
        gdk_paintable_snapshot(paintable, snapshot, width, height);
        GskRenderNode* node = gtk_snapshot_free_to_node(snapshot);
        g_object_unref(paintable);
        if (!node)
            return nullptr;
        graphene_rect_t viewport = GRAPHENE_RECT_INIT(0, 0, static_cast<float>(width), static_cast<float>(height));
        GdkTexture* texture = gsk_renderer_render_texture(renderer, node, &viewport);
        gsk_render_node_unref(node);
        std::string path = std::string(VANTREL_BINARY_DIR) + "/" + name;
        gdk_texture_save_to_png(texture, path.c_str());
        return texture;
    }

    // How many different colours a row of the texture has.
    static size_t coloursInRow(GdkTexture* texture, int y)
    {
        int width = gdk_texture_get_width(texture);
        int height = gdk_texture_get_height(texture);
        std::vector<guint32> pixels(static_cast<size_t>(width) * height);
        gdk_texture_download(texture, reinterpret_cast<guchar*>(pixels.data()), width * 4);
        std::set<guint32> colours(
            pixels.begin() + static_cast<long>(y) * width, pixels.begin() + static_cast<long>(y + 1) * width);
        return colours.size();
    }

    // What a banner tells, kept as long as the windows that may still notify.
    Heard& listenTo(PellarBanner* banner)
    {
        listen(banner, heard.emplace_back());
        return heard.back();
    }

    TempDir dataDirectory;
    std::list<Heard> heard;
    std::unique_ptr<DemoServer> server;
    std::vector<GtkWidget*> windows;
};

TEST_F(PellarBannerTest, PropertiesNotifyOnlyOnARealChange)
{
    auto* banner = PELLAR_BANNER(g_object_ref_sink(pellar_banner_new("a1b2c3")));
    Heard& heard = listenTo(banner);

    pellar_banner_set_keywords(banner, "pixels");
    pellar_banner_set_keywords(banner, "pixels");
    pellar_banner_set_keywords(banner, nullptr);
    pellar_banner_set_keywords(banner, nullptr);
    pellar_banner_set_publisher_id(banner, "a1b2c3");
    pellar_banner_set_refresh_interval(banner, -1);
    pellar_banner_set_refresh_interval(banner, 0);
    pellar_banner_set_test_mode(banner, FALSE);
    pellar_banner_set_test_mode(banner, TRUE);
    GdkRGBA red { 1, 0, 0, 1 };
    GdkRGBA sameRed { 1, 0, 0, 1 };
    pellar_banner_set_background_color(banner, &red);
    pellar_banner_set_background_color(banner, &sameRed);
    GDateTime* birth = g_date_time_new_utc(1980, 5, 17, 0, 0, 0);
    GDateTime* sameBirth = g_date_time_new_utc(1980, 5, 17, 0, 0, 0);
    pellar_banner_set_date_of_birth(banner, birth);
    pellar_banner_set_date_of_birth(banner, sameBirth);
    g_object_set(banner, "gender", "f", "gender", "f", nullptr);

    std::vector<std::string> expected { "keywords", "keywords", "refresh-interval", "test-mode", "background-color",
        "date-of-birth", "gender" };
    EXPECT_EQ(heard.notified, expected);
    EXPECT_EQ(pellar_banner_get_refresh_interval(banner), 0);
    EXPECT_TRUE(gdk_rgba_equal(pellar_banner_get_background_color(banner), &red));
    EXPECT_TRUE(g_date_time_equal(pellar_banner_get_date_of_birth(banner), birth));
    EXPECT_STREQ(pellar_banner_get_gender(banner), "f");
    EXPECT_EQ(pellar_banner_get_keywords(banner), nullptr);
    EXPECT_EQ(pellar_banner_get_primary_text_color(banner), nullptr);
    g_date_time_unref(birth);
    g_date_time_unref(sameBirth);
    g_assert_finalize_object(banner);
}

TEST_F(PellarBannerTest, EachMisuseGetsItsOwnCriticalAndChangesNothing)
{
    g_test_expect_message("Pellar", G_LOG_LEVEL_CRITICAL, "*publisher_id*");
    EXPECT_EQ(pellar_banner_new(nullptr), nullptr);
    g_test_assert_expected_messages();
    g_test_expect_message("Pellar", G_LOG_LEVEL_CRITICAL, "*publisher_id*");
    EXPECT_EQ(pellar_banner_new(""), nullptr);
    g_test_assert_expected_messages();

    auto* banner = PELLAR_BANNER(g_object_ref_sink(pellar_banner_new("a1b2c3")));
    g_test_expect_message("Pellar", G_LOG_LEVEL_CRITICAL, "*publisher_id*");
    pellar_banner_set_publisher_id(banner, "");
    g_test_assert_expected_messages();
    EXPECT_STREQ(pellar_banner_get_publisher_id(banner), "a1b2c3");

    g_test_expect_message("Pellar", G_LOG_LEVEL_CRITICAL, "*seconds >= -1*");
    pellar_banner_set_refresh_interval(banner, -2);
    g_test_assert_expected_messages();
    EXPECT_EQ(pellar_banner_get_refresh_interval(banner), -1);

    g_test_expect_message("Pellar", G_LOG_LEVEL_CRITICAL, "*gtk_widget_get_realized*");
    pellar_banner_request_ad(banner);
    g_test_assert_expected_messages();
    EXPECT_EQ(adRequests(), 0u);

    // From another thread: refused there, before anything is touched.
    g_test_expect_message("Pellar", G_LOG_LEVEL_CRITICAL, "*ON_ITS_THREAD*");
    GThread* thread = g_thread_new(
        "other",
        +[](gpointer data) -> gpointer {
            pellar_banner_set_keywords(PELLAR_BANNER(data), "from elsewhere");
            return nullptr;
        },
        banner);
    g_thread_join(thread);
    g_test_assert_expected_messages();
    EXPECT_EQ(pellar_banner_get_keywords(banner), nullptr);
    g_assert_finalize_object(banner);
}

TEST_F(PellarBannerTest, FirstMapAsksForAnAdAndReportsIt)
{
    PellarBanner* banner = showBanner();
    Heard& heard = listenTo(banner);
    ASSERT_TRUE(waitFor([&] { return heard.received + static_cast<int>(heard.failures.size()) > 0; }));
    EXPECT_EQ(heard.received, 1);
    EXPECT_TRUE(heard.failures.empty());
    EXPECT_EQ(adRequests(), 1u);

    int width = 0;
    int height = 0;
    gtk_widget_measure(GTK_WIDGET(banner), GTK_ORIENTATION_HORIZONTAL, -1, nullptr, &width, nullptr, nullptr);
    gtk_widget_measure(GTK_WIDGET(banner), GTK_ORIENTATION_VERTICAL, -1, nullptr, &height, nullptr, nullptr);
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 48);

    // The ad is drawn at the bottom of the window, under the content; the
    // window is looked at in embed-banner.png.
    RunLoop::main().runUntil([] { return false; }, 0.5);
    GdkTexture* shown = render(windows.back(), "embed-banner.png");
    ASSERT_TRUE(shown);
    int bottom = gdk_texture_get_height(shown);
    EXPECT_GT(coloursInRow(shown, bottom - 24), 3u);
    EXPECT_LE(coloursInRow(shown, bottom - 60), 3u);
    g_object_unref(shown);
}

TEST_F(PellarBannerTest, AnAnimationRedrawsTheBannerAtTheFrameRateAndEndsEvenWhileItIsHidden)
{
    PellarBanner* banner = showBanner();
    Heard& heard = listenTo(banner);
    ASSERT_TRUE(waitFor([&] { return heard.received > 0; }));
    auto bannerWindows = Application::shared().windows();
    ASSERT_FALSE(bannerWindows.empty());
    auto window = bannerWindows.front();
    int paints = 0;
    GdkFrameClock* clock = gtk_widget_get_frame_clock(windows.back());
    ASSERT_TRUE(clock);
    gulong handler
        = g_signal_connect(clock, "paint", G_CALLBACK(+[](GdkFrameClock*, int* count) { ++*count; }), &paints);
    auto fade = [&](double alpha) {
        View::beginAnimations();
        View::setAnimationDuration(0.3);
        window->setAlpha(alpha);
        View::commitAnimations();
    };

    // Drawn a few times while it runs, no faster than the animation rate, then not at all.
    fade(0.5);
    RunLoop::main().runUntil([] { return false; }, 0.6);
    EXPECT_GE(paints, 3);
    EXPECT_LE(paints, GtkHost::kAnimationFrameRate * 0.6 + 3);
    EXPECT_FALSE(AnimationEngine::shared().isRunning());
    int afterwards = paints;
    RunLoop::main().runUntil([] { return false; }, 0.3);
    EXPECT_EQ(paints, afterwards);

    // Hidden, nothing of it is drawn, but its animation still comes to its end.
    gtk_widget_set_visible(GTK_WIDGET(banner), FALSE);
    fade(1.0);
    EXPECT_TRUE(AnimationEngine::shared().isRunning());
    EXPECT_TRUE(waitFor([] { return !AnimationEngine::shared().isRunning(); }, 2));
    EXPECT_DOUBLE_EQ(window->layer().presentation().opacity, 1.0);
    g_signal_handler_disconnect(clock, handler);
}

TEST_F(PellarBannerTest, ServerDownIsANetworkFailure)
{
    // A port nobody listens on: the server is started and stopped first.
    std::string base = server->baseURL();
    server.reset();
    auto* banner = PELLAR_BANNER(pellar_banner_new("a1b2c3"));
    g_object_set(banner, "ad-server-url", (base + "/ad_request").c_str(), "media-host", base.c_str(), nullptr);
    Heard& heard = listenTo(banner);
    std::vector<std::string> lines;
    Log::setCaptureHook([&](const std::string& line) { lines.push_back(line); });
    showInWindow({ GTK_WIDGET(banner) });
    ASSERT_TRUE(waitFor([&] { return !heard.failures.empty(); }, 30));
    Log::setCaptureHook(nullptr);
    EXPECT_EQ(heard.received, 0);
    EXPECT_EQ(heard.failures[0], std::make_pair(PELLAR_ERROR, static_cast<int>(PELLAR_ERROR_NETWORK)));
    // The log says why by domain and code, never with the server's address.
    auto said = std::find_if(lines.begin(), lines.end(), [](auto& l) { return l.starts_with("Banner got no ad ("); });
    ASSERT_NE(said, lines.end());
    EXPECT_EQ(said->find("127.0.0.1"), std::string::npos);
}

TEST_F(PellarBannerTest, EachKindOfFailureHasItsOwnCode)
{
    // Answers staged by the demo service: nothing, a page that is no ad, a server error.
    struct Case {
        const char* path;
        PellarError code;
    };
    std::vector<Case> cases { { "/stage/empty", PELLAR_ERROR_NO_AD }, { "/landing/url", PELLAR_ERROR_INVALID_ANSWER },
        { "/stage/server-error", PELLAR_ERROR_FAILED } };
    std::string base = server->baseURL();
    std::vector<Heard*> heardFrom;
    std::vector<GtkWidget*> banners;
    for (auto& one : cases) {
        GtkWidget* banner = pellar_banner_new("a1b2c3");
        g_object_set(banner, "ad-server-url", (base + one.path).c_str(), "media-host", base.c_str(), nullptr);
        heardFrom.push_back(&listenTo(PELLAR_BANNER(banner)));
        banners.push_back(banner);
    }
    showInWindow(banners);
    ASSERT_TRUE(waitFor([&] {
        return std::all_of(heardFrom.begin(), heardFrom.end(), [](Heard* h) { return !h->failures.empty(); });
    }));
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].path);
        EXPECT_EQ(heardFrom[i]->received, 0);
        EXPECT_EQ(heardFrom[i]->failures[0], std::make_pair(PELLAR_ERROR, static_cast<int>(cases[i].code)));
    }
}

TEST_F(PellarBannerTest, RefreshComesByItselfAndHiddenTimeDoesNotCount)
{
    auto clock = std::make_shared<ManualClock>();
    RunLoop::main().setClock(clock);
    PellarBanner* banner = showBanner("a1b2c3", 40);
    Heard& heard = listenTo(banner);
    ASSERT_TRUE(waitFor([&] { return heard.received == 1; }));
    ASSERT_EQ(adRequests(), 1u);

    RunLoop::main().advance(39);
    EXPECT_EQ(adRequests(), 1u);
    RunLoop::main().advance(1);
    EXPECT_TRUE(waitFor([&] { return adRequests() == 2; }));

    // Hidden for ten minutes, then shown: the interval starts over only
    // from where it was paused.
    RunLoop::main().advance(30);
    GtkWidget* window = windows.back();
    gtk_widget_set_visible(window, FALSE);
    RunLoop::main().advance(600);
    RunLoop::main().runUntilIdle();
    EXPECT_EQ(adRequests(), 2u);
    gtk_widget_set_visible(window, TRUE);
    ASSERT_TRUE(waitFor([&] { return gtk_widget_get_mapped(GTK_WIDGET(banner)); }));
    RunLoop::main().advance(9);
    RunLoop::main().runUntilIdle();
    EXPECT_EQ(adRequests(), 2u);
    RunLoop::main().advance(1);
    EXPECT_TRUE(waitFor([&] { return adRequests() == 3; }));
}

TEST_F(PellarBannerTest, WithoutRefreshOnlyTheApplicationAsksAndNotTooOften)
{
    auto clock = std::make_shared<ManualClock>();
    RunLoop::main().setClock(clock);
    PellarBanner* banner = showBanner("a1b2c3", 0);
    Heard& heard = listenTo(banner);
    ASSERT_TRUE(waitFor([&] { return heard.received == 1; }));

    // The first fresh ad may come at once; the next only after the minimum interval.
    pellar_banner_request_ad(banner);
    ASSERT_TRUE(waitFor([&] { return adRequests() == 2; }));
    pellar_banner_request_ad(banner);
    RunLoop::main().runUntil([] { return false; }, 0.3);
    EXPECT_EQ(adRequests(), 2u);

    RunLoop::main().advance(30);
    pellar_banner_request_ad(banner);
    EXPECT_TRUE(waitFor([&] { return adRequests() == 3; }));
    RunLoop::main().advance(600);
    RunLoop::main().runUntil([] { return false; }, 0.3);
    EXPECT_EQ(adRequests(), 3u);
}

TEST_F(PellarBannerTest, ClickOpensTheBrowserOverTheBannersWindowAndClosingGivesItBack)
{
    PellarBanner* banner = showBanner();
    Heard& heard = listenTo(banner);
    ASSERT_TRUE(waitFor([&] { return heard.received == 1; }));
    // The banner's first ad links to a landing page.
    tap(banner);
    ASSERT_TRUE(waitFor([&] { return PellarEmbedding::shared().screensWindow() != nullptr; }));
    EXPECT_EQ(heard.presented, 1);
    GtkWidget* screens = PellarEmbedding::shared().screensWindow();
    EXPECT_EQ(GTK_WIDGET(gtk_window_get_transient_for(GTK_WINDOW(screens))), windows.back());
    EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(screens)));
    int width = 0;
    int height = 0;
    gtk_window_get_default_size(GTK_WINDOW(screens), &width, &height);
    EXPECT_GE(width, 320);
    EXPECT_GE(height, 480);
    // The browser's page is a web view inside that window.
    GtkWidget* page = nullptr;
    for (GtkWidget* child = gtk_widget_get_first_child(gtk_window_get_child(GTK_WINDOW(screens))); child;
         child = gtk_widget_get_next_sibling(child)) {
        if (g_str_has_prefix(G_OBJECT_TYPE_NAME(child), "WebKit"))
            page = child;
    }
    EXPECT_TRUE(page);
    RunLoop::main().runUntil([] { return false; }, 1.5);
    // The page is drawn in its place under the bars, not left black.
    GdkTexture* shown = render(screens, "embed-browser.png");
    ASSERT_TRUE(shown);
    EXPECT_GT(coloursInRow(shown, 140), 1u);
    g_object_unref(shown);

    // Closing the window is the browser's Done.
    gtk_window_close(GTK_WINDOW(screens));
    ASSERT_TRUE(waitFor([&] { return PellarEmbedding::shared().screensWindow() == nullptr; }));
    EXPECT_EQ(heard.dismissed, 1);
    EXPECT_TRUE(gtk_widget_get_mapped(GTK_WIDGET(banner)));
}

TEST_F(PellarBannerTest, DestroyedWithItsScreenOpenTheBannerClosesItAndGoes)
{
    PellarBanner* banner = showBanner();
    Heard& heard = listenTo(banner);
    ASSERT_TRUE(waitFor([&] { return heard.received == 1; }));
    tap(banner);
    ASSERT_TRUE(waitFor([&] { return PellarEmbedding::shared().screensWindow() != nullptr; }));

    g_object_ref(banner);
    gtk_window_destroy(GTK_WINDOW(windows.back()));
    windows.pop_back();
    EXPECT_EQ(PellarEmbedding::shared().screensWindow(), nullptr);
    g_assert_finalize_object(banner);
    // What the screen left running ends without a banner to call.
    RunLoop::main().runUntil([] { return false; }, 1);
    EXPECT_EQ(PellarEmbedding::shared().screensWindow(), nullptr);
}

TEST_F(PellarBannerTest, DestroyedDuringItsFirstRequestTheBannerGoesQuietly)
{
    PellarBanner* banner = showBanner();
    Heard& heard = listenTo(banner);
    g_object_ref(banner);
    gtk_window_destroy(GTK_WINDOW(windows.back()));
    windows.pop_back();
    g_assert_finalize_object(banner);
    RunLoop::main().runUntil([] { return false; }, 1);
    EXPECT_EQ(heard.received, 0);
}

TEST_F(PellarBannerTest, TwoBannersInOneWindowEachGetTheirOwnAd)
{
    std::string base = server->baseURL();
    std::vector<GtkWidget*> banners;
    std::vector<Heard*> heardFrom;
    for (int i = 0; i < 2; ++i) {
        GtkWidget* banner = pellar_banner_new(i ? "second" : "first");
        g_object_set(banner, "ad-server-url", (base + "/ad_request").c_str(), "media-host", base.c_str(), nullptr);
        heardFrom.push_back(&listenTo(PELLAR_BANNER(banner)));
        banners.push_back(banner);
    }
    showInWindow(banners);
    ASSERT_TRUE(waitFor([&] { return heardFrom[0]->received == 1 && heardFrom[1]->received == 1; }));
    EXPECT_EQ(adRequests(), 2u);
    std::vector<std::string> publishers;
    for (auto& entry : server->log().entries()) {
        if (entry.path == "/ad_request")
            publishers.push_back(entry.query.count("s") ? entry.query.at("s") : "");
    }
    // One request per banner, each with its own publisher.
    EXPECT_NE(publishers[0], publishers[1]);
}

} // namespace
