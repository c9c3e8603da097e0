#include "platform/ui/controls/ScrollView.h"
#include "platform/ui/controls/PageControl.h"
#include "platform/ui/views/Window.h"
#include "tests/support/UITest.h"

#include <string>
#include <vector>

namespace {

// Records what a scroll view tells its delegate, in order.
class ScrollRecorder : public ScrollViewDelegate {
public:
    void scrollViewDidScroll(ScrollView& view) override { offsets.push_back(view.contentOffset()); }
    void scrollViewWillBeginDragging(ScrollView&) override { events.push_back("willBeginDragging"); }
    void scrollViewDidEndDragging(ScrollView&, bool decelerate) override
    {
        events.push_back(decelerate ? "didEndDragging decelerating" : "didEndDragging");
    }
    void scrollViewDidEndDecelerating(ScrollView&) override { events.push_back("didEndDecelerating"); }
    void scrollViewDidEndScrollingAnimation(ScrollView&) override { events.push_back("didEndScrollingAnimation"); }
    std::vector<std::string> events;
    std::vector<Point> offsets;
};

// A subview that records the phases of the touches it sees.
class TouchLog : public View {
public:
    using View::View;
    void touchesBegan(const TouchSet&, const Event&) override { phases += "B"; }
    void touchesMoved(const TouchSet&, const Event&) override { phases += "M"; }
    void touchesEnded(const TouchSet&, const Event&) override { phases += "E"; }
    void touchesCancelled(const TouchSet&, const Event&) override { phases += "C"; }
    std::string phases;
};

class ScrollViewTest : public UITest {
protected:
    void SetUp() override
    {
        UITest::SetUp();
        window = View::make<Window>(Rect { 0, 0, 320, 480 });
        window->makeKeyAndVisible();
        scroll = View::make<ScrollView>(Rect { 0, 100, 320, 48 });
        scroll->setContentSize({ 960, 48 });
        scroll->setPagingEnabled(true);
        recorder = std::make_shared<ScrollRecorder>();
        scroll->setDelegate(recorder);
        for (int page = 0; page < 3; ++page) {
            auto content = View::make<TouchLog>(Rect { page * 320.0, 0, 320, 48 });
            pages.push_back(content);
            scroll->addSubview(content);
        }
        window->addSubview(scroll);
    }
    void press(Point p) { Application::shared().sendTouch(TouchPhase::Began, p); }
    void move(Point p) { Application::shared().sendTouch(TouchPhase::Moved, p); }
    void release(Point p) { Application::shared().sendTouch(TouchPhase::Ended, p); }
    // A finger moving from `from` to `to` in `steps` moves a frame apart.
    void drag(Point from, Point to, int steps)
    {
        press(from);
        for (int i = 1; i <= steps; ++i) {
            advance(ScrollView::kFrameInterval);
            move({ from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps });
        }
        advance(ScrollView::kFrameInterval);
        release(to);
    }

    std::shared_ptr<Window> window;
    std::shared_ptr<ScrollView> scroll;
    std::shared_ptr<ScrollRecorder> recorder;
    std::vector<std::shared_ptr<TouchLog>> pages;
};

} // namespace

TEST_F(ScrollViewTest, PagingFollowsTheFingerThenSettlesOnAPage)
{
    // Slowly past half a page: the next page.
    drag({ 300, 120 }, { 120, 120 }, 60);
    EXPECT_DOUBLE_EQ(scroll->contentOffset().x, 180);
    EXPECT_TRUE(scroll->isDecelerating());
    advance(1);
    EXPECT_EQ(scroll->contentOffset(), (Point { 320, 0 }));
    EXPECT_FALSE(scroll->isDecelerating());
    EXPECT_EQ(recorder->events,
        (std::vector<std::string> { "willBeginDragging", "didEndDragging decelerating", "didEndDecelerating" }));
    // Slowly less than half a page: back where it was.
    recorder->events.clear();
    drag({ 300, 120 }, { 200, 120 }, 60);
    advance(1);
    EXPECT_DOUBLE_EQ(scroll->contentOffset().x, 320);
    // A quick flick of a fifth of a page goes on to the next page.
    drag({ 300, 120 }, { 240, 120 }, 4);
    advance(1);
    EXPECT_DOUBLE_EQ(scroll->contentOffset().x, 640);
    // Past the last page the content follows at half speed and springs back.
    drag({ 300, 120 }, { 100, 120 }, 60);
    EXPECT_DOUBLE_EQ(scroll->contentOffset().x, 740);
    advance(1);
    EXPECT_DOUBLE_EQ(scroll->contentOffset().x, 640);
    // A vertical drag does not move content that only scrolls sideways.
    size_t scrolls = recorder->offsets.size();
    drag({ 100, 110 }, { 100, 140 }, 10);
    EXPECT_EQ(recorder->offsets.size(), scrolls);
    // The offsets reported on the way never leave the drag's path.
    for (Point p : recorder->offsets) {
        EXPECT_EQ(p.y, 0);
        EXPECT_GE(p.x, 0);
    }
}

