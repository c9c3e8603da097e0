#include "app/VantrelSettings.h"
#include "platform/foundation/Log.h"
#include "platform/ui/controls/Slider.h"
#include "platform/ui/graphics/Image.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/GoldenImage.h"

#include <algorithm>
#include <fstream>

// The test screen driven from the keyboard, on a screen of any size, as the
// desktop host would: keys go to the application with no first responder.
class KeyboardTest : public AppTest {
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
};

TEST_F(KeyboardTest, TheWarningComesFirstThenKeysDriveTheTest)
{
    launch();
    // Nothing starts behind the warning; Return is its button.
    EXPECT_FALSE(key("space"));
    EXPECT_FALSE(key("f"));
    EXPECT_FALSE(screen->isOn());
    EXPECT_FALSE(screen->isFilling());
    EXPECT_TRUE(key("Return"));
    EXPECT_TRUE(AlertView::visibleAlerts().empty());

    EXPECT_TRUE(key("space"));
    EXPECT_TRUE(screen->isOn());
    EXPECT_TRUE(Application::shared().isIdleTimerDisabled()); // the display stays awake while testing
    advance(1.02);
    EXPECT_EQ(squareColor(), Color::redColor());
    key("space");
    EXPECT_FALSE(screen->isOn());
    EXPECT_FALSE(Application::shared().isIdleTimerDisabled());

    // + and - move the slider one step; its ends hold.
    key("plus");
    EXPECT_NEAR(screen->interval(), 0.9, 1e-6);
    key("minus");
    key("minus");
    EXPECT_NEAR(screen->interval(), 1.1, 1e-6);
    for (int i = 0; i < 40; ++i)
        key("plus");
    EXPECT_NEAR(screen->interval(), 0.05, 1e-6);

    // C toggles the panel; Escape steps back through help, panel, full screen.
    key("c");
    EXPECT_TRUE(screen->customizeVisible());
    key("question");
    EXPECT_TRUE(screen->keyHelpVisible());
    key("F11");
    EXPECT_TRUE(Application::shared().isFullScreen());
    key("Escape");
    EXPECT_FALSE(screen->keyHelpVisible());
    key("Escape");
    EXPECT_FALSE(screen->customizeVisible());
    key("Escape");
    EXPECT_FALSE(Application::shared().isFullScreen());
    EXPECT_FALSE(key("Escape")); // nothing left to leave
    EXPECT_FALSE(key("ctrl+c"));
}

TEST_F(KeyboardTest, ArrowsMoveTheSquareByDevicePixelsAndBracketsResizeIt)
{
    Screen::mainScreen().setScale(2);
    launch();
    dismissWarning();
    // The inner square's corner at (100, 100) points is pixel (200, 200).
    EXPECT_EQ(screen->squarePixelPosition(), (Point { 200, 200 }));
    key("Right");
    key("Down");
    key("shift+Left");
    EXPECT_EQ(screen->squarePixelPosition(), (Point { 191, 201 }));
    EXPECT_EQ(screen->squareBorder()->center(), (Point { 120.5, 125.5 }));
    key("i");
    ASSERT_TRUE(screen->squareInfoVisible());
    EXPECT_EQ(screen->squareInfoText(), "x 191  y 201  ·  100 × 100 px");

    key("bracketright");
    EXPECT_EQ(screen->squareSize(), 60);
    EXPECT_EQ(screen->square()->frame(), (Rect { 1, 1, 60, 60 }));
    EXPECT_EQ(screen->squareBorder()->center(), (Point { 120.5, 125.5 })); // grows about its centre
    for (int i = 0; i < 20; ++i)
        key("bracketleft");
    EXPECT_EQ(screen->squareSize(), 1); // steps of one below ten points, never below one
    screen->setSquareSize(5000);
    EXPECT_EQ(screen->squareSize(), vcVantrel::kMaximumSquareSize);

    // The square cannot be pushed off screen.
    for (int i = 0; i < 100; ++i)
        key("shift+Up");
    EXPECT_EQ(screen->squareBorder()->center().y, 0);
}

