#pragma once

#include "platform/ui/graphics/Point.h"
#include "platform/ui/graphics/Rect.h"

// A 2-D affine transform in the platform's row-vector convention:
// x' = a·x + c·y + tx, y' = b·x + d·y + ty.
struct AffineTransform {
    double a { 1 }, b { 0 }, c { 0 }, d { 1 }, tx { 0 }, ty { 0 };

    static AffineTransform identity() { return {}; }
    static AffineTransform makeScale(double sx, double sy) { return { sx, 0, 0, sy, 0, 0 }; }
    static AffineTransform makeTranslation(double x, double y) { return { 1, 0, 0, 1, x, y }; }
    static AffineTransform makeRotation(double radians);

    bool operator==(const AffineTransform&) const = default;
    bool isIdentity() const { return *this == AffineTransform {}; }

    // `this` first, then `other`.
    AffineTransform concat(const AffineTransform& other) const;
    AffineTransform scaled(double sx, double sy) const { return makeScale(sx, sy).concat(*this); }
    AffineTransform translated(double x, double y) const { return makeTranslation(x, y).concat(*this); }
    AffineTransform rotated(double radians) const { return makeRotation(radians).concat(*this); }
    AffineTransform inverted() const; // the transform itself when it cannot be inverted

    Point apply(Point p) const { return { a * p.x + c * p.y + tx, b * p.x + d * p.y + ty }; }
    // The bounding box of the transformed rectangle.
    Rect apply(const Rect&) const;
};
