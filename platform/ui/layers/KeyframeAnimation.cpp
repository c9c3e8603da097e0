#include "platform/ui/layers/KeyframeAnimation.h"

#include <algorithm>

void KeyframeAnimation::setKeyTimes(std::vector<double> keyTimes)
{
    m_keyTimes = std::move(keyTimes);
    m_keyTimesAscend = std::is_sorted(m_keyTimes.begin(), m_keyTimes.end());
}

std::optional<AnimationValue> KeyframeAnimation::valueAt(double localTime, const AnimationValue&) const
{
    size_t count = m_values.size();
    if (count == 0)
        return std::nullopt;
    if (count == 1)
        return m_values[0];
    double p = progress(localTime);
    // Key times are used only when there is one per value, as the platform does.
    bool given = m_keyTimes.size() == count;
    auto keyTime = [&](size_t i) { return given ? m_keyTimes[i] : static_cast<double>(i) / (count - 1); };
    if (p <= keyTime(0))
        return m_values[0];

    // The segment is the first whose end is at or after p (the last when
    // none is). Ascending key times (evenly spaced ones always are) are
    // searched by halves, so a long list costs little per frame; key times
    // out of order keep the scan, which such a list defines.
    size_t segment = count - 2;
    if (!given || m_keyTimesAscend) {
        size_t low = 1, high = count - 1; // the first end at or after p is in [low, high], or there is none
        while (low < high) {
            size_t middle = low + (high - low) / 2;
            if (p <= keyTime(middle))
                high = middle;
            else
                low = middle + 1;
        }
        if (p <= keyTime(low))
            segment = low - 1;
    } else {
        for (size_t i = 0; i + 1 < count; ++i) {
            if (p <= keyTime(i + 1)) {
                segment = i;
                break;
            }
        }
    }
    double t0 = keyTime(segment), t1 = keyTime(segment + 1);
    if (p >= t1)
        return m_values[segment + 1];
    double fraction = t1 > t0 ? (p - t0) / (t1 - t0) : 1.0;
    if (segment < m_timingFunctions.size())
        fraction = m_timingFunctions[segment].evaluate(fraction);
    return m_values[segment].interpolated(m_values[segment + 1], fraction);
}
