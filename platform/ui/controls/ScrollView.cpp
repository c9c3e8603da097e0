#include "platform/ui/controls/ScrollView.h"

#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Timer.h"
#include "platform/ui/views/Application.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// A scroll indicator is a thin bar this far from the edges.
constexpr double kIndicatorThickness = 3;
constexpr double kIndicatorInset = 2;
constexpr double kIndicatorMinimumLength = 12;
constexpr double kIndicatorLinger = 0.5;
// A wheel that stops turning for this long lets a paged view settle.
constexpr double kWheelSettleDelay = 0.2;
// Samples older than this say nothing about the speed at lift-off.
constexpr double kVelocityWindow = 0.1;
// Free scrolling stops below this speed (points per second).
constexpr double kStopVelocity = 10;

// Past an end the content follows the finger at half speed.
double rubberBand(double value, double minimum, double maximum, bool bounces)
{
    if (value < minimum)
        return bounces ? minimum + (value - minimum) / 2 : minimum;
    if (value > maximum)
        return bounces ? maximum + (value - maximum) / 2 : maximum;
    return value;
}

} // namespace

ScrollView::ScrollView(const Rect& frame)
    : View(frame)
{
    setClipsToBounds(true);
}

ScrollView::~ScrollView()
{
    for (auto* timer : { &m_motionTimer, &m_wheelSettleTimer, &m_indicatorTimer })
        if (*timer)
            (*timer)->invalidate();
}

void ScrollView::setContentSize(Size size)
{
    m_contentSize = { std::max(0.0, size.width), std::max(0.0, size.height) };
    updateIndicators();
}

Point ScrollView::maximumContentOffset() const
{
    Size visible = bounds().size;
    return { std::max(0.0, m_contentSize.width - visible.width), std::max(0.0, m_contentSize.height - visible.height) };
}

bool ScrollView::scrollsHorizontally() const
{
    return m_scrollEnabled && (m_contentSize.width > bounds().width() || m_alwaysBounceHorizontal);
}

bool ScrollView::scrollsVertically() const
{
    return m_scrollEnabled && (m_contentSize.height > bounds().height() || m_alwaysBounceVertical);
}

Point ScrollView::clampedOffset(Point offset) const
{
    Point most = maximumContentOffset();
    return { std::clamp(offset.x, 0.0, most.x), std::clamp(offset.y, 0.0, most.y) };
}

void ScrollView::setContentOffset(Point offset)
{
    stopMotion();
    applyOffset(offset);
}

void ScrollView::setContentOffset(Point offset, bool animated)
{
    if (!animated) {
        setContentOffset(offset);
        return;
    }
    if (offset == contentOffset()) {
        stopMotion();
        return;
    }
    startMotion(Motion::Animation, offset, kAnimatedScrollDuration, 0);
}

void ScrollView::applyOffset(Point offset)
{
    // Non-finite offsets would poison every later conversion.
    if (!std::isfinite(offset.x) || !std::isfinite(offset.y))
        return;
    Rect b = bounds();
    if (b.origin == offset)
        return;
    b.origin = offset;
    setBounds(b);
    // Content that is laid out for what shows (rows of a list) follows the offset.
    setNeedsLayout();
    updateIndicators();
    if (auto d = delegate())
        d->scrollViewDidScroll(*this);
}

// MARK: Touches

static Point visibleLocation(const TouchSet& touches, const View& view)
{
    auto touch = touches.anyObject();
    if (!touch)
        return {};
    // Relative to the visible area, so scrolling does not move the finger.
    return touch->locationInView(&view) - view.bounds().origin;
}

void ScrollView::touchesBegan(const TouchSet& touches, const Event& event)
{
    if (!m_scrollEnabled) {
        View::touchesBegan(touches, event);
        return;
    }
    m_tracking = true;
    m_dragging = false;
    // A finger on moving content stops it and belongs to the scrolling.
    m_tookOverTouch = m_motion != Motion::None && m_motion != Motion::WheelSettle;
    stopMotion();
    if (m_wheelSettleTimer)
        m_wheelSettleTimer->invalidate();
    m_touchStart = visibleLocation(touches, *this);
    m_offsetAtTouchStart = contentOffset();
    m_samples = { { event.timestamp, m_touchStart } };
    // A touch on the scroll view itself (no content under it) goes up the
    // responder chain as well, until it becomes a drag.
    m_forwardingTouch = !m_tookOverTouch && touchedDirectly(touches);
    if (m_forwardingTouch)
        View::touchesBegan(touches, event);
}

bool ScrollView::touchedDirectly(const TouchSet& touches) const
{
    auto touch = touches.anyObject();
    return touch && touch->view().get() == this;
}

