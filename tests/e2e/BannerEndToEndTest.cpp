#include "tests/e2e/EndToEndSupport.h"
#include "tests/support/Pixels.h"

#include <cairo.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

class BannerEndToEndTest : public EndToEndTest { };

// The largest difference of one colour channel between two screenshots inside `area`.
int largestDifference(const Image& a, const Image& b, int x0, int y0, int x1, int y1)
{
    const unsigned char* pa = cairo_image_surface_get_data(a.surface());
    const unsigned char* pb = cairo_image_surface_get_data(b.surface());
    int sa = cairo_image_surface_get_stride(a.surface());
    int sb = cairo_image_surface_get_stride(b.surface());
    int worst = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            for (int c = 0; c < 3; ++c)
                worst = std::max(worst, std::abs(pa[y * sa + x * 4 + c] - pb[y * sb + x * 4 + c]));
        }
    }
    return worst;
}

TEST_F(BannerEndToEndTest, BannerAppearsTakesAClickFlipsInTheNextAdAndSurvivesAFailingRefresh)
{
    DemoService service(VANTREL_SOURCE_DIR "/tests/e2e/scenarios/refresh", dir / "requests.jsonl");
    ASSERT_FALSE(service.baseURL().empty());
    // The first ad arrives at once (network time does not count); the
    // refresh timer then fires at 60 s and 120 s.
    auto run = runVantrel(service,
        "wait 0.5\n"
        "tap-label I understood\n"
        "wait 0.5\n"
        "screenshot "
            + (dir / "shown.png").string()
            + "\n"
              "press 100 24\n"
              "screenshot "
            + (dir / "pressed.png").string()
            + "\n"
              "release 100 24\n"
              "wait 0.2\n"
              "screenshot "
            + (dir / "pulse.png").string()
            + "\n"
              "wait 0.65\n"
              "screenshot "
            + (dir / "spinner.png").string()
            + "\n"
              "wait 0.3\n"
              "screenshot "
            + (dir / "restored.png").string()
            + "\n"
              "wait 58\n"
              "screenshot "
            + (dir / "flip.png").string()
            + "\n"
              "wait 1\n"
              "screenshot "
            + (dir / "second.png").string()
            + "\n"
              "wait 10\n"
              "wait 50\n"
              "screenshot "
            + (dir / "after-failure.png").string()
            + "\n"
              "quit\n");
    ASSERT_EQ(run.status, 0) << run.log;
    EXPECT_EQ(run.count("Pellar: Did receive ad"), 1) << run.log;
    EXPECT_EQ(run.count("Pellar: Did fail to receive ad"), 0);

    // One click, carrying the press and the release.
    auto clicks = service.requestsTo("/click/first");
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].find("method")->stringValue(), "POST");
    auto body = JSONDeserializer().deserializeAsDictionary(clicks[0].find("body")->stringValue());
    ASSERT_TRUE(body);
    auto records = body->find("interactions");
    ASSERT_TRUE(records && records->size() == 2);
    EXPECT_TRUE((*records)[0].stringValue().starts_with("0,100,24,"));
    EXPECT_TRUE((*records)[1].stringValue().starts_with("1,100,24,"));
    EXPECT_EQ(service.requestsTo("/ad_request").size(), 3u);

    auto shown = shot("shown.png"), pressed = shot("pressed.png"), pulse = shot("pulse.png");
    auto spinner = shot("spinner.png"), restored = shot("restored.png"), flip = shot("flip.png");
    auto second = shot("second.png"), afterFailure = shot("after-failure.png");
    ASSERT_TRUE(shown && pressed && pulse && spinner && restored && flip && second && afterFailure);
    // The highlight greys the whole banner; the pulse enlarges the action icon
    // (right 40 points); the spinner replaces it; then all is as before.
    EXPECT_GT(largestDifference(*shown, *pressed, 0, 0, 280, 48), 60);
    EXPECT_GT(largestDifference(*shown, *pulse, 280, 0, 320, 48), 60);
    EXPECT_EQ(largestDifference(*shown, *pulse, 0, 0, 270, 48), 0);
    EXPECT_GT(largestDifference(*shown, *spinner, 280, 0, 320, 48), 60);
    EXPECT_EQ(largestDifference(*shown, *restored, 0, 0, 320, 48), 0);
    // The flip is under way at 60.2 s and has ended by 61.2 s with the new ad's text.
    EXPECT_GT(largestDifference(*flip, *second, 0, 0, 320, 48), 60);
    EXPECT_GT(largestDifference(*shown, *second, 40, 0, 280, 48), 60);
    // The failed refresh at 120 s leaves the second ad on screen.
    EXPECT_EQ(largestDifference(*second, *afterFailure, 0, 0, 320, 48), 0);
    // The rest of the screen is untouched throughout.
    EXPECT_EQ(largestDifference(*shown, *afterFailure, 0, 48, 320, 480), 0);
}

