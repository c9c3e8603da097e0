#include "ads/flex/PellarFlexAnimationBuilder.h"
#include "ads/flex/PellarPlainView.h"
#include "platform/ui/layers/AnimationGroup.h"
#include "platform/ui/layers/BasicAnimation.h"
#include "platform/ui/layers/KeyframeAnimation.h"
#include "platform/ui/layers/Layer.h"
#include "tests/support/UITest.h"
#include "json/JSONDeserializer.h"

#include <gtest/gtest.h>

namespace {

using Builder = PellarFlexAnimationBuilder;

JSONValue json(const std::string& text)
{
    auto value = JSONDeserializer().deserialize(text);
    EXPECT_TRUE(value) << text;
    return value.value_or(JSONValue());
}

std::shared_ptr<AnimationGroup> group(const std::string& members, const std::string& properties = "")
{
    return Builder::animationGroupFromArray(
        json(members), properties.empty() ? std::nullopt : std::optional<JSONValue>(json(properties)));
}

TEST(FlexAnimationBuilderTest, BareBasicMemberTakesEveryDefault)
{
    auto built = group(R"([{"t": "B", "kp": "opacity", "vt": "F"}])");
    ASSERT_TRUE(built);
    ASSERT_EQ(built->animations().size(), 1u);
    auto basic = std::dynamic_pointer_cast<BasicAnimation>(built->animations()[0]);
    ASSERT_TRUE(basic);
    EXPECT_EQ(basic->keyPath(), "opacity");
    EXPECT_EQ(basic->fromValue(), AnimationValue(0.0));
    EXPECT_EQ(basic->toValue(), AnimationValue(1.0));
    EXPECT_EQ(basic->timingFunction(), TimingFunction::linear());
    EXPECT_DOUBLE_EQ(basic->duration(), 0.25);
    EXPECT_EQ(basic->repeatCount(), 1);
    EXPECT_EQ(basic->speed(), 1);
    EXPECT_TRUE(basic->isRemovedOnCompletion());
    EXPECT_FALSE(basic->autoreverses());
    EXPECT_EQ(basic->fillMode(), FillMode::Removed);
    EXPECT_DOUBLE_EQ(built->duration(), 0.25);
    EXPECT_EQ(built->fillMode(), FillMode::Removed);
}

TEST(FlexAnimationBuilderTest, GroupDurationIsTheLatestMemberEndUnlessGiven)
{
    const char* members = R"([{"t": "B", "kp": "opacity", "vt": "F", "bt": 0.5, "d": 1},
                              {"t": "B", "kp": "opacity", "vt": "F", "d": "2", "rc": 2, "ar": true}])";
    EXPECT_DOUBLE_EQ(group(members)->duration(), 4.0); // autoreversing is not counted
    EXPECT_DOUBLE_EQ(group(members, R"({"d": 3})")->duration(), 3.0);
    EXPECT_DOUBLE_EQ(group(R"([{"t": "B", "kp": "opacity", "vt": "F", "s": 2, "d": 1}])")->duration(), 0.5);
    // "ag" of the wrong kind leaves every group setting at its default.
    auto wrongKind = group(members, R"([{"d": 3, "fm": "f"}])");
    EXPECT_DOUBLE_EQ(wrongKind->duration(), 4.0);
    EXPECT_EQ(wrongKind->fillMode(), FillMode::Removed);
    // A member of speed 0 never ends, so neither does its group.
    EXPECT_TRUE(std::isinf(group(R"([{"t": "B", "kp": "opacity", "vt": "F", "s": 0}])")->duration()));
    auto settings = group(members, R"({"bt": 0.5, "to": 0.25, "rc": 3, "ar": "yes", "roc": 0, "fm": "fb", "s": 2})");
    EXPECT_EQ(settings->beginTime(), 0.5);
    EXPECT_EQ(settings->timeOffset(), 0.25);
    EXPECT_EQ(settings->repeatCount(), 3);
    EXPECT_TRUE(settings->autoreverses());
    EXPECT_FALSE(settings->isRemovedOnCompletion());
    EXPECT_EQ(settings->fillMode(), FillMode::Both);
    EXPECT_EQ(settings->speed(), 2);
}

