#include "platform/foundation/RunLoop.h"
#include "platform/gtk/GtkHost.h"
#include "platform/ui/layers/AnimationEngine.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/views/Window.h"

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

class GtkHostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!GtkHost::initialize())
            GTEST_SKIP() << "no display";
        RunLoop::main().reset();
        RunLoop::main().setClock(nullptr);
        Application::shared().reset();
    }
    void TearDown() override { Application::shared().reset(); }

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
    EXPECT_EQ(host.renderScale(), 2.0 * gtk_widget_get_scale_factor(host.drawingArea()));

    // Widget coordinates are points × 2: (250, 250) is the square's centre.
    host.pointerPressed(250, 250);
    host.pointerMoved(400, 500);
    host.pointerReleased(400, 500);
    EXPECT_EQ(square->began, 1);
    EXPECT_EQ(square->ended, 1);
    EXPECT_EQ(square->center(), (Point { 200, 250 }));
    ASSERT_TRUE(waitForDraws(host, 1)); // the move asked for a frame

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
