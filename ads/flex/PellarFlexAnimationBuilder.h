#pragma once

#include "json/JSONValue.h"

#include <memory>
#include <optional>

class AnimationGroup;
class BasicAnimation;
class KeyframeAnimation;

// Turns an element's animation settings into the platform's animation
// objects: a group ("ag" settings) of basic ("B") and key-frame ("K") members
// ("a"), each on a key path of the element view's layer. Members that fail
// their checks are dropped; settings that are missing or malformed take their
// defaults; a group left without members is no animation.
class PellarFlexAnimationBuilder {
public:
    static constexpr float kDefaultDuration = 0.25f;

    // `properties` counts only when it is an object.
    static std::shared_ptr<AnimationGroup> animationGroupFromArray(
        const JSONValue& members, const std::optional<JSONValue>& properties);
    // Members without their timing settings (the group sets those).
    static std::shared_ptr<BasicAnimation> basicAnimationFromDictionary(const JSONValue&);
    static std::shared_ptr<KeyframeAnimation> keyframeAnimationFromDictionary(const JSONValue&);
};
