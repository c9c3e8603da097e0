#include "platform/foundation/RunLoop.h"
#include "platform/gtk/GtkHost.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/graphics/Image.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/views/Screen.h"
#include "platform/ui/views/Window.h"
#include "tests/platform/gtk/GtkDisplayTest.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <unistd.h>

// The desktop host shows the same picture as the headless compositor for the
// same views, whatever the window's size, full screen, the app's scale or
// the monitor's scale factor (GDK_SCALE=2 in its own CTest entry).
class GtkHostPictureTest : public GtkDisplayTest {
protected:
    void SetUp() override
    {
        GtkDisplayTest::SetUp();
        if (IsSkipped())
            return;
        m_dir = std::filesystem::temp_directory_path() / ("vantrel-picture-" + std::to_string(getpid()));
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override
    {
        m_views.clear();
        GtkDisplayTest::TearDown();
        std::error_code ignored;
        if (!m_dir.empty())
            std::filesystem::remove_all(m_dir, ignored);
    }

    // Every kind of node the renderer makes: colours, rounded clips and
    // borders, drawn text, an image stretched over its bounds, fades, a
    // rotation, a clip cutting a child off, and a layer with nothing drawn.
    void buildScreen()
    {
        auto window = View::make<Window>(Screen::mainScreen().bounds());
        window->setBackgroundColor(Color::black());
        auto square = View::make<View>(Rect { 40, 60, 80, 80 });
        square->setBackgroundColor(Color::whiteColor());
        square->layer().setCornerRadius(10);
        square->layer().setBorder(3, Color::redColor());
        window->addSubview(square);
        auto label = View::make<Label>(Rect { 10, 200, 250, 30 });
        label->setText("Stuck pixels: 0");
        label->setTextColor(Color::whiteColor());
        window->addSubview(label);
        auto image = View::make<ImageView>(Rect { 150, 40, 64, 48 });
        image->setImage(gradient());
        window->addSubview(image);
        auto faded = View::make<View>(Rect { 20, 260, 120, 60 });
        faded->setBackgroundColor(Color::greenColor());
        faded->setAlpha(0.5);
        window->addSubview(faded);
        auto turned = View::make<View>(Rect { 180, 280, 60, 40 });
        turned->setBackgroundColor(Color::blueColor());
        turned->setTransform(AffineTransform::makeRotation(M_PI / 6));
        window->addSubview(turned);
        auto clip = View::make<View>(Rect { 40, 360, 100, 60 });
        clip->setBackgroundColor(Color::grayColor());
        clip->setClipsToBounds(true);
        auto cut = View::make<View>(Rect { 60, 20, 100, 100 });
        cut->setBackgroundColor(Color::yellowColor());
        clip->addSubview(cut);
        window->addSubview(clip);
        auto empty = View::make<View>(Screen::mainScreen().bounds());
        window->addSubview(empty);
        window->makeKeyAndVisible();
        m_views = { window, square, label, image, faded, turned, clip, cut, empty };
    }

    static std::shared_ptr<Image> gradient()
    {
        auto surface = adoptGRef(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 32, 24));
        cairo_t* cr = cairo_create(surface.get());
        cairo_pattern_t* pattern = cairo_pattern_create_linear(0, 0, 32, 24);
        cairo_pattern_add_color_stop_rgb(pattern, 0, 1, 0.5, 0);
        cairo_pattern_add_color_stop_rgb(pattern, 1, 0, 0.5, 1);
        cairo_set_source(cr, pattern);
        cairo_paint(cr);
        cairo_pattern_destroy(pattern);
        cairo_destroy(cr);
        return Image::fromSurface(surface.get(), 1.0);
    }

    // Lets the window take its new size and draw.
    static void settle()
    {
        RunLoop::main().runUntil([] { return false; }, 0.3);
    }
    bool waitForDraws(GtkHost& host, int frames)
    {
        int target = host.drawCount() + frames;
        return RunLoop::main().runUntil([&] { return host.drawCount() >= target; }, 5.0);
    }

