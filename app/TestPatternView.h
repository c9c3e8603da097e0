#pragma once

#include "platform/ui/views/View.h"

#include <array>
#include <memory>

class Image;

// A still test pattern over the whole screen, drawn in device pixels whatever
// the scale: smooth ramps (banding), a one-pixel checkerboard and a one-pixel
// grid (sub-pixel and scaling faults), and flat greys (uniformity). Patterns
// never change over time. They follow the solid fills in the fill cycle.
class TestPatternView final : public View {
public:
    enum class Pattern {
        GreyRamp,
        RedRamp,
        GreenRamp,
        BlueRamp,
        Checkerboard,
        Grid,
        Grey5,
        Grey25,
        Grey50,
        Grey75,
    };
    static constexpr int kPatternCount = 10;
    // Grid lines are one device pixel wide, this many device pixels apart.
    static constexpr int kGridSpacing = 8;

    explicit TestPatternView(const Rect& frame, Pattern);

    Pattern pattern() const { return m_pattern; }
    void setPattern(Pattern);
    // What the pattern is for, e.g. "Grey ramp": its accessibility label.
    static const char* name(Pattern);

    void drawRect(const Rect&) override;

private:
    // The pattern's pixels at the screen's current size and scale, made when
    // first drawn and again when either changes.
    std::shared_ptr<Image> render(int width, int height) const;

    Pattern m_pattern;
    std::shared_ptr<Image> m_image;
};
