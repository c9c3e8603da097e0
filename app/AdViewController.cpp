#include "app/AdViewController.h"

#include "ads/core/PellarView.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Timer.h"
#include "platform/ui/views/InterfaceLoader.h"
#include "platform/ui/views/View.h"

#include <cstdlib>

void AdViewController::registerInterfaceClass()
{
    InterfaceLoader::registerClass("AdViewController",
        [](const JSONValue&) -> std::shared_ptr<Responder> { return std::make_shared<AdViewController>(); });
}

AdViewController::~AdViewController()
{
    if (auto timer = m_refreshTimer.lock())
        timer->invalidate();
}

void AdViewController::awakeFromInterface()
{
    // Whatever the interface description does with us, we stay for the process.
    m_keepAlive = std::static_pointer_cast<AdViewController>(shared_from_this());
    // No empty banner area before an ad has arrived.
    view()->setHidden(true);
    std::weak_ptr<PellarDelegate> host = std::static_pointer_cast<AdViewController>(shared_from_this());
    m_pellarAd = PellarView::requestAdWithDelegate(host);
}

void AdViewController::releaseForTesting()
{
    if (auto timer = m_refreshTimer.lock())
        timer->invalidate();
    m_keepAlive = nullptr;
}

void AdViewController::didReceiveAd(PellarView&)
{
    Log::write(kDidReceiveAdMessage);
    auto area = view();
    m_hasShownAd = true;
    area->setHidden(m_putAway);
    if (m_pellarAd) {
        // The area's frame in its own coordinates: its bounds, so the ad view fills it.
        m_pellarAd->setFrame(area->convertRect(area->frame(), area->superview()));
        if (m_pellarAd->superview() == area.get())
            area->bringSubviewToFront(m_pellarAd.get());
        else
            area->addSubview(m_pellarAd);
    }
    if (auto timer = m_refreshTimer.lock())
        timer->invalidate();
    std::weak_ptr<Responder> weakThis = weak_from_this();
    m_refreshTimer = Timer::scheduledTimer(refreshInterval(), true, [weakThis](Timer&) {
        if (auto self = std::static_pointer_cast<AdViewController>(weakThis.lock()))
            self->refreshAd();
    });
}

double AdViewController::refreshInterval()
{
    const char* value = std::getenv("VANTREL_REFRESH_INTERVAL");
    char* end = nullptr;
    double seconds = value ? std::strtod(value, &end) : 0;
    if (!value || end == value || *end || !(seconds >= 1 && seconds <= 3600))
        return kRefreshInterval;
    return seconds;
}

void AdViewController::setPutAway(bool away)
{
    m_putAway = away;
    // Before the first ad there is no banner to show.
    if (isViewLoaded())
        view()->setHidden(away || !m_hasShownAd);
}

void AdViewController::refreshAd()
{
    if (m_pellarAd)
        m_pellarAd->requestFreshAd();
}

void AdViewController::didFailToReceiveAd(PellarView&, const Error&)
{
    Log::write(kDidFailToReceiveAdMessage);
    m_pellarAd = nullptr;
}
