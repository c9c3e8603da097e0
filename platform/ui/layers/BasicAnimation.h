#pragma once

#include "platform/ui/layers/PropertyAnimation.h"

// From one value to another. A missing from value starts from the property's
// current value; a missing to value ends there; a by value goes that far
// beyond the start.
class BasicAnimation final : public PropertyAnimation {
public:
    static std::shared_ptr<BasicAnimation> animationWithKeyPath(std::string keyPath)
    {
        return std::shared_ptr<BasicAnimation>(new BasicAnimation(std::move(keyPath)));
    }

    const std::optional<AnimationValue>& fromValue() const { return m_from; }
    void setFromValue(std::optional<AnimationValue> v) { m_from = std::move(v); }
    const std::optional<AnimationValue>& toValue() const { return m_to; }
    void setToValue(std::optional<AnimationValue> v) { m_to = std::move(v); }
    const std::optional<AnimationValue>& byValue() const { return m_by; }
    void setByValue(std::optional<AnimationValue> v) { m_by = std::move(v); }

    std::optional<AnimationValue> valueAt(double localTime, const AnimationValue& underlying) const override;

private:
    using PropertyAnimation::PropertyAnimation;

    std::optional<AnimationValue> m_from;
    std::optional<AnimationValue> m_to;
    std::optional<AnimationValue> m_by;
};
