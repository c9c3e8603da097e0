#include "ads/flex/PellarFlexValueParsing.h"

#include "json/DataScanner.h"

#include <array>
#include <cmath>
#include <limits>

namespace {

bool isWhitespace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Skips leading white space; answers the rest.
std::string_view trimmedStart(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && isWhitespace(text[i]))
        ++i;
    return text.substr(i);
}

bool startsWithWordIgnoringCase(std::string_view text, std::string_view word)
{
    if (text.size() < word.size())
        return false;
    for (size_t i = 0; i < word.size(); ++i) {
        if ((text[i] | 0x20) != word[i])
            return false;
    }
    return true;
}

// What follows a leading sign spells infinity or not-a-number, which the C
// library would read as such; those are never usable settings.
bool spellsNonFinite(std::string_view unsigned_)
{
    return startsWithWordIgnoringCase(unsigned_, "inf") || startsWithWordIgnoringCase(unsigned_, "nan");
}

// The string's numeric prefix as a float reading takes it: white space, an
// optional sign, then the JSON layer's number scanning (digits, point,
// exponent). No prefix reads 0; a non-finite one is nullopt.
std::optional<double> floatPrefix(std::string_view text)
{
    text = trimmedStart(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (spellsNonFinite(text))
        return std::nullopt;
    // The scanner takes a minus sign itself but no second sign: "+-1" has no number.
    if (text.empty() || text[0] == '-')
        return 0.0;
    const char* numberEnd;
    double value = DataScanner::leadingNumber(text.data(), text.data() + text.size(), numberEnd);
    if (!std::isfinite(value))
        return std::nullopt;
    return negative ? -value : value;
}

// The string's integer prefix: white space, an optional sign and digits only
// ("2.9" is 2, "1e3" is 1), saturated to the 32-bit range.
std::optional<int32_t> integerPrefix(std::string_view text)
{
    text = trimmedStart(text);
    size_t digitsStart = !text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
    if (spellsNonFinite(text.substr(digitsStart)))
        return std::nullopt;
    size_t digitsEnd = digitsStart;
    while (digitsEnd < text.size() && isDigit(text[digitsEnd]))
        ++digitsEnd;
    if (digitsEnd == digitsStart)
        return 0;
    // Digits only, so the scanner cannot go past them into a point or exponent.
    size_t from = text[0] == '+' ? 1 : 0;
    const char* numberEnd;
    double value = DataScanner::leadingNumber(text.data() + from, text.data() + digitsEnd, numberEnd);
    if (value >= double(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    if (value <= double(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    return int32_t(value);
}

bool flagFromString(std::string_view text)
{
    text = trimmedStart(text);
    if (!text.empty() && (text[0] == '+' || text[0] == '-'))
        text.remove_prefix(1);
    while (!text.empty() && text[0] == '0')
        text.remove_prefix(1);
    if (text.empty())
        return false;
    char c = text[0];
    return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
}

// A component of a vector or a float setting: finite as a 32-bit float.
std::optional<float> floatComponent(const JSONValue& value)
{
    auto number = PellarFlexValueParsing::numberWithValue(value);
    if (!number)
        return std::nullopt;
    float narrowed = float(*number);
    if (!std::isfinite(narrowed))
        return std::nullopt;
    return narrowed;
}

// The first N components of an array value, or nullopt when it is absent, not
// an array, too short or holds anything but finite numeric values among them.
template <size_t N> std::optional<std::array<double, N>> components(const PellarFlexValueParsing::Value& value)
{
    if (!value || !value->isArray() || value->size() < N)
        return std::nullopt;
    std::array<double, N> result;
    for (size_t i = 0; i < N; ++i) {
        auto component = floatComponent((*value)[i]);
        if (!component)
            return std::nullopt;
        result[i] = *component;
    }
    return result;
}

}

std::optional<double> PellarFlexValueParsing::numberWithValue(const JSONValue& value)
{
    if (value.isNumber()) {
        double number = value.numberValue();
        return std::isfinite(number) ? std::optional<double>(number) : std::nullopt;
    }
    if (value.isString())
        return floatPrefix(value.stringValue());
    return std::nullopt;
}

Rect PellarFlexValueParsing::rectWithValue(const Value& value, const Rect& defaultValue)
{
    auto c = components<4>(value);
    return c ? Rect((*c)[0], (*c)[1], (*c)[2], (*c)[3]) : defaultValue;
}

Point PellarFlexValueParsing::pointWithValue(const Value& value, Point defaultValue)
{
    auto c = components<2>(value);
    return c ? Point { (*c)[0], (*c)[1] } : defaultValue;
}

Size PellarFlexValueParsing::sizeWithValue(const Value& value, Size defaultValue)
{
    auto c = components<2>(value);
    return c ? Size { (*c)[0], (*c)[1] } : defaultValue;
}

std::optional<Color> PellarFlexValueParsing::colorWithValue(const Value& value, std::optional<Color> defaultValue)
{
    auto c = components<4>(value);
    return c ? std::optional<Color>(Color::rgba((*c)[0], (*c)[1], (*c)[2], (*c)[3])) : defaultValue;
}

AffineTransform PellarFlexValueParsing::affineTransformWithValue(
    const Value& value, const AffineTransform& defaultValue)
{
    auto c = components<6>(value);
    return c ? AffineTransform { (*c)[0], (*c)[1], (*c)[2], (*c)[3], (*c)[4], (*c)[5] } : defaultValue;
}

Transform3D PellarFlexValueParsing::transform3DWithValue(const Value& value, const Transform3D& defaultValue)
{
    auto c = components<16>(value);
    if (!c)
        return defaultValue;
    auto& m = *c;
    return Transform3D { m[0], m[1], m[2], m[3], m[4], m[5], m[6], m[7], m[8], m[9], m[10], m[11], m[12], m[13], m[14],
        m[15] };
}

float PellarFlexValueParsing::floatWithValue(const Value& value, float defaultValue)
{
    if (!value)
        return defaultValue;
    return floatComponent(*value).value_or(defaultValue);
}

int32_t PellarFlexValueParsing::integerWithValue(const Value& value, int32_t defaultValue)
{
    if (!value)
        return defaultValue;
    if (value->isString())
        return integerPrefix(value->stringValue()).value_or(defaultValue);
    if (!value->isNumber() || !std::isfinite(value->numberValue()))
        return defaultValue;
    double number = std::trunc(value->numberValue());
    if (number >= double(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    if (number <= double(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    return int32_t(number);
}

bool PellarFlexValueParsing::boolWithValue(const Value& value, bool defaultValue)
{
    if (!value)
        return defaultValue;
    if (value->isString())
        return flagFromString(value->stringValue());
    if (value->isNumber() && !std::isnan(value->numberValue()))
        return value->numberValue() != 0;
    return defaultValue;
}

namespace {

std::optional<TimingFunction::Name> timingName(std::string_view code)
{
    if (code == "l")
        return TimingFunction::Name::Linear;
    if (code == "i")
        return TimingFunction::Name::EaseIn;
    if (code == "o")
        return TimingFunction::Name::EaseOut;
    if (code == "io")
        return TimingFunction::Name::EaseInEaseOut;
    return std::nullopt;
}

std::optional<FillMode> fillMode(std::string_view code)
{
    if (code == "r")
        return FillMode::Removed;
    if (code == "f")
        return FillMode::Forwards;
    if (code == "b")
        return FillMode::Backwards;
    if (code == "fb")
        return FillMode::Both;
    return std::nullopt;
}

}

TimingFunction PellarFlexValueParsing::timingFunctionWithValue(const Value& value, std::string_view defaultCode)
{
    std::optional<TimingFunction::Name> name;
    if (value && value->isString())
        name = timingName(value->stringValue());
    // Every caller passes a known default; linear covers one that is not.
    return TimingFunction::named(name.value_or(timingName(defaultCode).value_or(TimingFunction::Name::Linear)));
}

FillMode PellarFlexValueParsing::fillModeWithValue(const Value& value, std::string_view defaultCode)
{
    std::optional<FillMode> mode;
    if (value && value->isString())
        mode = fillMode(value->stringValue());
    return mode.value_or(fillMode(defaultCode).value_or(FillMode::Removed));
}

std::optional<PellarFlexAnimationValue> PellarFlexValueParsing::valueOfType(
    std::string_view typeCode, const Value& value, DefaultValueProvider provider)
{
    auto defaultValue = provider ? provider(typeCode) : std::nullopt;
    if (!defaultValue)
        return std::nullopt;
    // The provider answered for the code, so it is one of the six and the
    // default's alternative says how to read the value.
    return std::visit(
        [&](const auto& fallback) -> PellarFlexAnimationValue {
            using T = std::decay_t<decltype(fallback)>;
            if constexpr (std::is_same_v<T, float>)
                return floatWithValue(value, fallback);
            else if constexpr (std::is_same_v<T, Rect>)
                return rectWithValue(value, fallback);
            else if constexpr (std::is_same_v<T, Point>)
                return pointWithValue(value, fallback);
            else if constexpr (std::is_same_v<T, Size>)
                return sizeWithValue(value, fallback);
            else if constexpr (std::is_same_v<T, AffineTransform>)
                return affineTransformWithValue(value, fallback);
            else
                return transform3DWithValue(value, fallback);
        },
        *defaultValue);
}

namespace {

std::optional<PellarFlexAnimationValue> zeroValueOfType(std::string_view typeCode, float number)
{
    if (typeCode == "F")
        return number;
    if (typeCode == "R")
        return Rect();
    if (typeCode == "P")
        return Point();
    if (typeCode == "S")
        return Size();
    if (typeCode == "AT")
        return AffineTransform::identity();
    if (typeCode == "T3")
        return Transform3D::identity();
    return std::nullopt;
}

}

std::optional<PellarFlexAnimationValue> PellarFlexValueParsing::defaultAnimationFromValueWithValueType(
    std::string_view typeCode)
{
    return zeroValueOfType(typeCode, 0.0f);
}

std::optional<PellarFlexAnimationValue> PellarFlexValueParsing::defaultAnimationToValueWithValueType(
    std::string_view typeCode)
{
    return zeroValueOfType(typeCode, 1.0f);
}

AnimationValue PellarFlexValueParsing::animationValue(const PellarFlexAnimationValue& value)
{
    return std::visit(
        [](const auto& v) -> AnimationValue {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, float>)
                return double(v);
            else if constexpr (std::is_same_v<T, AffineTransform>)
                return Transform3D::fromAffine(v);
            else
                return v;
        },
        value);
}
