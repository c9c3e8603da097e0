#pragma once

#include <string>

class WebView;
struct URLError;

// How a web view asks before it navigates and reports its loads. Every
// operation is optional; the defaults allow every navigation and ignore the
// reports.
class WebViewDelegate {
public:
    enum class NavigationType { LinkClicked, FormSubmitted, BackForward, Reload, FormResubmitted, Other };

    virtual ~WebViewDelegate() = default;

    // Asked for every navigation of the page (the page itself, links, redirects
    // of the main frame); answering false drops the navigation silently.
    virtual bool webViewShouldStartLoad(WebView&, const std::string& url, NavigationType)
    {
        (void)url;
        return true;
    }
    virtual void webViewDidStartLoad(WebView&) { }
    virtual void webViewDidFinishLoad(WebView&) { }
    virtual void webViewDidFailLoad(WebView&, const URLError&) { }
    // A command from the page's top frame (see WebView::setCommandScheme).
    virtual void webViewDidReceiveCommand(WebView&, const std::string& url) { (void)url; }
};
