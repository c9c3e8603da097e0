#pragma once

#include "platform/ui/controls/BarButtonItem.h"
#include "platform/ui/views/View.h"

#include <memory>
#include <vector>

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
    void setBarStyle(Style s)
    {
        m_style = s;
        setNeedsDisplay();
    }
    // A colour the bar is shaded in instead of its style's.
    const std::optional<Color>& tintColor() const { return m_tintColor; }
    void setTintColor(std::optional<Color> c)
    {
        m_tintColor = std::move(c);
        setNeedsDisplay();
    }

    // The bar's background in `rect`: its style's gradient or the tint's.
    static void drawBarBackground(GraphicsContext&, const Rect&, Style, const std::optional<Color>& tint);
    // The stock glyphs (action, refresh, stop) centred in `rect`.
    static void drawSystemGlyph(GraphicsContext&, BarButtonItem::SystemItem, const Rect&, const Color&);

    // Each item's frame in the toolbar's coordinates (spaces included).
    std::vector<Rect> itemFrames() const;
    BarButtonItem* itemAtPoint(Point) const;

    void itemDidChange();

    void applyInterfaceProperties(const InterfaceProperties&) override;
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
    std::optional<Color> m_tintColor;
    BarButtonItem* m_pressed { nullptr };
    bool m_pressedInside { false };
};
