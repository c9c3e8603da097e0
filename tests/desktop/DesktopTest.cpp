#include "tests/desktop/DesktopFixture.h"

#include "tests/support/Pixels.h"

// What the app draws and what the X server shows are one picture.
TEST_F(DesktopTest, TheWarningAndTheTestScreenLookTheSameToTheXServerAsToTheHost)
{
    ASSERT_TRUE(start({ "/click/url" }));
    auto host = session->hostScreenshot("warning-host.png");
    auto x = session->xScreenshot("warning-x.png");
    ASSERT_TRUE(host && x);
    EXPECT_EQ(host->pixelWidth(), 320);
    EXPECT_EQ(host->pixelHeight(), 480);
    EXPECT_LT(differingShare(*host, *x), 0.01);

    dismissWarning();
    auto start = session->locate("Start");
    ASSERT_TRUE(start);
    // A resized window is a resized screen, in both pictures.
    session->resize(480, 600);
    EXPECT_EQ(session->windowSize(), (std::pair { 480, 600 }));
    host = session->hostScreenshot("resized-host.png");
    x = session->xScreenshot("resized-x.png");
    ASSERT_TRUE(host && x);
    EXPECT_EQ(host->pixelWidth(), 480);
    EXPECT_EQ(host->pixelHeight(), 600);
    // The square pulses between the two pictures: it may differ, nothing else.
    EXPECT_LT(differingShare(*host, *x), 0.05);
    EXPECT_EQ(session->quit(), 0);
    EXPECT_EQ(session->log().find("CRITICAL"), std::string::npos) << session->log();
}

// The suggestion table is above the help page on screen and takes the clicks
// there; typed text goes through the input method, accents included.
TEST_F(DesktopTest, SearchTypedWithRealKeysShowsSuggestionsAboveTheHelpPage)
{
    ASSERT_TRUE(start({ "/search/click" }));
    dismissWarning();
    ASSERT_TRUE(session->waitForLog("Did receive ad", 20)) << session->log();
    session->clickLabel("Advertisement");
    session->pause(2.0);
    // An accented letter, through the input method, reaches the service as typed.
    session->type("é");
    session->pause(1.5);
    auto typed = requestsTo("/search/suggest");
    ASSERT_GE(typed.size(), 1u);
    EXPECT_EQ(typed.back().find("query")->find("query")->stringValue(), "é");
    session->key("BackSpace");
    session->type("pi");
    session->pause(1.5);
    ASSERT_GT(requestCount("/search/suggest"), typed.size());
    session->xScreenshot("suggestions-x.png");
    // The first suggestion's row, clicked through the X server.
    auto row = session->locate("pixel test");
    ASSERT_TRUE(row) << "no suggestion row on screen";
    session->click(row->midX(), row->midY());
    session->pause(2.0);
    auto clicks = requestsTo("/search/click");
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_NE(clicks[0].find("body")->stringValue().find("\"pixel test\""), std::string_view::npos);
    // Quitting with a page on screen is as clean as without.
    EXPECT_EQ(session->quit(), 0);
    EXPECT_EQ(session->log().find("CRITICAL"), std::string::npos) << session->log();
}

namespace {

// Refreshes every few seconds instead of every minute.
const std::vector<std::string> kFastRefresh { "VANTREL_REFRESH_INTERVAL=4", "PELLAR_MINIMUM_REFRESH_INTERVAL=4" };

} // namespace

