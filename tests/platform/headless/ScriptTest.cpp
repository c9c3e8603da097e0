#include "platform/headless/Script.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Timer.h"
#include "platform/headless/HeadlessHost.h"
#include "platform/headless/ScriptRunner.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/views/Key.h"
#include "platform/ui/views/Screen.h"
#include "platform/ui/views/Window.h"
#include "tests/support/RunLoopFixture.h"
#include "tests/support/TempDir.h"

#include <string>
#include <vector>

TEST(Script, ParsingExpandsDragsAndNamesTheBadLine)
{
    auto script = Script::parse("# comment\n\ntap 1 2\ndrag 0 0 60 0 0.05\ntap-label  I understood \nquit\n");
    ASSERT_TRUE(script) << script.error().message;
    auto& steps = script->steps();
    using Kind = Script::Step::Kind;
    ASSERT_EQ(steps.size(), 1u + 1 + 3 * 2 + 1 + 1 + 1);
    EXPECT_EQ(steps[0].line, 3);
    EXPECT_EQ(steps[1].kind, Kind::Press);
    EXPECT_EQ(steps[3].kind, Kind::Move);
    EXPECT_EQ(steps[3].point, (Point { 20, 0 }));
    EXPECT_EQ(steps[7].point, (Point { 60, 0 })); // the last move reaches the end
    EXPECT_EQ(steps[8].kind, Kind::Release);
    EXPECT_EQ(steps[9].text, "I understood");
    for (auto [text, line] : std::vector<std::pair<std::string, std::string>> { { "tap 1\n", "line 1" },
             { "wait 1\nwait -2\n", "line 2" }, { "\n\nfly 1 2\n", "line 3" }, { "tap 1 2 3\n", "line 1" },
             { "drag 0 0 1 1\n", "line 1" }, { "tap-label\n", "line 1" }, { "wait inf\n", "line 1" },
             { "quit now\n", "line 1" }, { "screenshot\n", "line 1" }, { "key\n", "line 1" }, { "key F99\n", "line 1" },
             { "key nonsense\n", "line 1" }, { "key space space\n", "line 1" } }) {
        auto bad = Script::parse(text);
        ASSERT_FALSE(bad) << text;
        EXPECT_EQ(bad.error().domain, Script::kErrorDomain);
        EXPECT_EQ(bad.error().message.rfind(line, 0), 0u) << text << " → " << bad.error().message;
    }
}

// Counts the touches it is given; waits run at once or later, as chosen.
class FakeHost : public ScriptHost {
public:
    void injectTouch(TouchPhase phase, Point p) override { touches.emplace_back(phase, p); }
    void injectKey(const Key& key) override { keys.push_back(key.name()); }
    void injectText(const std::string& text) override { typed.push_back(text); }
    void wait(double seconds, std::function<void()> then) override
    {
        waited += seconds;
        if (realTime)
            pending.push_back(std::move(then));
        else
            then();
    }
    ErrorOr<void> screenshot(const std::string& path) override
    {
        if (path == "bad")
            return Error { kScreenshotErrorDomain, kCannotWriteScreenshot, "cannot write bad" };
        return {};
    }

    std::vector<std::pair<TouchPhase, Point>> touches;
    std::vector<std::string> keys;
    std::vector<std::string> typed;
    std::vector<std::function<void()>> pending;
    double waited { 0 };
    bool realTime { false };
};

TEST(ScriptRunner, RunsStepsInOrderAndStopsAtTheFirstFailure)
{
    FakeHost host;
    std::string report;
    bool succeeded = false;
    // Thousands of instant waits must not grow the stack.
    std::string text;
    for (int i = 0; i < 20000; ++i)
        text += "wait 0.001\n";
    text += "press 5 5\nscreenshot bad\nrelease 5 5\n";
    auto runner = std::make_shared<ScriptRunner>(*Script::parse(text), host);
    runner->run([&](bool ok, bool, const std::string& message) {
        succeeded = ok;
        report = message;
    });
    EXPECT_FALSE(succeeded);
    EXPECT_EQ(report, "line 20002: screenshot: cannot write bad");
    EXPECT_EQ(host.touches.size(), 1u); // the release never ran
    EXPECT_NEAR(host.waited, 20.0, 1e-6);

    // In real time the run resumes when the host calls back; quit ends it early.
    FakeHost later;
    later.realTime = true;
    bool quit = false, done = false;
    auto second = std::make_shared<ScriptRunner>(*Script::parse("tap 1 1\nwait 2\nquit\ntap 9 9\n"), later);
    second->run([&](bool ok, bool q, const std::string&) {
        done = ok;
        quit = q;
    });
    EXPECT_FALSE(done);
    ASSERT_EQ(later.pending.size(), 1u);
    later.pending[0]();
    EXPECT_TRUE(done);
    EXPECT_TRUE(quit);
    EXPECT_EQ(later.touches.size(), 2u);
}

