#include "platform/ui/controls/Toolbar.h"

#include "platform/ui/controls/BarButtonItem.h"
#include "platform/ui/graphics/GraphicsContext.h"
#include "platform/ui/graphics/Image.h"
#include "platform/ui/views/InterfaceProperties.h"

#include <algorithm>
#include <cmath>

static constexpr double kGap = 6;
static constexpr double kButtonHeight = 30;
static constexpr double kTitlePadding = 10;

static Font itemFont()
{
    return Font::boldSystemFont(12);
}

Toolbar::Toolbar(const Rect& frame)
    : View(frame)
{
}

Toolbar::~Toolbar()
{
    for (auto& item : m_items)
        item->setToolbar(nullptr);
}

void Toolbar::setItems(std::vector<std::shared_ptr<BarButtonItem>> items)
{
    for (auto& item : m_items)
        item->setToolbar(nullptr);
    m_items = std::move(items);
    std::erase(m_items, nullptr);
    for (auto& item : m_items)
        item->setToolbar(this);
    m_pressed = nullptr;
    setNeedsDisplay();
}

void Toolbar::itemDidChange()
{
    setNeedsDisplay();
}

double Toolbar::itemWidth(const BarButtonItem& item) const
{
    if (item.kind() == BarButtonItem::Kind::FlexibleSpace)
        return 0;
    if (item.width() > 0 || item.kind() == BarButtonItem::Kind::FixedSpace)
        return item.width();
    if (item.image() && item.title().empty())
        return std::max(30.0, item.image()->size().width + kTitlePadding);
    return std::max(30.0, itemFont().sizeWithText(item.title()).width + 2 * kTitlePadding);
}

std::vector<Rect> Toolbar::itemFrames() const
{
    Rect b = bounds();
    double fixed = 0;
    int flexible = 0;
    for (auto& item : m_items) {
        if (item->kind() == BarButtonItem::Kind::FlexibleSpace)
            ++flexible;
        else
            fixed += itemWidth(*item);
    }
    double gaps = kGap * static_cast<double>(m_items.size() + 1);
    double spare = std::max(0.0, b.width() - fixed - gaps);
    double flexibleWidth = flexible ? spare / flexible : 0;
    double x = b.minX() + kGap;
    double y = b.minY() + (b.height() - kButtonHeight) / 2;
    std::vector<Rect> frames;
    for (auto& item : m_items) {
        double w = item->kind() == BarButtonItem::Kind::FlexibleSpace ? flexibleWidth : itemWidth(*item);
        frames.push_back({ x, y, w, kButtonHeight });
        x += w + kGap;
    }
    return frames;
}

BarButtonItem* Toolbar::itemAtPoint(Point p) const
{
    auto frames = itemFrames();
    for (size_t i = 0; i < m_items.size(); ++i) {
        // The touch area is the full bar height around the button.
        Rect area { frames[i].minX() - kGap / 2, bounds().minY(), frames[i].width() + kGap, bounds().height() };
        if (m_items[i]->kind() == BarButtonItem::Kind::Button && area.contains(p))
            return m_items[i].get();
    }
    return nullptr;
}

