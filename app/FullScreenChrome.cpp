#include "app/FullScreenChrome.h"

#include "app/AdViewController.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Timer.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/views/View.h"
#include "platform/ui/views/Window.h"

std::shared_ptr<FullScreenChrome> FullScreenChrome::create()
{
    auto chrome = std::shared_ptr<FullScreenChrome>(new FullScreenChrome);
    chrome->start();
    return chrome;
}

void FullScreenChrome::start()
{
    std::weak_ptr<FullScreenChrome> weakThis = weak_from_this();
    auto& center = NotificationCenter::defaultCenter();
    center.addObserver(this, Application::kUserActivityNotification, [weakThis](const Notification&) {
        if (auto self = weakThis.lock()) {
            self->bringBack();
            self->restartWait();
        }
    });
    center.addObserver(this, Application::kFullScreenDidChangeNotification, [weakThis](const Notification&) {
        if (auto self = weakThis.lock()) {
            if (!self->mayPutAway())
                self->bringBack();
            self->restartWait();
        }
    });
}

FullScreenChrome::~FullScreenChrome()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    if (m_wait)
        m_wait->invalidate();
}

void FullScreenChrome::setTestRunning(bool running)
{
    m_testRunning = running;
    if (!mayPutAway())
        bringBack();
    restartWait();
}

bool FullScreenChrome::mayPutAway() const
{
    if (!m_testRunning || !Application::shared().isFullScreen())
        return false;
    // Not behind another screen or an alert: the pointer is needed there.
    auto toolbar = m_toolbar.lock();
    auto key = Application::shared().keyWindow();
    return !toolbar || !toolbar->window() || !key || toolbar->window() == key.get();
}

void FullScreenChrome::restartWait()
{
    m_lastActivity = RunLoop::main().now();
    if (!mayPutAway() || m_away) {
        if (m_wait)
            m_wait->invalidate();
        m_wait = nullptr;
        return;
    }
    // One timer for the whole wait: a moving pointer only moves the start,
    // and the timer, when it fires early, waits out the rest.
    if (m_wait)
        return;
    std::weak_ptr<FullScreenChrome> weakThis = weak_from_this();
    m_wait = Timer::scheduledTimer(kIdleSeconds, false, [weakThis](Timer&) {
        if (auto self = weakThis.lock())
            self->waitDidEnd();
    });
}

void FullScreenChrome::waitDidEnd()
{
    m_wait = nullptr;
    if (!mayPutAway() || m_away)
        return;
    double left = m_lastActivity + kIdleSeconds - RunLoop::main().now();
    if (left > 1e-6) {
        std::weak_ptr<FullScreenChrome> weakThis = weak_from_this();
        m_wait = Timer::scheduledTimer(left, false, [weakThis](Timer&) {
            if (auto self = weakThis.lock())
                self->waitDidEnd();
        });
        return;
    }
    putAway();
}

void FullScreenChrome::putAway()
{
    auto banner = m_bannerArea.lock();
    auto toolbar = m_toolbar.lock();
    m_away = true;
    Application::shared().setPointerHidden(true);
    std::weak_ptr<FullScreenChrome> weakThis = weak_from_this();
    View::beginAnimations();
    View::setAnimationDuration(Application::shared().isReduceMotionEnabled() ? 0 : kSlideDuration);
    View::setAnimationDidStopHandler([weakThis](const std::string&, bool, void*) {
        auto self = weakThis.lock();
        // Called back before the slide ended: they stay.
        if (!self || !self->m_away)
            return;
        if (auto host = self->m_bannerHost.lock())
            host->setPutAway(true);
        else if (auto area = self->m_bannerArea.lock())
            area->setHidden(true);
        if (auto bar = self->m_toolbar.lock())
            bar->setHidden(true);
    });
    if (banner)
        banner->setTransform(AffineTransform::makeTranslation(0, -banner->frame().maxY()));
    if (toolbar)
        toolbar->setTransform(AffineTransform::makeTranslation(0,
            toolbar->superview() ? toolbar->superview()->bounds().height() - toolbar->frame().minY()
                                 : toolbar->frame().height()));
    View::commitAnimations();
}

void FullScreenChrome::bringBack()
{
    if (!m_away)
        return;
    m_away = false;
    Application::shared().setPointerHidden(false);
    if (auto host = m_bannerHost.lock())
        host->setPutAway(false);
    auto banner = m_bannerArea.lock();
    auto toolbar = m_toolbar.lock();
    if (toolbar)
        toolbar->setHidden(false);
    View::beginAnimations();
    View::setAnimationBeginsFromCurrentState(true);
    View::setAnimationDuration(Application::shared().isReduceMotionEnabled() ? 0 : kSlideDuration);
    if (banner)
        banner->setTransform(AffineTransform::identity());
    if (toolbar)
        toolbar->setTransform(AffineTransform::identity());
    View::commitAnimations();
}
