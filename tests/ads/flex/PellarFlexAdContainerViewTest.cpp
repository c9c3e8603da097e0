#include "ads/flex/PellarFlexAdContainerView.h"
#include "ads/core/PellarController.h"
#include "ads/flex/PellarFlexAnimationBuilder.h"
#include "ads/flex/PellarGradientView.h"
#include "ads/flex/PellarImageView.h"
#include "ads/flex/PellarLabelView.h"
#include "ads/flex/PellarPlainView.h"
#include "platform/ui/layers/AnimationEngine.h"
#include "platform/ui/layers/AnimationGroup.h"
#include "platform/ui/layers/Transaction.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/views/Screen.h"
#include "platform/ui/views/Window.h"
#include "tests/ads/ad/AdTestSupport.h"
#include "tests/ads/flex/FlexTestSupport.h"
#include "json/JSONDeserializer.h"

#include <gtest/gtest.h>

namespace {

// A flexible banner of a gradient, a picture, a tagged label and a tagged
// plain box, showing a real ad loaded off a loopback server, with a real
// controller: a click is recorded by the server.
class FlexContainerTest : public AdFixture {
protected:
    void SetUp() override
    {
        AdFixture::SetUp();
        Application::shared().reset();
        AnimationEngine::shared().reset();
        Screen::mainScreen().setScale(1);
        server.respond("/click", { .body = "{}", .contentType = "application/json" });
        server.respond("/cpm", { .body = "ok" });
        server.respond("/m/icon.png", { .body = pngOfSize(38, 38), .contentType = "image/png" });
        answerAdRequest(R"({"text": "Ad", "6": "url", "204": "/icon.png", "jsonp_url": ")" + server.url("/click")
            + R"(", "cpm_url": ")" + server.url("/cpm") + R"("})");
        startAd(std::make_shared<MinimalHost>());
        ASSERT_TRUE(waitForOutcome());
        ASSERT_EQ(owner->loaded, 1);

        controller = PellarController::create();
        // In a window, so that touches find their coordinates in each view.
        window = View::make<Window>(Rect { 0, 0, 320, 480 });
        container = View::make<PellarFlexAdContainerView>(Rect { 0, 0, 320, 48 });
        window->addSubview(container);
        container->setAd(ad);
        container->setController(controller);
        container->setTouchableArea(container->touchableAreaFromDescription({ 0, 0, 320, 48 }));

        auto gradient
            = View::make<PellarGradientView>(Rect { 0, 0, 320, 48 }, Color::rgba(0.443, 0.514, 0.631), 0.5f, 0.4375f);
        gradient->setUiTag("background");
        auto picture = View::make<PellarImageView>(Rect { 4, 4, 40, 40 });
        picture->setImage(diagonalPicture(40, 40));
        label = View::make<PellarLabelView>(Rect { 52, 4, 200, 40 });
        label->setText("Vantrel Pro: every pixel");
        label->setTextColor(Color::whiteColor());
        label->setFont(Font::fontWithName("Helvetica-Bold", 16));
        label->setUiTag("title");
        box = View::make<PellarPlainView>(Rect { 270, 12, 40, 24 });
        box->setBackgroundColor(Color::rgba(1, 0.8, 0.1));
        box->setUiTag("button");
        for (std::shared_ptr<View> element : { std::shared_ptr<View>(gradient), std::shared_ptr<View>(picture),
                 std::shared_ptr<View>(label), std::shared_ptr<View>(box) }) {
            if (auto* flex = dynamic_cast<PellarFlexAdViewProtocol*>(element.get()))
                flex->setContainerView(container);
            container->addSubview(element);
        }
    }
    void TearDown() override
    {
        container = nullptr;
        window = nullptr;
        label = nullptr;
        box = nullptr;
        controller = nullptr;
        Application::shared().reset();
        AnimationEngine::shared().reset();
        AdFixture::TearDown();
    }

    void draw() { renderView(*container, 1); }
    // A tap on the container itself at `p`.
    void tap(Point p)
    {
        auto one = finger();
        container->touchesBegan(one.at(container, p), {});
        container->touchesEnded(one.at(container, p), {});
    }
    int clicks() const { return server.requestsTo("/click"); }
    // The click data the server received with the last click.
    JSONValue lastClickData()
    {
        for (auto it = server.requests().rbegin(); it != server.requests().rend(); ++it) {
            if (it->path == "/click")
                return JSONDeserializer().deserialize(it->body).value_or(JSONValue());
        }
        return {};
    }
    // No click reaches the server: given time to, nothing arrives.
    bool noClickArrives()
    {
        loop().runUntil([&] { return clicks() > 0; }, 0.3);
        return clicks() == 0;
    }

    // A finger on the banner's window.
    TestFinger finger() const { return TestFinger { .touch = nullptr, .window = window }; }

    std::shared_ptr<PellarController> controller;
    std::shared_ptr<Window> window;
    std::shared_ptr<PellarFlexAdContainerView> container;
    std::shared_ptr<PellarLabelView> label;
    std::shared_ptr<PellarPlainView> box;
};

