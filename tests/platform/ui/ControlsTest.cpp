#include "platform/ui/controls/BarButtonItem.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/SegmentedControl.h"
#include "platform/ui/controls/Slider.h"
#include "platform/ui/controls/TextView.h"
#include "platform/ui/controls/Toolbar.h"
#include "platform/ui/views/ViewController.h"
#include "platform/ui/views/Window.h"
#include "tests/support/UITest.h"

#include <string>
#include <vector>

// A screen that records the named actions that reach it.
class ActionRecorder : public ViewController {
public:
    bool performAction(const std::string& action, Responder*) override
    {
        if (action == "unknown")
            return false;
        actions.push_back(action);
        return true;
    }
    std::vector<std::string> actions;
};

class ControlsTest : public UITest {
protected:
    void SetUp() override
    {
        UITest::SetUp();
        window = View::make<Window>(Rect { 0, 0, 320, 480 });
        window->makeKeyAndVisible();
        controller = std::make_shared<ActionRecorder>();
        window->addSubview(controller->view());
        controller->view()->setFrame({ 0, 0, 320, 480 });
    }
    void press(Point p) { Application::shared().sendTouch(TouchPhase::Began, p); }
    void move(Point p) { Application::shared().sendTouch(TouchPhase::Moved, p); }
    void release(Point p) { Application::shared().sendTouch(TouchPhase::Ended, p); }
    void tap(Point p)
    {
        press(p);
        release(p);
    }
    std::shared_ptr<Window> window;
    std::shared_ptr<ActionRecorder> controller;
};

TEST_F(ControlsTest, SliderClampsTracksAndReportsChanges)
{
    auto slider = View::make<Slider>(Rect { 10, 100, 222, 30 }); // track from x = 21 to 221
    slider->setMinimumValue(-3);
    slider->setMaximumValue(-0.05);
    slider->setValue(-1);
    slider->addTarget(controller.get(), "changeInterval", ControlEventValueChanged);
    controller->view()->addSubview(slider);
    slider->setValue(7);
    EXPECT_DOUBLE_EQ(slider->value(), -0.05); // clamped, and no action
    EXPECT_TRUE(controller->actions.empty());
    press({ 21, 115 }); // the left end
    EXPECT_DOUBLE_EQ(slider->value(), -3);
    move({ 121, 115 }); // half way
    EXPECT_NEAR(slider->value(), -1.525, 1e-9);
    move({ 121, 115 }); // same place: no new action
    move({ 500, 115 }); // far right: clamped to the maximum
    release({ 500, 115 });
    EXPECT_DOUBLE_EQ(slider->value(), -0.05);
    EXPECT_EQ(controller->actions.size(), 3u);
    // Not continuous: one action when the finger lifts.
    controller->actions.clear();
    slider->setContinuous(false);
    press({ 21, 115 });
    move({ 60, 115 });
    EXPECT_TRUE(controller->actions.empty());
    release({ 70, 115 });
    EXPECT_EQ(controller->actions.size(), 1u);
    // A range that shrinks past the value pulls the value in.
    slider->setMaximumValue(-4);
    EXPECT_DOUBLE_EQ(slider->minimumValue(), -4);
    EXPECT_DOUBLE_EQ(slider->value(), -4);
}

TEST_F(ControlsTest, SegmentedControlSendsOnlyRealChanges)
{
    auto segments = View::make<SegmentedControl>(
        Rect { 0, 0, 200, 30 }, std::vector<std::string> { "Red", "Green", "Blue", "Random" });
    segments->addTarget(controller.get(), "changeFlash", ControlEventValueChanged);
    controller->view()->addSubview(segments);
    EXPECT_EQ(segments->selectedSegmentIndex(), SegmentedControl::kNoSegment);
    tap({ 60, 15 });
    EXPECT_EQ(segments->selectedSegmentIndex(), 1);
    tap({ 60, 15 }); // already selected
    tap({ 199, 29 });
    EXPECT_EQ(segments->selectedSegmentIndex(), 3);
    EXPECT_EQ(controller->actions.size(), 2u);
    segments->setSelectedSegmentIndex(9);
    EXPECT_EQ(segments->selectedSegmentIndex(), SegmentedControl::kNoSegment);
    segments->setSelectedSegmentIndex(3);
    segments->setTitles({ "Black", "White" }); // the selection no longer exists
    EXPECT_EQ(segments->selectedSegmentIndex(), SegmentedControl::kNoSegment);
    EXPECT_EQ(segments->accessibleElements().size(), 2u);
}

