#include "app/StuckPixelExerciser.h"
#include "tests/app/AppTestSupport.h"

// The exerciser on the running test screen, from the keyboard.
class StuckPixelExerciserTest : public AppTest {
protected:
    bool key(const std::string& name)
    {
        bool used = Application::shared().sendKey(*Key::fromName(name));
        settle();
        return used;
    }
    std::shared_ptr<AlertView> alertTitled(const std::string& title)
    {
        for (auto& alert : AlertView::visibleAlerts()) {
            if (alert->title() == title)
                return alert;
        }
        return nullptr;
    }
    StuckPixelExerciser& exerciser() { return *screen->exerciser(); }
};

TEST_F(StuckPixelExerciserTest, StartsOnlyAfterTheWarningFlashesInsideTheSquareAndCountsDown)
{
    launch();
    dismissWarning();
    key("w");
    auto alert = alertTitled(StuckPixelExerciser::kTitle);
    ASSERT_TRUE(alert);
    EXPECT_NE(alert->message().find(vcVantrel::kWarningMessage), std::string::npos);
    EXPECT_FALSE(exerciser().isRunning());
    // Escape says no; nothing flashes.
    key("Escape");
    EXPECT_FALSE(alertTitled(StuckPixelExerciser::kTitle));
    EXPECT_FALSE(exerciser().isRunning());

    key("w");
    key("2"); // 15 a second
    ASSERT_TRUE(exerciser().isRunning());
    EXPECT_EQ(exerciser().rate(), 15);
    // Only the square flashes: the flashing view is the square's inside, no more.
    EXPECT_EQ(exerciser().flashView()->superview(), screen->square().get());
    EXPECT_EQ(exerciser().flashView()->frame(), screen->square()->bounds());
    std::vector<Color> colors;
    for (int i = 0; i < 4; ++i) {
        colors.push_back(*exerciser().flashColor());
        advance(1.0 / 15);
    }
    EXPECT_EQ(
        colors, (std::vector<Color> { Color::redColor(), Color::greenColor(), Color::blueColor(), Color::redColor() }));
    advance(61);
    EXPECT_NE(exerciser().countdownText().find("8:59 left"), std::string::npos) << exerciser().countdownText();
    advance(StuckPixelExerciser::kDuration);
    EXPECT_FALSE(exerciser().isRunning());
    EXPECT_TRUE(screen->square()->subviews().empty());

    // Any key stops it early.
    key("w");
    key("Return");
    ASSERT_TRUE(exerciser().isRunning());
    key("a");
    EXPECT_FALSE(exerciser().isRunning());
}

TEST_F(StuckPixelExerciserTest, ReducedMotionNeedsASecondYes)
{
    Application::shared().setReduceMotionEnabled(true);
    launch();
    dismissWarning();
    key("w");
    ASSERT_TRUE(alertTitled(StuckPixelExerciser::kReducedMotionTitle));
    EXPECT_FALSE(alertTitled(StuckPixelExerciser::kTitle));
    key("Escape");
    EXPECT_FALSE(exerciser().isRunning());
    EXPECT_TRUE(AlertView::visibleAlerts().empty());

    key("w");
    key("Return"); // flash anyway
    ASSERT_TRUE(alertTitled(StuckPixelExerciser::kTitle));
    EXPECT_FALSE(exerciser().isRunning());
    key("1");
    EXPECT_TRUE(exerciser().isRunning());
    EXPECT_EQ(exerciser().rate(), 5);
    Application::shared().setReduceMotionEnabled(false);
}