TEST_F(FlexContainerTest, BannerAndItsHighlightLookRight)
{
    for (double scale : { 1.0, 2.0 })
        EXPECT_TRUE(matchesFlexGolden(*renderView(*container, scale), "container", scale));
    container->setTouched(true);
    for (double scale : { 1.0, 2.0 })
        EXPECT_TRUE(matchesFlexGolden(*renderView(*container, scale), "container-highlight", scale));
}

TEST_F(FlexContainerTest, TouchesDuringTheIgnoreTimeNeitherHighlightNorClick)
{
    container->setInitialTouchIgnoreDuration(0.5);
    draw();
    advance(0.3);
    auto early = finger();
    container->touchesBegan(early.at(container, { 100, 20 }), {});
    EXPECT_FALSE(container->isTouched());
    container->touchesEnded(early.at(container, { 100, 20 }), {});
    EXPECT_TRUE(noClickArrives());
    EXPECT_FALSE(container->userInteractionHistory());

    advance(0.3);
    tap({ 100, 20 });
    ASSERT_TRUE(waitUntil([&] { return clicks() == 1; }));
}

TEST_F(FlexContainerTest, NoTouchCountsBeforeTheFirstDraw)
{
    tap({ 100, 20 });
    EXPECT_TRUE(noClickArrives());
}

TEST_F(FlexContainerTest, TouchesOutsideTheTouchableAreaOrEndingOutsideAreNoClick)
{
    container->setTouchableArea(container->touchableAreaFromDescription({ 200, 0, 120, 48 }));
    draw();
    advance(1);
    tap({ 100, 20 }); // outside the area
    auto leaving = finger();
    container->touchesBegan(leaving.at(container, { 250, 20 }), {});
    EXPECT_TRUE(container->isTouched());
    container->touchesMoved(leaving.at(container, { 150, 20 }), {});
    EXPECT_FALSE(container->isTouched()); // the highlight follows the finger
    container->touchesEnded(leaving.at(container, { 150, 20 }), {});
    // The right edge is outside, as for every rectangle.
    tap({ 320, 20 });
    EXPECT_TRUE(noClickArrives());

    // Begun outside, ended inside: a click whose history holds only the end.
    auto entering = finger();
    container->touchesBegan(entering.at(container, { 100, 20 }), {});
    container->touchesEnded(entering.at(container, { 210, 20 }), {});
    ASSERT_TRUE(waitUntil([&] { return clicks() == 1; }));
    auto touches = lastClickData().find("interactions")->find("container")->find("touches");
    ASSERT_TRUE(touches);
    ASSERT_EQ(touches->size(), 2u); // the begin inside the area earlier, and this end
    EXPECT_EQ((*touches)[1].stringValue(), "1,210,20,1.000000");
}

TEST_F(FlexContainerTest, SmallDescribedAreaMeansTheWholeBanner)
{
    EXPECT_EQ(container->touchableAreaFromDescription({ 0, 0, 300, 43 }), container->bounds());
    EXPECT_EQ(container->touchableAreaFromDescription({ 10, 0, 44, 44 }), (Rect { 10, 0, 44, 44 }));
}

