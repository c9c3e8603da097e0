#include "platform/foundation/RunLoop.h"
#include "platform/ui/controls/BarButtonItem.h"
#include "platform/ui/controls/SegmentedControl.h"
#include "platform/ui/controls/Slider.h"
#include "platform/ui/controls/TextView.h"
#include "tests/app/AppTestSupport.h"

#include <algorithm>

TEST_F(AppTest, StartsWithTheWarningAboveAFullScreenTestScreen)
{
    launch();
    // The status bar went before the screen was built: the view has the whole screen.
    EXPECT_TRUE(Application::shared().isStatusBarHidden());
    EXPECT_EQ(screen->view()->frame(), Rect(0, 0, 320, 480));
    auto windows = Application::shared().windows();
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(windows.front(), delegate->window());
    ASSERT_EQ(AlertView::visibleAlerts().size(), 1u);
    auto warning = AlertView::visibleAlerts().front();
    EXPECT_EQ(warning->window(), windows.back().get());
    EXPECT_EQ(warning->title(), "Epilepsy warning");
    EXPECT_EQ(warning->message(), vcVantrel::kWarningMessage);
    EXPECT_EQ(warning->numberOfButtons(), 1);
    EXPECT_EQ(warning->buttonTitleAtIndex(warning->cancelButtonIndex()), "I understood");
    // The screen does not wait for it: both timers already run, and dismissing changes nothing else.
    EXPECT_EQ(screen->startStopButton()->title(), "Start");
    dismissWarning();
    EXPECT_TRUE(AlertView::visibleAlerts().empty());
    EXPECT_EQ(Application::shared().keyWindow(), delegate->window());
    EXPECT_EQ(screen->helperView()->center(), (Point { 480, 350 }));
    EXPECT_EQ(screen->infopageView()->center(), (Point { 160, 720 }));
    EXPECT_EQ(screen->squareBorder()->frame(), Rect(99, 99, 52, 52));
    EXPECT_EQ(screen->square()->superview(), screen->squareBorder().get());
}

TEST_F(AppTest, StoppedTheSquareStaysWhiteAndUnscaled)
{
    launch();
    dismissWarning();
    advance(5.5);
    EXPECT_EQ(squareColor(), Color::whiteColor());
    EXPECT_DOUBLE_EQ(shownScale(), 1.0);
    EXPECT_EQ(screen->time(), 0.0f);
}

// How often the loop wakes in `seconds`: each wake-up is the next timer's deadline.
static int wakeUpsDuring(RunLoop& loop, double seconds)
{
    double end = loop.now() + seconds;
    int wakeUps = 0;
    for (double next = loop.nextFireDate(); next <= end; next = loop.nextFireDate()) {
        loop.advance(std::max(0.0, next - loop.now()));
        ++wakeUps;
    }
    loop.advance(end - loop.now());
    return wakeUps;
}

TEST_F(AppTest, TheCountWakesTheProcessOnlyForAChangeAndAStoppedTestNotAtAll)
{
    launch();
    dismissWarning();
    advance(2);
    // The beat once a second, and little else.
    EXPECT_LE(wakeUpsDuring(RunLoop::main(), 3.0), 6);
    // Running, the pulse's frames and the colour changes wake it, but not
    // each hundredth-of-a-second tick of the count.
    screen->startStop();
    EXPECT_LT(wakeUpsDuring(RunLoop::main(), 1.5), 100);
    EXPECT_EQ(squareColor(), Color::redColor());
    screen->startStop();
    advance(2.0); // the next beat takes a second to bring the square back to its size
    EXPECT_LE(wakeUpsDuring(RunLoop::main(), 3.0), 6);
}

TEST_F(AppTest, ColourChangesOnTheHundredAndFirstTickThenAlternatesWithWhite)
{
    launch();
    dismissWarning();
    screen->startStop();
    EXPECT_EQ(screen->startStopButton()->title(), "Stop");
    advance(1.00); // 100 ticks
    EXPECT_EQ(squareColor(), Color::whiteColor());
    advance(0.01); // the 101st
    EXPECT_EQ(squareColor(), Color::redColor());
    EXPECT_EQ(screen->time(), 0.0f);
    EXPECT_FALSE(screen->pixelIsWhite());
    advance(1.00);
    EXPECT_EQ(squareColor(), Color::redColor());
    advance(0.01);
    EXPECT_EQ(squareColor(), Color::whiteColor());
}

