#include "ads/clickthrough/PellarModalViewController.h"
#include "ClickthroughTestSupport.h"
#include "platform/ui/controls/ImageView.h"

namespace {

// A screen that records its hooks.
class RecordingModal final : public PellarModalViewController {
public:
    void loadViewWithBounds(const Rect& bounds) override { loadedBounds = bounds; }
    void landingPageDidAppear() override { ++appeared; }
    void landingPageDidDisappear() override { ++disappeared; }

    std::optional<Rect> loadedBounds;
    int appeared { 0 };
    int disappeared { 0 };
};

class PellarModalViewControllerTest : public ClickthroughFixture {
protected:
    std::shared_ptr<RecordingModal> present(int animation)
    {
        auto modal = std::make_shared<RecordingModal>();
        modal->commandeerScreenFromAdView(banner, animation, host);
        return modal;
    }
    bool anyWindowHolds(const View* view) const
    {
        for (auto& window : Application::shared().windows()) {
            if (view->isDescendantOfView(window.get()))
                return true;
        }
        return false;
    }
};

TEST_F(PellarModalViewControllerTest, BackgroundExpandThenFadeInThenBackOut)
{
    auto modal = present(PellarModalViewController::PellarModalTransitionBackgroundExpand);
    EXPECT_EQ(host->events, std::vector<std::string> { "will" });
    ASSERT_TRUE(modal->loadedBounds);
    EXPECT_EQ(*modal->loadedBounds, (Rect { 0, 0, 320, 480 }));
    auto background = modal->background();
    ASSERT_TRUE(background);
    EXPECT_EQ(background->superview(), appWindow.get());
    // The model value is the end of the expand; the screen starts at the banner.
    EXPECT_EQ(background->frame(), Application::shared().applicationFrame());
    EXPECT_EQ(background->layer().presentation().bounds.size.height, 48);
    EXPECT_TRUE(appWindow->isKeyWindow());

    advance(0.4);
    EXPECT_TRUE(modal->isKeyWindow());
    EXPECT_EQ(modal->modalWindow()->alpha(), 1.0);
    EXPECT_EQ(modal->appeared, 0);
    advance(0.4);
    EXPECT_EQ(modal->appeared, 1);
    EXPECT_EQ(PellarModalViewController::activeModalController(), modal);

    modal->relinquishScreen();
    // Told at once, before anything moves; a second Done changes nothing.
    EXPECT_EQ(host->events, (std::vector<std::string> { "will", "did" }));
    modal->relinquishScreen();
    EXPECT_EQ(background->frame(), modal->view()->frame());
    advance(0.4);
    EXPECT_EQ(modal->disappeared, 1);
    EXPECT_TRUE(appWindow->isKeyWindow());
    EXPECT_TRUE(modal->background()); // shrinking back into the banner
    advance(0.4);
    EXPECT_FALSE(modal->background());
    EXPECT_FALSE(anyWindowHolds(background.get()));
    EXPECT_FALSE(modal->modalWindow());
    EXPECT_FALSE(modal->previousKeyWindow());
    EXPECT_FALSE(banner->isHidden());
    EXPECT_EQ(visibleWindowCount(), 1);
    EXPECT_FALSE(PellarModalViewController::activeModalController());
    EXPECT_EQ(host->events, (std::vector<std::string> { "will", "did" }));
}

TEST_F(PellarModalViewControllerTest, AdMoveToTopSlidesForItsShareOfPointEightSeconds)
{
    EXPECT_EQ(
        PellarModalViewController::adMoveDuration(432), static_cast<double>(static_cast<float>(432 / 480.0 * 0.8)));
    // The window has one subview (the content) as tall as the screen: it is the container.
    auto modal = present(PellarModalViewController::PellarModalTransitionAdMoveToTop);
    EXPECT_EQ(modal->transitionAnimation(), PellarModalViewController::PellarModalTransitionAdMoveToTop);
    auto picture = modal->screenshotOfAd();
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->superview(), content.get());
    EXPECT_TRUE(banner->isHidden());
    EXPECT_EQ(picture->frame(), (Rect { 0, 0, 320, 48 }));
    advance(0.71);
    EXPECT_FALSE(modal->isKeyWindow());
    advance(0.02);
    EXPECT_TRUE(modal->isKeyWindow());
    advance(0.4);
    modal->relinquishScreen();
    advance(0.4 + 0.73);
    EXPECT_FALSE(modal->screenshotOfAd());
    EXPECT_FALSE(anyWindowHolds(picture.get()));
    EXPECT_FALSE(banner->isHidden());
}

