#pragma once

#include "ads/flex/PellarFlexAnimationBuilder.h"
#include "base/Error.h"
#include "platform/ui/graphics/Color.h"
#include "platform/ui/graphics/Rect.h"
#include "json/JSONValue.h"

#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

class Image;
class PellarDelegate;
class PellarFlexAdContainerView;
class PellarFlexAdDelegate;
class PellarURLDownload;
class View;

// A banner the ad server describes element by element (the answer's
// "markup"): downloads the description's image assets, then builds one view
// per element (labels, images, plain boxes, gradient backgrounds and paged
// groups, with their animations) into a container view, and tells its
// delegate that the banner is ready or has failed.
//
// The description is hostile input: besides the tolerant reading of every
// setting, the work it can ask for is bounded. Past each bound the rest is
// skipped, the banner is built from what fits, and a log line names the bound.
class PellarFlexAd final : public std::enable_shared_from_this<PellarFlexAd> {
public:
    static constexpr const char* kErrorDomain = "kPellarFlexAdErrorDomain";
    // The asset table ("$") is present but not an object.
    static constexpr int kAssetTableError = -1;

    // Bounds on a description's work: assets downloaded, their bytes in
    // total, element views built (pages count as elements), paged groups
    // nested inside pages, and the area of the elements that draw.
    static constexpr size_t kMaximumAssets = 32;
    static constexpr size_t kMaximumTotalAssetBytes = 4 * 1024 * 1024;
    static constexpr size_t kMaximumElements = 2000;
    static constexpr int kMaximumPagedGroupNesting = 8;
    // Labels, images and gradients each keep a backing image of their size
    // at the screen's scale: their area together is bounded too, to about
    // 130 banners' worth (32 MiB of backing images at scale 2).
    static constexpr double kMaximumTotalDrawnArea = 2'000'000;
    // Assets decode to at most this many pixels on a side: an element's
    // largest backing image at the screen's scale.
    static constexpr int kMaximumAssetSide = 2048;

    // Defaults of the description's settings.
    static constexpr double kSystemFontSize = 14; // the platform's standard label size
    static constexpr float kDefaultMinimumFontSize = 8.0f;
    static constexpr float kDefaultBevelWidth = 0.5f;
    static constexpr float kDefaultBevelRadius = 6.5f;
    static constexpr float kDefaultBevelCornerMeetingPoint = 0.5f;
    static constexpr float kDefaultGradientInitialAlpha = 0.5f;
    static constexpr float kDefaultGradientEndPoint = 0.4375f;
    static Color defaultAdBackgroundColor() { return Color::rgba(0.443, 0.514, 0.631); }

    // Creates the container with `frame` and stores the description and both
    // delegates (neither owned). The build starts with buildFlexAd(), once the
    // creator holds the result, so an answer that comes at once finds the
    // flexible ad already in place.
    static std::shared_ptr<PellarFlexAd> create(const JSONValue& description, std::weak_ptr<PellarFlexAdDelegate>,
        std::weak_ptr<PellarDelegate> pellarDelegate, const Rect& frame);
    // Cancels the downloads still in flight; the delegate hears nothing more.
    ~PellarFlexAd();
    PellarFlexAd(const PellarFlexAd&) = delete;
    PellarFlexAd& operator=(const PellarFlexAd&) = delete;

    // Starts the asset downloads, or builds at once when there are none. Once.
    void buildFlexAd();

    // The container the elements are built into. The ad owns it until the
    // banner factory shows it as the banner; from then on the view tree owns
    // it, because the banner holds its ad and an ad that still held its
    // banner would keep both alive for good.
    std::shared_ptr<PellarFlexAdContainerView> containerView() const;
    std::shared_ptr<PellarFlexAdContainerView> takeContainerView();
    size_t downloadsInFlight() const { return m_downloads.size(); }

    // The process-wide colours: the first host asked fixes them for good.
    Color primaryTextColor() const;
    Color secondaryTextColor() const;
    Color adBackgroundColor() const;
    // Forgets the process-wide colours (tests).
    static void resetColorCaches();

    // Builds the element views an array describes, in order (exposed for the
    // fuzz target and tests; the build uses it for the banner and each page).
    std::vector<std::shared_ptr<View>> viewsFromArray(const JSONValue& elements);
    // Decoded pictures under asset names, as if downloaded, for builds that
    // fetch nothing (the benchmark and the fuzz target).
    void setDecodedAssets(std::map<std::string, std::shared_ptr<Image>> images) { m_images = std::move(images); }

private:
    PellarFlexAd(const JSONValue&, std::weak_ptr<PellarFlexAdDelegate>, std::weak_ptr<PellarDelegate>, const Rect&);

    void downloadDidSucceed(PellarURLDownload&);
    void downloadDidFail(PellarURLDownload&);
    void cancelDownloads();
    // Decodes the downloaded assets off the main thread, then builds.
    void assetsDidFinishLoading();
    void buildViews();
    void didFailWithError(const Error&);

    std::shared_ptr<View> viewFromDictionary(const JSONValue& element);
    std::shared_ptr<View> labelFromDictionary(const JSONValue&, const Rect&);
    std::shared_ptr<View> imageViewFromDictionary(const JSONValue&, const Rect&);
    std::shared_ptr<View> gradientViewFromDictionary(const JSONValue&, const Rect&);
    std::shared_ptr<View> plainViewFromDictionary(const JSONValue&, const Rect&);
    std::shared_ptr<View> pagesViewFromDictionary(const JSONValue&, const Rect&);
    // Counts one more element against the bound; false (logged once) past it.
    bool takeElement();

    std::map<std::string, std::string> m_assets; // name → bytes, until decoded
    std::map<std::string, std::shared_ptr<Image>> m_images; // name → decoded image, during the build
    std::weak_ptr<PellarFlexAdDelegate> m_delegate;
    std::weak_ptr<PellarDelegate> m_pellarDelegate;
    std::shared_ptr<PellarFlexAdContainerView> m_containerView;
    std::weak_ptr<PellarFlexAdContainerView> m_shownContainerView; // once taken
    JSONValue m_decodedMarkup;
    std::set<std::shared_ptr<PellarURLDownload>> m_downloads;
    bool m_started { false };
    bool m_finished { false };
    size_t m_assetBytes { 0 };
    bool m_assetBytesLogged { false };
    size_t m_elementsBuilt { 0 };
    bool m_elementsLogged { false };
    int m_pagedGroupDepth { 0 };
    bool m_nestingLogged { false };
    double m_drawnArea { 0 };
    bool m_drawnAreaLogged { false };
    PellarFlexAnimationBuilder::Budget m_animationBudget;
};
