#include "ads/flex/PellarPagingScrollView.h"
#include "ads/flex/PellarFlexAdContainerView.h"
#include "ads/flex/PellarPlainView.h"
#include "ads/flex/PellarTouchForwardingView.h"
#include "platform/ui/controls/PageControl.h"
#include "platform/ui/controls/ScrollView.h"
#include "platform/ui/views/Window.h"
#include "tests/ads/flex/FlexTestSupport.h"
#include "tests/support/UITest.h"

#include <gtest/gtest.h>

namespace {

// A 320 × 48 banner at y = 100 filled by a paged group of plain boxes, one
// per page, each touched at its own coordinates.
class PagingTest : public UITest {
protected:
    void makeGroup(unsigned pages, unsigned initialPage)
    {
        window = View::make<Window>(Rect { 0, 0, 320, 480 });
        window->makeKeyAndVisible();
        container = View::make<PellarFlexAdContainerView>(Rect { 0, 100, 320, 48 });
        container->setTouchableArea(container->bounds());
        window->addSubview(container);
        group = PellarPagingScrollView::create({ 0, 0, 320, 48 }, initialPage);
        group->setNumberOfPages(pages, container);
        group->setContainerView(container);
        for (unsigned page = 0; page < pages; ++page) {
            auto box = View::make<PellarPlainView>(Rect { 10, 4, 100, 40 });
            box->setContainerView(container);
            boxes.push_back(box);
            group->addContentSubview(box, page);
        }
        container->addSubview(group);
    }
    void firstDraw() { renderView(*container, 1); }
    void press(Point p) { Application::shared().sendTouch(TouchPhase::Began, p); }
    void move(Point p) { Application::shared().sendTouch(TouchPhase::Moved, p); }
    void release(Point p) { Application::shared().sendTouch(TouchPhase::Ended, p); }
    double offset() const { return group->scrollView()->contentOffset().x; }
    double indicatorOpacity() const { return group->pageControl()->layer().presentation().opacity; }

    std::shared_ptr<Window> window;
    std::shared_ptr<PellarFlexAdContainerView> container;
    std::shared_ptr<PellarPagingScrollView> group;
    std::vector<std::shared_ptr<PellarPlainView>> boxes;
};

} // namespace

TEST_F(PagingTest, OpensOnTheInitialPageWithoutARecord)
{
    makeGroup(3, 2);
    auto& dots = *group->pageControl();
    // Centred at the bottom, 12 points high, drawn at 0.7 of its size.
    EXPECT_EQ(dots.center(), (Point { 160, 42 }));
    EXPECT_EQ(dots.bounds().size, (Size { 39, 12 }));
    EXPECT_EQ(dots.transform(), AffineTransform::makeScale(0.7, 0.7));
    EXPECT_FALSE(dots.isUserInteractionEnabled());
    EXPECT_EQ(offset(), 0);
    firstDraw();
    EXPECT_EQ(offset(), 640);
    EXPECT_EQ(dots.currentPage(), 2);
    EXPECT_TRUE(group->storedScrolls().empty());
    // Shown fully, then faded back over a second.
    EXPECT_NEAR(indicatorOpacity(), 1.0, 1e-6);
    advance(1.0);
    EXPECT_NEAR(indicatorOpacity(), 0.35, 1e-6);
    EXPECT_EQ(*group->userInteractionHistory(), JSONValue::array({}));
}

