#pragma once

#include "platform/headless/ScriptHost.h"

#include <functional>
#include <memory>
#include <string>

class ManualClock;
class Image;

// Runs the app without a display: composites the window stack into an image
// surface, writes PNGs, injects touches and drives the clock. Time is virtual
// by default (a manual clock advanced by `wait`, so a 10-second script runs
// at once); real time runs on the system clock.
class HeadlessHost final : public ScriptHost {
public:
    struct Options {
        double scale { 1.0 };
        bool realtime { false };
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

    // Virtual time only: while the probe answers true (work outside the run
    // loop, such as an HTTP exchange, is under way), the clock stands still
    // and the host waits for it in real time, so the network looks instant.
    // With a probe, waits move the clock in frames of 1/60 s and draw the
    // screen after each frame that changed it, as a display would.
    void setBusyProbe(std::function<bool()> probe) { m_busyProbe = std::move(probe); }

    // The screen as it is now.
    std::shared_ptr<Image> snapshot();

    // ScriptHost
    void injectTouch(TouchPhase, Point) override;
    void wait(double seconds, std::function<void()> then) override;
    std::string screenshot(const std::string& path) override;

private:
    void awaitOutsideWork();

    Options m_options;
    std::shared_ptr<ManualClock> m_clock;
    std::function<bool()> m_busyProbe;
};
