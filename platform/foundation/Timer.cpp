#include "platform/foundation/Timer.h"

#include "platform/foundation/RunLoop.h"

Timer::Timer(double interval, bool repeats, Callback callback)
    // A zero or negative interval behaves as the platform does: a tiny positive one.
    : m_interval(interval > 0 ? interval : 0.0001)
    , m_repeats(repeats)
    , m_callback(std::move(callback))
{
}

std::shared_ptr<Timer> Timer::scheduledTimer(double interval, bool repeats, Callback callback)
{
    std::shared_ptr<Timer> timer(new Timer(interval, repeats, std::move(callback)));
    RunLoop::main().addTimer(timer);
    return timer;
}

void Timer::invalidate()
{
    if (!m_valid)
        return;
    m_valid = false;
    RunLoop::main().removeTimer(*this);
    // Drop the callback (and whatever it captured) to break cycles through the
    // target, but never while it is running; the run loop drops it afterwards.
    if (!m_firing)
        m_callback = nullptr;
}
