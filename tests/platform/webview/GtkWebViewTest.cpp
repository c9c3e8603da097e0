#include "platform/gtk/GtkWebView.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/SystemClock.h"
#include "platform/gtk/WebKitErrorMapping.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/views/Window.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/OffscreenWebKit.h"
#include "tests/support/TempDir.h"

#include <gio/gio.h>
#include <gtest/gtest.h>
#include <webkit/webkit.h>

namespace {

TEST(WebKitErrorMapping, EngineErrorsBecomeURLLoadingCodes)
{
    struct Case {
        GQuark domain;
        int code;
        int expected;
    };
    const Case cases[] = {
        { G_IO_ERROR, G_IO_ERROR_CONNECTION_REFUSED, URLErrorCannotConnectToHost },
        { G_IO_ERROR, G_IO_ERROR_TIMED_OUT, URLErrorTimedOut },
        { G_IO_ERROR, G_IO_ERROR_CANCELLED, URLErrorCancelled },
        { G_IO_ERROR, G_IO_ERROR_HOST_NOT_FOUND, URLErrorCannotFindHost },
        { G_IO_ERROR, G_IO_ERROR_NETWORK_UNREACHABLE, URLErrorNotConnectedToInternet },
        { G_IO_ERROR, G_IO_ERROR_NOT_FOUND, URLErrorFileDoesNotExist },
        { G_RESOLVER_ERROR, G_RESOLVER_ERROR_NOT_FOUND, URLErrorCannotFindHost },
        { G_TLS_ERROR, G_TLS_ERROR_BAD_CERTIFICATE, URLErrorServerCertificateUntrusted },
        { G_TLS_ERROR, G_TLS_ERROR_HANDSHAKE, URLErrorSecureConnectionFailed },
        { WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED, URLErrorCancelled },
        { WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_UNKNOWN_PROTOCOL, URLErrorUnsupportedURL },
        { WEBKIT_POLICY_ERROR, WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE, URLErrorCancelled },
        { WEBKIT_POLICY_ERROR, WEBKIT_POLICY_ERROR_CANNOT_SHOW_URI, URLErrorUnsupportedURL },
        { g_quark_from_static_string("some-other-domain"), 1, URLErrorUnknown },
    };
    for (auto& c : cases) {
        GError* error = g_error_new_literal(c.domain, c.code, "x");
        EXPECT_EQ(WebKitErrorMapping::codeForError(error), c.expected) << g_quark_to_string(c.domain) << " " << c.code;
        g_error_free(error);
    }
}

// Records what a page did.
class Recorder final : public WebViewDelegate {
public:
    bool webViewShouldStartLoad(WebView&, const std::string& url, NavigationType) override
    {
        asked.push_back(url);
        return url.find("refused") == std::string::npos;
    }
    void webViewDidStartLoad(WebView&) override { events.push_back("start"); }
    void webViewDidFinishLoad(WebView& view) override
    {
        events.push_back("finish");
        titles.push_back(view.stringByEvaluatingJavaScriptFromString("document.title"));
    }
    void webViewDidFailLoad(WebView&, const URLError& error) override
    {
        events.push_back("fail");
        codes.push_back(error.code);
    }
    size_t ends() const
    {
        return std::count(events.begin(), events.end(), "finish") + std::count(events.begin(), events.end(), "fail");
    }

    std::vector<std::string> asked;
    std::vector<std::string> events;
    std::vector<std::string> titles;
    std::vector<int> codes;
};

// A real WebKit page off screen, on the real clock, against a loopback server.
class GtkWebViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!webKit.isAvailable())
            GTEST_SKIP() << "no display";
        RunLoop::main().setClock(std::make_shared<SystemClock>());
        Paths::setDataDirectoryOverride(dataDirectory.path());
        server.respond("/a",
            { 200, "<html><head><title>Page A</title></head><body><a id=l href='/b'>b</a></body></html>",
                "text/html" });
        server.respond("/b",
            { 200, "<html><head><title>Page B</title></head><body style='background:#0a0'>B</body></html>",
                "text/html" });
        server.respond("/missing", { 404, "<html><head><title>Not here</title></head></html>", "text/html" });
        window = View::make<Window>(Rect { 0, 0, 320, 480 });
        view = WebView::create(Rect { 0, 0, 320, 400 });
        window->addSubview(view);
        window->makeKeyAndVisible();
        recorder = std::make_shared<Recorder>();
        view->setDelegate(recorder);
    }
    void TearDown() override
    {
        Log::setCaptureHook(nullptr);
        view = nullptr;
        window = nullptr;
        Application::shared().reset();
        RunLoop::main().reset();
        RunLoop::main().setClock(nullptr);
        Paths::setDataDirectoryOverride(std::nullopt);
    }
    bool awaitEnds(size_t count)
    {
        return OffscreenWebKit::await([&] { return recorder->ends() >= count && !view->isBusy(); });
    }

    OffscreenWebKit webKit;
    TempDir dataDirectory;
    LoopbackServer server;
    std::shared_ptr<Window> window;
    std::shared_ptr<WebView> view;
    std::shared_ptr<Recorder> recorder;
};

