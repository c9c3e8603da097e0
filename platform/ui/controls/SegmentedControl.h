#pragma once

#include "platform/ui/controls/Control.h"

#include <string>
#include <vector>

// A row of segments of equal width, one of which may be selected. Touching a
// segment selects it and sends value-changed when the selection changed.
class SegmentedControl : public Control {
public:
    static constexpr int kNoSegment = -1;

    explicit SegmentedControl(const Rect& frame = {});
    SegmentedControl(const Rect& frame, std::vector<std::string> titles);

    int numberOfSegments() const { return static_cast<int>(m_titles.size()); }
    const std::vector<std::string>& titles() const { return m_titles; }
    void setTitles(std::vector<std::string>);
    std::string titleForSegmentAtIndex(int) const;
    // kNoSegment when nothing is selected. Setting it sends no action.
    int selectedSegmentIndex() const { return m_selected; }
    void setSelectedSegmentIndex(int);
    const Color& tintColor() const { return m_tint; }
    void setTintColor(const Color& c)
    {
        m_tint = c;
        setNeedsDisplay();
    }

    Rect frameForSegment(int) const;
    int segmentAtPoint(Point) const;

    void applyInterfaceProperties(const InterfaceProperties&) override;
    void drawRect(const Rect&) override;
    void touchesBegan(const TouchSet&, const Event&) override;
    void touchesMoved(const TouchSet&, const Event&) override { }
    void touchesEnded(const TouchSet&, const Event&) override { }
    void touchesCancelled(const TouchSet&, const Event&) override { }
    std::vector<AccessibleElement> accessibleElements() override;

private:
    std::vector<std::string> m_titles;
    int m_selected { kNoSegment };
    Color m_tint { 0.16, 0.36, 0.80, 1 };
};
