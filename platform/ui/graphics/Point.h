#pragma once

#include <cmath>

// A position in points; the origin is the top left and y grows downwards.
struct Point {
    double x { 0 };
    double y { 0 };

    bool operator==(const Point&) const = default;
    Point operator+(const Point& other) const { return { x + other.x, y + other.y }; }
    Point operator-(const Point& other) const { return { x - other.x, y - other.y }; }
    double distanceTo(const Point& other) const { return std::hypot(x - other.x, y - other.y); }
};
