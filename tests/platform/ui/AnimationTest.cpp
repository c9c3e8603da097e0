#include "platform/foundation/Timer.h"
#include "platform/ui/layers/AnimationGroup.h"
#include "platform/ui/layers/BasicAnimation.h"
#include "platform/ui/layers/KeyframeAnimation.h"
#include "platform/ui/layers/Transaction.h"
#include "platform/ui/views/View.h"
#include "tests/support/Pixels.h"
#include "tests/support/UITest.h"

#include <string>
#include <vector>

class AnimationTest : public UITest {
protected:
    double x(View& v) { return v.layer().presentation().position.x; }
    double scaleOf(View& v) { return v.layer().presentation().transform.m11; }
    std::shared_ptr<View> view = View::make(Rect { 0, 0, 10, 10 }); // centre (5, 5)
};

TEST_F(AnimationTest, CurvesAreSampledAtExactTimes)
{
    struct Case {
        ViewAnimationCurve curve;
        double atHalf;
    };
    // Independent values of the four cubic curves at half time.
    for (auto [curve, atHalf] :
        { Case { ViewAnimationCurve::EaseInOut, 0.5 }, Case { ViewAnimationCurve::EaseIn, 0.3153568 },
            Case { ViewAnimationCurve::EaseOut, 0.6846432 }, Case { ViewAnimationCurve::Linear, 0.5 } }) {
        auto v = View::make(Rect { 0, 0, 10, 10 });
        View::beginAnimations("move");
        View::setAnimationDuration(1.0);
        View::setAnimationCurve(curve);
        v->setCenter({ 105, 5 });
        View::commitAnimations();
        // The model changes at once; the screen follows the curve.
        EXPECT_EQ(v->center().x, 105);
        EXPECT_DOUBLE_EQ(x(*v), 5);
        advance(0.5);
        EXPECT_NEAR(x(*v), 5 + 100 * atHalf, 1e-4) << static_cast<int>(curve);
        advance(0.5);
        EXPECT_DOUBLE_EQ(x(*v), 105);
    }
    // The default curve is ease-in-out: a quarter of the time covers 12.9 % of the way.
    View::beginAnimations();
    View::setAnimationDuration(1.0);
    view->setCenter({ 105, 5 });
    View::commitAnimations();
    advance(0.25);
    EXPECT_NEAR(x(*view), 5 + 12.91619, 1e-3);
}

TEST_F(AnimationTest, DidStopComesOnceAtTheEndInEndOrderAndReplacedBlocksReportUnfinished)
{
    std::vector<std::string> events;
    auto record = [&](const std::string& id, bool finished, void*) {
        events.push_back(id + (finished ? " finished" : " cut") + " at " + std::to_string(loop().now()));
    };
    auto other = View::make(Rect { 0, 0, 10, 10 });
    View::beginAnimations("long");
    View::setAnimationDuration(1.0);
    View::setAnimationDidStopHandler(record);
    view->setCenter({ 50, 5 });
    view->setAlpha(0.5); // two animations, one report
    View::commitAnimations();
    View::beginAnimations("short");
    View::setAnimationDuration(0.25);
    View::setAnimationDidStopHandler(record);
    other->setCenter({ 50, 5 });
    View::commitAnimations();
    advance(0.5);
    // Replacing the centre animation cuts "long" short; its alpha part still runs.
    View::beginAnimations("replacement");
    View::setAnimationDuration(0.25);
    View::setAnimationDidStopHandler(record);
    view->setCenter({ 80, 5 });
    View::commitAnimations();
    advance(2);
    EXPECT_EQ(events,
        (std::vector<std::string> {
            "short finished at 0.250000", "replacement finished at 0.750000", "long cut at 1.000000" }));
}

TEST_F(AnimationTest, BeginsFromCurrentStateStartsWhereTheViewIsShown)
{
    auto other = View::make(Rect { 0, 0, 10, 10 });
    for (auto* v : { view.get(), other.get() }) {
        View::beginAnimations();
        View::setAnimationDuration(1.0);
        View::setAnimationCurve(ViewAnimationCurve::Linear);
        v->setCenter({ 105, 5 });
        View::commitAnimations();
    }
    advance(0.5);
    ASSERT_DOUBLE_EQ(x(*view), 55);
    View::beginAnimations();
    View::setAnimationBeginsFromCurrentState(true);
    View::setAnimationCurve(ViewAnimationCurve::Linear);
    view->setCenter({ 205, 5 });
    View::commitAnimations();
    View::beginAnimations();
    View::setAnimationCurve(ViewAnimationCurve::Linear);
    other->setCenter({ 205, 5 });
    View::commitAnimations();
    EXPECT_DOUBLE_EQ(x(*view), 55); // no jump
    EXPECT_DOUBLE_EQ(x(*other), 105); // from the old target: a jump
    advance(0.1);
    EXPECT_NEAR(x(*view), 55 + 150 * 0.5, 1e-9);
}