TEST(FlexAnimationBuilderTest, MalformedMembersAreDroppedAndAnEmptyGroupIsNone)
{
    for (const char* members : {
             R"([])",
             R"({"t": "B"})",
             R"([{"t": "X", "kp": "opacity", "vt": "F"}])",
             R"([{"kp": "opacity", "vt": "F"}])",
             R"([{"t": "B", "vt": "F"}])",
             R"([{"t": "B", "kp": "opacity"}])",
             R"([{"t": "B", "kp": 7, "vt": "F"}])",
             R"([{"t": "K", "kp": "opacity", "vt": "F"}])",
             R"([{"t": "K", "kp": "opacity", "vt": "F", "vs": 1}])",
             R"([7, "B", null])",
         })
        EXPECT_FALSE(group(members, R"({"d": 3})")) << members;
    // A basic member of an unknown value type is still made, without values.
    auto unknownType = group(R"([{"t": "B", "kp": "opacity", "vt": "C", "fv": [1, 0, 0, 1]}])");
    ASSERT_TRUE(unknownType);
    auto basic = std::dynamic_pointer_cast<BasicAnimation>(unknownType->animations()[0]);
    EXPECT_FALSE(basic->fromValue());
    EXPECT_FALSE(basic->toValue());
}

TEST(FlexAnimationBuilderTest, KeyframeChecksOnKeyTimesAndTimingFunctions)
{
    struct Case {
        const char* extra;
        bool kept;
    } cases[] = {
        { "", true },
        { R"(, "kt": [0, 0.25, 0.5, 1])", true },
        { R"(, "kt": [0, 0.9, 0.1, 1])", true }, // order between the ends is not checked
        { R"(, "kt": [0, 0.25, 0.5, 0.9])", false },
        { R"(, "kt": [0.1, 0.25, 0.5, 1])", false },
        { R"(, "kt": [0, "0.5", 0.75, 1])", false },
        { R"(, "kt": [0, 0.5, 1])", false },
        { R"(, "kt": [])", false },
        { R"(, "kt": "0,1")", false },
        { R"(, "kt": [0, 1e999, 0.5, 1])", false },
        { R"(, "tfs": ["i", "o", "io"])", true },
        { R"(, "tfs": ["i", "o", "nonsense"])", true },
        { R"(, "tfs": ["i", "o", "io", "l"])", false },
        { R"(, "tfs": ["i", 1, "io"])", false },
        { R"(, "tfs": "i")", false },
    };
    for (const auto& c : cases) {
        std::string member
            = std::string(R"([{"t": "K", "kp": "opacity", "vt": "F", "vs": [0, 1, 0, 1])") + c.extra + "}]";
        EXPECT_EQ(bool(group(member)), c.kept) << c.extra;
    }
    auto built = group(R"([{"t": "K", "kp": "position", "vt": "P", "vs": [[0, 0], "letters", [10, 10]],
                            "tfs": ["io", "x"]}])");
    auto keyframe = std::dynamic_pointer_cast<KeyframeAnimation>(built->animations()[0]);
    ASSERT_TRUE(keyframe);
    EXPECT_EQ(keyframe->values(), (std::vector<AnimationValue> { Point { 0, 0 }, Point { 0, 0 }, Point { 10, 10 } }));
    EXPECT_EQ(keyframe->timingFunctions(),
        (std::vector<TimingFunction> {
            TimingFunction::named(TimingFunction::Name::EaseInEaseOut), TimingFunction::linear() }));
}

// Animations built from descriptions running on a view's layer.
class FlexAnimationTimingTest : public UITest {
protected:
    void SetUp() override
    {
        UITest::SetUp();
        view = View::make<PellarPlainView>(Rect { 0, 0, 40, 20 });
    }
    void TearDown() override
    {
        view = nullptr;
        UITest::TearDown();
    }
    void start(const std::string& members, const std::string& properties = "")
    {
        view->setAnimation(group(members, properties));
        view->viewDidAppear();
    }
    LayerProperties shown() const { return view->layer().presentation(); }

    std::shared_ptr<PellarPlainView> view;
};

