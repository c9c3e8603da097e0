#pragma once

// A cubic Bézier easing curve from (0, 0) to (1, 1) through two control points.
class TimingFunction {
public:
    enum class Name { Linear, EaseIn, EaseOut, EaseInEaseOut, Default };

    static TimingFunction named(Name);
    static TimingFunction linear() { return named(Name::Linear); }
    TimingFunction(double x1, double y1, double x2, double y2);

    // The eased progress for input progress `t` in [0, 1].
    double evaluate(double t) const;

    bool operator==(const TimingFunction&) const = default;

private:
    double bezier(double a, double b, double t) const;
    double bezierDerivative(double a, double b, double t) const;

    double m_x1, m_y1, m_x2, m_y2;
};