TEST(ScriptRunner, AddedCommandsAreCheckedWhenParsedAndCarriedOutByTheHandler)
{
    Script::addCommand({ "paint", 2, "paint X COLOUR",
        [](const std::vector<std::string>& arguments) { return arguments[1] != "plaid"; } });
    Script::addCommand({ "note", Script::kRestOfLine, "note TEXT", nullptr });
    // Words are counted and checked; the rest of a line keeps its spaces.
    EXPECT_FALSE(Script::parse("paint 3\n"));
    EXPECT_FALSE(Script::parse("paint 3 red blue\n"));
    auto plaid = Script::parse("tap 1 1\npaint 3 plaid\n");
    ASSERT_FALSE(plaid);
    EXPECT_NE(plaid.error().message.find("line 2: expected paint X COLOUR"), std::string::npos);
    EXPECT_FALSE(Script::parse("note\n"));

    FakeHost host;
    std::vector<std::vector<std::string>> carried;
    std::string report;
    auto runner
        = std::make_shared<ScriptRunner>(*Script::parse("note  a  b \npaint 3 red\npaint 4 green\ntap 1 1\n"), host);
    runner->setCommandHandler([&](const std::string& name, const std::vector<std::string>& arguments) -> ErrorOr<void> {
        carried.push_back(arguments);
        if (name == "paint" && arguments[1] == "green")
            return Error { "Test", 1, "no green paint" };
        return {};
    });
    runner->run([&](bool, bool, const std::string& message) { report = message; });
    ASSERT_EQ(carried.size(), 3u);
    EXPECT_EQ(carried[0], (std::vector<std::string> { "a  b" }));
    EXPECT_EQ(report, "line 3: paint: no green paint");
    EXPECT_TRUE(host.touches.empty()); // the run ended at the failing command

    // Without a handler an added command fails the run instead of passing silently.
    auto unhandled = std::make_shared<ScriptRunner>(*Script::parse("paint 1 red\n"), host);
    bool ok = true;
    unhandled->run([&](bool succeeded, bool, const std::string&) { ok = succeeded; });
    EXPECT_FALSE(ok);
    Script::removeAddedCommands();
    EXPECT_FALSE(Script::parse("paint 1 red\n"));
}

TEST(Key, NamesRoundTripAndModifiersComeFirst)
{
    for (std::string name :
        { "space", "Escape", "shift+Right", "ctrl+q", "F11", "?", "[", "é", "ctrl+shift+Up", "+", "shift++" }) {
        auto key = Key::fromName(name);
        ASSERT_TRUE(key) << name;
        EXPECT_EQ(Key::fromName(key->name()), key) << name;
    }
    EXPECT_EQ(Key::fromName("plus"), Key::character("+"));
    EXPECT_EQ(Key::fromName("ESCAPE"), Key(Key::Code::Escape));
    EXPECT_EQ(Key::fromName("Shift+Left"), Key(Key::Code::Left, Key::Shift));
    EXPECT_EQ(Key::fromName("shift++"), Key::character("+", Key::Shift));
    EXPECT_TRUE(Key::fromName("shift+?")->isCharacter("?")); // Shift is how "?" is typed
    EXPECT_FALSE(Key::fromName("ctrl+f")->isCharacter("f"));
    for (std::string bad : { "", "ab", "F0", "F25", "Fx", "shift+", "ctrl+ab", "\xff" })
        EXPECT_FALSE(Key::fromName(bad)) << bad;
}