void ScrollView::touchesMoved(const TouchSet& touches, const Event& event)
{
    if (!m_tracking)
        return;
    Point location = visibleLocation(touches, *this);
    m_samples.push_back({ event.timestamp, location });
    while (m_samples.size() > 2 && event.timestamp - m_samples.front().time > kVelocityWindow)
        m_samples.erase(m_samples.begin());
    Point moved = location - m_touchStart;
    bool horizontal = scrollsHorizontally(), vertical = scrollsVertically();
    if (!m_dragging) {
        bool far
            = (horizontal && std::abs(moved.x) >= kDragThreshold) || (vertical && std::abs(moved.y) >= kDragThreshold);
        if (!far) {
            if (m_forwardingTouch)
                View::touchesMoved(touches, event);
            return;
        }
        if (!m_canCancelContentTouches && !m_tookOverTouch && !touchedDirectly(touches))
            return; // the subview keeps the touch
        m_dragging = true;
        m_tookOverTouch = true;
        if (m_forwardingTouch) {
            m_forwardingTouch = false;
            View::touchesCancelled(touches, event);
        }
        if (auto d = delegate())
            d->scrollViewWillBeginDragging(*this);
    }
    Point most = maximumContentOffset();
    Point offset = m_offsetAtTouchStart;
    if (horizontal)
        offset.x = rubberBand(m_offsetAtTouchStart.x - moved.x, 0, most.x, m_bounces);
    if (vertical)
        offset.y = rubberBand(m_offsetAtTouchStart.y - moved.y, 0, most.y, m_bounces);
    showIndicators();
    applyOffset(offset);
}

void ScrollView::touchesEnded(const TouchSet& touches, const Event& event)
{
    if (!m_tracking)
        return;
    m_samples.push_back({ event.timestamp, visibleLocation(touches, *this) });
    bool forwarding = std::exchange(m_forwardingTouch, false);
    endDrag();
    if (forwarding)
        View::touchesEnded(touches, event);
}

void ScrollView::touchesCancelled(const TouchSet& touches, const Event& event)
{
    if (!m_tracking)
        return;
    m_samples.clear();
    bool forwarding = std::exchange(m_forwardingTouch, false);
    endDrag();
    if (forwarding)
        View::touchesCancelled(touches, event);
}

Point ScrollView::fingerVelocity() const
{
    if (m_samples.size() < 2)
        return {};
    const Sample& last = m_samples.back();
    // The oldest sample within the window, or the newest before the last.
    const Sample* first = &m_samples[m_samples.size() - 2];
    for (const auto& sample : m_samples) {
        if (last.time - sample.time <= kVelocityWindow) {
            first = &sample;
            break;
        }
    }
    double dt = last.time - first->time;
    // Moves that arrive together (no time between them) give no speed.
    if (dt < 1e-4)
        return {};
    return { (last.location.x - first->location.x) / dt, (last.location.y - first->location.y) / dt };
}

Point ScrollView::pageTarget(Point offset, Point velocity) const
{
    // The content moves against the finger: a finger flicking left shows the next page.
    auto axis = [](double position, double pageSize, double contentVelocity, double most) {
        if (pageSize <= 0)
            return position;
        double page = position / pageSize;
        double target;
        if (contentVelocity > kFlickVelocity)
            target = std::floor(page) + 1;
        else if (contentVelocity < -kFlickVelocity)
            target = std::ceil(page) - 1;
        else
            target = std::floor(page + 0.5);
        double lastPage = std::ceil(most / pageSize - 1e-9);
        return std::clamp(target, 0.0, std::max(0.0, lastPage)) * pageSize;
    };
    Point most = maximumContentOffset();
    Point target = offset;
    if (scrollsHorizontally())
        target.x = std::min(axis(offset.x, bounds().width(), -velocity.x, most.x), most.x);
    if (scrollsVertically())
        target.y = std::min(axis(offset.y, bounds().height(), -velocity.y, most.y), most.y);
    return target;
}