TEST(KeyframeLookup, FindsTheSameSegmentAsAScanForEveryKindOfKeyTimes)
{
    auto valueAt = [](const KeyframeAnimation& animation, double t) {
        return animation.valueAt(t, AnimationValue()).value_or(AnimationValue(-1.0)).as<double>(-1);
    };
    auto make = [](std::vector<double> keyTimes, size_t count) {
        auto animation = KeyframeAnimation::animationWithKeyPath("opacity");
        std::vector<AnimationValue> values;
        for (size_t i = 0; i < count; ++i)
            values.emplace_back(static_cast<double>(i));
        animation->setValues(std::move(values));
        animation->setKeyTimes(std::move(keyTimes));
        animation->setDuration(1);
        return animation;
    };
    // Ascending, with a repeated key time: a moment on it is the later value.
    auto ascending = make({ 0, 0.1, 0.1, 0.5, 1 }, 5);
    EXPECT_DOUBLE_EQ(valueAt(*ascending, 0), 0);
    EXPECT_DOUBLE_EQ(valueAt(*ascending, 0.05), 0.5);
    EXPECT_DOUBLE_EQ(valueAt(*ascending, 0.1), 1);
    EXPECT_DOUBLE_EQ(valueAt(*ascending, 0.3), 2.5);
    EXPECT_DOUBLE_EQ(valueAt(*ascending, 0.75), 3.5);
    EXPECT_DOUBLE_EQ(valueAt(*ascending, 1), 4);
    // Out of order: the first segment whose end lies beyond the moment.
    auto unordered = make({ 0, 0.6, 0.2, 1 }, 4);
    EXPECT_DOUBLE_EQ(valueAt(*unordered, 0.3), 0.5);
    EXPECT_DOUBLE_EQ(valueAt(*unordered, 0.8), 2 + (0.8 - 0.2) / 0.8);
    // Evenly spaced (no key times, or not one per value), over a long list.
    for (auto& even : { make({}, 1001), make({ 0, 1 }, 1001) }) {
        EXPECT_DOUBLE_EQ(valueAt(*even, 0.5), 500) << even->keyTimes().size();
        EXPECT_NEAR(valueAt(*even, 0.12345), 123.45, 1e-9);
        EXPECT_DOUBLE_EQ(valueAt(*even, 1), 1000);
    }
}

TEST_F(AnimationTest, KeyframePulseHoldsItsEndAndStopsOnTime)
{
    auto pulse = KeyframeAnimation::animationWithKeyPath("transform");
    pulse->setValues(
        { Transform3D::identity(), Transform3D::makeScale(1.4, 1.4, 1), Transform3D::makeScale(0.001, 0.001, 1) });
    pulse->setKeyTimes({ 0.0, 0.4, 1.0 });
    pulse->setDuration(0.5);
    pulse->setRemovedOnCompletion(false);
    pulse->setFillMode(FillMode::Forwards);
    double stoppedAt = -1;
    bool stoppedFinished = false;
    pulse->setDidStopHandler([&](Animation&, bool finished) {
        stoppedAt = loop().now();
        stoppedFinished = finished;
    });
    view->layer().addAnimation(pulse, "pulse");
    advance(0.1);
    EXPECT_NEAR(scaleOf(*view), 1.2, 1e-9);
    advance(0.1);
    EXPECT_NEAR(scaleOf(*view), 1.4, 1e-9);
    advance(0.2);
    EXPECT_DOUBLE_EQ(stoppedAt, -1);
    advance(0.1);
    EXPECT_DOUBLE_EQ(stoppedAt, 0.5);
    EXPECT_TRUE(stoppedFinished);
    advance(5);
    EXPECT_NEAR(scaleOf(*view), 0.001, 1e-12);
    // Removing a finished animation shows the model again and reports nothing more.
    stoppedAt = -1;
    view->layer().removeAnimation("pulse");
    settle();
    EXPECT_DOUBLE_EQ(scaleOf(*view), 1);
    EXPECT_DOUBLE_EQ(stoppedAt, -1);
}

