#pragma once

#include "app/defects/MonitorRecord.h"
#include "platform/ui/views/View.h"

#include <optional>

// Drawn over the whole test screen, fills and patterns included: a small ring
// around every mark of the current mode, in its kind's colour, and, while
// marking, the cursor. Neither ever covers the pixel it points at: the ring
// starts a few device pixels out and the cursor is a frame with a gap around
// its pixel. It takes no touches.
class DefectOverlayView final : public View {
public:
    // Device pixels from a marked pixel's centre to the inside of its ring.
    static constexpr double kRingInnerRadius = 4;

    explicit DefectOverlayView(const Rect& frame);

    void setRecord(const MonitorRecord* record) { m_record = record; }
    void setRingsVisible(bool);
    bool ringsVisible() const { return m_ringsVisible; }
    // The cursor's pixel, or none when not marking.
    void setCursor(std::optional<Point> pixel);

    void drawRect(const Rect&) override;

private:
    const MonitorRecord* m_record { nullptr }; // the marker's; it outlives us
    bool m_ringsVisible { true };
    std::optional<Point> m_cursor;
};
