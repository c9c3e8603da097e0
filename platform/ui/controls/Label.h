#pragma once

#include "platform/ui/graphics/Color.h"
#include "platform/ui/graphics/Font.h"
#include "platform/ui/views/View.h"

#include <string>

// Read-only text, centred vertically in its bounds.
class Label : public View {
public:
    explicit Label(const Rect& frame = {});

    const std::string& text() const { return m_text; }
    void setText(std::string);
    const Font& font() const { return m_font; }
    void setFont(const Font&);
    const Color& textColor() const { return m_textColor; }
    void setTextColor(const Color&);
    TextAlignment textAlignment() const { return m_alignment; }
    void setTextAlignment(TextAlignment);
    // 0 means as many lines as fit.
    int numberOfLines() const { return m_numberOfLines; }
    void setNumberOfLines(int);
    LineBreakMode lineBreakMode() const { return m_lineBreakMode; }
    void setLineBreakMode(LineBreakMode);
    // A one-line label whose text is wider than its bounds draws it with a
    // smaller font, down to minimumFontSize (0: the platform's 4 points).
    bool adjustsFontSizeToFitWidth() const { return m_adjustsFontSizeToFitWidth; }
    void setAdjustsFontSizeToFitWidth(bool);
    double minimumFontSize() const { return m_minimumFontSize; }
    void setMinimumFontSize(double);
    // The font the text is drawn with: the font, shrunk when it must fit.
    Font fontForDrawing() const;

    void applyInterfaceProperties(const InterfaceProperties&) override;
    void drawRect(const Rect&) override;
    Size sizeThatFits(Size) const override;
    std::optional<std::string> accessibilityText() const override;

private:
    std::string m_text;
    Font m_font;
    Color m_textColor { 0, 0, 0, 1 };
    TextAlignment m_alignment { TextAlignment::Left };
    int m_numberOfLines { 1 };
    LineBreakMode m_lineBreakMode { LineBreakMode::TailTruncation };
    bool m_adjustsFontSizeToFitWidth { false };
    double m_minimumFontSize { 0 };
};
