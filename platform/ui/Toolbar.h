#pragma once

#include "platform/ui/View.h"

#include <memory>
#include <vector>

class BarButtonItem;

// A bar of buttons, usually 44 points high. Items are laid out from the left
// with a 6-point gap; flexible spaces share what is left over.
class Toolbar : public View {
public:
    static constexpr double kHeight = 44;
    enum class Style { Default, Black };

    explicit Toolbar(const Rect& frame = {});
    ~Toolbar() override;

    const std::vector<std::shared_ptr<BarButtonItem>>& items() const { return m_items; }
    void setItems(std::vector<std::shared_ptr<BarButtonItem>>);
    Style barStyle() const { return m_style; }
    void setBarStyle(Style s) { m_style = s; setNeedsDisplay(); }

    // Each item's frame in the toolbar's coordinates (spaces included).
    std::vector<Rect> itemFrames() const;
    BarButtonItem* itemAtPoint(Point) const;

    void itemDidChange();

    void drawRect(const Rect&) override;
    void touchesBegan(const TouchSet&, const Event&) override;
    void touchesMoved(const TouchSet&, const Event&) override;
    void touchesEnded(const TouchSet&, const Event&) override;
    void touchesCancelled(const TouchSet&, const Event&) override;
    std::vector<AccessibleElement> accessibleElements() override;

private:
    double itemWidth(const BarButtonItem&) const;

    std::vector<std::shared_ptr<BarButtonItem>> m_items;
    Style m_style { Style::Default };
    BarButtonItem* m_pressed { nullptr };
    bool m_pressedInside { false };
};
