#include "tests/desktop/DesktopSession.h"

#include "platform/ui/graphics/CairoRefPtr.h"
#include "tests/support/Pixels.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

std::string shellQuoted(const std::string& text)
{
    std::string result = "'";
    for (char c : text) {
        if (c == '\'')
            result += "'\\''";
        else
            result += c;
    }
    return result + "'";
}

// The environment with `overrides` (NAME=value) put in place of their names.
std::vector<std::string> environmentWith(const std::vector<std::string>& overrides)
{
    std::vector<std::string> result;
    for (char** entry = environ; *entry; ++entry) {
        std::string text = *entry;
        std::string name = text.substr(0, text.find('='));
        bool replaced = name == "WAYLAND_DISPLAY";
        for (auto& override : overrides)
            replaced = replaced || override.substr(0, override.find('=')) == name;
        if (!replaced)
            result.push_back(text);
    }
    result.insert(result.end(), overrides.begin(), overrides.end());
    return result;
}

std::vector<char*> pointers(std::vector<std::string>& words)
{
    std::vector<char*> result;
    for (auto& word : words)
        result.push_back(word.data());
    result.push_back(nullptr);
    return result;
}

bool exited(pid_t pid, int* status)
{
    int raw = 0;
    pid_t done = waitpid(pid, &raw, WNOHANG);
    if (done != pid)
        return false;
    *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    return true;
}

void stop(pid_t pid, double graceSeconds)
{
    if (pid <= 0)
        return;
    int status = 0;
    auto deadline = Clock::now() + std::chrono::milliseconds(static_cast<int>(graceSeconds * 1000));
    while (Clock::now() < deadline) {
        if (exited(pid, &status))
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(pid, SIGTERM);
    deadline = Clock::now() + std::chrono::seconds(5);
    while (Clock::now() < deadline) {
        if (exited(pid, &status))
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

uint32_t readBigEndian(const std::string& bytes, size_t offset)
{
    auto byte = [&](size_t i) { return static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset + i])); };
    return byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
}

} // namespace

DesktopSession::DesktopSession(Options options)
    : m_options(std::move(options))
{
    std::filesystem::create_directories(m_options.directory);
    if (m_options.binary.empty())
        m_options.binary = VANTREL_BINARY_DIR "/app/vantrel";
    if (startServer() && startApp())
        findWindow();
}

DesktopSession::~DesktopSession()
{
    if (m_commands >= 0)
        close(m_commands); // the end of the script: the app quits
    if (m_app > 0 && m_exitStatus < 0)
        stop(m_app, 10);
    if (m_replies >= 0)
        close(m_replies);
    stop(m_bus, 0);
    stop(m_server, 0);
}

bool DesktopSession::isRunning() const
{
    return m_failure.empty() && !m_window.empty();
}

