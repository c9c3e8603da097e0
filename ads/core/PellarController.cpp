#include "ads/core/PellarController.h"

#include "ads/banners/PellarBannerFactory.h"
#include "ads/clickthrough/PellarClickActions.h"
#include "ads/core/PellarAd.h"
#include "ads/core/PellarDelegate.h"
#include "ads/core/PellarStoreURLCleaner.h"
#include "ads/core/PellarView.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/URL.h"
#include "platform/ui/views/Application.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>

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
    auto ad = PellarAd::create(PellarAdFormat::Bar);
    ad->setDelegate(m_delegate);
    ad->setAdDelegate(weak_from_this());
    ad->request();
    return ad;
}

void PellarController::startFirstAdRequest()
{
    m_currentlyDisplayedAd = createAdWithInitiatedAdRequest();
}

namespace {

// Seconds, or 0 when none was set; read on every refresh, set from any thread.
std::atomic<double>& chosenMinimumRefreshInterval()
{
    static std::atomic<double> seconds { 0 };
    return seconds;
}

} // namespace

void PellarController::setMinimumRefreshInterval(std::optional<double> seconds)
{
    if (seconds && !(*seconds >= 1))
        return;
    chosenMinimumRefreshInterval().store(seconds.value_or(0));
}

double PellarController::minimumRefreshInterval()
{
    if (double chosen = chosenMinimumRefreshInterval().load(); chosen >= 1)
        return chosen;
    static const double interval = [] {
        const char* value = std::getenv("PELLAR_MINIMUM_REFRESH_INTERVAL");
        char* end = nullptr;
        double seconds = value ? std::strtod(value, &end) : 0;
        if (!value || end == value || *end || !(seconds >= 1))
            return kMinimumRefreshInterval;
        return std::min(seconds, kMinimumRefreshInterval);
    }();
    return interval;
}

void PellarController::requestFreshAd()
{
    double now = RunLoop::main().now();
    if (m_lastRequestForFreshAd && now - *m_lastRequestForFreshAd < minimumRefreshInterval())
        return;
    m_lastRequestForFreshAd = now;
    // An image banner stays for good, though the request's time counts.
    if (m_currentlyDisplayedAd && m_currentlyDisplayedAd->medium() == PellarAdMedium::Banner)
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
    return m_view ? m_view->bounds().size : Size { 320, 48 };
}

std::shared_ptr<PellarSingleAdView> PellarController::createBannerWithAd(const std::shared_ptr<PellarAd>& ad)
{
    Rect frame = m_view ? m_view->bounds() : Rect { 0, 0, 320, 48 };
    return PellarBannerFactory::createBannerForAd(ad, frame, weak_from_this());
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
        auto banner = createBannerWithAd(m_currentlyDisplayedAd);
        banner->setTag(kBannerTag);
        m_view->addSubview(banner);
        return;
    }
    if (&ad != m_loadingAd.get() || !m_view)
        return;

    // A refreshed ad: flip the new banner in over the old one. There may be
    // no old one when the first ad failed and a later refresh succeeded.
    auto oldBanner = bannerView();
    auto newBanner = createBannerWithAd(m_loadingAd);
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

void PellarController::adDidFailToLoad(PellarAd& ad, const Error& error)
{
    auto protectedThis = shared_from_this();
    if (&ad == m_currentlyDisplayedAd.get()) {
        if (m_view) {
            if (auto host = delegate())
                host->didFailToReceiveAd(*m_view, error);
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

    auto answer = PellarAdAnswer::clickFromJSON(response);
    if (answer.redirectIsMalformed) {
        clickDidFail(ad);
        return;
    }
    std::optional<URL> url;
    if (answer.redirectURL)
        url = URL::withString(*answer.redirectURL);

    if (ad.clickAction() == PellarClickAction::Store || (url && PellarStoreURLCleaner::isStoreURL(*url))) {
        if (url)
            cleanStoreURL(*url);
        giveBackSearchScreen(ad);
        return;
    }
    std::shared_ptr<PellarView> view;
    if (m_view)
        view = std::static_pointer_cast<PellarView>(m_view->sharedView());
    PellarClickActions::Click click { view, m_delegate, ad.shared_from_this(), url, answer.acquisitionURL,
        answer.contact };
    // The last screen opened is kept until the next one replaces it. A
    // screen opened by the search's click takes over from the search screen
    // once it has faded in; anything else (an alert, the system's handler,
    // no link at all) leaves nothing to take over, so the search screen
    // goes now rather than spin for good.
    if (auto screen = PellarClickActions::perform(ad.clickAction(), click))
        m_clickScreen = std::move(screen);
    else
        giveBackSearchScreen(ad);
}

void PellarController::giveBackSearchScreen(const PellarAd& ad)
{
    auto search = m_searchController;
    if (search && m_searchAd.lock().get() == &ad)
        PellarClickActions::relinquishScreen(*search);
}

void PellarController::clickDidFail(PellarAd& ad)
{
    clickDidFinish(ad);
    restoreAdAfterClickAnimationIfPossibleForAd(ad);
    giveBackSearchScreen(ad);
}

bool PellarController::displaySearchWithAd(
    PellarAd& ad, const std::optional<std::string>& placeholderText, const std::optional<std::string>& webpageURL)
{
    std::shared_ptr<PellarView> view;
    if (m_view)
        view = std::static_pointer_cast<PellarView>(m_view->sharedView());
    m_searchController
        = PellarClickActions::displaySearch({ view, m_delegate, ad.shared_from_this(), placeholderText, webpageURL });
    m_searchAd = ad.weak_from_this();
    return true;
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
