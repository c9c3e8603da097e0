#include "embed/PellarBannerHost.h"

#include "ads/clickthrough/PellarModalViewController.h"
#include "ads/core/PellarController.h"
#include "ads/core/PellarEndpoints.h"
#include "ads/core/PellarView.h"
#include "embed/PellarEmbedding.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Timer.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/views/Window.h"

#include <algorithm>
#include <cmath>

namespace {

// A set colour is the host's answer; unset leaves the library's default.
std::optional<std::optional<Color>> answer(const std::optional<Color>& color)
{
    if (!color)
        return std::nullopt;
    return std::optional<Color>(*color);
}

std::optional<std::optional<std::string>> answer(const std::optional<std::string>& text)
{
    if (!text)
        return std::nullopt;
    return std::optional<std::string>(*text);
}

} // namespace

PellarBannerHost::PellarBannerHost(GtkWidget* widget, Events events)
    : m_widget(widget)
    , m_events(std::move(events))
    , m_renderer(widget)
{
    m_window = View::make<Window>(Rect { 0, 0, PellarView::kWidth, PellarView::kHeight });
    PellarEmbedding::shared().addBanner(*this);
}

PellarBannerHost::~PellarBannerHost()
{
    detach();
}

void PellarBannerHost::detach()
{
    if (!m_widget)
        return;
    cancelRefresh();
    m_remaining.reset();
    // A screen this banner opened goes with it, without waiting for its fade.
    if (auto modal = PellarModalViewController::activeModalController();
        modal && m_adView && modal->adView() == m_adView) {
        modal->relinquishScreen();
        if (auto& window = modal->modalWindow())
            window->setHidden(true);
    }
    auto& embedding = PellarEmbedding::shared();
    embedding.removeBanner(*this);
    if (m_adView)
        m_adView->removeFromSuperview();
    m_adView = nullptr;
    if (m_window) {
        m_window->setHidden(true);
        m_window = nullptr;
    }
    m_renderer.clear();
    m_widget = nullptr;
    m_events = {};
}

// MARK: Requests

void PellarBannerHost::requestAd()
{
    if (!m_widget)
        return;
    applyMediaHost();
    if (m_adView) {
        m_adView->requestFreshAd();
        return;
    }
    // The window shows from the start: the ad view fills it once an ad came.
    m_window->makeKeyAndVisible();
    m_adView = PellarView::requestAdWithDelegate(weak_from_this());
    PellarView::keepSizeFixed(*m_adView);
    placeAdView();
    m_window->addSubview(m_adView);
    m_remaining = effectiveRefreshInterval();
    scheduleRefresh();
}

void PellarBannerHost::applyMediaHost()
{
    // The media host is the process's: the banner that asks last sets it.
    if (!m_settings.mediaHost)
        return;
    auto configuration = PellarEndpoints::configuration();
    std::string host = *m_settings.mediaHost;
    while (!host.empty() && host.back() == '/')
        host.pop_back();
    if (configuration.mediaHostURL == host)
        return;
    configuration.mediaHostURL = host;
    PellarEndpoints::setConfiguration(std::move(configuration));
}

// MARK: Refresh

void PellarBannerHost::setRefreshInterval(int seconds)
{
    if (seconds == m_refreshInterval)
        return;
    m_refreshInterval = seconds;
    cancelRefresh();
    // A new interval counts from now.
    m_remaining = m_adView ? effectiveRefreshInterval() : std::nullopt;
    scheduleRefresh();
}

std::optional<double> PellarBannerHost::effectiveRefreshInterval() const
{
    if (m_refreshInterval == 0)
        return std::nullopt;
    // The controller declines refreshes closer together than its minimum.
    double minimum = PellarController::minimumRefreshInterval();
    if (m_refreshInterval < 0)
        return minimum;
    return std::max<double>(m_refreshInterval, minimum);
}

void PellarBannerHost::setShowing(bool showing)
{
    if (showing == m_showing)
        return;
    m_showing = showing;
    if (showing) {
        scheduleRefresh();
        return;
    }
    // What was left of the interval waits for the banner to show again.
    if (m_refreshTimer && m_refreshTimer->isValid())
        m_remaining = std::max(0.0, m_refreshTimer->fireDate() - RunLoop::main().now());
    cancelRefresh();
}

std::optional<double> PellarBannerHost::timeUntilRefresh() const
{
    if (m_refreshTimer && m_refreshTimer->isValid())
        return std::max(0.0, m_refreshTimer->fireDate() - RunLoop::main().now());
    return m_remaining;
}

void PellarBannerHost::scheduleRefresh()
{
    if (!m_showing || !m_remaining || !m_widget || (m_refreshTimer && m_refreshTimer->isValid()))
        return;
    std::weak_ptr<PellarBannerHost> weakThis = weak_from_this();
    m_refreshTimer = Timer::scheduledTimer(*m_remaining, false, [weakThis](Timer&) {
        if (auto self = weakThis.lock())
            self->refreshDue();
    });
}