TEST_F(GtkWebViewTest, LoadsPagesWithTitlesHistoryAndSnapshots)
{
    std::vector<std::string> logLines;
    Log::setCaptureHook([&](const std::string& line) { logLines.push_back(line); });
    EXPECT_TRUE(WebView::hasEngine());
    view->loadURL(server.url("/a"));
    ASSERT_TRUE(awaitEnds(1));
    EXPECT_EQ(recorder->events, (std::vector<std::string> { "start", "finish" }));
    EXPECT_EQ(recorder->titles, std::vector<std::string> { "Page A" });
    EXPECT_EQ(view->title(), "Page A");
    EXPECT_EQ(view->currentURL(), server.url("/a"));
    EXPECT_FALSE(view->canGoBack());
    // The page reaches the composited screen as a picture; the engine's
    // refusals before it first painted the page are not failures.
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return !view->isBusy(); }, 5));
    ASSERT_TRUE(view->layer().contents());
    for (auto& line : logLines)
        EXPECT_EQ(line.find("no snapshot"), std::string::npos) << line;

    view->stringByEvaluatingJavaScriptFromString("document.getElementById('l').click()");
    ASSERT_TRUE(awaitEnds(2));
    EXPECT_EQ(recorder->titles.back(), "Page B");
    EXPECT_TRUE(view->canGoBack());
    EXPECT_FALSE(view->canGoForward());
    view->goBack();
    ASSERT_TRUE(awaitEnds(3));
    // A page restored from history may announce its title just after the load ends.
    EXPECT_TRUE(RunLoop::main().runUntil([&] { return view->title() == "Page A"; }, 5)) << view->title();
    EXPECT_TRUE(view->canGoForward());
    // A script's answer comes back as text.
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("1 + 2"), "3");
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("undefined"), "");
}

TEST_F(GtkWebViewTest, FailuresAndRefusalsAreReportedAsTheyShouldBe)
{
    // A closed loopback port: connection refused.
    view->loadURL("http://127.0.0.1:" + std::to_string(LoopbackServer::closedPort()) + "/");
    ASSERT_TRUE(awaitEnds(1));
    EXPECT_EQ(recorder->events, (std::vector<std::string> { "start", "fail" }));
    EXPECT_EQ(recorder->codes, std::vector<int> { URLErrorCannotConnectToHost });
    EXPECT_FALSE(view->isLoading());

    // A 404 page is a page.
    view->loadURL(server.url("/missing"));
    ASSERT_TRUE(awaitEnds(2));
    EXPECT_EQ(recorder->events.back(), "finish");

    // A refused navigation starts nothing.
    recorder->events.clear();
    view->loadURL(server.url("/refused"));
    RunLoop::main().runUntil(
        [&] { return !recorder->asked.empty() && recorder->asked.back() == server.url("/refused"); }, 10);
    RunLoop::main().runUntil([] { return false; }, 0.5);
    EXPECT_TRUE(recorder->events.empty());
    EXPECT_EQ(server.requestsTo("/refused"), 0);
}

TEST_F(GtkWebViewTest, ASlowPageTimesOut)
{
    server.respond("/slow", { 200, "<title>late</title>", "text/html", {}, 3.0 });
    view->loadRequest(WebView::Request { .url = server.url("/slow"), .timeoutInterval = 0.5 });
    ASSERT_TRUE(awaitEnds(1));
    EXPECT_EQ(recorder->codes, std::vector<int> { URLErrorTimedOut });
    RunLoop::main().runUntil([] { return false; }, 0.3);
    EXPECT_EQ(recorder->ends(), 1u);
}

} // namespace

namespace {

TEST_F(GtkWebViewTest, FunctionCallsPassTheirArgumentsAsValuesNotAsScript)
{
    server.respond("/f",
        { 200,
            "<html><script>var got = []; var tools = { join: function (a, b) { return a + '|' + b; } };"
            "function take() { got.push(Array.from(arguments)); return arguments.length; }</script></html>",
            "text/html" });
    view->loadURL(server.url("/f"));
    ASSERT_TRUE(awaitEnds(1));
    const std::string hostile
        = "It's \\ \"x\" </script><script>window.injected = 1</script>\n'); window.injected = 2; ('";
    EXPECT_EQ(view->callFunction("take", { hostile, "", "caf\xC3\xA9" }), "3");
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("got[0][0]"), hostile);
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("got[0][1] === '' && got[0][2] === 'caf\\u00e9'"), "true");
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("typeof injected"), "undefined");
    EXPECT_EQ(view->callFunction("tools.join", { "a", "b" }), "a|b");
    // Bytes that are not UTF-8 arrive as replacement characters, not as nothing.
    view->callFunction("take", { "a\xFFz" });
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("got[1][0] === 'a\\ufffdz'"), "true");

    // Only the name is written into the script, so only a name is accepted.
    for (const char* name : { "take(1);take", "", "take.", ".take", "1take", "vantrelArgument0.push", "ta ke" })
        EXPECT_EQ(view->callFunction(name, {}), "") << name;
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("got.length"), "2");
    // A missing function is a failed call, answered with nothing.
    EXPECT_EQ(view->callFunction("nowhere", { "x" }), "");
}

} // namespace
