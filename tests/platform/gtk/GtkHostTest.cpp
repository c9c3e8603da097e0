#include "platform/gtk/GtkHost.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/layers/AnimationEngine.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/views/Screen.h"
#include "platform/ui/views/Window.h"

#include "tests/platform/gtk/GtkDisplayTest.h"

#include <gtest/gtest.h>

// Records where its touches go, like the test square.
class DraggableSquare : public View {
public:
    using View::View;
    void touchesBegan(const TouchSet&, const Event&) override { ++began; }
    void touchesMoved(const TouchSet& touches, const Event&) override
    {
        setCenter(touches.anyObject()->locationInView(superview()));
    }
    void touchesEnded(const TouchSet&, const Event&) override { ++ended; }
    void touchesCancelled(const TouchSet&, const Event&) override { ++cancelled; }
    int began { 0 }, ended { 0 }, cancelled { 0 };
};

class GtkHostTest : public GtkDisplayTest {
protected:
    // Runs the real main loop until GTK has drawn `frames` more times (or a time-out).
    bool waitForDraws(GtkHost& host, int frames)
    {
        int target = host.drawCount() + frames;
        return RunLoop::main().runUntil([&] { return host.drawCount() >= target; }, 5.0);
    }
};

TEST_F(GtkHostTest, AClickOnTheWindowReachesTheSquareAndIdleMeansNoRedraws)
{
    GtkHost host({ 2.0 });
    host.start();
    auto window = View::make<Window>(Rect { 0, 0, 320, 480 });
    window->setBackgroundColor(Color::black());
    auto square = View::make<DraggableSquare>(Rect { 99, 99, 52, 52 });
    square->setBackgroundColor(Color::whiteColor());
    window->addSubview(square);
    window->makeKeyAndVisible();
    ASSERT_TRUE(waitForDraws(host, 1));
    EXPECT_EQ(host.renderScale(), 2.0 * gtk_widget_get_scale_factor(host.screenWidget()));

    // Layers reach GTK as render nodes; a label's drawn pixels become one
    // texture, made again only when the label draws anew.
    auto label = View::make<Label>(Rect { 10, 400, 200, 30 });
    label->setText("Still");
    window->addSubview(label);
    ASSERT_TRUE(waitForDraws(host, 1));
    auto& renderer = host.screen()->renderer();
    uint64_t uploads = renderer.textureUploads();
    uint64_t labelDraws = label->layer().backingDrawCount();
    EXPECT_GE(labelDraws, 1u);

    // Widget coordinates are points × 2: (250, 250) is the square's centre.
    host.pointerPressed(250, 250);
    host.pointerMoved(400, 500);
    host.pointerReleased(400, 500);
    EXPECT_EQ(square->began, 1);
    EXPECT_EQ(square->ended, 1);
    EXPECT_EQ(square->center(), (Point { 200, 250 }));
    ASSERT_TRUE(waitForDraws(host, 1)); // the move asked for a frame
    EXPECT_EQ(renderer.textureUploads(), uploads);
    EXPECT_EQ(label->layer().backingDrawCount(), labelDraws);
    // Marked as needing display: drawn once more, one new texture.
    label->setText("Changed");
    ASSERT_TRUE(waitForDraws(host, 1));
    EXPECT_EQ(label->layer().backingDrawCount(), labelDraws + 1);
    EXPECT_EQ(renderer.textureUploads(), uploads + 1);

    // Nothing changes: GTK is not asked to draw again.
    int before = host.drawCount();
    RunLoop::main().runUntil([] { return false; }, 0.3);
    EXPECT_EQ(host.drawCount(), before);

    // An animation draws on the frame clock while it runs, and only then.
    View::beginAnimations();
    View::setAnimationDuration(0.3);
    square->setAlpha(0.2);
    View::commitAnimations();
    int atStart = host.drawCount();
    RunLoop::main().runUntil([] { return false; }, 0.6);
    EXPECT_GE(host.drawCount() - atStart, 3); // frames come as fast as the (loaded) display allows
    // ... but no faster than the host's animation rate.
    EXPECT_LE(host.drawCount() - atStart, GtkHost::kAnimationFrameRate * 0.6 + 3);
    EXPECT_FALSE(AnimationEngine::shared().isRunning());
    before = host.drawCount();
    RunLoop::main().runUntil([] { return false; }, 0.3);
    EXPECT_EQ(host.drawCount(), before);

    // A lost grab cancels the touch.
    host.pointerPressed(400, 500);
    host.pointerCancelled();
    EXPECT_EQ(square->cancelled, 1);
    EXPECT_FALSE(Application::shared().isTouchDown());
    host.close();
}

