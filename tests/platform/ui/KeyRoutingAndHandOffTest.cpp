#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/controls/ActionSheet.h"
#include "platform/ui/controls/ActionSheetDelegate.h"
#include "platform/ui/controls/AlertView.h"
#include "platform/ui/controls/AlertViewDelegate.h"
#include "platform/ui/controls/TextField.h"
#include "platform/ui/controls/Toolbar.h"
#include "platform/ui/views/Window.h"
#include "tests/support/UITest.h"

#include <string>
#include <vector>

namespace {

class RecordingAlertDelegate : public AlertViewDelegate, public ActionSheetDelegate {
public:
    void alertViewClickedButtonAtIndex(AlertView&, int index) override { clicked.push_back(index); }
    void actionSheetClickedButtonAtIndex(ActionSheet&, int index) override { clicked.push_back(index); }
    std::vector<int> clicked;
};

// Keys reach the front of the screen: the focused field while its window is
// key, else what the key window shows; and links the desktop cannot open say so.
class KeyRoutingAndHandOffTest : public UITest {
protected:
    void SetUp() override
    {
        UITest::SetUp();
        window = View::make<Window>(Rect { 0, 0, 320, 480 });
        window->makeKeyAndVisible();
        field = View::make<TextField>(Rect { 10, 10, 200, 31 });
        window->addSubview(field);
        delegate = std::make_shared<RecordingAlertDelegate>();
        Log::setCaptureHook([this](const std::string& line) { logLines.push_back(line); });
    }
    void TearDown() override
    {
        for (auto& alert : AlertView::visibleAlerts())
            alert->dismissWithClickedButtonIndex(0, false);
        for (auto& sheet : ActionSheet::visibleSheets())
            sheet->dismissWithClickedButtonIndex(0, false);
        Log::setCaptureHook(nullptr);
        UITest::TearDown();
    }
    bool key(const char* name) { return Application::shared().sendKey(*Key::fromName(name)); }
    std::vector<std::string> alertTitles()
    {
        std::vector<std::string> titles;
        for (auto& alert : AlertView::visibleAlerts())
            titles.push_back(alert->title());
        return titles;
    }

