#pragma once

#include "ads/core/PellarAdDelegate.h"
#include "ads/core/PellarStoreURLCleanerDelegate.h"

#include <memory>
#include <optional>
#include <set>
#include <string>

class PellarAd;
class PellarDelegate;
class PellarModalViewController;
class PellarSingleAdView;
class PellarStoreURLCleaner;
class PellarView;
class URL;
class View;

// Coordinates one banner: starts the first ad, decides whether a refresh may
// go ahead, swaps the banner with a flip when a fresh ad has loaded, and
// carries out a click: the ad records it with the server, the banner shows
// its feedback, and the action of the server's answer is performed.
//
// The ad view owns the controller; the controller refers to the view and to
// the host without owning either.
class PellarController final : public PellarAdDelegate,
                               public PellarStoreURLCleanerDelegate,
                               public std::enable_shared_from_this<PellarController> {
public:
    // Refresh requests closer together than this are declined.
    static constexpr double kMinimumRefreshInterval = 30;
    // The one set by setMinimumRefreshInterval; else kMinimumRefreshInterval,
    // or the lower one PELLAR_MINIMUM_REFRESH_INTERVAL gives (at least 1 s):
    // tests and demos run many refreshes in little time.
    static double minimumRefreshInterval();
    // An embedding application's choice (at least 1 s; nullopt restores the
    // default above). Ignored when below 1 s or not a number.
    static void setMinimumRefreshInterval(std::optional<double> seconds);
    // The banner on screen carries this tag; one being flipped out carries 0.
    static constexpr int kBannerTag = 1;
    static constexpr const char* kNewAdAnimationID = "newPellarAd";
    static constexpr double kNewAdAnimationDuration = 0.7;

    static std::shared_ptr<PellarController> create();
    ~PellarController() override;
    PellarController(const PellarController&) = delete;
    PellarController& operator=(const PellarController&) = delete;

    // The ad view (it owns us and clears this when it goes) and the host.
    PellarView* view() const { return m_view; }
    void setView(PellarView* view) { m_view = view; }
    std::shared_ptr<PellarDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<PellarDelegate> delegate) { m_delegate = std::move(delegate); }

    const std::shared_ptr<PellarAd>& currentlyDisplayedAd() const { return m_currentlyDisplayedAd; }
    const std::shared_ptr<PellarAd>& loadingAd() const { return m_loadingAd; }
    // On the run loop's clock; nullopt before the first accepted refresh.
    const std::optional<double>& lastRequestForFreshAd() const { return m_lastRequestForFreshAd; }
    const std::shared_ptr<PellarModalViewController>& searchController() const { return m_searchController; }
    // The banner on screen: the view's subview with the banner tag.
    std::shared_ptr<PellarSingleAdView> bannerView() const;

    // Called by the ad view.
    void startFirstAdRequest();
    void requestFreshAd();

    // PellarAdDelegate
    Size adSize() override;
    void adDidLoad(PellarAd&) override;
    void adDidFailToLoad(PellarAd&, const Error&) override;
    void clickDidSucceed(PellarAd&, const std::optional<JSONValue>& response) override;
    void clickDidFail(PellarAd&) override;
    bool displaySearchWithAd(PellarAd&, const std::optional<std::string>& placeholderText,
        const std::optional<std::string>& webpageURL) override;

    // Called by the banner views: the ad records the click (with the
    // banner's interaction data when given), then the banner animates.
    void click(PellarSingleAdView&);
    void click(PellarSingleAdView&, const JSONValue& data);

    // PellarStoreURLCleanerDelegate
    void cleanerDidGenerateURL(PellarStoreURLCleaner&, const URL&) override;

    // Helpers
    std::shared_ptr<PellarAd> createAdWithInitiatedAdRequest();
    // The banner the banner factory picks for the ad, filling the ad view.
    std::shared_ptr<PellarSingleAdView> createBannerWithAd(const std::shared_ptr<PellarAd>&);
    void restoreAdAfterClickAnimationIfPossibleForAd(PellarAd&);

private:
    PellarController() = default;

    void cleanStoreURL(const URL&);
    void dropAd(std::shared_ptr<PellarAd>&);
    void clickDidFinish(PellarAd&);
    // The search screen goes when its own search's click settles without
    // opening a screen of its own; other ads' clicks leave it be.
    void giveBackSearchScreen(const PellarAd&);

    PellarView* m_view { nullptr };
    std::weak_ptr<PellarDelegate> m_delegate;
    std::shared_ptr<PellarAd> m_currentlyDisplayedAd;
    std::shared_ptr<PellarAd> m_loadingAd;
    std::optional<double> m_lastRequestForFreshAd;
    // What the last click-through screen opened needs kept (its controller);
    // kept until the next one.
    std::shared_ptr<void> m_clickScreen;
    // The last search screen opened and the ad whose click its search is.
    std::shared_ptr<PellarModalViewController> m_searchController;
    std::weak_ptr<PellarAd> m_searchAd;
    // Ads whose click the server has yet to answer. A refresh may replace the
    // clicked banner meanwhile; the ad is kept so that the click's action is
    // still carried out when the answer comes.
    std::set<std::shared_ptr<PellarAd>> m_clickedAds;
    // Cleaners following a store link; each is dropped once it has answered.
    std::set<std::shared_ptr<PellarStoreURLCleaner>> m_storeURLCleaners;
};
