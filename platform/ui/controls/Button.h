#pragma once

#include "platform/ui/controls/Control.h"
#include "platform/ui/graphics/Font.h"

#include <string>

// A push button: a rounded, bordered rectangle with a centred title, shaded
// while pressed. Sends touch-up-inside when a press ends on it.
class Button : public Control {
public:
    explicit Button(const Rect& frame = {});

    const std::string& title() const { return m_title; }
    void setTitle(std::string);
    const Color& titleColor() const { return m_titleColor; }
    void setTitleColor(const Color&);
    const Font& font() const { return m_font; }
    void setFont(const Font&);
    // Plain buttons draw only their title (alert buttons draw their own frame).
    void setBordered(bool b)
    {
        m_bordered = b;
        setNeedsDisplay();
    }
    void setFillColor(std::optional<Color> c)
    {
        m_fillColor = c;
        setNeedsDisplay();
    }

    void applyInterfaceProperties(const InterfaceProperties&) override;
    void drawRect(const Rect&) override;
    void touchesBegan(const TouchSet&, const Event&) override;
    void touchesMoved(const TouchSet&, const Event&) override;
    void touchesEnded(const TouchSet&, const Event&) override;
    void touchesCancelled(const TouchSet&, const Event&) override;
    std::optional<std::string> accessibilityText() const override;

private:
    bool touchIsInside(const TouchSet&) const;

    std::string m_title;
    Color m_titleColor { 0.2, 0.3, 0.5, 1 };
    Font m_font;
    bool m_bordered { true };
    std::optional<Color> m_fillColor;
};
