#include "platform/ui/controls/BarButtonItem.h"

#include "platform/ui/controls/Control.h"
#include "platform/ui/controls/Toolbar.h"
#include "platform/ui/views/InterfaceProperties.h"

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

std::shared_ptr<BarButtonItem> BarButtonItem::systemItem(
    SystemItem which, std::weak_ptr<Responder> target, std::string action)
{
    std::shared_ptr<BarButtonItem> item;
    switch (which) {
    case SystemItem::FlexibleSpace:
        item = flexibleSpace();
        break;
    case SystemItem::FixedSpace:
        item = fixedSpace(0);
        break;
    case SystemItem::Done:
        item = std::make_shared<BarButtonItem>("Done", Style::Done);
        break;
    case SystemItem::Cancel:
        item = std::make_shared<BarButtonItem>("Cancel", Style::Bordered);
        break;
    case SystemItem::Action:
    case SystemItem::Refresh:
    case SystemItem::Stop:
        // Glyphs: no title; a name for scripts and screen readers.
        item = std::make_shared<BarButtonItem>(std::string(), Style::Plain);
        item->m_width = 30;
        item->setAccessibilityLabel(which == SystemItem::Action ? "Action"
                : which == SystemItem::Refresh                  ? "Refresh"
                                                                : "Stop");
        break;
    }
    item->m_systemItem = which;
    if (!target.expired())
        item->setTarget(std::move(target));
    item->setAction(std::move(action));
    return item;
}

std::shared_ptr<BarButtonItem> BarButtonItem::withImage(std::shared_ptr<Image> image, Style style)
{
    auto item = std::make_shared<BarButtonItem>(std::string(), style);
    item->m_image = std::move(image);
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

std::shared_ptr<BarButtonItem> BarButtonItem::fromInterfaceProperties(const InterfaceProperties& properties)
{
    std::string kind = properties.string("class", "BarButtonItem");
    if (kind == "FlexibleSpace")
        return flexibleSpace();
    if (kind == "FixedSpace")
        return fixedSpace(properties.number("width").value_or(0));
    std::string style = properties.string("style", "bordered");
    auto item = std::make_shared<BarButtonItem>(properties.string("title"),
        style == "plain"      ? Style::Plain
            : style == "done" ? Style::Done
                              : Style::Bordered);
    if (auto width = properties.number("width"))
        item->setWidth(*width);
    if (auto label = properties.value("accessibilityLabel"); label && label->isString())
        item->setAccessibilityLabel(std::string(label->stringValue()));
    return item;
}
