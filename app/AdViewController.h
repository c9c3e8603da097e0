#pragma once

#include "ads/core/PellarDelegate.h"
#include "platform/ui/views/ViewController.h"

#include <memory>

class PellarView;
class Timer;

// The app's side of the ad banner: its view (from the interface description)
// marks the banner's place on the test screen. It asks the ad library for a
// banner, supplies the publisher id and the colours, refuses location use,
// shows the banner once the first ad has arrived and asks for a fresh ad
// every 60 seconds. It keeps itself alive for the whole process.
class AdViewController final : public ViewController, public PellarDelegate {
public:
    static constexpr const char* kPublisherId = "c07d2e9b4f18a53";
    static constexpr double kRefreshInterval = 60.0;
    // kRefreshInterval, or VANTREL_REFRESH_INTERVAL's seconds (1 to 3600) for tests and demos.
    static double refreshInterval();
    static constexpr const char* kDidReceiveAdMessage = "Pellar: Did receive ad";
    static constexpr const char* kDidFailToReceiveAdMessage = "Pellar: Did fail to receive ad";

    // Lets interface descriptions name the class "AdViewController".
    static void registerInterfaceClass();

    AdViewController() = default;
    ~AdViewController() override;

    void awakeFromInterface() override;
    // Stops refreshing and lets go of itself (tests; the app never does).
    void releaseForTesting();

    const std::shared_ptr<PellarView>& pellarAd() const { return m_pellarAd; }
    std::shared_ptr<Timer> refreshTimer() const { return m_refreshTimer.lock(); }
    void refreshAd();

    // The screen may put the banner away for a while (a full-screen test):
    // it stays hidden, even when a new ad arrives, until it is let back.
    // Hidden, it is not drawn, so a new ad counts no impression meanwhile.
    bool isPutAway() const { return m_putAway; }
    void setPutAway(bool);

    // PellarDelegate
    std::string publisherId() override { return kPublisherId; }
    std::optional<bool> mayAskForLocation() override { return false; }
    std::optional<std::optional<Color>> adBackgroundColor() override { return Color::black(); }
    std::optional<std::optional<Color>> primaryTextColor() override { return Color::whiteColor(); }
    std::optional<std::optional<Color>> secondaryTextColor() override { return Color::whiteColor(); }
    void didReceiveAd(PellarView&) override;
    void didFailToReceiveAd(PellarView&, const Error&) override;

private:
    std::shared_ptr<PellarView> m_pellarAd;
    std::weak_ptr<Timer> m_refreshTimer; // the run loop keeps it
    std::shared_ptr<AdViewController> m_keepAlive;
    bool m_putAway { false };
    bool m_hasShownAd { false };
};