void Toolbar::drawRect(const Rect&)
{
    auto* c = GraphicsContext::current();
    if (!c)
        return;
    Rect b = bounds();
    bool black = m_style == Style::Black;
    drawBarBackground(*c, b, m_style, m_tintColor);
    auto frames = itemFrames();
    Font font = itemFont();
    for (size_t i = 0; i < m_items.size(); ++i) {
        auto& item = *m_items[i];
        if (item.kind() != BarButtonItem::Kind::Button)
            continue;
        Rect f = frames[i].insetBy(0.5, 0.5);
        bool pressed = m_pressed == &item && m_pressedInside;
        if (item.style() != BarButtonItem::Style::Plain) {
            Color fill = item.style() == BarButtonItem::Style::Done ? Color::rgba(0.16, 0.36, 0.80)
                : black                                             ? Color::white(0.2)
                                                                    : Color::rgba(0.38, 0.47, 0.58);
            if (pressed)
                fill = Color::white(0.1, 0.8);
            c->beginPath();
            c->moveTo(f.minX() + 5, f.minY());
            c->addArcToPoint(f.maxX(), f.minY(), f.maxX(), f.maxY(), 5);
            c->addArcToPoint(f.maxX(), f.maxY(), f.minX(), f.maxY(), 5);
            c->addArcToPoint(f.minX(), f.maxY(), f.minX(), f.minY(), 5);
            c->addArcToPoint(f.minX(), f.minY(), f.maxX(), f.minY(), 5);
            c->closePath();
            c->setFillColor(fill);
            c->fillPath();
            c->setStrokeColor(Color::white(0.1, 0.6));
            c->setLineWidth(1);
            c->beginPath();
            c->moveTo(f.minX() + 5, f.minY());
            c->addArcToPoint(f.maxX(), f.minY(), f.maxX(), f.maxY(), 5);
            c->addArcToPoint(f.maxX(), f.maxY(), f.minX(), f.maxY(), 5);
            c->addArcToPoint(f.minX(), f.maxY(), f.minX(), f.minY(), 5);
            c->addArcToPoint(f.minX(), f.minY(), f.maxX(), f.minY(), 5);
            c->closePath();
            c->strokePath();
        }
        if (item.image() && item.title().empty()) {
            Size size = item.image()->size();
            c->drawImage(*item.image(),
                Rect { std::round(f.midX() - size.width / 2), std::round(f.midY() - size.height / 2), size.width,
                    size.height });
            continue;
        }
        if (auto glyph = item.systemItem(); glyph && item.title().empty()) {
            Color ink = item.isEnabled() ? Color::whiteColor() : Color::white(1, 0.4);
            drawSystemGlyph(*c, *glyph, pressed ? f.offsetBy(0, 1) : f, ink);
            continue;
        }
        Size size = font.sizeWithText(item.title());
        c->setFillColor(item.isEnabled() ? Color::whiteColor() : Color::white(1, 0.4));
        c->drawText(item.title(), Rect { f.minX(), f.minY() + (f.height() - size.height) / 2, f.width(), size.height },
            font, LineBreakMode::TailTruncation, TextAlignment::Center);
    }
}

void Toolbar::touchesBegan(const TouchSet& touches, const Event&)
{
    auto touch = touches.anyObject();
    m_pressed = touch ? itemAtPoint(touch->locationInView(this)) : nullptr;
    if (m_pressed && !m_pressed->isEnabled())
        m_pressed = nullptr;
    m_pressedInside = m_pressed != nullptr;
    setNeedsDisplay();
}

void Toolbar::touchesMoved(const TouchSet& touches, const Event&)
{
    auto touch = touches.anyObject();
    if (!m_pressed || !touch)
        return;
    bool inside = itemAtPoint(touch->locationInView(this)) == m_pressed;
    if (inside != m_pressedInside) {
        m_pressedInside = inside;
        setNeedsDisplay();
    }
}

void Toolbar::touchesEnded(const TouchSet& touches, const Event&)
{
    auto touch = touches.anyObject();
    BarButtonItem* pressed = m_pressed;
    m_pressed = nullptr;
    setNeedsDisplay();
    if (!pressed || !touch || itemAtPoint(touch->locationInView(this)) != pressed)
        return;
    // The item may be replaced by its own action; keep it for the call.
    for (auto& item : m_items) {
        if (item.get() == pressed) {
            auto keep = item;
            keep->trigger();
            return;
        }
    }
}

void Toolbar::touchesCancelled(const TouchSet&, const Event&)
{
    m_pressed = nullptr;
    setNeedsDisplay();
}

std::vector<AccessibleElement> Toolbar::accessibleElements()
{
    std::vector<AccessibleElement> elements = View::accessibleElements();
    auto frames = itemFrames();
    for (size_t i = 0; i < m_items.size(); ++i) {
        auto& item = *m_items[i];
        if (item.kind() != BarButtonItem::Kind::Button)
            continue;
        std::string label = item.accessibilityLabel().value_or(item.title());
        if (!label.empty())
            elements.push_back({ label, frames[i], this });
    }
    return elements;
}

