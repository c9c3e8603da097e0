#pragma once

#include "platform/ui/graphics/Rect.h"

#include <algorithm>

// Bounds on what a flexible ad's description can make the banner draw, so
// that rendering cost stays small whatever the server says: every element
// view is backed by an image of its size at the screen's scale, and text is
// laid out at its font size.
struct PellarFlexLimits {
    // An element is at most 1024 points wide and high: at scale 2 its backing
    // image is then at most 2048 × 2048 pixels (16 MiB). The banner itself is
    // 320 × 48, so no sensible element comes near.
    static constexpr double kMaxElementSide = 1024;
    // Origins beyond this are far outside any banner or page.
    static constexpr double kMaxElementCoordinate = 4096;
    // Font sizes from 1 to 256 points: glyphs stay cheap to lay out and draw,
    // and a size of 0 or less never reaches the text layout.
    static constexpr double kMinFontSize = 1;
    static constexpr double kMaxFontSize = 256;

    // Negative sizes become 0; non-finite values never get here (the
    // converters give defaults for them) but would become 0 as well.
    static Rect clampedFrame(const Rect& frame)
    {
        return { clamp(frame.origin.x, -kMaxElementCoordinate, kMaxElementCoordinate),
            clamp(frame.origin.y, -kMaxElementCoordinate, kMaxElementCoordinate),
            clamp(frame.size.width, 0, kMaxElementSide), clamp(frame.size.height, 0, kMaxElementSide) };
    }
    static double clampedFontSize(double size) { return clamp(size, kMinFontSize, kMaxFontSize); }

private:
    static double clamp(double value, double low, double high)
    {
        return value >= low ? std::min(value, high) : low; // NaN gives `low`
    }
};
