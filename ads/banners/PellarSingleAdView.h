#pragma once

#include "platform/ui/layers/AnimationDelegate.h"
#include "platform/ui/views/View.h"

#include <memory>
#include <string>
#include <vector>

class ActivityIndicatorView;
class KeyframeAnimation;
class PellarAd;
class PellarController;
class Timer;
class Touch;

// The base of every view that shows one ad in the 320 × 48 banner. It holds
// the ad and the controller and gives every banner the same press highlight,
// the touch records sent with a click, and the click feedback: the action
// icon pulses and vanishes, a spinner takes its place while the click is
// reported, and all is restored 0.3 s after the controller says it is done.
//
// Touches are refused from animateForClick() until that restore, so one
// click cannot be sent twice.
class PellarSingleAdView : public View, public AnimationDelegate {
public:
    static constexpr const char* kPulseAnimationKey = "PellarPulseAnimation";
    // The spinner follows the end of the pulse by this much.
    static constexpr double kSpinnerDelay = 0.3;
    // The spinner stays at least this long after the controller asks to restore.
    static constexpr double kRestoreDelay = 0.3;
    static Color highlightColor() { return Color::white(0.5, 0.5); }

    explicit PellarSingleAdView(const Rect& frame);
    ~PellarSingleAdView() override;

    // The ad shown (owned) and the banner's controller (not owned).
    const std::shared_ptr<PellarAd>& ad() const { return m_ad; }
    virtual void setAd(std::shared_ptr<PellarAd>);
    std::shared_ptr<PellarController> controller() const { return m_controller.lock(); }
    void setController(std::weak_ptr<PellarController> controller) { m_controller = std::move(controller); }
    // The view that pulses on a click (the action icon); kept by the view tree.
    std::shared_ptr<View> clickAnimationView() const { return m_clickAnimationView.lock(); }
    void setClickAnimationView(std::weak_ptr<View> view) { m_clickAnimationView = std::move(view); }
    // The spinner shown while a click is reported; kept by its superview.
    std::shared_ptr<ActivityIndicatorView> spinner() const { return m_spinner.lock(); }

    // The press highlight; the same value twice changes nothing.
    void setTouched(bool);
    bool isTouched() const { return m_touched; }

    // Click feedback, driven by the controller.
    void animateForClick();
    void restoreAdAfterClickAnimation();
    bool isAnimatingForClick() const { return m_animatingForClick; }
    bool removeSpinnerRequested() const { return m_removeSpinnerRequested; }

    // The pulse's end.
    void animationDidStop(Animation&, bool finished) override;

    // The pulse: the icon grows to 1.4 times its size in the first 0.2 s,
    // shrinks to nothing by 0.5 s and stays so. Banners may pulse differently.
    virtual std::shared_ptr<KeyframeAnimation> pulseAnimationWithDelegate(std::weak_ptr<AnimationDelegate>) const;
    static std::shared_ptr<KeyframeAnimation> defaultPulseAnimation(std::weak_ptr<AnimationDelegate>);

    // Appends "end,x,y,time" for `touch` (located in `view`) to `history`:
    // end is 1 for a touch end and 0 for a start, x and y are whole points and
    // the time (six decimals) is seconds since the banner was first drawn.
    static std::vector<std::string> recordTouch(
        const Touch&, bool isTouchEnd, const View* view, double time, std::vector<std::string> history);

protected:
    // Timer callbacks.
    void addSpinner(Timer&, Point center);
    void stopAnimationAndRestore(Timer*);

private:
    void scheduleRestore();

    std::shared_ptr<PellarAd> m_ad;
    std::weak_ptr<PellarController> m_controller;
    std::weak_ptr<View> m_clickAnimationView;
    std::weak_ptr<ActivityIndicatorView> m_spinner;
    bool m_animatingForClick { false };
    bool m_removeSpinnerRequested { false };
    std::shared_ptr<Timer> m_removeSpinnerTimer;
    std::shared_ptr<Timer> m_addSpinnerTimer;
    std::shared_ptr<View> m_highlightView;
    bool m_touched { false };
};