// The steps that once ended in a crash as the refreshed carousel loaded:
// the browser opened from the carousel, a page followed, the window resized
// around it, the settings panel in and out, then refreshes.
TEST_F(DesktopTest, ResizingAroundTheBrowserThenRefreshedCarouselsKeepTheAppRunning)
{
    ASSERT_TRUE(start({ "/click/flex-carousel", "/click/flex-showcase", "/click/flex-carousel" }, {}, kFastRefresh));
    dismissWarning();
    ASSERT_TRUE(session->waitForLog("Did receive ad", 20)) << session->log();
    session->clickLabel("Advertisement");
    session->pause(2.0);
    ASSERT_TRUE(session->locate("Done")) << "the browser did not open";
    // "Another page": the first link on the landing page, clicked in the page itself.
    ASSERT_TRUE(session->locate("Pixel Care Demo"));
    session->xScreenshot("browser-x.png");
    session->click(80, 165);
    session->pause(1.5);
    EXPECT_TRUE(session->locate("Second page")) << "the link was not followed";
    // The toolbar under the page is ours, on screen and taking clicks.
    session->clickLabel("Back");
    session->pause(1.0);
    EXPECT_TRUE(session->locate("Pixel Care Demo")) << "Back did not go back";
    session->clickLabel("Forward");
    session->pause(1.0);
    EXPECT_TRUE(session->locate("Second page")) << "Forward did not go forward";
    session->resize(480, 720);
    session->clickLabel("Done");
    session->pause(1.0);
    session->resize(200, 250);
    session->resize(1000, 400);
    session->key("c");
    session->pause(0.6);
    session->key("c");
    session->pause(0.6);
    session->resize(320, 480);
    // Three refreshes, each a flexible banner built anew.
    session->pause(14);
    EXPECT_FALSE(session->hasExited()) << session->log();
    EXPECT_GE(requestCount("/ad_request"), 3u);
    EXPECT_EQ(session->quit(), 0) << session->log();
    EXPECT_EQ(session->log().find("CRITICAL"), std::string::npos) << session->log();
}

// A second start hands its options to the window that runs already.
TEST_F(DesktopTest, ASecondStartHandsItsOptionsToTheRunningWindow)
{
    ASSERT_TRUE(start({ "/click/url" }));
    dismissWarning();
    auto before = session->windowSize();
    auto again = session->launchAgain({ "--fullscreen", "--square-size", "80" });
    EXPECT_EQ(again.status, 0) << again.output;
    EXPECT_NE(again.output.find("already running"), std::string::npos) << again.output;
    session->pause(1.0);
    // Without a window manager, full screen is the window at the monitor's size.
    EXPECT_EQ(session->windowSize(), (std::pair { 1280, 1024 }));
    EXPECT_NE(session->windowSize(), before);
    EXPECT_EQ(session->quit(), 0);
}

// Escape closes the browser even while the page has the keyboard, and the
// keyboard comes back to the test screen; a hand-off that nothing takes says so.
TEST_F(DesktopTest, EscapeClosesTheBrowserFromInsideThePageAndAFailedHandOffShowsAnAlert)
{
    ASSERT_TRUE(start({ "/click/url" }));
    dismissWarning();
    ASSERT_TRUE(session->waitForLog("Did receive ad", 20)) << session->log();
    session->clickLabel("Advertisement");
    session->pause(2.0);
    ASSERT_TRUE(session->locate("Done"));
    // The page's heading: a click there gives the page the keyboard.
    session->click(200, 68);
    session->key("Escape");
    session->pause(1.0);
    EXPECT_FALSE(session->locate("Done")) << "Escape did not close the browser";
    ASSERT_TRUE(session->locate("Start"));
    // Keys are the test screen's again: Space starts the test.
    session->key("space");
    EXPECT_TRUE(session->locate("Stop"));
    session->key("space");

    session->clickLabel("Donate");
    session->pause(0.5);
    EXPECT_TRUE(session->locate("No application can open https: links")) << session->log();
    session->xScreenshot("hand-off-x.png");
    session->key("Escape");
    session->pause(0.5);
    EXPECT_FALSE(session->locate("No application can open https: links"));
    EXPECT_TRUE(session->locate("Start"));
}

// The browser keeps to the whole window when the window changes size.
TEST_F(DesktopTest, ResizingWithTheBrowserOpenKeepsItFullWindow)
{
    ASSERT_TRUE(start({ "/click/url" }));
    dismissWarning();
    ASSERT_TRUE(session->waitForLog("Did receive ad", 20)) << session->log();
    session->clickLabel("Advertisement");
    session->pause(2.0);
    session->resize(480, 720);
    session->pause(0.5);
    auto x = session->xScreenshot("browser-resized-x.png");
    ASSERT_TRUE(x);
    ASSERT_EQ(x->pixelWidth(), 480);
    // The title bar and the toolbar run from edge to edge.
    EXPECT_EQ(rgbAt(*x, 475, 2), rgbAt(*x, 5, 2));
    EXPECT_EQ(rgbAt(*x, 475, 717), rgbAt(*x, 5, 717));
    auto title = session->locate("Pixel Care Demo");
    ASSERT_TRUE(title);
    EXPECT_NEAR(title->midX(), 240, 2);
    auto done = session->locate("Done");
    ASSERT_TRUE(done);
    session->click(done->midX(), done->midY());
    session->pause(1.0);
    EXPECT_FALSE(session->locate("Done"));
}

