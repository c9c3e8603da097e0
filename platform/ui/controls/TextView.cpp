#include "platform/ui/controls/TextView.h"

#include "platform/ui/graphics/GraphicsContext.h"
#include "platform/ui/views/InterfaceProperties.h"

#include <algorithm>

TextView::TextView(const Rect& frame)
    : View(frame)
    , m_font(Font::systemFont(17))
{
    setClipsToBounds(true);
    setBackgroundColor(Color::whiteColor());
}

void TextView::setText(std::string text)
{
    m_text = std::move(text);
    m_offset = std::min(m_offset, maximumContentOffset());
    setNeedsDisplay();
}

void TextView::setFont(const Font& font)
{
    m_font = font;
    setNeedsDisplay();
}

void TextView::setTextColor(const Color& color)
{
    m_textColor = color;
    setNeedsDisplay();
}

double TextView::contentHeight() const
{
    double width = bounds().width() - 2 * kInset;
    if (width <= 0 || m_text.empty())
        return 0;
    return m_font.sizeWithText(m_text, { width, 0 }).height + 2 * kInset;
}

double TextView::maximumContentOffset() const
{
    return std::max(0.0, contentHeight() - bounds().height());
}

void TextView::setContentOffset(double offset)
{
    offset = std::clamp(offset, 0.0, maximumContentOffset());
    if (offset == m_offset)
        return;
    m_offset = offset;
    setNeedsDisplay();
}

void TextView::drawRect(const Rect&)
{
    auto* context = GraphicsContext::current();
    if (!context || m_text.empty())
        return;
    Rect b = bounds();
    context->setFillColor(m_textColor);
    context->saveGState();
    context->clipToRect(b);
    context->drawText(m_text, Rect { b.minX() + kInset, b.minY() + kInset - m_offset, b.width() - 2 * kInset, 0 },
        m_font, LineBreakMode::WordWrap, m_alignment);
    context->restoreGState();
}

void TextView::touchesBegan(const TouchSet&, const Event&)
{
}

void TextView::touchesMoved(const TouchSet& touches, const Event&)
{
    auto touch = touches.anyObject();
    if (!touch)
        return;
    // Dragging the finger up moves the text up. Measured in the window's
    // coordinates: our own move with the view.
    Point now = touch->locationInView(nullptr);
    Point before = touch->previousLocationInView(nullptr);
    setContentOffset(m_offset - (now.y - before.y));
}

void TextView::applyInterfaceProperties(const InterfaceProperties& properties)
{
    View::applyInterfaceProperties(properties);
    properties.applyTextProperties(*this);
    if (auto editable = properties.boolean("editable"))
        setEditable(*editable);
}