void PellarBannerHost::cancelRefresh()
{
    if (m_refreshTimer)
        m_refreshTimer->invalidate();
    m_refreshTimer = nullptr;
}

void PellarBannerHost::refreshDue()
{
    m_refreshTimer = nullptr;
    m_remaining = effectiveRefreshInterval();
    // A screen open over the banner keeps its ad; the next interval starts now.
    if (!m_presenting && m_adView)
        m_adView->requestFreshAd();
    scheduleRefresh();
}

// MARK: Drawing and input

void PellarBannerHost::allocate(int width, int height)
{
    if (!m_window)
        return;
    m_window->setFrame(
        Rect { 0, 0, static_cast<double>(std::max(1, width)), static_cast<double>(std::max(1, height)) });
    placeAdView();
}

void PellarBannerHost::placeAdView()
{
    if (!m_adView || !m_window)
        return;
    // The ad keeps its size, centred in whatever the widget was given.
    Rect bounds = m_window->bounds();
    double x = std::floor((bounds.width() - PellarView::kWidth) / 2);
    double y = std::floor((bounds.height() - PellarView::kHeight) / 2);
    m_adView->setFrame(Rect { std::max(0.0, x), std::max(0.0, y), PellarView::kWidth, PellarView::kHeight });
}

void PellarBannerHost::snapshot(GtkSnapshot* snapshot)
{
    if (!m_window || !m_widget)
        return;
    double pixelsPerPoint = std::max(1, gtk_widget_get_scale_factor(m_widget));
    m_renderer.snapshotWindow(snapshot, *m_window, 1.0, pixelsPerPoint);
}

Point PellarBannerHost::toScreen(double x, double y) const
{
    return m_window ? m_window->convertPointToScreen(Point { x, y }) : Point { x, y };
}

void PellarBannerHost::willTouch()
{
    // Every banner's window sits at the screen's origin: the touched one goes on top.
    if (m_window && !m_window->isHidden())
        m_window->makeKeyAndVisible();
    PellarEmbedding::shared().setPresentingBanner(this);
}

// MARK: PellarDelegate

std::string PellarBannerHost::publisherId()
{
    return m_settings.publisherId;
}

void PellarBannerHost::didReceiveAd(PellarView&)
{
    Log::write("Banner received its first ad");
    if (m_events.received)
        m_events.received();
}

void PellarBannerHost::didFailToReceiveAd(PellarView&, const Error& error)
{
    // The domain and code only: a message may name the ad server's URL.
    Log::writef("Banner got no ad (%s %d)", error.domain.c_str(), static_cast<int>(error.code));
    if (m_events.failed)
        m_events.failed(error);
}

void PellarBannerHost::willPresentFullScreenModal()
{
    m_presenting = true;
    PellarEmbedding::shared().setPresentingBanner(this);
    if (m_events.willPresentScreen)
        m_events.willPresentScreen();
}

void PellarBannerHost::didDismissFullScreenModal()
{
    m_presenting = false;
    if (m_events.didDismissScreen)
        m_events.didDismissScreen();
}

std::optional<std::optional<Color>> PellarBannerHost::adBackgroundColor()
{
    return answer(m_settings.backgroundColor);
}

std::optional<std::optional<Color>> PellarBannerHost::primaryTextColor()
{
    return answer(m_settings.primaryTextColor);
}

std::optional<std::optional<Color>> PellarBannerHost::secondaryTextColor()
{
    return answer(m_settings.secondaryTextColor);
}

std::optional<bool> PellarBannerHost::useGraySpinner()
{
    if (!m_settings.graySpinner)
        return std::nullopt;
    return true;
}

std::optional<bool> PellarBannerHost::mayAskForLocation()
{
    return m_settings.locationAllowed;
}

std::optional<std::optional<std::string>> PellarBannerHost::postalCode()
{
    return answer(m_settings.postalCode);
}

std::optional<std::optional<std::string>> PellarBannerHost::areaCode()
{
    return answer(m_settings.areaCode);
}

std::optional<std::optional<std::string>> PellarBannerHost::gender()
{
    return answer(m_settings.gender);
}

std::optional<std::optional<Date>> PellarBannerHost::dateOfBirth()
{
    if (!m_settings.dateOfBirth)
        return std::nullopt;
    return std::optional<Date>(*m_settings.dateOfBirth);
}

std::optional<std::optional<std::string>> PellarBannerHost::keywords()
{
    return answer(m_settings.keywords);
}

std::optional<std::optional<std::string>> PellarBannerHost::searchString()
{
    return answer(m_settings.searchString);
}

std::optional<bool> PellarBannerHost::useTestAd()
{
    return m_settings.testMode;
}

std::optional<std::optional<std::string>> PellarBannerHost::adserverEndpoint()
{
    return answer(m_settings.adServerURL);
}
