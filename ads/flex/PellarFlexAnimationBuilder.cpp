#include "ads/flex/PellarFlexAnimationBuilder.h"

#include "ads/flex/PellarFlexValueParsing.h"
#include "platform/foundation/Log.h"
#include "platform/ui/layers/AnimationGroup.h"
#include "platform/ui/layers/BasicAnimation.h"
#include "platform/ui/layers/KeyframeAnimation.h"

#include <cmath>
#include <string>
#include <utility>

namespace {

using P = PellarFlexValueParsing;

std::optional<JSONValue> member(const JSONValue& dictionary, std::string_view key)
{
    return dictionary.find(key);
}

std::optional<std::string> stringMember(const JSONValue& dictionary, std::string_view key)
{
    auto value = dictionary.find(key);
    if (!value || !value->isString())
        return std::nullopt;
    return std::string(value->stringValue());
}

// The timing settings shared by members and the group, except the group's
// duration, whose default depends on its members.
void setTiming(Animation& animation, const JSONValue& settings)
{
    animation.setBeginTime(P::floatWithValue(member(settings, "bt"), 0.0f));
    animation.setTimeOffset(P::floatWithValue(member(settings, "to"), 0.0f));
    animation.setRepeatCount(P::floatWithValue(member(settings, "rc"), 1.0f));
}

void setTimingAfterDuration(Animation& animation, const JSONValue& settings)
{
    animation.setAutoreverses(P::boolWithValue(member(settings, "ar"), false));
    animation.setRemovedOnCompletion(P::boolWithValue(member(settings, "roc"), true));
    animation.setFillMode(P::fillModeWithValue(member(settings, "fm"), "r"));
    animation.setSpeed(P::floatWithValue(member(settings, "s"), 1.0f));
}

}

std::shared_ptr<BasicAnimation> PellarFlexAnimationBuilder::basicAnimationFromDictionary(const JSONValue& dictionary)
{
    auto keyPath = stringMember(dictionary, "kp");
    auto typeCode = stringMember(dictionary, "vt");
    if (!keyPath || !typeCode)
        return nullptr;
    auto animation = BasicAnimation::animationWithKeyPath(*keyPath);
    // An unknown type code gives neither value; the animation is still made,
    // and animates from the property's value to itself.
    if (auto from = P::valueOfType(*typeCode, member(dictionary, "fv"), &P::defaultAnimationFromValueWithValueType))
        animation->setFromValue(P::animationValue(*from));
    if (auto to = P::valueOfType(*typeCode, member(dictionary, "tv"), &P::defaultAnimationToValueWithValueType))
        animation->setToValue(P::animationValue(*to));
    animation->setTimingFunction(P::timingFunctionWithValue(member(dictionary, "tf"), "l"));
    return animation;
}

std::shared_ptr<KeyframeAnimation> PellarFlexAnimationBuilder::keyframeAnimationFromDictionary(
    const JSONValue& dictionary)
{
    auto keyPath = stringMember(dictionary, "kp");
    auto typeCode = stringMember(dictionary, "vt");
    auto values = dictionary.find("vs");
    if (!keyPath || !typeCode || !values || !values->isArray())
        return nullptr;
    size_t count = values->size();
    if (count > kMaximumValuesPerKeyframeMember)
        return nullptr;

    // Key times: numbers only (not numeric strings), from exactly 0 to
    // exactly 1 as 32-bit floats, one per value. Those between are not
    // checked for order; one that is not finite drops the member like any
    // other malformed key time.
    std::vector<double> keyTimes;
    auto keyTimesValue = dictionary.find("kt");
    if (keyTimesValue) {
        if (!keyTimesValue->isArray() || keyTimesValue->size() == 0 || keyTimesValue->size() != count)
            return nullptr;
        for (size_t i = 0; i < keyTimesValue->size(); ++i) {
            JSONValue time = (*keyTimesValue)[i];
            if (!time.isNumber() || !std::isfinite(float(time.numberValue())))
                return nullptr;
            keyTimes.push_back(float(time.numberValue()));
        }
        if (keyTimes.front() != 0.0 || keyTimes.back() != 1.0)
            return nullptr;
    }
    // One pacing curve per segment, each a string.
    std::vector<TimingFunction> timingFunctions;
    auto timingsValue = dictionary.find("tfs");
    if (timingsValue) {
        if (!timingsValue->isArray() || timingsValue->size() + 1 != count)
            return nullptr;
        for (size_t i = 0; i < timingsValue->size(); ++i) {
            JSONValue code = (*timingsValue)[i];
            if (!code.isString())
                return nullptr;
            timingFunctions.push_back(P::timingFunctionWithValue(code, "l"));
        }
    }

    std::vector<AnimationValue> animationValues;
    animationValues.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        if (auto value = P::valueOfType(*typeCode, (*values)[i], &P::defaultAnimationToValueWithValueType))
            animationValues.push_back(P::animationValue(*value));
    }
    auto animation = KeyframeAnimation::animationWithKeyPath(*keyPath);
    animation->setValues(std::move(animationValues));
    animation->setKeyTimes(std::move(keyTimes));
    animation->setTimingFunctions(std::move(timingFunctions));
    return animation;
}

