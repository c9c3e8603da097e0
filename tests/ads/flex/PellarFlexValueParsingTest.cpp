#include "ads/flex/PellarFlexValueParsing.h"
#include "json/JSONDeserializer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using P = PellarFlexValueParsing;

// The JSON text as the reader gives it; "absent" stands for a missing key.
std::optional<JSONValue> json(const std::string& text)
{
    if (text == "absent")
        return std::nullopt;
    auto value = JSONDeserializer().deserialize(text);
    EXPECT_TRUE(value) << text;
    return value;
}

const Rect kDefaultRect { 7, 7, 7, 7 };

TEST(FlexValueParsingTest, RectanglesTakeAllFourComponentsOrNone)
{
    struct Case {
        const char* json;
        Rect expected;
    } cases[] = {
        { "[1, 2, 3, 4]", { 1, 2, 3, 4 } }, { R"(["10", "20", "30", "40"])", { 10, 20, 30, 40 } },
        { R"([" 10px", "-2.5e1", "+3", ".5"])", { 10, -25, 3, 0.5 } }, { "[1, 2, 3, 4, 5]", { 1, 2, 3, 4 } },
        { "[true, false, 3, 4]", { 1, 0, 3, 4 } },
        { R"(["abc", 2, 3, 4])", { 0, 2, 3, 4 } }, // a string is numeric even without digits
        { "[1, 2, 3]", kDefaultRect }, { "[1, null, 3, 4]", kDefaultRect }, { "[1, [2], 3, 4]", kDefaultRect },
        { "[1, {}, 3, 4]", kDefaultRect }, { R"("1,2,3,4")", kDefaultRect }, { "{}", kDefaultRect },
        { "null", kDefaultRect }, { "absent", kDefaultRect },
        // Not-a-number and infinite components never make a frame.
        { R"([1, "nan", 3, 4])", kDefaultRect }, { R"([1, "-inf", 3, 4])", kDefaultRect },
        { R"([1, " Infinity", 3, 4])", kDefaultRect }, { R"([1, "1e999", 3, 4])", kDefaultRect },
        { "[1, 1e999, 3, 4]", kDefaultRect },
        { "[1, 1e39, 3, 4]", kDefaultRect }, // finite as a double, not as a 32-bit float
    };
    for (const auto& c : cases)
        EXPECT_EQ(P::rectWithValue(json(c.json), kDefaultRect), c.expected) << c.json;
}

TEST(FlexValueParsingTest, OtherVectorsFollowTheSameRule)
{
    EXPECT_EQ(P::pointWithValue(json("[3, \"4\"]"), { 9, 9 }), (Point { 3, 4 }));
    EXPECT_EQ(P::pointWithValue(json("[3]"), { 9, 9 }), (Point { 9, 9 }));
    EXPECT_EQ(P::sizeWithValue(json("[5, 6, 7]"), { 9, 9 }), (Size { 5, 6 }));
    EXPECT_EQ(P::sizeWithValue(json("[5, \"nan\"]"), { 9, 9 }), (Size { 9, 9 }));

    EXPECT_EQ(P::colorWithValue(json("[1, 0, 0, 1]"), std::nullopt), Color::redColor());
    EXPECT_EQ(P::colorWithValue(json(R"(["0.5", 0.5, "0.5", "1"])"), std::nullopt), Color::grayColor());
    EXPECT_EQ(P::colorWithValue(json("[2, -1, 0, 1]"), std::nullopt), Color::rgba(2, -1, 0, 1)); // used unchanged
    EXPECT_EQ(P::colorWithValue(json("[1, 0, 0]"), std::nullopt), std::nullopt);
    EXPECT_EQ(P::colorWithValue(json("[1, 0, 0]"), Color::clear()), Color::clear());
    EXPECT_EQ(P::colorWithValue(json("[1, 0, \"inf\", 1]"), Color::clear()), Color::clear());

    EXPECT_EQ(P::affineTransformWithValue(json("[1, 0, 0, 1, 10, 20]"), {}), AffineTransform::makeTranslation(10, 20));
    EXPECT_EQ(P::affineTransformWithValue(json("[1, 0, 0, 1, 10]"), {}), AffineTransform::identity());

    Transform3D filled = P::transform3DWithValue(json("[1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16]"), {});
    EXPECT_EQ(filled.m11, 1);
    EXPECT_EQ(filled.m14, 4);
    EXPECT_EQ(filled.m21, 5);
    EXPECT_EQ(filled.m34, 12);
    EXPECT_EQ(filled.m44, 16);
    EXPECT_TRUE(P::transform3DWithValue(json("[1,2,3,4,5,6,7,8,9,10,11,12,13,14,15]"), {}).isIdentity());
}