    // The share of pixels whose colour differs by more than `tolerance` in
    // any channel between the host's screenshot and the headless composite.
    double differenceFromHeadless(GtkHost& host, const std::string& name, int tolerance = 8)
    {
        std::string path = (m_dir / (name + ".png")).string();
        auto written = host.screenshot(path);
        EXPECT_TRUE(written.hasValue()) << name;
        auto shown = adoptGRef(cairo_image_surface_create_from_png(path.c_str()));
        double scale = host.renderScale();
        cairo_surface_t* headless = Application::shared().compositeScreen(scale);
        int width = cairo_image_surface_get_width(headless);
        int height = cairo_image_surface_get_height(headless);
        EXPECT_EQ(cairo_image_surface_get_width(shown.get()), width) << name;
        EXPECT_EQ(cairo_image_surface_get_height(shown.get()), height) << name;
        EXPECT_EQ(width, static_cast<int>(std::lround(Screen::mainScreen().bounds().width() * scale))) << name;
        if (cairo_image_surface_get_width(shown.get()) != width
            || cairo_image_surface_get_height(shown.get()) != height)
            return 1.0;
        cairo_surface_flush(headless);
        long differing = 0;
        for (int y = 0; y < height; ++y) {
            auto* a = reinterpret_cast<const uint32_t*>(
                cairo_image_surface_get_data(shown.get()) + y * cairo_image_surface_get_stride(shown.get()));
            auto* b = reinterpret_cast<const uint32_t*>(
                cairo_image_surface_get_data(headless) + y * cairo_image_surface_get_stride(headless));
            for (int x = 0; x < width; ++x) {
                for (int shift = 0; shift < 24; shift += 8) {
                    if (std::abs(static_cast<int>((a[x] >> shift) & 0xFF) - static_cast<int>((b[x] >> shift) & 0xFF))
                        > tolerance) {
                        ++differing;
                        break;
                    }
                }
            }
        }
        return static_cast<double>(differing) / (static_cast<double>(width) * height);
    }

    std::filesystem::path m_dir;
    std::vector<std::shared_ptr<View>> m_views;
};

TEST_F(GtkHostPictureTest, ResizedFullScreenAndBackTheHostShowsWhatHeadlessDraws)
{
    GtkHost host({ 1.0 });
    ASSERT_EQ(host.start(), GtkHost::StartResult::Started);
    buildScreen();
    ASSERT_TRUE(waitForDraws(host, 1));
    // Only edges drawn with anti-aliasing (the rotation, round corners) may differ.
    EXPECT_LT(differenceFromHeadless(host, "window"), 0.002);

    gtk_window_set_default_size(GTK_WINDOW(host.window()), 640, 500);
    ASSERT_TRUE(RunLoop::main().runUntil([] { return Screen::mainScreen().bounds().width() == 640; }, 5.0));
    settle();
    EXPECT_LT(differenceFromHeadless(host, "resized"), 0.002);

    GdkRectangle monitor;
    gdk_monitor_get_geometry(GtkHost::findMonitor("0"), &monitor);
    ASSERT_TRUE(host.showFullScreen(true, std::nullopt));
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return Screen::mainScreen().bounds().width() == monitor.width; }, 10.0));
    settle();
    EXPECT_LT(differenceFromHeadless(host, "full-screen"), 0.002);

    ASSERT_TRUE(host.showFullScreen(false, std::nullopt));
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return Screen::mainScreen().bounds().width() < monitor.width; }, 10.0));
    settle();
    EXPECT_LT(differenceFromHeadless(host, "windowed-again"), 0.002);
    host.close();
}

TEST_F(GtkHostPictureTest, AtTwicePixelsPerPointTheHostShowsWhatHeadlessDraws)
{
    GtkHost host({ 2.0 });
    ASSERT_EQ(host.start(), GtkHost::StartResult::Started);
    buildScreen();
    ASSERT_TRUE(waitForDraws(host, 1));
    EXPECT_EQ(host.renderScale(), 2.0 * gtk_widget_get_scale_factor(host.screenWidget()));
    EXPECT_LT(differenceFromHeadless(host, "scale-2"), 0.002);
    host.close();
}

// Its own CTest entry runs this with GDK_SCALE=2: the monitor's scale factor
// comes on top of the app's.
TEST_F(GtkHostPictureTest, OnAMonitorScaledTwiceTheHostShowsWhatHeadlessDraws)
{
    GtkHost host({ 1.0 });
    ASSERT_EQ(host.start(), GtkHost::StartResult::Started);
    buildScreen();
    ASSERT_TRUE(waitForDraws(host, 1));
    if (gtk_widget_get_scale_factor(host.screenWidget()) != 2)
        GTEST_SKIP() << "needs GDK_SCALE=2";
    // The app's scale shrinks to fit the halved monitor: the picture is drawn
    // between whole pixels per point.
    EXPECT_EQ(host.renderScale(), host.windowScale() * 2);
    EXPECT_LT(differenceFromHeadless(host, "monitor-scale-2"), 0.002);
    host.close();
}