TEST_F(FlexAnimationTimingTest, OpacityAndPositionShowTheirValuesAtTheRightMoments)
{
    start(R"([{"t": "B", "kp": "opacity", "vt": "F", "fv": 0.2, "tv": "0.6", "d": 1},
              {"t": "B", "kp": "position", "vt": "P", "fv": [0, 0], "tv": [100, 50], "bt": 1, "d": 2}])");
    EXPECT_NEAR(shown().opacity, 0.2, 1e-6);
    EXPECT_EQ(shown().position, (Point { 20, 10 })); // before its begin: the model value
    advance(0.5);
    EXPECT_NEAR(shown().opacity, 0.4, 1e-6);
    advance(1.5);
    EXPECT_NEAR(shown().opacity, 1.0, 1e-9); // removed: the model again
    EXPECT_NEAR(shown().position.x, 50, 1e-6);
    EXPECT_NEAR(shown().position.y, 25, 1e-6);
    advance(1.5);
    EXPECT_EQ(shown().position, (Point { 20, 10 }));
    EXPECT_TRUE(view->layer().animationKeys().empty());
}

TEST_F(FlexAnimationTimingTest, KeyframeMemberPassesItsKeyTimes)
{
    start(R"([{"t": "K", "kp": "transform.translation.x", "vt": "F", "vs": [0, 10, 40], "kt": [0, 0.25, 1], "d": 2}])");
    advance(0.5);
    EXPECT_NEAR(shown().transform.m41, 10, 1e-6);
    advance(0.75);
    EXPECT_NEAR(shown().transform.m41, 25, 1e-6);
    advance(0.74);
    EXPECT_NEAR(shown().transform.m41, 39.8, 1e-6);
}

TEST_F(FlexAnimationTimingTest, ForwardsFillHoldsTheEndWhileRemovedGoesBackToTheModel)
{
    start(R"([{"t": "B", "kp": "bounds.size.width", "vt": "F", "fv": 40, "tv": 80, "d": 1, "fm": "f"}])",
        R"({"fm": "f", "roc": false})");
    advance(2);
    EXPECT_NEAR(shown().bounds.size.width, 80, 1e-9);

    auto other = View::make<PellarPlainView>(Rect { 0, 0, 40, 20 });
    other->setAnimation(group(R"([{"t": "B", "kp": "bounds.size.width", "vt": "F", "fv": 40, "tv": 80, "d": 1}])"));
    other->viewDidAppear();
    advance(2);
    EXPECT_NEAR(other->layer().presentation().bounds.size.width, 40, 1e-9);
}

TEST_F(FlexAnimationTimingTest, AffineValuesAndGroupDelayAnimateTheTransform)
{
    // A group begin time delays the group from the moment the view appears.
    start(R"([{"t": "B", "kp": "transform", "vt": "AT", "fv": [1, 0, 0, 1, 0, 0], "tv": [2, 0, 0, 2, 10, 0], "d": 1}])",
        R"({"bt": 1})");
    advance(0.5);
    EXPECT_TRUE(shown().transform.isIdentity());
    advance(1.0);
    EXPECT_NEAR(shown().transform.m11, 1.5, 1e-6);
    EXPECT_NEAR(shown().transform.m41, 5, 1e-6);
}

TEST_F(FlexAnimationTimingTest, TranslationAsASizeMovesBothWays)
{
    start(R"([{"t": "B", "kp": "transform.translation", "vt": "S", "fv": [0, 0], "tv": [8, 4], "d": 1}])");
    advance(0.5);
    EXPECT_NEAR(shown().transform.m41, 4, 1e-6);
    EXPECT_NEAR(shown().transform.m42, 2, 1e-6);
}

TEST_F(FlexAnimationTimingTest, GroupThatNeverEndsStillShowsItsMembers)
{
    start(R"([{"t": "B", "kp": "opacity", "vt": "F", "fv": 0.5, "tv": 0.5, "s": 0},
              {"t": "B", "kp": "position.x", "vt": "F", "fv": 0, "tv": 100, "d": 1}])");
    advance(0.5);
    EXPECT_NEAR(shown().opacity, 0.5, 1e-9);
    EXPECT_NEAR(shown().position.x, 50, 1e-6);
    advance(100);
    EXPECT_NEAR(shown().opacity, 0.5, 1e-9);
    EXPECT_EQ(shown().position.x, 20);
}

}