TEST_F(PellarModalViewControllerTest, AdMoveToTopFallsBackOrSkipsTheSlide)
{
    // Two subviews in the key window: the plain fade.
    auto second = View::make(Rect { 0, 0, 10, 10 });
    appWindow->addSubview(second);
    auto faded = present(PellarModalViewController::PellarModalTransitionAdMoveToTop);
    EXPECT_EQ(faded->transitionAnimation(), PellarModalViewController::PellarModalTransitionFade);
    EXPECT_FALSE(faded->screenshotOfAd());
    EXPECT_TRUE(faded->isKeyWindow()); // fading in at once
    advance(0.4);
    faded->relinquishScreen();
    advance(0.4);
    EXPECT_FALSE(faded->modalWindow());
    second->removeFromSuperview();

    // A banner already at the top does not move: the fade-in starts at once.
    banner->setFrame({ 0, 0, 320, 48 });
    auto still = present(PellarModalViewController::PellarModalTransitionAdMoveToTop);
    EXPECT_EQ(still->transitionAnimation(), PellarModalViewController::PellarModalTransitionAdMoveToTop);
    EXPECT_TRUE(still->isKeyWindow());
    EXPECT_EQ(still->modalWindow()->layer().presentation().opacity, 0);
}

TEST_F(PellarModalViewControllerTest, NewerScreenTakesOverQuietlyAndReturnsToTheAppWindow)
{
    auto first = present(PellarModalViewController::PellarModalTransitionBackgroundExpand);
    advance(0.8);
    ASSERT_EQ(PellarModalViewController::activeModalController(), first);

    auto second = present(PellarModalViewController::PellarModalTransitionBackgroundExpand);
    EXPECT_EQ(host->count("will"), 1);
    EXPECT_EQ(second->transitionAnimation(), PellarModalViewController::PellarModalTransitionFade);
    EXPECT_EQ(second->previousKeyWindow(), appWindow);
    EXPECT_FALSE(second->background());
    advance(0.4);
    // The first left without a word or an animation.
    EXPECT_EQ(first->disappeared, 1);
    EXPECT_FALSE(first->modalWindow());
    EXPECT_FALSE(first->background());
    EXPECT_EQ(host->count("did"), 0);
    EXPECT_EQ(PellarModalViewController::activeModalController(), second);

    second->relinquishScreen();
    advance(0.4);
    EXPECT_TRUE(appWindow->isKeyWindow());
    advance(1);
    EXPECT_EQ(host->events, (std::vector<std::string> { "will", "did" }));
    EXPECT_FALSE(PellarModalViewController::activeModalController());
    EXPECT_EQ(visibleWindowCount(), 1);
    EXPECT_FALSE(banner->isHidden());
}

TEST_F(PellarModalViewControllerTest, GivenBackBeforeItAppearedItLeavesQuietlyButTheHostHears)
{
    // During the expand, and during the fade-in.
    for (double after : { 0.2, 0.6 }) {
        SCOPED_TRACE(after);
        host->events.clear();
        auto modal = present(PellarModalViewController::PellarModalTransitionBackgroundExpand);
        advance(after);
        modal->relinquishScreen();
        EXPECT_EQ(host->events, (std::vector<std::string> { "will", "did" }));
        advance(1);
        EXPECT_EQ(modal->appeared, 0);
        EXPECT_EQ(modal->disappeared, 1);
        EXPECT_FALSE(modal->modalWindow());
        EXPECT_FALSE(PellarModalViewController::activeModalController());
        EXPECT_TRUE(appWindow->isKeyWindow());
        EXPECT_EQ(visibleWindowCount(), 1);
        EXPECT_FALSE(banner->isHidden());
        EXPECT_EQ(host->events.size(), 2u);
    }
}

} // namespace
