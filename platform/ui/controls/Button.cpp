#include "platform/ui/controls/Button.h"

#include "platform/ui/graphics/GraphicsContext.h"
#include "platform/ui/views/InterfaceProperties.h"

Button::Button(const Rect& frame)
    : Control(frame)
    , m_font(Font::boldSystemFont(15))
{
    setOpaque(false);
}

void Button::setTitle(std::string title)
{
    m_title = std::move(title);
    setNeedsDisplay();
}

void Button::setTitleColor(const Color& color)
{
    m_titleColor = color;
    setNeedsDisplay();
}

void Button::setFont(const Font& font)
{
    m_font = font;
    setNeedsDisplay();
}

static void roundedRect(GraphicsContext& c, const Rect& r, double radius)
{
    c.beginPath();
    c.moveTo(r.minX() + radius, r.minY());
    c.addArcToPoint(r.maxX(), r.minY(), r.maxX(), r.maxY(), radius);
    c.addArcToPoint(r.maxX(), r.maxY(), r.minX(), r.maxY(), radius);
    c.addArcToPoint(r.minX(), r.maxY(), r.minX(), r.minY(), radius);
    c.addArcToPoint(r.minX(), r.minY(), r.maxX(), r.minY(), radius);
    c.closePath();
}

void Button::drawRect(const Rect&)
{
    auto* c = GraphicsContext::current();
    if (!c)
        return;
    Rect b = bounds().insetBy(0.5, 0.5);
    if (m_bordered || m_fillColor) {
        Color fill = m_fillColor.value_or(Color::whiteColor());
        if (isHighlighted())
            fill = Color::rgba(0.2, 0.45, 0.9);
        c->setFillColor(fill);
        roundedRect(*c, b, 8);
        c->fillPath();
        if (m_bordered) {
            c->setStrokeColor(Color::white(0.55));
            c->setLineWidth(1);
            roundedRect(*c, b, 8);
            c->strokePath();
        }
    }
    Color text = isHighlighted() && (m_bordered || m_fillColor) ? Color::whiteColor() : m_titleColor;
    if (!isEnabled())
        text = text.withAlpha(0.4);
    Size size = m_font.sizeWithText(m_title);
    c->setFillColor(text);
    Rect r = bounds();
    c->drawText(m_title, Rect { r.minX(), r.minY() + (r.height() - size.height) / 2, r.width(), size.height }, m_font,
        LineBreakMode::TailTruncation, TextAlignment::Center);
}

bool Button::touchIsInside(const TouchSet& touches) const
{
    auto touch = touches.anyObject();
    return touch && bounds().contains(touch->locationInView(this));
}

void Button::touchesBegan(const TouchSet&, const Event&)
{
    if (!isEnabled())
        return;
    setHighlighted(true);
    sendActionsForControlEvents(ControlEventTouchDown);
}

void Button::touchesMoved(const TouchSet& touches, const Event&)
{
    if (!isEnabled())
        return;
    bool inside = touchIsInside(touches);
    setHighlighted(inside);
    sendActionsForControlEvents(inside ? ControlEventTouchDragInside : ControlEventTouchDragOutside);
}

void Button::touchesEnded(const TouchSet& touches, const Event&)
{
    if (!isEnabled())
        return;
    setHighlighted(false);
    sendActionsForControlEvents(touchIsInside(touches) ? ControlEventTouchUpInside : ControlEventTouchUpOutside);
}

void Button::touchesCancelled(const TouchSet&, const Event&)
{
    setHighlighted(false);
    sendActionsForControlEvents(ControlEventTouchCancel);
}

std::optional<std::string> Button::accessibilityText() const
{
    if (accessibilityLabel())
        return accessibilityLabel();
    return m_title;
}

void Button::applyInterfaceProperties(const InterfaceProperties& properties)
{
    Control::applyInterfaceProperties(properties);
    setTitle(properties.string("title"));
    if (auto font = properties.font())
        setFont(*font);
    if (auto color = properties.color("titleColor"))
        setTitleColor(*color);
}
