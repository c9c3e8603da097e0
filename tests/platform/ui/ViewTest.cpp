#include "platform/ui/controls/AlertView.h"
#include "platform/ui/controls/AlertViewDelegate.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/graphics/GraphicsContext.h"
#include "platform/ui/views/ViewController.h"
#include "platform/ui/views/Window.h"
#include "tests/support/Pixels.h"
#include "tests/support/UITest.h"

#include <string>
#include <vector>

// Records the touches that reach it and, optionally, passes them on.
class RecordingView : public View {
public:
    using View::View;
    void touchesBegan(const TouchSet& t, const Event& e) override
    {
        log.push_back(name + " began");
        if (forward)
            View::touchesBegan(t, e);
    }
    void touchesMoved(const TouchSet& t, const Event& e) override
    {
        log.push_back(name + " moved");
        if (forward)
            View::touchesMoved(t, e);
    }
    void touchesEnded(const TouchSet& t, const Event& e) override
    {
        log.push_back(name + " ended");
        if (forward)
            View::touchesEnded(t, e);
    }
    void touchesCancelled(const TouchSet& t, const Event& e) override
    {
        log.push_back(name + " cancelled");
        if (forward)
            View::touchesCancelled(t, e);
    }
    static inline std::vector<std::string> log;
    std::string name;
    bool forward { true };
};

class RecordingController : public ViewController {
public:
    void touchesBegan(const TouchSet& t, const Event& e) override
    {
        RecordingView::log.push_back("controller began");
        ViewController::touchesBegan(t, e);
    }
};

class ViewTest : public UITest {
protected:
    void SetUp() override
    {
        UITest::SetUp();
        RecordingView::log.clear();
        window = View::make<Window>(Rect { 0, 0, 320, 480 });
        window->makeKeyAndVisible();
    }
    std::shared_ptr<RecordingView> add(View& parent, Rect frame, std::string name)
    {
        auto v = View::make<RecordingView>(frame);
        v->name = std::move(name);
        parent.addSubview(v);
        return v;
    }
    std::shared_ptr<Window> window;
};

TEST_F(ViewTest, HitTestingSkipsHiddenTransparentAndNonInteractiveViewsAndFollowsTransforms)
{
    auto back = add(*window, { 0, 0, 200, 200 }, "back");
    auto front = add(*back, { 50, 50, 100, 100 }, "front");
    EXPECT_EQ(window->hitTest({ 60, 60 }), front.get());
    front->setHidden(true);
    EXPECT_EQ(window->hitTest({ 60, 60 }), back.get());
    front->setHidden(false);
    front->setAlpha(0.005);
    EXPECT_EQ(window->hitTest({ 60, 60 }), back.get());
    front->setAlpha(1);
    front->setUserInteractionEnabled(false);
    EXPECT_EQ(window->hitTest({ 60, 60 }), back.get());
    front->setUserInteractionEnabled(true);
    // Scaled 1.5 about its centre (100, 100): it now covers 25..175.
    front->setTransform(AffineTransform::makeScale(1.5, 1.5));
    EXPECT_EQ(window->hitTest({ 30, 30 }), front.get());
    EXPECT_EQ(window->hitTest({ 20, 20 }), back.get());
    Point local = front->convertPoint({ 30, 30 }, nullptr);
    EXPECT_NEAR(local.x, 10.0 / 3, 1e-9);
    // The right edge belongs to the neighbour.
    EXPECT_EQ(window->hitTest({ 200, 10 }), window.get());
    // Scaled to nothing: cannot be hit, and no division by zero.
    front->setTransform(AffineTransform::makeScale(0, 0));
    EXPECT_EQ(window->hitTest({ 100, 100 }), back.get());
}

TEST_F(ViewTest, TouchesGoToTheViewTheyBeganInAndUpTheResponderChain)
{
    auto controller = std::make_shared<RecordingController>();
    auto screen = View::make<RecordingView>(Rect { 0, 0, 320, 480 });
    screen->name = "screen";
    controller->setView(screen);
    window->addSubview(controller->view());
    auto square = add(*screen, { 100, 100, 50, 50 }, "square");
    auto& app = Application::shared();
    app.sendTouch(TouchPhase::Began, { 120, 120 });
    app.sendTouch(TouchPhase::Moved, { 300, 400 }); // far outside: still the square's
    square->forward = false;
    app.sendTouch(TouchPhase::Ended, { 300, 400 });
    EXPECT_EQ(RecordingView::log,
        (std::vector<std::string> {
            "square began", "screen began", "controller began", "square moved", "screen moved", "square ended" }));
    // A new press while one is down cancels the first.
    RecordingView::log.clear();
    app.sendTouch(TouchPhase::Began, { 120, 120 });
    app.sendTouch(TouchPhase::Began, { 10, 10 });
    EXPECT_EQ(RecordingView::log[1], "square cancelled");
}

TEST_F(ViewTest, LocationFollowsTheFingerInAnyViewsCoordinates)
{
    auto box = add(*window, { 100, 100, 50, 50 }, "box");
    box->setTransform(AffineTransform::makeScale(2, 2)); // centre (125, 125) stays
    std::shared_ptr<Touch> seen;
    Application::shared().sendTouch(TouchPhase::Began, { 125, 125 });
    Application::shared().sendTouch(TouchPhase::Ended, { 135, 105 });
    (void)seen;
    Touch probe(box, window, { 135, 105 }, 0);
    EXPECT_EQ(probe.locationInView(box.get()), (Point { 30, 15 }));
    EXPECT_EQ(probe.locationInView(nullptr), (Point { 135, 105 }));
}

