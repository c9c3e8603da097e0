#include "platform/ui/controls/PageControl.h"

#include "platform/ui/graphics/GraphicsContext.h"

#include <algorithm>

PageControl::PageControl(const Rect& frame)
    : Control(frame)
{
    setOpaque(false);
}

void PageControl::setNumberOfPages(int pages)
{
    m_numberOfPages = std::max(0, pages);
    m_currentPage = std::clamp(m_currentPage, 0, std::max(0, m_numberOfPages - 1));
    updateVisibility();
    setNeedsDisplay();
}

void PageControl::setCurrentPage(int page)
{
    page = std::clamp(page, 0, std::max(0, m_numberOfPages - 1));
    if (page == m_currentPage)
        return;
    m_currentPage = page;
    setNeedsDisplay();
}

void PageControl::setHidesForSinglePage(bool hides)
{
    m_hidesForSinglePage = hides;
    updateVisibility();
}

void PageControl::updateVisibility()
{
    // Only the hiding this control did itself is undone here.
    bool hide = m_hidesForSinglePage && m_numberOfPages <= 1;
    if (hide != m_hiddenForSinglePage) {
        m_hiddenForSinglePage = hide;
        setHidden(hide);
    }
}

Size PageControl::sizeForNumberOfPages(int pages) const
{
    if (pages <= 0)
        return { 0, kPreferredHeight };
    return { pages * kDotDiameter + (pages - 1) * kDotSpacing, kPreferredHeight };
}

void PageControl::drawRect(const Rect&)
{
    auto* c = GraphicsContext::current();
    if (!c || m_numberOfPages <= 0)
        return;
    Rect b = bounds();
    double width = sizeForNumberOfPages(m_numberOfPages).width;
    double x = b.midX() - width / 2;
    double y = b.midY() - kDotDiameter / 2;
    for (int page = 0; page < m_numberOfPages; ++page, x += kDotDiameter + kDotSpacing) {
        c->setFillColor(page == m_currentPage ? Color::whiteColor() : Color::white(1, 0.35));
        c->fillEllipseInRect({ x, y, kDotDiameter, kDotDiameter });
    }
}

void PageControl::touchesEnded(const TouchSet& touches, const Event&)
{
    auto touch = touches.anyObject();
    if (!touch || !isEnabled() || m_numberOfPages <= 1)
        return;
    Point p = touch->locationInView(this);
    if (!bounds().contains(p))
        return;
    int page = m_currentPage + (p.x < bounds().midX() ? -1 : 1);
    page = std::clamp(page, 0, m_numberOfPages - 1);
    if (page == m_currentPage)
        return;
    setCurrentPage(page);
    sendActionsForControlEvents(ControlEventValueChanged);
}
