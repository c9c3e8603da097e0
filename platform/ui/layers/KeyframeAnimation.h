#pragma once

#include "platform/ui/layers/PropertyAnimation.h"

#include <vector>

// Through a list of values at key times (0..1 of the duration; evenly spaced
// when none are given), with an optional timing function per segment.
class KeyframeAnimation final : public PropertyAnimation {
public:
    static std::shared_ptr<KeyframeAnimation> animationWithKeyPath(std::string keyPath)
    {
        return std::shared_ptr<KeyframeAnimation>(new KeyframeAnimation(std::move(keyPath)));
    }

    const std::vector<AnimationValue>& values() const { return m_values; }
    void setValues(std::vector<AnimationValue> v) { m_values = std::move(v); }
    const std::vector<double>& keyTimes() const { return m_keyTimes; }
    void setKeyTimes(std::vector<double>);
    const std::vector<TimingFunction>& timingFunctions() const { return m_timingFunctions; }
    void setTimingFunctions(std::vector<TimingFunction> t) { m_timingFunctions = std::move(t); }

    std::optional<AnimationValue> valueAt(double localTime, const AnimationValue& underlying) const override;

private:
    using PropertyAnimation::PropertyAnimation;

    std::vector<AnimationValue> m_values;
    std::vector<double> m_keyTimes;
    bool m_keyTimesAscend { true };
    std::vector<TimingFunction> m_timingFunctions;
};
