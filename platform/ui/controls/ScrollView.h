#pragma once

#include "platform/ui/controls/ScrollViewDelegate.h"
#include "platform/ui/views/View.h"

#include <memory>
#include <vector>

class Timer;

// A view that shows a larger content through its bounds: the content offset is
// the bounds' origin, so subviews placed in content coordinates move as it
// scrolls. A touch that moves far enough along a scrollable direction becomes
// a drag (taking the touch from the subview it began in); when the finger
// lifts the content decelerates, or with paging snaps to the nearest page (a
// flick goes on to the next). A touch on the scroll view itself, where no
// content is, also goes up the responder chain until it becomes a drag. All
// motion runs on the run loop's clock.
class ScrollView : public View {
public:
    // How far a touch moves before it is a drag rather than a tap.
    static constexpr double kDragThreshold = 8;
    // Speed of a finger lifting that counts as a flick (points per second).
    static constexpr double kFlickVelocity = 250;
    static constexpr double kPageSnapDuration = 0.3;
    static constexpr double kAnimatedScrollDuration = 0.3;
    // Momentum lost per millisecond of free scrolling.
    static constexpr double kDecelerationRate = 0.998;
    static constexpr double kFrameInterval = 1.0 / 60;

    explicit ScrollView(const Rect& frame = {});
    ~ScrollView() override;

    Size contentSize() const { return m_contentSize; }
    void setContentSize(Size);
    Point contentOffset() const { return bounds().origin; }
    // Moves the content at once (stopping any motion), or animated.
    void setContentOffset(Point);
    void setContentOffset(Point, bool animated);
    // The largest offset that still shows content at the view's far edges.
    Point maximumContentOffset() const;

    std::shared_ptr<ScrollViewDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<ScrollViewDelegate> d) { m_delegate = std::move(d); }

    bool isScrollEnabled() const { return m_scrollEnabled; }
    void setScrollEnabled(bool e) { m_scrollEnabled = e; }
    bool isPagingEnabled() const { return m_pagingEnabled; }
    void setPagingEnabled(bool p) { m_pagingEnabled = p; }
    // Dragging past an end follows the finger at half speed and springs back.
    bool bounces() const { return m_bounces; }
    void setBounces(bool b) { m_bounces = b; }
    bool alwaysBounceHorizontal() const { return m_alwaysBounceHorizontal; }
    void setAlwaysBounceHorizontal(bool b) { m_alwaysBounceHorizontal = b; }
    bool alwaysBounceVertical() const { return m_alwaysBounceVertical; }
    void setAlwaysBounceVertical(bool b) { m_alwaysBounceVertical = b; }
    bool showsHorizontalScrollIndicator() const { return m_showsHorizontalIndicator; }
    void setShowsHorizontalScrollIndicator(bool s) { m_showsHorizontalIndicator = s; }
    bool showsVerticalScrollIndicator() const { return m_showsVerticalIndicator; }
    void setShowsVerticalScrollIndicator(bool s) { m_showsVerticalIndicator = s; }
    bool scrollsToTop() const { return m_scrollsToTop; }
    void setScrollsToTop(bool s) { m_scrollsToTop = s; }
    // A subview's touch is held back briefly, and a drag cancels a subview's touch.
    bool delaysContentTouches() const { return m_delaysContentTouches; }
    void setDelaysContentTouches(bool d) { m_delaysContentTouches = d; }
    bool canCancelContentTouches() const { return m_canCancelContentTouches; }
    void setCanCancelContentTouches(bool c) { m_canCancelContentTouches = c; }

    // A finger is down on the content (it may not have moved yet).
    bool isTracking() const { return m_tracking; }
    bool isDragging() const { return m_dragging; }
    // Moving on its own after a drag.
    bool isDecelerating() const { return m_decelerating; }

    // Moves by `delta` points as a touchpad does: clamped to the content, no
    // momentum; with paging, settles on the nearest page shortly after.
    void scrollByWheel(Point delta);
    // Turns a paged view by whole pages (a mouse wheel's notches), animated.
    void scrollByPages(int pages, bool horizontal);
    // A mouse wheel notch moves unpaged content this far.
    static constexpr double kWheelNotch = 48;
    // Hands a wheel or touchpad scroll at a screen point to the innermost
    // scroll view under it that can move that way. `discrete` deltas are
    // notches of a wheel, others points. Answers whether a view took it.
    static bool scrollWheelAt(Point screenLocation, Point delta, bool discrete);
    // Whether the content can move along each axis.
    bool scrollsHorizontally() const;
    bool scrollsVertically() const;

    // Touch tracking (see View::tracksSubviewTouches).
    bool tracksSubviewTouches() const override { return m_scrollEnabled; }
    bool delaysSubviewTouches() const override { return m_delaysContentTouches; }
    bool hasTakenOverTouch() const override { return m_tookOverTouch; }
    void touchesBegan(const TouchSet&, const Event&) override;
    void touchesMoved(const TouchSet&, const Event&) override;
    void touchesEnded(const TouchSet&, const Event&) override;
    void touchesCancelled(const TouchSet&, const Event&) override;

    // Runs again after every change of the offset, so a subclass can lay out
    // what shows (the rows of a list); a subclass calls this one too.
    void layoutSubviews() override;

private:
    enum class Motion { None, Deceleration, Animation, WheelSettle };
    struct Sample {
        double time;
        Point location;
    };

    // Sets the bounds' origin and tells the delegate when it changed.
    void applyOffset(Point);
    Point clampedOffset(Point) const;
    bool touchedDirectly(const TouchSet&) const;
    // The finger's velocity over the last moments (points per second, in view coordinates).
    Point fingerVelocity() const;
    Point pageTarget(Point offset, Point velocity) const;
    void endDrag();
    void startMotion(Motion, Point target, double duration, double decay);
    void stepMotion();
    void stopMotion();
    void finishMotion(Motion);
    void updateIndicators();
    void showIndicators();
    // Hides the indicators once they have lingered a moment.
    void hideIndicators();

    std::weak_ptr<ScrollViewDelegate> m_delegate;
    Size m_contentSize;
    bool m_scrollEnabled { true };
    bool m_pagingEnabled { false };
    bool m_bounces { true };
    bool m_alwaysBounceHorizontal { false };
    bool m_alwaysBounceVertical { false };
    bool m_showsHorizontalIndicator { true };
    bool m_showsVerticalIndicator { true };
    bool m_scrollsToTop { true };
    bool m_delaysContentTouches { true };
    bool m_canCancelContentTouches { true };

    bool m_tracking { false };
    bool m_dragging { false };
    bool m_decelerating { false };
    bool m_tookOverTouch { false };
    bool m_forwardingTouch { false }; // a touch on this view itself, passed up the chain while no drag
    Point m_touchStart; // in the superview's coordinates, which do not scroll
    Point m_offsetAtTouchStart;
    std::vector<Sample> m_samples;

    Motion m_motion { Motion::None };
    std::shared_ptr<Timer> m_motionTimer;
    double m_motionStart { 0 };
    double m_motionDuration { 0 };
    double m_motionDecay { 0 }; // 0: ease-out cubic; otherwise the exponential rate
    Point m_motionFrom;
    Point m_motionTo;
    std::shared_ptr<Timer> m_wheelSettleTimer;

    std::shared_ptr<View> m_horizontalIndicator;
    std::shared_ptr<View> m_verticalIndicator;
    std::shared_ptr<Timer> m_indicatorTimer;
    bool m_indicatorsShown { false };
};