TEST_F(FlexContainerTest, TapOnALabelClicksOnceWithEveryTaggedHistory)
{
    draw();
    advance(2);
    // The label records the touch in its coordinates and passes it on to
    // the container, which highlights, records and clicks.
    container->setClickAnimationView(box);
    auto onLabel = finger();
    label->touchesBegan(onLabel.at(label, { 60, 14 }), {});
    EXPECT_TRUE(container->isTouched());
    advance(0.25);
    label->touchesEnded(onLabel.at(label, { 62, 14 }), {});
    EXPECT_FALSE(container->isTouched());
    ASSERT_TRUE(waitUntil([&] { return clicks() == 1; }));
    JSONValue expected = JSONDeserializer()
                             .deserialize(R"({"interactions": {
                                 "container": {"touches": ["0,60,14,2.000000", "1,62,14,2.250000"]},
                                 "title": {"touches": ["0,8,10,2.000000", "1,10,10,2.250000"]}}})")
                             .value();
    EXPECT_EQ(lastClickData(), expected);
    EXPECT_TRUE(container->isAnimatingForClick());

    // A second click sends the first one's records again, and the box's.
    container->restoreAdAfterClickAnimation();
    advance(1);
    auto second = finger();
    box->touchesBegan(second.at(box, { 280, 20 }), {});
    box->touchesEnded(second.at(box, { 280, 20 }), {});
    ASSERT_TRUE(waitUntil([&] { return clicks() == 2; }));
    auto interactions = *lastClickData().find("interactions");
    EXPECT_EQ(interactions.size(), 3u);
    EXPECT_EQ(interactions.find("title")->find("touches")->size(), 2u);
    EXPECT_EQ(interactions.find("container")->find("touches")->size(), 4u);
    EXPECT_EQ((*interactions.find("button")->find("touches"))[0].stringValue(), "0,10,8,3.250000");
    EXPECT_FALSE(interactions.find("background")); // gradients have no history
}

TEST_F(FlexContainerTest, LaterViewWithTheSameTagWins)
{
    box->setUiTag("title");
    draw();
    advance(1);
    auto onLabel = finger();
    auto onBox = finger();
    label->touchesBegan(onLabel.at(label, { 60, 14 }), {});
    box->touchesBegan(onBox.at(box, { 280, 20 }), {});
    box->touchesEnded(onBox.at(box, { 280, 20 }), {});
    ASSERT_TRUE(waitUntil([&] { return clicks() == 1; }));
    auto title = lastClickData().find("interactions")->find("title")->find("touches");
    EXPECT_EQ(title->size(), 2u);
    EXPECT_EQ((*title)[0].stringValue(), "0,10,8,1.000000");
}

TEST_F(FlexContainerTest, FirstDrawStartsAnimationsOnceAndThePixelLoadsOnce)
{
    auto animation = PellarFlexAnimationBuilder::animationGroupFromArray(
        JSONDeserializer().deserialize(R"([{"t": "B", "kp": "opacity", "vt": "F", "d": 1}])").value(), std::nullopt);
    label->setAnimation(animation);
    // A label touched before the first draw records the time 0.
    auto early = finger();
    label->touchesBegan(early.at(label, { 60, 14 }), {});
    EXPECT_EQ(label->userInteractionHistory()->find("touches")->operator[](0).stringValue(), "0,8,10,0.000000");

    advance(3);
    EXPECT_EQ(label->layer().presentation().opacity, 1);
    draw();
    EXPECT_EQ(container->dateOfFirstRender(), loop().now());
    EXPECT_EQ(label->layer().presentation().opacity, 0);
    advance(0.5);
    EXPECT_NEAR(label->layer().presentation().opacity, 0.5, 1e-6);
    container->setNeedsDisplay();
    draw();
    advance(0.25);
    EXPECT_NEAR(label->layer().presentation().opacity, 0.75, 1e-6); // not started again
    EXPECT_EQ(container->timeIntervalSinceFirstRender(), 0.75);
    ASSERT_TRUE(waitUntil([&] { return server.requestsTo("/cpm") == 1; }));
    container->setNeedsDisplay();
    draw();
    loop().runUntil([&] { return server.requestsTo("/cpm") > 1; }, 0.2);
    EXPECT_EQ(server.requestsTo("/cpm"), 1);
}

TEST_F(FlexContainerTest, TransactionFlagGroupsTheStartedAnimations)
{
    for (bool useTransaction : { true, false }) {
        auto banner = View::make<PellarFlexAdContainerView>(Rect { 0, 0, 320, 48 });
        banner->setUseCATransaction(useTransaction);
        auto element = View::make<PellarPlainView>(Rect { 0, 0, 10, 10 });
        element->setAnimation(PellarFlexAnimationBuilder::animationGroupFromArray(
            JSONDeserializer().deserialize(R"([{"t": "B", "kp": "opacity", "vt": "F", "d": 1}])").value(),
            std::nullopt));
        banner->addSubview(element);
        // An enclosing transaction's completion waits for animations that
        // joined it; one opened by the banner itself takes them instead.
        bool completed = false;
        Transaction::begin();
        Transaction::setCompletionBlock([&] { completed = true; });
        renderView(*banner, 1);
        Transaction::commit();
        loop().runUntilIdle();
        EXPECT_EQ(completed, useTransaction) << useTransaction;
        advance(2);
        EXPECT_TRUE(completed);
    }
}

}