TEST_F(ScrollViewTest, ContentSeesTapsButNotDrags)
{
    // A tap arrives whole, at once.
    press({ 50, 120 });
    EXPECT_EQ(pages[0]->phases, "");
    release({ 50, 120 });
    EXPECT_EQ(pages[0]->phases, "BE");
    // A drag that starts at once never reaches the content.
    pages[0]->phases.clear();
    drag({ 300, 120 }, { 100, 120 }, 10);
    EXPECT_EQ(pages[0]->phases, "");
    advance(1);
    // A long press reaches the content after the delay; a drag then takes it back.
    pages[1]->phases.clear();
    press({ 300, 120 });
    advance(0.2);
    EXPECT_EQ(pages[1]->phases, "B");
    move({ 302, 120 }); // small moves still go to the content
    move({ 250, 120 });
    EXPECT_EQ(pages[1]->phases, "BMC");
    release({ 250, 120 });
    EXPECT_EQ(pages[1]->phases, "BMC");
    // Touching moving content stops it; that touch is the scroll view's.
    advance(1);
    scroll->setContentOffset({ 0, 0 }, true);
    advance(0.1);
    EXPECT_TRUE(scroll->contentOffset().x > 0 && scroll->contentOffset().x < 640);
    pages[0]->phases.clear();
    pages[1]->phases.clear();
    press({ 200, 120 });
    release({ 200, 120 });
    EXPECT_EQ(pages[0]->phases + pages[1]->phases, "");
    advance(1);
    EXPECT_EQ(std::fmod(scroll->contentOffset().x, 320), 0); // settled on a page
    // Content hit after scrolling is the page under the finger.
    scroll->setContentOffset({ 640, 0 });
    EXPECT_EQ(Application::shared().hitTest({ 10, 110 }), pages[2].get());
}

TEST_F(ScrollViewTest, ATouchOnTheScrollViewItselfGoesUpTheChainUntilItDrags)
{
    auto owner = View::make<TouchLog>(Rect { 0, 300, 320, 100 });
    auto bare = View::make<ScrollView>(Rect { 0, 0, 320, 100 });
    bare->setContentSize({ 640, 100 });
    owner->addSubview(bare);
    window->addSubview(owner);
    press({ 50, 350 });
    release({ 50, 350 });
    EXPECT_EQ(owner->phases, "BE");
    owner->phases.clear();
    drag({ 200, 350 }, { 100, 350 }, 10);
    EXPECT_EQ(owner->phases, "BC");
    EXPECT_GT(bare->contentOffset().x, 0);
}

TEST_F(ScrollViewTest, OffsetChangesAnimatedOrAtOnce)
{
    scroll->setContentOffset({ 320, 0 });
    EXPECT_EQ(recorder->offsets.size(), 1u);
    scroll->setContentOffset({ 320, 0 }); // no change, no report
    EXPECT_EQ(recorder->offsets.size(), 1u);
    scroll->setContentOffset({ 0, 0 }, true);
    EXPECT_EQ(scroll->contentOffset().x, 320); // nothing moves before the clock does
    advance(ScrollView::kAnimatedScrollDuration / 2);
    double halfway = scroll->contentOffset().x;
    EXPECT_GT(halfway, 0);
    EXPECT_LT(halfway, 160); // eases out: most of the way after half the time
    advance(ScrollView::kAnimatedScrollDuration);
    EXPECT_EQ(scroll->contentOffset().x, 0);
    EXPECT_EQ(recorder->events, (std::vector<std::string> { "didEndScrollingAnimation" }));
    // A direct change during an animation stops it where it is put.
    scroll->setContentOffset({ 640, 0 }, true);
    advance(0.05);
    scroll->setContentOffset({ 100, 0 });
    advance(1);
    EXPECT_EQ(scroll->contentOffset().x, 100);
    EXPECT_EQ(recorder->events.size(), 1u);
    // Odd offsets are refused rather than spread into the geometry.
    scroll->setContentOffset({ std::nan(""), 0 });
    EXPECT_EQ(scroll->contentOffset().x, 100);
}

TEST_F(ScrollViewTest, VerticalMomentumStopsWithinTheContent)
{
    auto list = View::make<ScrollView>(Rect { 0, 0, 320, 200 });
    list->setContentSize({ 320, 2000 });
    auto listRecorder = std::make_shared<ScrollRecorder>();
    list->setDelegate(listRecorder);
    window->addSubview(list);
    // A flick upwards throws the content on after the finger lifts.
    drag({ 100, 180 }, { 100, 60 }, 6);
    double atLift = list->contentOffset().y;
    EXPECT_DOUBLE_EQ(atLift, 120);
    EXPECT_TRUE(list->isDecelerating());
    advance(0.5);
    EXPECT_GT(list->contentOffset().y, atLift + 100);
    advance(10);
    EXPECT_FALSE(list->isDecelerating());
    EXPECT_LE(list->contentOffset().y, 1800);
    EXPECT_EQ(listRecorder->events.back(), "didEndDecelerating");
    // A hard flick from near the end stops exactly at the end.
    list->setContentOffset({ 0, 1700 });
    drag({ 100, 190 }, { 100, 10 }, 3);
    advance(10);
    EXPECT_DOUBLE_EQ(list->contentOffset().y, 1800);
    // Pulled down past the top and released still: springs back to the top.
    list->setContentOffset({ 0, 0 });
    press({ 100, 20 });
    for (int i = 1; i <= 30; ++i) {
        advance(ScrollView::kFrameInterval);
        move({ 100, 20.0 + 4 * i });
    }
    advance(0.5); // held still
    move({ 100, 140 });
    release({ 100, 140 });
    EXPECT_LT(list->contentOffset().y, 0);
    advance(1);
    EXPECT_DOUBLE_EQ(list->contentOffset().y, 0);
    // The wheel scrolls within the content, without momentum.
    list->scrollByWheel({ 0, -50 });
    EXPECT_DOUBLE_EQ(list->contentOffset().y, 0);
    list->scrollByWheel({ 0, 5000 });
    EXPECT_DOUBLE_EQ(list->contentOffset().y, 1800);
}