TEST_F(KeyboardTest, FillsCycleThroughSevenColoursAndNeverFlash)
{
    launch();
    dismissWarning();
    screen->startStop();
    key("f");
    ASSERT_TRUE(screen->isFilling());
    EXPECT_FALSE(screen->isOn()); // the test stops: nothing flashes behind the fill
    EXPECT_EQ(screen->fillView()->frame(), Screen::mainScreen().bounds());
    std::vector<Color> seen;
    for (int i = 0; i < vcVantrel::kFillCycleLength; ++i) {
        seen.push_back(*screen->fillView()->backgroundColor());
        key("space");
    }
    EXPECT_EQ(seen[0], Color::black());
    EXPECT_EQ(seen[1], Color::whiteColor());
    EXPECT_EQ(seen[5], Color::rgba(0.5f, 0.5f, 0.5f, 1));
    EXPECT_EQ(seen[6], Color::redColor()); // the chosen flash colour
    EXPECT_EQ(screen->fillIndex(), 0); // wrapped round
    key("Left");
    EXPECT_EQ(screen->fillIndex(), vcVantrel::kFillCycleLength - 1); // the last test pattern
    key("f");
    key("f");
    EXPECT_EQ(screen->fillIndex(), vcVantrel::kFillCycleLength - 1);
    for (int i = 0; i < vcVantrel::kPatternCount; ++i)
        key("Left");
    EXPECT_EQ(screen->fillIndex(), 6);
    // Time passes: a fill stays one colour.
    advance(5);
    EXPECT_EQ(*screen->fillView()->backgroundColor(), Color::redColor());

    // The key help opens over the fill; Escape closes the help first.
    EXPECT_TRUE(key("question"));
    ASSERT_TRUE(screen->keyHelpVisible());
    auto& shown = screen->view()->subviews();
    EXPECT_GT(std::find(shown.begin(), shown.end(), screen->keyHelpView()) - shown.begin(),
        std::find(shown.begin(), shown.end(), screen->fillView()) - shown.begin());
    key("Escape");
    EXPECT_FALSE(screen->keyHelpVisible());
    EXPECT_TRUE(screen->isFilling());

    // A click anywhere returns, as Escape does.
    tap({ 300, 20 });
    EXPECT_FALSE(screen->isFilling());
    key("f");
    key("Escape");
    EXPECT_FALSE(screen->isFilling());
    EXPECT_FALSE(screen->isOn());
}

TEST_F(KeyboardTest, DoubleTapOnTheBackgroundSwitchesFullScreen)
{
    launch();
    dismissWarning();
    tap({ 250, 250 });
    EXPECT_FALSE(Application::shared().isFullScreen());
    advance(0.2);
    tap({ 252, 251 });
    EXPECT_TRUE(Application::shared().isFullScreen());
    // Too slow, or on the square, is no double tap.
    advance(1);
    tap({ 250, 250 });
    advance(0.5);
    tap({ 250, 250 });
    EXPECT_TRUE(Application::shared().isFullScreen());
    tap({ 125, 125 });
    tap({ 125, 125 });
    EXPECT_TRUE(Application::shared().isFullScreen());
}

TEST_F(KeyboardTest, ABiggerScreenLaysTheTestOutByItsEdges)
{
    Screen::mainScreen().setSize({ 1920, 1080 });
    launch();
    dismissWarning();
    EXPECT_EQ(screen->view()->frame(), (Rect { 0, 0, 1920, 1080 }));
    EXPECT_EQ(screen->helperView()->center(), (Point { 2080, 950 })); // off screen until asked for
    EXPECT_TRUE(matchesGolden(*screenImage(1), "tests/app/golden", "screen-1920x1080"));
    Screen::mainScreen().setScale(2);
    EXPECT_TRUE(matchesGolden(*screenImage(2), "tests/app/golden", "screen-1920x1080@2x"));

    // The window follows a screen that changes while the app runs.
    Screen::mainScreen().setSize({ 800, 600 });
    settle();
    EXPECT_EQ(screen->view()->frame(), (Rect { 0, 0, 800, 600 }));
    screen->customize();
    advance(1);
    EXPECT_EQ(screen->helperView()->frame(), (Rect { 0, 384, 320, 172 })); // right above the toolbar
    screen->showInfopage();
    advance(1);
    EXPECT_EQ(screen->infopageView()->frame(), (Rect { 0, 0, 800, 600 }));
}

