#include "platform/ui/graphics/Transform3D.h"

#include <cmath>

Transform3D Transform3D::makeScale(double sx, double sy, double sz)
{
    Transform3D t;
    t.m11 = sx;
    t.m22 = sy;
    t.m33 = sz;
    return t;
}

Transform3D Transform3D::makeTranslation(double tx, double ty, double tz)
{
    Transform3D t;
    t.m41 = tx;
    t.m42 = ty;
    t.m43 = tz;
    return t;
}

Transform3D Transform3D::makeRotation(double angle, double x, double y, double z)
{
    double length = std::sqrt(x * x + y * y + z * z);
    if (length == 0)
        return {};
    x /= length;
    y /= length;
    z /= length;
    double c = std::cos(angle), s = std::sin(angle), k = 1 - c;
    Transform3D t;
    t.m11 = c + x * x * k;
    t.m12 = x * y * k + z * s;
    t.m13 = x * z * k - y * s;
    t.m21 = y * x * k - z * s;
    t.m22 = c + y * y * k;
    t.m23 = y * z * k + x * s;
    t.m31 = z * x * k + y * s;
    t.m32 = z * y * k - x * s;
    t.m33 = c + z * z * k;
    return t;
}

Transform3D Transform3D::fromAffine(const AffineTransform& a)
{
    Transform3D t;
    t.m11 = a.a;
    t.m12 = a.b;
    t.m21 = a.c;
    t.m22 = a.d;
    t.m41 = a.tx;
    t.m42 = a.ty;
    return t;
}

bool Transform3D::isAffine() const
{
    return m13 == 0 && m14 == 0 && m23 == 0 && m24 == 0 && m31 == 0 && m32 == 0 && m33 == 1 && m34 == 0 && m43 == 0
        && m44 == 1;
}

Transform3D Transform3D::concat(const Transform3D& b) const
{
    const double* x = &m11;
    const double* y = &b.m11;
    Transform3D r;
    double* out = &r.m11;
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            double sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += x[row * 4 + k] * y[k * 4 + column];
            out[row * 4 + column] = sum;
        }
    }
    return r;
}