void Toolbar::drawBarBackground(GraphicsContext& c, const Rect& b, Style style, const std::optional<Color>& tint)
{
    std::vector<Color> colors;
    Color line;
    if (tint) {
        auto mix = [](const Color& a, double toward, double amount) {
            return Color::rgba(a.red + (toward - a.red) * amount, a.green + (toward - a.green) * amount,
                a.blue + (toward - a.blue) * amount);
        };
        colors = { mix(*tint, 1, 0.35), mix(*tint, 0, 0.1) };
        line = mix(*tint, 0, 0.4);
    } else if (style == Style::Black) {
        colors = { Color::white(0.35), Color::white(0.08) };
        line = Color::black();
    } else {
        colors = { Color::rgba(0.69, 0.74, 0.80), Color::rgba(0.43, 0.52, 0.62) };
        line = Color::rgba(0.30, 0.36, 0.44);
    }
    c.saveGState();
    c.clipToRect(b);
    c.drawLinearGradient(colors, { 0, 1 }, { b.midX(), b.minY() }, { b.midX(), b.maxY() }, true, true);
    c.restoreGState();
    c.setFillColor(line);
    c.fillRect({ b.minX(), b.minY(), b.width(), 1 });
}

void Toolbar::drawSystemGlyph(GraphicsContext& c, BarButtonItem::SystemItem which, const Rect& f, const Color& ink)
{
    double x = f.midX(), y = f.midY();
    c.setStrokeColor(ink);
    c.setFillColor(ink);
    c.setLineWidth(2);
    switch (which) {
    case BarButtonItem::SystemItem::Action:
        // A tray with an arrow leaving it.
        c.beginPath();
        c.moveTo(x - 8, y - 2);
        c.addLineTo(x - 8, y + 8);
        c.addLineTo(x + 8, y + 8);
        c.addLineTo(x + 8, y - 2);
        c.strokePath();
        c.beginPath();
        c.moveTo(x - 3, y + 4);
        c.addLineTo(x - 3, y - 2);
        c.addLineTo(x + 4, y - 2);
        c.strokePath();
        c.beginPath();
        c.moveTo(x + 3, y - 7);
        c.addLineTo(x + 9, y - 2);
        c.addLineTo(x + 3, y + 3);
        c.closePath();
        c.fillPath();
        break;
    case BarButtonItem::SystemItem::Refresh:
        // Most of a circle with an arrow head.
        c.beginPath();
        c.addArc(x, y, 7, -1.2, 4.2, false);
        c.strokePath();
        c.beginPath();
        c.moveTo(x + 1, y - 12);
        c.addLineTo(x + 7, y - 7);
        c.addLineTo(x + 1, y - 3);
        c.closePath();
        c.fillPath();
        break;
    case BarButtonItem::SystemItem::Stop:
        c.beginPath();
        c.moveTo(x - 7, y - 7);
        c.addLineTo(x + 7, y + 7);
        c.moveTo(x + 7, y - 7);
        c.addLineTo(x - 7, y + 7);
        c.strokePath();
        break;
    default:
        break;
    }
}

void Toolbar::applyInterfaceProperties(const InterfaceProperties& properties)
{
    View::applyInterfaceProperties(properties);
    if (properties.string("barStyle") == "black")
        setBarStyle(Style::Black);
    std::vector<std::shared_ptr<BarButtonItem>> items;
    if (auto list = properties.value("items"); list && list->isArray()) {
        for (size_t i = 0; i < list->size(); ++i) {
            JSONValue entry = (*list)[i];
            if (!entry.isDictionary())
                continue;
            auto itemProperties = properties.nested(entry);
            auto item = BarButtonItem::fromInterfaceProperties(itemProperties);
            itemProperties.nameObject(itemProperties.string("id"), item);
            items.push_back(std::move(item));
        }
    }
    setItems(std::move(items));
}
