#include "platform/ui/graphics/Image.h"
#include "json/JSONDeserializer.h"

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

// pellar-demo-server in a child process on a free port, logging every request.
class DemoService {
public:
    DemoService(const fs::path& scenario, const fs::path& log)
        : m_log(log)
    {
        int out[2];
        if (pipe(out) != 0)
            return;
        m_pid = fork();
        if (m_pid == 0) {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            std::string binary = VANTREL_BINARY_DIR "/server/pellar-demo-server";
            execl(binary.c_str(), binary.c_str(), "--port", "0", "--scenario", scenario.c_str(), "--log", log.c_str(),
                static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        FILE* first = fdopen(out[0], "r");
        char line[256] = {};
        if (first && std::fgets(line, sizeof line, first))
            m_baseURL = std::string(line, strcspn(line, "\n"));
        if (first)
            std::fclose(first);
    }
    ~DemoService()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }
    const std::string& baseURL() const { return m_baseURL; }

    // Every logged request as a JSON object.
    std::vector<JSONValue> requests() const
    {
        std::vector<JSONValue> found;
        std::ifstream in(m_log);
        for (std::string line; std::getline(in, line);) {
            if (auto entry = JSONDeserializer().deserializeAsDictionary(line))
                found.push_back(*entry);
        }
        return found;
    }
    std::vector<JSONValue> requestsTo(const std::string& path) const
    {
        std::vector<JSONValue> found;
        for (auto& entry : requests()) {
            if (entry.find("path")->stringValue() == path)
                found.push_back(entry);
        }
        return found;
    }

private:
    pid_t m_pid {-1};
    fs::path m_log;
    std::string m_baseURL;
};

// vantrel --headless on virtual time, pointed at the service.
struct VantrelRun {
    int status {-1};
    std::string log;
    int count(const std::string& text) const
    {
        int n = 0;
        for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1))
            ++n;
        return n;
    }
};

class BannerEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path()
            / ("vantrel-e2e-" + std::to_string(getpid()) + "-"
                + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override
    {
        // Screenshots stay for a look when a case fails or VANTREL_KEEP_E2E is set.
        if (!::testing::Test::HasFailure() && !std::getenv("VANTREL_KEEP_E2E"))
            fs::remove_all(dir);
    }
    VantrelRun runVantrel(const DemoService& service, const std::string& script)
    {
        std::ofstream(dir / "script.txt") << script;
        std::string command = "PELLAR_AD_SERVER=" + service.baseURL() + "/ad_request PELLAR_MEDIA_HOST="
            + service.baseURL() + " " VANTREL_BINARY_DIR "/app/vantrel --headless --data-dir " + (dir / "data").string()
            + " --script " + (dir / "script.txt").string() + " 2>&1";
        VantrelRun run;
        FILE* pipe = popen(command.c_str(), "r");
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            run.log.append(buffer, n);
        run.status = WEXITSTATUS(pclose(pipe));
        return run;
    }
    std::shared_ptr<Image> shot(const std::string& name) const { return Image::fromFile((dir / name).string()); }

    fs::path dir;
};

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

} // namespace
