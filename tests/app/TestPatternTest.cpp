#include "app/TestPatternView.h"
#include "platform/ui/graphics/Image.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/GoldenImage.h"
#include "tests/support/Pixels.h"

// The still patterns that follow the fills, on the real screen as a host composites it.
class TestPatternTest : public AppTest {
protected:
    std::shared_ptr<Image> screenImage(double scale)
    {
        settle();
        return Image::fromSurface(Application::shared().compositeScreen(scale), scale);
    }
    void key(const std::string& name)
    {
        Application::shared().sendKey(*Key::fromName(name));
        settle();
    }
};

TEST_F(TestPatternTest, EachPatternMatchesItsGoldenImageAtScaleOneAndTwo)
{
    launch();
    dismissWarning();
    for (double scale : { 1.0, 2.0 }) {
        Screen::mainScreen().setScale(scale);
        key("p");
        for (int i = 0; i < vcVantrel::kPatternCount; ++i) {
            std::string name = "pattern-" + std::to_string(i) + (scale == 2 ? "@2x" : "");
            EXPECT_EQ(screen->fillIndex(), vcVantrel::kFillCount + i);
            EXPECT_TRUE(matchesGolden(*screenImage(scale), "tests/app/golden", name)) << name;
            key("space");
        }
        key("Escape");
    }
}

TEST_F(TestPatternTest, FinePatternsAreExactInDevicePixelsAndNothingChangesOverTime)
{
    Screen::mainScreen().setScale(2);
    launch();
    dismissWarning();
    key("p");
    for (int i = 0; i < 4; ++i)
        key("space"); // past the four ramps
    auto checkerboard = screenImage(2);
    ASSERT_EQ(checkerboard->pixelWidth(), 640);
    for (int y : { 0, 1, 2, 479, 958, 959 }) {
        for (int x : { 0, 1, 2, 3, 320, 321, 638, 639 })
            EXPECT_EQ(rgbAt(*checkerboard, x, y), (x + y) % 2 ? 0x000000u : 0xFFFFFFu) << x << "," << y;
    }
    advance(10);
    EXPECT_EQ(rgbAt(*screenImage(2), 101, 200), 0x000000u);
    EXPECT_EQ(rgbAt(*screenImage(2), 100, 200), 0xFFFFFFu);

    key("space");
    auto grid = screenImage(2);
    EXPECT_EQ(rgbAt(*grid, 8, 3), 0xFFFFFFu);
    EXPECT_EQ(rgbAt(*grid, 9, 3), 0x000000u);
    EXPECT_EQ(rgbAt(*grid, 3, 16), 0xFFFFFFu);
    EXPECT_EQ(rgbAt(*grid, 3, 17), 0x000000u);

    // The grey ramp climbs one level per step from black at the left edge to white at the right.
    key("p");
    auto ramp = screenImage(2);
    EXPECT_EQ(rgbAt(*ramp, 0, 500), 0x000000u);
    EXPECT_EQ(rgbAt(*ramp, 639, 500), 0xFFFFFFu);
    for (int x = 1; x < 640; ++x)
        EXPECT_GE(rgbAt(*ramp, x, 10) & 0xFF, rgbAt(*ramp, x - 1, 10) & 0xFF);
}
