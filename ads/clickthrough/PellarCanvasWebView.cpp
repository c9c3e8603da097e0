#include "ads/clickthrough/PellarCanvasWebView.h"

#include "ads/clickthrough/PellarModalViewController.h"
#include "ads/core/PellarEndpoints.h"
#include "platform/foundation/PercentEscaping.h"
#include "platform/foundation/SystemURLPolicy.h"
#include "platform/foundation/URL.h"
#include "platform/ui/controls/ActivityIndicatorView.h"
#include "platform/ui/controls/WebView.h"
#include "platform/ui/views/Application.h"

std::shared_ptr<PellarCanvasWebView> PellarCanvasWebView::create(const Rect& frame)
{
    auto canvas = std::shared_ptr<PellarCanvasWebView>(new PellarCanvasWebView(frame));
    canvas->m_webView->setDelegate(std::static_pointer_cast<WebViewDelegate>(canvas));
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
    auto url = URL::withString(text);
    bool bridge = url ? url->scheme() == kBridgeScheme : text.starts_with(std::string(kBridgeScheme) + ":");
    if (!bridge)
        return true;
    // Commands count once the canvas page has shown itself to be the canvas
    // page: before that, whatever answered in its place has no say.
    if (!url || m_initialLoad)
        return false;
    auto protectedThis = shared_from_this();
    const std::string command = url->host().value_or("");
    if (command == "launch")
        launch(dictionaryWithQueryString(url->query().value_or("")));
    else if (command == "closecanvas")
        dismiss();
    return false;
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
