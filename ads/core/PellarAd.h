#pragma once

#include "ads/core/PellarAdAnswer.h"
#include "ads/core/PellarAdAppearance.h"
#include "ads/core/PellarAdDownloads.h"
#include "ads/core/PellarAdFormat.h"
#include "ads/core/PellarAdPixels.h"
#include "ads/core/PellarFlexAdDelegate.h"
#include "ads/core/PellarImageDecoder.h"
#include "json/JSONValue.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class Image;
class PellarAdDelegate;
class PellarDelegate;
class PellarFlexAd;
class PellarURLDownload;

enum class PellarAdState : int32_t {
    New = 0,
    LoadingBrowserIcons = 1,
    BrowserIconsLoaded = 2,
    RequestingAd = 3, // request in flight, then its answer being parsed
    LoadingImages = 4,
    LoadingFlexAd = 5,
    Ready = 6,
    Failed = 7, // final
    Clicked = 8, // a click is being recorded with the server
};

// One ad from creation to ready or failed: it makes sure the browser icons
// are cached, asks the ad server for an ad with the host's settings, reads
// the answer (on a worker thread) into a PellarAdAnswer, loads the ad's
// image and action icon (decoded by its PellarImageDecoder) or hands a
// "markup" answer to a flexible ad, and reports to its owner. A ready ad
// records clicks with the server and fires its PellarAdPixels once; the
// banner views read its fields and display attributes.
//
// Every download the ad starts on its own path is owned by its
// PellarAdDownloads; what happens when one finishes depends on the ad's
// state at that moment.
class PellarAd final : public PellarFlexAdDelegate, public std::enable_shared_from_this<PellarAd> {
public:
    static constexpr const char* kUserImageIdentifier = "userImage";
    static constexpr const char* kActionIconIdentifier = "actionIcon";
    // An action icon of this name is drawn by the search banner itself.
    static constexpr const char* kSearchActionImageName = "search";

    // Why an ad failed when no download's own error says it: the server sent
    // nothing, an answer that is no ad, or pictures that do not read.
    static constexpr const char* kErrorDomain = "kPellarAdErrorDomain";
    static constexpr int kNoAdError = -1;
    static constexpr int kInvalidAnswerError = -2;
    static constexpr int kUnreadableImageError = -3;

    // The icons of the embedded browser's tool bar, fetched before every ad
    // request unless the image cache holds them fresh.
    static const std::array<const char*, 4>& browserIcons();

    // Creation: an ad in state New. The creator then sets the host and the
    // owner and calls request().
    static std::shared_ptr<PellarAd> create(PellarAdFormat = PellarAdFormat::Bar);
    ~PellarAd() override;
    PellarAd(const PellarAd&) = delete;
    PellarAd& operator=(const PellarAd&) = delete;

