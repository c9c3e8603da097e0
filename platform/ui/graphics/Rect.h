#pragma once

#include "platform/ui/graphics/Point.h"
#include "platform/ui/graphics/Size.h"

#include <algorithm>

// A rectangle in points. Like the platform's, containment is half open: a
// point on the right or bottom edge is outside, so adjacent rectangles never
// both claim the same point. Negative sizes are normalised by the min/max accessors.
struct Rect {
    Point origin;
    Size size;

    constexpr Rect() = default;
    constexpr Rect(double x, double y, double width, double height)
        : origin { x, y }
        , size { width, height }
    {
    }
    constexpr Rect(Point o, Size s)
        : origin(o)
        , size(s)
    {
    }

    bool operator==(const Rect&) const = default;

    double minX() const { return std::min(origin.x, origin.x + size.width); }
    double minY() const { return std::min(origin.y, origin.y + size.height); }
    double maxX() const { return std::max(origin.x, origin.x + size.width); }
    double maxY() const { return std::max(origin.y, origin.y + size.height); }
    double midX() const { return origin.x + size.width * 0.5; }
    double midY() const { return origin.y + size.height * 0.5; }
    double width() const { return size.width < 0 ? -size.width : size.width; }
    double height() const { return size.height < 0 ? -size.height : size.height; }
    Point center() const { return { midX(), midY() }; }
    bool isEmpty() const { return size.width == 0 || size.height == 0; }

    bool contains(Point p) const { return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY(); }
    bool intersects(const Rect& other) const
    {
        return !isEmpty() && !other.isEmpty() && minX() < other.maxX() && other.minX() < maxX() && minY() < other.maxY()
            && other.minY() < maxY();
    }
    Rect intersection(const Rect& other) const
    {
        if (!intersects(other))
            return {};
        double x0 = std::max(minX(), other.minX());
        double y0 = std::max(minY(), other.minY());
        return { x0, y0, std::min(maxX(), other.maxX()) - x0, std::min(maxY(), other.maxY()) - y0 };
    }
    Rect unionWith(const Rect& other) const
    {
        if (isEmpty())
            return other;
        if (other.isEmpty())
            return *this;
        double x0 = std::min(minX(), other.minX());
        double y0 = std::min(minY(), other.minY());
        return { x0, y0, std::max(maxX(), other.maxX()) - x0, std::max(maxY(), other.maxY()) - y0 };
    }
    Rect insetBy(double dx, double dy) const
    {
        return { minX() + dx, minY() + dy, width() - 2 * dx, height() - 2 * dy };
    }
    Rect offsetBy(double dx, double dy) const { return { origin.x + dx, origin.y + dy, size.width, size.height }; }
};