TEST_F(AppTest, AHeldUpLoopChangesTheColourOnceAndDropsTheOverdueTicks)
{
    launch();
    dismissWarning();
    screen->startStop();
    advance(0.5);
    // Ten seconds pass without the loop seeing them (a suspended laptop, a
    // busy main thread): one change, not five, and the count starts afresh.
    clock->setNow(clock->now() + 10);
    settle();
    EXPECT_EQ(squareColor(), Color::redColor());
    EXPECT_EQ(screen->time(), 0.0f);
    advance(1.00);
    EXPECT_EQ(squareColor(), Color::redColor());
    advance(0.01);
    EXPECT_EQ(squareColor(), Color::whiteColor());
}

TEST_F(AppTest, RandomModeKeepsThePhaseForTheFixedColourThatFollows)
{
    launch();
    dismissWarning();
    screen->choosenColor()->setSelectedSegmentIndex(3);
    // Only the low 8 bits of each 32-bit value count.
    randomValues = { 0xABCDEF00u, 0x12345680u, 0xFFFFFFFFu };
    screen->startStop();
    advance(1.01);
    auto random = squareColor();
    ASSERT_TRUE(random);
    EXPECT_DOUBLE_EQ(random->red, 0.0);
    EXPECT_DOUBLE_EQ(random->green, static_cast<double>(128.0f / 255.0f));
    EXPECT_DOUBLE_EQ(random->blue, 1.0);
    EXPECT_DOUBLE_EQ(random->alpha, 1.0);
    EXPECT_FALSE(screen->pixelIsWhite()); // inverted in random mode too
    screen->choosenColor()->setSelectedSegmentIndex(2);
    advance(1.01);
    EXPECT_EQ(squareColor(), Color::whiteColor()); // the phase carried over
    advance(1.01);
    EXPECT_EQ(squareColor(), Color::blueColor());
    // No selection gives no colour: the square turns transparent.
    screen->choosenColor()->setSelectedSegmentIndex(-1);
    advance(2.02);
    EXPECT_EQ(squareColor(), std::nullopt);
}

TEST_F(AppTest, RestartKeepsTheAccumulatedTime)
{
    launch();
    dismissWarning();
    screen->startStop();
    advance(0.5);
    screen->startStop();
    EXPECT_EQ(screen->startStopButton()->title(), "Start");
    advance(3.0); // frozen
    EXPECT_NEAR(screen->time(), 0.5f, 1e-5);
    screen->startStop();
    advance(0.5);
    EXPECT_EQ(squareColor(), Color::whiteColor());
    advance(0.01); // 101 running ticks in all
    EXPECT_EQ(squareColor(), Color::redColor());
}

TEST_F(AppTest, SliderSetsTheNegatedIntervalWithoutResettingTime)
{
    launch();
    dismissWarning();
    screen->startStop();
    advance(0.3);
    screen->intervalSlider()->setValue(-0.5);
    screen->intervalSlider()->sendActionsForControlEvents(ControlEventValueChanged);
    EXPECT_FLOAT_EQ(screen->interval(), 0.5f);
    EXPECT_NEAR(screen->time(), 0.3f, 1e-5);
    advance(0.2);
    EXPECT_EQ(squareColor(), Color::whiteColor());
    advance(0.01);
    EXPECT_EQ(squareColor(), Color::redColor());
    // An interval at or below zero changes on every tick.
    screen->intervalSlider()->setMaximumValue(0.25);
    screen->intervalSlider()->setValue(0.25);
    screen->changeInterval();
    advance(0.01);
    EXPECT_EQ(squareColor(), Color::whiteColor());
    advance(0.01);
    EXPECT_EQ(squareColor(), Color::redColor());
}

TEST_F(AppTest, TheBeatPulsesOnlyWhileRunningOverAWholeSecond)
{
    launch();
    dismissWarning();
    screen->startStop();
    advance(1.5); // beat at 1.0 grows towards 1.5 with ease-in-out: half way at half time
    EXPECT_NEAR(shownScale(), 1.25, 1e-9);
    EXPECT_TRUE(screen->beatUp());
    advance(1.0); // beat at 2.0 shrinks towards 0.8
    EXPECT_NEAR(shownScale(), 1.15, 1e-9);
    screen->startStop();
    advance(1.0); // beat at 3.0 returns to identity; beatUp keeps its value
    EXPECT_FALSE(screen->beatUp());
    advance(1.0);
    EXPECT_DOUBLE_EQ(shownScale(), 1.0);
}

TEST_F(AppTest, CustomizePanelSlidesInFromTheRightThenLeavesAndReturnsOnTheLeft)
{
    launch();
    dismissWarning();
    std::vector<double> centres;
    for (int press = 0; press < 3; ++press) {
        screen->customize();
        centres.push_back(screen->helperView()->center().x);
        advance(0.25);
        if (press == 0) { // on the way in from the right
            EXPECT_NEAR(screen->helperView()->layer().presentation().position.x, 320, 1e-9);
        }
        advance(0.3);
    }
    EXPECT_EQ(centres, (std::vector<double> { 160, -160, 160 }));
    EXPECT_EQ(screen->customizeButton()->title(), "Hide");
    EXPECT_TRUE(screen->customizeVisible());
    EXPECT_EQ(screen->helperView()->center().y, 350);
}

