#pragma once

#include "platform/ui/graphics/Color.h"
#include "platform/ui/views/View.h"

#include <vector>

// The pixels around the marking cursor, each drawn as a block of kZoom device
// pixels with a thin gap between blocks, the cursor's pixel framed in the
// middle, so a single pixel can be picked out on a dense panel.
class DefectMagnifierView final : public View {
public:
    static constexpr int kSpan = 15; // pixels across; odd, so one is in the middle
    static constexpr int kZoom = 10;

    // The view's side in points at the given scale.
    static double side(double scale) { return kSpan * kZoom / scale; }

    explicit DefectMagnifierView(Point origin);

    // Shows the pixels of `screen` around device pixel `center` (those off
    // the screen are drawn dark grey); the overlays are left out.
    void capture(View& screen, Point center, const std::vector<View*>& leaveOut);
    const std::vector<Color>& pixels() const { return m_pixels; }

    void drawRect(const Rect&) override;

private:
    std::vector<Color> m_pixels;
};
