#include "platform/ui/layers/TimingFunction.h"

#include <algorithm>
#include <cmath>

TimingFunction TimingFunction::named(Name name)
{
    switch (name) {
    case Name::Linear:
        return { 0.0, 0.0, 1.0, 1.0 };
    case Name::EaseIn:
        return { 0.42, 0.0, 1.0, 1.0 };
    case Name::EaseOut:
        return { 0.0, 0.0, 0.58, 1.0 };
    case Name::EaseInEaseOut:
        return { 0.42, 0.0, 0.58, 1.0 };
    case Name::Default:
        break;
    }
    return { 0.25, 0.1, 0.25, 1.0 };
}

TimingFunction::TimingFunction(double x1, double y1, double x2, double y2)
    : m_x1(std::clamp(x1, 0.0, 1.0))
    , m_y1(y1)
    , m_x2(std::clamp(x2, 0.0, 1.0))
    , m_y2(y2)
{
}

double TimingFunction::bezier(double a, double b, double t) const
{
    // B(t) for control values 0, a, b, 1.
    double u = 1 - t;
    return 3 * u * u * t * a + 3 * u * t * t * b + t * t * t;
}

double TimingFunction::bezierDerivative(double a, double b, double t) const
{
    double u = 1 - t;
    return 3 * u * u * a + 6 * u * t * (b - a) + 3 * t * t * (1 - b);
}

double TimingFunction::evaluate(double x) const
{
    if (x <= 0)
        return 0;
    if (x >= 1)
        return 1;
    if (m_x1 == m_y1 && m_x2 == m_y2)
        return x;
    // Newton's method on x(t) = x, falling back to bisection where the slope is flat.
    double t = x;
    for (int i = 0; i < 8; ++i) {
        double error = bezier(m_x1, m_x2, t) - x;
        if (std::abs(error) < 1e-9)
            return bezier(m_y1, m_y2, t);
        double slope = bezierDerivative(m_x1, m_x2, t);
        if (std::abs(slope) < 1e-7)
            break;
        t -= error / slope;
    }
    double low = 0, high = 1;
    t = x;
    for (int i = 0; i < 60; ++i) {
        double value = bezier(m_x1, m_x2, t);
        if (std::abs(value - x) < 1e-10)
            break;
        if (value < x)
            low = t;
        else
            high = t;
        t = (low + high) / 2;
    }
    return bezier(m_y1, m_y2, t);
}
