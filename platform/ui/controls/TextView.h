#pragma once

#include "platform/ui/graphics/Color.h"
#include "platform/ui/graphics/Font.h"
#include "platform/ui/views/View.h"

#include <string>

// Scrolling multi-line text. A drag scrolls the text; the offset stops at the
// top and at the end of the text.
class TextView : public View {
public:
    static constexpr double kInset = 8;

    explicit TextView(const Rect& frame = {});

    const std::string& text() const { return m_text; }
    void setText(std::string);
    const Font& font() const { return m_font; }
    void setFont(const Font&);
    const Color& textColor() const { return m_textColor; }
    void setTextColor(const Color&);
    TextAlignment textAlignment() const { return m_alignment; }
    void setTextAlignment(TextAlignment a)
    {
        m_alignment = a;
        setNeedsDisplay();
    }
    bool isEditable() const { return m_editable; }
    void setEditable(bool e) { m_editable = e; }

    double contentOffset() const { return m_offset; }
    void setContentOffset(double);
    double contentHeight() const;
    double maximumContentOffset() const;

    void applyInterfaceProperties(const InterfaceProperties&) override;
    void drawRect(const Rect&) override;
    void touchesBegan(const TouchSet&, const Event&) override;
    void touchesMoved(const TouchSet&, const Event&) override;
    void touchesEnded(const TouchSet&, const Event&) override { }
    void touchesCancelled(const TouchSet&, const Event&) override { }

private:
    std::string m_text;
    Font m_font;
    Color m_textColor { 0, 0, 0, 1 };
    TextAlignment m_alignment { TextAlignment::Left };
    bool m_editable { true };
    double m_offset { 0 };
};
