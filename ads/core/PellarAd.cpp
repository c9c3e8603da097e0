#include "ads/core/PellarAd.h"

#include "ads/core/PellarAdDelegate.h"
#include "ads/core/PellarAppData.h"
#include "ads/core/PellarClassRegistry.h"
#include "ads/core/PellarDelegate.h"
#include "ads/core/PellarEndpoints.h"
#include "ads/core/PellarImageCache.h"
#include "ads/core/PellarLocalizer.h"
#include "ads/core/PellarLocationManager.h"
#include "ads/core/PellarURLDownload.h"
#include "ads/flex/PellarFlexAd.h"
#include "json/JSONDeserializer.h"
#include "json/JSONSerializer.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/PercentEscaping.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/graphics/Image.h"

#include <cstdio>
#include <stdexcept>

namespace {

// Enters a parameter, replacing the value of a key entered before.
void setParameter(PellarAd::Parameters& parameters, std::string key, std::string value)
{
    for (auto& entry : parameters) {
        if (entry.first == key) {
            entry.second = std::move(value);
            return;
        }
    }
    parameters.emplace_back(std::move(key), std::move(value));
}

// Text that has an ASCII form is escaped in it, so "&" and "=" pass and a
// space becomes %20. Text outside ASCII (an accented application name) has
// no ASCII form; it goes out as escaped UTF-8 bytes rather than as a
// placeholder that would lose the value.
std::string escapedForQuery(const std::string& text)
{
    if (auto ascii = PercentEscaping::addingPercentEscapesASCII(text))
        return *ascii;
    return PercentEscaping::addingPercentEscapesUTF8(text);
}

// The answer's values are strings; anything else counts as missing.
std::optional<std::string> stringValue(const std::optional<JSONValue>& answer, const char* key)
{
    if (!answer)
        return std::nullopt;
    auto value = answer->find(key);
    if (!value || !value->isString())
        return std::nullopt;
    return std::string(value->stringValue());
}

bool hasKey(const std::optional<JSONValue>& answer, const char* key)
{
    return answer && answer->find(key).has_value();
}

std::string addressText(const void* address)
{
    char text[32];
    std::snprintf(text, sizeof text, "%p", address);
    return text;
}

std::string imageDescription(const std::shared_ptr<const Image>& image)
{
    if (!image)
        return "(null)";
    char size[64];
    std::snprintf(size, sizeof size, "{%g, %g}", image->size().width, image->size().height);
    return "<Image " + addressText(image.get()) + " size:" + size + ">";
}

} // namespace

const std::array<const char*, 4>& PellarAd::browserIcons()
{
    static const std::array<const char*, 4> names { "back", "back_disable", "forward", "forward_disable" };
    return names;
}

std::shared_ptr<PellarAd> PellarAd::create(int32_t format)
{
    return std::shared_ptr<PellarAd>(new PellarAd(format));
}

PellarAd::PellarAd(int32_t format)
    : m_activeDownloads(std::in_place)
    , m_format(format)
{
}

PellarAd::~PellarAd()
{
    if (m_activeDownloads) {
        for (auto& download : *m_activeDownloads)
            download->cancel();
    }
}

// MARK: Request

void PellarAd::request()
{
    if (m_state != PellarAdStateNew)
        return;
    // The strings table comes in its own time; the ad does not wait for it.
    PellarLocalizer::sharedLocalizer().downloadResourcesIfNecessary();
    loadBrowserIcons();
}

void PellarAd::loadBrowserIcons()
{
    m_state = PellarAdStateLoadingBrowserIcons;
    auto& cache = PellarImageCache::sharedCache();
    bool started = false;
    for (const char* name : browserIcons()) {
        // A download that cannot even start fails the ad at once; the
        // remaining icons are then of no use.
        if (m_state != PellarAdStateLoadingBrowserIcons)
            return;
        if (cache.imageIsInCache(name))
            continue;
        addDownload(PellarEndpoints::browserIconURL(name), std::string(name), std::nullopt);
        started = true;
    }
    if (m_state == PellarAdStateLoadingBrowserIcons && !started)
        browserIconsDidFinishLoading();
}