TEST_F(KeyboardTest, EverySolidFillCoversEveryPixel)
{
    Screen::mainScreen().setSize({ 1920, 1080 });
    launch();
    dismissWarning();
    key("f");
    for (double scale : { 1.0, 2.0 }) {
        Screen::mainScreen().setScale(scale);
        while (screen->fillIndex() != 0) // past the test patterns, round to the first fill
            key("space");
        for (int i = 0; i < vcVantrel::kFillCount; ++i) {
            std::string name = "fill-" + std::to_string(i) + (scale == 2 ? "@2x" : "");
            EXPECT_TRUE(matchesGolden(*screenImage(scale), "tests/app/golden", name)) << name;
            key("space");
        }
    }
}

TEST_F(KeyboardTest, TheSquaresPlaceAndSizeComeBackOnTheNextStart)
{
    Screen::mainScreen().setSize({ 1920, 1080 });
    Screen::mainScreen().setScale(2);
    launch();
    dismissWarning();
    for (int i = 0; i < 3; ++i)
        key("bracketright"); // 80 points
    for (int i = 0; i < 30; ++i)
        key("shift+Right");
    key("Down");
    Point placed = screen->squarePixelPosition();
    EXPECT_EQ(placed, (Point { 470, 171 }));
    auto settingsFile = dataDirectory / VantrelSettings::kFileName;
    EXPECT_EQ(std::filesystem::status(settingsFile).permissions() & std::filesystem::perms::all,
        std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    // Dragging remembers where the square was let go.
    touch(TouchPhase::Began, screen->squareBorder()->center());
    touch(TouchPhase::Moved, { 1500.25, 900.75 });
    touch(TouchPhase::Ended, { 1500.25, 900.75 });
    placed = screen->squarePixelPosition();
    EXPECT_EQ(VantrelSettings::load(settingsFile).squarePixelPosition, placed);

    // The next start puts it back, in device pixels, at its size.
    Application::shared().reset();
    AnimationEngine::shared().reset();
    Screen::mainScreen().setSize({ 1920, 1080 });
    launch();
    EXPECT_EQ(screen->squareSize(), 80);
    EXPECT_EQ(screen->squarePixelPosition(), placed);
    EXPECT_EQ(screen->square()->frame(), (Rect { 1, 1, 80, 80 }));

    // On a smaller screen the saved place is kept on it.
    Application::shared().reset();
    AnimationEngine::shared().reset();
    Screen::mainScreen().setSize({ 320, 480 });
    launch();
    Point center = screen->squareBorder()->center();
    EXPECT_EQ(center, (Point { 320, 480 }));
    EXPECT_EQ(VantrelSettings::load(settingsFile).squarePixelPosition, placed) << "not overwritten by a start";
}

TEST_F(KeyboardTest, ASettingsFileOfNonsenseGivesTheDefaults)
{
    auto settingsFile = dataDirectory / VantrelSettings::kFileName;
    for (const char* text : { "", "not json", "[1, 2]", R"({"squareX": "10", "squareY": 10, "squareSize": true})",
             R"({"squareX": 1e300, "squareY": -1e300, "squareSize": -5})", R"({"squareX": 10, "squareSize": 0})" }) {
        ASSERT_TRUE(Paths::writeFileAtomically(settingsFile, text));
        EXPECT_EQ(VantrelSettings::load(settingsFile), VantrelSettings {}) << text;
    }
    // A size beyond the limits is brought within them.
    ASSERT_TRUE(Paths::writeFileAtomically(settingsFile, R"({"squareX": 3.6, "squareY": 7, "squareSize": 99999})"));
    EXPECT_EQ(VantrelSettings::load(settingsFile).squarePixelPosition, (Point { 4, 7 }));
    launch();
    EXPECT_EQ(screen->squareSize(), vcVantrel::kMaximumSquareSize);
}

TEST_F(KeyboardTest, AnUnreadableSettingsFileIsMovedAsideAndTheNextSaveWritesAGoodOne)
{
    auto settingsFile = dataDirectory / VantrelSettings::kFileName;
    auto aside = dataDirectory / (std::string(VantrelSettings::kFileName) + ".bad");
    std::string deep = std::string(600, '[') + std::string(600, ']');
    for (const std::string& text : { std::string(R"({"squareX": 10, "squ)"), std::string("not json"), deep }) {
        ASSERT_TRUE(Paths::writeFileAtomically(settingsFile, text));
        EXPECT_EQ(VantrelSettings::load(settingsFile), VantrelSettings {}) << text.substr(0, 20);
        EXPECT_FALSE(std::filesystem::exists(settingsFile));
        EXPECT_EQ(Paths::readFile(aside), text) << "kept as it was, for a look";
    }
    // 100 MB is set aside without being read.
    {
        std::ofstream out(settingsFile);
        out << R"({"squareX": 10, "squareY": 10, "pad": ")";
        std::string block(1024 * 1024, ' ');
        for (int i = 0; i < 100; ++i)
            out << block;
        out << "\"}";
    }
    EXPECT_EQ(VantrelSettings::load(settingsFile), VantrelSettings {});
    EXPECT_GT(std::filesystem::file_size(aside), 100u * 1024 * 1024);
    // The app starts with the defaults, and the next save writes a good file.
    launch();
    dismissWarning();
    key("Down");
    auto saved = VantrelSettings::load(settingsFile);
    EXPECT_TRUE(saved.squarePixelPosition);
    EXPECT_TRUE(std::filesystem::exists(aside));
    // A settings file of ours that reads well is never moved.
    std::filesystem::remove(aside);
    EXPECT_EQ(VantrelSettings::load(settingsFile), saved);
    EXPECT_FALSE(std::filesystem::exists(aside));
}

TEST_F(KeyboardTest, ASettingsSaveOnAFullDiskKeepsThePreviousFileAndSaysSoOnce)
{
    std::vector<std::string> lines;
    Log::setCaptureHook([&](const std::string& line) { lines.push_back(line); });
    auto settingsFile = dataDirectory / VantrelSettings::kFileName;
    VantrelSettings first;
    first.squarePixelPosition = Point { 1, 2 };
    ASSERT_TRUE(first.save(settingsFile));
    VantrelSettings second;
    second.squarePixelPosition = Point { 300, 400 };
    second.squareSize = 64;
    {
        FileSizeLimit full(8);
        EXPECT_FALSE(second.save(settingsFile));
        EXPECT_FALSE(second.save(settingsFile));
    }
    Log::setCaptureHook(nullptr);
    EXPECT_EQ(VantrelSettings::load(settingsFile), first);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                  [](auto& line) { return line.find("Settings could not be saved") != std::string::npos; }),
        1);
    for (auto& entry : std::filesystem::directory_iterator(dataDirectory.path()))
        EXPECT_FALSE(entry.path().filename().string().starts_with(".settings")) << "no temporary file left";
    EXPECT_TRUE(second.save(settingsFile));
    EXPECT_EQ(VantrelSettings::load(settingsFile), second);
}

TEST_F(KeyboardTest, ThePanelOffersTheSolidFills)
{
    launch();
    dismissWarning();
    screen->customize();
    advance(1);
    // The entry sits at the right of the panel's first row.
    Point entry = screen->helperView()->convertPointToView({ 258, 15 }, screen->view().get());
    tap(entry);
    EXPECT_TRUE(screen->isFilling());
    key("Escape");
    EXPECT_FALSE(screen->isFilling());
}
