#include "tests/desktop/DesktopFixture.h"

#include <chrono>
#include <random>

namespace {

// Every kind of ad twice, then the image banner, which stays.
const std::vector<std::string> kEveryAd { "/click/url", "/search/click", "/click/call", "/click/contact",
    "/click/store", "/click/other", "/click/flex-doctor", "/click/flex-carousel", "/click/flex-showcase", "/click/url",
    "/search/click", "/click/call", "/click/contact", "/click/store", "/click/other", "/click/flex-doctor",
    "/click/flex-carousel", "/click/flex-showcase", "/click/canvas" };

constexpr double kRunSeconds = 180;
constexpr long kMemoryAllowanceKilobytes = 20 * 1024;

} // namespace

// Three minutes of real time on the desktop: refreshes every five seconds
// through every kind of ad, while random resizes, full screen on and off and
// the click-through screens opened and closed come in through the X server.
// Run on the sanitized build (its own CTest label): the app must end with no
// report, no crash, no CRITICAL, and memory close to where it started.
TEST_F(DesktopTest, EveryAdKindResizesFullScreenAndScreensForThreeMinutes)
{
    ASSERT_TRUE(start(kEveryAd, {},
        { "VANTREL_REFRESH_INTERVAL=5", "PELLAR_MINIMUM_REFRESH_INTERVAL=5",
            "VANTREL_CONTACTS_DIR=" + (dir / "contacts").string() }));
    dismissWarning();
    session->clickLabel("Start");
    std::mt19937 random(20261209);
    auto begin = std::chrono::steady_clock::now();
    auto elapsed = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count(); };
    long warmMemory = -1;
    int resizes = 0, fullScreens = 0, screensOpened = 0;
    while (elapsed() < kRunSeconds && !session->hasExited()) {
        if (warmMemory < 0 && elapsed() > 30)
            warmMemory = session->residentKilobytes();
        switch (random() % 4) {
        case 0:
            session->resize(200 + static_cast<int>(random() % 800), 250 + static_cast<int>(random() % 650));
            ++resizes;
            break;
        case 1:
            session->key("F11");
            session->pause(0.8);
            ++fullScreens;
            break;
        default:
            if (session->locate("Advertisement")) {
                session->clickLabel("Advertisement");
                session->pause(1.5);
                ++screensOpened;
                session->key("Escape");
                // Whatever Escape did not close, its own button does.
                for (const char* close : { "Done", "Cancel", "Close" }) {
                    if (auto button = session->locate(close))
                        session->click(button->midX(), button->midY());
                }
            }
            break;
        }
        session->pause(0.5);
    }
    ASSERT_FALSE(session->hasExited()) << session->log();
    long endMemory = session->residentKilobytes();
    std::printf(
        "stress: %d resizes, %d full-screen switches, %d screens; %zu ad requests; memory %ld kB after warm-up, "
        "%ld kB at the end\n",
        resizes, fullScreens, screensOpened, requestCount("/ad_request"), warmMemory, endMemory);
    EXPECT_GE(requestCount("/ad_request"), kEveryAd.size());
    EXPECT_LE(endMemory - warmMemory, kMemoryAllowanceKilobytes);
    EXPECT_EQ(session->quit(60), 0) << session->log();
    std::string log = session->log();
    EXPECT_EQ(log.find("CRITICAL"), std::string::npos) << log;
    EXPECT_EQ(log.find("AddressSanitizer"), std::string::npos) << log;
    EXPECT_EQ(log.find("runtime error"), std::string::npos) << log;
}