TEST_F(AppTest, DragMovesTheFrameOnlyWhenItBeganOnTheSquareEvenWhileScaled)
{
    launch();
    dismissWarning();
    // Began on the background: ignored.
    touch(TouchPhase::Began, { 20, 300 });
    touch(TouchPhase::Moved, { 60, 300 });
    touch(TouchPhase::Ended, { 60, 300 });
    EXPECT_EQ(screen->squareBorder()->center(), (Point { 125, 125 }));
    // Began on the one-point frame, not the square: ignored too.
    touch(TouchPhase::Began, { 99.5, 125 });
    touch(TouchPhase::Moved, { 200, 300 });
    touch(TouchPhase::Ended, { 200, 300 });
    EXPECT_EQ(screen->squareBorder()->center(), (Point { 125, 125 }));
    // Scaled to 1.5 the square reaches 37.5 points from the centre; the frame's
    // centre then follows the finger exactly.
    screen->startStop();
    advance(1.5); // the beat at 1 s grows it
    ASSERT_DOUBLE_EQ(screen->squareBorder()->transform().a, 1.5);
    touch(TouchPhase::Began, { 125 + 35, 125 });
    touch(TouchPhase::Moved, { 200, 260 });
    EXPECT_EQ(screen->squareBorder()->center(), (Point { 200, 260 }));
    touch(TouchPhase::Moved, { 10, 470 });
    touch(TouchPhase::Ended, { 10, 470 });
    EXPECT_EQ(screen->squareBorder()->center(), (Point { 10, 470 }));
}

TEST_F(AppTest, BackgroundInfoPageAndDonation)
{
    launch();
    dismissWarning();
    screen->backgroundColorControl()->setSelectedSegmentIndex(1);
    screen->changeBackground();
    EXPECT_EQ(screen->view()->backgroundColor(), Color::whiteColor());
    advance(0.5);
    EXPECT_NEAR(screen->view()->layer().presentation().backgroundColor->red, 0.5, 1e-9);
    screen->backgroundColorControl()->setSelectedSegmentIndex(-1);
    screen->changeBackground();
    EXPECT_EQ(screen->view()->backgroundColor(), Color::whiteColor());

    screen->showInfopage();
    screen->showInfopage(); // added again: still one
    auto& info = *screen->infopageView();
    EXPECT_EQ(screen->descriptionView()->superview(), &info);
    EXPECT_EQ(std::count(info.subviews().begin(), info.subviews().end(), screen->descriptionView()), 1);
    EXPECT_EQ(screen->descriptionView()->center(), (Point { 150, 220 }));
    EXPECT_EQ(info.center(), (Point { 160, 240 }));
    screen->hideInfopage();
    EXPECT_EQ(info.center(), (Point { 160, 720 }));

    screen->donate();
    ASSERT_EQ(openedURLs.size(), 1u);
    EXPECT_EQ(
        openedURLs[0], "https://donate.vantrel.example/cgi-bin/webscr?cmd=_s-xclick&hosted_button_id=V4NTR3LPX7Q2C");
}

TEST_F(AppTest, ControlsOnScreenReachTheScreenThroughTheirActions)
{
    launch();
    dismissWarning();
    auto find = [](const std::string& label) -> std::optional<Point> {
        for (auto& [text, frame] : Application::shared().accessibleElementsOnScreen()) {
            if (text == label && Screen::mainScreen().bounds().contains(frame.center()))
                return frame.center();
        }
        return std::nullopt;
    };
    auto tap = [&](const std::string& label) {
        auto p = find(label);
        ASSERT_TRUE(p) << label;
        touch(TouchPhase::Began, *p);
        touch(TouchPhase::Ended, *p);
    };
    tap("Start");
    EXPECT_TRUE(screen->isOn());
    EXPECT_FALSE(find("Start"));
    tap("Customize");
    advance(0.6);
    tap("White");
    EXPECT_EQ(screen->view()->backgroundColor(), Color::whiteColor());
    tap("Blue");
    EXPECT_EQ(screen->choosenColor()->selectedSegmentIndex(), 2);
    tap("Donate");
    EXPECT_EQ(openedURLs.size(), 1u);
    // Nothing of the banner area or the off-screen page is findable.
    EXPECT_FALSE(find("Back"));
    EXPECT_FALSE(find("Advertisement"));
    for (auto& line : logLines)
        EXPECT_EQ(line.find("outlet"), std::string::npos) << line;
}