class RecordingAlertDelegate : public AlertViewDelegate {
public:
    void alertViewClickedButtonAtIndex(AlertView&, int index) override { clicked.push_back(index); }
    std::vector<int> clicked;
};

TEST_F(ViewTest, AlertSitsAboveTheKeyWindowAndIsModal)
{
    auto under = add(*window, { 0, 0, 320, 480 }, "under");
    auto delegate = std::make_shared<RecordingAlertDelegate>();
    auto alert
        = View::make<AlertView>("Title", "Message", delegate, std::string("Cancel"), std::vector<std::string> { "OK" });
    EXPECT_EQ(alert->cancelButtonIndex(), 0);
    EXPECT_EQ(alert->buttonTitleAtIndex(1), "OK");
    alert->show();
    std::weak_ptr<AlertView> weakAlert = alert;
    alert.reset(); // kept alive while shown
    ASSERT_FALSE(weakAlert.expired());
    auto windows = Application::shared().windows();
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(windows.back()->windowLevel(), Window::kLevelAlert);
    // A touch anywhere outside the alert reaches nothing below it.
    Application::shared().sendTouch(TouchPhase::Began, { 5, 5 });
    Application::shared().sendTouch(TouchPhase::Ended, { 5, 5 });
    EXPECT_TRUE(RecordingView::log.empty());
    // The findable "OK" button dismisses it and reports its index.
    auto elements = Application::shared().accessibleElementsOnScreen();
    Rect ok;
    for (auto& [label, frame] : elements) {
        if (label == "OK")
            ok = frame;
        EXPECT_NE(label, "under");
    }
    ASSERT_FALSE(ok.isEmpty());
    Application::shared().sendTouch(TouchPhase::Began, ok.center());
    Application::shared().sendTouch(TouchPhase::Ended, ok.center());
    EXPECT_EQ(delegate->clicked, std::vector<int> { 1 });
    settle();
    EXPECT_TRUE(weakAlert.expired());
    EXPECT_EQ(Application::shared().keyWindow(), window);
}

// An alert that hears its own buttons: the delegate can only be set once the alert exists.
class SelfAnsweringAlert final : public AlertView, public AlertViewDelegate {
public:
    SelfAnsweringAlert()
        : AlertView("Call?", "", {}, std::string("Cancel"), { "Call" })
    {
    }
    void alertViewDidDismissWithButtonIndex(AlertView&, int index) override { dismissedWith = index; }
    int dismissedWith { -2 };
};

TEST_F(ViewTest, AlertCanBeItsOwnDelegateWithoutKeepingItselfAlive)
{
    auto alert = View::make<SelfAnsweringAlert>();
    alert->setDelegate(alert);
    std::weak_ptr<SelfAnsweringAlert> weakAlert = alert;
    alert->show();
    alert->dismissWithClickedButtonIndex(1, false);
    EXPECT_EQ(alert->dismissedWith, 1);
    alert.reset();
    settle();
    EXPECT_TRUE(weakAlert.expired()); // the delegate reference is weak: no cycle
}

class CountingView : public View {
public:
    using View::View;
    void drawRect(const Rect&) override
    {
        ++draws;
        GraphicsContext::current()->setFillColor(Color::redColor());
        GraphicsContext::current()->fillRect(bounds());
    }
    int draws { 0 };
};

TEST_F(ViewTest, DrawingIsCachedUntilAskedAndTheScreenRecompositesOnlyWhenSomethingChanged)
{
    auto drawn = View::make<CountingView>(Rect { 10, 10, 20, 20 });
    window->addSubview(drawn);
    Application::shared().compositeScreen(1);
    EXPECT_FALSE(Application::shared().needsDisplay());
    drawn->setCenter({ 50, 50 }); // moves: recomposite, but no redraw of its content
    EXPECT_TRUE(Application::shared().needsDisplay());
    Application::shared().compositeScreen(1);
    drawn->setNeedsDisplay();
    cairo_surface_t* screen = Application::shared().compositeScreen(2);
    EXPECT_EQ(drawn->draws, 2);
    // Red where the view is (scale 2: centre 50, 50 is pixel 100, 100).
    EXPECT_EQ(argbAt(screen, 100, 100) & 0xFFFFFF, 0xFF0000u);
}

TEST_F(ViewTest, ConvertingBetweenViewsAndSubviewOrder)
{
    auto a = add(*window, { 10, 20, 100, 100 }, "a");
    auto b = add(*a, { 5, 5, 10, 10 }, "b");
    auto c = add(*window, { 200, 200, 50, 50 }, "c");
    EXPECT_EQ(b->convertPointToView({ 0, 0 }, c.get()), (Point { -185, -175 }));
    EXPECT_EQ(c->convertRect(b->bounds(), b.get()), Rect(-185, -175, 10, 10));
    b->setTag(7);
    EXPECT_EQ(window->viewWithTag(7), b.get());
    window->sendSubviewToBack(c.get());
    EXPECT_EQ(window->subviews().front(), c);
    window->bringSubviewToFront(c.get());
    EXPECT_EQ(window->subviews().back(), c);
    // A view cannot become its own ancestor.
    b->addSubview(a);
    EXPECT_EQ(a->superview(), window.get());
    a->removeFromSuperview();
    EXPECT_EQ(b->window(), nullptr);
}
