#pragma once

#include "platform/ui/graphics/Image.h"
#include "platform/ui/graphics/Rect.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

// Vantrel's desktop window on an X server of its own (Xvfb, no window
// manager), driven as a person drives it: real pointer and key events go in
// through the X server (xdotool), and the screen is read both ways, from the
// host's own screenshot and from the X server's picture of the window (xwd).
// The app reads script commands on its standard input (`--script -`) and
// answers each with a line, which is how the test knows a screenshot is
// written or where a labelled control is.
class DesktopSession {
public:
    struct Options {
        std::string adServer; // the ad service's request URL
        std::string mediaHost; // its base URL
        std::filesystem::path directory;
        std::vector<std::string> arguments; // more options for vantrel
        std::vector<std::string> environment; // NAME=value
        int displayWidth { 1280 };
        int displayHeight { 1024 };
        // The app's binary (a sanitized build's for the stress test).
        std::filesystem::path binary;
    };

    explicit DesktopSession(Options);
    ~DesktopSession();
    DesktopSession(const DesktopSession&) = delete;
    DesktopSession& operator=(const DesktopSession&) = delete;

    // The X server, the app and its window are up.
    bool isRunning() const;
    const std::string& startFailure() const { return m_failure; }
    const std::string& windowId() const { return m_window; }
    std::string display() const { return ":" + std::to_string(m_displayNumber); }

    // One script command; answers the app's reply ("ok", "error: …"), or
    // "timeout" when none came in time.
    std::string command(const std::string& line, double timeoutSeconds = 30);
    // Where the control labelled `text` is, in the window's coordinates.
    std::optional<Rect> locate(const std::string& text);

    // Real input, in the window's coordinates (points × scale).
    void click(double x, double y, int button = 1);
    void doubleClick(double x, double y);
    void clickLabel(const std::string& text);
    void movePointer(double x, double y);
    void drag(double x1, double y1, double x2, double y2);
    void key(const std::string& keys);
    void type(const std::string& text);
    void resize(int width, int height);
    // Waits (in real time) while the app runs.
    void pause(double seconds);

    // The host's screenshot, and the X server's picture of the window.
    std::shared_ptr<Image> hostScreenshot(const std::string& name);
    std::shared_ptr<Image> xScreenshot(const std::string& name);
    // The window's size as the X server has it.
    std::pair<int, int> windowSize();

    // The app's standard error so far.
    std::string log() const;
    bool waitForLog(const std::string& text, double timeoutSeconds);
    // Ends the app with Ctrl+Q (through the X server); answers its exit status.
    int quit(double timeoutSeconds = 20);
    bool hasExited();
    // The app's peak resident memory so far, in kB (from /proc).
    long residentKilobytes() const;

    // Starts the app a second time, as a user would from a launcher, on the same
    // display and bus; answers its exit status and output.
    struct Launch {
        int status { -1 };
        std::string output;
    };
    Launch launchAgain(const std::vector<std::string>& arguments);

    // Runs xdotool (or another X client) on the session's display; answers its output.
    std::string runOnDisplay(const std::string& command) const;

private:
    bool startServer();
    bool startBus();
    bool startApp();
    std::vector<std::string> appEnvironment() const;
    bool findWindow();
    std::optional<std::string> readReply(double timeoutSeconds);

    Options m_options;
    pid_t m_server { -1 };
    pid_t m_bus { -1 };
    std::string m_busAddress;
    pid_t m_app { -1 };
    int m_displayNumber { -1 };
    int m_commands { -1 };
    int m_replies { -1 };
    std::string m_pendingReply;
    std::string m_window;
    std::string m_failure;
    int m_exitStatus { -1 };
};

// The share of pixels in which two pictures of the same size differ by more
// than `tolerance` in any channel (1 when the sizes differ).
double differingShare(const Image&, const Image&, int tolerance = 8);
// An XWD file (as xwd writes it, 24- or 32-bit TrueColor) as an image.
std::shared_ptr<Image> imageFromXWD(const std::string& bytes);
