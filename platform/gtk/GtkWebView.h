#pragma once

#include "platform/foundation/GRefPtr.h"
#include "platform/ui/controls/WebView.h"

#include <deque>
#include <functional>
#include <gtk/gtk.h>
#include <memory>

class GtkScreenWidget;
class Timer;
typedef struct _WebKitWebView WebKitWebView;

// The web view on WebKitGTK. Each view owns a WebKitWebView widget and shows
// it in one of two ways, chosen when the engine is registered:
// - on the desktop host's screen: the widget is a child of the screen widget
//   (GtkScreenWidget), placed over the view's rectangle and drawn in the
//   view's place in the tree, so views and windows above it stay above it;
// - off screen (the headless host on a virtual display): the widget sits in
//   a window of its own and the page reaches the composited screen through
//   WebKit's snapshots, taken after every load.
// WebKit keeps its data and caches under the application's data directory.
class GtkWebView final : public WebView {
public:
    // Registers the engine with the page widgets on `screen`; `scale`
    // answers the host's window units per point.
    static void registerScreen(GtkScreenWidget& screen, std::function<double()> scale);
    // Registers the engine with off-screen page widgets. Initialises GTK;
    // false (and nothing registered) when there is no display.
    static bool registerOffscreen();
    static void unregister();

    explicit GtkWebView(const Rect& frame);
    ~GtkWebView() override;

    // WebView
    void loadRequest(const Request&) override;
    bool isLoading() const override { return m_loading; }
    void stopLoading() override;
    void reload() override;
    bool canGoBack() const override;
    bool canGoForward() const override;
    void goBack() override;
    void goForward() override;
    std::string currentURL() const override;
    std::string title() const override;
    std::string stringByEvaluatingJavaScriptFromString(const std::string& script) override;
    std::string callFunction(const std::string& name, const std::vector<std::string>& arguments) override;
    bool isBusy() const override { return m_loading || m_snapshotPending || m_tapSettling || m_snapshotRetryID; }

    // Off screen the page has no pointer of its own: a tap on the view
    // becomes a click on the page's element under it.
    void touchesBegan(const TouchSet&, const Event&) override;
    void touchesEnded(const TouchSet&, const Event&) override;

    WebKitWebView* webKitView() const { return m_webView.get(); }
    // The page is being drawn from a snapshot (off screen).
    bool showsSnapshot() const { return m_showsSnapshot; }
    // Takes a fresh snapshot of the page into the view.
    void requestSnapshot();

    static constexpr double kScriptWaitSeconds = 2.0;
    // What a tap sets off in the page (a navigation, a change drawn) reaches
    // us after the click itself: the view stays busy this long, in real time.
    static constexpr unsigned kTapSettleMilliseconds = 500;
    static constexpr int kSnapshotRetries = 3;
    static constexpr unsigned kSnapshotRetryMilliseconds = 100;

private:
    static gboolean decidePolicy(WebKitWebView*, GObject* decision, int type, gpointer self);
    static void loadChanged(WebKitWebView*, int event, gpointer self);
    static gboolean loadFailed(WebKitWebView*, int event, const char* uri, GError*, gpointer self);
    static gboolean tick(GtkWidget*, GdkFrameClock*, gpointer self);

    std::shared_ptr<GtkWebView> protectedSelf();
    // Waits until `done` is set by the page's answer, or briefly at most.
    void awaitScript(const bool& done);
    // Runs `event` now, or after the current script wait when one is under way
    // (page events must not reach the delegate from inside its own call).
    void deliver(std::function<void()> event);
    void flushDeferred();
    void decide(GObject* decision, const std::string& url, int navigationType);
    void startTimeout();
    void timeoutFired();
    void followView();
    // The engine's picture of the page, or the reason it gave none.
    void snapshotArrived(GObject* texture, const std::string& failure);

    GRefPtr<WebKitWebView> m_webView;
    GRefPtr<GtkWidget> m_offscreenWindow;
    GRefPtr<GtkWidget> m_screen;
    guint m_tickID { 0 };
    bool m_loading { false };
    bool m_failedThisLoad { false };
    // After a time-out has been reported, the engine's own end of that load is not.
    bool m_suppressUntilNextStart { false };
    double m_timeoutInterval { kDefaultTimeoutInterval };
    std::shared_ptr<Timer> m_timeout;
    int m_scriptWaits { 0 };
    std::deque<std::function<void()>> m_deferred;
    bool m_snapshotPending { false };
    bool m_tapSettling { false };
    guint m_tapSettleID { 0 };
    bool m_snapshotAgain { false };
    // The engine refuses snapshots until it has painted the page once: a
    // refusal is asked again a few times before it counts (and is logged).
    int m_snapshotFailures { 0 };
    guint m_snapshotRetryID { 0 };
    bool m_showsSnapshot { false };
    int m_lastWidth { -1 }, m_lastHeight { -1 };
    std::string m_preapprovedURL;
};
