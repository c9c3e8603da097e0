#include "platform/ui/controls/Label.h"

#include "platform/ui/graphics/GraphicsContext.h"
#include "platform/ui/views/InterfaceProperties.h"

#include <algorithm>
#include <cmath>

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

void Label::setAdjustsFontSizeToFitWidth(bool adjusts)
{
    m_adjustsFontSizeToFitWidth = adjusts;
    setNeedsDisplay();
}

void Label::setMinimumFontSize(double size)
{
    m_minimumFontSize = std::max(0.0, size);
    setNeedsDisplay();
}

Font Label::fontForDrawing() const
{
    if (!m_adjustsFontSizeToFitWidth || m_numberOfLines != 1 || m_text.empty())
        return m_font;
    double available = bounds().width();
    double width = m_font.sizeWithText(m_text).width;
    if (width <= available)
        return m_font;
    // Text width grows about linearly with the size: start from the
    // proportional size, then step down whole points while it still does not
    // fit (measuring rounds up, so a step or two may be needed).
    double minimum = m_minimumFontSize > 0 ? m_minimumFontSize : 4.0;
    double size = std::max(minimum, std::floor(m_font.pointSize() * available / width));
    for (int step = 0; step < 8 && size > minimum; ++step) {
        if (m_font.withSize(size).sizeWithText(m_text).width <= available)
            break;
        size = std::max(minimum, size - 1);
    }
    return m_font.withSize(std::min(size, m_font.pointSize()));
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
    Font font = fontForDrawing();
    double maxHeight
        = m_numberOfLines > 0 ? std::min(b.height(), font.lineHeight() * m_numberOfLines + 0.5) : b.height();
    LineBreakMode mode = m_numberOfLines == 1 ? m_lineBreakMode : LineBreakMode::WordWrap;
    Size size = font.sizeWithText(m_text, { b.width(), maxHeight }, mode);
    if (m_numberOfLines == 1)
        size.height = std::min(font.lineHeight(), b.height());
    Rect textRect { b.minX(), b.minY() + (b.height() - size.height) / 2, b.width(), size.height };
    context->setFillColor(m_textColor);
    context->drawText(m_text, textRect, font, mode, m_alignment);
}

std::optional<std::string> Label::accessibilityText() const
{
    if (accessibilityLabel())
        return accessibilityLabel();
    return m_text;
}

void Label::applyInterfaceProperties(const InterfaceProperties& properties)
{
    View::applyInterfaceProperties(properties);
    properties.applyTextProperties(*this);
    if (auto lines = properties.number("numberOfLines"))
        setNumberOfLines(static_cast<int>(*lines));
}
