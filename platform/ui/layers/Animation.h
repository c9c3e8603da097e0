#pragma once

#include "platform/ui/layers/AnimationDelegate.h"
#include "platform/ui/layers/FillMode.h"
#include "platform/ui/layers/TimingFunction.h"

#include <functional>
#include <limits>
#include <memory>
#include <optional>

class Layer;
struct LayerProperties;

// The base of every layer animation, with the media timing model: begin time,
// duration, speed, time offset, repeat count or duration, autoreverse and fill
// mode. Animations are sampled from the main run loop's clock, so under a
// manual clock a test sees exact values at exact times.
class Animation : public std::enable_shared_from_this<Animation> {
public:
    static constexpr double kDefaultDuration = 0.25;
    static constexpr double kRepeatForever = std::numeric_limits<double>::infinity();

    using DidStopHandler = std::function<void(Animation&, bool finished)>;

    virtual ~Animation() = default;

    // Timing
    double beginTime() const { return m_beginTime; }
    void setBeginTime(double t) { m_beginTime = t; }
    // 0 means the default of 0.25 s.
    double duration() const { return m_duration; }
    void setDuration(double d) { m_duration = d; }
    double speed() const { return m_speed; }
    void setSpeed(double s) { m_speed = s; }
    double timeOffset() const { return m_timeOffset; }
    void setTimeOffset(double t) { m_timeOffset = t; }
    double repeatCount() const { return m_repeatCount; }
    void setRepeatCount(double c) { m_repeatCount = c; }
    double repeatDuration() const { return m_repeatDuration; }
    void setRepeatDuration(double d) { m_repeatDuration = d; }
    bool autoreverses() const { return m_autoreverses; }
    void setAutoreverses(bool a) { m_autoreverses = a; }
    FillMode fillMode() const { return m_fillMode; }
    void setFillMode(FillMode f) { m_fillMode = f; }
    const std::optional<TimingFunction>& timingFunction() const { return m_timingFunction; }
    void setTimingFunction(std::optional<TimingFunction> f) { m_timingFunction = f; }
    bool isRemovedOnCompletion() const { return m_removedOnCompletion; }
    void setRemovedOnCompletion(bool r) { m_removedOnCompletion = r; }

    // Delegate (not owned) and an optional did-stop handler; both are told.
    void setDelegate(std::weak_ptr<AnimationDelegate> d) { m_delegate = std::move(d); }
    std::shared_ptr<AnimationDelegate> delegate() const { return m_delegate.lock(); }
    void setDidStopHandler(DidStopHandler h) { m_didStop = std::move(h); }

    // The duration of one cycle, default applied.
    double effectiveDuration() const { return m_duration > 0 ? m_duration : kDefaultDuration; }
    // Local time from the start to the end of all repeats; infinite for ever.
    double activeDuration() const;

    // The local time after the begin time, or nullopt when the animation shows
    // nothing then (before its start or after its end without a fill). `elapsed`
    // is parent time since the begin time.
    std::optional<double> localTime(double elapsed) const;
    // The eased progress (0..1) within the current cycle at local time `t`.
    double progress(double localTime) const;
    // Parent time from the begin time until the animation has run its course;
    // infinite when it never ends.
    double endElapsed() const;

    // Writes the animation's values at `elapsed` into `properties`; `model`
    // holds the model values (for animations without a from value).
    virtual void apply(double elapsed, LayerProperties& properties, const LayerProperties& model) const = 0;

    // Called by the layer.
    void notifyDidStart();
    void notifyDidStop(bool finished);

protected:
    Animation() = default;

private:
    double m_beginTime { 0 };
    double m_duration { 0 };
    double m_speed { 1 };
    double m_timeOffset { 0 };
    double m_repeatCount { 0 };
    double m_repeatDuration { 0 };
    bool m_autoreverses { false };
    FillMode m_fillMode { FillMode::Removed };
    std::optional<TimingFunction> m_timingFunction;
    bool m_removedOnCompletion { true };
    std::weak_ptr<AnimationDelegate> m_delegate;
    DidStopHandler m_didStop;
};
