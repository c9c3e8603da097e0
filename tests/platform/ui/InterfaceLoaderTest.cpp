#include "platform/ui/views/InterfaceLoader.h"
#include "platform/foundation/Log.h"
#include "platform/ui/controls/BarButtonItem.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/controls/SegmentedControl.h"
#include "platform/ui/controls/Slider.h"
#include "platform/ui/controls/TextView.h"
#include "platform/ui/controls/Toolbar.h"
#include "platform/ui/views/InterfaceProperties.h"
#include "platform/ui/views/ViewController.h"
#include "tests/support/UITest.h"
#include "json/JSONDeserializer.h"

#include <string>
#include <vector>

class OwnerController : public ViewController {
public:
    bool setOutlet(const std::string& name, const std::shared_ptr<Responder>& object) override
    {
        if (name == "slider") {
            slider = std::dynamic_pointer_cast<Slider>(object);
            return slider != nullptr;
        }
        if (name == "item") {
            item = std::dynamic_pointer_cast<BarButtonItem>(object);
            return item != nullptr;
        }
        return ViewController::setOutlet(name, object);
    }
    bool performAction(const std::string& action, Responder*) override
    {
        actions.push_back(action);
        return true;
    }
    std::shared_ptr<Slider> slider;
    std::shared_ptr<BarButtonItem> item;
    std::vector<std::string> actions;
};

// A class an application registers; it counts how often it wakes.
class Helper : public ViewController {
public:
    void awakeFromInterface() override { ++awakenings; }
    static inline int awakenings = 0;
};

class InterfaceLoaderTest : public UITest {
protected:
    void SetUp() override
    {
        UITest::SetUp();
        Log::setCaptureHook([this](const std::string& line) { log.push_back(line); });
    }
    void TearDown() override
    {
        Log::setCaptureHook(nullptr);
        UITest::TearDown();
    }
    JSONValue parse(const std::string& text)
    {
        JSONError error;
        auto value = JSONDeserializer().deserializeAsDictionary(text, &error);
        EXPECT_TRUE(value) << error.message;
        return value.value_or(JSONValue());
    }
    std::vector<std::string> log;
};

TEST_F(InterfaceLoaderTest, BuildsConnectsAndReleasesWhatNobodyKeeps)
{
    InterfaceLoader::registerClass("Helper", [](const JSONValue&) { return std::make_shared<Helper>(); });
    Helper::awakenings = 0;
    auto owner = std::make_shared<OwnerController>();
    InterfaceLoader loader;
    ASSERT_TRUE(loader.load(parse(R"({"objects": [
        {"class": "View", "id": "root", "frame": [0, 0, 320, 480], "fillsApplicationFrame": true,
         "backgroundColor": [1, 0, 0], "subviews": [
            {"class": "Slider", "id": "s", "frame": [10, 10, 200, 30], "minimumValue": -3, "maximumValue": -0.05, "value": -1},
            {"class": "Label", "id": "l", "frame": [10, 50, 200, 20], "text": "Hi", "textColor": "white"},
            {"class": "Toolbar", "frame": [0, 436, 320, 44], "items": [{"id": "go", "title": "Go"}, {"class": "FlexibleSpace"}]}
         ]},
        {"class": "Helper", "id": "helper"},
        {"class": "Spaceship", "id": "unknown"}
    ],
    "outlets": [
        {"object": "owner", "name": "view", "destination": "root"},
        {"object": "owner", "name": "slider", "destination": "s"},
        {"object": "owner", "name": "item", "destination": "go"},
        {"object": "owner", "name": "nonsense", "destination": "s"},
        {"object": "owner", "name": "slider", "destination": "missing"}
    ],
    "actions": [
        {"object": "s", "event": "valueChanged", "target": "owner", "action": "changeInterval"},
        {"object": "go", "target": "owner", "action": "startStop"},
        {"object": "l", "target": "owner", "action": "labelsCannotAct"}
    ]})"),
        *owner));
    // The status bar is shown here, so the root view takes the screen less its 20 points.
    EXPECT_EQ(owner->view()->frame(), Rect(0, 20, 320, 460));
    ASSERT_TRUE(owner->slider);
    EXPECT_DOUBLE_EQ(owner->slider->value(), -1);
    EXPECT_EQ(owner->slider->superview(), owner->view().get());
    owner->slider->sendActionsForControlEvents(ControlEventValueChanged);
    owner->item->trigger();
    EXPECT_EQ(owner->actions, (std::vector<std::string> { "changeInterval", "startStop" }));
    EXPECT_EQ(Helper::awakenings, 1);
    // Three bad connections and one unknown class, each logged, none fatal.
    EXPECT_EQ(log.size(), 4u);
    std::weak_ptr<Responder> helper = loader.objectWithID("helper");
    loader = InterfaceLoader();
    EXPECT_FALSE(helper.expired()); // until the pass ends, as an autoreleased object
    settle();
    EXPECT_TRUE(helper.expired());
    EXPECT_TRUE(owner->view()); // kept through the outlet
}