TEST_F(AnimationTest, RepeatAutoreverseSpeedOffsetAndFills)
{
    auto make = [](double from, double to) {
        auto a = BasicAnimation::animationWithKeyPath("opacity");
        a->setFromValue(from);
        a->setToValue(to);
        a->setDuration(1.0);
        return a;
    };
    auto opacity = [](View& v) { return v.layer().presentation().opacity; };

    auto bounce = make(0, 1);
    bounce->setAutoreverses(true);
    bounce->setRepeatCount(2);
    view->layer().addAnimation(bounce, "bounce");
    advance(1.5);
    EXPECT_NEAR(opacity(*view), 0.5, 1e-9); // on the way back
    advance(1.0);
    EXPECT_NEAR(opacity(*view), 0.5, 1e-9); // second cycle, going up
    EXPECT_TRUE(view->layer().isAnimating());
    advance(1.5);
    EXPECT_FALSE(view->layer().animationForKey("bounce")); // 4 s: removed
    EXPECT_DOUBLE_EQ(opacity(*view), 1); // model

    auto fast = make(0, 1);
    fast->setSpeed(2);
    auto late = make(0.2, 0.4);
    late->setBeginTime(Layer::currentMediaTime() + 1);
    late->setFillMode(FillMode::Backwards);
    auto offset = make(0, 1);
    offset->setTimeOffset(0.75);
    auto a = View::make(), b = View::make(), c = View::make();
    a->layer().addAnimation(fast, "");
    b->layer().addAnimation(late, "");
    c->layer().addAnimation(offset, "");
    EXPECT_DOUBLE_EQ(opacity(*b), 0.2); // shown before it begins
    EXPECT_DOUBLE_EQ(opacity(*c), 0.75);
    advance(0.25);
    EXPECT_DOUBLE_EQ(opacity(*a), 0.5);
    EXPECT_DOUBLE_EQ(opacity(*c), 0.0); // wrapped round
    advance(0.3);
    EXPECT_FALSE(a->layer().isAnimating()); // done in half the time
    EXPECT_DOUBLE_EQ(opacity(*b), 0.2);
    advance(0.95);
    EXPECT_NEAR(opacity(*b), 0.3, 1e-9);
}

TEST_F(AnimationTest, GroupRunsChildrenOnItsTimeLineAndTransactionCompletesAfterAll)
{
    auto grow = BasicAnimation::animationWithKeyPath("transform.scale");
    grow->setFromValue(1.0);
    grow->setToValue(2.0);
    grow->setDuration(1.0);
    auto fade = BasicAnimation::animationWithKeyPath("opacity");
    fade->setFromValue(1.0);
    fade->setToValue(0.0);
    fade->setBeginTime(1.0);
    fade->setDuration(1.0);
    auto group = AnimationGroup::create();
    group->setAnimations({ grow, fade });
    group->setDuration(1.5); // cuts the fade half-way
    int completions = 0;
    double completedAt = -1;
    Transaction::begin();
    Transaction::setCompletionBlock([&] {
        ++completions;
        completedAt = loop().now();
    });
    view->layer().addAnimation(group, "group");
    Transaction::commit();
    advance(0.5);
    EXPECT_NEAR(scaleOf(*view), 1.5, 1e-9);
    EXPECT_DOUBLE_EQ(view->layer().presentation().opacity, 1);
    advance(0.75);
    EXPECT_NEAR(view->layer().presentation().opacity, 0.75, 1e-9);
    advance(1);
    EXPECT_EQ(completions, 1);
    EXPECT_DOUBLE_EQ(completedAt, 1.5);
}

TEST_F(AnimationTest, TickingStopsWhenNothingAnimatesAndEmptyBlocksStillReport)
{
    size_t baseline = loop().scheduledTimerCount();
    View::beginAnimations();
    View::setAnimationDuration(0.3);
    view->setAlpha(0.2);
    View::commitAnimations();
    EXPECT_TRUE(AnimationEngine::shared().isRunning());
    advance(0.5);
    EXPECT_FALSE(AnimationEngine::shared().isRunning());
    EXPECT_EQ(loop().scheduledTimerCount(), baseline);

    bool reported = false;
    View::beginAnimations("nothing");
    View::setAnimationDidStopHandler(
        [&](const std::string& id, bool finished, void*) { reported = id == "nothing" && finished; });
    View::commitAnimations();
    EXPECT_FALSE(reported); // never inside commit
    settle();
    EXPECT_TRUE(reported);
}

TEST_F(AnimationTest, FlipTransitionShowsTheOldSideThenTheNewAndReportsOnce)
{
    auto container = View::make(Rect { 0, 0, 40, 20 });
    auto red = View::make(Rect { 0, 0, 40, 20 });
    red->setBackgroundColor(Color::redColor());
    auto blue = View::make(Rect { 0, 0, 40, 20 });
    blue->setBackgroundColor(Color::blueColor());
    container->addSubview(red);
    int reports = 0;
    View::beginAnimations("flip");
    View::setAnimationDuration(0.7);
    View::setAnimationTransition(ViewAnimationTransition::FlipFromRight, container.get(), true);
    View::setAnimationDidStopHandler([&](const std::string&, bool finished, void*) { reports += finished; });
    red->removeFromSuperview();
    container->addSubview(blue);
    View::commitAnimations();
    auto centrePixel = [&] {
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 40, 20);
        cairo_t* cr = cairo_create(surface);
        container->layer().render(cr, 1, loop().now());
        cairo_destroy(cr);
        uint32_t p = argbAt(surface, 20, 10);
        cairo_surface_destroy(surface);
        return p;
    };
    advance(0.1);
    EXPECT_EQ(centrePixel(), 0xFFFF0000u); // still the old side
    advance(0.45);
    EXPECT_EQ(centrePixel(), 0xFF0000FFu); // the new side turning in
    advance(0.2);
    EXPECT_EQ(reports, 1);
    EXPECT_TRUE(container->layer().animationKeys().empty());
}
