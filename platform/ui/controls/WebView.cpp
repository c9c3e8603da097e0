#include "platform/ui/controls/WebView.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/PendingWork.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/SystemURLPolicy.h"

#include <algorithm>
#include <cctype>
#include <vector>

static WebView::Factory& factory()
{
    static WebView::Factory registered;
    return registered;
}

// Every web view alive, for anyBusy(); only touched on the main thread.
static std::vector<WebView*>& liveWebViews()
{
    static std::vector<WebView*> views;
    return views;
}

std::shared_ptr<WebView> WebView::create(const Rect& frame)
{
    if (factory()) {
        if (auto view = factory()(frame))
            return view;
    }
    return std::make_shared<WebView>(frame);
}

void WebView::setFactory(Factory f)
{
    factory() = std::move(f);
}

bool WebView::hasEngine()
{
    return static_cast<bool>(factory());
}

bool WebView::anyBusy()
{
    return std::any_of(liveWebViews().begin(), liveWebViews().end(), [](WebView* view) { return view->isBusy(); });
}

WebView::WebView(const Rect& frame)
    : View(frame)
{
    // Pages load on the engine's own network stack: their work is polled.
    static const bool probing = (PendingWork::addProbe(anyBusy), true);
    (void)probing;
    liveWebViews().push_back(this);
}

WebView::~WebView()
{
    std::erase(liveWebViews(), this);
}

void WebView::loadRequest(const Request& request)
{
    m_requestedURL = request.url;
    // No engine: the load still starts and ends as an engine's would, so the
    // delegate's screens behave the same, and the log says why nothing shows.
    Log::writef(
        "Web view: no web engine in this host (a web view needs a display); cannot load %s", request.url.c_str());
    std::weak_ptr<View> weakThis = sharedView();
    RunLoop::main().post([weakThis, url = request.url] {
        auto view = std::static_pointer_cast<WebView>(weakThis.lock());
        if (!view)
            return;
        if (!view->shouldStartLoad(url, WebViewDelegate::NavigationType::Other))
            return;
        view->didStartLoad();
        view->didFailLoad(URLError { URLErrorCannotLoadFromNetwork, "no web engine", url });
    });
}

std::string WebView::stringByEvaluatingJavaScriptFromString(const std::string&)
{
    return {};
}

std::string WebView::callFunction(const std::string&, const std::vector<std::string>&)
{
    return {};
}

bool WebView::isFunctionName(std::string_view name)
{
    // Identifiers joined by dots, ASCII only: the name is the one part of a
    // call that is written into the script.
    bool atStart = true;
    for (char c : name) {
        bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$';
        bool digit = c >= '0' && c <= '9';
        if (c == '.') {
            if (atStart)
                return false;
            atStart = true;
        } else if (letter || (digit && !atStart)) {
            atStart = false;
        } else {
            return false;
        }
    }
    return !atStart;
}

bool WebView::shouldStartLoad(const std::string& url, WebViewDelegate::NavigationType type)
{
    auto delegate = m_delegate.lock();
    if (!delegate)
        return true;
    auto protectedThis = sharedView();
    return delegate->webViewShouldStartLoad(*this, url, type);
}

void WebView::didStartLoad()
{
    if (auto delegate = m_delegate.lock()) {
        auto protectedThis = sharedView();
        delegate->webViewDidStartLoad(*this);
    }
}

void WebView::didFinishLoad()
{
    if (auto delegate = m_delegate.lock()) {
        auto protectedThis = sharedView();
        delegate->webViewDidFinishLoad(*this);
    }
}

void WebView::didFailLoad(const URLError& error)
{
    if (auto delegate = m_delegate.lock()) {
        auto protectedThis = sharedView();
        delegate->webViewDidFailLoad(*this, error);
    }
}

void WebView::didReceiveCommand(const std::string& url)
{
    if (auto delegate = m_delegate.lock()) {
        auto protectedThis = sharedView();
        delegate->webViewDidReceiveCommand(*this, url);
    }
}

void WebView::setCommandScheme(std::string_view scheme)
{
    m_commandScheme.assign(scheme);
    std::transform(m_commandScheme.begin(), m_commandScheme.end(), m_commandScheme.begin(),
        [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
}

bool WebView::isCommandURL(std::string_view url) const
{
    if (m_commandScheme.empty())
        return false;
    auto scheme = SystemURLPolicy::schemeOf(url);
    return scheme && *scheme == m_commandScheme;
}