void ScrollView::endDrag()
{
    bool wasDragging = m_dragging;
    bool tookOver = m_tookOverTouch;
    m_tracking = false;
    m_dragging = false;
    m_tookOverTouch = false;
    Point velocity = fingerVelocity();
    m_samples.clear();
    Point offset = contentOffset();
    Point target;
    double duration = kPageSnapDuration;
    double decay = 0;
    if (m_pagingEnabled) {
        target = pageTarget(offset, wasDragging ? velocity : Point {});
    } else {
        // Momentum: the content goes on at the finger's speed, slowing by the
        // deceleration rate each millisecond, and stops at the ends.
        decay = -std::log(kDecelerationRate) * 1000;
        Point v = wasDragging ? Point { -velocity.x, -velocity.y } : Point {};
        if (!scrollsHorizontally())
            v.x = 0;
        if (!scrollsVertically())
            v.y = 0;
        double speed = std::hypot(v.x, v.y);
        target = clampedOffset({ offset.x + v.x / decay, offset.y + v.y / decay });
        duration = speed > kStopVelocity ? std::log(speed / kStopVelocity) / decay : 0;
        if (target != offset && duration < kPageSnapDuration) {
            // Springing back from past an end, or a slow release.
            duration = kPageSnapDuration;
            decay = 0;
        }
    }
    bool willDecelerate = target != offset;
    if (wasDragging) {
        if (auto d = delegate())
            d->scrollViewDidEndDragging(*this, willDecelerate);
    }
    if (willDecelerate) {
        startMotion(Motion::Deceleration, target, duration, decay);
    } else {
        if (wasDragging || tookOver)
            hideIndicators();
        if (wasDragging) {
            // Nothing moves on, yet the drag has ended: the motion is over.
            if (auto d = delegate())
                d->scrollViewDidEndDecelerating(*this);
        }
    }
}

// MARK: Wheel

void ScrollView::scrollByWheel(Point delta)
{
    if (!m_scrollEnabled || m_tracking)
        return;
    Point from = m_motion == Motion::Animation || m_motion == Motion::Deceleration ? m_motionTo : contentOffset();
    stopMotion();
    Point offset = clampedOffset(
        { from.x + (scrollsHorizontally() ? delta.x : 0), from.y + (scrollsVertically() ? delta.y : 0) });
    showIndicators();
    applyOffset(offset);
    if (!m_pagingEnabled) {
        hideIndicators();
        return;
    }
    if (m_wheelSettleTimer)
        m_wheelSettleTimer->invalidate();
    std::weak_ptr<View> weakThis = sharedView();
    m_wheelSettleTimer = RunLoop::main().performAfterDelay(kWheelSettleDelay, [weakThis] {
        auto self = std::static_pointer_cast<ScrollView>(weakThis.lock());
        if (!self || self->m_tracking)
            return;
        Point target = self->pageTarget(self->contentOffset(), {});
        // Already on a page: the scroll ends here, and the delegate hears
        // so as it would after a settling motion.
        if (target == self->contentOffset())
            self->finishMotion(Motion::WheelSettle);
        else
            self->startMotion(Motion::WheelSettle, target, kPageSnapDuration, 0);
    });
}

void ScrollView::scrollByPages(int pages, bool horizontal)
{
    if (!m_scrollEnabled || m_tracking || pages == 0)
        return;
    Point from = m_motion == Motion::Animation || m_motion == Motion::WheelSettle ? m_motionTo : contentOffset();
    double pageSize = horizontal ? bounds().width() : bounds().height();
    if (pageSize <= 0)
        return;
    Point target = from;
    double& axis = horizontal ? target.x : target.y;
    axis = (std::floor(axis / pageSize + 0.5) + pages) * pageSize;
    target = clampedOffset(target);
    if (target == contentOffset())
        return;
    showIndicators();
    startMotion(Motion::Animation, target, kPageSnapDuration, 0);
}

bool ScrollView::scrollWheelAt(Point screenLocation, Point delta, bool discrete)
{
    View* hit = Application::shared().hitTest(screenLocation);
    bool horizontal = std::abs(delta.x) >= std::abs(delta.y);
    for (View* v = hit; v; v = v->superview()) {
        auto* scroll = dynamic_cast<ScrollView*>(v);
        if (!scroll || !(horizontal ? scroll->scrollsHorizontally() : scroll->scrollsVertically()))
            continue;
        double amount = horizontal ? delta.x : delta.y;
        if (discrete && scroll->isPagingEnabled())
            scroll->scrollByPages(amount > 0 ? 1 : amount < 0 ? -1 : 0, horizontal);
        else if (discrete)
            scroll->scrollByWheel(horizontal ? Point { amount * kWheelNotch, 0 } : Point { 0, amount * kWheelNotch });
        else
            scroll->scrollByWheel(horizontal ? Point { amount, 0 } : Point { 0, amount });
        return true;
    }
    return false;
}

// MARK: Motion

void ScrollView::startMotion(Motion motion, Point target, double duration, double decay)
{
    stopMotion();
    m_motion = motion;
    m_decelerating = motion == Motion::Deceleration;
    m_motionFrom = contentOffset();
    m_motionTo = target;
    m_motionStart = RunLoop::main().now();
    m_motionDuration = duration;
    m_motionDecay = decay;
    std::weak_ptr<View> weakThis = sharedView();
    m_motionTimer = Timer::scheduledTimer(kFrameInterval, true, [weakThis](Timer& timer) {
        if (auto self = std::static_pointer_cast<ScrollView>(weakThis.lock()))
            self->stepMotion();
        else
            timer.invalidate();
    });
}

