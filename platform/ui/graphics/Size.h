#pragma once

// A width and a height in points.
struct Size {
    double width { 0 };
    double height { 0 };

    bool operator==(const Size&) const = default;
    bool isEmpty() const { return width <= 0 || height <= 0; }
};
