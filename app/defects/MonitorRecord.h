#pragma once

#include "app/defects/DefectMark.h"
#include "app/defects/PanelVerdict.h"
#include "platform/ui/views/MonitorIdentity.h"

#include <optional>
#include <vector>

// Everything marked on one monitor: its identity with the mode it was last
// seen in, and the marks in the order they were made (the last is the one
// an undo takes back). Marks made in an earlier mode stay where they were
// made and are flagged, never moved.
class MonitorRecord {
public:
    // More than any panel worth grading has; the file stays small.
    static constexpr size_t kMaximumMarks = 10000;

    explicit MonitorRecord(MonitorIdentity);

    const MonitorIdentity& monitor() const { return m_monitor; }
    int width() const { return m_monitor.widthPixels; }
    int height() const { return m_monitor.heightPixels; }
    // The monitor as the desktop reports it now, its mode included.
    void setMonitor(MonitorIdentity monitor) { m_monitor = std::move(monitor); }

    const std::vector<DefectMark>& marks() const { return m_marks; }
    // Marks as they come from a file, kept as they are (their own modes included).
    void setMarks(std::vector<DefectMark> marks) { m_marks = std::move(marks); }

    // Marks the pixel in the current mode; a mark already on it takes the new
    // kind and becomes the last. False (nothing changes) for a pixel outside
    // the mode or when the record is full.
    bool mark(int x, int y, DefectKind);
    // Removes the current mode's mark on the pixel; false when there is none.
    bool unmark(int x, int y);
    // Takes back the last mark made in the current mode; false when there is none.
    bool undo();
    std::optional<DefectMark> markAt(int x, int y) const;

    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width() && y < height(); }
    // Marks made in another mode than the current one.
    size_t flaggedCount() const;
    PanelVerdict verdict() const { return PanelVerdict::evaluate(m_marks, width(), height()); }

private:
    MonitorIdentity m_monitor;
    std::vector<DefectMark> m_marks;
};