TEST_F(PagingTest, PageChangesAreRecordedWhereTheOffsetCrossesHalfAPage)
{
    makeGroup(3, 0);
    firstDraw();
    advance(1.5);
    press({ 300, 120 });
    advance(0.1);
    move({ 292, 120 }); // a drag from here on
    move({ 141, 120 }); // offset 159: still page 0
    EXPECT_TRUE(group->storedScrolls().empty());
    EXPECT_NEAR(indicatorOpacity(), 1.0, 1e-6); // lit while dragging
    move({ 140, 120 }); // offset 160: page 1
    ASSERT_EQ(group->storedScrolls().size(), 1u);
    EXPECT_EQ(group->storedScrolls()[0], "1,1.600000");
    move({ 100, 120 });
    advance(0.25);
    move({ 141, 120 }); // back below half a page
    ASSERT_EQ(group->storedScrolls().size(), 2u);
    EXPECT_EQ(group->storedScrolls()[1], "0,1.850000");
    release({ 141, 120 });
    advance(1.0);
    EXPECT_EQ(offset(), 0); // short of half a page: back
    EXPECT_EQ(group->storedScrolls().size(), 2u);
    EXPECT_NEAR(indicatorOpacity(), 0.35, 1e-6);

    // A flick pages on; the page change is recorded once on the way.
    press({ 300, 120 });
    for (int i = 1; i <= 4; ++i) {
        advance(1.0 / 60);
        move({ 300.0 - 15 * i, 120 });
    }
    advance(1.0 / 60);
    release({ 240, 120 });
    advance(1.0);
    EXPECT_EQ(offset(), 320);
    EXPECT_EQ(group->storedScrolls().size(), 3u);
    EXPECT_EQ(group->storedScrolls()[2].substr(0, 2), "1,");
    // Pulled far past the first page: one record for page 0, however far.
    press({ 100, 120 });
    advance(0.05);
    for (int x = 110; x <= 800; x += 20)
        move({ double(x), 120 });
    EXPECT_LT(offset(), -160);
    release({ 800, 120 });
    advance(1.0);
    EXPECT_EQ(group->storedScrolls().size(), 4u); // back to page 0 only
    EXPECT_EQ(group->storedScrolls()[3].substr(0, 2), "0,");
    // The history lists the records as strings.
    auto history = group->userInteractionHistory();
    ASSERT_TRUE(history && history->isArray());
    EXPECT_EQ((*history)[0].stringValue(), "1,1.600000");
}

TEST_F(PagingTest, TheDotsFadeAfterATouchpadScrollWhereverItEnds)
{
    makeGroup(3, 0);
    firstDraw();
    advance(1.5);
    // Exactly one page: nothing is left to settle. Then most of a page, which settles onto the next.
    for (double delta : { 320.0, 200.0 }) {
        group->scrollView()->scrollByWheel({ delta, 0 });
        EXPECT_NEAR(indicatorOpacity(), 1.0, 1e-6) << delta;
        advance(3);
        EXPECT_NEAR(indicatorOpacity(), 0.35, 1e-6) << delta;
    }
    EXPECT_EQ(offset(), 640);
}

TEST_F(PagingTest, ASinglePageShowsNoIndicator)
{
    makeGroup(1, 0);
    firstDraw();
    EXPECT_TRUE(group->pageControl()->isHidden());
    EXPECT_EQ(*group->userInteractionHistory(), JSONValue::array({}));
}

TEST_F(PagingTest, ATapOnAPageReachesTheBannerThroughTheForwardingLayer)
{
    makeGroup(3, 1);
    firstDraw();
    advance(0.5);
    press({ 20, 110 });
    release({ 20, 110 });
    // The box records the touch in its own coordinates; the container in its own.
    auto boxTouches = boxes[1]->userInteractionHistory();
    ASSERT_TRUE(boxTouches);
    EXPECT_EQ((*boxTouches->find("touches"))[0].stringValue(), "0,10,6,0.500000");
    EXPECT_FALSE(boxes[0]->userInteractionHistory());
    auto containerTouches = container->userInteractionHistory();
    ASSERT_TRUE(containerTouches);
    EXPECT_EQ(containerTouches->find("touches")->size(), 2u);
    EXPECT_EQ((*containerTouches->find("touches"))[1].stringValue(), "1,20,10,0.500000");
    // A drag is no tap: the container is not left highlighted or clicked.
    press({ 300, 120 });
    advance(0.2); // long enough for the press to reach the page
    EXPECT_TRUE(container->isTouched());
    move({ 200, 120 });
    EXPECT_FALSE(container->isTouched());
    release({ 200, 120 });
    EXPECT_EQ(container->userInteractionHistory()->find("touches")->size(), 3u); // the press only
}
