#include "platform/ui/layers/Animation.h"

#include <cmath>

double Animation::activeDuration() const
{
    double cycle = effectiveDuration() * (m_autoreverses ? 2 : 1);
    if (m_repeatDuration > 0)
        return m_repeatDuration;
    if (std::isinf(m_repeatCount))
        return std::numeric_limits<double>::infinity();
    double count = m_repeatCount > 0 ? m_repeatCount : 1;
    return cycle * count;
}

double Animation::endElapsed() const
{
    if (m_speed <= 0)
        return std::numeric_limits<double>::infinity();
    return activeDuration() / m_speed;
}

std::optional<double> Animation::localTime(double elapsed) const
{
    double active = activeDuration();
    double t = elapsed * m_speed;
    if (t < 0) {
        if (m_fillMode == FillMode::Backwards || m_fillMode == FillMode::Both)
            return m_timeOffset;
        return std::nullopt;
    }
    if (t >= active) {
        if (m_fillMode == FillMode::Forwards || m_fillMode == FillMode::Both)
            return active;
        return std::nullopt;
    }
    t += m_timeOffset;
    // An offset starts the animation part-way through and wraps round, so it
    // still runs for its whole active duration.
    if (t >= active && std::isfinite(active) && active > 0)
        t = std::fmod(t, active);
    return t;
}

double Animation::progress(double t) const
{
    double duration = effectiveDuration();
    double cycle = duration * (m_autoreverses ? 2 : 1);
    double active = activeDuration();
    double within;
    if (t >= active && std::isfinite(active)) {
        // The end state: where the last (possibly partial) cycle stops.
        within = std::fmod(active, cycle);
        if (within < 1e-12)
            within = cycle;
    } else {
        within = std::fmod(std::max(t, 0.0), cycle);
    }
    if (m_autoreverses && within > duration)
        within = cycle - within;
    double linear = std::clamp(within / duration, 0.0, 1.0);
    return m_timingFunction ? m_timingFunction->evaluate(linear) : linear;
}

void Animation::notifyDidStart()
{
    auto protectedThis = shared_from_this();
    if (auto d = m_delegate.lock())
        d->animationDidStart(*this);
}

void Animation::notifyDidStop(bool finished)
{
    auto protectedThis = shared_from_this();
    if (auto d = m_delegate.lock())
        d->animationDidStop(*this, finished);
    if (m_didStop) {
        auto handler = m_didStop;
        handler(*this, finished);
    }
}
