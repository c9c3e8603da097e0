#pragma once

#include "platform/ui/controls/URLError.h"
#include "platform/ui/controls/WebViewDelegate.h"
#include "platform/ui/views/View.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A view that shows web pages. This is the interface; the engine behind it is
// the host's: a host that has one registers a factory, and create() makes
// its kind of web view. Without a registered engine a web view still exists
// and can be laid out, but every load fails with a log line saying why.
//
// Each view is its own navigation history. The delegate (not owned) decides
// navigations and hears of loads; every start is followed by exactly one
// finish or failure.
class WebView : public View {
public:
    enum class CachePolicy {
        UseProtocolCachePolicy,
        ReloadIgnoringCacheData,
        ReturnCacheDataElseLoad,
        ReturnCacheDataDontLoad
    };
    struct Request {
        std::string url;
        CachePolicy cachePolicy { CachePolicy::UseProtocolCachePolicy };
        // Seconds without a finished load before it fails with "timed out".
        double timeoutInterval { kDefaultTimeoutInterval };
    };
    static constexpr double kDefaultTimeoutInterval = 60;

    using Factory = std::function<std::shared_ptr<WebView>(const Rect&)>;
    // A web view of the registered engine, or one that cannot load.
    static std::shared_ptr<WebView> create(const Rect& frame = {});
    static void setFactory(Factory);
    static bool hasEngine();
    // True while any web view is loading or still drawing its page. It is
    // pending work (PendingWork): a host on virtual time holds its clock.
    static bool anyBusy();

    explicit WebView(const Rect& frame = {});
    ~WebView() override;

    std::shared_ptr<WebViewDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<WebViewDelegate> d) { m_delegate = std::move(d); }
    bool scalesPageToFit() const { return m_scalesPageToFit; }
    void setScalesPageToFit(bool s) { m_scalesPageToFit = s; }

    // Commands. A navigation of the page's top frame to a URL of this scheme
    // is the page talking to the program: it is never loaded, and the
    // delegate hears it through webViewDidReceiveCommand instead of being
    // asked about it. A frame inside the page (another site's iframe) cannot
    // send commands: its navigations to the scheme go nowhere. An engine
    // that cannot tell frames apart asks webViewShouldStartLoad as for any
    // other navigation. Empty (the default): no command scheme.
    const std::string& commandScheme() const { return m_commandScheme; }
    void setCommandScheme(std::string_view scheme);
    bool isCommandURL(std::string_view url) const;

    // Loading
    virtual void loadRequest(const Request&);
    void loadURL(const std::string& url) { loadRequest(Request { .url = url }); }
    virtual bool isLoading() const { return false; }
    virtual void stopLoading() { }
    virtual void reload() { }

    // History
    virtual bool canGoBack() const { return false; }
    virtual bool canGoForward() const { return false; }
    virtual void goBack() { }
    virtual void goForward() { }

    // The page
    // The address of the page shown or being loaded; empty before any load.
    virtual std::string currentURL() const { return m_requestedURL; }
    virtual std::string title() const { return {}; }
    // Runs the script in the page and answers its result as text (empty when
    // it has none or fails). Waits for the page, but never long.
    virtual std::string stringByEvaluatingJavaScriptFromString(const std::string& script);
    // Calls the page's function `name` (a global, or a dotted path such as
    // "app.show") with the arguments as string values, never as script
    // text, so whatever they hold reaches the function unchanged. Answers the
    // result as text, like the above; a name that is not an identifier path
    // calls nothing.
    virtual std::string callFunction(const std::string& name, const std::vector<std::string>& arguments);
    static bool isFunctionName(std::string_view name);

    // Whether the view is still working (loading or drawing).
    virtual bool isBusy() const { return false; }

protected:
    // For engines: tell the delegate, keeping the view alive for the call.
    bool shouldStartLoad(const std::string& url, WebViewDelegate::NavigationType);
    void didStartLoad();
    void didFinishLoad();
    void didFailLoad(const URLError&);
    void didReceiveCommand(const std::string& url);

    std::string m_requestedURL;

private:
    std::weak_ptr<WebViewDelegate> m_delegate;
    bool m_scalesPageToFit { false };
    std::string m_commandScheme; // lower case
};
