#include "ads/flex/PellarFlexLimits.h"
#include "ads/flex/PellarGradientView.h"
#include "ads/flex/PellarImageView.h"
#include "ads/flex/PellarLabelView.h"
#include "ads/flex/PellarPlainView.h"
#include "ads/flex/PellarTouchForwardingView.h"
#include "tests/ads/flex/FlexTestSupport.h"
#include "tests/support/UITest.h"

#include <gtest/gtest.h>

namespace {

using FlexElementViewsTest = UITest;

const Color kAdBackground = Color::rgba(0.443, 0.514, 0.631);

std::shared_ptr<PellarImageView> bevelledImage(float width, float meetingPoint)
{
    auto view = View::make<PellarImageView>(Rect { 0, 0, 60, 60 });
    view->setImage(diagonalPicture(100, 50));
    view->setBeveled(true);
    view->setBevelWidth(width);
    view->setBevelRadius(6.5);
    view->setBevelCornerMeetingPoint(meetingPoint);
    view->setBevelDarkColor(Color::white(0.4));
    view->setBevelLightColor(Color::white(0.937));
    return view;
}

TEST_F(FlexElementViewsTest, LabelShrinksItsFontToFitDownToTheMinimum)
{
    auto label = View::make<PellarLabelView>(Rect { 0, 0, 150, 24 });
    label->setBackgroundColor(kAdBackground);
    label->setText("Find dead pixels in seconds");
    label->setTextColor(Color::whiteColor());
    label->setFont(Font::fontWithName("Helvetica-Bold", 18));
    label->setAdjustsFontSizeToFitWidth(true);
    label->setMinimumFontSize(8);
    Font drawn = label->fontForDrawing();
    EXPECT_LT(drawn.pointSize(), 18);
    EXPECT_GE(drawn.pointSize(), 8);
    EXPECT_LE(drawn.sizeWithText(label->text()).width, 150);
    EXPECT_TRUE(drawn.isBold());
    for (double scale : { 1.0, 2.0 })
        EXPECT_TRUE(matchesFlexGolden(*renderView(*label, scale), "label-shrunk", scale));

    // The minimum wins over fitting; without shrinking the font stays.
    label->setMinimumFontSize(16);
    EXPECT_EQ(label->fontForDrawing().pointSize(), 16);
    label->setAdjustsFontSizeToFitWidth(false);
    EXPECT_EQ(label->fontForDrawing().pointSize(), 18);
}

TEST_F(FlexElementViewsTest, BevelledImageIsInsetInsideRoundedCornersWithATwoToneLine)
{
    auto view = bevelledImage(2, 0.5);
    view->setBackgroundColor(Color::whiteColor());
    for (double scale : { 1.0, 2.0 })
        EXPECT_TRUE(matchesFlexGolden(*renderView(*view, scale), "image-bevelled", scale));
    // A picture of 100 × 50 is squeezed to the view's square when not bevelled.
    auto plain = View::make<PellarImageView>(Rect { 0, 0, 50, 50 });
    plain->setImage(diagonalPicture(100, 50));
    for (double scale : { 1.0, 2.0 })
        EXPECT_TRUE(matchesFlexGolden(*renderView(*plain, scale), "image-squeezed", scale));
}

TEST_F(FlexElementViewsTest, CornerMeetingPointDecidesWhichColourHoldsTheDiagonalCorners)
{
    // The middle of the top-right and bottom-left corner arcs (bevel width 2,
    // radius 6.5: centres 7.5 in from the edges, 45° points 4.6 further out).
    const Point topRight { 60 - 7.5 + 4.6, 7.5 - 4.6 };
    const Point bottomLeft { 7.5 - 4.6, 60 - 7.5 + 4.6 };
    auto grey = [](const Image& image, Point p) { return pixelAt(image, p.x, p.y).red; };

    auto meetAtEdges = renderView(*bevelledImage(2, 0), 4);
    EXPECT_GT(grey(*meetAtEdges, topRight), 200); // light
    EXPECT_LT(grey(*meetAtEdges, bottomLeft), 140); // dark
    auto meetAtSides = renderView(*bevelledImage(2, 1), 4);
    EXPECT_LT(grey(*meetAtSides, topRight), 140);
    EXPECT_GT(grey(*meetAtSides, bottomLeft), 200);
}

TEST_F(FlexElementViewsTest, GradientReachesItsBaseColourAtTheEndPointAndStaysSolid)
{
    auto gradient = View::make<PellarGradientView>(Rect { 0, 0, 320, 48 }, kAdBackground, 0.5f, 0.4375f);
    EXPECT_TRUE(gradient->isOpaque());
    EXPECT_FALSE(gradient->userInteractionHistory());
    for (double scale : { 1.0, 2.0 }) {
        auto image = renderView(*gradient, scale);
        EXPECT_TRUE(matchesFlexGolden(*image, "gradient", scale));
        Pixel top = pixelAt(*image, 160, 0);
        EXPECT_NEAR(top.red, int(255 * (0.5 + 0.5 * 0.443)), 3);
        for (double y : { 21.0, 30.0, 47.0 }) {
            Pixel solid = pixelAt(*image, 160, y);
            EXPECT_NEAR(solid.red, int(255 * 0.443), 2) << y;
            EXPECT_NEAR(solid.blue, int(255 * 0.631), 2) << y;
        }
    }
}

TEST_F(FlexElementViewsTest, PlainBoxShowsOnlyItsBackground)
{
    auto box = View::make<PellarPlainView>(Rect { 0, 0, 40, 20 });
    box->setBackgroundColor(Color::rgba(0.9, 0.2, 0.3, 0.75));
    EXPECT_TRUE(box->isUserInteractionEnabled());
    for (double scale : { 1.0, 2.0 })
        EXPECT_TRUE(matchesFlexGolden(*renderView(*box, scale), "plain", scale));
}

TEST_F(FlexElementViewsTest, HugeFramesFontsAndBevelsAreClampedBeforeAnythingIsDrawn)
{
    const Rect huge { -1e9, 1e9, 1e9, 1e9 };
    const Rect clamped { -4096, 4096, 1024, 1024 };
    EXPECT_EQ(View::make<PellarLabelView>(huge)->frame(), clamped);
    EXPECT_EQ(View::make<PellarImageView>(huge)->frame(), clamped);
    EXPECT_EQ(View::make<PellarPlainView>(huge)->frame(), clamped);
    EXPECT_EQ(View::make<PellarGradientView>(huge, kAdBackground, 0.5f, 0.4375f)->frame(), clamped);
    EXPECT_EQ(PellarFlexLimits::clampedFrame({ 1, 2, -3, 4 }), (Rect { 1, 2, 0, 4 }));

    auto label = View::make<PellarLabelView>(Rect { 0, 0, 100, 20 });
    label->setFont(Font::systemFont(1e9));
    EXPECT_EQ(label->font().pointSize(), PellarFlexLimits::kMaxFontSize);
    label->setFont(Font::systemFont(-5));
    EXPECT_EQ(label->font().pointSize(), PellarFlexLimits::kMinFontSize);
    label->setMinimumFontSize(1e9);
    EXPECT_EQ(label->minimumFontSize(), PellarFlexLimits::kMaxFontSize);

    auto image = bevelledImage(1e9, 7);
    image->setBevelRadius(-3);
    EXPECT_EQ(image->bevelWidth(), PellarFlexLimits::kMaxElementSide);
    EXPECT_EQ(image->bevelRadius(), 0);
    EXPECT_EQ(image->bevelCornerMeetingPoint(), 1);
    renderView(*image, 1); // an absurd bevel draws without trouble
}

// A responder that counts what reaches it.
struct CountingResponder final : Responder {
    void touchesBegan(const TouchSet&, const Event&) override { ++began; }
    void touchesMoved(const TouchSet&, const Event&) override { ++moved; }
    void touchesEnded(const TouchSet&, const Event&) override { ++ended; }
    void touchesCancelled(const TouchSet&, const Event&) override { ++cancelled; }
    int began { 0 }, moved { 0 }, ended { 0 }, cancelled { 0 };
};

TEST_F(FlexElementViewsTest, TouchForwardingViewHandsEveryPhaseToItsDelegate)
{
    auto delegate = std::make_shared<CountingResponder>();
    auto forwarding = View::make<PellarTouchForwardingView>(Rect { 0, 0, 50, 50 }, delegate);
    EXPECT_EQ(forwarding->backgroundColor(), Color::clear());
    TestFinger finger;
    forwarding->touchesBegan(finger.at(forwarding, { 1, 1 }), {});
    forwarding->touchesMoved(finger.at(forwarding, { 2, 2 }), {});
    forwarding->touchesEnded(finger.at(forwarding, { 2, 2 }), {});
    forwarding->touchesCancelled(finger.at(forwarding, { 2, 2 }), {});
    EXPECT_EQ(delegate->began + delegate->moved + delegate->ended + delegate->cancelled, 4);
    EXPECT_EQ(delegate->cancelled, 1);
    // The delegate is not owned: once it is gone, touches go nowhere.
    delegate.reset();
    forwarding->touchesBegan(finger.at(forwarding, { 1, 1 }), {});
}

}
