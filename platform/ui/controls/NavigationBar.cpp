#include "platform/ui/controls/NavigationBar.h"

#include "platform/ui/controls/BarButtonItem.h"
#include "platform/ui/controls/NavigationItem.h"
#include "platform/ui/graphics/GraphicsContext.h"

#include <algorithm>

static constexpr double kMargin = 5;
static constexpr double kButtonHeight = 30;
static constexpr double kTitlePadding = 10;

NavigationBar::NavigationBar(const Rect& frame)
    : View(frame)
{
}

NavigationBar::~NavigationBar()
{
    for (auto& item : m_items)
        item->setNavigationBar(nullptr);
}

void NavigationBar::setItems(std::vector<std::shared_ptr<NavigationItem>> items)
{
    for (auto& item : m_items)
        item->setNavigationBar(nullptr);
    m_items = std::move(items);
    std::erase(m_items, nullptr);
    for (auto& item : m_items)
        item->setNavigationBar(this);
    m_pressed = false;
    setNeedsDisplay();
}

std::shared_ptr<NavigationItem> NavigationBar::topItem() const
{
    return m_items.empty() ? nullptr : m_items.back();
}

void NavigationBar::itemDidChange()
{
    setNeedsDisplay();
}

Rect NavigationBar::leftItemFrame() const
{
    auto item = topItem();
    if (!item || !item->leftBarButtonItem())
        return {};
    auto& button = *item->leftBarButtonItem();
    double width = button.width() > 0
        ? button.width()
        : std::max(40.0, Font::boldSystemFont(12).sizeWithText(button.title()).width + 2 * kTitlePadding);
    Rect b = bounds();
    return { b.minX() + kMargin, b.minY() + (b.height() - kButtonHeight) / 2, width, kButtonHeight };
}

void NavigationBar::drawRect(const Rect&)
{
    auto* c = GraphicsContext::current();
    if (!c)
        return;
    Rect b = bounds();
    Toolbar::drawBarBackground(*c, b, m_style, m_tintColor);
    auto item = topItem();
    if (!item)
        return;
    Rect left = leftItemFrame();
    if (auto& button = item->leftBarButtonItem()) {
        Rect f = left.insetBy(0.5, 0.5);
        bool pressed = m_pressed && m_pressedInside;
        Color fill = button->style() == BarButtonItem::Style::Done ? Color::rgba(0.16, 0.36, 0.80)
                                                                   : Color::rgba(0.38, 0.47, 0.58);
        if (m_tintColor && button->style() != BarButtonItem::Style::Done)
            fill = *m_tintColor;
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
        Font font = Font::boldSystemFont(12);
        Size size = font.sizeWithText(button->title());
        c->setFillColor(button->isEnabled() ? Color::whiteColor() : Color::white(1, 0.4));
        c->drawText(button->title(),
            Rect { f.minX(), f.minY() + (f.height() - size.height) / 2, f.width(), size.height }, font,
            LineBreakMode::TailTruncation, TextAlignment::Center);
    }
    if (!item->title().empty()) {
        // Centred on the bar, kept clear of the left button.
        double inset = left.isEmpty() ? kMargin : left.maxX() + kMargin;
        Font font = Font::boldSystemFont(18);
        Size size = font.sizeWithText(item->title());
        Rect area { b.minX() + inset, b.minY() + (b.height() - size.height) / 2, b.width() - 2 * inset, size.height };
        c->setFillColor(Color::white(0, 0.35));
        c->drawText(item->title(), area.offsetBy(0, -1), font, LineBreakMode::TailTruncation, TextAlignment::Center);
        c->setFillColor(Color::whiteColor());
        c->drawText(item->title(), area, font, LineBreakMode::TailTruncation, TextAlignment::Center);
    }
}

void NavigationBar::touchesBegan(const TouchSet& touches, const Event&)
{
    auto touch = touches.anyObject();
    auto item = topItem();
    bool enabled = item && item->leftBarButtonItem() && item->leftBarButtonItem()->isEnabled();
    m_pressed = enabled && touch && leftItemFrame().insetBy(-kMargin, -kMargin).contains(touch->locationInView(this));
    m_pressedInside = m_pressed;
    setNeedsDisplay();
}

void NavigationBar::touchesMoved(const TouchSet& touches, const Event&)
{
    auto touch = touches.anyObject();
    if (!m_pressed || !touch)
        return;
    bool inside = leftItemFrame().insetBy(-kMargin, -kMargin).contains(touch->locationInView(this));
    if (inside != m_pressedInside) {
        m_pressedInside = inside;
        setNeedsDisplay();
    }
}

void NavigationBar::touchesEnded(const TouchSet& touches, const Event&)
{
    auto touch = touches.anyObject();
    bool pressed = m_pressed;
    m_pressed = false;
    setNeedsDisplay();
    if (!pressed || !touch || !leftItemFrame().insetBy(-kMargin, -kMargin).contains(touch->locationInView(this)))
        return;
    // The button may be replaced by its own action; keep it for the call.
    if (auto item = topItem()) {
        if (auto button = item->leftBarButtonItem())
            button->trigger();
    }
}

void NavigationBar::touchesCancelled(const TouchSet&, const Event&)
{
    m_pressed = false;
    setNeedsDisplay();
}

std::vector<AccessibleElement> NavigationBar::accessibleElements()
{
    std::vector<AccessibleElement> elements = View::accessibleElements();
    auto item = topItem();
    if (!item)
        return elements;
    if (auto& button = item->leftBarButtonItem()) {
        std::string label = button->accessibilityLabel().value_or(button->title());
        if (!label.empty())
            elements.push_back({ label, leftItemFrame(), this });
    }
    if (!item->title().empty())
        elements.push_back({ item->title(), bounds().insetBy(60, 0), this });
    return elements;
}
