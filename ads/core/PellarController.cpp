#include "ads/core/PellarController.h"

#include "ads/banners/PellarOldSchoolSingleAdView.h"
#include "ads/clickthrough/PellarBrowserController.h"
#include "ads/core/PellarAd.h"
#include "ads/core/PellarDelegate.h"
#include "ads/core/PellarStoreURLCleaner.h"
#include "ads/core/PellarView.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/URL.h"
#include "platform/ui/views/Application.h"

std::shared_ptr<PellarController> PellarController::create()
{
    return std::shared_ptr<PellarController>(new PellarController);
}

PellarController::~PellarController()
{
    if (m_currentlyDisplayedAd)
        m_currentlyDisplayedAd->setDelegate({});
    if (m_loadingAd)
        m_loadingAd->setDelegate({});
    for (auto& cleaner : m_storeURLCleaners)
        cleaner->cancel();
}

std::shared_ptr<PellarSingleAdView> PellarController::bannerView() const
{
    if (!m_view)
        return nullptr;
    // Only the view's own subviews count: a flexible banner may use tags inside.
    for (auto& subview : m_view->subviews()) {
        if (subview->tag() == kBannerTag)
            return std::dynamic_pointer_cast<PellarSingleAdView>(subview);
    }
    return nullptr;
}

// MARK: Requests

std::shared_ptr<PellarAd> PellarController::createAdWithInitiatedAdRequest()
{
    auto ad = PellarAd::create(PellarAdFormatBar);
    ad->setDelegate(m_delegate);
    ad->setAdDelegate(weak_from_this());
    ad->request();
    return ad;
}

void PellarController::startFirstAdRequest()
{
    m_currentlyDisplayedAd = createAdWithInitiatedAdRequest();
}

void PellarController::requestFreshAd()
{
    double now = RunLoop::main().now();
    if (m_lastRequestForFreshAd && now - *m_lastRequestForFreshAd < kMinimumRefreshInterval)
        return;
    m_lastRequestForFreshAd = now;
    // An image banner stays for good, though the request's time counts.
    if (m_currentlyDisplayedAd && m_currentlyDisplayedAd->medium() == PellarAdMediumBanner)
        return;
    // An ad still loading is dropped: its answer then matches neither field.
    if (m_loadingAd)
        dropAd(m_loadingAd);
    m_loadingAd = createAdWithInitiatedAdRequest();
}

void PellarController::dropAd(std::shared_ptr<PellarAd>& ad)
{
    ad->setDelegate({});
    // The ad may be the one reporting to us right now.
    RunLoop::main().keepAliveUntilPassEnds(ad);
    ad = nullptr;
}

Size PellarController::adSize()
{
    return m_view ? m_view->bounds().size : Size {320, 48};
}

std::shared_ptr<PellarSingleAdView> PellarController::createSingleAdViewWithAd(const std::shared_ptr<PellarAd>& ad)
{
    // Flexible ads cannot be built yet (they fail before loading), and the
    // search banner is still to come: every ad that loads gets the classic
    // banner, which draws a search ad as its shiny background alone.
    Rect frame = m_view ? m_view->bounds() : Rect {0, 0, 320, 48};
    auto banner = View::make<PellarOldSchoolSingleAdView>(frame);
    banner->setAd(ad);
    banner->setController(weak_from_this());
    return banner;
}

void PellarController::adDidLoad(PellarAd& ad)
{
    // The host's callback may drop the ad view, and with it this controller.
    auto protectedThis = shared_from_this();
    if (&ad == m_currentlyDisplayedAd.get()) {
        if (m_view) {
            if (auto host = delegate())
                host->didReceiveAd(*m_view);
        }
        if (!m_view)
            return;
        auto banner = createSingleAdViewWithAd(m_currentlyDisplayedAd);
        banner->setTag(kBannerTag);
        m_view->addSubview(banner);
        return;
    }
    if (&ad != m_loadingAd.get() || !m_view)
        return;

    // A refreshed ad: flip the new banner in over the old one. There may be
    // no old one when the first ad failed and a later refresh succeeded.
    auto oldBanner = bannerView();
    auto newBanner = createSingleAdViewWithAd(m_loadingAd);
    newBanner->setTag(kBannerTag);
    if (oldBanner)
        oldBanner->setTag(0);
    View::beginAnimations(kNewAdAnimationID, oldBanner.get());
    View::setAnimationDuration(kNewAdAnimationDuration);
    View::setAnimationTransition(ViewAnimationTransition::FlipFromRight, m_view, true);
    // The handler holds the replaced banner until the flip has ended.
    View::setAnimationDidStopHandler([oldBanner](const std::string&, bool, void*) {
        if (oldBanner)
            oldBanner->removeFromSuperview();
    });
    m_view->addSubview(newBanner);
    if (oldBanner)
        oldBanner->removeFromSuperview();
    View::commitAnimations();

    if (m_currentlyDisplayedAd)
        dropAd(m_currentlyDisplayedAd);
    m_currentlyDisplayedAd = std::move(m_loadingAd);
    m_loadingAd = nullptr;
}