void PellarAd::browserIconsDidFinishLoading()
{
    if (m_state != PellarAdStateLoadingBrowserIcons)
        return;
    m_state = PellarAdStateBrowserIconsLoaded;
    requestAdFromServer();
}

void PellarAd::requestAdFromServer()
{
    if (m_state != PellarAdStateBrowserIconsLoaded)
        return;

    std::string query;
    try {
        query = queryStringFromDictionary(buildParams());
    } catch (...) {
        // A host that cannot answer its settings still gets an ad request,
        // without parameters; the server decides what that is worth.
        query.clear();
    }

    std::string base = PellarEndpoints::adServerURL();
    if (auto host = delegate()) {
        if (auto endpoint = host->adserverEndpoint()) {
            // Used as the host gives it. A nil answer leaves no URL to ask,
            // and the request fails like any unusable URL.
            base = endpoint->value_or("(null)");
        }
    }

    m_state = PellarAdStateRequestingAd;
    addDownload(base + "?" + query, std::nullopt, std::nullopt);
}

void PellarAd::addDownload(const std::string& url, const std::optional<std::string>& identifier, const std::optional<std::string>& body)
{
    // After a failure the set is gone and nothing would own the download.
    if (!m_activeDownloads)
        return;
    auto download = PellarURLDownload::create();
    download->setDelegate(shared_from_this(), &PellarAd::downloadDidSucceed, &PellarAd::downloadDidFail);
    download->setIdentifier(identifier);
    // Tracked before it starts: a download that cannot start reports at once
    // and must find itself in the set.
    m_activeDownloads->insert(download);
    download->loadContentsOfURLAtString(url, body);
}

// MARK: Parameters

PellarAd::Parameters PellarAd::buildParams()
{
    auto host = delegate();
    if (!host)
        throw std::runtime_error("the ad's host is gone");

    Parameters parameters;
    parameters.reserve(23);
    setParameter(parameters, "s", host->publisherId());
    setParameter(parameters, "f", "jsonp");
    setParameter(parameters, "v", kSDKVersionParameter);
    setParameter(parameters, "ex", "1");
    setParameter(parameters, "client_sdk", "1");
    setParameter(parameters, "ad_type", m_format == PellarAdFormatBar ? "bar" : "full_screen");
    if (PellarClassRegistry::classExists(kBannerRotatorClassName))
        setParameter(parameters, "pub_data[rv]", "1");
    if (PellarClassRegistry::classExists(kRewardConnectClassName))
        setParameter(parameters, "pub_data[rc]", "1");
    if (auto identifier = PellarAppData::deviceUniqueIdentifier())
        setParameter(parameters, "isu", *identifier);

    auto& appData = PellarAppData::sharedAppData();
    if (appData.bundleDisplayName())
        setParameter(parameters, "pub_data[display_name]", *appData.bundleDisplayName());
    if (appData.bundleName())
        setParameter(parameters, "pub_data[name]", *appData.bundleName());
    if (appData.bundleIdentifier())
        setParameter(parameters, "pub_data[identifier]", *appData.bundleIdentifier());

    if (host->useTestAd().value_or(false)) {
        setParameter(parameters, "m", "test");
        if (auto action = host->testAdAction(); action && *action)
            setParameter(parameters, "test_action", **action);
    }

    for (auto& [key, value] : userDemographicInfo())
        setParameter(parameters, key, value);

    if (auto& language = PellarLocalizer::sharedLocalizer().preferredLanguage())
        setParameter(parameters, "l", *language);
    if (auto search = host->searchString(); search && *search)
        setParameter(parameters, "search", **search);
    if (auto keywords = host->keywords(); keywords && *keywords)
        setParameter(parameters, "k", **keywords);
    return parameters;
}

