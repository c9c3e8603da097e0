#include "platform/ui/controls/TableViewCell.h"

#include "platform/ui/controls/Label.h"
#include "platform/ui/controls/TableView.h"
#include "platform/ui/graphics/GraphicsContext.h"

#include <algorithm>

TableViewCell::TableViewCell(Style, std::string reuseIdentifier)
    : View(Rect { 0, 0, 320, 44 })
    , m_reuseIdentifier(std::move(reuseIdentifier))
{
    m_textLabel = View::make<Label>();
    m_textLabel->setFont(Font::boldSystemFont(20));
    m_textLabel->setUserInteractionEnabled(false);
    addSubview(m_textLabel);
    setOpaque(true);
    setNeedsDisplay();
    layoutSubviews();
}

void TableViewCell::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    m_textLabel->setTextColor(selected ? Color::whiteColor() : Color::black());
    setNeedsDisplay();
}

void TableViewCell::prepareForReuse()
{
    setSelected(false);
}

void TableViewCell::layoutSubviews()
{
    Rect b = bounds();
    m_textLabel->setFrame({ kTextInset, 0, std::max(0.0, b.width() - 2 * kTextInset), std::max(0.0, b.height() - 1) });
}

void TableViewCell::touchesEnded(const TouchSet& touches, const Event&)
{
    auto touch = touches.anyObject();
    if (!touch || !bounds().contains(touch->locationInView(this)))
        return;
    if (auto* table = dynamic_cast<TableView*>(superview()))
        table->cellWasTapped(*this);
}

void TableViewCell::drawRect(const Rect&)
{
    auto* c = GraphicsContext::current();
    if (!c)
        return;
    Rect b = bounds();
    if (m_selected) {
        c->drawLinearGradient({ Color::rgba(0.02, 0.55, 0.96), Color::rgba(0.01, 0.37, 0.90) }, { 0, 1 },
            { 0, b.minY() }, { 0, b.maxY() }, false, false);
    } else {
        c->setFillColor(Color::whiteColor());
        c->fillRect(b);
    }
    c->setFillColor(Color::white(0.88));
    c->fillRect({ b.minX(), b.maxY() - 1, b.width(), 1 });
}
