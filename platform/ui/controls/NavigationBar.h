#pragma once

#include "platform/ui/controls/Toolbar.h"
#include "platform/ui/views/View.h"

#include <memory>
#include <optional>

class BarButtonItem;
class NavigationItem;

// The bar across the top of a screen: the top item's title in the middle and
// its left button, 44 points high, shaded like a toolbar.
class NavigationBar : public View {
public:
    static constexpr double kHeight = 44;

    explicit NavigationBar(const Rect& frame = {});
    ~NavigationBar() override;

    // The bar holds its items; only the top one shows.
    void setItems(std::vector<std::shared_ptr<NavigationItem>>);
    std::shared_ptr<NavigationItem> topItem() const;
    Toolbar::Style barStyle() const { return m_style; }
    void setBarStyle(Toolbar::Style s)
    {
        m_style = s;
        setNeedsDisplay();
    }
    const std::optional<Color>& tintColor() const { return m_tintColor; }
    void setTintColor(std::optional<Color> c)
    {
        m_tintColor = std::move(c);
        setNeedsDisplay();
    }

    // The left button's frame, empty when there is none.
    Rect leftItemFrame() const;
    void itemDidChange();

    void drawRect(const Rect&) override;
    void touchesBegan(const TouchSet&, const Event&) override;
    void touchesMoved(const TouchSet&, const Event&) override;
    void touchesEnded(const TouchSet&, const Event&) override;
    void touchesCancelled(const TouchSet&, const Event&) override;
    std::vector<AccessibleElement> accessibleElements() override;

private:
    std::vector<std::shared_ptr<NavigationItem>> m_items;
    Toolbar::Style m_style { Toolbar::Style::Default };
    std::optional<Color> m_tintColor;
    bool m_pressed { false };
    bool m_pressedInside { false };
};