PellarAd::Parameters PellarAd::userDemographicInfo()
{
    Parameters info;
    auto host = delegate();
    if (!host)
        return info;

    if (host->mayAskForLocation().value_or(false)) {
        if (auto hostLocation = host->location()) {
            // The host's own answer rules: nil means no position at all, and
            // the library's cache is not asked.
            if (*hostLocation)
                setParameter(info, "d[coord]", PellarLocationManager::stringForLocation(**hostLocation));
        } else {
            auto& manager = PellarLocationManager::sharedManager();
            if (manager.locationServicesEnabled()) {
                manager.updateIfAppropriate();
                auto location = manager.locationString();
                auto updated = manager.lastUpdated();
                if (location && updated) {
                    char stamp[64];
                    std::snprintf(stamp, sizeof stamp, "%f", updated->timeIntervalSince1970());
                    setParameter(info, "d[coord]", *location);
                    setParameter(info, "d[coord_timestamp]", stamp);
                }
            }
        }
    }

    if (auto value = host->postalCode(); value && *value)
        setParameter(info, "d[pc]", **value);
    if (auto value = host->areaCode(); value && *value)
        setParameter(info, "d[ac]", **value);
    if (auto value = host->gender(); value && *value)
        setParameter(info, "d[gender]", **value);
    if (auto value = host->dateOfBirth(); value && *value)
        setParameter(info, "d[dob]", (*value)->formatted("%Y%m%d", true));
    return info;
}

std::string PellarAd::queryStringFromDictionary(const Parameters& parameters)
{
    std::string query;
    for (size_t index = 0; index < parameters.size(); ++index) {
        if (index)
            query += '&';
        query += escapedForQuery(parameters[index].first);
        query += '=';
        query += escapedForQuery(parameters[index].second);
    }
    return query;
}

JSONValue PellarAd::dictionaryFromParameters(const Parameters& parameters)
{
    std::vector<std::pair<std::string_view, JSONValue>> members;
    members.reserve(parameters.size());
    for (auto& [key, value] : parameters)
        members.emplace_back(key, JSONValue::string(value));
    return JSONValue::dictionary(members);
}

// MARK: Finished downloads

std::shared_ptr<PellarURLDownload> PellarAd::takeTrackedDownload(PellarURLDownload& download)
{
    auto strong = download.weak_from_this().lock();
    if (m_activeDownloads && strong)
        m_activeDownloads->erase(strong);
    return strong;
}

void PellarAd::downloadDidSucceed(PellarURLDownload& download)
{
    auto protectedThis = shared_from_this();
    switch (m_state) {
    case PellarAdStateLoadingBrowserIcons: {
        auto taken = takeTrackedDownload(download);
        iconDownloadDidSucceed(download);
        download.cancel();
        break;
    }
    case PellarAdStateRequestingAd: {
        auto taken = takeTrackedDownload(download);
        std::string body = download.data().value_or(std::string());
        loadAdWithData(body);
        download.cancel();
        break;
    }
    case PellarAdStateLoadingImages: {
        auto taken = takeTrackedDownload(download);
        imageDownloadDidSucceed(download);
        download.cancel();
        break;
    }
    case PellarAdStateLoadingFlexAd: {
        auto taken = takeTrackedDownload(download);
        download.cancel();
        break;
    }
    case PellarAdStateClicked: {
        auto taken = takeTrackedDownload(download);
        std::string body = download.data().value_or(std::string());
        performClickWithData(body);
        download.cancel();
        break;
    }
    default:
        // Nothing waits for it in this state; it stays tracked until the ad goes.
        break;
    }
}

void PellarAd::downloadDidFail(PellarURLDownload& download)
{
    auto protectedThis = shared_from_this();
    auto taken = takeTrackedDownload(download);
    switch (m_state) {
    case PellarAdStateLoadingBrowserIcons:
    case PellarAdStateRequestingAd:
    case PellarAdStateLoadingImages:
        requestDidFail();
        break;
    case PellarAdStateClicked:
        clickDidFail();
        break;
    default:
        break;
    }
    download.cancel();
}

void PellarAd::iconDownloadDidSucceed(PellarURLDownload& download)
{
    auto image = Image::decode(download.data().value_or(std::string()));
    if (!image) {
        requestDidFail();
        return;
    }
    if (download.identifier()) {
        if (auto png = image->encodePNG())
            PellarImageCache::sharedCache().storeImage(*png, *download.identifier());
    }
    if (m_activeDownloads && m_activeDownloads->empty())
        browserIconsDidFinishLoading();
}

