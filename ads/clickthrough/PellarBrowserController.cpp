#include "ads/clickthrough/PellarBrowserController.h"

#include "ads/clickthrough/PellarBrowserRules.h"
#include "ads/core/PellarAd.h"
#include "ads/core/PellarDelegate.h"
#include "ads/core/PellarImageCache.h"
#include "ads/core/PellarLocalizer.h"
#include "ads/core/PellarStoreURLCleaner.h"
#include "ads/core/PellarView.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/ServerText.h"
#include "platform/foundation/URL.h"
#include "platform/ui/controls/ActionSheet.h"
#include "platform/ui/controls/ActivityIndicatorView.h"
#include "platform/ui/controls/AlertView.h"
#include "platform/ui/controls/BarButtonItem.h"
#include "platform/ui/controls/NavigationBar.h"
#include "platform/ui/controls/NavigationItem.h"
#include "platform/ui/controls/Toolbar.h"
#include "platform/ui/controls/WebView.h"
#include "platform/ui/graphics/Image.h"
#include "platform/ui/views/Application.h"

static std::string localized(const std::string& english)
{
    return PellarLocalizer::sharedLocalizer().localizedStringForKey(english);
}

std::shared_ptr<PellarBrowserController> PellarBrowserController::create()
{
    return std::shared_ptr<PellarBrowserController>(new PellarBrowserController);
}

PellarBrowserController::~PellarBrowserController()
{
    if (m_cleaner)
        m_cleaner->cancel();
    if (m_webView)
        m_webView->setDelegate({});
}

std::shared_ptr<PellarBrowserController> PellarBrowserController::sharedBrowser()
{
    return std::static_pointer_cast<PellarBrowserController>(sharedController());
}

const std::array<const char*, 4>& PellarBrowserController::browserIcons()
{
    return PellarAd::browserIcons();
}

void PellarBrowserController::presentBrowserFromView(
    std::shared_ptr<PellarView> view, const URL& url, std::weak_ptr<PellarDelegate> delegate)
{
    if (m_webView)
        m_webView->setDelegate({});
    m_webView = WebView::create();
    m_webView->setDelegate(std::static_pointer_cast<WebViewDelegate>(sharedBrowser()));
    m_webView->setScalesPageToFit(true);
    m_webView->setAutoresizingMask(AutoresizingFlexibleWidth | AutoresizingFlexibleHeight);
    m_webView->loadURL(url.absoluteString());
    commandeerScreenFromAdView(std::move(view), PellarModalTransitionBackgroundExpand, std::move(delegate));
}

void PellarBrowserController::loadViewWithBounds(const Rect& bounds)
{
    double w = bounds.width(), h = bounds.height();
    if (!m_webView)
        m_webView = WebView::create();
    m_webView->setFrame({ 0, 44, w, h - 88 });

    m_bottomToolbar = View::make<Toolbar>(Rect { 0, h - 44, w, 44 });
    m_bottomToolbar->setAutoresizingMask(
        AutoresizingFlexibleWidth | AutoresizingFlexibleTopMargin | AutoresizingFlexibleBottomMargin);
    m_topToolbar = View::make<NavigationBar>(Rect { 0, 0, w, 44 });
    m_topToolbar->setAutoresizingMask(AutoresizingFlexibleWidth);

    if (auto host = delegate()) {
        if (auto style = host->embeddedWebViewBarStyle()) {
            auto barStyle = *style == 0 ? Toolbar::Style::Default : Toolbar::Style::Black;
            m_bottomToolbar->setBarStyle(barStyle);
            m_topToolbar->setBarStyle(barStyle);
        }
        if (auto tint = host->embeddedWebViewTintColor()) {
            m_bottomToolbar->setTintColor(*tint);
            m_topToolbar->setTintColor(*tint);
        }
    }
    m_topNavItem = std::make_shared<NavigationItem>("");
    m_topToolbar->setItems({ m_topNavItem });

    refreshBottomToolbar();
    refreshTopToolbar();

    view()->addSubview(m_bottomToolbar);
    view()->addSubview(m_topToolbar);
    view()->addSubview(m_webView);
}

std::shared_ptr<BarButtonItem> PellarBrowserController::barButtonItemWithImageName(
    const std::string& imageName, const std::string& disabledImageName, bool isEnabled, std::function<void()> action)
{
    const std::string& name = isEnabled ? imageName : disabledImageName;
    std::shared_ptr<Image> image;
    if (auto bytes = PellarImageCache::sharedCache().fetchImageNamed(name))
        image = Image::decode(*bytes);
    auto item = BarButtonItem::withImage(image, BarButtonItem::Style::Plain);
    item->setAccessibilityLabel(imageName == "back" ? "Back" : imageName == "forward" ? "Forward" : imageName);
    // An icon missing from the cache still leaves a usable button.
    if (!image)
        item->setTitle(imageName == "back" ? "\u25C0" : imageName == "forward" ? "\u25B6" : imageName);
    item->setEnabled(isEnabled);
    item->setHandler([action = std::move(action)](BarButtonItem&) { action(); });
    return item;
}

