#pragma once

#include "ads/flex/PellarFlexAdDelegate.h"
#include "json/JSONValue.h"
#include "platform/ui/graphics/Color.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

class Image;
class PellarAdDelegate;
class PellarDelegate;
class PellarFlexAd;
class PellarURLDownload;

enum PellarAdFormat : int32_t {
    PellarAdFormatBar = 0,
    PellarAdFormatFullScreen = 1,
};

enum PellarAdMedium : int32_t {
    PellarAdMediumText = 0,   // text banner with an icon-side picture
    PellarAdMediumBanner = 1, // one full image
    PellarAdMediumSearch = 2, // search banner
};

enum PellarAdState : int32_t {
    PellarAdStateNew = 0,
    PellarAdStateLoadingBrowserIcons = 1,
    PellarAdStateBrowserIconsLoaded = 2,
    PellarAdStateRequestingAd = 3, // request in flight, then its answer being parsed
    PellarAdStateLoadingImages = 4,
    PellarAdStateLoadingFlexAd = 5,
    PellarAdStateReady = 6,
    PellarAdStateFailed = 7, // final
    PellarAdStateClicked = 8, // a click is being recorded with the server
};

// One ad from creation to ready or failed: it makes sure the browser icons
// are cached, asks the ad server for an ad with the host's settings, reads
// the answer (on a worker thread), loads the ad's image and action icon or
// hands a "markup" answer to a flexible ad, and reports to its owner. A ready
// ad records clicks with the server and fires its accounting and tracking
// pixels once; the banner views read its fields and display attributes.
//
// Every download the ad starts on its own path is tracked in
// activeDownloads, which is the download's only owner; what happens when one
// finishes depends on the ad's state at that moment.
class PellarAd final : public PellarFlexAdDelegate, public std::enable_shared_from_this<PellarAd> {
public:
    // The parameters of an ad request in the order they were entered; a key
    // entered again keeps its place and takes the new value.
    using Parameters = std::vector<std::pair<std::string, std::string>>;

    static constexpr const char* kSDKVersionParameter = "20091130-SDK-e41b7c09d2a6f385";
    static constexpr const char* kUserImageIdentifier = "userImage";
    static constexpr const char* kActionIconIdentifier = "actionIcon";
    static constexpr const char* kAccountingPixelIdentifier = "accountingPixel";
    static constexpr const char* kTrackingPixelIdentifier = "trackingPixel";
    // An action icon of this name is drawn by the search banner itself.
    static constexpr const char* kSearchActionImageName = "search";
    // Partner components the ad server wants to hear about when the host links them.
    static constexpr const char* kBannerRotatorClassName = "BannerRotatorView";
    static constexpr const char* kRewardConnectClassName = "RewardConnect";
    static Color defaultBackgroundColor() { return Color::rgba(0.443, 0.514, 0.631, 1.0); }

    // The icons of the embedded browser's tool bar, fetched before every ad
    // request unless the image cache holds them fresh.
    static const std::array<const char*, 4>& browserIcons();

    // Creation: an ad in state PellarAdStateNew. The creator then sets the
    // host and the owner and calls request().
    static std::shared_ptr<PellarAd> create(int32_t format = PellarAdFormatBar);
    ~PellarAd() override;
    PellarAd(const PellarAd&) = delete;
    PellarAd& operator=(const PellarAd&) = delete;

