#include "platform/ui/graphics/AffineTransform.h"

#include <algorithm>
#include <cmath>

AffineTransform AffineTransform::makeRotation(double radians)
{
    double cosine = std::cos(radians);
    double sine = std::sin(radians);
    return { cosine, sine, -sine, cosine, 0, 0 };
}

AffineTransform AffineTransform::concat(const AffineTransform& o) const
{
    return {
        a * o.a + b * o.c,
        a * o.b + b * o.d,
        c * o.a + d * o.c,
        c * o.b + d * o.d,
        tx * o.a + ty * o.c + o.tx,
        tx * o.b + ty * o.d + o.ty,
    };
}

AffineTransform AffineTransform::inverted() const
{
    double determinant = a * d - b * c;
    if (determinant == 0 || !std::isfinite(determinant))
        return *this;
    double ia = d / determinant, ib = -b / determinant, ic = -c / determinant, id = a / determinant;
    return { ia, ib, ic, id, -(tx * ia + ty * ic), -(tx * ib + ty * id) };
}

Rect AffineTransform::apply(const Rect& r) const
{
    Point corners[4] = { apply(Point { r.minX(), r.minY() }), apply(Point { r.maxX(), r.minY() }),
        apply(Point { r.minX(), r.maxY() }), apply(Point { r.maxX(), r.maxY() }) };
    double x0 = corners[0].x, x1 = corners[0].x, y0 = corners[0].y, y1 = corners[0].y;
    for (auto& p : corners) {
        x0 = std::min(x0, p.x);
        x1 = std::max(x1, p.x);
        y0 = std::min(y0, p.y);
        y1 = std::max(y1, p.y);
    }
    return { x0, y0, x1 - x0, y1 - y0 };
}