TEST_F(GtkHostTest, KeyEventsBecomeKeysAndTheWindowSizesTheScreen)
{
    EXPECT_EQ(GtkHost::keyFromEvent(GDK_KEY_space, GdkModifierType(0)), Key(Key::Code::Space));
    EXPECT_EQ(GtkHost::keyFromEvent(GDK_KEY_Right, GDK_SHIFT_MASK), Key(Key::Code::Right, Key::Shift));
    EXPECT_EQ(GtkHost::keyFromEvent(GDK_KEY_F11, GdkModifierType(0)), Key::function(11));
    EXPECT_EQ(GtkHost::keyFromEvent(GDK_KEY_question, GDK_SHIFT_MASK), Key::character("?", Key::Shift));
    EXPECT_EQ(GtkHost::keyFromEvent(GDK_KEY_KP_Add, GdkModifierType(0)), Key::character("+"));
    EXPECT_FALSE(GtkHost::keyFromEvent(GDK_KEY_Shift_L, GDK_SHIFT_MASK));
    // The scale shrinks in quarter steps until 320 × 480 points fit.
    EXPECT_EQ(GtkHost::fittingScale(2, 1280, 800 - 48), 1.5);
    EXPECT_EQ(GtkHost::fittingScale(1, 3840, 2160), 1);
    EXPECT_EQ(GtkHost::fittingScale(1, 100, 100), 0.25);

    GtkHost host({ 1.0 });
    ASSERT_EQ(host.start(), GtkHost::StartResult::Started);
    auto window = View::make<Window>(Screen::mainScreen().bounds());
    window->makeKeyAndVisible();
    ASSERT_TRUE(waitForDraws(host, 1));
    EXPECT_EQ(Screen::mainScreen().bounds(), (Rect { 0, 0, 320, 480 }));
    // A bigger window is a bigger screen, and the full-screen window follows it.
    gtk_window_set_default_size(GTK_WINDOW(host.window()), 640, 500);
    EXPECT_TRUE(RunLoop::main().runUntil([] { return Screen::mainScreen().bounds().width() == 640; }, 5.0));
    EXPECT_EQ(window->frame(), Screen::mainScreen().bounds());
    EXPECT_EQ(Screen::mainScreen().bounds().height(), 500);

    // Keys reach the application's delegate with no first responder.
    EXPECT_FALSE(host.keyPressed(GDK_KEY_a, GdkModifierType(0)));
    EXPECT_FALSE(GtkHost::findMonitor("no-such-connector"));
    EXPECT_TRUE(GtkHost::findMonitor("0"));
    host.close();
}

// Run by its own CTest entry on a bare 3840 × 2160 X server (no window
// manager); skipped on any other display.
TEST_F(GtkHostTest, FullScreenCoversA4KMonitorWithoutAWindowManager)
{
    GdkMonitor* monitor = GtkHost::findMonitor("0");
    ASSERT_TRUE(monitor);
    GdkRectangle geometry;
    gdk_monitor_get_geometry(monitor, &geometry);
    if (geometry.width != 3840 || geometry.height != 2160)
        GTEST_SKIP() << "needs a 3840 x 2160 display";
    GtkHost::Options options;
    options.fullScreen = true;
    GtkHost host(options);
    ASSERT_EQ(host.start(), GtkHost::StartResult::Started);
    auto window = View::make<Window>(Screen::mainScreen().bounds());
    auto square = View::make<DraggableSquare>(Rect { 99, 99, 52, 52 });
    square->setBackgroundColor(Color::whiteColor());
    window->addSubview(square);
    window->makeKeyAndVisible();
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return gtk_widget_get_width(host.window()) == 3840; }, 10.0));
    EXPECT_EQ(gtk_widget_get_height(host.window()), 2160);
    EXPECT_TRUE(Application::shared().isFullScreen());
    EXPECT_EQ(Screen::mainScreen().bounds(), (Rect { 0, 0, 3840, 2160 }));
    EXPECT_EQ(window->frame(), Screen::mainScreen().bounds());
    // The square reaches the bottom-right pixel.
    host.pointerPressed(125, 125);
    host.pointerMoved(3839.5, 2159.5);
    host.pointerReleased(3839.5, 2159.5);
    EXPECT_EQ(square->center(), (Point { 3839.5, 2159.5 }));
    host.close();
}