TEST_F(InterfaceLoaderTest, ToleratesMalformedDescriptions)
{
    auto owner = std::make_shared<OwnerController>();
    InterfaceLoader loader;
    EXPECT_FALSE(loader.load(parse(R"({"objects": 3})"), *owner));
    EXPECT_FALSE(loader.errorMessage().empty());
    EXPECT_TRUE(loader.load(parse(R"({"objects": [
        {"class": "View", "id": "root", "frame": [0, 0, "wide", 10], "backgroundColor": "plaid",
         "subviews": [7, {"class": "SegmentedControl", "segments": ["A", 5], "selectedSegmentIndex": 4}]},
        "not an object"
    ], "outlets": [{"object": "root", "name": "view", "destination": "root"}], "actions": [{}]})"),
        *owner));
    auto root = std::dynamic_pointer_cast<View>(loader.objectWithID("root"));
    ASSERT_TRUE(root);
    EXPECT_EQ(root->frame(), Rect());
    EXPECT_EQ(root->backgroundColor(), std::nullopt);
    ASSERT_EQ(root->subviews().size(), 1u);
    auto segments = std::dynamic_pointer_cast<SegmentedControl>(root->subviews()[0]);
    ASSERT_TRUE(segments);
    EXPECT_EQ(segments->numberOfSegments(), 2);
    EXPECT_EQ(segments->selectedSegmentIndex(), SegmentedControl::kNoSegment);
    // A missing resource is an error, not a crash.
    EXPECT_FALSE(loader.loadNamed("NoSuchInterface", *owner));
}

// A control the loader has never heard of: it reads its own key, and a
// subclass of a standard control keeps the standard control's keys.
class Gauge : public View {
public:
    void applyInterfaceProperties(const InterfaceProperties& properties) override
    {
        View::applyInterfaceProperties(properties);
        level = properties.number("level").value_or(-1);
    }
    double level { 0 };
};

class ShoutingLabel : public Label {
public:
    void applyInterfaceProperties(const InterfaceProperties& properties) override
    {
        Label::applyInterfaceProperties(properties);
        setText(text() + "!");
    }
};

TEST_F(InterfaceLoaderTest, ControlsReadTheirOwnPropertiesWhateverTheLoaderKnows)
{
    InterfaceLoader::registerClass("Gauge", [](const JSONValue&) { return View::make<Gauge>(); });
    InterfaceLoader::registerClass("ShoutingLabel", [](const JSONValue&) { return View::make<ShoutingLabel>(); });
    auto owner = std::make_shared<OwnerController>();
    InterfaceLoader loader;
    ASSERT_TRUE(loader.load(parse(R"({"objects": [
        {"class": "Gauge", "id": "g", "frame": [1, 2, 30, 40], "level": 0.25, "tag": 7},
        {"class": "ShoutingLabel", "id": "l", "text": "Hi", "textAlignment": "center"}
    ]})"),
        *owner));
    auto gauge = std::dynamic_pointer_cast<Gauge>(loader.objectWithID("g"));
    ASSERT_TRUE(gauge);
    EXPECT_EQ(gauge->level, 0.25);
    EXPECT_EQ(gauge->frame(), Rect(1, 2, 30, 40));
    EXPECT_EQ(gauge->tag(), 7);
    auto label = std::dynamic_pointer_cast<ShoutingLabel>(loader.objectWithID("l"));
    ASSERT_TRUE(label);
    EXPECT_EQ(label->text(), "Hi!");
    EXPECT_EQ(label->textAlignment(), TextAlignment::Center);
}

// Labels and text views share their text keys: both read a description the
// same way, and a mistyped value leaves the control's default alone.
TEST_F(InterfaceLoaderTest, LabelsAndTextViewsReadTheSameTextKeys)
{
    auto owner = std::make_shared<OwnerController>();
    InterfaceLoader loader;
    ASSERT_TRUE(loader.load(parse(R"({"objects": [
        {"class": "Label", "id": "label", "text": "Hi", "font": {"name": "Courier", "size": 12},
         "textColor": [0, 0, 1], "textAlignment": "right"},
        {"class": "TextView", "id": "text", "text": "Hi", "font": {"name": "Courier", "size": 12},
         "textColor": [0, 0, 1], "textAlignment": "right", "editable": false},
        {"class": "Label", "id": "badLabel", "text": 5, "font": "big", "textColor": "plaid", "textAlignment": 3},
        {"class": "TextView", "id": "badText", "text": 5, "font": "big", "textColor": "plaid", "textAlignment": 3}
    ]})"),
        *owner));
    auto label = std::dynamic_pointer_cast<Label>(loader.objectWithID("label"));
    auto text = std::dynamic_pointer_cast<TextView>(loader.objectWithID("text"));
    ASSERT_TRUE(label && text);
    EXPECT_EQ(label->text(), "Hi");
    EXPECT_EQ(label->font(), Font::fontWithName("Courier", 12));
    EXPECT_EQ(label->textColor(), (Color { 0, 0, 1, 1 }));
    EXPECT_EQ(label->textAlignment(), TextAlignment::Right);
    EXPECT_EQ(text->text(), label->text());
    EXPECT_EQ(text->font(), label->font());
    EXPECT_EQ(text->textColor(), label->textColor());
    EXPECT_EQ(text->textAlignment(), label->textAlignment());
    EXPECT_FALSE(text->isEditable());

    auto badLabel = std::dynamic_pointer_cast<Label>(loader.objectWithID("badLabel"));
    auto badText = std::dynamic_pointer_cast<TextView>(loader.objectWithID("badText"));
    ASSERT_TRUE(badLabel && badText);
    auto defaultLabel = View::make<Label>();
    auto defaultText = View::make<TextView>();
    EXPECT_EQ(badLabel->text(), "");
    EXPECT_EQ(badLabel->font(), defaultLabel->font());
    EXPECT_EQ(badLabel->textColor(), defaultLabel->textColor());
    EXPECT_EQ(badLabel->textAlignment(), TextAlignment::Left);
    EXPECT_EQ(badText->text(), "");
    EXPECT_EQ(badText->font(), defaultText->font());
    EXPECT_EQ(badText->textColor(), defaultText->textColor());
    EXPECT_EQ(badText->textAlignment(), TextAlignment::Left);
}
