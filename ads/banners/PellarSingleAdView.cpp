#include "ads/banners/PellarSingleAdView.h"

#include "ads/core/PellarAd.h"
#include "platform/foundation/Timer.h"
#include "platform/ui/controls/ActivityIndicatorView.h"
#include "platform/ui/layers/KeyframeAnimation.h"
#include "platform/ui/views/Touch.h"

#include <cstdio>

PellarSingleAdView::PellarSingleAdView(const Rect& frame)
    : View(frame)
{
    setOpaque(true);
    // Nothing an ad brings (an oversized icon, a long text) may paint over the host's screen.
    setClipsToBounds(true);
}

PellarSingleAdView::~PellarSingleAdView()
{
    if (m_removeSpinnerTimer)
        m_removeSpinnerTimer->invalidate();
    if (m_addSpinnerTimer)
        m_addSpinnerTimer->invalidate();
}

void PellarSingleAdView::setAd(std::shared_ptr<PellarAd> ad)
{
    m_ad = std::move(ad);
    setNeedsDisplay();
}

void PellarSingleAdView::setTouched(bool touched)
{
    if (touched == m_touched)
        return;
    if (!m_highlightView) {
        m_highlightView = View::make(bounds());
        m_highlightView->setUserInteractionEnabled(false);
        m_highlightView->setBackgroundColor(highlightColor());
    }
    if (touched)
        addSubview(m_highlightView);
    else
        m_highlightView->removeFromSuperview();
    m_touched = touched;
}

std::shared_ptr<KeyframeAnimation> PellarSingleAdView::defaultPulseAnimation(std::weak_ptr<AnimationDelegate> delegate)
{
    auto pulse = KeyframeAnimation::animationWithKeyPath("transform");
    pulse->setKeyTimes({ 0.0, 0.4, 1.0 });
    pulse->setValues(
        { Transform3D::identity(), Transform3D::makeScale(1.4, 1.4, 1), Transform3D::makeScale(0.001, 0.001, 1) });
    pulse->setDuration(0.5);
    // The icon stays invisible until the restore removes the animation.
    pulse->setRemovedOnCompletion(false);
    pulse->setFillMode(FillMode::Forwards);
    pulse->setDelegate(std::move(delegate));
    return pulse;
}

std::shared_ptr<KeyframeAnimation> PellarSingleAdView::pulseAnimationWithDelegate(
    std::weak_ptr<AnimationDelegate> delegate) const
{
    return defaultPulseAnimation(std::move(delegate));
}

void PellarSingleAdView::animateForClick()
{
    setUserInteractionEnabled(false);
    auto iconView = clickAnimationView();
    // Without an icon there is nothing to pulse and no spinner: the banner
    // just refuses touches until the restore.
    if (!iconView)
        return;
    m_animatingForClick = true;
    auto self = std::dynamic_pointer_cast<AnimationDelegate>(shared_from_this());
    iconView->layer().addAnimation(pulseAnimationWithDelegate(self), kPulseAnimationKey);
}

void PellarSingleAdView::animationDidStop(Animation&, bool)
{
    auto iconView = clickAnimationView();
    Point center = iconView ? iconView->frame().center() : bounds().center();
    if (m_addSpinnerTimer)
        m_addSpinnerTimer->invalidate();
    std::weak_ptr<Responder> weakThis = weak_from_this();
    m_addSpinnerTimer = Timer::scheduledTimer(kSpinnerDelay, false, [weakThis, center](Timer& timer) {
        if (auto self = std::static_pointer_cast<PellarSingleAdView>(weakThis.lock()))
            self->addSpinner(timer, center);
    });
}

void PellarSingleAdView::addSpinner(Timer& timer, Point center)
{
    auto style = m_ad ? m_ad->spinnerStyle() : ActivityIndicatorViewStyle::White;
    // A spinner still turning from an earlier click would otherwise stay on
    // screen for good once the field forgets it.
    if (auto old = m_spinner.lock())
        old->removeFromSuperview();
    auto spinner = View::make<ActivityIndicatorView>(style);
    spinner->setCenter(center);
    auto iconView = clickAnimationView();
    View* parent = iconView && iconView->superview() ? iconView->superview() : this;
    parent->addSubview(spinner);
    spinner->startAnimating();
    m_spinner = spinner;
    m_animatingForClick = false;
    if (m_removeSpinnerRequested)
        scheduleRestore();
    if (&timer == m_addSpinnerTimer.get()) {
        m_addSpinnerTimer->invalidate();
        m_addSpinnerTimer = nullptr;
    }
}

void PellarSingleAdView::restoreAdAfterClickAnimation()
{
    // While the pulse runs or its spinner is pending, addSpinner schedules
    // the restore, so the spinner always shows for a while.
    if (m_animatingForClick) {
        m_removeSpinnerRequested = true;
        return;
    }
    scheduleRestore();
}

void PellarSingleAdView::scheduleRestore()
{
    if (m_removeSpinnerTimer)
        m_removeSpinnerTimer->invalidate();
    std::weak_ptr<Responder> weakThis = weak_from_this();
    m_removeSpinnerTimer = Timer::scheduledTimer(kRestoreDelay, false, [weakThis](Timer& timer) {
        if (auto self = std::static_pointer_cast<PellarSingleAdView>(weakThis.lock()))
            self->stopAnimationAndRestore(&timer);
    });
}

void PellarSingleAdView::stopAnimationAndRestore(Timer* timer)
{
    if (auto spinner = m_spinner.lock()) {
        spinner->stopAnimating();
        spinner->removeFromSuperview();
    }
    m_spinner.reset();
    if (timer && timer == m_removeSpinnerTimer.get()) {
        m_removeSpinnerTimer->invalidate();
        m_removeSpinnerTimer = nullptr;
    }
    if (auto iconView = clickAnimationView())
        iconView->layer().removeAnimation(kPulseAnimationKey);
    m_removeSpinnerRequested = false;
    setUserInteractionEnabled(true);
}

std::vector<std::string> PellarSingleAdView::recordTouch(
    const Touch& touch, bool isTouchEnd, const View* view, double time, std::vector<std::string> history)
{
    if (history.capacity() < 2)
        history.reserve(2);
    Point location = touch.locationInView(view);
    char record[128];
    std::snprintf(record, sizeof record, "%i,%.0f,%.0f,%f", isTouchEnd ? 1 : 0, location.x, location.y, time);
    history.emplace_back(record);
    return history;
}
