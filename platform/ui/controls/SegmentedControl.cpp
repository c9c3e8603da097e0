#include "platform/ui/controls/SegmentedControl.h"

#include "platform/ui/graphics/GraphicsContext.h"
#include "platform/ui/views/InterfaceProperties.h"

#include <cmath>

SegmentedControl::SegmentedControl(const Rect& frame)
    : Control(frame)
{
    setOpaque(false);
}

SegmentedControl::SegmentedControl(const Rect& frame, std::vector<std::string> titles)
    : SegmentedControl(frame)
{
    setTitles(std::move(titles));
}

void SegmentedControl::setTitles(std::vector<std::string> titles)
{
    m_titles = std::move(titles);
    if (m_selected >= numberOfSegments())
        m_selected = kNoSegment;
    setNeedsDisplay();
}

std::string SegmentedControl::titleForSegmentAtIndex(int index) const
{
    if (index < 0 || index >= numberOfSegments())
        return {};
    return m_titles[static_cast<size_t>(index)];
}

void SegmentedControl::setSelectedSegmentIndex(int index)
{
    // Out-of-range values clear the selection rather than pointing nowhere.
    if (index < 0 || index >= numberOfSegments())
        index = kNoSegment;
    if (index == m_selected)
        return;
    m_selected = index;
    setNeedsDisplay();
}

Rect SegmentedControl::frameForSegment(int index) const
{
    Rect b = bounds();
    int count = numberOfSegments();
    if (count == 0 || index < 0 || index >= count)
        return {};
    double width = b.width() / count;
    return { b.minX() + width * index, b.minY(), width, b.height() };
}

int SegmentedControl::segmentAtPoint(Point p) const
{
    for (int i = 0; i < numberOfSegments(); ++i) {
        if (frameForSegment(i).contains(p))
            return i;
    }
    return kNoSegment;
}

void SegmentedControl::drawRect(const Rect&)
{
    auto* c = GraphicsContext::current();
    if (!c)
        return;
    Rect b = bounds().insetBy(0.5, 0.5);
    auto outline = [&] {
        double r = std::min(6.0, b.height() / 2);
        c->beginPath();
        c->moveTo(b.minX() + r, b.minY());
        c->addArcToPoint(b.maxX(), b.minY(), b.maxX(), b.maxY(), r);
        c->addArcToPoint(b.maxX(), b.maxY(), b.minX(), b.maxY(), r);
        c->addArcToPoint(b.minX(), b.maxY(), b.minX(), b.minY(), r);
        c->addArcToPoint(b.minX(), b.minY(), b.maxX(), b.minY(), r);
        c->closePath();
    };
    c->saveGState();
    outline();
    c->clip();
    c->setFillColor(Color::white(0.97));
    c->fillRect(bounds());
    if (m_selected != kNoSegment) {
        c->setFillColor(m_tint);
        c->fillRect(frameForSegment(m_selected));
    }
    c->setFillColor(Color::white(0.55));
    for (int i = 1; i < numberOfSegments(); ++i) {
        double x = std::round(frameForSegment(i).minX());
        c->fillRect({ x - 0.5, b.minY(), 1, b.height() });
    }
    c->restoreGState();
    c->setStrokeColor(Color::white(0.55));
    c->setLineWidth(1);
    outline();
    c->strokePath();
    Font font = Font::boldSystemFont(13);
    for (int i = 0; i < numberOfSegments(); ++i) {
        Rect f = frameForSegment(i);
        Size size = font.sizeWithText(m_titles[static_cast<size_t>(i)]);
        c->setFillColor(i == m_selected ? Color::whiteColor() : Color::white(0.3));
        c->drawText(m_titles[static_cast<size_t>(i)],
            Rect { f.minX() + 2, f.minY() + (f.height() - size.height) / 2, f.width() - 4, size.height }, font,
            LineBreakMode::TailTruncation, TextAlignment::Center);
    }
}

void SegmentedControl::touchesBegan(const TouchSet& touches, const Event&)
{
    auto touch = touches.anyObject();
    if (!touch || !isEnabled())
        return;
    int segment = segmentAtPoint(touch->locationInView(this));
    if (segment == kNoSegment || segment == m_selected)
        return;
    setSelectedSegmentIndex(segment);
    sendActionsForControlEvents(ControlEventValueChanged);
}

std::vector<AccessibleElement> SegmentedControl::accessibleElements()
{
    std::vector<AccessibleElement> elements = View::accessibleElements();
    for (int i = 0; i < numberOfSegments(); ++i)
        elements.push_back({ m_titles[static_cast<size_t>(i)], frameForSegment(i), this });
    return elements;
}

void SegmentedControl::applyInterfaceProperties(const InterfaceProperties& properties)
{
    Control::applyInterfaceProperties(properties);
    std::vector<std::string> titles;
    if (auto list = properties.value("segments"); list && list->isArray()) {
        for (size_t i = 0; i < list->size(); ++i)
            titles.emplace_back((*list)[i].stringValue());
    }
    setTitles(std::move(titles));
    if (auto selected = properties.number("selectedSegmentIndex"))
        setSelectedSegmentIndex(static_cast<int>(*selected));
}