void ScrollView::stepMotion()
{
    double t = RunLoop::main().now() - m_motionStart;
    if (t >= m_motionDuration || m_motionDuration <= 0) {
        Motion finished = m_motion;
        Point to = m_motionTo;
        if (m_motionTimer)
            m_motionTimer->invalidate();
        m_motionTimer = nullptr;
        m_motion = Motion::None;
        applyOffset(to);
        finishMotion(finished);
        return;
    }
    if (m_motion != Motion::Animation)
        showIndicators();
    double progress;
    if (m_motionDecay > 0) {
        // The exponential slow-down, scaled to reach the target at the end.
        progress = (1 - std::exp(-m_motionDecay * t)) / (1 - std::exp(-m_motionDecay * m_motionDuration));
    } else {
        double u = t / m_motionDuration;
        progress = 1 - (1 - u) * (1 - u) * (1 - u);
    }
    applyOffset({ m_motionFrom.x + (m_motionTo.x - m_motionFrom.x) * progress,
        m_motionFrom.y + (m_motionTo.y - m_motionFrom.y) * progress });
}

void ScrollView::stopMotion()
{
    if (m_motionTimer)
        m_motionTimer->invalidate();
    m_motionTimer = nullptr;
    m_motion = Motion::None;
    m_decelerating = false;
}

void ScrollView::finishMotion(Motion motion)
{
    m_decelerating = false;
    hideIndicators();
    auto d = delegate();
    if (!d)
        return;
    if (motion == Motion::Deceleration)
        d->scrollViewDidEndDecelerating(*this);
    else if (motion == Motion::Animation || motion == Motion::WheelSettle)
        d->scrollViewDidEndScrollingAnimation(*this);
}

// MARK: Indicators

void ScrollView::layoutSubviews()
{
    updateIndicators();
}

void ScrollView::updateIndicators()
{
    Rect b = bounds();
    bool moving = m_indicatorsShown;
    auto place = [&](std::shared_ptr<View>& indicator, bool wanted, Rect frame) {
        if (!wanted || !moving || frame.isEmpty()) {
            if (indicator)
                indicator->setHidden(true);
            return;
        }
        if (!indicator) {
            indicator = View::make(frame);
            indicator->setBackgroundColor(Color::black().withAlpha(0.45));
            indicator->setUserInteractionEnabled(false);
            indicator->layer().setCornerRadius(kIndicatorThickness / 2);
        }
        if (indicator->superview() != this || subviews().back() != indicator)
            addSubview(indicator); // always above the content
        indicator->setFrame(frame);
        indicator->setHidden(false);
    };
    auto bar = [](double visible, double content, double offset, double track) {
        // Length in proportion to the visible share; shorter while past an end.
        double length = content > 0 ? track * std::min(1.0, visible / content) : track;
        double overshoot = offset < 0 ? -offset : std::max(0.0, offset + visible - content);
        length = std::max(kIndicatorMinimumLength, length - overshoot);
        double range = std::max(0.0, content - visible);
        double fraction = range > 0 ? std::clamp(offset / range, 0.0, 1.0) : 0;
        return std::pair { (track - length) * fraction, length };
    };
    double hTrack = b.width() - 2 * kIndicatorInset - kIndicatorThickness;
    auto [hPos, hLen] = bar(b.width(), m_contentSize.width, b.origin.x, hTrack);
    place(m_horizontalIndicator, m_showsHorizontalIndicator && m_contentSize.width > b.width(),
        { b.origin.x + kIndicatorInset + hPos, b.origin.y + b.height() - kIndicatorInset - kIndicatorThickness, hLen,
            kIndicatorThickness });
    double vTrack = b.height() - 2 * kIndicatorInset - kIndicatorThickness;
    auto [vPos, vLen] = bar(b.height(), m_contentSize.height, b.origin.y, vTrack);
    place(m_verticalIndicator, m_showsVerticalIndicator && m_contentSize.height > b.height(),
        { b.origin.x + b.width() - kIndicatorInset - kIndicatorThickness, b.origin.y + kIndicatorInset + vPos,
            kIndicatorThickness, vLen });
}

void ScrollView::showIndicators()
{
    if (m_indicatorTimer)
        m_indicatorTimer->invalidate();
    m_indicatorTimer = nullptr;
    m_indicatorsShown = true;
}

void ScrollView::hideIndicators()
{
    if (!m_indicatorsShown)
        return;
    if (m_indicatorTimer)
        m_indicatorTimer->invalidate();
    std::weak_ptr<View> weakThis = sharedView();
    m_indicatorTimer = RunLoop::main().performAfterDelay(kIndicatorLinger, [weakThis] {
        if (auto self = std::static_pointer_cast<ScrollView>(weakThis.lock())) {
            self->m_indicatorsShown = false;
            self->updateIndicators();
        }
    });
}
