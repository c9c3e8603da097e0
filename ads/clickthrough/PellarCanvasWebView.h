#pragma once

#include "platform/ui/controls/WebViewDelegate.h"
#include "platform/ui/graphics/Rect.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>

class PellarModalViewController;
class URL;
class WebView;

// The page of the canvas box and its script bridge. It owns a web view of
// the platform's engine and is that view's delegate. It loads the ad
// service's canvas page; once the page has loaded and shows that it is the
// canvas page (it defines a global `pellar`), the content URL and the title
// are handed to the page's `cb` function, once. The page talks back by
// navigating to "pellar://launch?url=<escaped URL>" (open a link outside)
// and "pellar://closecanvas" (close the screen); other "pellar" hosts are
// ignored, and no "pellar" address is ever loaded.
//
// Commands count only from the page's top frame, and only while it shows
// the origin the canvas page was loaded from (after its redirects): the
// advertiser's content runs inside the page, and neither an iframe of it
// nor a site the page went on to may open links or close the screen. A
// refused command is logged by its scheme alone. A launched "tel:", "sms:"
// or "mailto:" link is confirmed by the user first, as a call is.
class PellarCanvasWebView final : public WebViewDelegate, public std::enable_shared_from_this<PellarCanvasWebView> {
public:
    using DismissSelector = void (PellarModalViewController::*)();

    static constexpr int kSpinnerTag = 1;
    static constexpr double kCanvasTimeoutInterval = 600.0;
    static constexpr const char* kBridgeScheme = "pellar";

    static std::shared_ptr<PellarCanvasWebView> create(const Rect& frame);
    ~PellarCanvasWebView() override;

    // The box's web view; the screen adds it to its view.
    const std::shared_ptr<WebView>& webView() const { return m_webView; }

    // Who closes the canvas, and how: the operation is called on the
    // controller, which is not owned.
    void setController(std::weak_ptr<PellarModalViewController> controller) { m_controller = std::move(controller); }
    void setDismissSelector(DismissSelector selector) { m_dismissSelector = selector; }
    // The content URL as the page gets it: the link with "#sdk" appended.
    const std::string& canvasUrl() const { return m_canvasUrl; }
    void setCanvasUrl(const URL&);
    const std::string& canvasTitle() const { return m_canvasTitle; }
    void setCanvasTitle(std::string title) { m_canvasTitle = std::move(title); }
    bool initialLoad() const { return m_initialLoad; }

    void startLoadingCanvas();
    // Whether the page loaded is the canvas page (it defines `pellar`).
    bool webviewIsFromPellar();

    // The bridge's query parser: "&"-separated pieces, each split at its
    // first "="; a piece without "=", or with nothing before it, is skipped;
    // both sides are unescaped as ASCII ("+" stays "+") and a piece that does
    // not unescape is skipped. A later key replaces an earlier one.
    static std::map<std::string, std::string> dictionaryWithQueryString(std::string_view query);

    // WebViewDelegate
    bool webViewShouldStartLoad(WebView&, const std::string& url, NavigationType) override;
    void webViewDidFinishLoad(WebView&) override;
    void webViewDidFailLoad(WebView&, const URLError&) override;
    void webViewDidReceiveCommand(WebView&, const std::string& url) override;

    // The origin ("scheme://host:port") of an absolute URL with a host; empty otherwise.
    static std::string originOf(const std::string& url);

private:
    explicit PellarCanvasWebView(const Rect& frame);
    void dismiss();
    void launch(const std::map<std::string, std::string>& parameters);
    static void refuseCommand(const char* reason);

    std::weak_ptr<PellarModalViewController> m_controller;
    DismissSelector m_dismissSelector { nullptr };
    std::string m_canvasUrl;
    std::string m_canvasTitle;
    bool m_initialLoad { true };
    // Where the canvas page was found to be, once it has loaded.
    std::string m_pageOrigin;
    std::shared_ptr<WebView> m_webView;
};
