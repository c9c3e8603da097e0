#pragma once

#include <functional>
#include <memory>
#include <vector>

class Layer;
class Timer;

// Keeps the screen moving while layers animate: a repeating 1/60 s timer on
// the main run loop runs only while some layer has an animation in progress,
// and on each tick asks those layers' windows to composite again. When
// nothing animates there is no timer, so an idle app does no work. A host
// with a display's frame clock drives the ticks itself instead.
class AnimationEngine {
public:
    static constexpr double kFrameInterval = 1.0 / 60.0;

    static AnimationEngine& shared();

    // How often the timer steps; a host may step less often than the default.
    void setFrameInterval(double seconds);
    double frameInterval() const { return m_frameInterval; }

    void layerDidAddAnimation(const std::shared_ptr<Layer>&);
    bool isRunning() const { return m_timer != nullptr || m_driven; }

    // With a driver set, starting animations calls it instead of scheduling
    // the timer; the driver then calls frame() once a display frame until
    // frame() answers false. Null goes back to the timer.
    using FrameDriver = std::function<void()>;
    void setFrameDriver(FrameDriver);
    bool frame();
    // Drops every layer and stops the tick (tests call it between cases).
    void reset();

private:
    void start();
    void tick();

    std::vector<std::weak_ptr<Layer>> m_layers;
    std::shared_ptr<Timer> m_timer;
    FrameDriver m_frameDriver;
    double m_frameInterval { kFrameInterval };
    bool m_driven { false };
};