TEST(FlexValueParsingTest, ScalarsReadNumbersAndNumericPrefixes)
{
    struct Case {
        const char* json;
        float asFloat;
        int32_t asInteger;
    } cases[] = {
        { "2.9", 2.9f, 2 },
        { "-2.9", -2.9f, -2 },
        { "true", 1, 1 },
        { "false", 0, 0 },
        { R"("letters")", 0, 0 },
        { R"("")", 0, 0 },
        { R"("2.5cm")", 2.5f, 2 },
        { R"("  -3x")", -3, -3 },
        { R"("+4")", 4, 4 },
        { R"("+-4")", 0, 0 },
        { R"("1e3")", 1000, 1 }, // integers stop at the exponent
        { R"(".5")", 0.5f, 0 },
        { "1e10", 1e10f, 2147483647 }, // integers saturate
        { "-1e10", -1e10f, -2147483647 - 1 },
        { R"("99999999999999999999")", 1e20f, 2147483647 },
        // Defaults (-7): wrong kinds, and values that are not finite.
        { "null", -7, -7 },
        { "[1]", -7, -7 },
        { "{}", -7, -7 },
        { "absent", -7, -7 },
        { R"("nan")", -7, -7 },
        { R"(" -Inf")", -7, -7 },
        { "1e999", -7, -7 },
    };
    for (const auto& c : cases) {
        EXPECT_FLOAT_EQ(P::floatWithValue(json(c.json), -7), c.asFloat) << c.json;
        EXPECT_EQ(P::integerWithValue(json(c.json), -7), c.asInteger) << c.json;
    }
    // A float beyond the 32-bit range is infinite there, so it is no value either;
    // "1e999" read as an integer stops at its exponent.
    EXPECT_EQ(P::floatWithValue(json(R"("1e999")"), -7), -7);
    EXPECT_EQ(P::floatWithValue(json("3.5e38"), -7), -7);
    EXPECT_EQ(P::integerWithValue(json(R"("1e999")"), -7), 1);
}

TEST(FlexValueParsingTest, FlagsFromStringsNumbersAndDefaults)
{
    struct Case {
        const char* json;
        bool expected;
    } cases[] = {
        { R"("yes")", true },
        { R"("Yes")", true },
        { R"("true")", true },
        { R"("T")", true },
        { R"("1")", true },
        { R"(" +007")", true },
        { R"("-9")", true },
        { R"("no")", false },
        { R"("0")", false },
        { R"("000")", false },
        { R"("")", false },
        { R"("false")", false },
        { R"("on")", false },
        { "2", true },
        { "0.5", true },
        { "0", false },
        { "true", true },
        { "false", false },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(P::boolWithValue(json(c.json), !c.expected), c.expected) << c.json;
    }
    for (const char* text : { "{}", "[]", "null", "absent" }) {
        EXPECT_TRUE(P::boolWithValue(json(text), true)) << text;
        EXPECT_FALSE(P::boolWithValue(json(text), false)) << text;
    }
}