    std::shared_ptr<Window> window;
    std::shared_ptr<TextField> field;
    std::shared_ptr<RecordingAlertDelegate> delegate;
    std::vector<std::string> logLines;
};

TEST_F(KeyRoutingAndHandOffTest, EscapeCancelsTheAlertOverAFocusedFieldNotTheField)
{
    field->becomeFirstResponder();
    auto alert
        = View::make<AlertView>("Call?", "", delegate, std::string("Cancel"), std::vector<std::string> { "Call" });
    alert->show();
    // The alert's window is key: neither typing nor Escape goes to the field under it.
    EXPECT_FALSE(key("a"));
    EXPECT_EQ(field->text(), "");
    EXPECT_TRUE(key("Escape"));
    EXPECT_EQ(delegate->clicked, std::vector<int> { 0 });
    EXPECT_FALSE(alert->isVisible());
    // Its window gone, the field has the keys again.
    EXPECT_TRUE(key("a"));
    EXPECT_EQ(field->text(), "a");
}

TEST_F(KeyRoutingAndHandOffTest, EscapeUsesOnlyARealCancelButton)
{
    // No cancel button, or one that must be answered on purpose: Escape passes.
    auto choice = View::make<AlertView>("Pick", "", delegate, std::nullopt, std::vector<std::string> { "A", "B" });
    choice->show();
    EXPECT_FALSE(key("Escape"));
    EXPECT_TRUE(choice->isVisible());
    choice->dismissWithClickedButtonIndex(0, false);
    auto warning = View::make<AlertView>("Warning", "Read me", delegate, std::string("I understood"));
    warning->setCancelsOnEscape(false);
    warning->show();
    EXPECT_FALSE(key("Escape"));
    EXPECT_TRUE(warning->isVisible());
    warning->dismissWithClickedButtonIndex(0, false);

    // A sheet's cancel button sits last.
    auto bar = View::make<Toolbar>(Rect { 0, 436, 320, 44 });
    auto sheet = View::make<ActionSheet>(
        std::nullopt, delegate, std::string("Cancel"), std::nullopt, std::vector<std::string> { "Open", "Mail" });
    sheet->showFromToolbar(*bar);
    // It follows the screen: along the bottom, across the width.
    double height = sheet->frame().height();
    Screen::mainScreen().setSize({ 480, 720 });
    EXPECT_EQ(sheet->frame(), (Rect { 0, 720 - height, 480, height }));
    EXPECT_TRUE(key("Escape"));
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(delegate->clicked, std::vector<int> { 2 });
}

TEST_F(KeyRoutingAndHandOffTest, AFailedHandOffShowsOneAlertAndKeepsTheLogLine)
{
    std::vector<std::string> handed;
    Application::shared().setOpenURLHook([&](const std::string& url) {
        handed.push_back(url);
        return false;
    });
    EXPECT_FALSE(Application::shared().openURL("tel:+15555550100"));
    EXPECT_FALSE(Application::shared().openURL("tel:+15555550199"));
    EXPECT_EQ(handed.size(), 2u);
    // Twice the same kind of link while the alert shows: still one alert.
    EXPECT_EQ(alertTitles(), std::vector<std::string> { "No application can open tel: links" });
    EXPECT_FALSE(Application::shared().openURL("sms:5551234"));
    EXPECT_EQ(alertTitles(),
        (std::vector<std::string> { "No application can open tel: links", "No application can open sms: links" }));
    for (auto& alert : AlertView::visibleAlerts())
        alert->dismissWithClickedButtonIndex(0, false);

    // A link our policy refuses never reached a handler: only the log says so.
    logLines.clear();
    EXPECT_FALSE(Application::shared().openURL("file:///etc/passwd"));
    EXPECT_TRUE(alertTitles().empty());
    EXPECT_EQ(handed.size(), 3u);

    // A headless run that plays a desktop without handlers fails the same
    // way, with the log line naming only scheme and host.
    Application::shared().setOpenURLHook(nullptr);
    Application::shared().setLaunchesSystemHandlers(false);
    Application::shared().setSystemHandlersMissing(true);
    logLines.clear();
    EXPECT_FALSE(Application::shared().openURL("https://donate.example/give?id=secret"));
    EXPECT_EQ(alertTitles(), std::vector<std::string> { "No application can open https: links" });
    ASSERT_EQ(logLines.size(), 1u);
    EXPECT_EQ(logLines[0].find("secret"), std::string::npos) << logLines[0];
    EXPECT_NE(logLines[0].find("Could not open https://donate.example"), std::string::npos) << logLines[0];
    // Escape closes it, as any alert's only button.
    EXPECT_TRUE(key("Escape"));
    EXPECT_TRUE(alertTitles().empty());
}

TEST_F(KeyRoutingAndHandOffTest, PointerMotionIsActivityAndHostHooksSeeOnlyChanges)
{
    int activity = 0;
    int observer;
    NotificationCenter::defaultCenter().addObserver(
        &observer, Application::kUserActivityNotification, [&](const Notification&) { ++activity; });
    Application::shared().pointerDidMove({ 10, 10 });
    Application::shared().pointerDidMove({ 10, 10 }); // the same place again: no movement
    Application::shared().pointerDidMove({ 11, 10 });
    key("x");
    EXPECT_EQ(activity, 3);
    EXPECT_EQ(Application::shared().pointerLocation()->x, 11);
    NotificationCenter::defaultCenter().removeObserver(&observer);

    std::vector<bool> hidden;
    Application::shared().setPointerHiddenHook([&](bool h) { hidden.push_back(h); });
    Application::shared().setPointerHidden(true);
    Application::shared().setPointerHidden(true);
    Application::shared().setPointerHidden(false);
    EXPECT_EQ(hidden, (std::vector<bool> { true, false }));

    // Without a host that knows monitors, nothing moves.
    EXPECT_FALSE(Application::shared().moveToNextMonitor());
    int moves = 0;
    Application::shared().setMoveToNextMonitorHook([&] { return ++moves > 0; });
    EXPECT_TRUE(Application::shared().moveToNextMonitor());
    EXPECT_EQ(moves, 1);
}

} // namespace