void PellarController::adDidFailToLoad(PellarAd& ad)
{
    auto protectedThis = shared_from_this();
    if (&ad == m_currentlyDisplayedAd.get()) {
        if (m_view) {
            if (auto host = delegate())
                host->didFailToReceiveAd(*m_view);
        }
        // A banner already on screen stays.
        if (m_currentlyDisplayedAd)
            dropAd(m_currentlyDisplayedAd);
    } else if (&ad == m_loadingAd.get()) {
        // Failed refreshes are silent; the current banner stays.
        dropAd(m_loadingAd);
    }
}

// MARK: Clicks

void PellarController::click(PellarSingleAdView& banner)
{
    if (auto& ad = banner.ad()) {
        m_clickedAds.insert(ad);
        ad->click();
    }
    banner.animateForClick();
}

void PellarController::click(PellarSingleAdView& banner, const JSONValue& data)
{
    if (auto& ad = banner.ad()) {
        m_clickedAds.insert(ad);
        ad->clickWithData(data);
    }
    banner.animateForClick();
}

void PellarController::clickDidFinish(PellarAd& ad)
{
    for (auto it = m_clickedAds.begin(); it != m_clickedAds.end(); ++it) {
        if (it->get() == &ad) {
            // The ad is reporting to us right now.
            RunLoop::main().keepAliveUntilPassEnds(*it);
            m_clickedAds.erase(it);
            return;
        }
    }
}

void PellarController::restoreAdAfterClickAnimationIfPossibleForAd(PellarAd& ad)
{
    // The clicked banner may have been replaced meanwhile; the new one is left alone.
    auto banner = bannerView();
    if (banner && banner->ad().get() == &ad)
        banner->restoreAdAfterClickAnimation();
}

void PellarController::clickDidSucceed(PellarAd& ad, const std::optional<JSONValue>& response)
{
    auto protectedThis = shared_from_this();
    clickDidFinish(ad);
    restoreAdAfterClickAnimationIfPossibleForAd(ad);

    std::optional<URL> url;
    std::optional<std::string> acquisitionURL;
    if (response && response->isDictionary()) {
        if (auto redirect = response->find("redirect_url")) {
            // A target that is not text cannot be a link: the click ends as failed.
            if (!redirect->isString()) {
                clickDidFail(ad);
                return;
            }
            url = URL::withString(redirect->stringValue());
        }
        if (auto acquisition = response->find("acquisition_url"); acquisition && acquisition->isString())
            acquisitionURL = std::string(acquisition->stringValue());
    }

    const std::optional<std::string>& action = ad.action();
    auto is = [&](const char* name) { return action && *action == name; };
    if (is("app") || is("store") || (url && PellarStoreURLCleaner::isStoreURL(*url))) {
        if (url)
            cleanStoreURL(*url);
    } else if (is("url")) {
        launchWebClick(url);
    } else if (is("canvas")) {
        displayCanvasWithURL(url, ad);
    } else if (is("call")) {
        openWithSystem(url, "call");
    } else if (is("contact")) {
        openWithSystem(url, "contact");
    } else if (url) {
        Application::shared().openURL(url->absoluteString());
    }
    (void)acquisitionURL; // read by the call and contact offers once they exist
}

void PellarController::clickDidFail(PellarAd& ad)
{
    clickDidFinish(ad);
    restoreAdAfterClickAnimationIfPossibleForAd(ad);
}

void PellarController::launchWebClick(const std::optional<URL>& url)
{
    displayEmbeddedBrowserWithURL(url);
}

void PellarController::displayEmbeddedBrowserWithURL(const std::optional<URL>& url)
{
    // Without a link, or without the banner to grow from, there is no page to show.
    if (!url || !m_view)
        return;
    m_browserController = PellarBrowserController::create();
    m_browserController->presentBrowserFromView(
        std::static_pointer_cast<PellarView>(m_view->sharedView()), *url, m_delegate);
}

void PellarController::displayCanvasWithURL(const std::optional<URL>& url, PellarAd&)
{
    openWithSystem(url, "canvas");
}

void PellarController::openWithSystem(const std::optional<URL>& url, const char* action)
{
    if (!url)
        return;
    Log::writef("Pellar: no screen for the \"%s\" action yet; opening %s with the system", action,
        url->absoluteString().c_str());
    Application::shared().openURL(url->absoluteString());
}

void PellarController::cleanStoreURL(const URL& url)
{
    auto cleaner = PellarStoreURLCleaner::create(url, weak_from_this());
    // A link already on the store's host is opened at once and needs no keeping.
    if (cleaner && !cleaner->isFinished())
        m_storeURLCleaners.insert(std::move(cleaner));
}

void PellarController::cleanerDidGenerateURL(PellarStoreURLCleaner& cleaner, const URL& url)
{
    Application::shared().openURL(url.absoluteString());
    for (auto it = m_storeURLCleaners.begin(); it != m_storeURLCleaners.end(); ++it) {
        if (it->get() == &cleaner) {
            // We are inside the cleaner's own call.
            RunLoop::main().keepAliveUntilPassEnds(*it);
            m_storeURLCleaners.erase(it);
            break;
        }
    }
}
