#pragma once

#include "platform/ui/graphics/AffineTransform.h"

// A layer's 4 × 4 transform in the platform's row-vector convention. What is
// drawn uses its affine part; m34 (perspective) is kept for the 3-D flips,
// which the compositor renders itself.
struct Transform3D {
    double m11 { 1 }, m12 { 0 }, m13 { 0 }, m14 { 0 };
    double m21 { 0 }, m22 { 1 }, m23 { 0 }, m24 { 0 };
    double m31 { 0 }, m32 { 0 }, m33 { 1 }, m34 { 0 };
    double m41 { 0 }, m42 { 0 }, m43 { 0 }, m44 { 1 };

    static Transform3D identity() { return {}; }
    static Transform3D makeScale(double sx, double sy, double sz);
    static Transform3D makeTranslation(double tx, double ty, double tz);
    // Rotation by `angle` radians about the axis (x, y, z).
    static Transform3D makeRotation(double angle, double x, double y, double z);
    static Transform3D fromAffine(const AffineTransform&);

    bool operator==(const Transform3D&) const = default;
    bool isIdentity() const { return *this == Transform3D {}; }
    bool isAffine() const;
    AffineTransform affine() const { return { m11, m12, m21, m22, m41, m42 }; }

    // `this` first, then `other`.
    Transform3D concat(const Transform3D& other) const;
    Transform3D scaled(double sx, double sy, double sz) const { return makeScale(sx, sy, sz).concat(*this); }
    Transform3D rotated(double angle, double x, double y, double z) const
    {
        return makeRotation(angle, x, y, z).concat(*this);
    }
};
