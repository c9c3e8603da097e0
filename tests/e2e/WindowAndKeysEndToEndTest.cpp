#include "tests/e2e/EndToEndSupport.h"
#include "tests/support/Pixels.h"

#include <string>

namespace {

// The screens as the desktop uses them: Escape leaves them, they follow the
// window's size, a link nothing can open says so, and a full-screen test
// clears the screen of controls until the pointer moves.
class WindowAndKeysEndToEndTest : public EndToEndTest {
protected:
    std::string path(const std::string& name) const { return (dir / name).string(); }
    // Pixels in the band that are not the black of the screen.
    static int litPixels(const Image& image, int x0, int y0, int x1, int y1)
    {
        int lit = 0;
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x)
                lit += rgbAt(image, x, y) != 0 ? 1 : 0;
        }
        return lit;
    }
};

TEST_F(WindowAndKeysEndToEndTest, BrowserKeepsToTheResizedWindowAndEscapeIsDone)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "the browser's page needs a display";
    DemoService service(VANTREL_SOURCE_DIR "/server/scenarios/default", dir / "requests.jsonl");
    ASSERT_FALSE(service.baseURL().empty());
    // `tap-label Start` fails while anything covers the test screen.
    auto run = runVantrel(service,
        "wait 0.5\ntap-label I understood\nwait 0.5\ntap-label Advertisement\nwait 1.5\nresize 480 720\nwait 0.5\n"
        "screenshot "
            + path("browser.png") + "\nkey Escape\nwait 1\ntap-label Start\nscreenshot " + path("after.png")
            + "\nquit\n");
    ASSERT_EQ(run.status, 0) << run.log;
    EXPECT_EQ(service.requestsTo("/click/url").size(), 1u);
    auto browser = shot("browser.png"), after = shot("after.png");
    ASSERT_TRUE(browser && after);
    ASSERT_EQ(browser->pixelWidth(), 480);
    // Both bars run to the right edge, the top one and the bottom one.
    EXPECT_NE(rgbAt(*browser, 5, 2), 0u);
    EXPECT_EQ(rgbAt(*browser, 475, 2), rgbAt(*browser, 5, 2));
    EXPECT_EQ(rgbAt(*browser, 475, 717), rgbAt(*browser, 5, 717));
    EXPECT_NE(rgbAt(*browser, 475, 717), rgbAt(*after, 475, 717));
}

TEST_F(WindowAndKeysEndToEndTest, AHandOffNothingCanOpenSaysSoOnceAndEscapeClosesIt)
{
    DemoService service(VANTREL_SOURCE_DIR "/tests/e2e/scenarios/no-ads", dir / "requests.jsonl");
    ASSERT_FALSE(service.baseURL().empty());
    // The alert's OK proves it showed; Escape closes the second one.
    auto run = runVantrel(service,
        "wait 0.5\ntap-label I understood\ntap-label Donate\nwait 0.5\nscreenshot " + path("alert.png")
            + "\ntap-label OK\ntap-label Donate\nwait 0.5\nkey Escape\nwait 0.5\ntap-label Start\nquit\n",
        "", "--no-url-handlers");
    ASSERT_EQ(run.status, 0) << run.log;
    EXPECT_EQ(run.count("Could not open https://donate.vantrel.example: no application is registered for it"), 2)
        << run.log;
    EXPECT_EQ(run.count("Open with the system"), 0) << run.log;
    EXPECT_EQ(run.log.find("hosted_button_id"), std::string::npos) << run.log;
}

TEST_F(WindowAndKeysEndToEndTest, FullScreenTestClearsBannerAndToolbarUntilThePointerMoves)
{
    DemoService service(VANTREL_SOURCE_DIR "/server/scenarios/default", dir / "requests.jsonl");
    ASSERT_FALSE(service.baseURL().empty());
    auto run = runVantrel(service,
        "wait 0.5\ntap-label I understood\nwait 0.5\nkey F11\nkey space\nwait 2.5\nscreenshot " + path("shown.png")
            + "\nwait 1\nscreenshot " + path("away.png") + "\nhover 200 300\nwait 0.5\nscreenshot " + path("back.png")
            + "\nkey plus\nwait 0.2\nscreenshot " + path("interval.png") + "\nquit\n");
    ASSERT_EQ(run.status, 0) << run.log;
    auto shown = shot("shown.png"), away = shot("away.png"), back = shot("back.png");
    ASSERT_TRUE(shown && away && back);
    // The square sits in the middle, clear of both bands.
    EXPECT_GT(litPixels(*shown, 0, 0, 320, 48), 1000);
    EXPECT_GT(litPixels(*shown, 0, 436, 320, 480), 1000);
    EXPECT_EQ(litPixels(*away, 0, 0, 320, 48), 0);
    EXPECT_EQ(litPixels(*away, 0, 436, 320, 480), 0);
    EXPECT_GT(litPixels(*back, 0, 0, 320, 48), 1000);
    EXPECT_GT(litPixels(*back, 0, 436, 320, 480), 1000);
}

TEST_F(WindowAndKeysEndToEndTest, CanvasStaysCentredOverTheResizedScreenAndEscapeClosesIt)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "the canvas page needs a display";
    DemoService service(VANTREL_SOURCE_DIR "/server/scenarios/default", dir / "requests.jsonl");
    ASSERT_FALSE(service.baseURL().empty());
    // The demo rotation's tenth ad is the canvas ad.
    auto run = runVantrel(service,
        "wait 0.5\ntap-label I understood\nwait 540.5\ntap 160 24\nwait 1.5\nresize 480 720\nwait 0.5\n"
        "screenshot "
            + path("canvas.png") + "\nkey Escape\nwait 1.5\ntap-label Start\nquit\n");
    ASSERT_EQ(run.status, 0) << run.log;
    EXPECT_EQ(service.requestsTo("/click/canvas").size(), 1u);
    auto canvas = shot("canvas.png");
    ASSERT_TRUE(canvas);
    // The backdrop covers the grown screen; the 320-point box keeps to its middle.
    EXPECT_EQ(rgbAt(*canvas, 10, 40), 0x333333u);
    EXPECT_EQ(rgbAt(*canvas, 470, 710), 0x333333u);
    EXPECT_EQ(rgbAt(*canvas, 81, 360), 0x1a55c0u);
    EXPECT_EQ(rgbAt(*canvas, 60, 360), 0x333333u);
}

TEST_F(WindowAndKeysEndToEndTest, EscapeCancelsTheSearchScreenWithoutSearching)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "the search page needs a display";
    DemoService service(VANTREL_SOURCE_DIR "/server/scenarios/default", dir / "requests.jsonl");
    ASSERT_FALSE(service.baseURL().empty());
    auto run = runVantrel(service,
        "wait 0.5\ntap-label I understood\nwait 61\ntap-label Advertisement\nwait 1.5\ntype pi\nwait 0.5\n"
        "key Escape\nwait 1.5\ntap-label Start\nquit\n");
    ASSERT_EQ(run.status, 0) << run.log;
    EXPECT_EQ(service.requestsTo("/click/search").size(), 0u);
}

} // namespace
