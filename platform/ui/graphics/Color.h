#pragma once

// An RGBA colour with components from 0 to 1, not premultiplied. "No colour"
// (the platform's nil) is std::optional<Color>; drawing it leaves things transparent.
struct Color {
    double red { 0 };
    double green { 0 };
    double blue { 0 };
    double alpha { 1 };

    static Color rgba(double r, double g, double b, double a = 1.0) { return { r, g, b, a }; }
    // A grey of the given white level.
    static Color white(double level, double a = 1.0) { return { level, level, level, a }; }

    static Color black() { return { 0, 0, 0, 1 }; }
    static Color whiteColor() { return { 1, 1, 1, 1 }; }
    static Color redColor() { return { 1, 0, 0, 1 }; }
    static Color greenColor() { return { 0, 1, 0, 1 }; }
    static Color blueColor() { return { 0, 0, 1, 1 }; }
    static Color grayColor() { return { 0.5, 0.5, 0.5, 1 }; }
    static Color darkGrayColor() { return { 1.0 / 3, 1.0 / 3, 1.0 / 3, 1 }; }
    static Color lightGrayColor() { return { 2.0 / 3, 2.0 / 3, 2.0 / 3, 1 }; }
    static Color yellowColor() { return { 1, 1, 0, 1 }; }
    static Color clear() { return { 0, 0, 0, 0 }; }

    Color withAlpha(double a) const { return { red, green, blue, a }; }
    // Component-wise linear blend, t = 0 gives this colour.
    Color interpolated(const Color& to, double t) const
    {
        return { red + (to.red - red) * t, green + (to.green - green) * t, blue + (to.blue - blue) * t,
            alpha + (to.alpha - alpha) * t };
    }
    bool operator==(const Color&) const = default;
};
