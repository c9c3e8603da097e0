#pragma once

#include "platform/ui/graphics/AffineTransform.h"
#include "platform/ui/graphics/Color.h"
#include "platform/ui/graphics/Rect.h"
#include "platform/ui/graphics/Transform3D.h"
#include "platform/ui/layers/AnimationValue.h"
#include "platform/ui/layers/FillMode.h"
#include "platform/ui/layers/TimingFunction.h"
#include "json/JSONValue.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <variant>

// A from, to or key-frame value of a flexible ad's animation, tagged by the
// value-type code it was read with: "F" float, "R" rectangle, "P" point,
// "S" size, "AT" affine transform, "T3" 3-D transform.
using PellarFlexAnimationValue = std::variant<float, Rect, Point, Size, AffineTransform, Transform3D>;

// The tolerant converters every setting of a flexible ad's description is
// read through. Each takes the JSON value found under a key (nullopt when the
// key is missing) and a default, and never fails: a value that is absent, of
// the wrong kind, too short or otherwise unusable gives the default, so one
// bad setting never rejects a banner.
//
// A numeric value is a JSON number (true and false are 1 and 0) or a string,
// read from its longest numeric prefix after leading white space ("2.5cm" is
// 2.5; "cm" is 0). A value that is not a number ("nan", "inf", 1e999, or a
// float beyond the 32-bit range) is never used: it gives the default, so no
// frame, colour or timing is ever made of one.
class PellarFlexValueParsing {
public:
    using Value = std::optional<JSONValue>;

    // Fixed-length vectors: an array whose first N elements are all numeric
    // (elements beyond N are ignored); anything else gives the whole default.
    static Rect rectWithValue(const Value&, const Rect& defaultValue);
    static Point pointWithValue(const Value&, Point defaultValue);
    static Size sizeWithValue(const Value&, Size defaultValue);
    // Red, green, blue, alpha, each 0-1, used as given.
    static std::optional<Color> colorWithValue(const Value&, std::optional<Color> defaultValue);
    // a, b, c, d, tx, ty.
    static AffineTransform affineTransformWithValue(const Value&, const AffineTransform& defaultValue);
    // m11 ... m44, row by row.
    static Transform3D transform3DWithValue(const Value&, const Transform3D& defaultValue);

    // Scalars: a number or a string; any other kind gives the default. A
    // string without a numeric prefix reads as 0 (false), not the default.
    static float floatWithValue(const Value&, float defaultValue);
    // Truncated toward zero; beyond the 32-bit range it saturates.
    static int32_t integerWithValue(const Value&, int32_t defaultValue);
    // Strings are true when, after white space, a sign and leading zeros,
    // they start with Y, y, T, t or a digit 1-9.
    static bool boolWithValue(const Value&, bool defaultValue);

    // Codes "l" linear, "i" ease in, "o" ease out, "io" ease in and out; a
    // missing, non-string or unknown code gives the default code's curve.
    static TimingFunction timingFunctionWithValue(const Value&, std::string_view defaultCode);
    // Codes "r" removed, "f" forwards, "b" backwards, "fb" both.
    static FillMode fillModeWithValue(const Value&, std::string_view defaultCode);

    // Typed animation values. The provider is asked for the default first, for
    // every code; a known code never gives nullopt, an unknown one always does.
    using DefaultValueProvider = std::optional<PellarFlexAnimationValue> (*)(std::string_view typeCode);
    static std::optional<PellarFlexAnimationValue> valueOfType(
        std::string_view typeCode, const Value&, DefaultValueProvider);
    // "F" 0, "F" 1 respectively; zero rectangle, point and size; identity transforms.
    static std::optional<PellarFlexAnimationValue> defaultAnimationFromValueWithValueType(std::string_view typeCode);
    static std::optional<PellarFlexAnimationValue> defaultAnimationToValueWithValueType(std::string_view typeCode);

    // The platform's animation value for a typed value; an affine transform
    // becomes the 3-D transform a layer animates.
    static AnimationValue animationValue(const PellarFlexAnimationValue&);

    // The number a numeric value reads as, or nullopt when it is not numeric
    // or not finite. Exposed for the animation builder's key-time checks.
    static std::optional<double> numberWithValue(const JSONValue&);
};