    // The host (settings, colours) and the owner; neither is owned.
    std::shared_ptr<PellarDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<PellarDelegate> delegate) { m_delegate = std::move(delegate); }
    std::shared_ptr<PellarAdDelegate> adDelegate() const { return m_adDelegate.lock(); }
    void setAdDelegate(std::weak_ptr<PellarAdDelegate> adDelegate) { m_adDelegate = std::move(adDelegate); }

    // Properties read by the controller, the banner views and the click-through screens.
    int32_t state() const { return m_state; }
    int32_t format() const { return m_format; }
    int32_t medium() const { return m_medium; }
    const std::optional<std::string>& text() const { return m_text; }
    const std::optional<std::string>& action() const { return m_action; }
    const std::optional<std::string>& actionImageName() const { return m_actionImageName; }
    const std::optional<std::string>& jsonpUrl() const { return m_jsonpUrl; }
    const std::optional<std::string>& suggestionUrl() const { return m_suggestionUrl; }
    const std::optional<std::string>& searchPlaceholder() const { return m_searchPlaceholder; }
    const std::optional<std::string>& searchHelpURL() const { return m_searchHelpURL; }
    bool accountingPixelLoaded() const { return m_accountingPixelLoaded; }
    const std::optional<std::string>& accountingPixelUrl() const { return m_accountingPixelUrl; }
    const std::optional<std::string>& trackingPixelUrl() const { return m_trackingPixelUrl; }
    const std::optional<std::string>& userString() const { return m_userString; }
    const std::shared_ptr<const Image>& userImage() const { return m_userImage; }
    const std::shared_ptr<const Image>& actionImage() const { return m_actionImage; }
    const std::shared_ptr<PellarFlexAd>& flexAd() const { return m_flexAd; }
    // Tracked downloads not yet finished (or finished in a state that ignores them).
    size_t activeDownloadCount() const { return m_activeDownloads ? m_activeDownloads->size() : 0; }

    // Ready to show: ready, or ready and recording a click.
    bool readyForDisplay() const { return m_state == PellarAdStateReady || m_state == PellarAdStateClicked; }

    // The request. Only the first call does anything.
    void request();

    // Clicks: records one with the server. With data, the data's JSON text is
    // POSTed; without, the click URL is fetched with GET.
    void click();
    void clickWithData(const std::optional<JSONValue>& data);

    // Fires the accounting and tracking pixels, once in the ad's life.
    void loadAccountingPixel();

    // Display attributes: the host's colours and spinner when it gives them.
    Color backgroundColor() const;
    Color textColor() const;
    // 2: grey activity indicator; 1: white.
    int spinnerStyle() const;

    // "<PellarAd 0x...: 'text', 'action', image, icon, downloads>"
    std::string description() const;

    // The request's parameters from the host's answers, the bundle, the
    // device, the language and the location. Throws when the host is gone.
    Parameters buildParams();
    // The demographic part: position, postal code, area code, gender, date of birth.
    Parameters userDemographicInfo();
    // "key=value&..." with keys and values percent-escaped; no leading "?".
    static std::string queryStringFromDictionary(const Parameters&);
    // The parameters as a JSON object, for sending them as click data.
    static JSONValue dictionaryFromParameters(const Parameters&);

    // Download callbacks of the tracked downloads.
    void downloadDidSucceed(PellarURLDownload&);
    void downloadDidFail(PellarURLDownload&);

    // PellarFlexAdDelegate
    void flexAdDidLoad(PellarFlexAd&) override;
    void flexAdDidFailLoadWithError(PellarFlexAd&, const PellarError&) override;

private:
    explicit PellarAd(int32_t format);

    // The request path, in order.
    void loadBrowserIcons();
    void browserIconsDidFinishLoading();
    void requestAdFromServer();
    void addDownload(const std::string& url, const std::optional<std::string>& identifier, const std::optional<std::string>& body);
    void loadAdWithData(const std::string& body);
    void didFinishParsingAdData(const std::optional<JSONValue>& answer);
    void requestDidSucceed();
    void requestDidFail();

    // Finished downloads, by the state the ad was in.
    void iconDownloadDidSucceed(PellarURLDownload&);
    void imageDownloadDidSucceed(PellarURLDownload&);
    std::shared_ptr<PellarURLDownload> takeTrackedDownload(PellarURLDownload&);

    // Clicks.
    void performClickWithData(const std::string& body);
    void clickDidSucceedWithResponse(const std::optional<JSONValue>& response);
    void clickDidFail();

    // Pixels.
    void startPixel(const std::string& url, const char* identifier);
    void pixelDownloadDidFinish(PellarURLDownload&);

    std::weak_ptr<PellarDelegate> m_delegate;
    std::weak_ptr<PellarAdDelegate> m_adDelegate;
    int32_t m_state { PellarAdStateNew };
    // nullopt once a failure has given the set up: later downloads are not tracked.
    std::optional<std::set<std::shared_ptr<PellarURLDownload>>> m_activeDownloads;
    int32_t m_format;
    int32_t m_medium { PellarAdMediumText };
    std::optional<std::string> m_text;
    std::optional<std::string> m_action;
    std::optional<std::string> m_actionImageName;
    std::optional<std::string> m_jsonpUrl;
    std::optional<std::string> m_suggestionUrl;
    std::optional<std::string> m_searchPlaceholder;
    std::optional<std::string> m_searchHelpURL;
    bool m_accountingPixelLoaded { false };
    std::optional<std::string> m_accountingPixelUrl;
    std::optional<std::string> m_trackingPixelUrl;
    std::optional<std::string> m_userString;
    std::shared_ptr<const Image> m_userImage;
    std::shared_ptr<const Image> m_actionImage;
    std::shared_ptr<PellarFlexAd> m_flexAd;
    // Pixel downloads in flight. Each one's callbacks hold the ad, so the ad
    // lives until its pixels have answered.
    std::set<std::shared_ptr<PellarURLDownload>> m_pixelDownloads;
};
