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
//
// The work a description can ask for is bounded like the rest of a flexible
// ad: every animation value is kept for the ad's life and interpolated on
// each frame, so a member past a bound is dropped, with one log line per
// bound and ad. The bounds are far above anything an ad shows (a key frame
// per frame for 16 seconds at 60 frames a second; a few dozen animated
// properties on one element) and keep a hostile description's animations
// to a few megabytes.
class PellarFlexAnimationBuilder {
public:
    static constexpr float kDefaultDuration = 0.25f;
    static constexpr size_t kMaximumMembersPerElement = 64;
    static constexpr size_t kMaximumValuesPerKeyframeMember = 1000;
    // A basic member counts two values (from and to).
    static constexpr size_t kMaximumAnimationValuesPerAd = 20000;

    // What one ad has spent of its bounds so far, and which bounds it has
    // logged. Kept by the ad across its elements.
    struct Budget {
        size_t valuesUsed { 0 };
        bool membersLogged { false };
        bool keyframeValuesLogged { false };
        bool adValuesLogged { false };
    };

    // `properties` counts only when it is an object. Without a budget the
    // per-ad bound is not applied (a single element on its own).
    static std::shared_ptr<AnimationGroup> animationGroupFromArray(
        const JSONValue& members, const std::optional<JSONValue>& properties, Budget* = nullptr);
    // Members without their timing settings (the group sets those).
    static std::shared_ptr<BasicAnimation> basicAnimationFromDictionary(const JSONValue&);
    // Null past kMaximumValuesPerKeyframeMember values, among other checks.
    static std::shared_ptr<KeyframeAnimation> keyframeAnimationFromDictionary(const JSONValue&);
};