void PellarBrowserController::refreshBottomToolbar()
{
    if (!m_bottomToolbar || !m_webView)
        return;
    std::weak_ptr<WebView> page = m_webView;
    std::weak_ptr<PellarBrowserController> weakThis = sharedBrowser();
    auto back = barButtonItemWithImageName("back", "back_disable", m_webView->canGoBack(), [page] {
        if (auto view = page.lock())
            view->goBack();
    });
    auto forward = barButtonItemWithImageName("forward", "forward_disable", m_webView->canGoForward(), [page] {
        if (auto view = page.lock())
            view->goForward();
    });
    std::shared_ptr<BarButtonItem> reloadOrStop;
    if (m_webView->isLoading()) {
        reloadOrStop = BarButtonItem::systemItem(BarButtonItem::SystemItem::Stop);
        reloadOrStop->setHandler([page](BarButtonItem&) {
            if (auto view = page.lock())
                view->stopLoading();
        });
    } else {
        reloadOrStop = BarButtonItem::systemItem(BarButtonItem::SystemItem::Refresh);
        reloadOrStop->setHandler([page](BarButtonItem&) {
            if (auto view = page.lock())
                view->reload();
        });
    }
    auto action = BarButtonItem::systemItem(BarButtonItem::SystemItem::Action);
    action->setHandler([weakThis](BarButtonItem&) {
        if (auto self = weakThis.lock())
            self->systemAction();
    });
    auto space = BarButtonItem::systemItem(BarButtonItem::SystemItem::FlexibleSpace);
    m_bottomToolbar->setItems({ back, space, forward, space, reloadOrStop, space, action });
}

void PellarBrowserController::refreshTopToolbar()
{
    if (!m_topToolbar || !m_topNavItem || !m_webView)
        return;
    std::weak_ptr<PellarBrowserController> weakThis = sharedBrowser();
    auto done = BarButtonItem::systemItem(BarButtonItem::SystemItem::Done);
    done->setHandler([weakThis](BarButtonItem&) {
        if (auto self = weakThis.lock())
            self->dismissModal();
    });
    m_topNavItem->setLeftBarButtonItem(done);

    std::string title;
    if (m_webView->isLoading()) {
        if (!m_spinner) {
            m_spinner = View::make<ActivityIndicatorView>(ActivityIndicatorViewStyle::White);
            m_spinner->startAnimating();
            Rect bar = m_topToolbar->frame();
            m_spinner->setFrame({ (bar.width() - 20) / 2, (bar.height() - 20) / 2, 20, 20 });
            m_spinner->setAutoresizingMask(AutoresizingFlexibleLeftMargin | AutoresizingFlexibleRightMargin);
            m_topToolbar->addSubview(m_spinner);
        }
    } else {
        // The page decides its title's length and direction marks; the bar shows one short line.
        title = ServerText::forDisplay(
            m_webView->stringByEvaluatingJavaScriptFromString("document.title"), ServerText::kTitleLength);
        if (m_spinner) {
            m_spinner->stopAnimating();
            m_spinner->removeFromSuperview();
            m_spinner = nullptr;
        }
    }
    m_topNavItem->setTitle(title);
}

// MARK: Web view delegate

bool PellarBrowserController::webViewShouldStartLoad(WebView&, const std::string& text, NavigationType)
{
    auto url = URL::withString(text);
    // An address our URL type cannot take has no rule of its own: it stays.
    if (!url)
        return true;
    auto decision = PellarBrowserRules::decisionForURL(*url);
    if (decision.openWithSystem)
        Application::shared().openURL(url->absoluteString());
    if (decision.cleanStoreLink) {
        if (m_cleaner)
            m_cleaner->cancel();
        m_cleaner = PellarStoreURLCleaner::create(
            *url, std::static_pointer_cast<PellarStoreURLCleanerDelegate>(sharedBrowser()));
    }
    return decision.allowLoad;
}

void PellarBrowserController::webViewDidStartLoad(WebView&)
{
    refreshBottomToolbar();
    refreshTopToolbar();
}

void PellarBrowserController::webViewDidFinishLoad(WebView&)
{
    refreshBottomToolbar();
    refreshTopToolbar();
}

void PellarBrowserController::webViewDidFailLoad(WebView&, const URLError& error)
{
    auto protectedThis = sharedBrowser();
    refreshBottomToolbar();
    refreshTopToolbar();
    auto message = PellarBrowserRules::pageErrorMessageForCode(error.code);
    if (!message)
        return;
    auto alert = View::make<AlertView>(
        localized("Whoops"), localized(*message), std::weak_ptr<AlertViewDelegate>(), localized("Ok"));
    alert->show();
}

// MARK: Actions

void PellarBrowserController::systemAction()
{
    if (!m_bottomToolbar)
        return;
    auto sheet = View::make<ActionSheet>(std::nullopt, std::static_pointer_cast<ActionSheetDelegate>(sharedBrowser()),
        localized("Cancel"), std::nullopt,
        std::vector<std::string> { localized("Open in Browser"), localized("Email link") });
    sheet->showFromToolbar(*m_bottomToolbar);
}

void PellarBrowserController::actionSheetClickedButtonAtIndex(ActionSheet&, int index)
{
    if (index == 0)
        launchBrowser();
    else if (index == 1)
        mail();
}

void PellarBrowserController::launchBrowser()
{
    if (m_webView)
        Application::shared().openURL(m_webView->currentURL());
}

void PellarBrowserController::mail()
{
    if (!m_webView)
        return;
    std::string title = ServerText::forDisplay(
        m_webView->stringByEvaluatingJavaScriptFromString("document.title"), ServerText::kTitleLength);
    Application::shared().openURL(PellarBrowserRules::mailURL(title, m_webView->currentURL()));
}

void PellarBrowserController::dismissModal()
{
    if (m_webView)
        RunLoop::main().performAfterDelay(kWebViewGraceSeconds, [page = m_webView] { (void)page; });
    relinquishScreen();
}

void PellarBrowserController::cleanerDidGenerateURL(PellarStoreURLCleaner& cleaner, const URL& url)
{
    Application::shared().openURL(url.absoluteString());
    if (m_cleaner.get() == &cleaner) {
        // We are inside the cleaner's own call.
        RunLoop::main().keepAliveUntilPassEnds(m_cleaner);
        m_cleaner = nullptr;
    }
}
