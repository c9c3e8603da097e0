#include "ads/core/PellarAd.h"

#include "ads/banners/PellarBannerFactory.h"
#include "ads/core/PellarAdDelegate.h"
#include "ads/core/PellarAdParameters.h"
#include "ads/core/PellarDelegate.h"
#include "ads/core/PellarEndpoints.h"
#include "ads/core/PellarImageCache.h"
#include "ads/core/PellarLocalizer.h"
#include "ads/core/PellarURLDownload.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/PercentEscaping.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/StringUtilities.h"
#include "platform/ui/graphics/Image.h"
#include "json/JSONDeserializer.h"
#include "json/JSONSerializer.h"

const std::array<const char*, 4>& PellarAd::browserIcons()
{
    static const std::array<const char*, 4> names { "back", "back_disable", "forward", "forward_disable" };
    return names;
}

std::shared_ptr<PellarAd> PellarAd::create(PellarAdFormat format)
{
    return std::shared_ptr<PellarAd>(new PellarAd(format));
}

PellarAd::PellarAd(PellarAdFormat format)
    : m_format(format)
{
}

PellarAd::~PellarAd() = default;

// MARK: Request

void PellarAd::request()
{
    if (m_state != PellarAdState::New)
        return;
    // The strings table comes in its own time; the ad does not wait for it.
    PellarLocalizer::sharedLocalizer().downloadResourcesIfNecessary();
    loadBrowserIcons();
}

void PellarAd::loadBrowserIcons()
{
    m_state = PellarAdState::LoadingBrowserIcons;
    auto& cache = PellarImageCache::sharedCache();
    bool started = false;
    for (const char* name : browserIcons()) {
        if (cache.imageIsInCache(name))
            continue;
        addDownload(PellarEndpoints::browserIconURL(name), std::string(name), std::nullopt);
        started = true;
    }
    if (m_state == PellarAdState::LoadingBrowserIcons && !started)
        browserIconsDidFinishLoading();
}

void PellarAd::browserIconsDidFinishLoading()
{
    if (m_state != PellarAdState::LoadingBrowserIcons)
        return;
    m_state = PellarAdState::BrowserIconsLoaded;
    requestAdFromServer();
}

void PellarAd::requestAdFromServer()
{
    if (m_state != PellarAdState::BrowserIconsLoaded)
        return;

    std::string url = PellarAdParameters::requestURL(delegate(), m_format);
    m_state = PellarAdState::RequestingAd;
    addDownload(url, std::nullopt, std::nullopt);
}

void PellarAd::addDownload(
    const std::string& url, const std::optional<std::string>& identifier, const std::optional<std::string>& body)
{
    auto download = PellarURLDownload::create();
    if (!m_downloads.add(download))
        return;
    download->setDelegate(shared_from_this(), &PellarAd::downloadDidSucceed, &PellarAd::downloadDidFail);
    download->setIdentifier(identifier);
    download->loadContentsOfURLAtString(url, body);
}

// MARK: Finished downloads

void PellarAd::downloadDidSucceed(PellarURLDownload& download)
{
    auto protectedThis = shared_from_this();
    const PellarAdState state = m_state;
    // Nothing waits for a download in the other states; it stays tracked until the ad goes.
    if (state != PellarAdState::LoadingBrowserIcons && state != PellarAdState::RequestingAd
        && state != PellarAdState::LoadingImages && state != PellarAdState::LoadingFlexAd
        && state != PellarAdState::Clicked)
        return;
    auto taken = m_downloads.take(download);
    switch (state) {
    case PellarAdState::LoadingBrowserIcons:
        iconDownloadDidSucceed(download);
        break;
    case PellarAdState::RequestingAd:
        loadAdWithData(download.data().value_or(std::string()));
        break;
    case PellarAdState::LoadingImages:
        imageDownloadDidSucceed(download);
        break;
    case PellarAdState::Clicked:
        performClickWithData(download.data().value_or(std::string()));
        break;
    default:
        break; // a flexible ad being built fetches what it needs itself
    }
    download.cancel();
}

void PellarAd::downloadDidFail(PellarURLDownload& download)
{
    auto protectedThis = shared_from_this();
    auto taken = m_downloads.take(download);
    switch (m_state) {
    case PellarAdState::LoadingBrowserIcons:
    case PellarAdState::RequestingAd:
    case PellarAdState::LoadingImages:
        requestDidFail(download.error().value_or(Error { PellarURLDownload::kErrorDomain, 0, {} }));
        break;
    case PellarAdState::Clicked:
        clickDidFail();
        break;
    default:
        break;
    }
    download.cancel();
}