bool DesktopSession::startServer()
{
    int numberPipe[2];
    if (pipe(numberPipe) != 0) {
        m_failure = "no pipe";
        return false;
    }
    std::string size = std::to_string(m_options.displayWidth) + "x" + std::to_string(m_options.displayHeight) + "x24";
    m_server = fork();
    if (m_server == 0) {
        close(numberPipe[0]);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        std::string fd = std::to_string(numberPipe[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", size.c_str(), "-nolisten", "tcp", "-noreset",
            static_cast<char*>(nullptr));
        _exit(127);
    }
    close(numberPipe[1]);
    std::string number;
    char c;
    pollfd waiting { numberPipe[0], POLLIN, 0 };
    while (poll(&waiting, 1, 10000) > 0 && read(numberPipe[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(numberPipe[0]);
    if (number.empty()) {
        m_failure = "Xvfb did not start";
        return false;
    }
    m_displayNumber = std::stoi(number);
    return startBus();
}

bool DesktopSession::startBus()
{
    // A session bus of its own: the app is a single instance on its bus, and
    // cases running side by side must not find each other's.
    int addressPipe[2];
    if (pipe(addressPipe) != 0)
        return false;
    m_bus = fork();
    if (m_bus == 0) {
        close(addressPipe[0]);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, STDERR_FILENO);
        std::string fd = std::to_string(addressPipe[1]);
        execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", "--nopidfile", ("--print-address=" + fd).c_str(),
            static_cast<char*>(nullptr));
        _exit(127);
    }
    close(addressPipe[1]);
    char c;
    pollfd waiting { addressPipe[0], POLLIN, 0 };
    while (poll(&waiting, 1, 10000) > 0 && read(addressPipe[0], &c, 1) == 1 && c != '\n')
        m_busAddress += c;
    close(addressPipe[0]);
    if (m_busAddress.empty()) {
        m_failure = "no session bus";
        return false;
    }
    return true;
}

std::vector<std::string> DesktopSession::appEnvironment() const
{
    std::vector<std::string> overrides { "DISPLAY=" + display(), "DBUS_SESSION_BUS_ADDRESS=" + m_busAddress,
        "GSK_RENDERER=cairo", "WEBKIT_DISABLE_COMPOSITING_MODE=1", "PELLAR_AD_SERVER=" + m_options.adServer,
        "PELLAR_MEDIA_HOST=" + m_options.mediaHost };
    overrides.insert(overrides.end(), m_options.environment.begin(), m_options.environment.end());
    return environmentWith(overrides);
}

DesktopSession::Launch DesktopSession::launchAgain(const std::vector<std::string>& more)
{
    std::string command;
    for (auto& entry : appEnvironment())
        command += shellQuoted(entry) + " ";
    command = "env -i " + command + shellQuoted(m_options.binary.string()) + " --data-dir "
        + shellQuoted((m_options.directory / "data").string());
    for (auto& argument : more)
        command += " " + shellQuoted(argument);
    Launch launch;
    if (FILE* pipe = popen((command + " 2>&1 </dev/null").c_str(), "r")) {
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            launch.output.append(buffer, n);
        int status = pclose(pipe);
        launch.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return launch;
}

bool DesktopSession::startApp()
{
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) {
        m_failure = "no pipe";
        return false;
    }
    auto environment = appEnvironment();
    std::vector<std::string> arguments { m_options.binary.string(), "--data-dir",
        (m_options.directory / "data").string(), "--script", "-" };
    arguments.insert(arguments.end(), m_options.arguments.begin(), m_options.arguments.end());
    std::string logPath = (m_options.directory / "vantrel.log").string();
    m_app = fork();
    if (m_app == 0) {
        dup2(in[0], STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(log, STDERR_FILENO);
        close(in[1]);
        close(out[0]);
        auto argv = pointers(arguments);
        auto envp = pointers(environment);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    m_commands = in[1];
    m_replies = out[0];
    // A reply nobody waits for must not kill us when the app is gone.
    signal(SIGPIPE, SIG_IGN);
    return true;
}

bool DesktopSession::findWindow()
{
    std::string found = runOnDisplay("timeout 30 xdotool search --sync --onlyvisible --name '^Vantrel$' 2>/dev/null");
    std::istringstream lines(found);
    std::getline(lines, m_window);
    if (m_window.empty()) {
        m_failure = "no Vantrel window appeared; log:\n" + log();
        return false;
    }
    runOnDisplay("xdotool windowfocus --sync " + m_window);
    // The first frames and the first ad's start.
    if (command("wait 0.5") != "ok") {
        m_failure = "the app does not answer; log:\n" + log();
        return false;
    }
    return true;
}

std::string DesktopSession::runOnDisplay(const std::string& command) const
{
    std::string full
        = "DISPLAY=" + display() + " DBUS_SESSION_BUS_ADDRESS=" + shellQuoted(m_busAddress) + " " + command;
    std::string output;
    if (FILE* pipe = popen(full.c_str(), "r")) {
        char buffer[65536];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            output.append(buffer, n);
        pclose(pipe);
    }
    return output;
}

std::optional<std::string> DesktopSession::readReply(double timeoutSeconds)
{
    auto deadline = Clock::now() + std::chrono::milliseconds(static_cast<int>(timeoutSeconds * 1000));
    while (true) {
        if (auto end = m_pendingReply.find('\n'); end != std::string::npos) {
            std::string line = m_pendingReply.substr(0, end);
            m_pendingReply.erase(0, end + 1);
            return line;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return std::nullopt;
        pollfd waiting { m_replies, POLLIN, 0 };
        if (poll(&waiting, 1, static_cast<int>(left)) <= 0)
            continue;
        char buffer[1024];
        ssize_t n = read(m_replies, buffer, sizeof buffer);
        if (n <= 0)
            return std::nullopt;
        m_pendingReply.append(buffer, static_cast<size_t>(n));
    }
}

std::string DesktopSession::command(const std::string& line, double timeoutSeconds)
{
    if (m_commands < 0)
        return "not running";
    std::string text = line + "\n";
    if (write(m_commands, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        return "not running";
    return readReply(timeoutSeconds).value_or("timeout");
}

std::optional<Rect> DesktopSession::locate(const std::string& text)
{
    std::string reply = command("where " + text);
    double x, y, width, height;
    if (std::sscanf(reply.c_str(), "ok %lf %lf %lf %lf", &x, &y, &width, &height) != 4)
        return std::nullopt;
    return Rect { x, y, width, height };
}

void DesktopSession::click(double x, double y, int button)
{
    runOnDisplay("xdotool mousemove --window " + m_window + " " + std::to_string(std::lround(x)) + " "
        + std::to_string(std::lround(y)) + " click " + std::to_string(button));
    pause(0.2);
}

void DesktopSession::doubleClick(double x, double y)
{
    runOnDisplay("xdotool mousemove --window " + m_window + " " + std::to_string(std::lround(x)) + " "
        + std::to_string(std::lround(y)) + " click --repeat 2 --delay 80 1");
    pause(0.2);
}

void DesktopSession::clickLabel(const std::string& text)
{
    if (auto where = locate(text))
        click(where->midX(), where->midY());
    else
        ADD_FAILURE_AT(__FILE__, __LINE__);
}

void DesktopSession::movePointer(double x, double y)
{
    runOnDisplay("xdotool mousemove --window " + m_window + " " + std::to_string(std::lround(x)) + " "
        + std::to_string(std::lround(y)));
    pause(0.1);
}

void DesktopSession::drag(double x1, double y1, double x2, double y2)
{
    std::string window = " --window " + m_window + " ";
    std::string command = "xdotool mousemove" + window + std::to_string(std::lround(x1)) + " "
        + std::to_string(std::lround(y1)) + " mousedown 1";
    for (int step = 1; step <= 10; ++step) {
        double t = step / 10.0;
        command += " sleep 0.03 mousemove" + window + std::to_string(std::lround(x1 + (x2 - x1) * t)) + " "
            + std::to_string(std::lround(y1 + (y2 - y1) * t));
    }
    runOnDisplay(command + " mouseup 1");
    pause(0.2);
}

void DesktopSession::key(const std::string& keys)
{
    runOnDisplay("xdotool windowfocus " + m_window + " key --clearmodifiers " + keys);
    pause(0.2);
}

void DesktopSession::type(const std::string& text)
{
    runOnDisplay("xdotool windowfocus " + m_window + " type --delay 80 -- " + shellQuoted(text));
    pause(0.2);
}

void DesktopSession::resize(int width, int height)
{
    runOnDisplay("xdotool windowsize --sync " + m_window + " " + std::to_string(width) + " " + std::to_string(height));
    pause(0.4);
}

void DesktopSession::pause(double seconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(static_cast<int>(seconds * 1000)));
}

std::pair<int, int> DesktopSession::windowSize()
{
    std::string geometry = runOnDisplay("xdotool getwindowgeometry " + m_window);
    int width = 0, height = 0;
    if (auto at = geometry.find("Geometry: "); at != std::string::npos)
        std::sscanf(geometry.c_str() + at, "Geometry: %dx%d", &width, &height);
    return { width, height };
}

std::shared_ptr<Image> DesktopSession::hostScreenshot(const std::string& name)
{
    auto path = m_options.directory / name;
    if (command("screenshot " + path.string()) != "ok")
        return nullptr;
    return Image::fromFile(path.string());
}

std::shared_ptr<Image> DesktopSession::xScreenshot(const std::string& name)
{
    auto image = imageFromXWD(runOnDisplay("xwd -silent -id " + m_window));
    if (image)
        image->writePNG((m_options.directory / name).string());
    return image;
}

std::string DesktopSession::log() const
{
    std::ifstream in(m_options.directory / "vantrel.log");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool DesktopSession::waitForLog(const std::string& text, double timeoutSeconds)
{
    auto deadline = Clock::now() + std::chrono::milliseconds(static_cast<int>(timeoutSeconds * 1000));
    while (Clock::now() < deadline) {
        if (log().find(text) != std::string::npos)
            return true;
        pause(0.1);
    }
    return false;
}

bool DesktopSession::hasExited()
{
    if (m_exitStatus >= 0)
        return true;
    int status = 0;
    if (m_app > 0 && exited(m_app, &status)) {
        m_exitStatus = status;
        return true;
    }
    return false;
}

int DesktopSession::quit(double timeoutSeconds)
{
    runOnDisplay("xdotool windowfocus " + m_window + " key --clearmodifiers ctrl+q");
    auto deadline = Clock::now() + std::chrono::milliseconds(static_cast<int>(timeoutSeconds * 1000));
    while (Clock::now() < deadline) {
        if (hasExited())
            return m_exitStatus;
        pause(0.05);
    }
    return -1;
}

long DesktopSession::residentKilobytes() const
{
    std::ifstream status("/proc/" + std::to_string(m_app) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

double differingShare(const Image& a, const Image& b, int tolerance)
{
    if (a.pixelWidth() != b.pixelWidth() || a.pixelHeight() != b.pixelHeight())
        return 1.0;
    long differing = 0;
    for (int y = 0; y < a.pixelHeight(); ++y) {
        for (int x = 0; x < a.pixelWidth(); ++x) {
            uint32_t p = rgbAt(a, x, y), q = rgbAt(b, x, y);
            for (int shift = 0; shift < 24; shift += 8) {
                int difference = static_cast<int>((p >> shift) & 0xFF) - static_cast<int>((q >> shift) & 0xFF);
                if (std::abs(difference) > tolerance) {
                    ++differing;
                    break;
                }
            }
        }
    }
    return static_cast<double>(differing) / (static_cast<double>(a.pixelWidth()) * a.pixelHeight());
}

std::shared_ptr<Image> imageFromXWD(const std::string& bytes)
{
    constexpr size_t kHeaderFields = 25;
    if (bytes.size() < kHeaderFields * 4)
        return nullptr;
    auto field = [&](size_t index) { return readBigEndian(bytes, index * 4); };
    uint32_t headerSize = field(0), format = field(2), width = field(4), height = field(5);
    uint32_t byteOrder = field(7), bitsPerPixel = field(11), bytesPerLine = field(12), colours = field(19);
    uint32_t redMask = field(14), greenMask = field(15), blueMask = field(16);
    // ZPixmap, TrueColor at 24 or 32 bits, as Xvfb's 24-bit screen gives.
    if (format != 2 || (bitsPerPixel != 32 && bitsPerPixel != 24) || width == 0 || height == 0 || width > 16384
        || height > 16384)
        return nullptr;
    size_t pixels = static_cast<size_t>(headerSize) + static_cast<size_t>(colours) * 12;
    if (bytes.size() < pixels + static_cast<size_t>(bytesPerLine) * height)
        return nullptr;
    auto surface
        = adoptGRef(cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(width), static_cast<int>(height)));
    cairo_surface_flush(surface.get());
    unsigned char* data = cairo_image_surface_get_data(surface.get());
    int stride = cairo_image_surface_get_stride(surface.get());
    auto channel = [](uint32_t pixel, uint32_t mask) {
        if (!mask)
            return 0u;
        int shift = __builtin_ctz(mask);
        return ((pixel & mask) >> shift) * 255 / (mask >> shift);
    };
    size_t bytesPerPixel = bitsPerPixel / 8;
    for (uint32_t y = 0; y < height; ++y) {
        const auto* row
            = reinterpret_cast<const unsigned char*>(bytes.data() + pixels + static_cast<size_t>(y) * bytesPerLine);
        auto* target = reinterpret_cast<uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
        for (uint32_t x = 0; x < width; ++x) {
            const unsigned char* p = row + x * bytesPerPixel;
            uint32_t pixel = 0;
            for (size_t i = 0; i < bytesPerPixel; ++i) {
                size_t from = byteOrder == 0 ? bytesPerPixel - 1 - i : i; // LSBFirst: least significant byte first
                pixel = pixel << 8 | p[from];
            }
            target[x] = channel(pixel, redMask) << 16 | channel(pixel, greenMask) << 8 | channel(pixel, blueMask);
        }
    }
    cairo_surface_mark_dirty(surface.get());
    return Image::fromSurface(surface.get());
}