void PellarAd::imageDownloadDidSucceed(PellarURLDownload& download)
{
    const auto& identifier = download.identifier();
    if (identifier == kUserImageIdentifier) {
        auto image = Image::decode(download.data().value_or(std::string()));
        if (!image) {
            requestDidFail();
            return;
        }
        m_userImage = std::move(image);
    } else if (identifier == kActionIconIdentifier) {
        auto image = Image::decode(download.data().value_or(std::string()));
        if (!image) {
            requestDidFail();
            return;
        }
        if (m_actionImageName) {
            if (auto png = image->encodePNG())
                PellarImageCache::sharedCache().storeImage(*png, *m_actionImageName);
        }
        m_actionImage = std::move(image);
    }
    if (m_activeDownloads && m_activeDownloads->empty())
        requestDidSucceed();
}

// MARK: The answer

void PellarAd::loadAdWithData(const std::string& body)
{
    if (body.empty()) {
        requestDidFail();
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
    if (m_state != PellarAdStateRequestingAd)
        return;
    auto protectedThis = shared_from_this();

    m_text = stringValue(answer, "text");
    m_action = stringValue(answer, "6");
    m_actionImageName = stringValue(answer, "18");
    if (!m_actionImageName)
        m_actionImageName = m_action;
    m_userString = stringValue(answer, "8");
    m_jsonpUrl = stringValue(answer, "jsonp_url");
    m_suggestionUrl = stringValue(answer, "suggestion_url");
    m_searchPlaceholder = stringValue(answer, "21");
    m_searchHelpURL = stringValue(answer, "22");

    std::optional<std::string> imageURL;
    if (hasKey(answer, "banner")) {
        m_medium = PellarAdMediumBanner;
        imageURL = stringValue(answer, "banner");
    } else if (hasKey(answer, "204")) {
        m_medium = PellarAdMediumText;
        // The value is joined to the media host as it is, without a separator.
        if (auto path = stringValue(answer, "204"))
            imageURL = PellarEndpoints::mediaHostURL() + *path;
    }
    if (hasKey(answer, "20"))
        m_medium = PellarAdMediumSearch;
    if (auto url = stringValue(answer, "cpm_url"); url && !url->empty())
        m_accountingPixelUrl = url;
    if (auto url = stringValue(answer, "tracking_pixel"); url && !url->empty())
        m_trackingPixelUrl = url;

    if (!m_action || !m_jsonpUrl) {
        requestDidFail();
        return;
    }

    if (auto markup = answer->find("markup"); markup && markup->isDictionary()) {
        m_state = PellarAdStateLoadingFlexAd;
        Size size;
        if (auto owner = adDelegate())
            size = owner->adSize();
        std::weak_ptr<PellarFlexAdDelegate> flexDelegate = std::static_pointer_cast<PellarFlexAdDelegate>(shared_from_this());
        // Held before the build starts, so an answer that comes at once finds it here.
        m_flexAd = PellarFlexAd::create(*markup, flexDelegate, m_delegate, Rect(0, 0, size.width, size.height));
        auto flexAd = m_flexAd;
        flexAd->buildFlexAd();
        return;
    }

    if (!m_actionImageName || !imageURL || (!m_text && m_medium == PellarAdMediumText)) {
        requestDidFail();
        return;
    }

    m_state = PellarAdStateLoadingImages;
    addDownload(*imageURL, std::string(kUserImageIdentifier), std::nullopt);
    if (m_state != PellarAdStateLoadingImages)
        return; // the image download could not start and failed the ad

    auto& cache = PellarImageCache::sharedCache();
    if (cache.imageIsInCache(*m_actionImageName)) {
        if (auto bytes = cache.fetchImageNamed(*m_actionImageName))
            m_actionImage = Image::decode(*bytes);
    }
    // A cached icon that no longer reads is fetched again rather than shown as nothing.
    if (!m_actionImage && *m_actionImageName != kSearchActionImageName)
        addDownload(PellarEndpoints::actionIconURL(PercentEscaping::addingPercentEscapesUTF8(*m_actionImageName)),
            std::string(kActionIconIdentifier), std::nullopt);
}

void PellarAd::requestDidSucceed()
{
    auto protectedThis = shared_from_this();
    m_state = PellarAdStateReady;
    if (auto owner = adDelegate())
        owner->adDidLoad(*this);
}

void PellarAd::requestDidFail()
{
    auto protectedThis = shared_from_this();
    auto downloads = std::move(m_activeDownloads);
    m_activeDownloads.reset();
    if (downloads) {
        for (auto& download : *downloads)
            download->cancel();
    }
    m_state = PellarAdStateFailed;
    if (auto owner = adDelegate())
        owner->adDidFailToLoad(*this);
}

// MARK: Flexible ad

void PellarAd::flexAdDidLoad(PellarFlexAd& flexAd)
{
    if (m_state != PellarAdStateLoadingFlexAd)
        return;
    if (!m_flexAd)
        m_flexAd = flexAd.shared_from_this();
    requestDidSucceed();
}

void PellarAd::flexAdDidFailLoadWithError(PellarFlexAd& flexAd, const PellarError&)
{
    if (m_state != PellarAdStateLoadingFlexAd)
        return;
    if (!m_flexAd)
        m_flexAd = flexAd.shared_from_this();
    requestDidFail();
}

// MARK: Clicks

void PellarAd::click()
{
    clickWithData(std::nullopt);
}

void PellarAd::clickWithData(const std::optional<JSONValue>& data)
{
    auto protectedThis = shared_from_this();
    m_state = PellarAdStateClicked;
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
    addDownload(m_jsonpUrl.value_or(std::string()), std::nullopt, body);
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
    m_state = PellarAdStateReady;
    if (auto owner = adDelegate())
        owner->clickDidSucceed(*this, response);
}

void PellarAd::clickDidFail()
{
    auto protectedThis = shared_from_this();
    m_state = PellarAdStateReady;
    if (auto owner = adDelegate())
        owner->clickDidFail(*this);
}

// MARK: Pixels

void PellarAd::loadAccountingPixel()
{
    if (m_accountingPixelLoaded)
        return;
    m_accountingPixelLoaded = true;
    if (m_accountingPixelUrl)
        startPixel(*m_accountingPixelUrl, kAccountingPixelIdentifier);
    if (m_trackingPixelUrl)
        startPixel(*m_trackingPixelUrl, kTrackingPixelIdentifier);
}

void PellarAd::startPixel(const std::string& url, const char* identifier)
{
    auto download = PellarURLDownload::create();
    // The callbacks hold the ad: it stays alive until each pixel has answered.
    auto self = shared_from_this();
    auto finish = [self](PellarURLDownload& finished) { self->pixelDownloadDidFinish(finished); };
    download->setCallbacks(finish, finish);
    download->setIdentifier(std::string(identifier));
    m_pixelDownloads.insert(download);
    download->loadContentsOfURLAtString(url);
}

void PellarAd::pixelDownloadDidFinish(PellarURLDownload& download)
{
    // The body is of no interest and a failure is not reported.
    download.cancel();
    if (auto strong = download.weak_from_this().lock())
        m_pixelDownloads.erase(strong);
}

// MARK: Display attributes

Color PellarAd::backgroundColor() const
{
    if (auto host = delegate()) {
        if (auto color = host->adBackgroundColor(); color && *color)
            return **color;
    }
    return defaultBackgroundColor();
}

Color PellarAd::textColor() const
{
    if (auto host = delegate()) {
        if (auto color = host->primaryTextColor(); color && *color)
            return **color;
    }
    return Color::whiteColor();
}

int PellarAd::spinnerStyle() const
{
    if (auto host = delegate(); host && host->useGraySpinner().value_or(false))
        return 2;
    return 1;
}

std::string PellarAd::description() const
{
    std::string downloads = "(null)";
    if (m_activeDownloads) {
        downloads = "{(";
        bool first = true;
        for (auto& download : *m_activeDownloads) {
            downloads += first ? "" : ", ";
            downloads += download->description();
            first = false;
        }
        downloads += ")}";
    }
    return "<PellarAd " + addressText(this) + ": '" + m_text.value_or("(null)") + "', '" + m_action.value_or("(null)") + "', "
        + imageDescription(m_userImage) + ", " + imageDescription(m_actionImage) + ", " + downloads + ">";
}
