#include "platform/ui/controls/NavigationItem.h"

#include "platform/ui/controls/NavigationBar.h"

NavigationItem::NavigationItem(std::string title)
    : m_title(std::move(title))
{
}

void NavigationItem::setTitle(std::string title)
{
    m_title = std::move(title);
    if (m_bar)
        m_bar->itemDidChange();
}

void NavigationItem::setLeftBarButtonItem(std::shared_ptr<BarButtonItem> item)
{
    m_leftBarButtonItem = std::move(item);
    if (m_bar)
        m_bar->itemDidChange();
}
