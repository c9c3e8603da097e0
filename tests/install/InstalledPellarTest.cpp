// Pellar as an application developer meets it: the build folder installed
// into a temporary prefix (nothing is rebuilt), the examples built against
// that tree only, through pellar-1.pc and through the CMake package, and run
// on the display against the demo ad service on a free loopback port.
#include "tests/desktop/DesktopSession.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <glib.h>

#include <cairo.h>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string inQuotes(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

struct Result {
    int status;
    std::string output;
};

// Runs a shell command; its output and errors together.
Result run(const std::string& command)
{
    std::string output;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return { -1, "popen failed" };
    char buffer[4096];
    while (size_t got = fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, got);
    int status = pclose(pipe);
    return { WIFEXITED(status) ? WEXITSTATUS(status) : -1, output };
}

// The window ids in xdotool's output. A window that another test's program
// closes during the search makes xdotool print an X error among them.
std::vector<std::string> windowIds(const std::string& output)
{
    std::vector<std::string> windows;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && std::isdigit(static_cast<unsigned char>(line[0])))
            windows.push_back(line);
    }
    return windows;
}

std::string readFile(const fs::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A program on the display, its output and errors read through one pipe.
class RunningProgram {
public:
    RunningProgram(const std::string& command)
    {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        m_pid = fork();
        if (m_pid == 0) {
            dup2(fds[1], 1);
            dup2(fds[1], 2);
            close(fds[0]);
            close(fds[1]);
            setpgid(0, 0);
            execl("/bin/sh", "sh", "-c", ("exec " + command).c_str(), nullptr);
            _exit(127);
        }
        close(fds[1]);
        m_output = fds[0];
        fcntl(m_output, F_SETFL, O_NONBLOCK);
    }
    ~RunningProgram()
    {
        if (m_pid > 0) {
            kill(-m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_output >= 0)
            close(m_output);
    }
    pid_t pid() const { return m_pid; }

    // True once `text` is in the output; false after the timeout or the exit.
    bool waitFor(const std::string& text, double seconds)
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(int(seconds * 1000));
        while (std::chrono::steady_clock::now() < deadline) {
            char buffer[4096];
            ssize_t got;
            while ((got = read(m_output, buffer, sizeof buffer)) > 0)
                m_text.append(buffer, static_cast<size_t>(got));
            if (m_text.find(text) != std::string::npos)
                return true;
            if (got == 0)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }
    const std::string& output() const { return m_text; }

private:
    pid_t m_pid { -1 };
    int m_output { -1 };
    std::string m_text;
};

class InstalledPellarTest : public testing::Test {
protected:
    void SetUp() override
    {
        auto installed
            = run("cmake --install " + inQuotes(VANTREL_BINARY_DIR) + " --prefix " + inQuotes(m_prefix.string()));
        ASSERT_EQ(installed.status, 0) << installed.output;
        m_server = std::make_unique<RunningProgram>(inQuotes(PELLAR_DEMO_SERVER_PATH) + " --port 0");
        ASSERT_TRUE(m_server->waitFor("/ad_request\n", 10)) << m_server->output();
        std::istringstream lines(m_server->output());
        std::getline(lines, m_baseURL);
        std::getline(lines, m_adServerURL);
    }

    // What the examples run with: the installed library only, the demo
    // service, data of their own, and no accessibility bus to look for.
    std::string environment() const
    {
        return "env LD_LIBRARY_PATH=" + inQuotes((m_prefix / "lib").string()) + " GI_TYPELIB_PATH="
            + inQuotes((m_prefix / "lib/girepository-1.0").string()) + " PELLAR_AD_SERVER=" + inQuotes(m_adServerURL)
            + " PELLAR_MEDIA_HOST=" + inQuotes(m_baseURL) + " XDG_DATA_HOME=" + inQuotes((m_work / "data").string())
            + " XDG_CACHE_HOME=" + inQuotes((m_work / "cache").string()) + " GTK_A11Y=none ";
    }

    std::string pkgConfig(const std::string& arguments) const
    {
        return "PKG_CONFIG_PATH=" + inQuotes((m_prefix / "lib/pkgconfig").string()) + " pkg-config " + arguments;
    }

    // Runs an example until its banner has an ad, then checks the X
    // server's picture of its window: the banner is the strip at the bottom.
    void expectBannerAtTheBottom(const std::string& command, const std::string& name)
    {
        RunningProgram example(environment() + command);
        ASSERT_TRUE(example.waitFor("ad-received", 60)) << name << ":\n" << example.output();
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        // The example's own window, not one an earlier run may have left.
        auto found = run("timeout 20 xdotool search --sync --onlyvisible --pid " + std::to_string(example.pid())
            + " --name '^Banner example$'");
        auto ids = windowIds(found.output);
        ASSERT_FALSE(ids.empty()) << found.output;
        auto picture = run("xwd -silent -id " + ids.front());
        auto image = imageFromXWD(picture.output);
        ASSERT_TRUE(image) << "no picture of " << name;
        fs::path shots = fs::path(VANTREL_BINARY_DIR) / "install-screenshots";
        fs::create_directories(shots);
        image->writePNG((shots / (name + ".png")).string());

        // The content's background, and the share of pixels that differ from
        // it in a band of rows.
        auto* surface = image->surface();
        cairo_surface_flush(surface);
        const unsigned char* data = cairo_image_surface_get_data(surface);
        int stride = cairo_image_surface_get_stride(surface);
        int width = image->pixelWidth();
        int height = image->pixelHeight();
        auto pixel = [&](int x, int y) {
            uint32_t value;
            memcpy(&value, data + y * stride + x * 4, 4);
            return value & 0xffffff;
        };
        uint32_t background = pixel(width / 2, height / 2 + 40);
        // The window's frame is a few pixels wide; the bands stay inside it.
        constexpr int kInset = 8;
        auto differing = [&](int top, int bottom) {
            int count = 0;
            for (int y = top; y < bottom; ++y) {
                for (int x = kInset; x < width - kInset; ++x)
                    count += pixel(x, y) != background;
            }
            return double(count) / double((bottom - top) * (width - 2 * kInset));
        };
        // The banner is 48 pixels high, on the window's bottom edge.
        double aboveBanner = differing(height - 80, height - 56);
        double banner = differing(height - 44, height - kInset);
        EXPECT_LT(aboveBanner, 0.02) << name << ": content expected above the banner";
        EXPECT_GT(banner, 0.3) << name << ": no banner in the bottom strip";
    }

    TempDir m_work;
    fs::path m_prefix { m_work / "prefix" };
    std::unique_ptr<RunningProgram> m_server;
    std::string m_baseURL;
    std::string m_adServerURL;
};

} // namespace

TEST_F(InstalledPellarTest, InstalledTreeIsThePublicSurfaceOnly)
{
    for (auto file :
        { "lib/libpellar-1.so", "lib/libpellar-1.so.1", "include/pellar-1/pellar/pellar.h", "lib/pkgconfig/pellar-1.pc",
            "lib/cmake/Pellar/PellarConfig.cmake", "lib/cmake/Pellar/PellarConfigVersion.cmake",
            "share/gir-1.0/Pellar-1.gir", "lib/girepository-1.0/Pellar-1.typelib" })
        EXPECT_TRUE(fs::exists(m_prefix / file)) << file;
    // Only the C headers, in one folder; no static library of the core.
    for (auto& entry : fs::recursive_directory_iterator(m_prefix / "include")) {
        if (entry.is_regular_file()) {
            EXPECT_EQ(entry.path().parent_path(), m_prefix / "include/pellar-1/pellar") << entry.path();
        }
    }
    for (auto& entry : fs::recursive_directory_iterator(m_prefix / "lib"))
        EXPECT_NE(entry.path().extension(), ".a") << entry.path();

    auto flags = run(pkgConfig("--cflags --libs pellar-1"));
    ASSERT_EQ(flags.status, 0) << flags.output;
    EXPECT_EQ(flags.output.find("-std="), std::string::npos) << flags.output;
    EXPECT_NE(flags.output.find("/include/pellar-1 "), std::string::npos) << flags.output;
    EXPECT_NE(flags.output.find("-lpellar-1"), std::string::npos) << flags.output;
    EXPECT_EQ(run(pkgConfig("--print-requires pellar-1")).output, "gtk4\n");

    // Nothing installed for other programs points back at the checkout or the build.
    for (auto file : { "lib/pkgconfig/pellar-1.pc", "lib/cmake/Pellar/PellarConfig.cmake" }) {
        auto text = readFile(m_prefix / file);
        EXPECT_EQ(text.find(VANTREL_SOURCE_DIR), std::string::npos) << file;
        EXPECT_EQ(text.find(VANTREL_BINARY_DIR), std::string::npos) << file;
    }
}

TEST_F(InstalledPellarTest, CExampleBuildsEveryWayAndShowsItsBannerAtTheBottom)
{
    std::string example = std::string(VANTREL_SOURCE_DIR) + "/examples/c";
    std::string checks = std::string(VANTREL_SOURCE_DIR) + "/tests/install/package-check";
    std::string cmake
        = "cmake -DCMAKE_PREFIX_PATH=" + inQuotes(m_prefix.string()) + " -DCMAKE_C_COMPILER=" + inQuotes(C_COMPILER);

    // The CMake package: the example's own project, and one that checks the
    // caller's variables and builds the example beside X11's header.
    auto built = run(cmake + " -S " + inQuotes(example) + " -B " + inQuotes((m_work / "cmake").string())
        + " && cmake --build " + inQuotes((m_work / "cmake").string()));
    ASSERT_EQ(built.status, 0) << built.output;
    built = run(cmake + " -DEXAMPLE_SOURCE=" + inQuotes(example + "/main.c") + " -S " + inQuotes(checks) + " -B "
        + inQuotes((m_work / "check").string()) + " && cmake --build " + inQuotes((m_work / "check").string()));
    ASSERT_EQ(built.status, 0) << built.output;

    // pellar-1.pc, with X11's header before and after Pellar's.
    for (auto order : { "x11-first", "x11-last" }) {
        built = run(std::string(C_COMPILER) + " -Wall -Werror -DEXAMPLE_SOURCE="
            + inQuotes("\"" + example + "/main.c\"") + " -o " + inQuotes((m_work / order).string()) + " "
            + inQuotes(checks + "/" + order + ".c") + " $(" + pkgConfig("--cflags --libs pellar-1") + ")");
        ASSERT_EQ(built.status, 0) << order << ":\n" << built.output;
    }

    expectBannerAtTheBottom(inQuotes((m_work / "cmake/banner-example").string()), "c-example-cmake");
    expectBannerAtTheBottom(inQuotes((m_work / "x11-first").string()), "c-example-pkg-config");
}

// The example's visible windows, as the X server lists them.
std::vector<std::string> visibleWindowsOf(pid_t pid)
{
    return windowIds(run("xdotool search --onlyvisible --pid " + std::to_string(pid)).output);
}

bool waitForWindowCount(pid_t pid, size_t count, std::vector<std::string>& windows, int checks = 100)
{
    for (int i = 0; i < checks; ++i) {
        windows = visibleWindowsOf(pid);
        if (windows.size() == count)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return false;
}

// Real pointer input on the X server: a click on the banner's link ad opens
// the browser in a window of its own, and its Done gives the banner back.
TEST_F(InstalledPellarTest, AClickOnTheBannerOpensTheBrowserInItsOwnWindowAndDoneClosesIt)
{
    std::string example = std::string(VANTREL_SOURCE_DIR) + "/examples/c/main.c";
    auto built = run(std::string(C_COMPILER) + " -o " + inQuotes((m_work / "clicked").string()) + " "
        + inQuotes(example) + " $(" + pkgConfig("--cflags --libs pellar-1") + ")");
    ASSERT_EQ(built.status, 0) << built.output;
    RunningProgram program(environment() + inQuotes((m_work / "clicked").string()));
    ASSERT_TRUE(program.waitFor("ad-received", 60)) << program.output();
    std::vector<std::string> windows;
    ASSERT_TRUE(waitForWindowCount(program.pid(), 1, windows)) << windows.size();
    std::string main = windows[0];

    // The banner is the window's bottom 48 pixels; the demo's first ad links to a page.
    auto clicked = run("xdotool mousemove --window " + main + " 180 450 click 1");
    ASSERT_EQ(clicked.status, 0) << clicked.output;
    ASSERT_TRUE(waitForWindowCount(program.pid(), 2, windows)) << program.output();
    std::string browser = windows[0] == main ? windows[1] : windows[0];
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    auto picture = imageFromXWD(run("xwd -silent -id " + browser).output);
    ASSERT_TRUE(picture);
    EXPECT_GE(picture->pixelWidth(), 320);
    EXPECT_GE(picture->pixelHeight(), 480);
    fs::path shots = fs::path(VANTREL_BINARY_DIR) / "install-screenshots";
    fs::create_directories(shots);
    picture->writePNG((shots / "c-example-browser.png").string());

    // Done sits at the left of the browser's top bar. On a loaded machine a
    // click can come before the new window takes input; as a user would, it
    // clicks again.
    bool closed = false;
    for (int click = 0; click < 4 && !closed; ++click) {
        run("xdotool mousemove --window " + browser + " 30 21 click 1");
        closed = waitForWindowCount(program.pid(), 1, windows, 25);
    }
    ASSERT_TRUE(closed) << program.output();
    EXPECT_EQ(windows[0], main);
    EXPECT_EQ(program.output().find("CRITICAL"), std::string::npos) << program.output();
}

TEST_F(InstalledPellarTest, PythonExampleRunsThroughTheInstalledTypelib)
{
    // Debian's own interpreter: another python3 first on PATH may lack PyGObject.
    if (run("/usr/bin/python3 -c 'import gi'").status != 0)
        GTEST_SKIP() << "PyGObject is not installed (python3-gi): the Python example is not run";
    expectBannerAtTheBottom(
        "/usr/bin/python3 " + inQuotes(std::string(VANTREL_SOURCE_DIR) + "/examples/python/main.py"), "python-example");
}

TEST_F(InstalledPellarTest, GjsLoadsTheInstalledTypelib)
{
    if (run("command -v gjs").status != 0)
        GTEST_SKIP() << "gjs is not installed: JavaScript is not checked";
    auto loaded = run(environment()
        + "gjs -c \"imports.gi.versions.Gtk = '4.0'; imports.gi.versions.Pellar = '1';"
          " const { Gtk, Pellar } = imports.gi; Gtk.init();"
          " const banner = new Pellar.Banner({ publisher_id: 'a1b2c3', refresh_interval: 0 });"
          " print(banner.publisher_id, banner.refresh_interval, Pellar.Error.quark() !== 0);\"");
    EXPECT_EQ(loaded.status, 0) << loaded.output;
    EXPECT_NE(loaded.output.find("a1b2c3 0 true"), std::string::npos) << loaded.output;
}
