#include "platform/ui/views/ViewAnimationBlock.h"

#include "platform/foundation/RunLoop.h"
#include "platform/ui/graphics/Image.h"
#include "platform/ui/graphics/ImageContext.h"
#include "platform/ui/layers/BasicAnimation.h"
#include "platform/ui/layers/TransitionAnimation.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/views/Screen.h"

static std::vector<std::shared_ptr<ViewAnimationBlock>>& blockStack()
{
    static std::vector<std::shared_ptr<ViewAnimationBlock>> stack;
    return stack;
}

static bool& animationsEnabled()
{
    static bool enabled = true;
    return enabled;
}

std::shared_ptr<ViewAnimationBlock> ViewAnimationBlock::current()
{
    auto& stack = blockStack();
    return stack.empty() ? nullptr : stack.back();
}

bool ViewAnimationBlock::enabled()
{
    // A desktop that asks for less motion gets every slide and flip at once.
    return animationsEnabled() && !Application::shared().isReduceMotionEnabled();
}

void ViewAnimationBlock::setEnabled(bool e)
{
    animationsEnabled() = e;
}

void ViewAnimationBlock::begin(const std::string& animationID, void* context)
{
    auto block = std::make_shared<ViewAnimationBlock>();
    // A nested block starts with the settings of the one around it.
    if (auto outer = current()) {
        block->duration = outer->duration;
        block->delay = outer->delay;
        block->curve = outer->curve;
        block->beginsFromCurrentState = outer->beginsFromCurrentState;
    }
    block->animationID = animationID;
    block->context = context;
    blockStack().push_back(std::move(block));
}

void ViewAnimationBlock::commit()
{
    auto& stack = blockStack();
    if (stack.empty())
        return;
    auto block = stack.back();
    stack.pop_back();
    block->finishCommit();
}

static TimingFunction timingFor(ViewAnimationCurve curve)
{
    switch (curve) {
    case ViewAnimationCurve::EaseIn:
        return TimingFunction::named(TimingFunction::Name::EaseIn);
    case ViewAnimationCurve::EaseOut:
        return TimingFunction::named(TimingFunction::Name::EaseOut);
    case ViewAnimationCurve::Linear:
        return TimingFunction::named(TimingFunction::Name::Linear);
    case ViewAnimationCurve::EaseInOut:
        break;
    }
    return TimingFunction::named(TimingFunction::Name::EaseInEaseOut);
}

static std::shared_ptr<Image> snapshot(View& view)
{
    ImageContext image(view.bounds().size, Screen::mainScreen().scale());
    view.layer().renderInContext(image.context());
    return image.image();
}

void ViewAnimationBlock::animate(Layer& layer, const std::string& keyPath, const AnimationValue& from)
{
    if (!enabled() || m_committed)
        return;
    auto to = layer.model().valueForKeyPath(keyPath);
    if (!to)
        return;
    AnimationValue start = from;
    // From the current state: start where the property is on screen now,
    // not where the running animation was heading.
    // From the current state: start where the property is on screen now (a
    // running animation's value), not where that animation was heading.
    if (beginsFromCurrentState && layer.animationForKey(keyPath)) {
        if (auto shown = layer.presentation().valueForKeyPath(keyPath))
            start = *shown;
    }
    auto animation = BasicAnimation::animationWithKeyPath(keyPath);
    animation->setFromValue(start);
    animation->setToValue(*to);
    animation->setDuration(duration > 0 ? duration : 0.2);
    animation->setTimingFunction(timingFor(curve));
    animation->setRepeatCount(repeatCount);
    animation->setAutoreverses(autoreverses);
    if (delay > 0) {
        animation->setBeginTime(Layer::currentMediaTime() + delay);
        animation->setFillMode(FillMode::Backwards);
    }
    ++m_pending;
    // The block holds itself through its animations until the last one stops.
    auto self = shared_from_this();
    animation->setDidStopHandler([self](Animation&, bool finished) { self->animationStopped(finished); });
    layer.addAnimation(animation, keyPath);
}

void ViewAnimationBlock::setTransition(ViewAnimationTransition transition, View* view)
{
    if (!view || transition == ViewAnimationTransition::None)
        return;
    m_transition = transition;
    m_transitionView = view->sharedView();
    m_before = snapshot(*view);
}

void ViewAnimationBlock::finishCommit()
{
    m_committed = true;
    if (auto view = m_transitionView.lock(); view && enabled()) {
        TransitionAnimation::Type type = TransitionAnimation::Type::FlipFromRight;
        switch (m_transition) {
        case ViewAnimationTransition::FlipFromLeft:
            type = TransitionAnimation::Type::FlipFromLeft;
            break;
        case ViewAnimationTransition::CurlUp:
            type = TransitionAnimation::Type::CurlUp;
            break;
        case ViewAnimationTransition::CurlDown:
            type = TransitionAnimation::Type::CurlDown;
            break;
        default:
            break;
        }
        auto transition = TransitionAnimation::create(type);
        transition->setSnapshots(m_before, snapshot(*view));
        transition->setDuration(duration > 0 ? duration : 0.2);
        transition->setTimingFunction(timingFor(curve));
        if (delay > 0) {
            transition->setBeginTime(Layer::currentMediaTime() + delay);
            transition->setFillMode(FillMode::Backwards);
        }
        ++m_pending;
        auto self = shared_from_this();
        transition->setDidStopHandler([self](Animation&, bool finished) { self->animationStopped(finished); });
        view->layer().addAnimation(transition, "transition");
    }
    m_before = nullptr;
    if (willStart) {
        auto self = shared_from_this();
        RunLoop::main().post([self] { self->willStart(self->animationID, self->context); });
    }
    if (m_pending == 0) {
        // A block that animated nothing still reports its end, in a later pass.
        auto self = shared_from_this();
        RunLoop::main().post([self] { self->animationStopped(true); });
        ++m_pending;
    }
}

void ViewAnimationBlock::animationStopped(bool finished)
{
    if (!finished)
        m_allFinished = false;
    if (--m_pending > 0 || !m_committed || m_reported)
        return;
    m_reported = true;
    if (didStop) {
        auto handler = std::move(didStop);
        didStop = nullptr;
        handler(animationID, m_allFinished, context);
    }
}