void PellarAd::iconDownloadDidSucceed(PellarURLDownload& download)
{
    std::optional<std::string> name = download.identifier();
    m_decoder.decode(download.data().value_or(std::string()), PellarImageDecoder::iconLimits(), weak_from_this(),
        [this, name](std::shared_ptr<const Image> image) {
            if (m_state != PellarAdState::LoadingBrowserIcons)
                return;
            if (!image) {
                requestDidFail(Error { kErrorDomain, kUnreadableImageError, "The ad's picture could not be read" });
                return;
            }
            if (name) {
                if (auto png = image->encodePNG())
                    PellarImageCache::sharedCache().storeImage(*png, *name);
            }
            if (imagesComplete())
                browserIconsDidFinishLoading();
        });
}

void PellarAd::imageDownloadDidSucceed(PellarURLDownload& download)
{
    const auto& identifier = download.identifier();
    bool isUserImage = identifier == kUserImageIdentifier;
    if (!isUserImage && identifier != kActionIconIdentifier) {
        if (imagesComplete())
            requestDidSucceed();
        return;
    }
    // An image banner fills the banner; every other picture is an icon.
    bool isBanner = isUserImage && m_answer.medium == PellarAdMedium::Banner;
    auto limits = isBanner ? PellarImageDecoder::bannerLimits(bannerSize()) : PellarImageDecoder::iconLimits();
    m_decoder.decode(download.data().value_or(std::string()), limits, weak_from_this(),
        [this, isUserImage](std::shared_ptr<const Image> image) {
            if (m_state != PellarAdState::LoadingImages)
                return;
            if (!image) {
                requestDidFail(Error { kErrorDomain, kUnreadableImageError, "The ad's picture could not be read" });
                return;
            }
            if (isUserImage) {
                m_userImage = std::move(image);
            } else {
                if (auto png = image->encodePNG(); png && m_answer.actionImageName)
                    PellarImageCache::sharedCache().storeImage(*png, *m_answer.actionImageName);
                m_actionImage = std::move(image);
            }
            if (imagesComplete())
                requestDidSucceed();
        });
}

Size PellarAd::bannerSize() const
{
    auto owner = adDelegate();
    return owner ? owner->adSize() : Size { 320, 48 };
}

bool PellarAd::imagesComplete() const
{
    return m_downloads.empty() && m_decoder.decodesInFlight() == 0;
}

// MARK: The answer

void PellarAd::loadAdWithData(const std::string& body)
{
    if (body.empty()) {
        requestDidFail(Error { kErrorDomain, kNoAdError, "The ad service has no ad" });
        return;
    }
    // The reader runs on a worker thread and touches nothing of the ad; the
    // result comes back to the main thread without waiting. An ad dropped
    // meanwhile is not revived for it.
    std::weak_ptr<PellarAd> weakThis = weak_from_this();
    RunLoop::main().performInBackground([body] { return JSONDeserializer().deserializeAsDictionary(body); },
        [weakThis](std::optional<JSONValue> answer) {
            if (auto self = weakThis.lock())
                self->didFinishParsingAdData(answer);
        });
}

void PellarAd::didFinishParsingAdData(const std::optional<JSONValue>& answer)
{
    // Only the request in flight may be answered.
    if (m_state != PellarAdState::RequestingAd)
        return;
    auto protectedThis = shared_from_this();

    m_answer = answer ? PellarAdAnswer::fromJSON(*answer) : PellarAdAnswer();
    if (!m_answer.action || !m_answer.jsonpUrl) {
        requestDidFail(Error { kErrorDomain, kInvalidAnswerError, "The ad service's answer is not an ad" });
        return;
    }

    if (m_answer.markup) {
        m_state = PellarAdState::LoadingFlexAd;
        Size size = bannerSize();
        std::weak_ptr<PellarFlexAdDelegate> flexDelegate
            = std::static_pointer_cast<PellarFlexAdDelegate>(shared_from_this());
        PellarBannerFactory::loadFlexAd(
            m_flexAd, *m_answer.markup, flexDelegate, m_delegate, Rect(0, 0, size.width, size.height));
        return;
    }

    auto url = m_answer.imageURL(PellarEndpoints::mediaHostURL());
    // The icon's name is one file name on the media host: "." or ".." would
    // reach another folder, so such an ad has no icon to fetch and fails.
    if (!m_answer.actionImageName || !PercentEscaping::addingPercentEscapesToPathSegment(*m_answer.actionImageName)
        || !url || (!m_answer.text && m_answer.medium == PellarAdMedium::Text)) {
        requestDidFail(Error { kErrorDomain, kInvalidAnswerError, "The ad service's answer is not an ad" });
        return;
    }
    loadImages(*url);
}

