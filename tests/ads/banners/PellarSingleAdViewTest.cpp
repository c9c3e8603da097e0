#include "ads/banners/PellarSingleAdView.h"
#include "platform/ui/controls/ActivityIndicatorView.h"
#include "platform/ui/layers/KeyframeAnimation.h"
#include "platform/ui/views/Touch.h"
#include "tests/support/RunLoopFixture.h"

#include <gtest/gtest.h>

namespace {

// The click feedback of a banner whose icon sits at the right, driven on the
// manual clock as the controller would drive it.
class SingleAdViewTest : public RunLoopFixture {
protected:
    void SetUp() override
    {
        RunLoopFixture::SetUp();
        banner = View::make<PellarSingleAdView>(Rect { 0, 0, 320, 48 });
        icon = View::make(Rect { 290, 10, 26, 28 });
        banner->addSubview(icon);
        banner->setClickAnimationView(icon);
    }
    void TearDown() override
    {
        banner = nullptr;
        RunLoopFixture::TearDown();
    }
    // Moves the clock to `t` seconds after the click started.
    void at(double t)
    {
        advance(t - elapsed);
        elapsed = t;
    }
    double iconScale() const { return icon->layer().presentation().transform.m11; }

    std::shared_ptr<PellarSingleAdView> banner;
    std::shared_ptr<View> icon;
    double elapsed { 0 };
};

TEST_F(SingleAdViewTest, RestoreRequestedDuringThePulseWaitsForTheSpinner)
{
    banner->animateForClick();
    EXPECT_FALSE(banner->isUserInteractionEnabled());
    at(0.1);
    banner->restoreAdAfterClickAnimation();
    EXPECT_TRUE(banner->removeSpinnerRequested());
    at(0.2);
    EXPECT_NEAR(iconScale(), 1.4, 1e-6);
    at(0.5);
    EXPECT_LT(iconScale(), 0.01);
    EXPECT_FALSE(banner->spinner());
    at(0.79);
    EXPECT_FALSE(banner->spinner());
    at(0.8);
    ASSERT_TRUE(banner->spinner());
    EXPECT_TRUE(banner->spinner()->isAnimating());
    EXPECT_EQ(banner->spinner()->center(), icon->frame().center());
    EXPECT_EQ(banner->spinner()->superview(), banner.get());
    EXPECT_FALSE(banner->isAnimatingForClick());
    at(1.09);
    EXPECT_TRUE(banner->spinner());
    EXPECT_FALSE(banner->isUserInteractionEnabled());
    // The icon stays shrunk to nothing until the restore.
    EXPECT_LT(iconScale(), 0.01);
    at(1.1);
    EXPECT_FALSE(banner->spinner());
    EXPECT_TRUE(banner->isUserInteractionEnabled());
    EXPECT_FALSE(banner->removeSpinnerRequested());
    EXPECT_FALSE(icon->layer().animationForKey(PellarSingleAdView::kPulseAnimationKey));
    EXPECT_NEAR(iconScale(), 1.0, 1e-9);
    EXPECT_EQ(banner->subviews().size(), 1u);
    // Nothing comes back later: the removed pulse does not start a second spinner.
    at(3.0);
    EXPECT_FALSE(banner->spinner());
}

TEST_F(SingleAdViewTest, LateRestoreKeepsTheSpinnerAnotherThreeTenths)
{
    banner->animateForClick();
    at(2.0);
    ASSERT_TRUE(banner->spinner());
    banner->restoreAdAfterClickAnimation();
    at(2.29);
    EXPECT_TRUE(banner->spinner());
    EXPECT_FALSE(banner->isUserInteractionEnabled());
    at(2.3);
    EXPECT_FALSE(banner->spinner());
    EXPECT_TRUE(banner->isUserInteractionEnabled());
}

TEST_F(SingleAdViewTest, BannerWithoutIconRefusesTouchesUntilAfterTheRestoreAndShowsNoSpinner)
{
    icon->removeFromSuperview();
    icon = nullptr;
    banner->animateForClick();
    EXPECT_FALSE(banner->isUserInteractionEnabled());
    EXPECT_FALSE(banner->isAnimatingForClick());
    at(2.0);
    EXPECT_FALSE(banner->spinner());
    banner->restoreAdAfterClickAnimation();
    at(2.29);
    EXPECT_FALSE(banner->isUserInteractionEnabled());
    at(2.3);
    EXPECT_TRUE(banner->isUserInteractionEnabled());
    EXPECT_TRUE(banner->subviews().empty());
}

TEST_F(SingleAdViewTest, PulseIsTheFixedKeyFrameAnimation)
{
    auto pulse = PellarSingleAdView::defaultPulseAnimation({});
    EXPECT_EQ(pulse->keyPath(), "transform");
    EXPECT_EQ(pulse->keyTimes(), (std::vector<double> { 0.0, 0.4, 1.0 }));
    ASSERT_EQ(pulse->values().size(), 3u);
    EXPECT_EQ(pulse->values()[1].as<Transform3D>().m11, 1.4);
    EXPECT_EQ(pulse->values()[2].as<Transform3D>().m22, 0.001);
    EXPECT_EQ(pulse->values()[2].as<Transform3D>().m33, 1.0);
    EXPECT_EQ(pulse->duration(), 0.5);
    EXPECT_FALSE(pulse->isRemovedOnCompletion());
    EXPECT_EQ(pulse->fillMode(), FillMode::Forwards);
}

TEST_F(SingleAdViewTest, HighlightIsAddedOnceOnTopAndRemoved)
{
    auto other = View::make(Rect { 0, 0, 10, 10 });
    banner->setTouched(true);
    banner->setTouched(true);
    ASSERT_EQ(banner->subviews().size(), 2u);
    auto highlight = banner->subviews().back();
    EXPECT_EQ(highlight->frame(), banner->bounds());
    EXPECT_FALSE(highlight->isUserInteractionEnabled());
    EXPECT_EQ(highlight->backgroundColor(), Color::white(0.5, 0.5));
    banner->setTouched(false);
    EXPECT_EQ(banner->subviews().size(), 1u);
    banner->setTouched(false);
    EXPECT_EQ(banner->subviews().size(), 1u);
}

TEST(PellarSingleAdViewRecords, TouchRecordsRoundToWholePointsAndCarrySixDecimals)
{
    auto view = View::make(Rect { 0, 0, 320, 48 });
    Touch start(view, {}, { 12.4, 30.6 }, 0);
    Touch end(view, {}, { 300.0, 47.5 }, 0);
    auto history = PellarSingleAdView::recordTouch(start, false, view.get(), 0.0, {});
    history = PellarSingleAdView::recordTouch(end, true, view.get(), 2.5, std::move(history));
    EXPECT_EQ(history, (std::vector<std::string> { "0,12,31,0.000000", "1,300,48,2.500000" }));
}

} // namespace
