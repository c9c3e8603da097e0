#pragma once

#include "platform/ui/layers/Animation.h"
#include "platform/ui/layers/AnimationValue.h"

#include <string>

// An animation of one key path of a layer.
class PropertyAnimation : public Animation {
public:
    const std::string& keyPath() const { return m_keyPath; }
    void setKeyPath(std::string k) { m_keyPath = std::move(k); }
    // Additive animations add their value to the model value instead of replacing it.
    bool isAdditive() const { return m_additive; }
    void setAdditive(bool a) { m_additive = a; }

    void apply(double elapsed, LayerProperties&, const LayerProperties& model) const final;
    // The value at local time `t`, given the property's value without this animation.
    virtual std::optional<AnimationValue> valueAt(double localTime, const AnimationValue& underlying) const = 0;

protected:
    explicit PropertyAnimation(std::string keyPath)
        : m_keyPath(std::move(keyPath))
    {
    }

private:
    std::string m_keyPath;
    bool m_additive { false };
};