TEST(Script, KeysAndUnreadableFiles)
{
    auto script = Script::parse("key space\nkey shift+Left\n  type a b\u00e9 \r\nkey Return\n");
    ASSERT_TRUE(script);
    FakeHost host;
    auto runner = std::make_shared<ScriptRunner>(*script, host);
    runner->run([](bool, bool, const std::string&) {});
    EXPECT_EQ(host.keys, (std::vector<std::string> { "space", "shift+Left", "Return" }));
    // One character at a time, the two-byte one whole, the inner and trailing spaces kept.
    EXPECT_EQ(host.typed, (std::vector<std::string> { "a", " ", "b", "\u00e9", " " }));
    auto untyped = Script::parse("type\n");
    ASSERT_FALSE(untyped);
    EXPECT_EQ(untyped.error().message, "line 1: expected text to type: type");

    TempDir dir;
    auto folder = Script::load(dir.path().string());
    ASSERT_FALSE(folder);
    EXPECT_EQ(
        folder.error(), (Error { Script::kErrorDomain, Script::kUnreadableFile, "is a folder, not a script file" }));
    auto missing = Script::load((dir / "missing").string());
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().message, "cannot read: No such file or directory");
}

class HeadlessHostTest : public RunLoopFixture {
protected:
    void SetUp() override
    {
        RunLoopFixture::SetUp();
        Application::shared().reset();
    }
    void TearDown() override
    {
        Application::shared().reset();
        RunLoopFixture::TearDown();
    }
};

TEST_F(HeadlessHostTest, TapLabelFindsVisibleControlsOnlyAndTimeIsVirtual)
{
    HeadlessHost host({ 1.0, false });
    host.start(); // its own manual clock
    auto window = View::make<Window>(Rect { 0, 0, 320, 480 });
    window->makeKeyAndVisible();
    int taps = 0;
    auto button = View::make<Button>(Rect { 10, 10, 100, 40 });
    button->setTitle("Go");
    button->addHandler([&](Control&) { ++taps; }, ControlEventTouchUpInside);
    window->addSubview(button);
    auto offscreen = View::make<Button>(Rect { 10, 600, 100, 40 });
    offscreen->setTitle("Away");
    window->addSubview(offscreen);
    int ticks = 0;
    Timer::scheduledTimer(1.0, true, [&](Timer&) { ++ticks; });

    std::string report;
    auto runner = std::make_shared<ScriptRunner>(*Script::parse("tap-label Go\nwait 10\ntap-label Away\n"), host);
    runner->run([&](bool, bool, const std::string& message) { report = message; });
    EXPECT_EQ(taps, 1);
    EXPECT_EQ(ticks, 10);
    EXPECT_EQ(report, "line 3: tap-label: nothing labelled \"Away\" on screen");
    button->setHidden(true);
    report.clear();
    auto again = std::make_shared<ScriptRunner>(*Script::parse("tap-label Go\n"), host);
    again->run([&](bool, bool, const std::string& message) { report = message; });
    EXPECT_FALSE(report.empty());

    TempDir dir;
    EXPECT_TRUE(host.screenshot((dir / "s.png").string()));
    EXPECT_TRUE(std::filesystem::exists(dir / "s.png"));
    auto refused = host.screenshot("/nonexistent-dir/s.png");
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().code, ScriptHost::kCannotWriteScreenshot);
}

TEST_F(HeadlessHostTest, HeadlessRunsLogLinksInsteadOfLaunchingAndRefuseUnsafeOnes)
{
    std::vector<std::string> lines;
    Log::setCaptureHook([&](const std::string& line) { lines.push_back(line); });
    HeadlessHost host({ 1.0, false });
    host.start();
    EXPECT_FALSE(Application::shared().launchesSystemHandlers());
    EXPECT_TRUE(Application::shared().openURL("tel:5551234"));
    EXPECT_TRUE(Application::shared().openURL("https://example.com/page?x=1"));
    for (const char* hostile : { "javascript:alert(1)", "file:///etc/passwd", "/etc/passwd",
             "x-hostile-scheme://run?cmd=id", "data:text/html;base64,PHNjcmlwdD4=" })
        EXPECT_FALSE(Application::shared().openURL(hostile)) << hostile;
    Log::setCaptureHook(nullptr);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], "Open with the system: tel:5551234");
    EXPECT_EQ(lines[1], "Open with the system: https://example.com/page?x=1");
    for (size_t i = 2; i < lines.size(); ++i) {
        EXPECT_TRUE(lines[i].starts_with("Refused to open")) << lines[i];
        EXPECT_EQ(lines[i].find("passwd"), std::string::npos) << lines[i];
        EXPECT_EQ(lines[i].find("cmd"), std::string::npos) << lines[i];
    }

    // A hook (a test's recorder) never sees a refused link either.
    std::vector<std::string> opened;
    Application::shared().setOpenURLHook([&](const std::string& url) {
        opened.push_back(url);
        return true;
    });
    Log::setCaptureHook([](const std::string&) {});
    Application::shared().openURL("javascript:alert(1)");
    Application::shared().openURL("mailto:a@example.com");
    Log::setCaptureHook(nullptr);
    EXPECT_EQ(opened, std::vector<std::string> { "mailto:a@example.com" });
}

