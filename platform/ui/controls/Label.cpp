#include "platform/ui/controls/Label.h"

#include "platform/ui/graphics/GraphicsContext.h"

#include <algorithm>

Label::Label(const Rect& frame)
    : View(frame)
    , m_font(Font::systemFont(17))
{
    setUserInteractionEnabled(false);
}

void Label::setText(std::string text)
{
    m_text = std::move(text);
    setNeedsDisplay();
}

void Label::setFont(const Font& font)
{
    m_font = font;
    setNeedsDisplay();
}

void Label::setTextColor(const Color& color)
{
    m_textColor = color;
    setNeedsDisplay();
}

void Label::setTextAlignment(TextAlignment alignment)
{
    m_alignment = alignment;
    setNeedsDisplay();
}

void Label::setNumberOfLines(int lines)
{
    m_numberOfLines = std::max(0, lines);
    setNeedsDisplay();
}

void Label::setLineBreakMode(LineBreakMode mode)
{
    m_lineBreakMode = mode;
    setNeedsDisplay();
}

Size Label::sizeThatFits(Size size) const
{
    double maxHeight = m_numberOfLines > 0 ? m_font.lineHeight() * m_numberOfLines : size.height;
    if (m_numberOfLines == 1)
        return m_font.sizeWithText(m_text);
    return m_font.sizeWithText(m_text, { size.width, maxHeight }, LineBreakMode::WordWrap);
}

void Label::drawRect(const Rect&)
{
    auto* context = GraphicsContext::current();
    if (!context || m_text.empty())
        return;
    Rect b = bounds();
    double maxHeight = m_numberOfLines > 0 ? std::min(b.height(), m_font.lineHeight() * m_numberOfLines + 0.5)
                                           : b.height();
    LineBreakMode mode = m_numberOfLines == 1 ? m_lineBreakMode : LineBreakMode::WordWrap;
    Size size = m_font.sizeWithText(m_text, { b.width(), maxHeight }, mode);
    if (m_numberOfLines == 1)
        size.height = std::min(m_font.lineHeight(), b.height());
    Rect textRect { b.minX(), b.minY() + (b.height() - size.height) / 2, b.width(), size.height };
    context->setFillColor(m_textColor);
    context->drawText(m_text, textRect, m_font, mode, m_alignment);
}

std::optional<std::string> Label::accessibilityText() const
{
    if (accessibilityLabel())
        return accessibilityLabel();
    return m_text;
}
