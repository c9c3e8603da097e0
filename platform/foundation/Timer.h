#pragma once

#include <cstdint>
#include <functional>
#include <memory>

class RunLoop;

// A one-shot or repeating timer on the main run loop. The run loop holds a
// scheduled timer until it is invalidated or, for a one-shot timer, has fired;
// callers keep a shared_ptr only when they may need to invalidate it.
class Timer : public std::enable_shared_from_this<Timer> {
public:
    using Callback = std::function<void(Timer&)>;

    // Schedules a timer on the main run loop, as the platform's
    // scheduledTimerWithTimeInterval does; the first firing is `interval` from now.
    static std::shared_ptr<Timer> scheduledTimer(double interval, bool repeats, Callback);

    double timeInterval() const { return m_interval; }
    bool repeats() const { return m_repeats; }
    bool isValid() const { return m_valid; }
    // The deadline of the next firing on the run loop clock's scale.
    double fireDate() const { return m_fireDate; }

    // Stops the timer for good; safe inside its own callback and more than once.
    void invalidate();

private:
    friend class RunLoop;
    Timer(double interval, bool repeats, Callback);

    double m_interval;
    bool m_repeats;
    bool m_valid { true };
    bool m_firing { false }; // inside its own callback: the callback must outlive the call
    Callback m_callback;
    double m_start { 0 }; // when it was scheduled
    uint64_t m_index { 1 }; // the next firing is at m_start + m_index × interval
    double m_fireDate { 0 };
    uint64_t m_sequence { 0 }; // orders timers with equal deadlines by scheduling
};