TEST_F(HeadlessHostTest, TapLabelRefusesControlsUnderOtherViewsAndKeysReachTheDelegate)
{
    HeadlessHost host({ 1.0, false });
    host.start();
    auto window = View::make<Window>(Rect { 0, 0, 320, 480 });
    window->makeKeyAndVisible();
    int taps = 0;
    auto button = View::make<Button>(Rect { 10, 10, 100, 40 });
    button->setTitle("Go");
    button->addHandler([&](Control&) { ++taps; }, ControlEventTouchUpInside);
    window->addSubview(button);
    auto cover = View::make<View>(Rect { 0, 0, 200, 100 });
    cover->setAccessibilityLabel(std::string("Banner"));
    window->addSubview(cover);

    std::string report;
    auto runner = std::make_shared<ScriptRunner>(*Script::parse("tap-label Go\n"), host);
    runner->run([&](bool, bool, const std::string& message) { report = message; });
    EXPECT_EQ(taps, 0);
    EXPECT_EQ(report, "line 1: tap-label: \"Go\" is covered by \"Banner\"");

    // A view that lets touches through covers nothing.
    cover->setUserInteractionEnabled(false);
    report.clear();
    runner = std::make_shared<ScriptRunner>(*Script::parse("tap-label Go\n"), host);
    runner->run([&](bool, bool, const std::string& message) { report = message; });
    EXPECT_EQ(report, "");
    EXPECT_EQ(taps, 1);

    // A window above that takes every touch (as an alert's does) covers it too.
    auto modal = View::make<Window>(Rect { 0, 0, 320, 480 });
    modal->setWindowLevel(Window::kLevelAlert);
    modal->makeKeyAndVisible();
    runner = std::make_shared<ScriptRunner>(*Script::parse("tap-label Go\n"), host);
    runner->run([&](bool, bool, const std::string& message) { report = message; });
    EXPECT_EQ(report, "line 1: tap-label: \"Go\" is covered by an alert");
    EXPECT_EQ(taps, 1);
}

TEST_F(HeadlessHostTest, ResizeAndHoverReachTheScreenAndThePointer)
{
    for (auto text : { "resize 0 480\n", "resize 480\n", "resize 480 720 1\n", "resize 9000 10\n", "hover 1\n" })
        EXPECT_FALSE(Script::parse(text)) << text;
    auto script = Script::parse("resize 480 720\nhover 5 6\nresize 200 250\n");
    ASSERT_TRUE(script) << script.error().message;
    EXPECT_EQ(script->steps()[0].kind, Script::Step::Kind::Resize);
    EXPECT_EQ(script->steps()[1].kind, Script::Step::Kind::Hover);

    HeadlessHost host({ 1.0, false });
    host.start();
    auto window = View::make<Window>(Screen::mainScreen().bounds());
    window->makeKeyAndVisible();
    int activity = 0;
    NotificationCenter::defaultCenter().addObserver(
        this, Application::kUserActivityNotification, [&](const Notification&) { ++activity; });
    auto runner = std::make_shared<ScriptRunner>(*Script::parse("resize 480 720\nhover 5 6\n"), host);
    runner->run([&](bool ok, bool, const std::string& message) { EXPECT_TRUE(ok) << message; });
    NotificationCenter::defaultCenter().removeObserver(this);
    // The window that covered the screen covers the new one.
    EXPECT_EQ(window->frame(), (Rect { 0, 0, 480, 720 }));
    EXPECT_EQ(Application::shared().pointerLocation()->y, 6);
    EXPECT_EQ(activity, 1);
}
