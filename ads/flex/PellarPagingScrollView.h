#pragma once

#include "ads/flex/PellarFlexAdViewProtocol.h"
#include "platform/ui/controls/ScrollViewDelegate.h"
#include "platform/ui/views/View.h"

#include <memory>
#include <string>
#include <vector>

class PageControl;
class PellarTouchForwardingView;
class ScrollView;

// A flexible ad's paged group: pages of element views side by side that the
// user swipes through one banner width at a time. A small page indicator
// lights up while the pages move and fades back afterwards. Every change of
// page is recorded, timed from the banner's first draw, for click data;
// touches on the pages reach the banner container through an invisible
// forwarding layer under them, so a tap on a page clicks the banner.
class PellarPagingScrollView final : public View, public PellarFlexAdViewProtocol, public ScrollViewDelegate {
public:
    static constexpr const char* kDefaultUiTag = "scroll";
    static constexpr double kPageControlHeight = 12;
    static constexpr double kPageControlScale = 0.7;
    static constexpr double kPageControlRestingAlpha = 0.35;
    static constexpr double kPageControlScrollingAlpha = 1.0;
    static constexpr double kFadeDuration = 1.0;
    static constexpr const char* kFadeAnimationID = "fadePageControl";

    // The frame is kept within the element limits. Tagged "scroll".
    static std::shared_ptr<PellarPagingScrollView> create(const Rect& frame, unsigned initialPage);
    PellarPagingScrollView(const Rect& frame, unsigned initialPage);

    // Lays out `count` pages (content, forwarding layer, indicator); touches
    // on the pages go to `touchDelegate` (not owned). Called once, before
    // the pages are filled.
    void setNumberOfPages(unsigned count, std::weak_ptr<Responder> touchDelegate);
    // Places `view` on page `page`: its frame moves right by that many widths.
    void addContentSubview(std::shared_ptr<View> view, unsigned page);

    unsigned initialPage() const { return m_initialPage; }
    unsigned numberOfPages() const { return m_numberOfPages; }
    const std::shared_ptr<ScrollView>& scrollView() const { return m_scrollView; }
    const std::shared_ptr<PageControl>& pageControl() const { return m_pageControl; }
    const std::shared_ptr<PellarTouchForwardingView>& touchForwardingView() const { return m_touchForwardingView; }
    // "%i,%f" records: the new page, seconds since the banner's first draw.
    const std::vector<std::string>& storedScrolls() const { return m_storedScrolls; }

    // PellarFlexAdViewProtocol
    // The page-change records as a list, empty until the first change.
    std::optional<JSONValue> userInteractionHistory() const override;
    // Scrolls to the initial page, shows the indicator and fades it, starts the animation.
    void viewDidAppear() override;
    bool setContainerView(std::weak_ptr<PellarFlexAdContainerView>) override;

    // ScrollViewDelegate
    void scrollViewDidScroll(ScrollView&) override;
    void scrollViewDidEndDragging(ScrollView&, bool willDecelerate) override;
    void scrollViewDidEndScrollingAnimation(ScrollView&) override;

    // Takes the indicator back to its resting opacity over `duration` seconds.
    void fadePageControl(double duration);
    void recordScrollToNewPage(unsigned page);

private:
    View& flexView() override { return *this; }

    std::shared_ptr<ScrollView> m_scrollView;
    std::shared_ptr<PageControl> m_pageControl;
    unsigned m_initialPage;
    unsigned m_numberOfPages { 0 };
    std::shared_ptr<PellarTouchForwardingView> m_touchForwardingView;
    std::vector<std::string> m_storedScrolls;
    std::weak_ptr<PellarFlexAdContainerView> m_containerView;
};
