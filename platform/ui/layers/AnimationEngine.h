#pragma once

#include <memory>
#include <vector>

class Layer;
class Timer;

// Keeps the screen moving while layers animate: a repeating timer on the main
// run loop (1/60 s unless a host steps less often) runs only while some layer
// has an animation in progress, and on each tick asks those layers' windows
// to composite again. When nothing animates there is no timer, so an idle app
// does no work.
class AnimationEngine {
public:
    static constexpr double kFrameInterval = 1.0 / 60.0;

    static AnimationEngine& shared();

    // How often the timer steps; a host may step less often than the default.
    void setFrameInterval(double seconds);
    double frameInterval() const { return m_frameInterval; }

    void layerDidAddAnimation(const std::shared_ptr<Layer>&);
    bool isRunning() const { return m_timer != nullptr; }
    // Drops every layer and stops the tick (tests call it between cases).
    void reset();

private:
    void start();
    void tick();

    std::vector<std::weak_ptr<Layer>> m_layers;
    std::shared_ptr<Timer> m_timer;
    double m_frameInterval { kFrameInterval };
};