std::shared_ptr<AnimationGroup> PellarFlexAnimationBuilder::animationGroupFromArray(
    const JSONValue& members, const std::optional<JSONValue>& properties, Budget* budget)
{
    Budget local;
    Budget& spent = budget ? *budget : local;
    std::vector<std::shared_ptr<Animation>> animations;
    float latestEnd = 0.0f;
    for (size_t i = 0; i < members.size() && members.isArray(); ++i) {
        if (animations.size() == kMaximumMembersPerElement) {
            if (!std::exchange(spent.membersLogged, true))
                Log::write("Pellar: Flexible ad element has more than " + std::to_string(kMaximumMembersPerElement)
                    + " animation members; the rest are left out");
            break;
        }
        JSONValue entry = members[i];
        auto kind = entry.isDictionary() ? stringMember(entry, "t") : std::nullopt;
        if (!kind)
            continue;
        // Counted before anything is built: a member past a bound costs
        // nothing but its check.
        size_t valueCount = 2;
        if (*kind == "K") {
            auto values = entry.find("vs");
            valueCount = values && values->isArray() ? values->size() : 0;
            if (valueCount > kMaximumValuesPerKeyframeMember) {
                if (!std::exchange(spent.keyframeValuesLogged, true))
                    Log::write("Pellar: Flexible ad key-frame animation has more than "
                        + std::to_string(kMaximumValuesPerKeyframeMember) + " values; it is left out");
                continue;
            }
        }
        if (budget && (*kind == "B" || *kind == "K") && spent.valuesUsed + valueCount > kMaximumAnimationValuesPerAd) {
            if (!std::exchange(spent.adValuesLogged, true))
                Log::write("Pellar: Flexible ad has more than " + std::to_string(kMaximumAnimationValuesPerAd)
                    + " animation values; the rest are left out");
            continue;
        }
        std::shared_ptr<Animation> animation;
        if (*kind == "B")
            animation = basicAnimationFromDictionary(entry);
        else if (*kind == "K")
            animation = keyframeAnimationFromDictionary(entry);
        if (!animation)
            continue;
        spent.valuesUsed += valueCount;
        setTiming(*animation, entry);
        animation->setDuration(P::floatWithValue(member(entry, "d"), kDefaultDuration));
        setTimingAfterDuration(*animation, entry);

        // Autoreversing is not counted. A speed of 0 makes the end infinite or
        // not a number; an end that cannot be compared replaces the latest.
        double end
            = (animation->beginTime() + animation->timeOffset() + animation->duration() * animation->repeatCount())
            / animation->speed();
        if (!(double(latestEnd) > end))
            latestEnd = float(end);
        animations.push_back(std::move(animation));
    }
    if (animations.empty())
        return nullptr;

    JSONValue settings = properties && properties->isDictionary() ? *properties : JSONValue::dictionary({});
    auto group = AnimationGroup::create();
    group->setAnimations(std::move(animations));
    // A latest end that is not finite (a member of speed 0) leaves the group
    // running for ever, as that member does.
    double duration = P::floatWithValue(member(settings, "d"), latestEnd);
    group->setDuration(std::isfinite(duration) ? duration : std::numeric_limits<double>::infinity());
    setTiming(*group, settings);
    setTimingAfterDuration(*group, settings);
    return group;
}
