#include "ads/flex/PellarPagingScrollView.h"

#include "ads/flex/PellarFlexAdContainerView.h"
#include "ads/flex/PellarFlexLimits.h"
#include "ads/flex/PellarTouchForwardingView.h"
#include "platform/ui/controls/PageControl.h"
#include "platform/ui/controls/ScrollView.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <span>

std::shared_ptr<PellarPagingScrollView> PellarPagingScrollView::create(const Rect& frame, unsigned initialPage)
{
    auto view = View::make<PellarPagingScrollView>(frame, initialPage);
    view->m_scrollView->setDelegate(view);
    return view;
}

PellarPagingScrollView::PellarPagingScrollView(const Rect& frame, unsigned initialPage)
    : View(PellarFlexLimits::clampedFrame(frame))
    , m_scrollView(View::make<ScrollView>(bounds()))
    , m_initialPage(initialPage)
{
    setUiTag(std::string(kDefaultUiTag));
    setBackgroundColor(Color::clear());
    setOpaque(false);
    m_scrollView->setPagingEnabled(true);
    m_scrollView->setShowsHorizontalScrollIndicator(false);
    m_scrollView->setShowsVerticalScrollIndicator(false);
    m_scrollView->setScrollsToTop(false);
    m_scrollView->setCanCancelContentTouches(true);
    m_scrollView->setDelaysContentTouches(true);
    addSubview(m_scrollView);
}

void PellarPagingScrollView::setNumberOfPages(unsigned count, std::weak_ptr<Responder> touchDelegate)
{
    double width = m_scrollView->bounds().width(), height = m_scrollView->bounds().height();
    m_numberOfPages = count;
    m_scrollView->setContentSize({ m_numberOfPages * width, height });

    if (m_touchForwardingView)
        m_touchForwardingView->removeFromSuperview();
    m_touchForwardingView = View::make<PellarTouchForwardingView>(
        Rect { 0, 0, m_numberOfPages * width, height }, std::move(touchDelegate));
    m_scrollView->insertSubview(m_touchForwardingView, 0);

    if (m_pageControl)
        m_pageControl->removeFromSuperview();
    m_pageControl = View::make<PageControl>();
    Size needed = m_pageControl->sizeForNumberOfPages(static_cast<int>(m_numberOfPages));
    m_pageControl->setFrame({ (bounds().width() - needed.width) / 2, bounds().height() - kPageControlHeight,
        needed.width, kPageControlHeight });
    m_pageControl->setHidesForSinglePage(true);
    m_pageControl->setNumberOfPages(static_cast<int>(m_numberOfPages));
    // An initial page past the last one shows the last.
    m_initialPage = std::min(m_initialPage, m_numberOfPages > 0 ? m_numberOfPages - 1 : 0);
    m_pageControl->setCurrentPage(static_cast<int>(m_initialPage));
    m_pageControl->setAlpha(kPageControlRestingAlpha);
    m_pageControl->setTransform(AffineTransform::makeScale(kPageControlScale, kPageControlScale));
    m_pageControl->setUserInteractionEnabled(false);
    addSubview(m_pageControl);
}

void PellarPagingScrollView::addContentSubview(std::shared_ptr<View> view, unsigned page)
{
    if (!view || !m_touchForwardingView || page >= m_numberOfPages)
        return;
    Rect frame = view->frame();
    frame.origin.x += page * m_scrollView->bounds().width();
    view->setFrame(frame);
    m_touchForwardingView->addSubview(std::move(view));
}

std::optional<JSONValue> PellarPagingScrollView::userInteractionHistory() const
{
    std::vector<JSONValue> records;
    records.reserve(m_storedScrolls.size());
    for (const auto& record : m_storedScrolls)
        records.push_back(JSONValue::string(record));
    return JSONValue::array(std::span<const JSONValue>(records));
}

void PellarPagingScrollView::viewDidAppear()
{
    m_scrollView->setContentOffset({ m_initialPage * bounds().width(), 0 }, false);
    if (m_pageControl) {
        m_pageControl->setAlpha(kPageControlScrollingAlpha);
        fadePageControl(kFadeDuration);
    }
    PellarFlexAdViewProtocol::viewDidAppear();
}

bool PellarPagingScrollView::setContainerView(std::weak_ptr<PellarFlexAdContainerView> container)
{
    m_containerView = std::move(container);
    return true;
}

void PellarPagingScrollView::scrollViewDidScroll(ScrollView& scrollView)
{
    if (!m_pageControl)
        return;
    double width = scrollView.bounds().width();
    if (width <= 0)
        return;
    // The page whose left edge is nearest the offset; half-way rounds up.
    float position = static_cast<float>((scrollView.contentOffset().x - width / 2) / width);
    double page = std::floor(position) + 1;
    // Past either end (a bounce) the page stays at the end, so an overscroll
    // records nothing.
    page = std::clamp(page, 0.0, static_cast<double>(m_numberOfPages > 0 ? m_numberOfPages - 1 : 0));
    int newPage = static_cast<int>(page);
    if (newPage != m_pageControl->currentPage()) {
        recordScrollToNewPage(static_cast<unsigned>(newPage));
        m_pageControl->setCurrentPage(newPage);
    }
    if (!scrollView.isDecelerating())
        m_pageControl->setAlpha(kPageControlScrollingAlpha);
}

void PellarPagingScrollView::scrollViewDidEndDragging(ScrollView&, bool)
{
    fadePageControl(kFadeDuration);
}

void PellarPagingScrollView::scrollViewDidEndScrollingAnimation(ScrollView&)
{
    fadePageControl(kFadeDuration);
}

void PellarPagingScrollView::fadePageControl(double duration)
{
    if (!m_pageControl)
        return;
    View::beginAnimations(kFadeAnimationID);
    View::setAnimationDuration(duration);
    View::setAnimationCurve(ViewAnimationCurve::EaseIn);
    View::setAnimationBeginsFromCurrentState(true);
    m_pageControl->setAlpha(kPageControlRestingAlpha);
    View::commitAnimations();
}

void PellarPagingScrollView::recordScrollToNewPage(unsigned page)
{
    auto container = m_containerView.lock();
    double time = container ? container->timeIntervalSinceFirstRender() : 0;
    char record[64];
    std::snprintf(record, sizeof record, "%i,%f", static_cast<int>(page), time);
    m_storedScrolls.emplace_back(record);
}
