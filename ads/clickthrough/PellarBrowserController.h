#pragma once

#include "ads/clickthrough/PellarModalViewController.h"
#include "ads/core/PellarStoreURLCleanerDelegate.h"
#include "platform/ui/controls/ActionSheetDelegate.h"
#include "platform/ui/controls/WebViewDelegate.h"

#include <array>
#include <functional>
#include <memory>
#include <string>

class ActivityIndicatorView;
class BarButtonItem;
class NavigationBar;
class NavigationItem;
class PellarStoreURLCleaner;
class Toolbar;
class URL;
class WebView;

// The full-screen browser a "url" ad opens: the page between a top bar
// (Done, the page's title, a spinner while loading) and a bottom toolbar
// (back, forward, reload or stop, and an action sheet offering the page to
// the system's browser or by e-mail). Every navigation passes the browser's
// rules first: some links belong to the system (other schemes, maps, video),
// store links are cleaned, file links are refused. A failed load shows a
// localized alert.
class PellarBrowserController final : public PellarModalViewController,
                                      public WebViewDelegate,
                                      public ActionSheetDelegate,
                                      public PellarStoreURLCleanerDelegate {
public:
    // After Done the page is kept this long, so that its last callbacks land.
    static constexpr double kWebViewGraceSeconds = 10.0;

    static std::shared_ptr<PellarBrowserController> create();
    ~PellarBrowserController() override;

    // The toolbar icons the ad fetches into the image cache in advance.
    static const std::array<const char*, 4>& browserIcons();

    void presentBrowserFromView(std::shared_ptr<PellarView> view, const URL&, std::weak_ptr<PellarDelegate> delegate);

    // PellarModalViewController
    void loadViewWithBounds(const Rect&) override;

    void refreshBottomToolbar();
    void refreshTopToolbar();
    static std::shared_ptr<BarButtonItem> barButtonItemWithImageName(const std::string& imageName,
        const std::string& disabledImageName, bool isEnabled, std::function<void()> action);

    // WebViewDelegate
    bool webViewShouldStartLoad(WebView&, const std::string& url, NavigationType) override;
    void webViewDidStartLoad(WebView&) override;
    void webViewDidFinishLoad(WebView&) override;
    void webViewDidFailLoad(WebView&, const URLError&) override;

    // The action button, and the sheet's answer.
    void systemAction();
    void actionSheetClickedButtonAtIndex(ActionSheet&, int index) override;
    void launchBrowser();
    void mail();
    // The Done button (and Escape).
    void dismissModal();
    void cancelFromKeyboard() override { dismissModal(); }

    // PellarStoreURLCleanerDelegate
    void cleanerDidGenerateURL(PellarStoreURLCleaner&, const URL&) override;

    const std::shared_ptr<WebView>& webView() const { return m_webView; }
    const std::shared_ptr<Toolbar>& bottomToolbar() const { return m_bottomToolbar; }
    const std::shared_ptr<NavigationBar>& topToolbar() const { return m_topToolbar; }
    const std::shared_ptr<NavigationItem>& topNavItem() const { return m_topNavItem; }
    const std::shared_ptr<ActivityIndicatorView>& spinner() const { return m_spinner; }
    const std::shared_ptr<PellarStoreURLCleaner>& cleaner() const { return m_cleaner; }

private:
    PellarBrowserController() = default;
    std::shared_ptr<PellarBrowserController> sharedBrowser();

    std::shared_ptr<WebView> m_webView;
    std::shared_ptr<Toolbar> m_bottomToolbar;
    std::shared_ptr<NavigationBar> m_topToolbar;
    std::shared_ptr<NavigationItem> m_topNavItem;
    std::shared_ptr<ActivityIndicatorView> m_spinner;
    std::shared_ptr<PellarStoreURLCleaner> m_cleaner;
};
