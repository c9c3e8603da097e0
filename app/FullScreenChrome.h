#pragma once

#include <memory>

class AdViewController;
class Timer;
class View;

// The test screen's controls step aside in full screen: while the test runs
// and nobody has touched the pointer or the keyboard for kIdleSeconds, the
// banner slides off the top and the toolbar off the bottom, and the pointer
// hides, so every pixel of the screen can be tested with the square. Any
// pointer movement, touch or key brings them back and starts the wait again.
//
// A banner put away is hidden, not only moved off screen: a hidden banner is
// not drawn, and an ad counts its impression when it is drawn, so an ad that
// arrives meanwhile counts none until it shows.
class FullScreenChrome final : public std::enable_shared_from_this<FullScreenChrome> {
public:
    static constexpr double kIdleSeconds = 3.0;
    static constexpr double kSlideDuration = 0.3;

    static std::shared_ptr<FullScreenChrome> create();
    ~FullScreenChrome();

    void setBannerArea(std::shared_ptr<View> area) { m_bannerArea = std::move(area); }
    void setBannerHost(std::shared_ptr<AdViewController> host) { m_bannerHost = std::move(host); }
    void setToolbar(std::shared_ptr<View> toolbar) { m_toolbar = std::move(toolbar); }

    // The controls may go only while the test runs in full screen.
    void setTestRunning(bool);
    // Banner and toolbar are away (or on their way out).
    bool isAway() const { return m_away; }

private:
    FullScreenChrome() = default;
    void start();
    bool mayPutAway() const;
    // The wait starts again from now, or stops when the controls must stay.
    void restartWait();
    void waitDidEnd();
    void putAway();
    void bringBack();

    std::weak_ptr<View> m_bannerArea;
    std::weak_ptr<AdViewController> m_bannerHost;
    std::weak_ptr<View> m_toolbar;
    std::shared_ptr<Timer> m_wait;
    double m_lastActivity { 0 };
    bool m_testRunning { false };
    bool m_away { false };
};