TEST_F(ScrollViewTest, WheelOnPagedContentSettlesOnAPage)
{
    scroll->scrollByWheel({ 100, 0 });
    scroll->scrollByWheel({ 90, 0 });
    EXPECT_DOUBLE_EQ(scroll->contentOffset().x, 190);
    advance(1);
    EXPECT_DOUBLE_EQ(scroll->contentOffset().x, 320);
    EXPECT_EQ(recorder->events, (std::vector<std::string> { "didEndScrollingAnimation" }));
    scroll->scrollByWheel({ -100, 40 }); // the vertical part is ignored
    advance(1);
    EXPECT_EQ(scroll->contentOffset(), (Point { 320, 0 }));
}

TEST_F(ScrollViewTest, WheelAtAPointFindsTheViewThatMovesThatWay)
{
    // A vertical list under the paged strip's second page.
    auto list = View::make<ScrollView>(Rect { 0, 0, 320, 48 });
    list->setContentSize({ 320, 400 });
    pages[1]->addSubview(list);
    scroll->setContentOffset({ 320, 0 });
    // A mouse wheel's notch turns the strip a page, animated; the list keeps still.
    EXPECT_TRUE(ScrollView::scrollWheelAt({ 100, 120 }, { 1, 0 }, true));
    EXPECT_TRUE(ScrollView::scrollWheelAt({ 100, 120 }, { 1, 0 }, true)); // at the last page already: no further
    advance(1);
    EXPECT_EQ(scroll->contentOffset(), (Point { 640, 0 }));
    EXPECT_EQ(list->contentOffset(), (Point { 0, 0 }));
    ScrollView::scrollWheelAt({ 100, 120 }, { -1, 0 }, true);
    advance(1);
    // Vertical notches go to the list inside, a notch at a time; touchpad points as they come.
    EXPECT_TRUE(ScrollView::scrollWheelAt({ 100, 120 }, { 0, 2 }, true));
    EXPECT_EQ(list->contentOffset(), (Point { 0, 2 * ScrollView::kWheelNotch }));
    EXPECT_TRUE(ScrollView::scrollWheelAt({ 100, 120 }, { 0.5, -10 }, false));
    EXPECT_EQ(list->contentOffset(), (Point { 0, 2 * ScrollView::kWheelNotch - 10 }));
    EXPECT_EQ(scroll->contentOffset(), (Point { 320, 0 }));
    // Nothing under the pointer scrolls that way.
    EXPECT_FALSE(ScrollView::scrollWheelAt({ 100, 300 }, { 0, 3 }, true));
}

TEST_F(ScrollViewTest, PageControlKeepsItsPageInRange)
{
    auto dots = View::make<PageControl>(Rect { 100, 300, 120, 36 });
    window->addSubview(dots);
    EXPECT_DOUBLE_EQ(dots->sizeForNumberOfPages(3).width, 3 * 7 + 2 * 9);
    EXPECT_DOUBLE_EQ(dots->sizeForNumberOfPages(0).width, 0);
    dots->setNumberOfPages(3);
    dots->setCurrentPage(7);
    EXPECT_EQ(dots->currentPage(), 2);
    dots->setCurrentPage(-1);
    EXPECT_EQ(dots->currentPage(), 0);
    int changes = 0;
    dots->addHandler([&](Control&) { ++changes; }, ControlEventValueChanged);
    press({ 200, 318 }); // right half: one page on
    release({ 200, 318 });
    EXPECT_EQ(dots->currentPage(), 1);
    press({ 110, 318 });
    release({ 110, 318 });
    press({ 110, 318 }); // already first: no change
    release({ 110, 318 });
    EXPECT_EQ(dots->currentPage(), 0);
    EXPECT_EQ(changes, 2);
    // Hidden for a single page only while it has one, and only by itself.
    dots->setHidesForSinglePage(true);
    dots->setNumberOfPages(1);
    EXPECT_TRUE(dots->isHidden());
    dots->setNumberOfPages(4);
    EXPECT_FALSE(dots->isHidden());
    dots->setHidden(true);
    dots->setNumberOfPages(5);
    EXPECT_TRUE(dots->isHidden());
}
