#pragma once

#include "platform/ui/graphics/Rect.h"
#include "platform/ui/views/MonitorIdentity.h"

#include <optional>

// The device's screen. It is 320 × 480 points unless the host says otherwise:
// the desktop host sizes it to its window (in points), so a bigger or
// full-screen window makes a bigger screen, and windows that covered the old
// screen follow it. The scale (pixels per point) is the host's too: the
// desktop window's scale factor, or the headless host's choice.
class Screen {
public:
    static constexpr Size kDefaultSize { 320, 480 };

    static Screen& mainScreen();

    Rect bounds() const { return { { 0, 0 }, m_size }; }
    // Sizes below one point are taken as one. Windows that covered the whole
    // screen are resized with it.
    void setSize(Size);
    // The bounds less the status bar when it is shown.
    Rect applicationFrame() const;
    double scale() const { return m_scale; }
    void setScale(double s) { m_scale = s > 0 ? s : 1.0; }

    // The monitor the screen is on. A host with monitors sets it (and again
    // when the window moves to another or the mode changes); without one the
    // screen is its own monitor: connector "headless", sized in device pixels.
    MonitorIdentity monitorIdentity() const;
    void setMonitorIdentity(std::optional<MonitorIdentity> identity) { m_monitor = std::move(identity); }

    // Back to 320 × 480 (tests); the scale stays.
    void resetSize() { m_size = kDefaultSize; }

private:
    Size m_size { kDefaultSize };
    double m_scale { 1.0 };
    std::optional<MonitorIdentity> m_monitor;
};
