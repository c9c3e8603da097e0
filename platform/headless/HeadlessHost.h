#pragma once

#include "platform/headless/ScriptHost.h"

#include "platform/ui/graphics/Size.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

class ManualClock;
class Image;

// Runs the app without a display: composites the window stack into an image
// surface, writes PNGs, injects touches and drives the clock. Time is virtual
// by default (a manual clock advanced by `wait`, so a 10-second script runs
// at once); real time runs on the system clock.
//
// On virtual time, while pending work holds the clock (PendingWork: an HTTP
// exchange, background work, a page loading), the clock stands still and the
// host waits for it in real time, so the network looks instant; a connection
// that has fallen silent lets the clock go on, so its time-out still fires.
// Waits move the clock in frames of 1/60 s and draw the screen after each
// frame that changed it, as a display would.
class HeadlessHost final : public ScriptHost {
public:
    struct Options {
        double scale { 1.0 };
        bool realtime { false };
        // The screen in points; the default is the device's 320 × 480.
        std::optional<Size> screenSize;
        // Text entry shows the phone's on-screen keyboard over the bottom of
        // the screen (and screens make room for it); otherwise the keyboard
        // is a physical one and covers nothing.
        bool onScreenKeyboard { false };
        // Links handed to the system fail, as on a desktop with no
        // application for them.
        bool noURLHandlers { false };
    };

    explicit HeadlessHost(Options);
    ~HeadlessHost() override;

    // Installs the clock and the screen scale; call before the app launches.
    void start();
    const Options& options() const { return m_options; }

    // Lets time pass: advances the manual clock or runs the loop for real.
    void runFor(double seconds);
    // Runs every task and timer that is due now.
    void settle();

    // The screen as it is now.
    std::shared_ptr<Image> snapshot();

    // ScriptHost
    void injectTouch(TouchPhase, Point) override;
    void injectKey(const Key&) override;
    void injectText(const std::string&) override;
    void injectPointerMotion(Point) override;
    void resizeScreen(Size) override;
    void wait(double seconds, std::function<void()> then) override;
    ErrorOr<void> screenshot(const std::string& path) override;

private:
    void awaitOutsideWork();

    Options m_options;
    std::shared_ptr<ManualClock> m_clock;
};