TEST_F(BannerEndToEndTest, FailingFirstAdIsLoggedAndTheBannerNeverShows)
{
    DemoService service(VANTREL_SOURCE_DIR "/tests/e2e/scenarios/no-ads", dir / "requests.jsonl");
    ASSERT_FALSE(service.baseURL().empty());
    auto run = runVantrel(service,
        "wait 0.5\n"
        "tap-label I understood\n"
        "screenshot "
            + (dir / "before.png").string()
            + "\n"
              "wait 130\n"
              "screenshot "
            + (dir / "after.png").string()
            + "\n"
              "tap-label Advertisement\n");
    // Nothing labelled "Advertisement" is on screen: the script fails there.
    EXPECT_EQ(run.status, 1) << run.log;
    EXPECT_EQ(run.count("Pellar: Did fail to receive ad"), 1) << run.log;
    EXPECT_EQ(run.count("Pellar: Did receive ad"), 0);
    EXPECT_NE(run.log.find("nothing labelled \"Advertisement\""), std::string::npos);
    // No retry and no refresh.
    EXPECT_EQ(service.requestsTo("/ad_request").size(), 1u);
    auto before = shot("before.png"), after = shot("after.png");
    ASSERT_TRUE(before && after);
    EXPECT_EQ(largestDifference(*before, *after, 0, 0, 320, 48), 0);
}

TEST_F(BannerEndToEndTest, AServiceThatNeverAnswersFailsTheAdAtTheTimeOutInsteadOfHanging)
{
    // The service takes the request and says nothing. On virtual time the
    // connection holds the clock only while it might still answer; after a
    // short real-time grace the clock goes on and the 60 s time-out fires.
    DemoService service(VANTREL_SOURCE_DIR "/tests/e2e/scenarios/silent", dir / "requests.jsonl");
    ASSERT_FALSE(service.baseURL().empty());
    auto early = runVantrel(service, "wait 0.5\ntap-label I understood\nwait 58\nquit\n");
    EXPECT_EQ(early.status, 0) << early.log;
    EXPECT_EQ(early.count("Pellar: Did fail to receive ad"), 0) << early.log;

    auto late = runVantrel(service, "wait 0.5\ntap-label I understood\nwait 62\nquit\n");
    EXPECT_EQ(late.status, 0) << late.log;
    EXPECT_EQ(late.count("Pellar: Did fail to receive ad"), 1) << late.log;
    EXPECT_EQ(late.count("Pellar: Did receive ad"), 0);
    EXPECT_EQ(service.requestsTo("/ad_request").size(), 2u);
}

TEST_F(BannerEndToEndTest, CanvasAdOpensTheCanvasPageOverTheDarkenedScreenAndItsCloseButtonGivesTheScreenBack)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "the canvas page needs a display";
    DemoService service(VANTREL_SOURCE_DIR "/server/scenarios/default", dir / "requests.jsonl");
    ASSERT_FALSE(service.baseURL().empty());
    // The demo rotation's tenth ad is the canvas ad: nine refreshes, a minute apart.
    auto run = runVantrel(service,
        "wait 0.5\n"
        "tap-label I understood\n"
        "wait 540.5\n"
        "screenshot "
            + (dir / "banner.png").string()
            + "\n"
              "tap 160 24\n"
              "wait 1.5\n"
              "screenshot "
            + (dir / "canvas.png").string()
            + "\n"
              "tap 86 353\n"
              "wait 0.5\n"
              "tap 234 353\n"
              "wait 1\n"
              "screenshot "
            + (dir / "after.png").string()
            + "\n"
              "quit\n");
    ASSERT_EQ(run.status, 0) << run.log;
    EXPECT_EQ(service.requestsTo("/click/canvas").size(), 1u);
    EXPECT_EQ(service.requestsTo("/static/mobile/canvas.html").size(), 1u);
    // "Open outside" hands the content to the system (a headless run logs it) and the canvas stays.
    EXPECT_EQ(run.count("Open with the system: " + service.baseURL() + "/landing/canvas\n"), 1) << run.log;

    auto banner = shot("banner.png"), canvas = shot("canvas.png"), after = shot("after.png");
    ASSERT_TRUE(banner && canvas && after);
    // The backdrop is opaque dark grey above and below the box; the box is
    // the page, framed in blue, with the title the page was handed.
    EXPECT_EQ(rgbAt(*canvas, 10, 40), 0x333333u);
    EXPECT_EQ(rgbAt(*canvas, 300, 450), 0x333333u);
    EXPECT_EQ(rgbAt(*canvas, 1, 240), 0x1a55c0u);
    EXPECT_EQ(rgbAt(*canvas, 250, 270), 0xfdfdfbu);
    EXPECT_GT(largestDifference(*canvas, *banner, 17, 122, 190, 142), 150);
    // Closed: the banner is back and nothing of the screen is left over.
    EXPECT_EQ(largestDifference(*banner, *after, 0, 0, 320, 480), 0);
}

} // namespace
