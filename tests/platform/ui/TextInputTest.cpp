#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/SearchBar.h"
#include "platform/ui/controls/SearchBarDelegate.h"
#include "platform/ui/controls/TextField.h"
#include "platform/ui/views/Keyboard.h"
#include "platform/ui/views/Window.h"
#include "tests/support/UITest.h"

#include <string>
#include <vector>

namespace {

class TextInputTest : public UITest {
protected:
    void SetUp() override
    {
        UITest::SetUp();
        window = View::make<Window>(Rect { 0, 0, 320, 480 });
        window->makeKeyAndVisible();
        field = View::make<TextField>(Rect { 10, 10, 200, 31 });
        window->addSubview(field);
    }
    void type(const std::string& text) { Application::shared().insertText(text); }
    void key(const char* name) { Application::shared().sendKey(*Key::fromName(name)); }
    void tap(Point p)
    {
        Application::shared().sendTouch(TouchPhase::Began, p);
        Application::shared().sendTouch(TouchPhase::Ended, p);
    }

    std::shared_ptr<Window> window;
    std::shared_ptr<TextField> field;
};

class RecordingSearchBarDelegate : public SearchBarDelegate {
public:
    void searchBarTextDidBeginEditing(SearchBar&) override { events.push_back("begin"); }
    void searchBarTextDidChange(SearchBar&, const std::string& text) override { events.push_back("change " + text); }
    void searchBarSearchButtonClicked(SearchBar& bar) override { events.push_back("search " + bar.text()); }
    void searchBarCancelButtonClicked(SearchBar&) override { events.push_back("cancel"); }
    std::vector<std::string> events;
};

} // namespace

TEST_F(TextInputTest, EditingWorksOnWholeCharactersOfMultiByteText)
{
    type("x"); // nobody is editing yet
    EXPECT_EQ(field->text(), "");
    tap({ 50, 25 });
    ASSERT_TRUE(field->isFirstResponder());
    type("h\u00e9\U0001F600");
    EXPECT_EQ(field->caret(), field->text().size());
    key("BackSpace"); // the four-byte emoji goes whole
    EXPECT_EQ(field->text(), "h\u00e9");
    key("Left"); // over the two-byte é
    EXPECT_EQ(field->caret(), 1u);
    type("a");
    EXPECT_EQ(field->text(), "ha\u00e9");
    key("Delete");
    EXPECT_EQ(field->text(), "ha");
    key("Home");
    key("BackSpace"); // nothing before the caret
    key("End");
    key("Delete"); // nothing after it
    EXPECT_EQ(field->text(), "ha");

    // Keys typed as characters edit too; Control+A selects all and typing replaces it.
    key("b");
    key("ctrl+a");
    EXPECT_TRUE(field->hasSelection());
    type("new");
    EXPECT_EQ(field->text(), "new");
    key("ctrl+a");
    key("BackSpace");
    EXPECT_EQ(field->text(), "");

    // Broken bytes are repaired, line breaks and controls dropped; the field has one line.
    type(std::string("a\nb\t\xff", 5));
    EXPECT_EQ(field->text(), "ab\uFFFD");

    // A caret set inside a character falls back to its start.
    field->setText("\u00e9");
    field->setCaret(1);
    EXPECT_EQ(field->caret(), 0u);
}

TEST_F(TextInputTest, LengthIsBoundedAndDisabledFieldsTakeNoInput)
{
    field->becomeFirstResponder();
    type(std::string(TextField::kMaximumLength - 1, 'a'));
    type("\u00e9"); // would end one byte over: cut whole
    EXPECT_EQ(field->text().size(), TextField::kMaximumLength - 1);
    type("b");
    EXPECT_EQ(field->text().size(), TextField::kMaximumLength);

    field->setText("kept");
    window->setUserInteractionEnabled(false); // a view above it refuses input
    type("x");
    key("BackSpace");
    EXPECT_EQ(field->text(), "kept");
}

