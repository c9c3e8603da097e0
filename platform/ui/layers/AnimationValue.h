#pragma once

#include "platform/ui/graphics/Color.h"
#include "platform/ui/graphics/Rect.h"
#include "platform/ui/graphics/Transform3D.h"

#include <variant>

// A value an animation can carry for a layer property: a number (opacity,
// scale), a point (position), a size, a rectangle (bounds), a 3-D transform
// or a colour.
class AnimationValue {
public:
    using Storage = std::variant<double, Point, Size, Rect, Transform3D, Color>;

    AnimationValue()
        : m_value(0.0)
    {
    }
    AnimationValue(double v)
        : m_value(v)
    {
    }
    AnimationValue(Point v)
        : m_value(v)
    {
    }
    AnimationValue(Size v)
        : m_value(v)
    {
    }
    AnimationValue(const Rect& v)
        : m_value(v)
    {
    }
    AnimationValue(const Transform3D& v)
        : m_value(v)
    {
    }
    AnimationValue(const Color& v)
        : m_value(v)
    {
    }

    const Storage& storage() const { return m_value; }
    template <typename T> bool is() const { return std::holds_alternative<T>(m_value); }
    // The value as T, or `fallback` when it holds another type.
    template <typename T> T as(const T& fallback = T {}) const
    {
        const T* value = std::get_if<T>(&m_value);
        return value ? *value : fallback;
    }

    // Linear blend; t = 0 gives this value. Values of different types do not
    // blend: the result jumps at the half-way point. Transforms blend their
    // scale, rotation about z and translation separately, as a layer does.
    AnimationValue interpolated(const AnimationValue& to, double t) const;
    // this + other, for additive and by-value animations.
    AnimationValue added(const AnimationValue& other) const;

    bool operator==(const AnimationValue&) const = default;

private:
    Storage m_value;
};
