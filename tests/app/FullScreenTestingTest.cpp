#include "app/FeedbackToast.h"
#include "app/FullScreenChrome.h"
#include "platform/ui/controls/Label.h"
#include "tests/app/AppTestSupport.h"

// Testing in full screen: banner and toolbar step aside while nobody moves,
// the position strip keeps clear of the square, and the interval reads as a number.
class FullScreenTestingTest : public AppTest {
protected:
    bool key(const std::string& name)
    {
        bool used = Application::shared().sendKey(*Key::fromName(name));
        settle();
        return used;
    }
    View* mainToolbar()
    {
        // The screen's only 44-point bar.
        for (auto& view : screen->view()->subviews()) {
            if (view->bounds().size.height == 44)
                return view.get();
        }
        return nullptr;
    }
};

TEST_F(FullScreenTestingTest, ControlsStepAsideOnlyInAFullScreenTestAndComeBackOnAnyActivity)
{
    launch();
    dismissWarning();
    auto* bar = mainToolbar();
    ASSERT_TRUE(bar);
    // Running in a window, or in full screen but stopped: the controls stay.
    key("space");
    advance(5);
    EXPECT_FALSE(screen->chrome()->isAway());
    key("space");
    Application::shared().setFullScreen(true);
    advance(5);
    EXPECT_FALSE(screen->chrome()->isAway());

    key("space");
    // Not while another window (an alert, a click-through screen) has the keys.
    auto alert = View::make<AlertView>("Note", "", std::weak_ptr<AlertViewDelegate>(), std::string("OK"));
    alert->show();
    advance(3.5);
    EXPECT_FALSE(screen->chrome()->isAway());
    alert->dismissWithClickedButtonIndex(0, false);
    Application::shared().pointerDidMove({ 90, 90 });
    advance(2.9);
    EXPECT_FALSE(screen->chrome()->isAway());
    // Movement at 2.9 s starts the wait anew.
    Application::shared().pointerDidMove({ 100, 100 });
    advance(2.9);
    EXPECT_FALSE(screen->chrome()->isAway());
    advance(0.2);
    EXPECT_TRUE(screen->chrome()->isAway());
    EXPECT_TRUE(Application::shared().isPointerHidden());
    advance(FullScreenChrome::kSlideDuration + 0.1);
    EXPECT_TRUE(bar->isHidden());
    EXPECT_GE(bar->frame().minY(), screen->view()->bounds().height());

    // The pointer brings them back; so does a key, once they went again.
    Application::shared().pointerDidMove({ 101, 100 });
    EXPECT_FALSE(screen->chrome()->isAway());
    EXPECT_FALSE(bar->isHidden());
    EXPECT_FALSE(Application::shared().isPointerHidden());
    advance(FullScreenChrome::kSlideDuration + 0.1);
    EXPECT_EQ(bar->frame().maxY(), screen->view()->bounds().height());
    advance(3.1);
    ASSERT_TRUE(screen->chrome()->isAway());
    key("Right");
    EXPECT_FALSE(screen->chrome()->isAway());

    // Leaving full screen or stopping the test while they are away brings them back.
    advance(3.5);
    ASSERT_TRUE(screen->chrome()->isAway());
    Application::shared().setFullScreen(false);
    EXPECT_FALSE(screen->chrome()->isAway());
    EXPECT_FALSE(bar->isHidden());
    advance(10);
    EXPECT_FALSE(screen->chrome()->isAway());
}

TEST_F(FullScreenTestingTest, MovesToTheNextMonitorThroughTheHost)
{
    int moves = 0;
    Application::shared().setMoveToNextMonitorHook([&] {
        ++moves;
        return true;
    });
    launch();
    dismissWarning();
    EXPECT_TRUE(key("m"));
    EXPECT_TRUE(key("M"));
    EXPECT_EQ(moves, 2);
}

TEST_F(FullScreenTestingTest, IntervalReadsAsSecondsAndChangesPerSecond)
{
    EXPECT_EQ(vcVantrel::intervalText(0.5), "0.50 s · 2 changes/s");
    EXPECT_EQ(vcVantrel::intervalText(1.0), "1.00 s · 1 change/s");
    EXPECT_EQ(vcVantrel::intervalText(3.0), "3.00 s · 0.33 changes/s");
    EXPECT_EQ(vcVantrel::intervalText(0.3), "0.30 s · 3.3 changes/s");
    EXPECT_EQ(vcVantrel::intervalText(0.1), "0.10 s · 10 changes/s");
    EXPECT_EQ(vcVantrel::intervalText(0.05), "0.05 s · 20 changes/s");
    EXPECT_EQ(vcVantrel::intervalText(0.9), "0.90 s · 1.1 changes/s");
    // Never divides by nothing.
    EXPECT_EQ(vcVantrel::intervalText(0), "0.01 s · 100 changes/s");

    launch();
    dismissWarning();
    // + shows the new interval for a moment, then it fades.
    key("plus");
    ASSERT_TRUE(screen->intervalToast().isVisible());
    EXPECT_EQ(screen->intervalToast().label()->text(), "0.90 s · 1.1 changes/s");
    advance(1.0);
    key("minus");
    advance(1.0);
    // The second press started the moment anew.
    EXPECT_TRUE(screen->intervalToast().isVisible());
    EXPECT_EQ(screen->intervalToast().label()->text(), "1.00 s · 1 change/s");
    advance(FeedbackToast::kShownSeconds + FeedbackToast::kFadeSeconds);
    EXPECT_FALSE(screen->intervalToast().isVisible());
}

TEST_F(FullScreenTestingTest, PositionStripKeepsClearOfTheSquareAndUnderThePage)
{
    launch();
    dismissWarning();
    key("i");
    ASSERT_TRUE(screen->squareInfoVisible());
    auto clearOfSquare = [&] {
        Rect strip = screen->squareInfoFrame();
        Point c = screen->squareBorder()->center();
        double half = screen->squareBorder()->bounds().width() * 1.5 / 2;
        return !strip.intersects({ c.x - half, c.y - half, 2 * half, 2 * half });
    };
    // The square at the top right, then the top left, then the bottom left.
    for (Point place : { Point { 280, 70 }, Point { 40, 70 }, Point { 40, 420 }, Point { 160, 240 } }) {
        screen->squareBorder()->setCenter(place);
        key("Right");
        Rect strip = screen->squareInfoFrame();
        EXPECT_FALSE(strip.isEmpty()) << place.x << "," << place.y;
        EXPECT_TRUE(clearOfSquare()) << place.x << "," << place.y;
    }
    // A square bigger than the screen leaves no corner: the strip waits, hidden.
    screen->setSquareSize(600);
    EXPECT_TRUE(screen->squareInfoFrame().isEmpty());
    screen->setSquareSize(50);
    EXPECT_FALSE(screen->squareInfoFrame().isEmpty());

    // The information page covers it.
    auto subviews = screen->view()->subviews();
    auto order = [&](const View* view) {
        return std::find_if(subviews.begin(), subviews.end(), [&](auto& v) { return v.get() == view; })
            - subviews.begin();
    };
    View* strip = nullptr;
    for (auto& v : subviews) {
        if (auto label = std::dynamic_pointer_cast<Label>(v); label && label->text().starts_with("x "))
            strip = label.get();
    }
    ASSERT_TRUE(strip);
    EXPECT_LT(order(strip), order(screen->infopageView().get()));
}
