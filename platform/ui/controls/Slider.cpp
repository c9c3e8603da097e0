#include "platform/ui/controls/Slider.h"

#include "platform/ui/graphics/GraphicsContext.h"
#include "platform/ui/views/InterfaceProperties.h"

#include <algorithm>

Slider::Slider(const Rect& frame)
    : Control(frame)
{
    setOpaque(false);
}

void Slider::setMinimumValue(double minimum)
{
    m_minimum = minimum;
    if (m_maximum < m_minimum)
        m_maximum = m_minimum;
    setValue(m_value);
    setNeedsDisplay();
}

void Slider::setMaximumValue(double maximum)
{
    m_maximum = maximum;
    if (m_minimum > m_maximum)
        m_minimum = m_maximum;
    setValue(m_value);
    setNeedsDisplay();
}

void Slider::setValue(double value)
{
    value = std::clamp(value, m_minimum, m_maximum);
    if (value == m_value)
        return;
    m_value = value;
    setNeedsDisplay();
}

Point Slider::thumbCenter() const
{
    Rect b = bounds();
    double span = m_maximum - m_minimum;
    double fraction = span > 0 ? (m_value - m_minimum) / span : 0;
    double left = b.minX() + kThumbRadius, right = b.maxX() - kThumbRadius;
    return { left + (right - left) * fraction, b.midY() };
}

double Slider::valueForX(double x) const
{
    Rect b = bounds();
    double left = b.minX() + kThumbRadius, right = b.maxX() - kThumbRadius;
    double fraction = right > left ? std::clamp((x - left) / (right - left), 0.0, 1.0) : 0.0;
    return m_minimum + (m_maximum - m_minimum) * fraction;
}

void Slider::drawRect(const Rect&)
{
    auto* c = GraphicsContext::current();
    if (!c)
        return;
    Rect b = bounds();
    Point thumb = thumbCenter();
    double left = b.minX() + kThumbRadius, right = b.maxX() - kThumbRadius;
    c->setFillColor(Color::rgba(0.16, 0.36, 0.80));
    c->fillRect({ left, b.midY() - 2, thumb.x - left, 4 });
    c->setFillColor(Color::white(0.75));
    c->fillRect({ thumb.x, b.midY() - 2, right - thumb.x, 4 });
    Rect knob { thumb.x - kThumbRadius, thumb.y - kThumbRadius, 2 * kThumbRadius, 2 * kThumbRadius };
    c->setFillColor(Color::white(0.45));
    c->fillEllipseInRect(knob);
    c->setFillColor(isHighlighted() ? Color::white(0.85) : Color::whiteColor());
    c->fillEllipseInRect(knob.insetBy(1, 1));
}

void Slider::track(const TouchSet& touches)
{
    auto touch = touches.anyObject();
    if (!touch)
        return;
    double old = m_value;
    setValue(valueForX(touch->locationInView(this).x));
    if (m_value != old) {
        if (m_continuous)
            sendActionsForControlEvents(ControlEventValueChanged);
        else
            m_changedWhileTracking = true;
    }
}

void Slider::touchesBegan(const TouchSet& touches, const Event&)
{
    if (!isEnabled())
        return;
    setHighlighted(true);
    m_changedWhileTracking = false;
    track(touches);
}

void Slider::touchesMoved(const TouchSet& touches, const Event&)
{
    if (isEnabled() && isHighlighted())
        track(touches);
}

void Slider::touchesEnded(const TouchSet& touches, const Event&)
{
    if (!isEnabled() || !isHighlighted())
        return;
    track(touches);
    setHighlighted(false);
    if (m_changedWhileTracking) {
        m_changedWhileTracking = false;
        sendActionsForControlEvents(ControlEventValueChanged);
    }
}

void Slider::touchesCancelled(const TouchSet&, const Event&)
{
    setHighlighted(false);
}

void Slider::applyInterfaceProperties(const InterfaceProperties& properties)
{
    Control::applyInterfaceProperties(properties);
    if (auto v = properties.number("minimumValue"))
        setMinimumValue(*v);
    if (auto v = properties.number("maximumValue"))
        setMaximumValue(*v);
    if (auto v = properties.number("value"))
        setValue(*v);
    if (auto continuous = properties.boolean("continuous"))
        setContinuous(*continuous);
}