TEST(FlexValueParsingTest, TimingAndFillCodesFallBackToTheDefaultCode)
{
    using Name = TimingFunction::Name;
    struct TimingCase {
        const char* json;
        Name expected;
    } timings[] = {
        { R"("l")", Name::Linear },
        { R"("i")", Name::EaseIn },
        { R"("o")", Name::EaseOut },
        { R"("io")", Name::EaseInEaseOut },
        { R"("L")", Name::Linear },
        { R"("linear")", Name::Linear },
        { "7", Name::Linear },
        { "absent", Name::Linear },
    };
    for (const auto& c : timings)
        EXPECT_EQ(P::timingFunctionWithValue(json(c.json), "l"), TimingFunction::named(c.expected)) << c.json;
    EXPECT_EQ(P::timingFunctionWithValue(json("\"x\""), "o"), TimingFunction::named(Name::EaseOut));

    struct FillCase {
        const char* json;
        FillMode expected;
    } fills[] = {
        { R"("r")", FillMode::Removed },
        { R"("f")", FillMode::Forwards },
        { R"("b")", FillMode::Backwards },
        { R"("fb")", FillMode::Both },
        { R"("bf")", FillMode::Removed },
        { R"("F")", FillMode::Removed },
        { "[\"f\"]", FillMode::Removed },
        { "absent", FillMode::Removed },
    };
    for (const auto& c : fills)
        EXPECT_EQ(P::fillModeWithValue(json(c.json), "r"), c.expected) << c.json;
    EXPECT_EQ(P::fillModeWithValue(std::nullopt, "fb"), FillMode::Both);
}

// Records the codes the provider is asked for.
std::vector<std::string> askedCodes;
std::optional<PellarFlexAnimationValue> recordingToProvider(std::string_view code)
{
    askedCodes.emplace_back(code);
    return P::defaultAnimationToValueWithValueType(code);
}

TEST(FlexValueParsingTest, TypedValuesReadByCodeWithTheProvidersDefault)
{
    auto from = &P::defaultAnimationFromValueWithValueType;
    auto to = &P::defaultAnimationToValueWithValueType;

    EXPECT_EQ(P::valueOfType("F", std::nullopt, to), PellarFlexAnimationValue(1.0f));
    EXPECT_EQ(P::valueOfType("F", std::nullopt, from), PellarFlexAnimationValue(0.0f));
    EXPECT_EQ(P::valueOfType("F", json("\"0.25\""), from), PellarFlexAnimationValue(0.25f));
    EXPECT_EQ(P::valueOfType("F", json("\"nan\""), to), PellarFlexAnimationValue(1.0f));
    EXPECT_EQ(P::valueOfType("R", json("[1, 2, 3, 4]"), to), PellarFlexAnimationValue(Rect(1, 2, 3, 4)));
    EXPECT_EQ(P::valueOfType("P", json("\"ab\""), to), PellarFlexAnimationValue(Point()));
    EXPECT_EQ(P::valueOfType("S", json("[5, 6]"), to), PellarFlexAnimationValue(Size { 5, 6 }));
    EXPECT_EQ(P::valueOfType("AT", json("[2, 0, 0, 2, 0, 0]"), to),
        PellarFlexAnimationValue(AffineTransform::makeScale(2, 2)));
    EXPECT_EQ(P::valueOfType("T3", json("[1,2,3,4,5,6,7,8,9,10,11,12,13,14,15]"), to),
        PellarFlexAnimationValue(Transform3D::identity()));
    // Codes are exact: no value for other spellings or kinds, after asking the provider.
    askedCodes.clear();
    for (const char* code : { "f", "C", "", "T3 ", "R" })
        P::valueOfType(code, json("[1, 2, 3, 4]"), &recordingToProvider);
    EXPECT_EQ(askedCodes, (std::vector<std::string> { "f", "C", "", "T3 ", "R" }));
    EXPECT_EQ(P::valueOfType("f", json("1"), to), std::nullopt);
    EXPECT_EQ(P::valueOfType("F", json("1"), nullptr), std::nullopt);
}

TEST(FlexValueParsingTest, AffineValuesAnimateAsLayerTransforms)
{
    AnimationValue value = P::animationValue(AffineTransform::makeTranslation(3, 4));
    ASSERT_TRUE(value.is<Transform3D>());
    EXPECT_EQ(value.as<Transform3D>(), Transform3D::fromAffine(AffineTransform::makeTranslation(3, 4)));
    EXPECT_EQ(P::animationValue(0.5f).as<double>(), 0.5);
}

}