void PellarAd::loadImages(const std::string& imageURL)
{
    m_state = PellarAdState::LoadingImages;
    addDownload(imageURL, std::string(kUserImageIdentifier), std::nullopt);

    const std::string& iconName = *m_answer.actionImageName;
    auto& cache = PellarImageCache::sharedCache();
    if (cache.imageIsInCache(iconName)) {
        if (auto bytes = cache.fetchImageNamed(iconName)) {
            auto limits = PellarImageDecoder::iconLimits();
            m_actionImage = Image::decode(*bytes, 1.0, limits.maxPixels, limits.maxDimension);
        }
    }
    // A cached icon that no longer reads is fetched again rather than shown as nothing.
    if (m_actionImage || iconName == kSearchActionImageName)
        return;
    if (auto segment = PercentEscaping::addingPercentEscapesToPathSegment(iconName))
        addDownload(PellarEndpoints::actionIconURL(*segment), std::string(kActionIconIdentifier), std::nullopt);
}

void PellarAd::requestDidSucceed()
{
    auto protectedThis = shared_from_this();
    m_state = PellarAdState::Ready;
    if (auto owner = adDelegate())
        owner->adDidLoad(*this);
}

void PellarAd::requestDidFail(const Error& error)
{
    auto protectedThis = shared_from_this();
    m_downloads.giveUp();
    m_state = PellarAdState::Failed;
    if (auto owner = adDelegate())
        owner->adDidFailToLoad(*this, error);
}

// MARK: Flexible ad

// The factory holds the flexible ad in m_flexAd before its build starts, so
// even an answer that comes at once finds it there.

void PellarAd::flexAdDidLoad(PellarFlexAd&)
{
    if (m_state != PellarAdState::LoadingFlexAd)
        return;
    requestDidSucceed();
}

void PellarAd::flexAdDidFailLoadWithError(PellarFlexAd&, const Error& error)
{
    if (m_state != PellarAdState::LoadingFlexAd)
        return;
    requestDidFail(error);
}

// MARK: Clicks

void PellarAd::click()
{
    clickWithData(std::nullopt);
}

void PellarAd::clickWithData(const std::optional<JSONValue>& data)
{
    auto protectedThis = shared_from_this();
    m_state = PellarAdState::Clicked;
    std::optional<std::string> body;
    if (data) {
        try {
            body = JSONSerializer().serializeDictionary(*data);
        } catch (const JSONSerializerException& exception) {
            // Data the writer cannot express (a date, a number that is not
            // finite) cannot be recorded: the click fails instead of escaping
            // into the touch handling that made it.
            Log::write("Pellar: Could not record click: " + exception.reason());
            clickDidFail();
            return;
        }
    }
    addDownload(m_answer.jsonpUrl.value_or(std::string()), std::nullopt, body);
}

void PellarAd::performClickWithData(const std::string& body)
{
    if (body.empty()) {
        clickDidFail();
        return;
    }
    // Any non-empty answer means the click was recorded; only a JSON object is passed on.
    clickDidSucceedWithResponse(JSONDeserializer().deserializeAsDictionary(body));
}

void PellarAd::clickDidSucceedWithResponse(const std::optional<JSONValue>& response)
{
    auto protectedThis = shared_from_this();
    m_state = PellarAdState::Ready;
    if (auto owner = adDelegate())
        owner->clickDidSucceed(*this, response);
}

void PellarAd::clickDidFail()
{
    auto protectedThis = shared_from_this();
    m_state = PellarAdState::Ready;
    if (auto owner = adDelegate())
        owner->clickDidFail(*this);
}

// MARK: Pixels

void PellarAd::loadAccountingPixel()
{
    m_pixels.loadOnce(m_answer.accountingPixelUrl, m_answer.trackingPixelUrl, shared_from_this());
}

// MARK: Description

std::string PellarAd::description() const
{
    return "<PellarAd " + StringUtilities::addressText(this) + ": '" + m_answer.text.value_or("(null)") + "', '"
        + m_answer.action.value_or("(null)") + "', " + (m_userImage ? m_userImage->description() : "(null)") + ", "
        + (m_actionImage ? m_actionImage->description() : "(null)") + ", " + m_downloads.description() + ">";
}