TEST_F(TextInputTest, KeyboardShowsWithTextEntryAndPostsItsBounds)
{
    std::vector<std::pair<std::string, Rect>> posted;
    int token = 0;
    for (const char* name : { Keyboard::kDidShowNotification, Keyboard::kWillHideNotification }) {
        NotificationCenter::defaultCenter().addObserver(&token, name, [&](const Notification& notification) {
            const Rect* bounds = notification.value<Rect>(Keyboard::kBoundsUserInfoKey);
            posted.emplace_back(notification.name, bounds ? *bounds : Rect { -1, -1, -1, -1 });
        });
    }
    // The desktop's keyboard is physical: empty bounds, nothing on screen.
    field->becomeFirstResponder();
    field->becomeFirstResponder(); // already editing: nothing new
    field->resignFirstResponder();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0], std::make_pair(std::string(Keyboard::kDidShowNotification), Rect {}));
    EXPECT_EQ(posted[1].first, Keyboard::kWillHideNotification);
    EXPECT_EQ(Application::shared().windows().size(), 1u);

    // The on-screen keyboard covers the bottom 216 points and takes the touches there.
    posted.clear();
    Keyboard::shared().setOnScreenHeight(Keyboard::kOnScreenHeight);
    field->becomeFirstResponder();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].second, (Rect { 0, 0, 320, 216 }));
    EXPECT_EQ(Keyboard::shared().frame(), (Rect { 0, 264, 320, 216 }));
    std::shared_ptr<Window> hitWindow;
    Application::shared().hitTest({ 100, 300 }, &hitWindow);
    EXPECT_NE(hitWindow, window);
    hitWindow = nullptr;
    field->resignFirstResponder();
    EXPECT_FALSE(Keyboard::shared().isVisible());
    EXPECT_EQ(Application::shared().windows().size(), 1u);
    EXPECT_FALSE(Application::shared().isTextInputActive());
    NotificationCenter::defaultCenter().removeObserver(&token);
    EXPECT_EQ(NotificationCenter::defaultCenter().registrationCount(&token), 0u);
}

TEST(NotificationCenter, ObserversRemovedDuringDeliveryAreNotCalled)
{
    NotificationCenter center;
    int first = 0, second = 0;
    std::vector<std::string> calls;
    center.addObserver(&first, "n", [&](const Notification&) {
        calls.push_back("first");
        center.removeObserver(&second); // a screen closing on the notification
    });
    center.addObserver(&second, "n", [&](const Notification&) { calls.push_back("second"); });
    center.addObserver(&second, "other", [&](const Notification&) { calls.push_back("other"); });
    center.postNotification("n");
    center.postNotification("other");
    EXPECT_EQ(calls, (std::vector<std::string> { "first" }));
    center.removeObserver(&first, "n");
    center.postNotification("n");
    EXPECT_EQ(calls.size(), 1u);
}

TEST_F(TextInputTest, SearchBarReportsTypingSearchAndCancel)
{
    auto bar = View::make<SearchBar>(Rect { 0, 100, 320, 44 });
    auto delegate = std::make_shared<RecordingSearchBarDelegate>();
    bar->setDelegate(delegate);
    bar->setPlaceholder("Search the web");
    window->addSubview(bar);
    EXPECT_TRUE(bar->cancelButton()->isHidden());

    bar->becomeFirstResponder();
    EXPECT_TRUE(bar->textField()->isFirstResponder());
    type("a");
    type("b");
    key("BackSpace");
    bar->setText("quiet"); // set by code: no report
    key("Return");
    key("Escape"); // without a cancel button Escape does nothing
    bar->setShowsCancelButton(true);
    EXPECT_LT(bar->textField()->frame().maxX(), bar->cancelButton()->frame().minX());
    key("Escape");
    tap(bar->cancelButton()->frame().offsetBy(0, 100).center());
    EXPECT_EQ(delegate->events,
        (std::vector<std::string> {
            "begin", "change a", "change ab", "change a", "search quiet", "cancel", "cancel" }));

    // Tint colours the bar; without it the style does.
    auto defaultColors = bar->backgroundColors();
    bar->setBarStyle(SearchBar::BarStyleBlack);
    EXPECT_NE(bar->backgroundColors().first, defaultColors.first);
    bar->setTintColor(Color::rgba(0.8, 0.1, 0.1));
    EXPECT_GT(bar->backgroundColors().second.red, bar->backgroundColors().second.blue);
}