// In full screen the test's controls step aside after a few still seconds
// and come back when the pointer moves.
TEST_F(DesktopTest, FullScreenTestingHidesTheBannerAndToolbarUntilThePointerMoves)
{
    ASSERT_TRUE(start({ "/click/url" }));
    dismissWarning();
    ASSERT_TRUE(session->waitForLog("Did receive ad", 20)) << session->log();
    session->key("F11");
    session->pause(1.0);
    EXPECT_EQ(session->windowSize(), (std::pair { 1280, 1024 }));
    session->key("space");
    EXPECT_TRUE(session->locate("Advertisement"));
    session->pause(4.0);
    EXPECT_FALSE(session->locate("Advertisement")) << "the banner stayed";
    EXPECT_FALSE(session->locate("Stop")) << "the toolbar stayed";
    session->xScreenshot("full-screen-away-x.png");
    session->movePointer(600, 500);
    session->movePointer(620, 520);
    session->pause(1.0);
    EXPECT_TRUE(session->locate("Advertisement"));
    EXPECT_TRUE(session->locate("Stop"));
    session->key("F11");
    session->pause(1.0);
    EXPECT_EQ(session->windowSize(), (std::pair { 320, 480 }));
}

// The canvas page over the darkened screen closes with Escape.
TEST_F(DesktopTest, EscapeClosesTheCanvas)
{
    ASSERT_TRUE(start({ "/click/canvas" }));
    dismissWarning();
    ASSERT_TRUE(session->waitForLog("Did receive ad", 20)) << session->log();
    session->pause(1.0);
    session->clickLabel("Advertisement");
    session->pause(2.5);
    EXPECT_EQ(requestCount("/click/canvas"), 1u);
    // The darkened screen around the canvas's box.
    auto open = session->xScreenshot("canvas-x.png");
    ASSERT_TRUE(open);
    EXPECT_EQ(rgbAt(*open, 10, 40), 0x333333u);
    EXPECT_EQ(rgbAt(*open, 10, 460), 0x333333u);
    session->key("Escape");
    session->pause(1.5);
    auto closed = session->xScreenshot("canvas-closed-x.png");
    ASSERT_TRUE(closed);
    // The test screen's black where the box was.
    EXPECT_NE(rgbAt(*open, 160, 300), 0u);
    EXPECT_EQ(rgbAt(*closed, 160, 300), 0u) << "Escape did not close the canvas";
}

// Marking a pixel with a right click and its menu, then a report of it.
TEST_F(DesktopTest, ARightClickMarksThePixelUnderThePointer)
{
    ASSERT_TRUE(start({ "/click/url" }));
    dismissWarning();
    session->click(100, 300, 3);
    session->pause(0.8);
    session->xScreenshot("marking-menu-x.png");
    auto dead = session->locate("Dead pixel");
    ASSERT_TRUE(dead) << "no marking menu";
    session->click(dead->midX(), dead->midY());
    session->pause(0.8);
    EXPECT_EQ(session->command("export-report " + (dir / "report").string()), "ok");
    std::ifstream in(dir / "report.json");
    std::string json((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto report = JSONDeserializer().deserializeAsDictionary(json);
    ASSERT_TRUE(report) << json;
    auto marks = *report->find("marks");
    ASSERT_EQ(marks.size(), 1u) << json;
    EXPECT_EQ(marks[0].find("x")->numberValue(), 100);
    EXPECT_EQ(marks[0].find("y")->numberValue(), 300);
    EXPECT_EQ(marks[0].find("type")->stringValue(), "dead");
}
