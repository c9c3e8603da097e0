#include "app/defects/DefectMagnifierView.h"
#include "app/defects/DefectMarker.h"
#include "platform/ui/graphics/Image.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/Pixels.h"

#include <fstream>

// Marking from the keyboard and the pointer on the running test screen.
class DefectMarkingTest : public AppTest {
protected:
    bool key(const std::string& name)
    {
        bool used = Application::shared().sendKey(*Key::fromName(name));
        settle();
        return used;
    }
    void tap(Point p)
    {
        touch(TouchPhase::Began, p);
        touch(TouchPhase::Ended, p);
    }
    std::shared_ptr<Image> screenImage(double scale)
    {
        settle();
        return Image::fromSurface(Application::shared().compositeScreen(scale), scale);
    }
    DefectMarker& marker() { return *screen->defectMarker(); }
};

TEST_F(DefectMarkingTest, KeysMoveTheCursorByDevicePixelsAndMarkUndoAndRemove)
{
    Screen::mainScreen().setScale(2);
    launch();
    dismissWarning();
    key("f"); // marking works over a fill
    EXPECT_FALSE(key("h")); // not marking yet: H is nobody's key
    key("k");
    ASSERT_TRUE(marker().isMarking());
    EXPECT_EQ(marker().cursor(), (Point { 320, 480 }));
    key("shift+Right");
    key("Up");
    EXPECT_EQ(marker().cursor(), (Point { 330, 479 }));
    EXPECT_TRUE(screen->isFilling()); // arrows moved the cursor, not the fill cycle
    EXPECT_EQ(screen->fillIndex(), 0);
    key("h");
    key("Right");
    key("g");
    key("Right");
    key("o");
    ASSERT_EQ(marker().record().marks().size(), 3u);
    EXPECT_EQ(marker().record().marks()[1], (DefectMark { 331, 479, DefectKind::StuckGreen, 640, 960 }));
    key("u"); // takes back the stuck-off mark
    key("Left");
    key("x"); // removes the green one under the cursor
    ASSERT_EQ(marker().record().marks().size(), 1u);
    EXPECT_EQ(marker().record().marks()[0].kind, DefectKind::Hot);

    // The cursor stays on the screen's pixels.
    for (int i = 0; i < 100; ++i)
        key("shift+Right");
    EXPECT_EQ(marker().cursor().x, 639);

    // A tap puts the cursor on the pixel under it, and does not end the fill.
    tap({ 10.75, 20.25 });
    EXPECT_EQ(marker().cursor(), (Point { 21, 40 }));
    EXPECT_TRUE(screen->isFilling());

    // Escape ends marking before it ends the fill; the mark's ring stays.
    key("Escape");
    EXPECT_FALSE(marker().isMarking());
    EXPECT_TRUE(screen->isFilling());
    auto shown = screenImage(2);
    EXPECT_EQ(rgbAt(*shown, 330, 479), 0x000000u); // the marked pixel itself is left alone
    bool ringSeen = false;
    for (int dx = 4; dx <= 7; ++dx)
        ringSeen |= rgbAt(*shown, 330 + dx, 479) != 0x000000u;
    EXPECT_TRUE(ringSeen);
    key("v"); // hidden with one key
    auto hidden = screenImage(2);
    for (int dx = 4; dx <= 7; ++dx)
        EXPECT_EQ(rgbAt(*hidden, 330 + dx, 479), 0x000000u);
}

TEST_F(DefectMarkingTest, TheMagnifierShowsTheCursorsNeighbourhoodOutsideTheOverlays)
{
    launch();
    dismissWarning();
    key("f");
    key("space"); // white
    key("k");
    marker().setCursor({ 0, 0 });
    auto* magnifier = [&]() -> DefectMagnifierView* {
        for (auto& subview : screen->view()->subviews()) {
            if (auto* found = dynamic_cast<DefectMagnifierView*>(subview.get()))
                return found;
        }
        return nullptr;
    }();
    ASSERT_TRUE(magnifier);
    const auto& pixels = magnifier->pixels();
    int middle = DefectMagnifierView::kSpan / 2;
    // Off the screen's corner: dark grey; on it: the white fill, not the cursor drawn over it.
    EXPECT_EQ(pixels[0], Color::darkGrayColor());
    EXPECT_EQ(pixels[middle * DefectMagnifierView::kSpan + middle], Color::whiteColor());
    EXPECT_EQ(pixels[(middle + 2) * DefectMagnifierView::kSpan + middle + 1], Color::whiteColor());
}

TEST_F(DefectMarkingTest, AMarksFileThatCannotBeReadIsSetAsideAndSaidSo)
{
    std::ofstream(dataDirectory / DefectStore::kFileName) << "{ not json";
    launch();
    dismissWarning();
    ASSERT_TRUE(marker().message());
    EXPECT_NE(marker().message()->find(".bad"), std::string::npos);
    key("k");
    EXPECT_NE(marker().summaryText().find("could not be used"), std::string::npos);
    key("d");
    EXPECT_EQ(DefectStore::load(dataDirectory / DefectStore::kFileName).records().at(0).marks().size(), 1u);
    // The log says what happened, not where the user's files are.
    ASSERT_FALSE(logLines.empty());
    for (auto& line : logLines)
        EXPECT_EQ(line.find(dataDirectory.path().string()), std::string::npos) << line;
}

TEST_F(DefectMarkingTest, ASecondaryClickOffersTheMarkingMenuOnThePixelClicked)
{
    Screen::mainScreen().setScale(2);
    launch();
    dismissWarning();
    EXPECT_TRUE(Application::shared().sendSecondaryClick({ 100.5, 200 }));
    settle();
    EXPECT_TRUE(marker().isMarking());
    EXPECT_EQ(marker().cursor(), (Point { 201, 400 }));
    std::optional<Point> dead;
    for (auto& [label, frame] : Application::shared().accessibleElementsOnScreen(false)) {
        if (label == "Dead pixel")
            dead = frame.center();
    }
    ASSERT_TRUE(dead);
    tap(*dead);
    advance(1);
    ASSERT_EQ(marker().record().marks().size(), 1u);
    EXPECT_EQ(marker().record().marks()[0], (DefectMark { 201, 400, DefectKind::Dead, 640, 960 }));
}
