#pragma once

#include "ads/core/PellarDelegate.h"
#include "base/Error.h"
#include "platform/gtk/GtkLayerRenderer.h"

#include <functional>
#include <gtk/gtk.h>
#include <memory>
#include <optional>
#include <string>

class PellarView;
class Timer;
class Window;

// One embedded banner's side of the ad library: the PellarDelegate that
// answers with the widget's properties, the platform window the ad view
// lives in (drawn into the widget with GtkLayerRenderer), and the refresh
// timer. The widget owns it; the library holds it by weak pointer, and
// detach() (the widget's dispose) cuts every call back to the widget.
class PellarBannerHost final : public PellarDelegate, public std::enable_shared_from_this<PellarBannerHost> {
public:
    // What the widget's properties say; unset is "the library's default".
    struct Settings {
        std::string publisherId;
        std::optional<std::string> adServerURL;
        std::optional<std::string> mediaHost;
        std::optional<std::string> keywords;
        std::optional<std::string> searchString;
        std::optional<std::string> postalCode;
        std::optional<std::string> areaCode;
        std::optional<std::string> gender;
        std::optional<Date> dateOfBirth;
        bool testMode { false };
        bool locationAllowed { false };
        std::optional<Color> backgroundColor;
        std::optional<Color> primaryTextColor;
        std::optional<Color> secondaryTextColor;
        bool graySpinner { false };
    };

    // What the widget hears.
    struct Events {
        std::function<void()> received;
        std::function<void(const Error&)> failed;
        std::function<void()> willPresentScreen;
        std::function<void()> didDismissScreen;
    };

    // -1: the library's own interval; 0: no refresh.
    static constexpr int kDefaultRefreshInterval = -1;

    PellarBannerHost(GtkWidget* widget, Events);
    ~PellarBannerHost() override;
    PellarBannerHost(const PellarBannerHost&) = delete;
    PellarBannerHost& operator=(const PellarBannerHost&) = delete;

    Settings& settings() { return m_settings; }
    GtkWidget* widget() const { return m_widget; }
    const std::shared_ptr<Window>& window() const { return m_window; }
    const std::shared_ptr<PellarView>& adView() const { return m_adView; }

    // The first call starts the first ad; later ones ask for a fresh ad,
    // which the library declines when the last came too recently.
    void requestAd();
    bool hasRequested() const { return m_adView != nullptr; }

    // Refresh: seconds between ads (see kDefaultRefreshInterval). The timer
    // runs only while the banner shows; time hidden does not count.
    void setRefreshInterval(int seconds);
    // The seconds the timer waits between ads; nullopt: no refresh.
    std::optional<double> effectiveRefreshInterval() const;
    void setShowing(bool);
    bool isShowing() const { return m_showing; }
    // Seconds until the next refresh, counted only while showing; nullopt when none is due.
    std::optional<double> timeUntilRefresh() const;

    // Drawing and input, in the widget's units (points).
    void snapshot(GtkSnapshot*);
    void allocate(int width, int height);
    // Widget coordinates to the application's screen points.
    Point toScreen(double x, double y) const;
    // Before a touch on this banner: its window goes on top, so the touch finds it.
    void willTouch();
    // Stops every call back to the widget and gives up the ad view; any
    // click-through screen this banner opened closes.
    void detach();

    // PellarDelegate
    std::string publisherId() override;
    void didReceiveAd(PellarView&) override;
    void didFailToReceiveAd(PellarView&, const Error&) override;
    void willPresentFullScreenModal() override;
    void didDismissFullScreenModal() override;
    std::optional<std::optional<Color>> adBackgroundColor() override;
    std::optional<std::optional<Color>> primaryTextColor() override;
    std::optional<std::optional<Color>> secondaryTextColor() override;
    std::optional<bool> useGraySpinner() override;
    std::optional<bool> mayAskForLocation() override;
    std::optional<std::optional<std::string>> postalCode() override;
    std::optional<std::optional<std::string>> areaCode() override;
    std::optional<std::optional<std::string>> gender() override;
    std::optional<std::optional<Date>> dateOfBirth() override;
    std::optional<std::optional<std::string>> keywords() override;
    std::optional<std::optional<std::string>> searchString() override;
    std::optional<bool> useTestAd() override;
    std::optional<std::optional<std::string>> adserverEndpoint() override;

private:
    void scheduleRefresh();
    void cancelRefresh();
    void refreshDue();
    void placeAdView();
    void applyMediaHost();

    GtkWidget* m_widget;
    Events m_events;
    Settings m_settings;
    GtkLayerRenderer m_renderer;
    std::shared_ptr<Window> m_window;
    std::shared_ptr<PellarView> m_adView;
    int m_refreshInterval { kDefaultRefreshInterval };
    bool m_showing { false };
    // Left of the interval when the timer was paused (or not yet started).
    std::optional<double> m_remaining;
    std::shared_ptr<Timer> m_refreshTimer;
    bool m_presenting { false };
};