    // The host (settings, colours) and the owner; neither is owned.
    std::shared_ptr<PellarDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<PellarDelegate> delegate) { m_delegate = std::move(delegate); }
    std::shared_ptr<PellarAdDelegate> adDelegate() const { return m_adDelegate.lock(); }
    void setAdDelegate(std::weak_ptr<PellarAdDelegate> adDelegate) { m_adDelegate = std::move(adDelegate); }

    // Properties read by the controller, the banner views and the click-through screens.
    // The answer's fields are empty until the answer has been read.
    PellarAdState state() const { return m_state; }
    PellarAdFormat format() const { return m_format; }
    PellarAdMedium medium() const { return m_answer.medium; }
    const std::optional<std::string>& text() const { return m_answer.text; }
    const std::optional<std::string>& action() const { return m_answer.action; }
    PellarClickAction clickAction() const { return m_answer.clickAction; }
    const std::optional<std::string>& actionImageName() const { return m_answer.actionImageName; }
    const std::optional<std::string>& jsonpUrl() const { return m_answer.jsonpUrl; }
    const std::optional<std::string>& suggestionUrl() const { return m_answer.suggestionUrl; }
    const std::optional<std::string>& searchPlaceholder() const { return m_answer.searchPlaceholder; }
    const std::optional<std::string>& searchHelpURL() const { return m_answer.searchHelpURL; }
    bool accountingPixelLoaded() const { return m_pixels.loaded(); }
    const std::optional<std::string>& accountingPixelUrl() const { return m_answer.accountingPixelUrl; }
    const std::optional<std::string>& trackingPixelUrl() const { return m_answer.trackingPixelUrl; }
    const std::optional<std::string>& userString() const { return m_answer.userString; }
    const std::shared_ptr<const Image>& userImage() const { return m_userImage; }
    const std::shared_ptr<const Image>& actionImage() const { return m_actionImage; }
    const std::shared_ptr<PellarFlexAd>& flexAd() const { return m_flexAd; }
    // Tracked downloads not yet finished (or finished in a state that ignores them).
    size_t activeDownloadCount() const { return m_downloads.count(); }

    // Ready to show: ready, or ready and recording a click.
    bool readyForDisplay() const { return m_state == PellarAdState::Ready || m_state == PellarAdState::Clicked; }

    // The request. Only the first call does anything.
    void request();

    // Clicks: records one with the server. With data, the data's JSON text is
    // POSTed; without, the click URL is fetched with GET.
    void click();
    void clickWithData(const std::optional<JSONValue>& data);

    // Fires the accounting and tracking pixels, once in the ad's life.
    void loadAccountingPixel();

    // Display attributes: the host's colours and spinner when it gives them.
    Color backgroundColor() const { return PellarAdAppearance::backgroundColor(delegate()); }
    Color textColor() const { return PellarAdAppearance::textColor(delegate()); }
    ActivityIndicatorViewStyle spinnerStyle() const { return PellarAdAppearance::spinnerStyle(delegate()); }

    // "<PellarAd 0x...: 'text', 'action', image, icon, downloads>"
    std::string description() const;

    // Download callbacks of the tracked downloads.
    void downloadDidSucceed(PellarURLDownload&);
    void downloadDidFail(PellarURLDownload&);

    // PellarFlexAdDelegate
    void flexAdDidLoad(PellarFlexAd&) override;
    void flexAdDidFailLoadWithError(PellarFlexAd&, const Error&) override;

private:
    explicit PellarAd(PellarAdFormat);

    // The request path, in order.
    void loadBrowserIcons();
    void browserIconsDidFinishLoading();
    void requestAdFromServer();
    void addDownload(
        const std::string& url, const std::optional<std::string>& identifier, const std::optional<std::string>& body);
    void loadAdWithData(const std::string& body);
    void didFinishParsingAdData(const std::optional<JSONValue>& answer);
    void loadImages(const std::string& imageURL);
    void requestDidSucceed();
    void requestDidFail(const Error&);

    // Finished downloads, by the state the ad was in.
    void iconDownloadDidSucceed(PellarURLDownload&);
    void imageDownloadDidSucceed(PellarURLDownload&);
    // The owner's banner size, or the standard banner's without an owner.
    Size bannerSize() const;
    bool imagesComplete() const;

    // Clicks.
    void performClickWithData(const std::string& body);
    void clickDidSucceedWithResponse(const std::optional<JSONValue>& response);
    void clickDidFail();

    std::weak_ptr<PellarDelegate> m_delegate;
    std::weak_ptr<PellarAdDelegate> m_adDelegate;
    PellarAdState m_state { PellarAdState::New };
    PellarAdDownloads m_downloads;
    PellarAdFormat m_format;
    PellarAdAnswer m_answer;
    std::shared_ptr<const Image> m_userImage;
    std::shared_ptr<const Image> m_actionImage;
    PellarImageDecoder m_decoder;
    std::shared_ptr<PellarFlexAd> m_flexAd;
    // Each pixel download holds the ad until it has answered.
    PellarAdPixels m_pixels;
};
