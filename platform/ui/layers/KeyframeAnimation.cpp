#include "platform/ui/layers/KeyframeAnimation.h"

std::optional<AnimationValue> KeyframeAnimation::valueAt(double localTime, const AnimationValue&) const
{
    size_t count = m_values.size();
    if (count == 0)
        return std::nullopt;
    if (count == 1)
        return m_values[0];
    double p = progress(localTime);
    // Key times are used only when there is one per value, as the platform does.
    auto keyTime
        = [&](size_t i) { return m_keyTimes.size() == count ? m_keyTimes[i] : static_cast<double>(i) / (count - 1); };
    if (p <= keyTime(0))
        return m_values[0];
    for (size_t i = 0; i + 1 < count; ++i) {
        double t0 = keyTime(i), t1 = keyTime(i + 1);
        if (p <= t1 || i + 2 == count) {
            if (p >= t1)
                return m_values[i + 1];
            double segment = t1 > t0 ? (p - t0) / (t1 - t0) : 1.0;
            if (i < m_timingFunctions.size())
                segment = m_timingFunctions[i].evaluate(segment);
            return m_values[i].interpolated(m_values[i + 1], segment);
        }
    }
    return m_values.back();
}
