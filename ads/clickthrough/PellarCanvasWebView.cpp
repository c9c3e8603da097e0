#include "ads/clickthrough/PellarCanvasWebView.h"

#include "ads/clickthrough/PellarClickToCallAlert.h"
#include "ads/clickthrough/PellarLaunchConfirmationAlert.h"
#include "ads/clickthrough/PellarModalViewController.h"
#include "ads/core/PellarEndpoints.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/PercentEscaping.h"
#include "platform/foundation/SystemURLPolicy.h"
#include "platform/foundation/URL.h"
#include "platform/ui/controls/ActivityIndicatorView.h"
#include "platform/ui/controls/WebView.h"
#include "platform/ui/views/Application.h"

#include <algorithm>
#include <cctype>

std::shared_ptr<PellarCanvasWebView> PellarCanvasWebView::create(const Rect& frame)
{
    auto canvas = std::shared_ptr<PellarCanvasWebView>(new PellarCanvasWebView(frame));
    canvas->m_webView->setDelegate(std::static_pointer_cast<WebViewDelegate>(canvas));
    canvas->m_webView->setCommandScheme(kBridgeScheme);
    return canvas;
}

PellarCanvasWebView::PellarCanvasWebView(const Rect& frame)
    : m_webView(WebView::create(frame))
{
}

PellarCanvasWebView::~PellarCanvasWebView()
{
    m_webView->setDelegate({});
    m_webView->stopLoading();
}

void PellarCanvasWebView::setCanvasUrl(const URL& url)
{
    // The page reads the fragment to know it runs inside the library.
    m_canvasUrl = url.absoluteString() + "#sdk";
}

void PellarCanvasWebView::startLoadingCanvas()
{
    m_webView->loadRequest(WebView::Request {
        .url = PellarEndpoints::canvasPageURL(),
        .cachePolicy = WebView::CachePolicy::ReloadIgnoringCacheData,
        .timeoutInterval = kCanvasTimeoutInterval,
    });
    Rect frame = m_webView->frame();
    auto spinner = View::make<ActivityIndicatorView>(ActivityIndicatorViewStyle::Gray);
    spinner->setFrame({ (frame.width() - 20) * 0.5, (frame.height() - 20) * 0.5, 20, 20 });
    spinner->setTag(kSpinnerTag);
    spinner->startAnimating();
    m_webView->addSubview(spinner);
}

bool PellarCanvasWebView::webviewIsFromPellar()
{
    // No answer at all (the script could not run) is no canvas page either.
    std::string type = m_webView->stringByEvaluatingJavaScriptFromString("typeof(pellar)");
    return !type.empty() && type != "undefined";
}

void PellarCanvasWebView::dismiss()
{
    auto controller = m_controller.lock();
    if (controller && m_dismissSelector)
        ((*controller).*m_dismissSelector)();
}

// MARK: Web view delegate

void PellarCanvasWebView::webViewDidFinishLoad(WebView&)
{
    if (!m_initialLoad)
        return;
    auto protectedThis = shared_from_this();
    if (View* spinner = m_webView->viewWithTag(kSpinnerTag))
        spinner->removeFromSuperview();
    if (!webviewIsFromPellar()) {
        dismiss();
        return;
    }
    // The values go to the page as arguments, never as script text: a title
    // with a quote in it stays a title.
    m_webView->callFunction("cb", { m_canvasUrl, m_canvasTitle });
    m_pageOrigin = originOf(m_webView->currentURL());
    m_initialLoad = false;
}

void PellarCanvasWebView::webViewDidFailLoad(WebView&, const URLError&)
{
    // Only the canvas page itself matters; what it loads later may fail quietly.
    if (m_initialLoad)
        dismiss();
}

bool PellarCanvasWebView::webViewShouldStartLoad(WebView&, const std::string& text, NavigationType)
{
    if (SystemURLPolicy::schemeOf(text) != kBridgeScheme)
        return true;
    // Commands arrive through webViewDidReceiveCommand, from the top frame
    // only. Asked here, the engine could not say which frame navigates:
    // the navigation goes nowhere and nothing is done.
    refuseCommand("from a frame that cannot be told apart");
    return false;
}

void PellarCanvasWebView::webViewDidReceiveCommand(WebView&, const std::string& text)
{
    // Commands count once the canvas page has shown itself to be the canvas
    // page: before that, whatever answered in its place has no say; after
    // it, only while the top frame still shows the page's own origin.
    if (m_initialLoad) {
        refuseCommand("before the canvas page had loaded");
        return;
    }
    if (m_pageOrigin.empty() || originOf(m_webView->currentURL()) != m_pageOrigin) {
        refuseCommand("from a page other than the canvas page");
        return;
    }
    auto url = URL::withString(text);
    if (!url)
        return;
    auto protectedThis = shared_from_this();
    const std::string command = url->host().value_or("");
    if (command == "launch")
        launch(dictionaryWithQueryString(url->query().value_or("")));
    else if (command == "closecanvas")
        dismiss();
}

void PellarCanvasWebView::refuseCommand(const char* reason)
{
    // The command's URL is the page's: only its scheme goes to the log.
    Log::writef("Refused a \"%s\" command %s.", kBridgeScheme, reason);
}

std::string PellarCanvasWebView::originOf(const std::string& text)
{
    auto url = URL::withString(text);
    if (!url || !url->scheme() || !url->host() || url->host()->empty())
        return {};
    std::string scheme = *url->scheme();
    std::transform(scheme.begin(), scheme.end(), scheme.begin(),
        [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    std::string host = *url->host();
    std::transform(
        host.begin(), host.end(), host.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    int port = url->port().value_or(scheme == "https" ? 443 : scheme == "http" ? 80 : -1);
    return scheme + "://" + host + ":" + std::to_string(port);
}

void PellarCanvasWebView::launch(const std::map<std::string, std::string>& parameters)
{
    auto found = parameters.find("url");
    if (found == parameters.end())
        return;
    auto link = URL::withString(found->second);
    // The page may ask for anything: only what the system may open leaves,
    // and a refusal is logged by the scheme alone.
    if (!link || !SystemURLPolicy::checkOpenWithSystem(link->absoluteString()))
        return;
    // A call, a message or a mail goes out only once the user has said so.
    auto scheme = SystemURLPolicy::schemeOf(link->absoluteString());
    if (scheme == "tel") {
        if (auto alert = PellarClickToCallAlert::create(*link, std::nullopt))
            alert->showOrCall();
        return;
    }
    if (scheme == "sms" || scheme == "mailto") {
        if (auto alert = PellarLaunchConfirmationAlert::create(*link))
            alert->show();
        return;
    }
    Application::shared().openURL(link->absoluteString());
}

// MARK: Query parser

std::map<std::string, std::string> PellarCanvasWebView::dictionaryWithQueryString(std::string_view query)
{
    std::map<std::string, std::string> parameters;
    while (true) {
        size_t ampersand = query.find('&');
        std::string_view piece = query.substr(0, ampersand);
        size_t equals = piece.find('=');
        if (equals != std::string_view::npos && equals > 0) {
            auto key = PercentEscaping::replacingPercentEscapesASCII(piece.substr(0, equals));
            auto value = PercentEscaping::replacingPercentEscapesASCII(piece.substr(equals + 1));
            if (key && value)
                parameters[*key] = *value;
        }
        if (ampersand == std::string_view::npos)
            break;
        query.remove_prefix(ampersand + 1);
    }
    return parameters;
}
