#include "platform/ui/layers/AnimationValue.h"

#include <cmath>

namespace {

struct Decomposed {
    double scaleX, scaleY, scaleZ, rotation, tx, ty, tz;
};

// Scale, then rotation about z, then translation: enough for the transforms
// views animate (scales, rotations, moves). Anything else blends element-wise.
bool decompose(const Transform3D& m, Decomposed& out)
{
    if (m.m13 != 0 || m.m23 != 0 || m.m31 != 0 || m.m32 != 0 || m.m14 != 0 || m.m24 != 0 || m.m34 != 0 || m.m44 != 1)
        return false;
    double sx = std::hypot(m.m11, m.m12);
    double sy = std::hypot(m.m21, m.m22);
    double rotation = std::atan2(m.m12, m.m11);
    // A shear or a mirror in one axis does not fit this form.
    double expectedM21 = -std::sin(rotation) * sy, expectedM22 = std::cos(rotation) * sy;
    if (std::abs(expectedM21 - m.m21) > 1e-9 || std::abs(expectedM22 - m.m22) > 1e-9)
        return false;
    out = { sx, sy, m.m33, rotation, m.m41, m.m42, m.m43 };
    return true;
}

Transform3D compose(const Decomposed& d)
{
    Transform3D t = Transform3D::makeScale(d.scaleX, d.scaleY, d.scaleZ);
    t = t.concat(Transform3D::makeRotation(d.rotation, 0, 0, 1));
    return t.concat(Transform3D::makeTranslation(d.tx, d.ty, d.tz));
}

double mix(double a, double b, double t)
{
    return a + (b - a) * t;
}

Transform3D blend(const Transform3D& a, const Transform3D& b, double t)
{
    Decomposed da, db;
    if (decompose(a, da) && decompose(b, db)) {
        double delta = db.rotation - da.rotation;
        return compose({ mix(da.scaleX, db.scaleX, t), mix(da.scaleY, db.scaleY, t), mix(da.scaleZ, db.scaleZ, t),
            da.rotation + delta * t, mix(da.tx, db.tx, t), mix(da.ty, db.ty, t), mix(da.tz, db.tz, t) });
    }
    Transform3D r;
    const double* x = &a.m11;
    const double* y = &b.m11;
    double* out = &r.m11;
    for (int i = 0; i < 16; ++i)
        out[i] = mix(x[i], y[i], t);
    return r;
}

} // namespace

AnimationValue AnimationValue::interpolated(const AnimationValue& to, double t) const
{
    if (m_value.index() != to.m_value.index())
        return t < 0.5 ? *this : to;
    return std::visit(
        [&](const auto& from) -> AnimationValue {
            using T = std::decay_t<decltype(from)>;
            const T& end = std::get<T>(to.m_value);
            if constexpr (std::is_same_v<T, double>)
                return mix(from, end, t);
            else if constexpr (std::is_same_v<T, Point>)
                return Point { mix(from.x, end.x, t), mix(from.y, end.y, t) };
            else if constexpr (std::is_same_v<T, Size>)
                return Size { mix(from.width, end.width, t), mix(from.height, end.height, t) };
            else if constexpr (std::is_same_v<T, Rect>)
                return Rect { mix(from.origin.x, end.origin.x, t), mix(from.origin.y, end.origin.y, t),
                    mix(from.size.width, end.size.width, t), mix(from.size.height, end.size.height, t) };
            else if constexpr (std::is_same_v<T, Transform3D>)
                return blend(from, end, t);
            else
                return from.interpolated(end, t);
        },
        m_value);
}

AnimationValue AnimationValue::added(const AnimationValue& other) const
{
    if (m_value.index() != other.m_value.index())
        return other;
    return std::visit(
        [&](const auto& a) -> AnimationValue {
            using T = std::decay_t<decltype(a)>;
            const T& b = std::get<T>(other.m_value);
            if constexpr (std::is_same_v<T, double>)
                return a + b;
            else if constexpr (std::is_same_v<T, Point>)
                return Point { a.x + b.x, a.y + b.y };
            else if constexpr (std::is_same_v<T, Size>)
                return Size { a.width + b.width, a.height + b.height };
            else if constexpr (std::is_same_v<T, Rect>)
                return Rect { a.origin.x + b.origin.x, a.origin.y + b.origin.y, a.size.width + b.size.width,
                    a.size.height + b.size.height };
            else if constexpr (std::is_same_v<T, Transform3D>)
                return b.concat(a);
            else
                return Color { a.red + b.red, a.green + b.green, a.blue + b.blue, a.alpha + b.alpha };
        },
        m_value);
}
