#include "platform/ui/BarButtonItem.h"

#include "platform/ui/Control.h"
#include "platform/ui/Toolbar.h"

BarButtonItem::BarButtonItem(std::string title, Style style)
    : m_title(std::move(title))
    , m_style(style)
{
}

std::shared_ptr<BarButtonItem> BarButtonItem::flexibleSpace()
{
    auto item = std::make_shared<BarButtonItem>();
    item->m_kind = Kind::FlexibleSpace;
    return item;
}

std::shared_ptr<BarButtonItem> BarButtonItem::fixedSpace(double width)
{
    auto item = std::make_shared<BarButtonItem>();
    item->m_kind = Kind::FixedSpace;
    item->m_width = width;
    return item;
}

void BarButtonItem::setTitle(std::string title)
{
    m_title = std::move(title);
    changed();
}

void BarButtonItem::changed()
{
    if (m_toolbar)
        m_toolbar->itemDidChange();
}

void BarButtonItem::trigger()
{
    if (!m_enabled || m_kind != Kind::Button)
        return;
    auto protectedThis = shared_from_this();
    if (m_handler)
        m_handler(*this);
    if (m_action.empty())
        return;
    if (m_hasTarget) {
        if (auto target = m_target.lock())
            sendAction(m_action, target.get(), this);
        return;
    }
    // No target: up the chain from the toolbar.
    sendAction(m_action, nullptr, m_toolbar);
}