TEST_F(ControlsTest, ButtonActsOnlyWhenReleasedInsideAndWhileEnabled)
{
    auto button = View::make<Button>(Rect { 10, 10, 100, 40 });
    button->setTitle("Go");
    button->addTarget(controller.get(), "go", ControlEventTouchUpInside);
    button->addTarget(std::weak_ptr<Responder>(), "outside", ControlEventTouchUpOutside); // no target: the chain
    controller->view()->addSubview(button);
    press({ 20, 20 });
    EXPECT_TRUE(button->isHighlighted());
    move({ 300, 300 });
    EXPECT_FALSE(button->isHighlighted());
    release({ 300, 300 });
    tap({ 20, 20 });
    button->setEnabled(false);
    tap({ 20, 20 });
    EXPECT_EQ(controller->actions, (std::vector<std::string> { "outside", "go" }));
    // A target that has gone away takes its actions with it.
    auto other = std::make_shared<ActionRecorder>();
    auto second = View::make<Button>(Rect { 10, 60, 100, 40 });
    second->addTarget(other, "go", ControlEventTouchUpInside);
    controller->view()->addSubview(second);
    other.reset();
    tap({ 20, 70 });
    EXPECT_EQ(controller->actions.size(), 2u);
}

TEST_F(ControlsTest, ToolbarLaysOutItemsAndSendsTheirActions)
{
    auto toolbar = View::make<Toolbar>(Rect { 0, 436, 320, 44 });
    auto start = std::make_shared<BarButtonItem>("Start");
    start->setWidth(64);
    start->setTarget(controller);
    start->setAction("startStop");
    auto info = std::make_shared<BarButtonItem>("Info");
    info->setAction("showInfopage"); // no target: up the responder chain
    auto off = std::make_shared<BarButtonItem>("Off");
    off->setAction("off");
    off->setEnabled(false);
    toolbar->setItems({ start, BarButtonItem::flexibleSpace(), info, off });
    controller->view()->addSubview(toolbar);
    auto frames = toolbar->itemFrames();
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(frames[0].minX(), 6);
    EXPECT_EQ(frames[0].width(), 64);
    // The flexible space takes what is left: the last item ends 6 points from the edge.
    EXPECT_NEAR(frames[3].maxX(), 314, 1e-9);
    auto centre = [&](size_t i) { return Point { frames[i].midX(), 436 + frames[i].midY() }; };
    tap(centre(0));
    tap(centre(2));
    tap(centre(3));
    tap({ frames[1].midX(), 458 }); // the space
    EXPECT_EQ(controller->actions, (std::vector<std::string> { "startStop", "showInfopage" }));
    // Retitling shows at once and is findable by its new title.
    start->setTitle("Stop");
    auto elements = toolbar->accessibleElements();
    EXPECT_EQ(elements[0].label, "Stop");
    // A press that slides off its item sends nothing.
    controller->actions.clear();
    press(centre(0));
    move(centre(2));
    release(centre(2));
    EXPECT_TRUE(controller->actions.empty());
}

TEST_F(ControlsTest, TextViewScrollsWithinItsText)
{
    auto text = View::make<TextView>(Rect { 0, 0, 200, 100 });
    std::string longText;
    for (int i = 0; i < 40; ++i)
        longText += "Line of text number " + std::to_string(i) + ". ";
    text->setText(longText);
    controller->view()->addSubview(text);
    double most = text->maximumContentOffset();
    EXPECT_GT(most, 100);
    press({ 100, 90 });
    move({ 100, 40 }); // finger up: text up
    EXPECT_DOUBLE_EQ(text->contentOffset(), 50);
    move({ 100, 300 }); // far down: stops at the top
    EXPECT_DOUBLE_EQ(text->contentOffset(), 0);
    release({ 100, 300 });
    text->setContentOffset(1e9);
    EXPECT_DOUBLE_EQ(text->contentOffset(), most);
    text->setText("short");
    EXPECT_DOUBLE_EQ(text->contentOffset(), 0);
}

TEST_F(ControlsTest, AutoresizingSharesASizeChangeAmongFlexibleParts)
{
    auto parent = View::make(Rect { 0, 0, 100, 100 });
    auto bar = View::make(Rect { 0, 80, 100, 20 });
    bar->setAutoresizingMask(AutoresizingFlexibleWidth | AutoresizingFlexibleTopMargin);
    auto centred = View::make(Rect { 40, 40, 20, 20 });
    centred->setAutoresizingMask(AutoresizingFlexibleLeftMargin | AutoresizingFlexibleRightMargin);
    auto fixed = View::make(Rect { 5, 5, 10, 10 });
    parent->addSubview(bar);
    parent->addSubview(centred);
    parent->addSubview(fixed);
    parent->setFrame({ 0, 0, 200, 300 });
    EXPECT_EQ(bar->frame(), Rect(0, 280, 200, 20));
    EXPECT_EQ(centred->frame(), Rect(90, 40, 20, 20));
    EXPECT_EQ(fixed->frame(), Rect(5, 5, 10, 10));
}
