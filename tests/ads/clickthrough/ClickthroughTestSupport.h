#pragma once

#include "ads/core/PellarDelegate.h"
#include "ads/core/PellarLocalizer.h"
#include "ads/core/PellarView.h"
#include "platform/foundation/Paths.h"
#include "platform/ui/controls/ActionSheet.h"
#include "platform/ui/controls/AlertView.h"
#include "platform/ui/controls/WebView.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/views/Screen.h"
#include "platform/ui/views/Window.h"
#include "tests/support/EnvironmentTest.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

// A host that counts the full-screen notifications and can answer bar colours.
class RecordingHost final : public PellarDelegate {
public:
    std::string publisherId() override { return "test"; }
    void willPresentFullScreenModal() override { events.push_back("will"); }
    void didDismissFullScreenModal() override { events.push_back("did"); }
    std::optional<int> embeddedWebViewBarStyle() override { return barStyle; }
    std::optional<std::optional<Color>> embeddedWebViewTintColor() override { return tint; }

    int count(const std::string& event) const
    {
        return static_cast<int>(std::count(events.begin(), events.end(), event));
    }

    std::vector<std::string> events;
    std::optional<int> barStyle;
    std::optional<std::optional<Color>> tint;
};

// A web view whose engine is the test: it records what it is asked and
// reports the loads the test tells it to.
class ScriptedWebView final : public WebView {
public:
    using WebView::WebView;

    void loadRequest(const Request& request) override
    {
        requests.push_back(request.url);
        lastRequest = request;
        m_requestedURL = request.url;
    }
    bool isLoading() const override { return loading; }
    bool canGoBack() const override { return back; }
    bool canGoForward() const override { return forward; }
    void goBack() override { ++backCalls; }
    void stopLoading() override { ++stopCalls; }
    void reload() override { ++reloadCalls; }
    std::string currentURL() const override { return url; }
    std::string stringByEvaluatingJavaScriptFromString(const std::string& script) override
    {
        scripts.push_back(script);
        if (auto answer = scriptAnswers.find(script); answer != scriptAnswers.end())
            return answer->second;
        return script == "document.title" ? pageTitle : "";
    }
    std::string callFunction(const std::string& name, const std::vector<std::string>& arguments) override
    {
        calls.emplace_back(name, arguments);
        return "";
    }

    // The engine's side.
    bool navigate(const std::string& to) { return shouldStartLoad(to, WebViewDelegate::NavigationType::LinkClicked); }
    // A command from the page's top frame.
    void command(const std::string& url) { didReceiveCommand(url); }
    void start()
    {
        loading = true;
        didStartLoad();
    }
    void finish(const std::string& title, const std::string& at)
    {
        loading = false;
        pageTitle = title;
        url = at;
        didFinishLoad();
    }
    void fail(int code)
    {
        loading = false;
        didFailLoad(URLError { code, "scripted", url });
    }

    std::vector<std::string> requests;
    Request lastRequest;
    std::vector<std::string> scripts;
    std::map<std::string, std::string> scriptAnswers;
    std::vector<std::pair<std::string, std::vector<std::string>>> calls;
    bool loading { false };
    bool back { false };
    bool forward { false };
    int backCalls { 0 };
    int stopCalls { 0 };
    int reloadCalls { 0 };
    std::string url;
    std::string pageTitle;
};

// The application window with a host view and a banner at the bottom, a
// fresh data directory and a recording URL handler; by default on a manual
// clock with scripted web views, which a fixture on the real engine replaces.
class ClickthroughFixture : public EnvironmentTest {
protected:
    enum class WebViews { Scripted, Engine };

    explicit ClickthroughFixture(TestEnvironment::Traits traits = {}, WebViews webViewKind = WebViews::Scripted)
        : EnvironmentTest(traits)
        , m_webViewKind(webViewKind)
    {
    }
    void SetUp() override
    {
        Application::shared().setStatusBarHidden(true);
        Application::shared().setOpenURLHook([this](const std::string& url) {
            opened.push_back(url);
            return true;
        });
        if (m_webViewKind == WebViews::Scripted) {
            WebView::setFactory([this](const Rect& frame) {
                auto view = std::make_shared<ScriptedWebView>(frame);
                webViews.push_back(view);
                return view;
            });
        }
        appWindow = View::make<Window>(Screen::mainScreen().bounds());
        content = View::make(Screen::mainScreen().bounds());
        appWindow->addSubview(content);
        banner = View::make<PellarView>(Rect { 0, 432, 320, 48 });
        content->addSubview(banner);
        appWindow->makeKeyAndVisible();
        host = std::make_shared<RecordingHost>();
    }
    void TearDown() override
    {
        for (auto& alert : AlertView::visibleAlerts())
            alert->dismissWithClickedButtonIndex(0, false);
        for (auto& sheet : ActionSheet::visibleSheets())
            sheet->dismissWithClickedButtonIndex(0, false);
        EnvironmentTest::TearDown();
    }

    // Windows on the application's list that still show.
    int visibleWindowCount() const
    {
        int count = 0;
        for (auto& window : Application::shared().windows())
            count += window->isHidden() ? 0 : 1;
        return count;
    }

    const TempDir& dataDirectory { environment.dataDirectory() };
    std::shared_ptr<Window> appWindow;
    std::shared_ptr<View> content;
    std::shared_ptr<PellarView> banner;
    std::shared_ptr<RecordingHost> host;
    std::vector<std::string> opened;
    std::vector<std::weak_ptr<ScriptedWebView>> webViews;

private:
    WebViews m_webViewKind;
};
